// The launcher's window procedure and the wait between frames.
#include "window.h"
#include "dll_search.h"
#include "display.h"

uint8_t g_skipRequested;

// The back buffer is the window's whole picture: copy it, nothing else.
static void PaintBackBuffer(HWND hwnd)
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(hwnd, &paint);
    if (hdc != nullptr && g_backBuffer.hBitmap != nullptr) {
        HDC memDc = CreateCompatibleDC(hdc);
        if (memDc != nullptr) {
            HGDIOBJ old = SelectObject(memDc, g_backBuffer.hBitmap);
            // Its own size: a screen that changed size since would reach
            // past the bitmap.
            BitBlt(hdc, 0, 0, g_backBuffer.width, g_backBuffer.height, memDc, 0, 0, SRCCOPY);
            SelectObject(memDc, old);
            DeleteDC(memDc);
        }
    }
    // Validates the window even when there was nothing to paint, or the
    // platform would send WM_PAINT again at once, for ever.
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK LauncherWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND:
        // The paint that follows covers the whole window with the back
        // buffer. Erased first with the class's white brush, the screen
        // could show that white for a frame: a composing window manager
        // may present the window between the erase and the paint.
        if (g_backBuffer.hBitmap != nullptr)
            return 1;
        break;
    case WM_PAINT:
        PaintBackBuffer(hwnd);
        return 0;
    case WM_CLOSE:
        // A close request (Alt+F4, the taskbar, Task Manager) ends the show
        // as a skip does: the show must not draw into the back buffer
        // released here, and the next program still starts.
        g_skipRequested = 1;
        // Not passed on: the window goes only through this DestroyWindow,
        // after the display it shows has been released. Released even
        // without a back buffer: the palette may exist all the same.
        ShutdownDisplay();
        if (hwnd != nullptr)
            DestroyWindow(hwnd);
        return 0;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        g_skipRequested = 1;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// dwmapi.dll's, from Windows Vista on; declared here so that the program
// needs no import of it and still starts on older systems.
typedef HRESULT(WINAPI* DwmSetWindowAttributeProc)(HWND, DWORD, LPCVOID, DWORD);
static const DWORD kDwmTransitionsForceDisabled = 3;  // DWMWA_TRANSITIONS_FORCEDISABLED

void DisableTransitions(HWND window)
{
    HMODULE dwm = LoadSystemLibrary("dwmapi.dll");
    if (dwm == nullptr)
        return;
    DwmSetWindowAttributeProc setAttribute =
        (DwmSetWindowAttributeProc)(void*)GetProcAddress(dwm, "DwmSetWindowAttribute");
    const BOOL disabled = TRUE;
    if (setAttribute != nullptr)
        setAttribute(window, kDwmTransitionsForceDisabled, &disabled, sizeof disabled);
    // The attribute stays with the window; the library is not needed for it.
    FreeLibrary(dwm);
}

void PumpOneMessage()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return;
    if (msg.message == WM_QUIT) {
        // Taken here, the quit would be lost to the final message loop,
        // which would then wait for ever. It ends the show, and is posted
        // again for that loop.
        g_skipRequested = 1;
        PostQuitMessage((int)msg.wParam);
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void WaitWithMessages(uint32_t milliseconds)
{
    const DWORD start = GetTickCount();
    // Unsigned difference: right across the tick counter's wrap after 49 days.
    while ((uint32_t)(GetTickCount() - start) < milliseconds) {
        PumpOneMessage();
        if (g_skipRequested)
            return;
    }
}
