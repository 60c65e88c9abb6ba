// Every transfer to the window, and the screen-sized bitmaps, recorded or
// made to fail (frame_recorder.cpp): a run's settings of them, and the
// frames the launcher presented.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct FrameRecorderSettings {
    bool noBackBuffer = false;   // screen-sized 32-bit bitmaps fail
    bool noDesktopCopy = false;  // the screen-sized 24-bit copy fails
    int clickAtFrame = -1;       // a right click after that fade frame
};

struct FrameRecord {
    int paints = 0;                            // transfers to the window before the picture
    std::vector<std::vector<uint8_t>> frames;  // the back buffer at each new fade frame
    std::vector<uint8_t> desktop, picture;     // the desktop copy and the picture
    int pictureWidth = 0, pictureHeight = 0;
    HBITMAP backBuffer = nullptr, backCopy = nullptr, splash = nullptr;
    HPALETTE palette = nullptr;
    DWORD clockAtFrame = 0;          // the fast clock at the last new frame
    std::vector<DWORD> frameClocks;  // the fast clock at each new frame
    std::wstring title;              // the window's title at the first frame
    std::vector<RECT> earlyBlits;    // source corner and size of each copy before the picture
    SIZE lastRestore = {};           // the last copy from the desktop copy, with the picture
    std::vector<SIZE> frameRestores, framePresents;  // at each new frame: that copy and the present
};

// Puts the recorder into this program's import table, once; true when
// every call it stands in for is imported.
bool InstallFrameRecorder();
// The recorder takes these settings from now on, and forgets what it saw.
void ResetFrameRecorder(const FrameRecorderSettings& settings);
// What it recorded since.
const FrameRecord& FramesRecorded();
