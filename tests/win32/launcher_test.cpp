// The window procedure, the wait, and the main line, on real windows under
// Wine. The main line runs whole inside this program: its calls to the
// platform's clock, screen size, start of programs and block transfers go
// through this program's import table, where the tests put their own, so a
// show runs in a moment and every frame it presents can be looked at.
#include "launcher.h"
#include "display.h"
#include "import_hook.h"
#include "../show_levels.h"
#include "show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

namespace {

// What the main line did, as the hooks saw it.
const int kNoEnding = -1000, kBeforeFirstFrame = -1;

struct ShowRun {
    // Settings for the next run.
    int screenWidth = 0, screenHeight = 0;  // 0: the real screen
    bool fastClock = false;                 // every reading of the clock 7 ms on
    bool noBackBuffer = false;              // screen-sized 32-bit bitmaps fail
    bool noPicture = false;                 // resources are not found
    bool noWindow = false;                  // the window cannot be created
    int clickAtFrame = -1;                  // a right click after that fade frame
    UINT ending = 0;                        // WM_CLOSE, WM_SYSCOMMAND (SC_CLOSE) or WM_QUIT,
    int endAtFrame = kNoEnding;             // posted after that frame, or sent while
    DWORD endDelayMs = 0;                   // the picture loads; this long after the frame
    bool noDesktopCopy = false;             // the screen-sized 24-bit copy fails
    std::string fullCommandLine;            // what GetCommandLineA answers; empty: the real one
    int dpi = 0;                            // what the screen says of itself; 0: the real one
    int monitorDpi = 0;                     // GetDpiForMonitor's own answer; 0: dpi; -1: no such function
    std::vector<int> scales = {125, 150, 175, 200, 250, 300};  // the scaled pictures found
    bool noProductRecord = false;           // the vendor's product record is missing
    UINT winExecResult = 33;                // above 31: started
    DWORD winExecError = ERROR_SUCCESS;     // the last error WinExec leaves
    BOOL shellResult = TRUE;                // what ShellExecuteExA answers
    DWORD shellError = ERROR_SUCCESS;
    bool noSetDefaultDllDirectories = false;  // a system before Windows 8 without its update
    std::wstring ownPath;                   // what GetModuleFileNameW answers; empty: the real one
    bool animationsOff = false;             // Windows' "animation effects" turned off
    bool noAnimationSetting = false;        // a system before Vista, which lacks the setting
    bool remote = false;                    // a Remote Desktop session
    std::string productRecord;              // read in the place of PRODUCT; empty: PRODUCT
    bool realCreate = false;                // CreateProcessA starts for real; else it fails
    DWORD createError = ERROR_FILE_NOT_FOUND;
    std::string shellChild;                 // started for real by the shell when a handle is asked
    std::vector<RECT> monitors;             // the first is the primary
    POINT cursor = {};

    // Observations.
    std::vector<std::string> started;       // WinExec command lines
    std::vector<UINT> showCommands;
    bool windowAliveAtStart = false;
    int paints = 0;                         // transfers to the window before the picture
    std::vector<std::vector<uint8_t>> frames;  // the back buffer at each new fade frame
    std::vector<uint8_t> desktop, picture;  // the desktop copy and the picture
    int pictureWidth = 0, pictureHeight = 0;
    HBITMAP backBuffer = nullptr, backCopy = nullptr, splash = nullptr;
    HPALETTE palette = nullptr;
    std::vector<SHELLEXECUTEINFOA> shellStarts;  // strings copied below
    std::vector<std::string> shellFiles, shellParameters, shellDirectories;
    bool shellOwnerLive = false;            // the window the shell was given, at the call
    bool windowShown = false;               // the launcher's window was ever shown
    std::vector<std::string> librariesLoaded;
    int librariesFreed = 0;
    bool ended = false;                     // the ending was given
    DWORD clockAtFrame = 0;                 // the fast clock at the last new frame
    bool hung = false;                      // the final message loop had to be woken
    std::vector<std::string> calls;         // the platform calls below, in order
    std::vector<DWORD> frameClocks;         // the fast clock at each new frame
    std::wstring title;                     // the window's title at the first frame
    std::vector<std::string> resourcesAsked, filesOpened;
    std::vector<HMONITOR> dpiMonitors;      // the monitors GetDpiForMonitor was asked of
    std::vector<int> dpiTypes;
    DWORD clockAtStart = 0;                 // the fast clock when the next program started
    std::vector<std::string> created;       // CreateProcessA command lines
    std::vector<bool> createdNamed;         // with an application name
    std::vector<STARTUPINFOA> startups;
    std::vector<HANDLE> handlesGiven, handlesClosed;
    int windowsAsked = 0;
    RECT windowRect = {};                   // where the launcher asked for its window
    std::vector<RECT> earlyBlits;           // source corner and size of each copy before the picture
    SIZE lastRestore = {};                  // the last copy from the desktop copy, with the picture
    std::vector<SIZE> frameRestores, framePresents;  // at each new frame: that copy and the present
};
ShowRun g_run;
DWORD g_clock;

decltype(&GetSystemMetrics) realGetSystemMetrics;
decltype(&GetTickCount) realGetTickCount;
decltype(&WinExec) realWinExec;
decltype(&BitBlt) realBitBlt;
decltype(&CreateDIBSection) realCreateDibSection;
decltype(&FindResourceA) realFindResource;
decltype(&CreateWindowExA) realCreateWindow;
decltype(&GetProcAddress) realGetProcAddress;
decltype(&LoadLibraryA) realLoadLibrary;
decltype(&FreeLibrary) realFreeLibrary;
decltype(&GetCommandLineA) realGetCommandLine;
decltype(&SetDllDirectoryA) realSetDllDirectory;
decltype(&GetDeviceCaps) realGetDeviceCaps;
decltype(&CreateFileA) realCreateFile;
decltype(&ShowWindow) realShowWindow;
decltype(&GetModuleFileNameW) realGetModuleFileNameW;
decltype(&SystemParametersInfoA) realSystemParametersInfo;
decltype(&CreateProcessA) realCreateProcess;
decltype(&CloseHandle) realCloseHandle;
decltype(&GetCursorPos) realGetCursorPos;
decltype(&MonitorFromPoint) realMonitorFromPoint;
decltype(&GetMonitorInfoA) realGetMonitorInfo;

BOOL WINAPI FakeCreateProcess(LPCSTR name, LPSTR line, LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                              BOOL inherit, DWORD flags, LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION created)
{
    g_run.calls.push_back("CreateProcessA");
    g_run.created.push_back(line != nullptr ? line : "(null)");
    g_run.createdNamed.push_back(name != nullptr);
    g_run.startups.push_back(*startup);
    g_run.windowAliveAtStart = g_hWnd != nullptr && IsWindow(g_hWnd);
    if (!g_run.realCreate) {
        SetLastError(g_run.createError);
        return FALSE;
    }
    const BOOL ok = realCreateProcess(name, line, process, thread, inherit, flags, environment, folder, startup,
                                      created);
    if (ok) {
        g_run.handlesGiven.push_back(created->hProcess);
        g_run.handlesGiven.push_back(created->hThread);
    }
    return ok;
}

BOOL WINAPI RecordCloseHandle(HANDLE handle)
{
    g_run.handlesClosed.push_back(handle);
    return realCloseHandle(handle);
}

// A fake monitor layout, which only a product that asks for the pointer's
// monitor looks at: monitor i is the handle i + 1.
BOOL WINAPI FakeGetCursorPos(POINT* point)
{
    *point = g_run.cursor;
    return TRUE;
}

HMONITOR WINAPI FakeMonitorFromPoint(POINT point, DWORD flags)
{
    for (size_t i = 0; i < g_run.monitors.size(); ++i)
        if (PtInRect(&g_run.monitors[i], point))
            return reinterpret_cast<HMONITOR>(i + 1);
    return flags == MONITOR_DEFAULTTOPRIMARY ? reinterpret_cast<HMONITOR>(1) : nullptr;
}

BOOL WINAPI FakeGetMonitorInfo(HMONITOR monitor, MONITORINFO* info)
{
    const size_t i = reinterpret_cast<size_t>(monitor) - 1;
    if (i >= g_run.monitors.size())
        return FALSE;
    info->rcMonitor = info->rcWork = g_run.monitors[i];
    return TRUE;
}

// Animations are on unless a run says otherwise, whatever the prefix holds.
BOOL WINAPI FakeSystemParametersInfo(UINT action, UINT value, void* answer, UINT update)
{
    if (action != SPI_GETCLIENTAREAANIMATION)
        return realSystemParametersInfo(action, value, answer, update);
    if (g_run.noAnimationSetting)
        return FALSE;
    *static_cast<BOOL*>(answer) = g_run.animationsOff ? FALSE : TRUE;
    return TRUE;
}

BOOL WINAPI RecordShowWindow(HWND window, int show)
{
    if (window == g_hWnd && show != SW_HIDE)
        g_run.windowShown = true;
    return realShowWindow(window, show);
}

DWORD WINAPI FakeGetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size)
{
    if (module != nullptr || g_run.ownPath.empty())
        return realGetModuleFileNameW(module, name, size);
    const DWORD length = DWORD(g_run.ownPath.size());
    if (size <= length)
        return 0;
    std::memcpy(name, g_run.ownPath.c_str(), (length + 1) * sizeof(wchar_t));
    return length;
}

int WINAPI FakeGetDeviceCaps(HDC dc, int index)
{
    if ((index == LOGPIXELSX || index == LOGPIXELSY) && g_run.dpi > 0)
        return g_run.dpi;
    return realGetDeviceCaps(dc, index);
}

HANDLE WINAPI RecordCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE pattern)
{
    g_run.filesOpened.push_back(name != nullptr ? name : "(null)");
    return realCreateFile(name, access, share, security, disposition, flags, pattern);
}

// A request to end the show, as the platform would deliver it.
void GiveEnding(bool sent)
{
    g_run.ended = true;
    if (g_run.ending == WM_QUIT) {
        PostQuitMessage(0);
        return;
    }
    const WPARAM w = g_run.ending == WM_SYSCOMMAND ? SC_CLOSE : 0;
    if (sent)
        SendMessageA(g_hWnd, g_run.ending, w, 0);
    else
        PostMessageA(g_hWnd, g_run.ending, w, 0);
}

// The DLL search is restricted in the test only on record: the test
// program itself goes on loading as before.
BOOL WINAPI RecordSetDefaultDllDirectories(DWORD flags)
{
    g_run.calls.push_back("SetDefaultDllDirectories " + std::to_string(flags));
    return TRUE;
}

BOOL WINAPI RecordSetDllDirectory(LPCSTR path)
{
    g_run.calls.push_back(std::string("SetDllDirectoryA [") + (path ? path : "null") + "]");
    return TRUE;
}

LPSTR WINAPI FakeGetCommandLine()
{
    g_run.calls.push_back("GetCommandLineA");
    if (g_run.fullCommandLine.empty())
        return realGetCommandLine();
    return g_run.fullCommandLine.data();
}

int WINAPI FakeGetSystemMetrics(int index)
{
    g_run.calls.push_back("GetSystemMetrics");
    if (index == SM_CXSCREEN && g_run.screenWidth > 0)
        return g_run.screenWidth;
    if (index == SM_CYSCREEN && g_run.screenHeight > 0)
        return g_run.screenHeight;
    if (index == SM_REMOTESESSION)
        return g_run.remote ? 1 : 0;
    return realGetSystemMetrics(index);
}

DWORD WINAPI FakeGetTickCount()
{
    if (!g_run.fastClock)
        return realGetTickCount();
    g_clock += 7;
    if (g_run.ending != 0 && !g_run.ended && g_run.endAtFrame >= 0 &&
        int(g_run.frames.size()) == g_run.endAtFrame + 1 &&
        g_clock - g_run.clockAtFrame >= g_run.endDelayMs)
        GiveEnding(false);
    return g_clock;
}

UINT WINAPI FakeWinExec(LPCSTR commandLine, UINT show)
{
    g_run.calls.push_back("WinExec");
    g_run.started.push_back(commandLine);
    g_run.showCommands.push_back(show);
    g_run.windowAliveAtStart = g_hWnd != nullptr && IsWindow(g_hWnd);
    g_run.clockAtStart = g_clock;
    SetLastError(g_run.winExecError);
    return g_run.winExecResult;
}

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    g_run.shellStarts.push_back(*info);
    g_run.shellFiles.push_back(info->lpFile != nullptr ? info->lpFile : "(null)");
    g_run.shellParameters.push_back(info->lpParameters != nullptr ? info->lpParameters : "(null)");
    g_run.shellDirectories.push_back(info->lpDirectory != nullptr ? info->lpDirectory : "(null)");
    DWORD process = 0;
    g_run.shellOwnerLive = IsWindow(info->hwnd) && IsWindowVisible(info->hwnd) &&
                           GetWindowThreadProcessId(info->hwnd, &process) != 0 &&
                           process == GetCurrentProcessId();
    info->hProcess = nullptr;
    if (g_run.shellResult && !g_run.shellChild.empty() && (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child;
        if (realCreateProcess(nullptr, g_run.shellChild.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &child)) {
            realCloseHandle(child.hThread);
            info->hProcess = child.hProcess;
            g_run.handlesGiven.push_back(child.hProcess);
        }
    }
    SetLastError(g_run.shellError);
    return g_run.shellResult;
}

typedef HRESULT(WINAPI* GetDpiForMonitorProc)(HMONITOR, int, UINT*, UINT*);
GetDpiForMonitorProc realGetDpiForMonitor;

HRESULT WINAPI FakeGetDpiForMonitor(HMONITOR monitor, int type, UINT* x, UINT* y)
{
    g_run.dpiMonitors.push_back(monitor);
    g_run.dpiTypes.push_back(type);
    const int dpi = g_run.monitorDpi > 0 ? g_run.monitorDpi : g_run.dpi;
    if (dpi <= 0)
        return realGetDpiForMonitor(monitor, type, x, y);
    *x = *y = UINT(dpi);
    return S_OK;
}

// The shell and the monitor's DPI are looked up by name at run time: those
// lookups get the fakes.
FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    if (HIWORD(name) != 0 && std::strcmp(name, "GetDpiForMonitor") == 0) {
        realGetDpiForMonitor = reinterpret_cast<GetDpiForMonitorProc>(
            reinterpret_cast<void*>(realGetProcAddress(module, name)));
        return g_run.monitorDpi < 0 || realGetDpiForMonitor == nullptr
                   ? nullptr
                   : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeGetDpiForMonitor));
    }
    if (HIWORD(name) != 0 && std::strcmp(name, "ShellExecuteExA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeShellExecuteEx));
    if (HIWORD(name) != 0 && std::strcmp(name, "SetDefaultDllDirectories") == 0)
        return g_run.noSetDefaultDllDirectories
                   ? nullptr
                   : reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordSetDefaultDllDirectories));
    return realGetProcAddress(module, name);
}

HMODULE WINAPI CountLoadLibrary(LPCSTR name)
{
    g_run.librariesLoaded.push_back(name != nullptr ? name : "(null)");
    return realLoadLibrary(name);
}

BOOL WINAPI CountFreeLibrary(HMODULE module)
{
    ++g_run.librariesFreed;
    return realFreeLibrary(module);
}

std::vector<uint8_t> Pixels(const Surface& s)
{
    return std::vector<uint8_t>(s.bits, s.bits + size_t(s.pitch) * size_t(s.height));
}

BOOL WINAPI RecordBitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy, DWORD rop)
{
    const BOOL result = realBitBlt(dst, x, y, cx, cy, src, sx, sy, rop);
    if (g_splashImage.bits == nullptr && g_run.frames.empty())
        g_run.earlyBlits.push_back(RECT{sx, sy, cx, cy});
    if (g_splashImage.bits != nullptr && src != nullptr && g_backCopy.hBitmap != nullptr &&
        GetCurrentObject(src, OBJ_BITMAP) == g_backCopy.hBitmap)
        g_run.lastRestore = SIZE{cx, cy};
    if (g_hWnd == nullptr || WindowFromDC(dst) != g_hWnd || g_backBuffer.bits == nullptr)
        return result;
    if (g_splashImage.bits == nullptr) {
        ++g_run.paints;
        return result;
    }
    if (g_run.frames.empty()) {
        g_run.desktop = Pixels(g_backCopy);
        g_run.picture = Pixels(g_splashImage);
        g_run.pictureWidth = g_splashImage.width;
        g_run.pictureHeight = g_splashImage.height;
        g_run.backBuffer = g_backBuffer.hBitmap;
        g_run.backCopy = g_backCopy.hBitmap;
        g_run.splash = g_splashImage.hBitmap;
        g_run.palette = g_hPalette;
    }
    // A repaint of the window shows the frame it already has: one frame.
    std::vector<uint8_t> frame = Pixels(g_backBuffer);
    if (!g_run.frames.empty() && g_run.frames.back() == frame)
        return result;
    g_run.frames.push_back(std::move(frame));
    g_run.frameRestores.push_back(g_run.lastRestore);
    g_run.framePresents.push_back(SIZE{cx, cy});
    g_run.clockAtFrame = g_clock;
    g_run.frameClocks.push_back(g_clock);
    if (g_run.frames.size() == 1) {
        // As the taskbar reads it: the text stored, not narrowed on its way
        // through the window's ANSI procedure.
        wchar_t title[64] = {};
        InternalGetWindowText(g_hWnd, title, 64);
        g_run.title = title;
    }
    if (int(g_run.frames.size()) - 1 == g_run.clickAtFrame)
        PostMessageA(g_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    return result;
}

HBITMAP WINAPI FakeCreateDibSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                    HANDLE section, DWORD offset)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const bool screenSized = h.biWidth == g_screenWidth &&
                             (h.biHeight == g_screenHeight || h.biHeight == -g_screenHeight);
    if (screenSized && ((g_run.noBackBuffer && h.biBitCount == 32) ||
                        (g_run.noDesktopCopy && h.biBitCount == 24))) {
        if (bits != nullptr)
            *bits = nullptr;
        return nullptr;
    }
    return realCreateDibSection(dc, info, usage, bits, section, offset);
}

HRSRC WINAPI FakeFindResource(HMODULE module, LPCSTR name, LPCSTR type)
{
    const bool picture = type == MAKEINTRESOURCEA(2);  // RT_BITMAP
    if (picture && g_run.endAtFrame == kBeforeFirstFrame && !g_run.ended)
        GiveEnding(true);
    const std::string asked = IS_INTRESOURCE(name) ? "#" : name;
    g_run.resourcesAsked.push_back(asked);
    const bool scaled = _strnicmp(asked.c_str(), "Tal1280x", 8) == 0;
    const int scale = !scaled ? 0 : asked.size() == 9 ? 200 : std::atoi(asked.c_str() + 8);
    if ((picture && g_run.noPicture) ||
        (scaled && std::find(g_run.scales.begin(), g_run.scales.end(), scale) == g_run.scales.end()) ||
        (g_run.noProductRecord && asked == "PRODUCT"))
        return nullptr;
    if (asked == "PRODUCT" && !g_run.productRecord.empty())
        return realFindResource(module, g_run.productRecord.c_str(), type);
    return realFindResource(module, name, type);
}

HWND WINAPI FakeCreateWindow(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                             int y, int cx, int cy, HWND parent, HMENU menu, HINSTANCE instance,
                             LPVOID param)
{
    if (className != nullptr && !IS_INTRESOURCE(className) && std::strcmp(className, "Orveline") == 0) {
        ++g_run.windowsAsked;
        g_run.windowRect = RECT{x, y, cx, cy};
    }
    if (g_run.noWindow)
        return nullptr;
    return realCreateWindow(exStyle, className, title, style, x, y, cx, cy, parent, menu,
                            instance, param);
}

bool InstallHooks()
{
    if (realWinExec == nullptr) {
        Hook(realGetSystemMetrics, "user32.dll", "GetSystemMetrics", &FakeGetSystemMetrics);
        Hook(realGetTickCount, "kernel32.dll", "GetTickCount", &FakeGetTickCount);
        Hook(realWinExec, "kernel32.dll", "WinExec", &FakeWinExec);
        Hook(realBitBlt, "gdi32.dll", "BitBlt", &RecordBitBlt);
        Hook(realCreateDibSection, "gdi32.dll", "CreateDIBSection", &FakeCreateDibSection);
        Hook(realFindResource, "kernel32.dll", "FindResourceA", &FakeFindResource);
        Hook(realCreateWindow, "user32.dll", "CreateWindowExA", &FakeCreateWindow);
        Hook(realGetProcAddress, "kernel32.dll", "GetProcAddress", &FakeGetProcAddress);
        Hook(realLoadLibrary, "kernel32.dll", "LoadLibraryA", &CountLoadLibrary);
        Hook(realFreeLibrary, "kernel32.dll", "FreeLibrary", &CountFreeLibrary);
        Hook(realGetCommandLine, "kernel32.dll", "GetCommandLineA", &FakeGetCommandLine);
        Hook(realSetDllDirectory, "kernel32.dll", "SetDllDirectoryA", &RecordSetDllDirectory);
        Hook(realGetDeviceCaps, "gdi32.dll", "GetDeviceCaps", &FakeGetDeviceCaps);
        Hook(realCreateFile, "kernel32.dll", "CreateFileA", &RecordCreateFile);
        Hook(realShowWindow, "user32.dll", "ShowWindow", &RecordShowWindow);
        Hook(realGetModuleFileNameW, "kernel32.dll", "GetModuleFileNameW", &FakeGetModuleFileNameW);
        Hook(realSystemParametersInfo, "user32.dll", "SystemParametersInfoA", &FakeSystemParametersInfo);
        Hook(realCreateProcess, "kernel32.dll", "CreateProcessA", &FakeCreateProcess);
        Hook(realCloseHandle, "kernel32.dll", "CloseHandle", &RecordCloseHandle);
        Hook(realGetCursorPos, "user32.dll", "GetCursorPos", &FakeGetCursorPos);
        Hook(realMonitorFromPoint, "user32.dll", "MonitorFromPoint", &FakeMonitorFromPoint);
        Hook(realGetMonitorInfo, "user32.dll", "GetMonitorInfoA", &FakeGetMonitorInfo);
    }
    return realGetSystemMetrics && realGetTickCount && realWinExec && realBitBlt &&
           realCreateDibSection && realFindResource && realCreateWindow && realGetProcAddress &&
           realLoadLibrary && realFreeLibrary && realGetCommandLine && realSetDllDirectory &&
           realGetDeviceCaps && realCreateFile && realShowWindow && realGetModuleFileNameW &&
           realSystemParametersInfo && realCreateProcess && realCloseHandle && realGetCursorPos &&
           realMonitorFromPoint && realGetMonitorInfo && CountDeviceContexts();
}

bool IsAllZero(const Surface& s)
{
    static const Surface zero{};
    return std::memcmp(&s, &zero, sizeof s) == 0;
}

// Wakes a final message loop that waits for a quit that will never come.
void CALLBACK WakeHungLoop(HWND, UINT, UINT_PTR, DWORD)
{
    g_run.hung = true;
    PostQuitMessage(0);
}

// Runs WinMain once with the given settings, started as a program whose
// command line is its quoted path and then this, and leaves the class
// unregistered again for the next run.
int RunMain(const ShowRun& settings, const char* commandLine)
{
    g_run = settings;
    g_run.fullCommandLine = std::string("\"Z:\\disc\\orveline.exe\" ") + commandLine;
    g_skipRequested = 0;
    g_hWnd = nullptr;
    g_dcCounts = {};
    // The shortest show here takes well under a second.
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, WakeHungLoop);
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    KillTimer(nullptr, watchdog);
    UnregisterClassA("Orveline", GetModuleHandleA(nullptr));
    g_run.fastClock = false;
    g_run.fullCommandLine.clear();
    EXPECT_FALSE(g_run.hung) << "the final message loop waited for a quit that had been taken";
    return result;
}

// After any run: the window, the display, both surfaces and every context
// are gone.
void ExpectAllReleased()
{
    EXPECT_FALSE(IsWindow(g_hWnd));
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_TRUE(IsAllZero(g_backCopy));
    EXPECT_TRUE(IsAllZero(g_splashImage));
    EXPECT_EQ(g_hPalette, nullptr);
    EXPECT_EQ(g_hPaletteMem, nullptr);
    for (HGDIOBJ object : {(HGDIOBJ)g_run.backBuffer, (HGDIOBJ)g_run.backCopy,
                           (HGDIOBJ)g_run.splash, (HGDIOBJ)g_run.palette}) {
        if (object != nullptr) {
            EXPECT_EQ(GetObjectType(object), 0u);
        }
    }
    EXPECT_TRUE(g_dcCounts.balanced()) << g_dcCounts.getDc << " GetDC, " << g_dcCounts.releaseDc
                                       << " ReleaseDC, " << g_dcCounts.createDc
                                       << " CreateCompatibleDC, " << g_dcCounts.deleteDc
                                       << " DeleteDC";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "message " << msg.message << " left";
}

// The first pixel where a frame differs from the desktop with the picture
// centred on it at the level, worked out pixel by pixel from the blend rule.
std::string FirstWrongPixel(const ShowRun& r, const std::vector<uint8_t>& frame, int level)
{
    const int width = g_run.screenWidth, height = g_run.screenHeight;
    const int pitch = width * 4, copyPitch = (width * 3 + 3) & ~3;
    const int left = (width - r.pictureWidth) / 2, top = (height - r.pictureHeight) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* d = &r.desktop[size_t(y) * copyPitch + size_t(x) * 3];
            const uint8_t* got = &frame[size_t(y) * pitch + size_t(x) * 4];
            const int px = x - left, py = y - top;
            const bool inside = px >= 0 && px < r.pictureWidth && py >= 0 && py < r.pictureHeight;
            const uint8_t* s = inside ? &r.picture[(size_t(py) * r.pictureWidth + px) * 4] : nullptr;
            const int w = inside ? (s[3] * level) >> 8 : 0;
            for (int c = 0; c < 3; ++c) {
                const int want = ((d[c] * (256 - w)) >> 8) + (inside ? (s[c] * w) >> 8 : 0);
                if (got[c] != want)
                    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") byte " +
                           std::to_string(c) + " is " + std::to_string(got[c]) + ", expected " +
                           std::to_string(want);
            }
        }
    return "";
}

class MainLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHooks()); }
};

// A screen smaller than the picture: each frame shows the picture's middle
// part, centred as if the whole were drawn, with nothing written outside the
// back buffer. A right click ends the show after the frame it follows.
TEST_F(MainLine, PictureLargerThanTheScreenIsClippedAndAClickEndsTheShow)
{
    const std::vector<int> levels = ShowLevels();
    struct Case {
        int clickAtFrame;
        size_t frames;
    } cases[] = {{-1, 128}, {0, 1}, {63, 64}, {70, 71}};
    for (const Case& c : cases) {
        SCOPED_TRACE("click after frame " + std::to_string(c.clickAtFrame));
        ShowRun settings;
        settings.screenWidth = 160;  // 35 and 45 short: each position rounds toward zero
        settings.screenHeight = 100;
        settings.fastClock = true;
        settings.clickAtFrame = c.clickAtFrame;
        EXPECT_EQ(RunMain(settings, "next.exe --from \"a b\""), 0);
        ASSERT_EQ(g_run.pictureWidth, 195) << "the small picture is the one for this width";
        ASSERT_EQ(g_run.frames.size(), c.frames);
        for (size_t i = 0; i < g_run.frames.size(); ++i)
            ASSERT_EQ(FirstWrongPixel(g_run, g_run.frames[i], levels[i]), "") << "frame " << i;
        EXPECT_GE(g_run.paints, 1) << "the window never showed the desktop copy";
        ASSERT_EQ(g_run.started.size(), 1u);
        EXPECT_EQ(g_run.started[0], "next.exe --from \"a b\"");
        EXPECT_EQ(g_run.showCommands[0], UINT(SW_SHOW));
        EXPECT_FALSE(g_run.windowAliveAtStart) << "the window must close before the hand-off";
        ExpectAllReleased();
    }
}

// Nothing to show: no back buffer to fade into, no window (so no quit
// message to wait for), no picture, or no copy of the desktop to fade over.
// No frame is drawn, everything is released, and the next program starts
// at once, before the window closes; the window is shown only when there
// is a desktop to show in it.
TEST_F(MainLine, NothingToShowStillStartsTheNextProgram)
{
    const struct {
        const char* name;
        bool ShowRun::*failure;
        const char* commandLine;
        const char* started;
        bool windowAliveAtStart, shown;
    } cases[] = {
        {"no back buffer", &ShowRun::noBackBuffer, "next.exe", "next.exe", true, false},
        {"no window", &ShowRun::noWindow, "next.exe", "next.exe", false, false},
        {"no picture", &ShowRun::noPicture, "", "setup.exe", true, true},
        {"no desktop copy", &ShowRun::noDesktopCopy, "next.exe a", "next.exe a", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShowRun settings;
        settings.*c.failure = true;
        EXPECT_EQ(RunMain(settings, c.commandLine), 0);
        EXPECT_TRUE(g_run.frames.empty());
        ASSERT_EQ(g_run.started.size(), 1u);
        EXPECT_EQ(g_run.started[0], c.started);
        EXPECT_EQ(g_run.showCommands[0], UINT(SW_SHOW));
        EXPECT_EQ(g_run.windowAliveAtStart, c.windowAliveAtStart);
        EXPECT_EQ(g_run.windowShown, c.shown);
        if (!c.shown) {
            EXPECT_EQ(g_run.paints, 0) << "the window was painted without a desktop to show";
        }
        ExpectAllReleased();
    }
}

// A class of that name already there: no window and no show, but the next
// program starts.
TEST_F(MainLine, ClassThatCannotBeRegisteredStillStartsTheNextProgram)
{
    WNDCLASSA other = {};
    other.lpfnWndProc = DefWindowProcA;
    other.hInstance = GetModuleHandleA(nullptr);
    other.lpszClassName = "Orveline";
    ASSERT_NE(RegisterClassA(&other), 0);
    EXPECT_EQ(RunMain(ShowRun{}, "next.exe /S"), 0);
    EXPECT_EQ(g_hWnd, nullptr);
    ASSERT_EQ(g_run.started.size(), 1u);
    EXPECT_EQ(g_run.started[0], "next.exe /S");
    EXPECT_EQ(g_dcCounts.taken(), 0);
}

// Every way to end the show early, at every moment: a close request (as
// Alt+F4, the taskbar or Task Manager give it), the system close command,
// and a quit message. The show stops drawing, the window and everything
// else goes, and the next program starts with its command line, exit code 0.
TEST_F(MainLine, EveryEndingStopsTheShowAndStartsTheNextProgram)
{
    const struct {
        const char* moment;
        int atFrame;
        DWORD delayMs;
        size_t frames;  // drawn before the ending took effect
    } moments[] = {
        {"before the first frame", kBeforeFirstFrame, 0, 0},
        {"in the fade in", 10, 0, 11},
        {"in the hold", 63, 500, 64},
        {"in the fade out", 80, 0, 81},
        {"in the last wait", 127, 0, 128},
    };
    const struct {
        const char* name;
        UINT message;
    } endings[] = {{"WM_CLOSE", WM_CLOSE}, {"SC_CLOSE", WM_SYSCOMMAND}, {"WM_QUIT", WM_QUIT}};
    for (const auto& e : endings)
        for (const auto& m : moments) {
            SCOPED_TRACE(std::string(e.name) + " " + m.moment);
            ShowRun settings;
            settings.fastClock = true;
            settings.ending = e.message;
            settings.endAtFrame = m.atFrame;
            settings.endDelayMs = m.delayMs;
            EXPECT_EQ(RunMain(settings, "next.exe \"two words\""), 0);
            EXPECT_TRUE(g_run.ended);
            // A quit posted while the picture loads waits in the queue
            // until the first wait takes it, after the first frame.
            const size_t frames = e.message == WM_QUIT && m.atFrame == kBeforeFirstFrame ? 1 : m.frames;
            EXPECT_EQ(g_run.frames.size(), frames);
            ASSERT_EQ(g_run.started.size(), 1u);
            EXPECT_EQ(g_run.started[0], "next.exe \"two words\"");
            EXPECT_FALSE(g_run.windowAliveAtStart);
            ExpectAllReleased();
        }
}

// The show follows the program's product record (product/vendor.rc): fades
// of 641 and 1300 ms wait 10 and 20 ms after each frame, the hold waits its
// 1000 ms, and the title is the vendor's, in other scripts than Latin.
// Without a record the shipped show plays under the shipped title.
TEST_F(MainLine, PlaysTheTimingsAndTitleOfItsProductRecord)
{
    const struct {
        bool noRecord;
        DWORD fadeInWait, holdMs, fadeOutWait;
        const wchar_t* title;
    } cases[] = {
        {false, 10, 1000, 20, L"\x00dc\x0062\x0065\x0072 \x65e5\x672c"},
        {true, 20, 2000, 10, L"Orveline"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.noRecord ? "no record" : "the vendor's record");
        ShowRun settings;
        settings.fastClock = true;
        settings.dpi = 96;
        settings.noProductRecord = c.noRecord;
        RunMain(settings, "next.exe");
        ASSERT_EQ(g_run.frameClocks.size(), size_t(kShowFrameCount));
        EXPECT_EQ(g_run.title, c.title);
        // Each gap is the wait and what the clock's 7 ms steps add to it.
        auto gap = [&](int frame) { return g_run.frameClocks[size_t(frame)] - g_run.frameClocks[size_t(frame) - 1]; };
        for (int frame = 1; frame < kShowFrameCount; ++frame) {
            const DWORD wait = frame < kFadeInFrameCount    ? c.fadeInWait
                               : frame == kFadeInFrameCount ? c.fadeInWait + c.holdMs
                                                            : c.fadeOutWait;
            EXPECT_GE(gap(frame), wait) << "frame " << frame;
            EXPECT_LT(gap(frame), wait + (frame == kFadeInFrameCount ? 30 : 15)) << "frame " << frame;
        }
        ExpectAllReleased();
    }
}

// Animations turned off, or a Remote Desktop session: no fades. One frame
// at the full level, held for the vendor's hold (1000 ms), then the window
// goes and the next program starts; a skip or a close request during the
// hold ends it as always. A system without the setting keeps the fades.
TEST_F(MainLine, StillPictureWithoutAnimations)
{
    const struct {
        const char* name;
        bool animationsOff, remote, noSetting;
        UINT ending;  // during the hold, 300 ms in
        size_t frames;
    } cases[] = {
        {"animations off", true, false, false, 0, 1},
        {"remote", false, true, false, 0, 1},
        {"both", true, true, false, 0, 1},
        {"a key in the hold", true, false, false, WM_KEYDOWN, 1},
        {"a close request in the hold", false, true, false, WM_CLOSE, 1},
        {"no such setting", true, false, true, 0, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShowRun settings;
        settings.fastClock = true;
        settings.screenWidth = 400;
        settings.screenHeight = 300;
        settings.animationsOff = c.animationsOff;
        settings.remote = c.remote;
        settings.noAnimationSetting = c.noSetting;
        settings.ending = c.ending;
        settings.endAtFrame = c.ending != 0 ? 0 : kNoEnding;
        settings.endDelayMs = 300;
        EXPECT_EQ(RunMain(settings, "next.exe /S"), 0);
        ASSERT_EQ(g_run.frames.size(), c.frames);
        ASSERT_EQ(FirstWrongPixel(g_run, g_run.frames[0], c.frames == 1 ? 255 : 0), "");
        ASSERT_EQ(g_run.started.size(), 1u);
        EXPECT_EQ(g_run.started[0], "next.exe /S");
        EXPECT_FALSE(g_run.windowAliveAtStart);
        if (c.frames == 1) {
            // The clock's 7 ms steps come on top of the wait.
            const DWORD held = g_run.clockAtStart - g_run.frameClocks[0];
            const DWORD wanted = c.ending != 0 ? 300 : 1000;
            EXPECT_GE(held, wanted);
            EXPECT_LT(held, wanted + 100);
        }
        ExpectAllReleased();
    }
}

// A frame's cost follows the picture, not the screen: the first frame of a
// show restores and shows the whole screen, every later one only the
// picture's block, and each is still the whole right picture.
TEST_F(MainLine, LaterFramesTransferOnlyThePicturesBlock)
{
    const std::vector<int> levels = ShowLevels();
    const struct {
        const char* name;
        int width, height;
        bool animationsOff;
        size_t frames;
        LONG blockCx, blockCy;
    } cases[] = {
        {"fades", 400, 300, false, 128, 195, 0},
        {"the still picture", 400, 300, true, 1, 195, 0},
        {"a picture larger than the screen", 160, 100, false, 128, 160, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShowRun settings;
        settings.fastClock = true;
        settings.screenWidth = c.width;
        settings.screenHeight = c.height;
        settings.animationsOff = c.animationsOff;
        EXPECT_EQ(RunMain(settings, "next.exe"), 0);
        ASSERT_EQ(g_run.frames.size(), c.frames);
        const LONG blockCy = c.blockCy != 0 ? c.blockCy : g_run.pictureHeight;
        for (size_t i = 0; i < c.frames; ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const bool whole = i == 0;
            const SIZE want = whole ? SIZE{c.width, c.height} : SIZE{c.blockCx, blockCy};
            EXPECT_EQ(g_run.frameRestores[i].cx, want.cx);
            EXPECT_EQ(g_run.frameRestores[i].cy, want.cy);
            EXPECT_EQ(g_run.framePresents[i].cx, want.cx);
            EXPECT_EQ(g_run.framePresents[i].cy, want.cy);
            ASSERT_EQ(FirstWrongPixel(g_run, g_run.frames[i], c.frames == 1 ? 255 : levels[i]), "");
        }
        ExpectAllReleased();
    }
}

// A silent switch of the vendor's (here "/S /VERYSILENT --quiet") standing
// alone on the command line: no window and no show, and the next program
// starts at once with the whole line. Anywhere else it is no switch.
TEST_F(MainLine, SilentSwitchSkipsTheShow)
{
    const struct {
        const char* record;
        std::string line;
        bool silent;
    } cases[] = {
        {"SILENT", "setup.exe /S", true},
        {"SILENT", "\"Setup Disk\\setup.exe\" /lang en --QUIET", true},
        {"SILENT", "/verysilent\tsetup.exe", true},
        {"SILENT", "setup.exe /SILENT", false},
        {"SILENT", "setup.exe \"/S\"", false},
        {"PRODUCT", "setup.exe /S", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.record) + " [" + c.line + "]");
        ShowRun settings;
        settings.fastClock = true;
        settings.productRecord = c.record;
        settings.clickAtFrame = 0;
        EXPECT_EQ(RunMain(settings, c.line.c_str()), 0);
        EXPECT_EQ(g_run.windowsAsked, c.silent ? 0 : 1);
        EXPECT_EQ(g_run.frames.size(), c.silent ? 0u : 1u);
        ASSERT_EQ(g_run.started.size(), 1u);
        EXPECT_EQ(g_run.started[0], c.line);
        ExpectAllReleased();
    }
}

// Where the vendor asked for the monitor holding the pointer, the window
// covers that monitor, the snapshot comes from there, and the picture is
// the one for its width; a pointer on no monitor means the primary, as
// does a product that did not ask.
TEST_F(MainLine, CoversTheMonitorHoldingThePointer)
{
    const RECT primary{0, 0, 1024, 768}, right{1024, 100, 1824, 700}, left{-640, -480, 0, 0};
    const struct {
        const char* name;
        const char* record;
        POINT cursor;
        RECT covered;
        int pictureWidth;
    } cases[] = {
        {"on the right", "POINTER", {1500, 300}, right, 195},
        {"on the left, above", "POINTER", {-1, -1}, left, 195},
        {"on the primary", "POINTER", {1023, 767}, primary, 317},
        {"on none", "POINTER", {5000, 300}, primary, 317},
        {"not asked", "PRODUCT", {1500, 300}, primary, 317},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShowRun settings;
        settings.fastClock = true;
        settings.screenWidth = 1024;
        settings.screenHeight = 768;
        settings.dpi = 96;
        settings.productRecord = c.record;
        settings.monitors = {primary, right, left};
        settings.cursor = c.cursor;
        settings.clickAtFrame = 0;
        EXPECT_EQ(RunMain(settings, "next.exe"), 0);
        const RECT& want = c.covered;
        const RECT asked = g_run.windowRect;
        EXPECT_TRUE(asked.left == want.left && asked.top == want.top && asked.right == want.right - want.left &&
                    asked.bottom == want.bottom - want.top)
            << "window at " << asked.left << ", " << asked.top << ", " << asked.right << " x " << asked.bottom;
        const auto copy = std::find_if(g_run.earlyBlits.begin(), g_run.earlyBlits.end(), [&](const RECT& b) {
            return b.left == want.left && b.top == want.top && b.right == want.right - want.left &&
                   b.bottom == want.bottom - want.top;
        });
        EXPECT_NE(copy, g_run.earlyBlits.end()) << "the snapshot is not the monitor's";
        EXPECT_EQ(g_run.frames.size(), 1u);
        EXPECT_EQ(g_run.pictureWidth, c.pictureWidth);
        ExpectAllReleased();
    }
}

// On screens wider than 800, the large picture at the scale nearest the
// primary monitor's (its own DPI where shcore.dll says it, the system's
// where it cannot), of those the program holds, and only from its
// resources: no file of their names is looked for. shcore.dll comes from
// the system folder and is let go again.
TEST_F(MainLine, PictureAtTheScaleNearestTheMonitors)
{
    const std::vector<int> none, twice = {200}, three = {125, 200}, all = {125, 150, 175, 200, 250, 300};
    const struct {
        int width, dpi, monitorDpi;  // monitorDpi -1: no GetDpiForMonitor
        const std::vector<int>& scales;
        int pictureWidth;  // 317: Tal1280, 195: Tal800, else the scale over 5
    } cases[] = {
        {1024, 96, 0, all, 317},   {1024, 120, 0, all, 25},   {1024, 168, 0, all, 35},
        {1024, 240, 0, all, 50},   {1024, 288, 0, all, 60},   {1024, 143, 0, twice, 317},
        {1024, 144, 0, twice, 40}, {1024, 144, 0, three, 25}, {1024, 192, 0, none, 317},
        {800, 192, 0, all, 195},   {1024, 96, 144, all, 30},  {1024, 120, -1, all, 25},
    };
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    const POINT origin = {0, 0};
    const HMONITOR primary = MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " wide at " + std::to_string(c.dpi) + " DPI, the monitor's " +
                     std::to_string(c.monitorDpi) + ", scales " + ::testing::PrintToString(c.scales));
        ShowRun settings;
        settings.fastClock = true;
        settings.screenWidth = c.width;
        settings.screenHeight = 768;
        settings.dpi = c.dpi;
        settings.monitorDpi = c.monitorDpi;
        settings.scales = c.scales;
        settings.clickAtFrame = 0;
        RunMain(settings, "next.exe");
        EXPECT_EQ(g_run.pictureWidth, c.pictureWidth);
        const auto scaledNames = [](const std::vector<std::string>& names) {
            std::vector<std::string> found;
            for (const std::string& n : names)
                if (_strnicmp(n.c_str(), "Tal1280x", 8) == 0 &&
                    std::find(found.begin(), found.end(), n) == found.end())
                    found.push_back(n);
            return found.size();
        };
        EXPECT_EQ(scaledNames(g_run.resourcesAsked), c.width > 800 ? 6u : 0u);
        EXPECT_EQ(scaledNames(g_run.filesOpened), 0u) << "a file was looked for";
        if (c.width > 800) {
            ASSERT_EQ(g_run.librariesLoaded.size(), 1u);
            EXPECT_EQ(g_run.librariesLoaded[0], std::string(system, systemLength) + "\\shcore.dll");
            EXPECT_EQ(g_run.librariesFreed, 1);
            EXPECT_EQ(g_run.dpiMonitors, (c.monitorDpi < 0 ? std::vector<HMONITOR>{} : std::vector<HMONITOR>{primary}));
            EXPECT_EQ(g_run.dpiTypes, (c.monitorDpi < 0 ? std::vector<int>{} : std::vector<int>{0}))
                << "the effective DPI";
        }
        ExpectAllReleased();
    }
}

// Before anything else, and on every path, DLLs by name come from the system
// folder only. Where that cannot be set, the current folder goes from the
// search instead, and comes back just before the next program starts, which
// would otherwise inherit its absence.
TEST_F(MainLine, RestrictsTheDllSearchBeforeAnythingElse)
{
    for (bool old : {false, true})
        for (bool noPicture : {false, true}) {
            SCOPED_TRACE(std::string(old ? "before Windows 8, " : "") + (noPicture ? "no picture" : "a show"));
            ShowRun settings;
            settings.fastClock = true;
            settings.noPicture = noPicture;
            settings.noSetDefaultDllDirectories = old;
            RunMain(settings, "next.exe");
            const std::string first = old ? "SetDllDirectoryA []" : "SetDefaultDllDirectories 2048";
            ASSERT_GE(g_run.calls.size(), 2u);
            EXPECT_EQ(g_run.calls[0], first);
            EXPECT_EQ(g_run.calls[1], "GetCommandLineA");
            const auto start = std::find(g_run.calls.begin(), g_run.calls.end(), "WinExec");
            ASSERT_NE(start, g_run.calls.end());
            const bool released = start != g_run.calls.begin() && *(start - 1) == "SetDllDirectoryA [null]";
            EXPECT_EQ(released, old) << "the next program inherits our search";
            EXPECT_EQ(std::count_if(g_run.calls.begin(), g_run.calls.end(),
                                    [](const std::string& c) { return c.rfind("SetDllDirectoryA", 0) == 0; }),
                      old ? 2 : 0);
        }
}

// The exit code says whether the next program started, on every path.
TEST_F(MainLine, ExitCodeSaysWhetherTheNextProgramStarted)
{
    for (bool noPicture : {false, true})
        for (UINT winExec : {33u, 2u}) {
            SCOPED_TRACE(std::string(noPicture ? "no picture" : "whole show") + ", WinExec " +
                         std::to_string(winExec));
            ShowRun settings;
            settings.fastClock = true;
            settings.noPicture = noPicture;
            settings.winExecResult = winExec;
            settings.winExecError = ERROR_FILE_NOT_FOUND;
            EXPECT_EQ(RunMain(settings, "missing.exe"), winExec > 31 ? 0 : 1);
            EXPECT_EQ(g_run.started.size(), 1u);
            ExpectAllReleased();
        }
}

TEST_F(MainLine, HandsOnBytesOf0x80AndAbove)
{
    ShowRun settings;
    settings.noPicture = true;
    EXPECT_EQ(RunMain(settings, "\xDC" "ber.exe \xE9t\xE9"), 0);
    ASSERT_EQ(g_run.started.size(), 1u);
    EXPECT_EQ(g_run.started[0], "\xDC" "ber.exe \xE9t\xE9");
}

// A folder of programs for the lookup, each a copy of the demo setup
// program, which records its own path when it runs; the tests run with it
// as their current folder.
class HandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InstallHooks());
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "orveline-handoff-" + std::to_string(GetCurrentProcessId());
        char own[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
        ASSERT_GT(length, 0u);
        ownFolder_ = std::string(own, length).substr(0, std::string(own, length).rfind('\\'));
        char windows[MAX_PATH];
        const UINT windowsLength = GetWindowsDirectoryA(windows, MAX_PATH);
        ASSERT_GT(windowsLength, 0u);
        // The 16-bit system folder, which no call names but the search keeps.
        system16_ = std::string(windows, windowsLength) + "\\System";
        onPath_ = folder_ + "\\on path";
        for (const std::string& dir : {folder_, folder_ + "\\A B", folder_ + "\\Setup Disk", onPath_, system16_})
            CreateDirectoryA(dir.c_str(), nullptr);
        // One name planted in two places each, the search's order to tell.
        for (const std::string& file :
             {folder_ + "\\A B\\c d.exe", folder_ + "\\Setup Disk\\setup.exe",
              folder_ + "\\orveline-lookup-here.exe", folder_ + "\\orveline-lookup-both.exe",
              ownFolder_ + "\\orveline-lookup-both.exe", folder_ + "\\orveline-lookup-path.exe",
              onPath_ + "\\orveline-lookup-path.exe", system16_ + "\\orveline-lookup-system.exe",
              onPath_ + "\\orveline-lookup-system.exe"}) {
            ASSERT_TRUE(CopyFileA(ORVELINE_DEMO_SETUP, file.c_str(), FALSE)) << file;
            made_.push_back(file);
        }
        GetCurrentDirectoryA(MAX_PATH, saved_);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        char path[32768];
        const DWORD pathLength = GetEnvironmentVariableA("PATH", path, sizeof path);
        savedPath_ = pathLength < sizeof path ? std::string(path, pathLength) : "";
        SetEnvironmentVariableA("PATH", (onPath_ + ";" + savedPath_).c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("PATH", savedPath_.c_str());
        SetEnvironmentVariableA("NoDefaultCurrentDirectoryInExePath", nullptr);
        SetCurrentDirectoryA(saved_);
        for (const std::string& file : made_)
            DeleteFileA(file.c_str());
        DeleteFileA((folder_ + "\\started.txt").c_str());
        for (const std::string& dir : {folder_ + "\\A B", folder_ + "\\Setup Disk", onPath_, folder_})
            RemoveDirectoryA(dir.c_str());
    }
    // The path the demo program recorded, once it has run.
    std::string StartedPath()
    {
        const std::string record = folder_ + "\\started.txt";
        for (int i = 0; i < 200 && GetFileAttributesA(record.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(50);
        HANDLE file = CreateFileA(record.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "(nothing started)";
        char text[2 * MAX_PATH] = {};
        DWORD read = 0;
        ReadFile(file, text, sizeof text - 1, &read, nullptr);
        CloseHandle(file);
        DeleteFileA(record.c_str());
        return std::string(text, std::strcspn(text, "\n"));
    }
    std::string folder_, ownFolder_, system16_, onPath_, savedPath_;
    std::vector<std::string> made_;
    char saved_[MAX_PATH] = {};
};

// The shell is given the very file WinExec starts, or none: the same search,
// in the same order (the launcher's folder, the current folder unless the
// environment takes it out, the system folder, the 16-bit system folder,
// the Windows folder, then PATH), and an unquoted name with spaces read the
// same way. Each row the real WinExec can start is started and compared;
// a row it cannot start must find nothing.
TEST_F(HandOff, FindsTheProgramWinExecStarts)
{
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(systemLength, 0u);
    const std::string f = folder_, none;
    const struct {
        std::string line;
        std::string path, pathWithoutCurrent;  // empty: none
        std::string parameters;
        bool run;  // started by the real WinExec and compared
    } cases[] = {
        {"orveline-lookup-here /x", f + "\\orveline-lookup-here.exe", none, "/x", true},
        {"orveline-lookup-both.exe", ownFolder_ + "\\orveline-lookup-both.exe",
         ownFolder_ + "\\orveline-lookup-both.exe", "", true},
        {"orveline-lookup-path", f + "\\orveline-lookup-path.exe",
         onPath_ + "\\orveline-lookup-path.exe", "", true},
        {"orveline-lookup-system a", system16_ + "\\orveline-lookup-system.exe",
         system16_ + "\\orveline-lookup-system.exe", "a", true},
        {f + "\\A B\\c d.exe  /q \"r s\"", f + "\\A B\\c d.exe", f + "\\A B\\c d.exe", "/q \"r s\"", true},
        {"\"A B\\c d.exe\" /q", f + "\\A B\\c d.exe", f + "\\A B\\c d.exe", "/q", true},
        {"notepad file.txt", std::string(system, systemLength) + "\\notepad.exe",
         std::string(system, systemLength) + "\\notepad.exe", "file.txt", false},
        {"orveline-lookup-missing.exe /x", none, none, "", true},
    };
    for (bool withoutCurrent : {false, true}) {
        SetEnvironmentVariableA("NoDefaultCurrentDirectoryInExePath", withoutCurrent ? "1" : nullptr);
        for (const auto& c : cases) {
            SCOPED_TRACE("line [" + c.line + "]" + (withoutCurrent ? " without the current folder" : ""));
            const std::string& want = withoutCurrent ? c.pathWithoutCurrent : c.path;
            char path[MAX_PATH] = {};
            const char* parameters = nullptr;
            const int found = FindProgram(c.line.c_str(), path, sizeof path, &parameters);
            EXPECT_EQ(found, want.empty() ? 0 : 1) << path;
            if (found && !want.empty()) {
                EXPECT_EQ(_stricmp(path, want.c_str()), 0) << path;
                EXPECT_EQ(std::string(parameters), c.parameters);
            }
            if (!c.run)
                continue;
            const UINT started = realWinExec(c.line.c_str(), SW_SHOW);
            EXPECT_EQ(started > 31, !want.empty()) << "WinExec answered " << started;
            if (started > 31) {
                EXPECT_EQ(_stricmp(StartedPath().c_str(), want.c_str()), 0) << "WinExec started another file";
            }
        }
    }
}

// WinExec first, always; the shell only when WinExec failed (31 or less)
// because the program needs elevation, and only once whatever it answers.
TEST_F(HandOff, GoesThroughTheShellOnlyWhenElevationIsRequired)
{
    const struct {
        const char* name;
        UINT winExecResult;
        DWORD winExecError;
        BOOL shellResult;
        DWORD shellError;
        int started;
        bool throughShell;
    } cases[] = {
        {"started", 33, ERROR_SUCCESS, TRUE, 0, 1, false},
        {"started, an old error left over", 32, 740, TRUE, 0, 1, false},
        {"not found", 2, ERROR_FILE_NOT_FOUND, TRUE, 0, 0, false},
        {"not a program", 11, ERROR_BAD_EXE_FORMAT, TRUE, 0, 0, false},
        {"elevation, consent given", 11, 740, TRUE, 0, 1, true},
        {"elevation at the highest failure code", 31, 740, TRUE, 0, 1, true},
        {"elevation, consent refused", 11, 740, FALSE, ERROR_CANCELLED, 0, true},
        {"elevation, shell fails too", 11, 740, FALSE, ERROR_FILE_NOT_FOUND, 0, true},
    };
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(systemLength, 0u);
    const std::string program = folder_ + "\\Setup Disk\\setup.exe";
    const std::string quoted = "\"" + program + "\" /lang en";
    const char* line = quoted.c_str();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_run = ShowRun{};
        g_run.winExecResult = c.winExecResult;
        g_run.winExecError = c.winExecError;
        g_run.shellResult = c.shellResult;
        g_run.shellError = c.shellError;
        EXPECT_EQ(StartNextProgram(line), c.started);
        ASSERT_EQ(g_run.started.size(), 1u);
        EXPECT_EQ(g_run.started[0], line);
        EXPECT_EQ(g_run.showCommands[0], UINT(SW_SHOW));
        ASSERT_EQ(g_run.shellStarts.size(), c.throughShell ? 1u : 0u);
        EXPECT_EQ(g_run.librariesLoaded.size(), g_run.shellStarts.size());
        EXPECT_EQ(g_run.librariesFreed, 0) << "the shell may still be at work for the request";
        if (!c.throughShell)
            continue;
        // The shell comes from the system folder, never from beside us.
        EXPECT_EQ(g_run.librariesLoaded[0], std::string(system, systemLength) + "\\shell32.dll");
        const SHELLEXECUTEINFOA& info = g_run.shellStarts[0];
        EXPECT_EQ(info.cbSize, sizeof info);
        EXPECT_EQ(g_run.shellFiles[0], program);
        EXPECT_EQ(g_run.shellParameters[0], "/lang en");
        EXPECT_EQ(info.lpVerb, nullptr) << "the default verb asks for consent only when needed";
        EXPECT_EQ(info.nShow, SW_SHOW);
        EXPECT_TRUE(info.fMask & SEE_MASK_NOASYNC) << "the launcher exits right after";
        EXPECT_TRUE(info.fMask & SEE_MASK_FLAG_NO_UI) << "no shell error box in front of the user";
        EXPECT_TRUE(g_run.shellOwnerLive) << "no visible window of ours for the consent prompt";
        EXPECT_FALSE(IsWindow(info.hwnd)) << "the stand-in window outlived the call";
        EXPECT_EQ(_stricmp(g_run.shellDirectories[0].c_str(), folder_.c_str()), 0)
            << "the elevated program starts elsewhere than a plain start: " << g_run.shellDirectories[0];
    }
}

// A launcher whose own folder the ANSI code page cannot say: the shell
// would be handed a path with '?' in it, so nothing is handed to it.
TEST_F(HandOff, RefusesWhenTheLaunchersFolderCannotBeSaidInAnsi)
{
    for (const std::wstring& folder : {std::wstring(L"Z:\\\x65e5\x672c"), std::wstring(L"Z:\\a\xD800") + L"b"}) {
        g_run = ShowRun{};
        g_run.ownPath = folder + L"\\orveline.exe";
        g_run.winExecResult = 11;
        g_run.winExecError = 740;
        char path[MAX_PATH];
        const char* parameters = nullptr;
        EXPECT_EQ(FindProgram("setup.exe", path, sizeof path, &parameters), 0);
        EXPECT_EQ(StartNextProgram("\"Setup Disk\\setup.exe\" /S"), 0);
        EXPECT_TRUE(g_run.shellStarts.empty());
    }
    g_run = ShowRun{};
}

// Through the main line, after a whole show and with nothing to show: a
// program that needs elevation still starts, its parameters apart.
TEST_F(HandOff, MainLineStartsAProgramThatNeedsElevation)
{
    for (bool noPicture : {false, true}) {
        SCOPED_TRACE(noPicture ? "no picture" : "whole show");
        ShowRun settings;
        settings.fastClock = true;
        settings.noPicture = noPicture;
        settings.winExecResult = 11;
        settings.winExecError = 740;
        EXPECT_EQ(RunMain(settings, "\"Setup Disk\\setup.exe\" /S"), 0);
        EXPECT_EQ(g_run.frames.size(), noPicture ? 0u : 128u);
        ASSERT_EQ(g_run.shellStarts.size(), 1u);
        EXPECT_EQ(g_run.shellFiles[0], folder_ + "\\Setup Disk\\setup.exe");
        EXPECT_EQ(g_run.shellParameters[0], "/S");
        ExpectAllReleased();
    }
}

// Waiting for the next program (the vendor's --wait): it starts through
// CreateProcessA with the same line and search as WinExec, shown, after the
// same release of the DLL search, and the launcher exits with its exit
// code, after the show or without one, and every handle it was given is
// closed. A program that needs elevation comes through the shell, whose
// process is waited for the same way; one that cannot start gives 1.
TEST_F(HandOff, WaitsForTheNextProgramAndGivesItsExitCode)
{
    const std::string setup = "\"Setup Disk\\setup.exe\"";
    const struct {
        const char* name;
        std::string line;
        bool noPicture, realCreate;
        DWORD createError;
        BOOL shellResult;
        int exitCode;
        size_t frames;
    } cases[] = {
        {"0", setup + " /exitcode=0", true, true, 0, TRUE, 0, 0},
        {"1602", setup + " /exitcode=1602", true, true, 0, TRUE, 1602, 0},
        {"3010 after the show", setup + " /exitcode=3010", false, true, 0, TRUE, 3010, 128},
        {"1641, silent", setup + " /S /exitcode=1641", false, true, 0, TRUE, 1641, 0},
        {"missing", "orveline-missing.exe /x", true, true, 0, TRUE, 1, 0},
        {"elevation, 3010", setup + " /exitcode=3010", true, false, 740, TRUE, 3010, 0},
        {"elevation refused", setup + " /exitcode=3010", true, false, 740, FALSE, 1, 0},
        {"not a program", setup + " /exitcode=3010", true, false, ERROR_BAD_EXE_FORMAT, TRUE, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShowRun settings;
        settings.fastClock = true;
        settings.productRecord = "WAITING";
        settings.noPicture = c.noPicture;
        settings.realCreate = c.realCreate;
        settings.createError = c.createError;
        settings.shellResult = c.shellResult;
        settings.shellError = c.shellResult ? ERROR_SUCCESS : ERROR_CANCELLED;
        settings.shellChild = folder_ + "\\Setup Disk\\setup.exe /exitcode=3010";
        settings.noSetDefaultDllDirectories = true;
        EXPECT_EQ(RunMain(settings, c.line.c_str()), c.exitCode);
        EXPECT_EQ(g_run.frames.size(), c.frames);
        EXPECT_TRUE(g_run.started.empty()) << "WinExec cannot wait";
        ASSERT_EQ(g_run.created.size(), 1u);
        EXPECT_EQ(g_run.created[0], c.line);
        EXPECT_FALSE(g_run.createdNamed[0]) << "a name would skip WinExec's search";
        EXPECT_TRUE(g_run.startups[0].dwFlags & STARTF_USESHOWWINDOW);
        EXPECT_EQ(g_run.startups[0].wShowWindow, SW_SHOW);
        EXPECT_FALSE(g_run.windowAliveAtStart) << "our window stays over the installer";
        const auto start = std::find(g_run.calls.begin(), g_run.calls.end(), "CreateProcessA");
        EXPECT_TRUE(start != g_run.calls.begin() && *(start - 1) == "SetDllDirectoryA [null]")
            << "the next program inherits our search";
        EXPECT_EQ(g_run.shellStarts.size(), c.createError == 740 ? 1u : 0u);
        if (!g_run.shellStarts.empty()) {
            EXPECT_TRUE(g_run.shellStarts[0].fMask & SEE_MASK_NOCLOSEPROCESS);
        }
        for (HANDLE h : g_run.handlesGiven)
            EXPECT_NE(std::find(g_run.handlesClosed.begin(), g_run.handlesClosed.end(), h), g_run.handlesClosed.end())
                << "a handle was left open";
        EXPECT_EQ(g_run.handlesGiven.empty(), c.exitCode == 1);
        if (c.exitCode != 1) {
            EXPECT_NE(StartedPath(), "(nothing started)");
        }
        ExpectAllReleased();
    }
}

// The window procedure and the wait on a window of their own.
class WindowProcedure : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = LauncherWndProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        windowClass.lpszClassName = "OrvelineTest";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "OrvelineTest", "", WS_POPUP | WS_VISIBLE, 0, 0, 64, 48,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(window_);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA("OrvelineTest", GetModuleHandleA(nullptr));
    }
    void SetUp() override
    {
        ASSERT_NE(window_, nullptr);
        g_skipRequested = 0;
        Drain();
    }
    static void Drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    // Posts messages the test can count afterwards.
    static void PostMarkers(int count)
    {
        for (int i = 0; i < count; ++i)
            PostMessageA(window_, WM_APP, 0, 0);
    }
    static int CountLeft(UINT message)
    {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, window_, message, message, PM_REMOVE))
            ++n;
        return n;
    }
    static HWND window_;
};
HWND WindowProcedure::window_;

TEST_F(WindowProcedure, WaitOfNoTimeTakesNoMessage)
{
    PostMarkers(2);
    WaitWithMessages(0);
    EXPECT_EQ(CountLeft(WM_APP), 2);
}

TEST_F(WindowProcedure, SkipAlreadyRequestedTakesOneMessageAndReturns)
{
    PostMarkers(3);
    g_skipRequested = 1;
    const DWORD start = GetTickCount();
    WaitWithMessages(60000);
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_EQ(CountLeft(WM_APP), 2);
}

TEST_F(WindowProcedure, KeyPressEndsTheWaitRightAfterItsTurn)
{
    PostMarkers(1);
    PostMessageA(window_, WM_KEYDOWN, VK_SPACE, 1);
    PostMarkers(2);
    WaitWithMessages(60000);
    EXPECT_EQ(g_skipRequested, 1);
    EXPECT_EQ(CountLeft(WM_APP), 2) << "the wait went on after the key";
}

// Only a key press and the left and right buttons ask for a skip.
TEST_F(WindowProcedure, OnlyKeyPressesAndLeftOrRightClicksSetTheFlag)
{
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int skips;
    } cases[] = {
        {WM_KEYDOWN, 'A', 1, 1},
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 1},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5), 1},
        {WM_KEYUP, 'A', LPARAM(0xC0000001), 0},
        {WM_CHAR, 'a', 1, 0},
        {WM_SYSKEYDOWN, 'A', LPARAM(0x20000001), 0},
        {WM_SYSKEYUP, 'A', LPARAM(0xE0000001), 0},
        {WM_SYSCHAR, 'a', LPARAM(0x20000001), 0},
        {WM_MOUSEMOVE, 0, MAKELPARAM(7, 9), 0},
        {WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5), 0},
        {WM_MBUTTONUP, 0, MAKELPARAM(5, 5), 0},
        {WM_LBUTTONUP, 0, MAKELPARAM(5, 5), 0},
        {WM_RBUTTONUP, 0, MAKELPARAM(5, 5), 0},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5), 0},
    };
    for (const auto& c : cases) {
        g_skipRequested = 0;
        PostMessageA(window_, c.message, c.wParam, c.lParam);
        WaitWithMessages(100);
        Drain();
        EXPECT_EQ(g_skipRequested, c.skips) << "message 0x" << std::hex << c.message;
    }
}

// The back buffer, when there is one, is what the window shows; after the
// display is gone a paint draws nothing, yet the window is left valid.
TEST_F(WindowProcedure, PaintShowsTheBackBufferAndNothingOnceItIsGone)
{
    auto pixelAt = [](int x, int y) {
        HDC dc = GetDC(window_);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(window_, dc);
        return c;
    };
    const HWND saved = g_hWnd;
    g_hWnd = window_;
    g_screenWidth = 64;
    g_screenHeight = 48;
    InitDisplay(g_hWnd);
    ASSERT_NE(g_backBuffer.bits, nullptr);
    FillSurfaceRect(&g_backBuffer, RECT{0, 0, 64, 48}, RGB(10, 200, 30));
    InvalidateRect(window_, nullptr, TRUE);
    UpdateWindow(window_);
    EXPECT_EQ(pixelAt(40, 30), RGB(10, 200, 30));

    ShutdownDisplay();
    HDC dc = GetDC(window_);
    HBRUSH brush = CreateSolidBrush(RGB(90, 20, 140));
    RECT all{0, 0, 64, 48};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(window_, dc);
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    EXPECT_EQ(pixelAt(40, 30), RGB(90, 20, 140));
    RECT update;
    EXPECT_FALSE(GetUpdateRect(window_, &update, FALSE)) << "WM_PAINT left the window invalid";
    g_hWnd = saved;
}

// WM_CLOSE releases the display and destroys the window, whose destruction
// posts the quit message.
TEST_F(WindowProcedure, CloseReleasesTheDisplayAndDestroysTheWindow)
{
    HWND own = CreateWindowExA(0, "OrvelineTest", "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(own, nullptr);
    const HWND saved = g_hWnd;
    g_hWnd = own;
    InitDisplay(g_hWnd);
    const HBITMAP backBuffer = g_backBuffer.hBitmap;
    const HPALETTE palette = g_hPalette;
    ASSERT_NE(backBuffer, nullptr);
    EXPECT_EQ(SendMessageA(own, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(own));
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_EQ(GetObjectType(backBuffer), 0u);
    EXPECT_EQ(GetObjectType(palette), 0u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    g_hWnd = saved;
}

}  // namespace
