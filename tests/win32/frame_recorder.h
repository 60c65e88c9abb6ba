// What the main line presents, frame by frame: every block transfer to the
// launcher's window is watched, and each new picture in the back buffer is
// kept with the copies that made it. Also the failures of the screen-sized
// bitmaps a run asks for, and the right click after a chosen frame.
#pragma once

#include "show_run.h"

#include <cstdint>
#include <string>
#include <vector>

// Puts the recorder into the import table; true when every call it watches
// is imported. Once only.
bool InstallFrameRecorder();

// The first pixel where a frame differs from the desktop with the picture
// centred on it at the level, worked out pixel by pixel from the blend rule;
// empty when there is none.
std::string FirstWrongPixel(const ShowRun& r, const std::vector<uint8_t>& frame, int level);
