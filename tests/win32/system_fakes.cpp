#include "system_fakes.h"

#include "call_log.h"
#include "import_hook.h"

#include <cstring>

namespace {

decltype(&GetSystemMetrics) realGetSystemMetrics;
decltype(&GetDeviceCaps) realGetDeviceCaps;
decltype(&SystemParametersInfoA) realSystemParametersInfo;
decltype(&GetCursorPos) realGetCursorPos;
decltype(&MonitorFromPoint) realMonitorFromPoint;
decltype(&GetMonitorInfoA) realGetMonitorInfo;
typedef HRESULT(WINAPI* GetDpiForMonitorProc)(HMONITOR, int, UINT*, UINT*);
GetDpiForMonitorProc realGetDpiForMonitor;

SystemFakeSettings given;
SystemFakeRecord seen;

int WINAPI FakeGetSystemMetrics(int index)
{
    LogCall("GetSystemMetrics");
    if (index == SM_CXSCREEN && given.screenWidth > 0)
        return given.screenWidth;
    if (index == SM_CYSCREEN && given.screenHeight > 0)
        return given.screenHeight;
    if (index == SM_REMOTESESSION)
        return given.remote ? 1 : 0;
    return realGetSystemMetrics(index);
}

int WINAPI FakeGetDeviceCaps(HDC dc, int index)
{
    if ((index == LOGPIXELSX || index == LOGPIXELSY) && given.dpi > 0)
        return given.dpi;
    return realGetDeviceCaps(dc, index);
}

// Animations are on unless a run says otherwise, whatever the prefix holds.
BOOL WINAPI FakeSystemParametersInfo(UINT action, UINT value, void* answer, UINT update)
{
    if (action != SPI_GETCLIENTAREAANIMATION)
        return realSystemParametersInfo(action, value, answer, update);
    if (given.noAnimationSetting)
        return FALSE;
    *static_cast<BOOL*>(answer) = given.animationsOff ? FALSE : TRUE;
    return TRUE;
}

// A fake monitor layout, which only a product that asks for the pointer's
// monitor looks at: monitor i is the handle i + 1.
BOOL WINAPI FakeGetCursorPos(POINT* point)
{
    *point = given.cursor;
    return TRUE;
}

HMONITOR WINAPI FakeMonitorFromPoint(POINT point, DWORD flags)
{
    for (size_t i = 0; i < given.monitors.size(); ++i)
        if (PtInRect(&given.monitors[i], point))
            return reinterpret_cast<HMONITOR>(i + 1);
    return flags == MONITOR_DEFAULTTOPRIMARY ? reinterpret_cast<HMONITOR>(1) : nullptr;
}

BOOL WINAPI FakeGetMonitorInfo(HMONITOR monitor, MONITORINFO* info)
{
    const size_t i = reinterpret_cast<size_t>(monitor) - 1;
    if (i >= given.monitors.size())
        return FALSE;
    info->rcMonitor = info->rcWork = given.monitors[i];
    return TRUE;
}

HRESULT WINAPI FakeGetDpiForMonitor(HMONITOR monitor, int type, UINT* x, UINT* y)
{
    seen.dpiMonitors.push_back(monitor);
    seen.dpiTypes.push_back(type);
    const int dpi = given.monitorDpi > 0 ? given.monitorDpi : given.dpi;
    if (dpi <= 0)
        return realGetDpiForMonitor(monitor, type, x, y);
    *x = *y = UINT(dpi);
    return S_OK;
}

// The registry holds GlassSessionId as the run says; only that value is
// ever read.
const HKEY kTerminalServerKey = reinterpret_cast<HKEY>(0x7e57);

LONG WINAPI FakeRegOpenKeyEx(HKEY root, LPCSTR name, DWORD, REGSAM, HKEY* key)
{
    if (root != HKEY_LOCAL_MACHINE ||
        _stricmp(name, "SYSTEM\\CurrentControlSet\\Control\\Terminal Server") != 0)
        return ERROR_FILE_NOT_FOUND;
    ++seen.keysOpened;
    *key = kTerminalServerKey;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeRegQueryValueEx(HKEY key, LPCSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    if (key != kTerminalServerKey || std::strcmp(name, "GlassSessionId") != 0 ||
        given.glassSession == kNoGlassSession)
        return ERROR_FILE_NOT_FOUND;
    if (*size < sizeof(DWORD))
        return ERROR_MORE_DATA;
    DWORD ours = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ours);
    const DWORD glass = given.glassSession == kOurGlassSession ? ours : ours + 1;
    std::memcpy(data, &glass, sizeof glass);
    *type = REG_DWORD;
    *size = sizeof glass;
    return ERROR_SUCCESS;
}

LONG WINAPI FakeRegCloseKey(HKEY key)
{
    if (key != kTerminalServerKey)
        return ERROR_INVALID_HANDLE;
    ++seen.keysClosed;
    return ERROR_SUCCESS;
}

}  // namespace

FARPROC LookUpRegistry(const char* name, FARPROC real)
{
    if (given.glassSession == kRealGlassSession)
        return real;
    void* fake =
        std::strcmp(name, "RegOpenKeyExA") == 0      ? reinterpret_cast<void*>(&FakeRegOpenKeyEx)
        : std::strcmp(name, "RegQueryValueExA") == 0 ? reinterpret_cast<void*>(&FakeRegQueryValueEx)
        : std::strcmp(name, "RegCloseKey") == 0      ? reinterpret_cast<void*>(&FakeRegCloseKey)
                                                     : nullptr;
    return fake != nullptr ? reinterpret_cast<FARPROC>(fake) : real;
}

void ResetSystemFakes(const SystemFakeSettings& settings)
{
    given = settings;
    seen = SystemFakeRecord{};
}

const SystemFakeRecord& SystemFakesSaw()
{
    return seen;
}

bool InstallSystemFakes()
{
    return InstallImportHooks({
        {realGetSystemMetrics, "user32.dll", "GetSystemMetrics", &FakeGetSystemMetrics},
        {realGetDeviceCaps, "gdi32.dll", "GetDeviceCaps", &FakeGetDeviceCaps},
        {realSystemParametersInfo, "user32.dll", "SystemParametersInfoA",
         &FakeSystemParametersInfo},
        {realGetCursorPos, "user32.dll", "GetCursorPos", &FakeGetCursorPos},
        {realMonitorFromPoint, "user32.dll", "MonitorFromPoint", &FakeMonitorFromPoint},
        {realGetMonitorInfo, "user32.dll", "GetMonitorInfoA", &FakeGetMonitorInfo},
    });
}

FARPROC LookUpGetDpiForMonitor(FARPROC real)
{
    realGetDpiForMonitor = reinterpret_cast<GetDpiForMonitorProc>(reinterpret_cast<void*>(real));
    return given.monitorDpi < 0 || realGetDpiForMonitor == nullptr
               ? nullptr
               : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeGetDpiForMonitor));
}
