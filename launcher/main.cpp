// The launcher's main line: cover the screen with a snapshot of the desktop,
// fade the picture in at the centre, hold it, fade it out, close the window
// and start the next program.
#include "launcher.h"
#include "display.h"
#include "surface.h"

Surface g_backCopy;
Surface g_splashImage;

static const char kClassName[] = "Orveline";

// The exit code says whether the installer was started: an installer front
// end that ends "successfully" without starting it would hide the failure.
static const int kExitStarted = 0;
static const int kExitNotStarted = 1;

// The part of the picture that lands on the back buffer when the picture is
// centred on the screen: all of it, unless it is larger than the screen.
struct SplashBlock {
    int32_t dstX, dstY, cx, cy, srcX, srcY;
};

static int FindSplashBlock(SplashBlock* block)
{
    block->dstX = (g_screenWidth - g_splashImage.width) / 2;
    block->dstY = (g_screenHeight - g_splashImage.height) / 2;
    block->cx = g_splashImage.width;
    block->cy = g_splashImage.height;
    block->srcX = 0;
    block->srcY = 0;
    // The blend itself tests nothing: keep it inside both surfaces.
    return ClipBlock(&g_backBuffer, &block->dstX, &block->dstY, &block->cx, &block->cy,
                     &g_splashImage, &block->srcX, &block->srcY);
}

// One frame: every frame starts from the untouched desktop copy, so the
// picture never builds up over itself.
static void DrawFrame(const SplashBlock* block, int32_t level)
{
    BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
    BlendSurface(&g_backBuffer, block->dstX, block->dstY, block->cx, block->cy,
                 &g_splashImage, block->srcX, block->srcY, level);
    PresentBackBuffer();
}

// False once the show must stop: a skip, a close request or a quit message
// was taken, or the back buffer was released with the window.
static bool ShowGoesOn()
{
    return !g_skipRequested && g_backBuffer.hBitmap != nullptr;
}

// Asked before every frame and every wait, so that a close request handled
// at any moment, even before the first frame, stops the drawing at once.
static void RunFades(const SplashBlock* block)
{
    for (int32_t level = 0; level < 255 && ShowGoesOn(); level += 4) {
        DrawFrame(block, level);
        WaitWithMessages(20);
    }
    if (ShowGoesOn())
        WaitWithMessages(2000);
    for (int32_t level = 255; level > 0 && ShowGoesOn(); level -= 4) {
        DrawFrame(block, level);
        WaitWithMessages(10);
    }
}

// The screen as it is now, before our window covers it. False when there is
// no copy: every frame would then build up over a black buffer.
static bool CopyDesktop()
{
    if (g_backCopy.hBitmap == nullptr)
        return false;
    HDC screenDc = GetDC(nullptr);
    HDC windowDc = GetDC(g_hWnd);
    HDC memDc = CreateCompatibleDC(windowDc);
    ReleaseDC(g_hWnd, windowDc);
    BOOL copied = FALSE;
    if (memDc != nullptr) {
        HGDIOBJ old = SelectObject(memDc, g_backCopy.hBitmap);
        copied = BitBlt(memDc, 0, 0, g_screenWidth, g_screenHeight, screenDc, 0, 0, SRCCOPY);
        SelectObject(memDc, old);
        DeleteDC(memDc);
    }
    ReleaseDC(nullptr, screenDc);
    return copied != FALSE;
}

static bool RegisterLauncherClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = g_hInstance;
    windowClass.hIcon = LoadIconA(g_hInstance, "ICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

// Releases the display and destroys the window, unless a close request
// during the show already did, then takes every message up to the quit
// that the destruction posted. Without a window no quit would ever come.
static void CloseWindowAndDrain()
{
    if (g_hWnd == nullptr) {
        ShutdownDisplay();
        return;
    }
    if (IsWindow(g_hWnd))
        SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand)
{
    (void)showCommand;
    g_hInstance = instance;
    // Taken from the full command line rather than the start-up code's
    // copy, which drops bytes of 0x80 and above that follow our name.
    const char* commandLine = CommandLineAfterName(GetCommandLineA());
    const char* next = commandLine[0] != '\0' ? commandLine : "setup.exe";

    // No class, no window and no show; the installer must still run.
    if (previousInstance == nullptr && !RegisterLauncherClass())
        return StartNextProgram(next) ? kExitStarted : kExitNotStarted;

    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_hWnd = CreateWindowExA(0, kClassName, kClassName, WS_POPUP, 0, 0, g_screenWidth,
                             g_screenHeight, nullptr, nullptr, g_hInstance, nullptr);

    InitDisplay();
    CreateSurface(&g_backCopy, g_screenWidth, g_screenHeight, 24, "BackCopy");
    const bool haveDesktop = CopyDesktop();
    if (haveDesktop) {
        BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
        ShowWindow(g_hWnd, SW_SHOWMAXIMIZED);
        UpdateWindow(g_hWnd);
        LoadSurfaceImage(g_screenWidth <= 800 ? "Tal800" : "Tal1280", &g_splashImage, 0, 0);
    }

    // Without the desktop copy there is no show either, and the window is
    // never shown.
    const bool haveSplash = haveDesktop && g_splashImage.hBitmap != nullptr;
    int started = 0;
    if (!haveSplash) {
        // Nothing to show: the next program must not wait for us.
        started = StartNextProgram(next);
    } else {
        // Without a back buffer there is nothing to fade into, and the blend
        // would write through a null pointer: the window simply closes.
        SplashBlock block;
        if (g_backBuffer.hBitmap != nullptr && FindSplashBlock(&block))
            RunFades(&block);
    }

    CloseWindowAndDrain();
    // Also clears a record that kept its sizes when its bitmap was refused.
    DestroySurface(&g_backCopy);
    DestroySurface(&g_splashImage);

    if (haveSplash)
        started = StartNextProgram(next);
    return started ? kExitStarted : kExitNotStarted;
}
