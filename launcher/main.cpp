// The launcher's main line: cover the screen with a snapshot of the desktop,
// fade the picture in at the centre, hold it, fade it out, close the window
// and start the next program.
#include "launcher.h"
#include "display.h"
#include "surface.h"

Surface g_backCopy;
Surface g_splashImage;

static const char kClassName[] = "Orveline";

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

static void RunFades(const SplashBlock* block)
{
    for (int32_t level = 0; level < 255; level += 4) {
        DrawFrame(block, level);
        WaitWithMessages(20);
        if (g_skipRequested)
            return;
    }
    WaitWithMessages(2000);
    if (g_skipRequested)
        return;
    for (int32_t level = 255; level > 0; level -= 4) {
        DrawFrame(block, level);
        WaitWithMessages(10);
        if (g_skipRequested)
            return;
    }
}

// The screen as it is now, before our window covers it.
static void CopyDesktop()
{
    HDC screenDc = GetDC(nullptr);
    HDC windowDc = GetDC(g_hWnd);
    HDC memDc = CreateCompatibleDC(windowDc);
    ReleaseDC(g_hWnd, windowDc);
    if (memDc != nullptr) {
        HGDIOBJ old = SelectObject(memDc, g_backCopy.hBitmap);
        BitBlt(memDc, 0, 0, g_screenWidth, g_screenHeight, screenDc, 0, 0, SRCCOPY);
        SelectObject(memDc, old);
        DeleteDC(memDc);
    }
    ReleaseDC(nullptr, screenDc);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand)
{
    (void)showCommand;
    g_hInstance = instance;

    if (previousInstance == nullptr) {
        WNDCLASSA windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = LauncherWndProc;
        windowClass.hInstance = g_hInstance;
        windowClass.hIcon = LoadIconA(g_hInstance, "ICON");
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassA(&windowClass))
            return 0;
    }

    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_hWnd = CreateWindowExA(0, kClassName, kClassName, WS_POPUP, 0, 0, g_screenWidth,
                             g_screenHeight, nullptr, nullptr, g_hInstance, nullptr);

    InitDisplay();
    CreateSurface(&g_backCopy, g_screenWidth, g_screenHeight, 24, "BackCopy");
    CopyDesktop();
    BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
    ShowWindow(g_hWnd, SW_SHOWMAXIMIZED);
    UpdateWindow(g_hWnd);

    LoadSurfaceImage(g_screenWidth <= 800 ? "Tal800" : "Tal1280", &g_splashImage, 0, 0);

    const char* next = commandLine[0] != '\0' ? commandLine : "setup.exe";
    const bool haveSplash = g_splashImage.hBitmap != nullptr;
    if (!haveSplash) {
        // Nothing to show: the next program must not wait for us.
        StartNextProgram(next);
    } else {
        // Without a back buffer there is nothing to fade into, and the blend
        // would write through a null pointer: the window simply closes.
        SplashBlock block;
        if (g_backBuffer.hBitmap != nullptr && FindSplashBlock(&block))
            RunFades(&block);
    }

    // Releases the display and destroys the window, which posts the quit
    // message that ends the loop. Without a window no quit message would
    // ever come: the loop would wait for ever.
    MSG msg = {};
    if (g_hWnd != nullptr) {
        SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } else {
        ShutdownDisplay();
    }
    if (g_backCopy.hBitmap != nullptr)
        DestroySurface(&g_backCopy);
    if (g_splashImage.hBitmap != nullptr)
        DestroySurface(&g_splashImage);

    if (haveSplash)
        StartNextProgram(next);
    return (int)msg.wParam;
}
