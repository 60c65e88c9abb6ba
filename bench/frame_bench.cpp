// Times the launcher's frame under Wine at the size of the screen it runs on,
// then runs the real launcher and watches its show from the screen. Prints
// Markdown on standard output.
//
// The frame is drawn here with the launcher's own calls on a full-screen
// grey window, which then stays up as the desktop the real launcher copies.
// The same program, started with a flag, also plays the small parts another
// process has to play: the next program the launcher hands over to, the
// partner of a clock comparison, and an idle Wine process for a memory
// baseline.
#include "display.h"
#include "launcher.h"
#include "surface.h"
#include "show.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const COLORREF kDesktopGrey = RGB(128, 128, 128);
const char kDesktopClass[] = "OrvelineFrameBenchDesktop";

// ---------------------------------------------------------------- clock

double g_msPerTick;

int64_t Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double Ms(int64_t ticks)
{
    return double(ticks) * g_msPerTick;
}

struct Spread {
    double median = 0, p90 = 0, sum = 0;
};

Spread Summarise(std::vector<double> values)
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

// The levels of one whole show, in the launcher's order.
std::vector<int> ShowLevels()
{
    std::vector<int> levels;
    for (int32_t frame = 0; frame < kShowFrameCount; ++frame)
        levels.push_back(ShowLevel(frame));
    return levels;
}

// A block of the picture on the back buffer, found by the launcher's own
// FindSplashBlock.
using Block = SplashBlock;

bool FindLaunchersBlock(Block* block)
{
    return FindSplashBlock(g_screenWidth, g_screenHeight, &g_backBuffer, &g_splashImage, block) != 0;
}

// 32-bit pixels, rows packed, the size of the block.
using Pixels = std::vector<uint8_t>;

Pixels CopyOut(const Surface& surface, const Block& b)
{
    Pixels out(size_t(b.cx) * size_t(b.cy) * 4);
    for (int32_t y = 0; y < b.cy; ++y)
        std::memcpy(&out[size_t(y) * size_t(b.cx) * 4],
                    surface.bits + surface.rowOffsets[b.dstY + y] + b.dstX * 4, size_t(b.cx) * 4);
    return out;
}

// Pixels whose blue, green or red differ; the fourth byte means nothing on
// the screen.
int64_t CountDiffering(const uint8_t* a, const uint8_t* b, const Block& block)
{
    int64_t n = 0;
    const size_t count = size_t(block.cx) * size_t(block.cy);
    for (size_t i = 0; i < count; ++i, a += 4, b += 4)
        n += a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
    return n;
}

// A surface record over memory of our own, for blends that must not touch
// the back buffer.
struct Scratch {
    Surface record{};
    std::vector<uint8_t> pixels;
    std::vector<int32_t> rows;

    Scratch(int32_t width, int32_t height)
    {
        SetSurfaceLayout(&record, width, height, 32);
        pixels.assign(size_t(record.pitch) * size_t(height), 0);
        rows.resize(size_t(height));
        record.bits = pixels.data();
        record.rowOffsets = rows.data();
        FillRowOffsets(&record);
    }
};

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

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Under Wine, drawing into a window lands in a copy of its pixels that Wine
// keeps in the process; the copy goes to the X server when the thread finds
// its message queue empty. GdiFlush does not send it, nor does time alone.
// The launcher waits between frames with PeekMessage, so its frames leave
// at the start of each wait. Here the same empty turn comes right after the
// presentation, then one pixel is read back from the screen: X answers the
// requests of one connection in order, so when the read returns the server
// has put the whole frame up. CheckArrival shows each of these steps at work.
void PushToScreen(ScreenReader& onePixel, int32_t x, int32_t y)
{
    PumpMessages();
    onePixel.Read(x, y);
}

// ---------------------------------------------------------------- windows

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The class brush paints the grey; everything else is the default.
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreateDesktopWindow(HINSTANCE instance, int32_t width, int32_t height)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DesktopProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = CreateSolidBrush(kDesktopGrey);
    windowClass.lpszClassName = kDesktopClass;
    if (!RegisterClassA(&windowClass))
        return nullptr;
    HWND hwnd = CreateWindowExA(0, kDesktopClass, "desktop", WS_POPUP, 0, 0, width, height,
                                nullptr, nullptr, instance, nullptr);
    if (hwnd != nullptr) {
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }
    return hwnd;
}

// Waits until the block of the screen shows exactly the given pixels.
bool WaitForScreen(ScreenReader& reader, const Block& b, const Pixels& expected, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        PumpMessages();
        reader.Read(b.dstX, b.dstY);
        if (CountDiffering(reader.Bits(), expected.data(), b) == 0)
            return true;
        Sleep(5);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

// ---------------------------------------------------------------- the frame

// What the launcher does once per show, before its first frame.
struct Setup {
    double initDisplay, createCopy, copyDesktop, firstRestore, loadPicture;
};

bool PrepareLikeLauncher(Setup* setup, const char* picture)
{
    int64_t t0 = Now();
    InitDisplay();
    int64_t t1 = Now();
    CreateSurface(&g_backCopy, g_screenWidth, g_screenHeight, 24, "BackCopy");
    int64_t t2 = Now();
    CopyDesktop();
    int64_t t3 = Now();
    BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
    int64_t t4 = Now();
    LoadSurfaceImage(picture, &g_splashImage, 0, 0);
    int64_t t5 = Now();
    setup->initDisplay = Ms(t1 - t0);
    setup->createCopy = Ms(t2 - t1);
    setup->copyDesktop = Ms(t3 - t2);
    setup->firstRestore = Ms(t4 - t3);
    setup->loadPicture = Ms(t5 - t4);
    return g_backBuffer.hBitmap != nullptr && g_backCopy.hBitmap != nullptr &&
           g_splashImage.hBitmap != nullptr;
}

void Restore()
{
    BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
}

struct FormTimes {
    const char* name;
    std::vector<double> restore, blend, present, upload, frame;
};

// The frame of the launcher's DrawFrame, phase by phase, over the levels of
// one whole show, with BlendSurface in the form already selected.
void TimeFrames(FormTimes* times, const Block& b, ScreenReader& onePixel, int rounds)
{
    const std::vector<int> levels = ShowLevels();
    const int32_t px = b.dstX + b.cx / 2, py = b.dstY + b.cy / 2;
    // A few frames first, so that no first-use cost lands in the figures.
    for (int i = 0; i < 4; ++i) {
        Restore();
        BlendSurface(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY,
                     128);
        PresentBackBuffer();
        PushToScreen(onePixel, px, py);
    }
    for (int r = 0; r < rounds; ++r) {
        for (int level : levels) {
            const int64_t t0 = Now();
            Restore();
            const int64_t t1 = Now();
            BlendSurface(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX,
                         b.srcY, level);
            const int64_t t2 = Now();
            PresentBackBuffer();
            const int64_t t3 = Now();
            PushToScreen(onePixel, px, py);
            const int64_t t4 = Now();
            times->restore.push_back(Ms(t1 - t0));
            times->blend.push_back(Ms(t2 - t1));
            times->present.push_back(Ms(t3 - t2));
            times->upload.push_back(Ms(t4 - t3));
            times->frame.push_back(Ms(t4 - t0));
        }
    }
}

// Whether a presented frame is on the X screen after each possible way of
// sending it there; counts of frames that were.
struct Arrival {
    int frames = 0, afterPresent = 0, afterGdiFlush = 0, afterSleep = 0, afterEmptyTurn = 0;
};

Arrival CheckArrival(const Block& b, ScreenReader& blockReader)
{
    Arrival a;
    // Levels 16 apart, so that each frame differs from the one before it.
    for (int level = 16; level <= 256; level += 16) {
        Restore();
        BlendSurface(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY,
                     level);
        const Pixels expected = CopyOut(g_backBuffer, b);
        PresentBackBuffer();
        ++a.frames;
        blockReader.Read(b.dstX, b.dstY);
        a.afterPresent += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
        GdiFlush();
        blockReader.Read(b.dstX, b.dstY);
        a.afterGdiFlush += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
        Sleep(60);
        blockReader.Read(b.dstX, b.dstY);
        a.afterSleep += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
        PumpMessages();
        blockReader.Read(b.dstX, b.dstY);
        a.afterEmptyTurn += CountDiffering(blockReader.Bits(), expected.data(), b) == 0;
    }
    return a;
}

struct BlendTimes {
    std::string name;
    Spread spread;
    double ratio = 0;        // the plain routine's median over this one's
    const char* same = "";   // same bytes as the plain routine
};

using SurfaceBlend = int (*)(Surface*, int32_t, int32_t, int32_t, int32_t, const Surface*,
                             int32_t, int32_t, int32_t);
using PixelBlend = void (*)(uint8_t*, const uint8_t*, int32_t, int32_t, int32_t, int32_t);

// Fills a scratch surface with bytes that change from pixel to pixel, so
// that a comparison of two blends means something.
void FillPattern(Scratch& s, uint32_t seed)
{
    for (uint8_t& byte : s.pixels) {
        seed = seed * 1664525u + 1013904223u;
        byte = uint8_t(seed >> 24);
    }
}

bool SameAsPlain(SurfaceBlend form, const Block& b)
{
    for (int level : {0, 1, 3, 4, 100, 128, 252, 255, 256}) {
        Scratch mine(b.cx, b.cy), plain(b.cx, b.cy);
        FillPattern(mine, uint32_t(level) + 7);
        FillPattern(plain, uint32_t(level) + 7);
        form(&mine.record, 0, 0, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY, level);
        BlendSurfacePlain(&plain.record, 0, 0, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY, level);
        if (mine.pixels != plain.pixels)
            return false;
    }
    return true;
}

bool PixelsSameAsPlain(PixelBlend form, const Block& b)
{
    Scratch mine(b.cx, b.cy), plain(b.cx, b.cy);
    FillPattern(mine, 3);
    FillPattern(plain, 3);
    const uint8_t* src = g_splashImage.bits + g_splashImage.rowOffsets[b.srcY] + b.srcX * 4;
    const int32_t srcSkip = int32_t(g_splashImage.pitch) - b.cx * 4;
    form(mine.record.bits, src, b.cy, b.cx, int32_t(mine.record.pitch) - b.cx * 4, srcSkip);
    BlendPixelsPlain(plain.record.bits, src, b.cy, b.cx, int32_t(plain.record.pitch) - b.cx * 4,
                     srcSkip);
    return mine.pixels == plain.pixels;
}

// Each call timed on its own, at every level of the show in turn, into the
// back buffer where the launcher blends.
Spread TimeSurfaceBlend(SurfaceBlend form, const Block& b, int rounds)
{
    const std::vector<int> levels = ShowLevels();
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r)
        for (int level : levels) {
            const int64_t t0 = Now();
            form(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX, b.srcY, level);
            t.push_back(Ms(Now() - t0));
        }
    return Summarise(t);
}

Spread TimePixelBlend(PixelBlend form, const Block& b, int calls)
{
    uint8_t* dst = g_backBuffer.bits + g_backBuffer.rowOffsets[b.dstY] + b.dstX * 4;
    const uint8_t* src = g_splashImage.bits + g_splashImage.rowOffsets[b.srcY] + b.srcX * 4;
    const int32_t dstSkip = int32_t(g_backBuffer.pitch) - b.cx * 4;
    const int32_t srcSkip = int32_t(g_splashImage.pitch) - b.cx * 4;
    std::vector<double> t;
    for (int i = 0; i < calls; ++i) {
        const int64_t t0 = Now();
        form(dst, src, b.cy, b.cx, dstSkip, srcSkip);
        t.push_back(Ms(Now() - t0));
    }
    return Summarise(t);
}

// BlendSurface itself, in whatever form it has chosen.
int DispatchedBlend(Surface* dst, int32_t dstX, int32_t dstY, int32_t cx, int32_t cy,
                    const Surface* src, int32_t srcX, int32_t srcY, int32_t level)
{
    return BlendSurface(dst, dstX, dstY, cx, cy, src, srcX, srcY, level);
}

const char* FormName(int32_t form)
{
    return form == kBlendAVX2 ? "AVX2" : form == kBlendSSE2 ? "SSE2" : "plain";
}

// ---------------------------------------------------------------- processes

std::string ModulePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : path;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Start(const std::string& program, const std::string& arguments, const char* folder,
           PROCESS_INFORMATION* pi)
{
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder, &si, pi) != 0;
}

struct Memory {
    bool filled = false;
    SIZE_T peakWorkingSet = 0;       // as reported: Wine takes it from Linux's VmHWM
    SIZE_T pagefile = 0;             // largest seen
    SIZE_T current = 0;              // PagefileUsage at the last reading
    bool peakPagefileIsCurrent = true;  // PeakPagefileUsage equal to PagefileUsage every time
    int readings = 0;
};

void ReadMemory(HANDLE process, Memory* m)
{
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    if (!K32GetProcessMemoryInfo(process, &c, sizeof c))
        return;
    ++m->readings;
    m->filled = m->filled || c.PeakWorkingSetSize != 0 || c.PagefileUsage != 0;
    m->peakWorkingSet = std::max(m->peakWorkingSet, c.PeakWorkingSetSize);
    m->pagefile = std::max(m->pagefile, c.PagefileUsage);
    m->current = c.PagefileUsage;
    m->peakPagefileIsCurrent = m->peakPagefileIsCurrent && c.PeakPagefileUsage == c.PagefileUsage;
}

// The other side of the clock comparison: stamps its start, then answers
// each ping with a reading of its own clock.
enum { kClockRounds = 20 };
struct ClockShared {
    int64_t start;
    int64_t stamps[kClockRounds];
};

int RunClockPartner(const char* name)
{
    const int64_t start = Now();
    const std::string base = name;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, (base + "-map").c_str());
    HANDLE ping = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, (base + "-ping").c_str());
    HANDLE pong = OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, (base + "-pong").c_str());
    if (!mapping || !ping || !pong)
        return 2;
    auto* shared = static_cast<ClockShared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (!shared)
        return 2;
    shared->start = start;
    // Ready: the readings below are then answers to pings alone.
    SetEvent(pong);
    for (int i = 0; i < kClockRounds; ++i) {
        if (WaitForSingleObject(ping, 5000) != WAIT_OBJECT_0)
            return 3;
        shared->stamps[i] = Now();
        SetEvent(pong);
    }
    UnmapViewOfFile(shared);
    return 0;
}

struct ClockCheck {
    bool ran = false;
    int inside = 0;             // partner readings between the two of ours around them
    double widestBracket = 0;   // ms
    double startLatency = 0;    // CreateProcess to the partner's first line, ms
};

ClockCheck CompareClocks(const std::string& self)
{
    ClockCheck check;
    char name[64];
    std::snprintf(name, sizeof name, "OrvelineFrameBenchClock%lu",
                  (unsigned long)GetCurrentProcessId());
    const std::string base = name;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(ClockShared), (base + "-map").c_str());
    HANDLE ping = CreateEventA(nullptr, FALSE, FALSE, (base + "-ping").c_str());
    HANDLE pong = CreateEventA(nullptr, FALSE, FALSE, (base + "-pong").c_str());
    auto* shared = mapping ? static_cast<ClockShared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))
                           : nullptr;
    PROCESS_INFORMATION pi = {};
    const int64_t created = Now();
    if (shared && ping && pong && Start(self, "--clock " + base, nullptr, &pi)) {
        int64_t before[kClockRounds], after[kClockRounds];
        bool answered = WaitForSingleObject(pong, 10000) == WAIT_OBJECT_0;
        for (int i = 0; i < kClockRounds && answered; ++i) {
            Sleep(2);
            before[i] = Now();
            SetEvent(ping);
            answered = WaitForSingleObject(pong, 10000) == WAIT_OBJECT_0;
            after[i] = Now();
        }
        WaitForSingleObject(pi.hProcess, 10000);
        if (answered) {
            check.ran = true;
            check.startLatency = Ms(shared->start - created);
            for (int i = 0; i < kClockRounds; ++i) {
                check.inside += shared->stamps[i] >= before[i] && shared->stamps[i] <= after[i];
                check.widestBracket = std::max(check.widestBracket, Ms(after[i] - before[i]));
            }
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (shared)
        UnmapViewOfFile(shared);
    for (HANDLE h : {mapping, ping, pong})
        if (h)
            CloseHandle(h);
    return check;
}

// Writes clock readings to a file under another name first, then renames
// it, so that the reader never finds half of it.
int WriteStamps(const char* file, const std::vector<int64_t>& stamps)
{
    const std::string part = std::string(file) + ".part";
    FILE* f = std::fopen(part.c_str(), "w");
    if (!f)
        return 2;
    for (int64_t stamp : stamps)
        std::fprintf(f, "%lld\n", (long long)stamp);
    std::fclose(f);
    return MoveFileExA(part.c_str(), file, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}

bool ReadStamps(const std::string& file, std::vector<int64_t>* stamps, size_t count)
{
    FILE* f = std::fopen(file.c_str(), "r");
    if (!f)
        return false;
    stamps->clear();
    long long value = 0;
    while (stamps->size() < count && std::fscanf(f, "%lld", &value) == 1)
        stamps->push_back(value);
    std::fclose(f);
    return stamps->size() == count;
}

std::string TempFile(const char* what)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    char name[96];
    std::snprintf(name, sizeof name, "orveline-frame-bench-%lu-%s",
                  (unsigned long)GetCurrentProcessId(), what);
    return std::string(folder) + name;
}

// The next program of the show: notes when it got to run, and leaves.
int RunHandoff(const char* file)
{
    return WriteStamps(file, {Now()});
}

// A Wine process that opens the screen and shows a one-pixel window, and
// does nothing else: what any such process costs, in time to start and in
// memory, to set against the launcher's figures.
int RunIdle(const char* file)
{
    const int64_t entry = Now();
    HDC screen = GetDC(nullptr);  // loads Wine's X driver
    const int64_t display = Now();
    HWND hwnd = CreateWindowExA(0, "STATIC", "idle", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    PumpMessages();
    Sleep(700);
    if (hwnd)
        DestroyWindow(hwnd);
    ReleaseDC(nullptr, screen);
    return WriteStamps(file, {entry, display});
}

struct Bare {
    Memory memory;
    bool timed = false;
    double firstLine = 0, display = 0;  // ms after CreateProcess
};

Bare MeasureBare(const std::string& self)
{
    Bare bare;
    const std::string file = TempFile("idle.txt");
    DeleteFileA(file.c_str());
    PROCESS_INFORMATION pi = {};
    const int64_t t0 = Now();
    if (!Start(self, "--idle \"" + file + "\"", nullptr, &pi))
        return bare;
    while (WaitForSingleObject(pi.hProcess, 10) == WAIT_TIMEOUT)
        ReadMemory(pi.hProcess, &bare.memory);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::vector<int64_t> stamps;
    if (ReadStamps(file, &stamps, 2)) {
        bare.timed = true;
        bare.firstLine = Ms(stamps[0] - t0);
        bare.display = Ms(stamps[1] - t0);
    }
    DeleteFileA(file.c_str());
    return bare;
}

// ---------------------------------------------------------------- the show

struct Show {
    bool ran = false;
    std::string problem;
    double created = 0, firstVisible = 0, lastChange = 0, greyAgain = -1, handoff = -1,
           exited = -1;
    int changes = 0, polls = 0;
    bool firstIsLevel4 = false, lastIsLevel3 = false;
    double pollGap = 0;  // median ms between polls
    Memory memory;
    SIZE_T pagefileWhileShowing = 0;  // at the first visible frame
    std::vector<std::pair<double, int64_t>> timeline;  // change times, pixels differing from the desktop
};

Show WatchShow(const std::string& launcher, const std::string& self, const Block& b,
               const Pixels& desktop, const Pixels& level4, const Pixels& level3)
{
    Show show;
    char tempRoot[MAX_PATH] = {};
    GetTempPathA(sizeof tempRoot, tempRoot);
    char folderName[64];
    std::snprintf(folderName, sizeof folderName, "orveline-frame-bench-%lu",
                  (unsigned long)GetCurrentProcessId());
    const std::string folder = std::string(tempRoot) + folderName;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string stampFile = folder + "\\handoff.txt";
    DeleteFileA(stampFile.c_str());

    ScreenReader reader(b.cx, b.cy);
    Pixels previous = desktop;
    std::vector<double> gaps;
    PROCESS_INFORMATION pi = {};
    const int64_t t0 = Now();
    if (!Start(launcher, "\"" + self + "\" --handoff \"" + stampFile + "\"", folder.c_str(), &pi)) {
        show.problem = "CreateProcess failed";
        return show;
    }
    show.ran = true;
    show.created = Ms(Now() - t0);
    bool seen = false, stamped = false;
    int64_t lastPoll = 0, lastMemory = 0, exitedAt = 0;
    for (;;) {
        const int64_t now = Now();
        if (lastPoll)
            gaps.push_back(Ms(now - lastPoll));
        lastPoll = now;
        reader.Read(b.dstX, b.dstY);
        ++show.polls;
        const int64_t fromDesktop = CountDiffering(reader.Bits(), desktop.data(), b);
        if (fromDesktop != 0) {
            if (!seen) {
                seen = true;
                show.firstVisible = Ms(now - t0);
                show.firstIsLevel4 = CountDiffering(reader.Bits(), level4.data(), b) == 0;
                ReadMemory(pi.hProcess, &show.memory);
                show.pagefileWhileShowing = show.memory.current;
            }
            if (CountDiffering(reader.Bits(), previous.data(), b) != 0) {
                ++show.changes;
                show.lastChange = Ms(now - t0);
                show.lastIsLevel3 = CountDiffering(reader.Bits(), level3.data(), b) == 0;
                show.timeline.emplace_back(Ms(now - t0), fromDesktop);
            }
            show.greyAgain = -1;
        } else if (seen && show.greyAgain < 0) {
            show.greyAgain = Ms(now - t0);
        }
        std::memcpy(previous.data(), reader.Bits(), previous.size());

        if (!exitedAt && Ms(now - lastMemory) >= 10) {
            ReadMemory(pi.hProcess, &show.memory);
            lastMemory = now;
        }
        if (!exitedAt && WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            exitedAt = now;
            show.exited = Ms(now - t0);
        }
        if (!stamped) {
            std::vector<int64_t> stamp;
            if (ReadStamps(stampFile, &stamp, 1)) {
                stamped = true;
                show.handoff = Ms(stamp[0] - t0);
            }
        }
        if (exitedAt && stamped && (show.greyAgain >= 0 || !seen)) {
            if (!seen)
                show.problem = "no frame of the show was seen on the screen";
            break;
        }
        if (exitedAt && Ms(now - exitedAt) > 5000) {
            show.problem = stamped ? "the screen never went back to the desktop"
                                   : "the next program never ran";
            break;
        }
        if (!exitedAt && Ms(now - t0) > 30000) {
            show.problem = "the launcher ran for more than 30 s and was stopped";
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
        PumpMessages();
        Sleep(1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    show.pollGap = Summarise(gaps).median;
    DeleteFileA(stampFile.c_str());
    RemoveDirectoryA(folder.c_str());
    return show;
}

// ---------------------------------------------------------------- output

std::string Cell(const Spread& s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f / %.3f", s.median, s.p90);
    return text;
}

double MiB(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

void PrintFeatures(uint32_t features)
{
    std::string names;
    for (auto [flag, name] : {std::pair{kCpuMMX, "MMX"}, {kCpuSSE2, "SSE2"}, {kCpuAVX2, "AVX2"}})
        if (features & uint32_t(flag))
            names += names.empty() ? name : std::string(", ") + name;
    std::printf("Processor: %s. ", names.empty() ? "none of MMX, SSE2, AVX2" : names.c_str());
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: frame_bench [--launcher PATH] [--timeline]\n"
                 "  PATH defaults to ..\\launcher\\orveline.exe beside this program's folder\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // The roles of the other processes come first: the next program's stamp
    // must be taken as early as possible.
    if (argc == 3 && std::strcmp(argv[1], "--handoff") == 0)
        return RunHandoff(argv[2]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_msPerTick = 1000.0 / double(frequency.QuadPart);
    if (argc == 3 && std::strcmp(argv[1], "--clock") == 0)
        return RunClockPartner(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--idle") == 0)
        return RunIdle(argv[2]);

    const std::string self = ModulePath();
    std::string launcher = FullPath(FolderOf(self) + "\\..\\launcher\\orveline.exe");
    bool printTimeline = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--launcher") == 0 && i + 1 < argc)
            launcher = FullPath(argv[++i]);
        else if (std::strcmp(argv[i], "--timeline") == 0)
            printTimeline = true;
        else
            return Usage();
    }

    g_hInstance = GetModuleHandleA(nullptr);
    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int32_t W = g_screenWidth, H = g_screenHeight;
    std::printf("## The frame at %d x %d, %d-bit under Wine\n\n", W, H, int(sizeof(void*) * 8));
    std::fflush(stdout);

    // The grey window: the launcher's window while the frame is timed, the
    // desktop while the real launcher runs.
    HWND desktopWindow = CreateDesktopWindow(g_hInstance, W, H);
    if (desktopWindow == nullptr) {
        std::printf("No window could be made: nothing measured.\n");
        return 1;
    }
    g_hWnd = desktopWindow;
    ScreenReader onePixel(1, 1);
    {
        // The window must be on the screen before the desktop is copied.
        Block centre = {W / 2 - 8, H / 2 - 8, 16, 16, 0, 0};
        Pixels grey(16 * 16 * 4);
        for (size_t i = 0; i < grey.size(); i += 4) {
            grey[i] = GetBValue(kDesktopGrey);
            grey[i + 1] = GetGValue(kDesktopGrey);
            grey[i + 2] = GetRValue(kDesktopGrey);
        }
        ScreenReader reader(16, 16);
        if (!WaitForScreen(reader, centre, grey, 5000))
            std::printf("(The grey window did not show on the screen within 5 s.)\n\n");
    }

    const char* pictureName = ShowPictureName(W);
    Setup setup{};
    Block b{};
    if (!PrepareLikeLauncher(&setup, pictureName) || !FindLaunchersBlock(&b)) {
        std::printf("The launcher's surfaces could not be made: nothing measured.\n");
        return 1;
    }
    const uint32_t features = ProcessorFeatures();
    const int32_t best = BestBlendForm(features);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const unsigned long processors = system.dwNumberOfProcessors;
    std::printf("%lu processors. ", processors);
    PrintFeatures(features);
    std::printf("BlendSurface chooses the %s form. Picture %s, %d x %d, at (%d, %d).\n\n",
                FormName(best), pictureName, b.cx, b.cy, b.dstX, b.dstY);

    ScreenReader blockReader(b.cx, b.cy);
    SelectBlendForm(best);
    const Arrival arrival = CheckArrival(b, blockReader);

    // One pixel read alone: the X round trip inside the upload figure.
    std::vector<double> roundTrips;
    for (int i = 0; i < 200; ++i) {
        const int64_t t0 = Now();
        onePixel.Read(b.dstX, b.dstY);
        roundTrips.push_back(Ms(Now() - t0));
    }
    const Spread roundTrip = Summarise(roundTrips);

    // The whole frame, once per form of the blend. A show's worth of frames
    // at large screens, two at smaller ones.
    const int rounds = int64_t(W) * H > 4'000'000 ? 1 : 2;
    std::vector<FormTimes> forms;
    for (int32_t form : {kBlendPlain, kBlendSSE2, kBlendAVX2}) {
        if (SelectBlendForm(form) != form)
            continue;
        FormTimes t;
        t.name = FormName(form);
        TimeFrames(&t, b, onePixel, rounds);
        forms.push_back(std::move(t));
    }
    SelectBlendForm(best);

    // The blend alone.
    std::vector<BlendTimes> blends;
    const int blendRounds = 6;
    {
        BlendTimes plain{"BlendSurfacePlain", TimeSurfaceBlend(BlendSurfacePlain, b, blendRounds),
                         1.0, "reference"};
        blends.push_back(plain);
        auto add = [&](const char* name, SurfaceBlend form) {
            BlendTimes t{name, TimeSurfaceBlend(form, b, blendRounds), 0, ""};
            t.ratio = plain.spread.median / t.spread.median;
            t.same = SameAsPlain(form, b) ? "yes" : "NO";
            blends.push_back(t);
        };
        if (features & kCpuSSE2)
            add("BlendSurfaceSSE2", BlendSurfaceSSE2);
        if (features & kCpuAVX2)
            add("BlendSurfaceAVX2", BlendSurfaceAVX2);
        add((std::string("BlendSurface (") + FormName(best) + ")").c_str(), DispatchedBlend);
        const int calls = blendRounds * int(ShowLevels().size());
        BlendTimes pixelsPlain{"BlendPixelsPlain", TimePixelBlend(BlendPixelsPlain, b, calls), 1.0,
                               "reference"};
        blends.push_back(pixelsPlain);
        if (features & kCpuMMX) {
            BlendTimes mmx{"BlendPixelsMMX", TimePixelBlend(BlendPixelsMMX, b, calls), 0, ""};
            mmx.ratio = pixelsPlain.spread.median / mmx.spread.median;
            mmx.same = PixelsSameAsPlain(BlendPixelsMMX, b) ? "yes" : "NO";
            blends.push_back(mmx);
        }
    }

    // The frames the watcher of the show expects: the desktop (level 0
    // leaves it as it is), the first visible level and the last one.
    Restore();
    const Pixels desktop = CopyOut(g_backBuffer, b);
    Pixels levelFrames[3];
    const int frameLevels[3] = {0, 4, 3};
    for (int i = 0; i < 3; ++i) {
        Restore();
        BlendSurfacePlain(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX,
                          b.srcY, frameLevels[i]);
        levelFrames[i] = CopyOut(g_backBuffer, b);
    }
    const int64_t level0Differs = CountDiffering(levelFrames[0].data(), desktop.data(), b);
    const int64_t level4Differs = CountDiffering(levelFrames[1].data(), desktop.data(), b);
    const int64_t level3Differs = CountDiffering(levelFrames[2].data(), desktop.data(), b);

    // What the launcher holds for a show, computed.
    const double backBufferBytes = double(g_backBuffer.pitch) * g_backBuffer.height;
    const double copyBytes = double(g_backCopy.pitch) * g_backCopy.height;
    const double pictureBytes = double(g_splashImage.pitch) * g_splashImage.height;
    const double rowTableBytes = 4.0 * (g_backBuffer.height + g_backCopy.height + g_splashImage.height);
    const double paletteBytes = 8192;
    const double surfaceBytes = backBufferBytes + copyBytes + pictureBytes + rowTableBytes + paletteBytes;

    // Back to a plain grey desktop for the show.
    ShutdownDisplay();
    DestroySurface(&g_backCopy);
    DestroySurface(&g_splashImage);
    InvalidateRect(desktopWindow, nullptr, TRUE);
    UpdateWindow(desktopWindow);
    const bool desktopReady = WaitForScreen(blockReader, b, desktop, 5000);

    const ClockCheck clock = CompareClocks(self);
    const Bare bare = MeasureBare(self);
    const Memory& idle = bare.memory;
    Show show;
    if (!FileExists(launcher))
        show.problem = "no launcher at " + launcher;
    else if (!desktopReady)
        show.problem = "the grey desktop did not come back on the screen";
    else
        show = WatchShow(launcher, self, b, desktop, levelFrames[1], levelFrames[2]);

    // ------------------------------------------------------------ report
    const int frameCount = forms.empty() ? 0 : int(forms[0].frame.size());
    std::printf("### One frame as the launcher draws it\n\n");
    std::printf("%d frames per form of the blend (the levels of %s), each phase timed with "
                "QueryPerformanceCounter; median / 90th percentile in ms.\n\n",
                frameCount, rounds == 1 ? "one show" : "two shows");
    std::printf("| BlendSurface form | restore (BitBlt, 24 to 32 bits) | blend | present "
                "(BitBlt to the window) | upload to X | whole frame | our own code |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const FormTimes& t : forms) {
        const Spread frame = Summarise(t.frame);
        const Spread blend = Summarise(t.blend);
        std::printf("| %s | %s | %s | %s | %s | %s | %.2f %% |\n", t.name,
                    Cell(Summarise(t.restore)).c_str(), Cell(blend).c_str(),
                    Cell(Summarise(t.present)).c_str(), Cell(Summarise(t.upload)).c_str(),
                    Cell(frame).c_str(), 100.0 * blend.sum / frame.sum);
    }
    std::printf("\n\"Our own code\" is the blend's share of the whole frame's time (sums over all "
                "frames): everything else in the frame is the platform's restore and "
                "presentation. ");
    if (W == 1920 && H == 1080) {
        for (const FormTimes& t : forms)
            if (std::strcmp(t.name, FormName(best)) == 0) {
                const double share = 100.0 * Summarise(t.blend).sum / Summarise(t.frame).sum;
                std::printf("Target at 1920 x 1080, at most 2 %% in the form BlendSurface "
                            "chooses: %s (%.2f %%).",
                            share <= 2.0 ? "met" : "NOT met", share);
            }
    }
    std::printf("\n\nThe blend costs more inside the frame than alone (below): the restore has "
                "just written the whole back buffer, so the block comes from memory, not from "
                "the cache.");
    std::printf("\n\n\"Upload to X\" is Wine sending the window's pixels to the X server (it "
                "does so when the thread next finds its message queue empty) and the server "
                "putting them up, closed by a one-pixel read of the screen (%.3f ms median on "
                "its own); in the launcher it happens at the start of each wait.\n\n",
                roundTrip.median);

    std::printf("### When a presented frame reaches the X screen\n\n");
    std::printf("%d frames, the picture's block read back from the screen after each step.\n\n",
                arrival.frames);
    std::printf("| after | frames on the screen |\n|---|---:|\n");
    std::printf("| PresentBackBuffer | %d |\n", arrival.afterPresent);
    std::printf("| then GdiFlush | %d |\n", arrival.afterGdiFlush);
    std::printf("| then Sleep(60) | %d |\n", arrival.afterSleep);
    std::printf("| then PeekMessage until the queue is empty | %d |\n\n", arrival.afterEmptyTurn);
    if (arrival.afterPresent == 0 && arrival.afterGdiFlush == 0 && arrival.afterSleep == 0 &&
        arrival.afterEmptyTurn == arrival.frames)
        std::printf("PresentBackBuffer leaves the frame in Wine's copy of the window; the screen "
                    "read sees the old picture, so it reads from X and not from that copy. The "
                    "frame goes out at the first empty turn of the message queue, which is why "
                    "the upload column above is counted in the frame.\n\n");
    else
        std::printf("Frames reached the screen otherwise than through the empty turn of the "
                    "message queue alone: the upload column above may not be the whole "
                    "cost of sending a frame.\n\n");

    std::printf("### The blend alone, %d x %d into the back buffer\n\n", b.cx, b.cy);
    std::printf("%d calls each, over the show's levels; ms per call.\n\n",
                blendRounds * int(ShowLevels().size()));
    std::printf("| routine | median | 90th percentile | plain / this | same bytes as plain |\n");
    std::printf("|---|---:|---:|---:|---|\n");
    double dispatchedRatio = 0;
    for (const BlendTimes& t : blends) {
        std::printf("| %s | %.4f | %.4f | %.2f | %s |\n", t.name.c_str(), t.spread.median,
                    t.spread.p90, t.ratio, t.same);
        if (t.name.rfind("BlendSurface (", 0) == 0)
            dispatchedRatio = t.ratio;
    }
    std::printf("\nTarget, BlendSurface at least 3 times as fast as the plain form: %s (%.2f).\n\n",
                dispatchedRatio >= 3.0 ? "met" : "NOT met", dispatchedRatio);

    std::printf("### Once per show\n\n| step | ms |\n|---|---:|\n");
    std::printf("| InitDisplay (palette, back buffer) | %.3f |\n", setup.initDisplay);
    std::printf("| CreateSurface, 24-bit desktop copy | %.3f |\n", setup.createCopy);
    std::printf("| copy of the screen into it | %.3f |\n", setup.copyDesktop);
    std::printf("| first restore into the back buffer | %.3f |\n", setup.firstRestore);
    std::printf("| LoadSurfaceImage %s | %.3f |\n\n", pictureName, setup.loadPicture);

    std::printf("### The whole show: orveline.exe watched from the screen\n\n");
    if (!show.ran) {
        std::printf("Not run: %s.\n\n", show.problem.c_str());
    } else {
        std::printf("The launcher runs in its own process on the grey desktop; the picture's "
                    "block of the screen is read every %.2f ms (median), %d reads. The level-0 "
                    "frame equals the desktop (%lld pixels differ), so the first visible frame "
                    "is level 4 (%lld pixels differ from the desktop) and the last is level 3 "
                    "(%lld).\n\n",
                    show.pollGap, show.polls, (long long)level0Differs, (long long)level4Differs,
                    (long long)level3Differs);
        if (!show.problem.empty())
            std::printf("Problem: %s.\n\n", show.problem.c_str());
        std::printf("| event | ms after CreateProcess |\n|---|---:|\n");
        std::printf("| CreateProcess returned | %.1f |\n", show.created);
        std::printf("| first visible frame (%s level 4) | %.1f |\n",
                    show.firstIsLevel4 ? "equal to" : "NOT equal to", show.firstVisible);
        std::printf("| last new frame (%s level 3) | %.1f |\n",
                    show.lastIsLevel3 ? "equal to" : "NOT equal to", show.lastChange);
        std::printf("| screen back to the desktop | %.1f |\n", show.greyAgain);
        std::printf("| next program running (its first clock reading) | %.1f |\n", show.handoff);
        std::printf("| launcher's process ended | %.1f |\n\n", show.exited);

        // From the first visible frame to the last: 126 waits of the show
        // (62 of 20 ms, the last 20 ms with the 2 s hold, 63 of 10 ms), and
        // each of the 126 later frames drawn in between.
        const double nominalVisible = 62 * 20 + 20 + 2000 + 63 * 10;
        double drawing = 0;
        for (const FormTimes& t : forms)
            if (std::strcmp(t.name, FormName(best)) == 0)
                drawing = Summarise(t.restore).median + Summarise(t.blend).median +
                          Summarise(t.present).median;
        const double visible = show.lastChange - show.firstVisible;
        std::printf("| span | measured ms | nominal ms | difference |\n|---|---:|---:|---:|\n");
        std::printf("| first to last visible frame | %.1f | %.0f | %+.1f |\n", visible,
                    nominalVisible, visible - nominalVisible);
        std::printf("| CreateProcess to the next program | %.1f | 3920 | %+.1f |\n", show.handoff,
                    show.handoff - 3920);
        std::printf("| CreateProcess to the launcher's end | %.1f | 3920 | %+.1f |\n\n",
                    show.exited, show.exited - 3920);
        std::printf("New pictures seen on the screen: %d (the show has 127 visible frames; "
                    "reads %.2f ms apart can miss one now and then).\n\n",
                    show.changes, show.pollGap);
        std::printf("Where the time goes:\n\n");
        const double onceWork = setup.initDisplay + setup.createCopy + setup.copyDesktop +
                                setup.firstRestore + setup.loadPicture;
        const double twoFrames = 2 * drawing + 20;
        if (bare.timed) {
            std::printf("- Start, %.0f ms to the first visible frame. A bare Wine process runs its "
                        "first line %.0f ms after CreateProcess and has Wine's X driver loaded "
                        "(its first screen DC) at %.0f ms; the launcher's once-per-show work "
                        "takes %.0f ms (timed above); the level-0 frame, its 20 ms wait and the "
                        "level-4 frame %.0f ms. The other %.0f ms go to making and showing the "
                        "full-screen window and the rest of the launcher's start, not timed "
                        "apart.\n",
                        show.firstVisible, bare.firstLine, bare.display, onceWork, twoFrames,
                        show.firstVisible - bare.display - onceWork - twoFrames);
        } else {
            std::printf("- Start, %.0f ms to the first visible frame: the process start, the "
                        "launcher's once-per-show work (%.0f ms), the level-0 frame, its 20 ms "
                        "wait and the level-4 frame (%.0f ms).\n",
                        show.firstVisible, onceWork, twoFrames);
        }
        std::printf("- Frames, %+.0f ms over the nominal %.0f ms: each wait starts only after "
                    "its frame is drawn. The frames drawn here cost %.2f ms each to draw (restore "
                    "+ blend + present, medians above), %.0f ms for the 126; the other %+.0f ms "
                    "are the launcher's frames costing more or less than these while it shares "
                    "%lu processors with X and this watcher, and the waits, counted in whole "
                    "milliseconds of GetTickCount, ending up to 1 ms early.\n",
                    visible - nominalVisible, nominalVisible, drawing, 126 * drawing,
                    visible - nominalVisible - 126 * drawing, processors);
        std::printf("- End: the last frame stays %.0f ms on the screen before the window is "
                    "gone, and the next program runs %.0f ms after the last frame, %.0f ms after "
                    "the window went. Before Wine takes a full-screen window off the X screen it "
                    "waits up to 2 s for a window manager to confirm that the window was put up; "
                    "with none, as here, the whole 2 s pass with the last frame showing.\n\n",
                    show.greyAgain - show.lastChange, show.handoff - show.lastChange,
                    show.handoff - show.greyAgain);

        std::printf("### Memory of the launcher's process\n\n");
        if (!show.memory.filled) {
            std::printf("K32GetProcessMemoryInfo gave nothing for another process (%d readings).\n\n",
                        show.memory.readings);
        } else {
            std::printf("K32GetProcessMemoryInfo on the launcher every 10 ms while it ran (%d "
                        "readings), and on a bare Wine process with a window (%d). Wine fills "
                        "them for another process from Linux's counters of the whole process, "
                        "Wine's own libraries included: PeakWorkingSetSize is the peak resident "
                        "size; PagefileUsage is the private resident memory at that moment, and "
                        "PeakPagefileUsage %s.\n\n",
                        show.memory.readings, idle.readings,
                        show.memory.peakPagefileIsCurrent
                            ? "is the same value again, not a peak: the largest value read is shown"
                            : "differs from it");
            std::printf("| MiB | launcher | bare Wine process | difference |\n|---|---:|---:|---:|\n");
            std::printf("| PeakWorkingSetSize | %.1f | %.1f | %.1f |\n",
                        MiB(double(show.memory.peakWorkingSet)), MiB(double(idle.peakWorkingSet)),
                        MiB(double(show.memory.peakWorkingSet) - double(idle.peakWorkingSet)));
            std::printf("| largest PagefileUsage read | %.1f | %.1f | %.1f |\n",
                        MiB(double(show.memory.pagefile)), MiB(double(idle.pagefile)),
                        MiB(double(show.memory.pagefile) - double(idle.pagefile)));
            std::printf("| PagefileUsage at the first visible frame | %.1f | | %.1f |\n\n",
                        MiB(double(show.pagefileWhileShowing)),
                        MiB(double(show.pagefileWhileShowing) - double(idle.pagefile)));
        }
        std::printf("The launcher's own surfaces, computed: back buffer %.1f MiB (4 bytes a "
                    "pixel), desktop copy %.1f MiB (3 bytes a pixel, rows padded to 4 bytes), "
                    "picture %.2f MiB, row tables and palette block %.2f MiB: %.1f MiB. Wine "
                    "keeps its own copy of the window's pixels besides (another %.1f MiB, shared "
                    "with the X server).\n\n",
                    MiB(backBufferBytes), MiB(copyBytes), MiB(pictureBytes),
                    MiB(rowTableBytes + paletteBytes), MiB(surfaceBytes), MiB(4.0 * W * H));
        if (show.memory.filled && show.pagefileWhileShowing > 0) {
            std::printf("While the picture shows, the launcher's private memory is its surfaces "
                        "and a bare process's: %.1f MiB over the bare process, against %.1f "
                        "computed. Its peak is %.1f MiB higher for a moment before the first "
                        "frame; one screen of 4-byte pixels is %.1f MiB, the size of the image "
                        "of the screen that copying the desktop reads from X.\n\n",
                        MiB(double(show.pagefileWhileShowing) - double(idle.pagefile)),
                        MiB(surfaceBytes),
                        MiB(double(show.memory.pagefile) - double(show.pagefileWhileShowing)),
                        MiB(4.0 * W * H));
        }
        if (printTimeline) {
            std::printf("New pictures (ms after CreateProcess, pixels differing from the "
                        "desktop):\n\n");
            for (const auto& [ms, pixels] : show.timeline)
                std::printf("    %.1f %lld\n", ms, (long long)pixels);
            std::printf("\n");
        }
    }

    std::printf("### Clock across processes\n\n");
    if (!clock.ran) {
        std::printf("The clock comparison with a second process did not run.\n\n");
    } else {
        std::printf("QueryPerformanceCounter runs at %lld Hz. A second process read its clock "
                    "%d times between two readings of ours (brackets at most %.3f ms wide); "
                    "%d of its readings fell inside them, so the times of the launcher's next "
                    "program above are on this process's clock. Starting a bare Wine process "
                    "took %.1f ms (CreateProcess to its first line).\n\n",
                    (long long)frequency.QuadPart, int(kClockRounds), clock.widestBracket,
                    clock.inside, clock.startLatency);
    }
    std::fflush(stdout);

    DestroyWindow(desktopWindow);
    g_hWnd = nullptr;
    return 0;
}
