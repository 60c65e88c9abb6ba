// The show in time, as the launcher plays it (show.h), and the frames the
// contact sheet picks from it.
#pragma once

#include "show.h"

#include <cstdint>
#include <string>
#include <vector>

// Every frame is drawn, then waited on, and the hold follows the fade in's
// last wait.
enum class ShowPhase { FadeIn, Hold, FadeOut };

struct ShowFrame {
    int32_t index;  // order of drawing, from 0
    int32_t level;
    int32_t atMs;  // nominal time it is drawn
    ShowPhase phase;
};
// Every frame the launcher draws, in order: the fades, or without them
// (animations turned off, or a remote session) the one still frame, held.
std::vector<ShowFrame> ShowFrames(const ShowTimings& timings = kShippedTimings, bool fades = true);
// Nominal end of the show: after the last frame's wait.
int32_t ShowEndMs(const ShowTimings& timings = kShippedTimings, bool fades = true);

// One frame on the contact sheet. The hold is no frame of its own: it is
// the fade in's last frame, left on the screen from fromMs to toMs.
struct SheetCell {
    ShowPhase phase;
    int32_t frame;  // index into ShowFrames()
    int32_t level;
    int32_t fromMs;
    int32_t toMs;  // fromMs but for the hold
};
std::vector<SheetCell> SheetCells(const ShowTimings& timings = kShippedTimings, bool fades = true);
// The two lines printed under a cell.
std::vector<std::string> CellLabel(const SheetCell& cell);
