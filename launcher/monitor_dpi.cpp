// The DPI a monitor is scaled to.
#include "screen.h"
#include "dll_search.h"

// shcore.dll's, from Windows 8.1 on; MDT_EFFECTIVE_DPI is 0. Declared here
// so that the program needs no import of it and still starts on older
// systems.
typedef HRESULT(WINAPI* GetDpiForMonitorProc)(HMONITOR, int, UINT*, UINT*);
static const int kEffectiveDpi = 0;

// The system DPI, the one all monitors share before Windows 8.1.
static int32_t SystemDpi()
{
    HDC screen = GetDC(nullptr);
    const int32_t dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    ReleaseDC(nullptr, screen);
    return dpi;
}

int32_t MonitorDpi(HMONITOR monitor)
{
    HMODULE shcore = monitor != nullptr ? LoadSystemLibrary("shcore.dll") : nullptr;
    if (shcore == nullptr)
        return SystemDpi();
    GetDpiForMonitorProc getDpi =
        (GetDpiForMonitorProc)(void*)GetProcAddress(shcore, "GetDpiForMonitor");
    UINT dpiX = 0, dpiY = 0;
    const bool known = getDpi != nullptr &&
                       SUCCEEDED(getDpi(monitor, kEffectiveDpi, &dpiX, &dpiY)) && dpiX > 0 &&
                       dpiX <= 4800;
    FreeLibrary(shcore);
    return known ? int32_t(dpiX) : SystemDpi();
}
