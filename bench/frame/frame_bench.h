// What the parts of the frame benchmark share: the clock and its summary
// statistics, the picture's block and the screen reader, and the records
// that main receives from the frame's timing, the other processes and the
// watch of the show, and then prints.
#pragma once

#include "show.h"
#include "surface.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

const COLORREF kDesktopGrey = RGB(128, 128, 128);

// ---------------------------------------------------------------- clock

inline double g_msPerTick;

inline int64_t Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

inline double Ms(int64_t ticks)
{
    return double(ticks) * g_msPerTick;
}

struct Spread {
    double median = 0, p90 = 0, sum = 0;
};

inline Spread Summarise(std::vector<double> values)
{
    Spread s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.p90 = values[std::min(n - 1, size_t(double(n - 1) * 0.9 + 0.5))];
    for (double v : values)
        s.sum += v;
    return s;
}

// ---------------------------------------------------------------- pixels

// A block of the picture on the back buffer, found by the launcher's own
// FindSplashBlock.
using Block = SplashBlock;

// 32-bit pixels, rows packed, the size of the block.
using Pixels = std::vector<uint8_t>;

std::vector<int> ShowLevels();
bool FindLaunchersBlock(Block* block);
Pixels CopyOut(const Surface& surface, const Block& b);
int64_t CountDiffering(const uint8_t* a, const uint8_t* b, const Block& block);

// ---------------------------------------------------------------- screen

// Reads a rectangle of the screen through the screen's device context into
// a 32-bit section of our own.
class ScreenReader {
public:
    ScreenReader(int32_t width, int32_t height) : width_(width), height_(height)
    {
        screen_ = GetDC(nullptr);
        memory_ = CreateCompatibleDC(screen_);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint8_t*>(bits);
        old_ = SelectObject(memory_, bitmap_);
    }
    ~ScreenReader()
    {
        SelectObject(memory_, old_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    bool Ok() const { return bits_ != nullptr; }
    void Read(int32_t x, int32_t y)
    {
        BitBlt(memory_, 0, 0, width_, height_, screen_, x, y, SRCCOPY);
    }
    const uint8_t* Bits() const { return bits_; }

private:
    int32_t width_, height_;
    HDC screen_ = nullptr, memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint8_t* bits_ = nullptr;
};

void PumpMessages();
void PushToScreen(ScreenReader& onePixel, int32_t x, int32_t y);

// ---------------------------------------------------------------- windows

HWND CreateDesktopWindow(HINSTANCE instance, int32_t width, int32_t height);
bool WaitForScreen(ScreenReader& reader, const Block& b, const Pixels& expected, DWORD timeoutMs);

// ---------------------------------------------------------------- the frame

// What the launcher does once per show, before its first frame.
struct Setup {
    double initDisplay, createCopy, copyDesktop, firstRestore, loadPicture;
};

struct FormTimes {
    int32_t form;  // kBlendPlain, kBlendSSE2 or kBlendAVX2
    std::string name;
    bool whole;  // the whole screen restored and presented, as before: the reference
    std::vector<double> restore, blend, present, upload, frame;
};

// Whether a presented frame is on the X screen after each possible way of
// sending it there; counts of frames that were.
struct Arrival {
    int frames = 0, afterPresent = 0, afterGdiFlush = 0, afterSleep = 0, afterEmptyTurn = 0;
};

// The routines the blend alone is timed for, each beside its plain twin.
enum BlendRoutine {
    kSurfacePlain,
    kSurfaceSSE2,
    kSurfaceAVX2,
    kSurfaceDispatched,
    kPixelsPlain,
    kPixelsMMX
};

struct BlendTimes {
    BlendRoutine routine;
    std::string name;
    Spread spread;
    double ratio = 0;       // the plain routine's median over this one's
    const char* same = "";  // same bytes as the plain routine
};

using SurfaceBlend = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*, int32_t,
                             int32_t, int32_t);
using PixelBlend = void (*)(uint8_t*, const uint8_t*, int32_t, int32_t, int32_t, int32_t);

bool PrepareLikeLauncher(Setup* setup, const char* picture);
void Restore();
void RestoreBlock(const Block& b);
void PresentBlock(const Block& b);
void TimeFrames(FormTimes* times, const Block& b, ScreenReader& onePixel, int rounds);
Arrival CheckArrival(const Block& b, ScreenReader& blockReader);
bool SameAsPlain(SurfaceBlend form, const Block& b);
bool PixelsSameAsPlain(PixelBlend form, const Block& b);
Spread TimeSurfaceBlend(SurfaceBlend form, const Block& b, int rounds);
Spread TimePixelBlend(PixelBlend form, const Block& b, int calls);
int DispatchedBlend(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                    const Surface* src, int32_t srcX, int32_t srcY, int32_t level);
const char* FormName(int32_t form);

// ---------------------------------------------------------------- processes

// Pings of the clock comparison, which main reports.
enum { kClockRounds = 20 };

struct Memory {
    bool filled = false;
    SIZE_T peakWorkingSet = 0;          // as reported: Wine takes it from Linux's VmHWM
    SIZE_T pagefile = 0;                // largest seen
    SIZE_T current = 0;                 // PagefileUsage at the last reading
    bool peakPagefileIsCurrent = true;  // PeakPagefileUsage equal to PagefileUsage every time
    int readings = 0;
};

struct ClockCheck {
    bool ran = false;
    int inside = 0;            // partner readings between the two of ours around them
    double widestBracket = 0;  // ms
    double startLatency = 0;   // CreateProcess to the partner's first line, ms
};

struct Bare {
    Memory memory;
    bool timed = false;
    double firstLine = 0, display = 0;  // ms after CreateProcess
};

std::string ModulePath();
std::string FolderOf(const std::string& path);
std::string FileName(const std::string& path);
std::string FullPath(const std::string& path);
bool FileExists(const std::string& path);
bool Start(const std::string& program, const std::string& arguments, const char* folder,
           PROCESS_INFORMATION* pi);
void ReadMemory(HANDLE process, Memory* m);
int RunClockPartner(const char* name);
ClockCheck CompareClocks(const std::string& self);
bool ReadStamps(const std::string& file, std::vector<int64_t>* stamps, size_t count);
int RunHandoff(const char* file);
int RunIdle(const char* file);
Bare MeasureBare(const std::string& self);

// ---------------------------------------------------------------- the show

struct Show {
    bool ran = false;
    std::string problem;
    double created = 0, firstVisible = 0, lastChange = 0, greyAgain = -1, handoff = -1, exited = -1;
    int changes = 0, polls = 0;
    // The first visible frame and the last new one equal to the show's own.
    bool firstAsPlanned = false, lastAsPlanned = false;
    double pollGap = 0;  // median ms between polls
    Memory memory;
    SIZE_T pagefileWhileShowing = 0;  // at the first visible frame
    std::vector<std::pair<double, int64_t>>
        timeline;  // change times, pixels differing from the desktop
};

Show WatchShow(const std::string& launcher, const std::string& self, const Block& b,
               const Pixels& desktop, const Pixels& firstFrame, const Pixels& lastFrame);

// Two launchers' starts, each show's process start to its first visible
// frame, in ms.
constexpr int kStartRounds = 10;
struct StartComparison {
    bool ran = false;
    std::string problem;
    Spread launcher, against;
    int unplanned = 0;  // shows whose first visible frame was not the planned one
};

StartComparison CompareStarts(const std::string& launcher, const std::string& against,
                              const std::string& self, const Block& b, const Pixels& desktop,
                              const Pixels& firstFrame, const Pixels& lastFrame);
