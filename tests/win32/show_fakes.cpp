#include "show_fakes.h"

#include "call_log.h"
#include "frame_recorder.h"
#include "import_hook.h"
#include "window.h"

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

ShowFakeSettings given;
ShowFakeRecord seen;
// The fast clock; it runs on from one run to the next.
DWORD ticks;

// A request to end the show, as the platform would deliver it.
void GiveEnding(bool sent)
{
    seen.ended = true;
    if (given.ending == WM_QUIT) {
        PostQuitMessage(0);
        return;
    }
    const WPARAM w = given.ending == WM_SYSCOMMAND ? SC_CLOSE : 0;
    if (sent)
        SendMessageA(g_hWnd, given.ending, w, 0);
    else
        PostMessageA(g_hWnd, given.ending, w, 0);
}

DWORD WINAPI FakeGetTickCount()
{
    if (!given.fastClock)
        return realGetTickCount();
    ticks += 7;
    if (given.ending != 0 && !seen.ended && given.endAtFrame >= 0 &&
        int(FramesRecorded().frames.size()) == given.endAtFrame + 1 &&
        ticks - FramesRecorded().clockAtFrame >= given.endDelayMs)
        GiveEnding(false);
    return ticks;
}

HRSRC WINAPI FakeFindResource(HMODULE module, LPCSTR name, LPCSTR type)
{
    const bool picture = type == MAKEINTRESOURCEA(2) ||  // RT_BITMAP
                         (!IS_INTRESOURCE(type) && std::strcmp(type, "PNG") == 0);
    if (picture && given.endAtFrame == kBeforeFirstFrame && !seen.ended)
        GiveEnding(true);
    const std::string asked = IS_INTRESOURCE(name) ? "#" : name;
    seen.resourcesAsked.push_back(asked);
    const bool scaled = _strnicmp(asked.c_str(), "Tal1280x", 8) == 0;
    const int scale = !scaled ? 0 : asked.size() == 9 ? 200 : std::atoi(asked.c_str() + 8);
    if ((picture && given.noPicture) ||
        (scaled &&
         std::find(given.scales.begin(), given.scales.end(), scale) == given.scales.end()) ||
        (given.noProductRecord && asked == "PRODUCT"))
        return nullptr;
    if (asked == "PRODUCT" && !given.productRecord.empty())
        return realFindResource(module, given.productRecord.c_str(), type);
    return realFindResource(module, name, type);
}

// Only recorded: the pictures must come from the resources, never a file.
HANDLE WINAPI RecordCreateFile(LPCSTR name, DWORD access, DWORD share,
                               LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                               HANDLE pattern)
{
    seen.filesOpened.push_back(name != nullptr ? name : "(null)");
    return realCreateFile(name, access, share, security, disposition, flags, pattern);
}

HWND WINAPI FakeCreateWindow(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                             int y, int cx, int cy, HWND parent, HMENU menu, HINSTANCE instance,
                             LPVOID param)
{
    if (className != nullptr && !IS_INTRESOURCE(className) &&
        std::strcmp(className, "Orveline") == 0) {
        ++seen.windowsAsked;
        seen.windowRect = RECT{x, y, cx, cy};
    }
    if (given.noWindow)
        return nullptr;
    HWND window = realCreateWindow(exStyle, className, title, style, x, y, cx, cy, parent, menu,
                                   instance, param);
    if (className != nullptr && !IS_INTRESOURCE(className) &&
        std::strcmp(className, "Orveline") == 0)
        seen.window = window;
    return window;
}

HRESULT WINAPI RecordDwmSetWindowAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size)
{
    LogCall("DwmSetWindowAttribute " + std::to_string(attribute));
    seen.dwmAttributes.push_back(
        {window, attribute, size == sizeof(BOOL) ? *static_cast<const BOOL*>(value) : -1});
    return S_OK;
}

BOOL WINAPI RecordShowWindow(HWND window, int show)
{
    if (window == g_hWnd && show != SW_HIDE) {
        seen.windowShown = true;
        LogCall("ShowWindow");
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

void ResetShowFakes(const ShowFakeSettings& settings)
{
    given = settings;
    seen = ShowFakeRecord{};
}

const ShowFakeRecord& ShowFakesSaw()
{
    return seen;
}

DWORD FastClock()
{
    return ticks;
}

FARPROC LookUpDwmSetWindowAttribute()
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordDwmSetWindowAttribute));
}
