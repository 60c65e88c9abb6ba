// The picture's block as pixels, reading it back from the screen, and the
// full-screen grey window that stands for the desktop.
#include "frame_bench.h"

#include "display.h"
#include "frame.h"
#include "window.h"

#include <cstring>

// ---------------------------------------------------------------- pixels

// The levels of one whole show, in the launcher's order.
std::vector<int> ShowLevels()
{
    std::vector<int> levels;
    for (int32_t frame = 0; frame < kShowFrameCount; ++frame)
        levels.push_back(ShowLevel(frame));
    return levels;
}

bool FindLaunchersBlock(Block* block)
{
    return FindSplashBlock(g_screenWidth, g_screenHeight, &g_backBuffer, &g_splashImage, block) !=
           0;
}

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

// ---------------------------------------------------------------- screen

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

namespace {

const char kDesktopClass[] = "OrvelineFrameBenchDesktop";

LRESULT CALLBACK DesktopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The class brush paints the grey; everything else is the default.
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateDesktopWindow(HINSTANCE instance, int32_t width, int32_t height)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DesktopProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = CreateSolidBrush(kDesktopGrey);
    windowClass.lpszClassName = kDesktopClass;
    if (!RegisterClassA(&windowClass))
        return nullptr;
    HWND hwnd = CreateWindowExA(0, kDesktopClass, "desktop", WS_POPUP, 0, 0, width, height, nullptr,
                                nullptr, instance, nullptr);
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
