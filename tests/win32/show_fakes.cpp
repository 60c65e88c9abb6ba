#include "launcher_fakes.h"

#include "import_hook.h"
#include "window.h"
#include "show_run.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

decltype(&GetTickCount) realGetTickCount;
decltype(&FindResourceA) realFindResource;
decltype(&CreateFileA) realCreateFile;
decltype(&CreateWindowExA) realCreateWindow;
decltype(&ShowWindow) realShowWindow;

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

HRSRC WINAPI FakeFindResource(HMODULE module, LPCSTR name, LPCSTR type)
{
    const bool picture = type == MAKEINTRESOURCEA(2) ||  // RT_BITMAP
                         (!IS_INTRESOURCE(type) && std::strcmp(type, "PNG") == 0);
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

// Only recorded: the pictures must come from the resources, never a file.
HANDLE WINAPI RecordCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE pattern)
{
    g_run.filesOpened.push_back(name != nullptr ? name : "(null)");
    return realCreateFile(name, access, share, security, disposition, flags, pattern);
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
    HWND window = realCreateWindow(exStyle, className, title, style, x, y, cx, cy, parent, menu,
                                   instance, param);
    if (className != nullptr && !IS_INTRESOURCE(className) && std::strcmp(className, "Orveline") == 0)
        g_run.window = window;
    return window;
}

HRESULT WINAPI RecordDwmSetWindowAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size)
{
    g_run.calls.push_back("DwmSetWindowAttribute " + std::to_string(attribute));
    g_run.dwmAttributes.push_back({window, attribute, size == sizeof(BOOL) ? *static_cast<const BOOL*>(value) : -1});
    return S_OK;
}

BOOL WINAPI RecordShowWindow(HWND window, int show)
{
    if (window == g_hWnd && show != SW_HIDE) {
        g_run.windowShown = true;
        g_run.calls.push_back("ShowWindow");
    }
    return realShowWindow(window, show);
}

}  // namespace

bool InstallShowFakes()
{
    return InstallImportHooks({
        {realGetTickCount, "kernel32.dll", "GetTickCount", &FakeGetTickCount},
        {realFindResource, "kernel32.dll", "FindResourceA", &FakeFindResource},
        {realCreateFile, "kernel32.dll", "CreateFileA", &RecordCreateFile},
        {realCreateWindow, "user32.dll", "CreateWindowExA", &FakeCreateWindow},
        {realShowWindow, "user32.dll", "ShowWindow", &RecordShowWindow},
    });
}

FARPROC LookUpDwmSetWindowAttribute()
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordDwmSetWindowAttribute));
}
