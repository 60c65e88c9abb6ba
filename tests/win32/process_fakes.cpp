#include "process_fakes.h"

#include "call_log.h"
#include "import_hook.h"
#include "show_fakes.h"
#include "window.h"

#include <cstring>

decltype(&WinExec) realWinExec;

namespace {

decltype(&GetCommandLineA) realGetCommandLine;
decltype(&GetModuleFileNameW) realGetModuleFileNameW;
decltype(&CreateProcessA) realCreateProcess;
decltype(&CloseHandle) realCloseHandle;
decltype(&AllowSetForegroundWindow) realAllowSetForegroundWindow;
decltype(&MsgWaitForMultipleObjects) realMsgWaitForMultipleObjects;
decltype(&GetExitCodeProcess) realGetExitCodeProcess;

ProcessFakeSettings given;
ProcessFakeRecord seen;

LPSTR WINAPI FakeGetCommandLine()
{
    LogCall("GetCommandLineA");
    if (given.fullCommandLine.empty())
        return realGetCommandLine();
    return given.fullCommandLine.data();
}

DWORD WINAPI FakeGetModuleFileNameW(HMODULE module, LPWSTR name, DWORD size)
{
    if (module != nullptr || given.ownPath.empty())
        return realGetModuleFileNameW(module, name, size);
    const DWORD length = DWORD(given.ownPath.size());
    if (size <= length)
        return 0;
    std::memcpy(name, given.ownPath.c_str(), (length + 1) * sizeof(wchar_t));
    return length;
}

UINT WINAPI FakeWinExec(LPCSTR commandLine, UINT show)
{
    LogCall("WinExec");
    seen.started.push_back(commandLine);
    seen.showCommands.push_back(show);
    seen.windowAliveAtStart = g_hWnd != nullptr && IsWindow(g_hWnd);
    seen.clockAtStart = FastClock();
    SetLastError(given.winExecError);
    return given.winExecResult;
}

BOOL WINAPI FakeCreateProcess(LPCSTR name, LPSTR line, LPSECURITY_ATTRIBUTES process,
                              LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags,
                              LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION created)
{
    LogCall("CreateProcessA");
    seen.created.push_back(line != nullptr ? line : "(null)");
    seen.createdNamed.push_back(name != nullptr);
    seen.startups.push_back(*startup);
    seen.windowAliveAtStart = g_hWnd != nullptr && IsWindow(g_hWnd);
    seen.clockAtStart = FastClock();
    if (!given.realCreate) {
        SetLastError(given.createError);
        return FALSE;
    }
    const BOOL ok = realCreateProcess(name, line, process, thread, inherit, flags, environment,
                                      folder, startup, created);
    if (ok) {
        seen.handlesGiven.push_back(created->hProcess);
        seen.handlesGiven.push_back(created->hThread);
    }
    return ok;
}

BOOL WINAPI RecordCloseHandle(HANDLE handle)
{
    seen.handlesClosed.push_back(handle);
    return realCloseHandle(handle);
}

// Recorded, and whether our window was still there in front to give the
// right; passed on, so that the test program keeps its own.
BOOL WINAPI RecordAllowSetForegroundWindow(DWORD process)
{
    LogCall("AllowSetForegroundWindow");
    seen.foregroundAllowed.push_back(process);
    seen.windowInFrontAtAllow = g_hWnd != nullptr && IsWindow(g_hWnd) && IsWindowVisible(g_hWnd);
    return realAllowSetForegroundWindow(process);
}

DWORD WINAPI FakeMsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL all, DWORD ms,
                                           DWORD wake)
{
    ++seen.waits;
    if (ms == INFINITE)
        seen.windowAliveAtEndlessWait = g_hWnd != nullptr && IsWindow(g_hWnd);
    if (given.waitFails) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return realMsgWaitForMultipleObjects(count, handles, all, ms, wake);
}

BOOL WINAPI FakeGetExitCodeProcess(HANDLE process, DWORD* exitCode)
{
    if (given.exitCodeUnreadable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realGetExitCodeProcess(process, exitCode);
}

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    seen.shellStarts.push_back(*info);
    seen.shellFiles.push_back(info->lpFile != nullptr ? info->lpFile : "(null)");
    seen.shellParameters.push_back(info->lpParameters != nullptr ? info->lpParameters : "(null)");
    seen.shellDirectories.push_back(info->lpDirectory != nullptr ? info->lpDirectory : "(null)");
    DWORD process = 0;
    seen.shellOwner = info->hwnd;
    seen.shellOwnerLive = IsWindow(info->hwnd) && IsWindowVisible(info->hwnd) &&
                          GetWindowThreadProcessId(info->hwnd, &process) != 0 &&
                          process == GetCurrentProcessId();
    info->hProcess = nullptr;
    if (given.shellResult && !given.shellChild.empty() &&
        (info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child;
        if (realCreateProcess(nullptr, given.shellChild.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &child)) {
            realCloseHandle(child.hThread);
            info->hProcess = child.hProcess;
            seen.handlesGiven.push_back(child.hProcess);
        }
    }
    SetLastError(given.shellError);
    return given.shellResult;
}

}  // namespace

void ResetProcessFakes(const ProcessFakeSettings& settings)
{
    given = settings;
    seen = ProcessFakeRecord{};
}

const ProcessFakeRecord& ProcessFakesSaw()
{
    return seen;
}

bool InstallProcessFakes()
{
    return InstallImportHooks({
        {realGetCommandLine, "kernel32.dll", "GetCommandLineA", &FakeGetCommandLine},
        {realGetModuleFileNameW, "kernel32.dll", "GetModuleFileNameW", &FakeGetModuleFileNameW},
        {realWinExec, "kernel32.dll", "WinExec", &FakeWinExec},
        {realCreateProcess, "kernel32.dll", "CreateProcessA", &FakeCreateProcess},
        {realCloseHandle, "kernel32.dll", "CloseHandle", &RecordCloseHandle},
        {realAllowSetForegroundWindow, "user32.dll", "AllowSetForegroundWindow",
         &RecordAllowSetForegroundWindow},
        {realMsgWaitForMultipleObjects, "user32.dll", "MsgWaitForMultipleObjects",
         &FakeMsgWaitForMultipleObjects},
        {realGetExitCodeProcess, "kernel32.dll", "GetExitCodeProcess", &FakeGetExitCodeProcess},
    });
}

FARPROC LookUpShellExecuteEx()
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeShellExecuteEx));
}
