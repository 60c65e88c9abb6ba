#include "launcher_fakes.h"

#include "import_hook.h"
#include "window.h"
#include "show_run.h"

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

LPSTR WINAPI FakeGetCommandLine()
{
    g_run.calls.push_back("GetCommandLineA");
    if (g_run.fullCommandLine.empty())
        return realGetCommandLine();
    return g_run.fullCommandLine.data();
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

BOOL WINAPI FakeCreateProcess(LPCSTR name, LPSTR line, LPSECURITY_ATTRIBUTES process, LPSECURITY_ATTRIBUTES thread,
                              BOOL inherit, DWORD flags, LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION created)
{
    g_run.calls.push_back("CreateProcessA");
    g_run.created.push_back(line != nullptr ? line : "(null)");
    g_run.createdNamed.push_back(name != nullptr);
    g_run.startups.push_back(*startup);
    g_run.windowAliveAtStart = g_hWnd != nullptr && IsWindow(g_hWnd);
    g_run.clockAtStart = g_clock;
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

// Recorded, and whether our window was still there in front to give the
// right; passed on, so that the test program keeps its own.
BOOL WINAPI RecordAllowSetForegroundWindow(DWORD process)
{
    g_run.calls.push_back("AllowSetForegroundWindow");
    g_run.foregroundAllowed.push_back(process);
    g_run.windowInFrontAtAllow = g_hWnd != nullptr && IsWindow(g_hWnd) && IsWindowVisible(g_hWnd);
    return realAllowSetForegroundWindow(process);
}

DWORD WINAPI FakeMsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD wake)
{
    ++g_run.waits;
    if (ms == INFINITE)
        g_run.windowAliveAtEndlessWait = g_hWnd != nullptr && IsWindow(g_hWnd);
    if (g_run.waitFails) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return realMsgWaitForMultipleObjects(count, handles, all, ms, wake);
}

BOOL WINAPI FakeGetExitCodeProcess(HANDLE process, DWORD* exitCode)
{
    if (g_run.exitCodeUnreadable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return realGetExitCodeProcess(process, exitCode);
}

BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    g_run.shellStarts.push_back(*info);
    g_run.shellFiles.push_back(info->lpFile != nullptr ? info->lpFile : "(null)");
    g_run.shellParameters.push_back(info->lpParameters != nullptr ? info->lpParameters : "(null)");
    g_run.shellDirectories.push_back(info->lpDirectory != nullptr ? info->lpDirectory : "(null)");
    DWORD process = 0;
    g_run.shellOwner = info->hwnd;
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

}  // namespace

bool InstallProcessFakes()
{
    return InstallImportHooks({
        {realGetCommandLine, "kernel32.dll", "GetCommandLineA", &FakeGetCommandLine},
        {realGetModuleFileNameW, "kernel32.dll", "GetModuleFileNameW", &FakeGetModuleFileNameW},
        {realWinExec, "kernel32.dll", "WinExec", &FakeWinExec},
        {realCreateProcess, "kernel32.dll", "CreateProcessA", &FakeCreateProcess},
        {realCloseHandle, "kernel32.dll", "CloseHandle", &RecordCloseHandle},
        {realAllowSetForegroundWindow, "user32.dll", "AllowSetForegroundWindow", &RecordAllowSetForegroundWindow},
        {realMsgWaitForMultipleObjects, "user32.dll", "MsgWaitForMultipleObjects", &FakeMsgWaitForMultipleObjects},
        {realGetExitCodeProcess, "kernel32.dll", "GetExitCodeProcess", &FakeGetExitCodeProcess},
    });
}

FARPROC LookUpShellExecuteEx()
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeShellExecuteEx));
}
