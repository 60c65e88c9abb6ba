// Waiting, under the held picture, for the next program's first window.
// An installer's start can take seconds before it shows anything (a large
// payload read and checked from a disc, a bootstrapper starting its second
// process): the picture covers that time instead of a bare desktop.
#include "installer_window.h"
#include "window.h"

// PROCESS_QUERY_LIMITED_INFORMATION, from Windows Vista on; it is granted
// for an elevated process of the same user too, where the full query right
// is not.
static const DWORD kQueryLimitedInformation = 0x1000;
// Between two looks for the window: soon enough that the picture goes as
// the window appears, seldom enough to cost nothing.
static const DWORD kLookEveryMs = 50;

struct WindowSearch {
    FILETIME since;  // the hand-off: a process created before it is someone else's
    DWORD ourProcess;
    HWND found;
};

// Whether the process was created at the hand-off or after it. One that
// cannot be asked (another user's, a protected one) is not the installer.
static bool CreatedSince(DWORD processId, const FILETIME* since)
{
    HANDLE process = OpenProcess(kQueryLimitedInformation, FALSE, processId);
    if (process == nullptr)  // before Vista, which lacks the limited right
        process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr)
        return false;
    FILETIME created, exited, kernel, user;
    const bool known = GetProcessTimes(process, &created, &exited, &kernel, &user) != FALSE;
    CloseHandle(process);
    return known && CompareFileTime(&created, since) >= 0;
}

// A visible top-level window with an area, of a process that is not ours
// and began after the hand-off: the installer's, or its second process's
// (Inno Setup's and Burn's first window comes from one). A window of a
// program that was running before does not count.
static BOOL CALLBACK LookAtWindow(HWND window, LPARAM searchAddress)
{
    WindowSearch* search = (WindowSearch*)searchAddress;
    RECT rect;
    if (!IsWindowVisible(window) || !GetWindowRect(window, &rect) || IsRectEmpty(&rect))
        return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0 || processId == search->ourProcess ||
        !CreatedSince(processId, &search->since))
        return TRUE;
    search->found = window;
    return FALSE;
}

// Every message waiting, dispatched, until one ends the show. A quit taken
// here ends it and is posted again for the final loop.
static void PumpWaitingMessages()
{
    MSG msg;
    while (!g_skipRequested && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        PumpOneMessage();
}

int WaitForInstallerWindow(HANDLE process, const FILETIME* since, uint32_t milliseconds,
                           HWND* window)
{
    *window = nullptr;
    WindowSearch search = {*since, GetCurrentProcessId(), nullptr};
    const DWORD start = GetTickCount();
    for (;;) {
        PumpWaitingMessages();
        if (g_skipRequested)
            return kInstallerWaitCut;
        EnumWindows(LookAtWindow, (LPARAM)&search);
        if (search.found != nullptr) {
            *window = search.found;
            return kInstallerWindowShown;
        }
        // Unsigned difference: right across the tick counter's wrap.
        const uint32_t passed = GetTickCount() - start;
        if (passed >= milliseconds)
            return kInstallerTimedOut;
        const DWORD turn =
            milliseconds - passed < kLookEveryMs ? milliseconds - passed : kLookEveryMs;
        // The shell may have started the program without a process to
        // give: then only its window or the time can end the wait.
        const DWORD woken = MsgWaitForMultipleObjects(process != nullptr ? 1 : 0, &process, FALSE,
                                                      turn, QS_ALLINPUT);
        // A wait that fails would fail again at once: rather than spin, the
        // program counts as gone.
        if ((process != nullptr && woken == WAIT_OBJECT_0) || woken == WAIT_FAILED)
            return kInstallerEnded;
    }
}

void HoldWhileWindowComesUp(uint32_t milliseconds)
{
    // A window is visible to the system before its first paint has reached
    // the screen; the picture stays over that moment, answering as before.
    const DWORD start = GetTickCount();
    for (uint32_t passed = 0; passed < milliseconds && !g_skipRequested;
         passed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - passed, QS_ALLINPUT);
        PumpWaitingMessages();
    }
}

void BringInstallerForward(HWND installer, HWND ours)
{
    // Above it in the order of windows means in front of it. While our
    // window is the foreground one, we may hand that on.
    for (HWND above = GetWindow(installer, GW_HWNDPREV); above != nullptr;
         above = GetWindow(above, GW_HWNDPREV))
        if (above == ours) {
            SetForegroundWindow(installer);
            return;
        }
}
