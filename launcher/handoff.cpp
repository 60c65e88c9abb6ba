// Starting the next program. WinExec is the plain way, but since Windows
// Vista it cannot start a program that needs elevation (a setup program the
// system detects as an installer, or one whose manifest asks for
// administrator rights): the process creation inside it fails with
// ERROR_ELEVATION_REQUIRED and nothing starts. Only the shell can ask the
// user for consent, so such a program goes through ShellExecuteExA.
#include "handoff.h"
#include "dll_search.h"
#include "command_line.h"

#include <shellapi.h>
#include <string.h>

// Windows Vista's code, missing from headers that target older systems.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif

// Where WinExec looks for a program named without a full path, in
// CreateProcess's documented order. Each folder is searched on its own, so
// that a folder whose name holds a ';' cannot split into two.
struct ProgramSearch {
    char launcher[MAX_PATH];  // with its closing separator
    char system[MAX_PATH];
    char system16[MAX_PATH];  // Windows\System: no call names it, but it is searched
    char windows[MAX_PATH];
    char* path;  // PATH, or null
};

// The launcher's own folder in the ANSI code page. The shell is handed an
// ANSI path, and a folder whose name that code page cannot say would come
// out with '?' in it: some other folder, or none. False then.
static bool FindLauncherFolder(char* folder, uint32_t size)
{
    wchar_t wide[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    while (length > 0 && wide[length - 1] != L'\\' && wide[length - 1] != L'/')
        --length;
    if (length == 0)
        return false;
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide, (int)length, folder, (int)size - 1, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    folder[bytes] = '\0';
    // Said exactly only if it reads back as the same name: best-fit and
    // default characters both change it.
    wchar_t back[MAX_PATH];
    const int units =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, folder, bytes, back, MAX_PATH);
    return units == (int)length && memcmp(back, wide, length * sizeof(wchar_t)) == 0;
}

// A folder the system wrote into a buffer: emptied when it did not fit.
static void KeepWholeFolder(char* folder, UINT length)
{
    if (length == 0 || length >= MAX_PATH)
        folder[0] = '\0';
}

static bool PrepareProgramSearch(ProgramSearch* search)
{
    search->path = nullptr;
    if (!FindLauncherFolder(search->launcher, sizeof search->launcher))
        return false;
    KeepWholeFolder(search->system, GetSystemDirectoryA(search->system, MAX_PATH));
    const UINT windowsLength = GetWindowsDirectoryA(search->windows, MAX_PATH);
    KeepWholeFolder(search->windows, windowsLength);
    static const char kSystem16[] = "\\System";
    search->system16[0] = '\0';
    if (search->windows[0] != '\0' && windowsLength + sizeof kSystem16 <= sizeof search->system16) {
        memcpy(search->system16, search->windows, windowsLength);
        memcpy(search->system16 + windowsLength, kSystem16, sizeof kSystem16);
    }
    const DWORD pathSize = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (pathSize > 1) {
        search->path = (char*)LocalAlloc(LMEM_FIXED, pathSize);
        if (search->path == nullptr)
            return false;
        const DWORD length = GetEnvironmentVariableA("PATH", search->path, pathSize);
        if (length == 0 || length >= pathSize) {
            LocalFree(search->path);
            search->path = nullptr;
        }
    }
    return true;
}

// One candidate name in one folder, looked up as WinExec would: ".exe"
// added when it has no extension, and a folder of that name does not count.
// An empty folder is never searched: SearchPathA would take it for its own
// default order.
static bool SearchIn(const char* folders, const char* name, char* path, uint32_t pathSize)
{
    if (folders == nullptr || folders[0] == '\0')
        return false;
    const DWORD length = SearchPathA(folders, name, ".exe", pathSize, path, nullptr);
    if (length == 0 || length >= pathSize)
        return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

typedef BOOL(WINAPI* NeedCurrentDirectoryProc)(LPCSTR);

// Whether the current folder is searched for this name: not where the
// environment variable NoDefaultCurrentDirectoryInExePath says so, unless
// the name holds a path. Before Vista the call is missing and the current
// folder always counts.
static bool SearchesCurrentFolder(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    NeedCurrentDirectoryProc need = kernel != nullptr
                                        ? (NeedCurrentDirectoryProc)(void*)GetProcAddress(
                                              kernel, "NeedCurrentDirectoryForExePathA")
                                        : nullptr;
    return need == nullptr || need(name);
}

static bool SearchForProgram(const ProgramSearch* search, const char* name, char* path,
                             uint32_t pathSize)
{
    return SearchIn(search->launcher, name, path, pathSize) ||
           (SearchesCurrentFolder(name) && SearchIn(".", name, path, pathSize)) ||
           SearchIn(search->system, name, path, pathSize) ||
           SearchIn(search->system16, name, path, pathSize) ||
           SearchIn(search->windows, name, path, pathSize) ||
           SearchIn(search->path, name, path, pathSize);
}

int FindProgram(const char* commandLine, char* path, uint32_t pathSize, const char** parameters)
{
    ProgramSearch search;
    if (!PrepareProgramSearch(&search))
        return 0;
    char name[MAX_PATH];
    const char* rest = nullptr;
    int found = 0;
    const char* p = SkipBlanks(commandLine);
    if (*p == '"') {
        // A quoted name is the whole name, spaces and all.
        found = SplitCommandLine(p, name, sizeof name, &rest) &&
                SearchForProgram(&search, name, path, pathSize);
    } else {
        // Unquoted, a name with spaces is ambiguous: like WinExec, take the
        // first candidate that names a program.
        const char* end = p;
        while (!found && NextUnquotedCandidate(p, &end, name, sizeof name))
            found = SearchForProgram(&search, name, path, pathSize);
        rest = SkipBlanks(end);
    }
    if (search.path != nullptr)
        LocalFree(search.path);
    if (found)
        *parameters = rest;
    return found;
}

typedef BOOL(WINAPI* ShellExecuteExProc)(SHELLEXECUTEINFOA*);

// The shell is loaded only for this rare case, so that the program's imports
// stay the four system libraries it always needs; and from the system
// folder by its full path, never from the installer medium we run from.
// With process, the started program's handle comes back there, or null when
// the shell started none it could give. The consent prompt's owner is ours,
// or with none, a stand-in.
static int StartThroughShell(const char* commandLine, HWND owner, HANDLE* process)
{
    // The shell searches for programs its own way: it is given the very file
    // WinExec found, by its full path.
    char program[MAX_PATH];
    const char* parameters;
    if (!FindProgram(commandLine, program, sizeof program, &parameters))
        return 0;

    // The start that failed gave up our restriction of the DLL search for
    // the program it was to start; the shell's own dependencies load by
    // name, so the restriction comes back before the shell is loaded.
    RestoreDllSearch();
    HMODULE shell = LoadSystemLibrary("shell32.dll");
    if (shell == nullptr)
        return 0;

    // The consent prompt comes up in front only for a process that has a
    // window in the foreground; without one it may open behind, or only
    // flash on the taskbar, while the call waits and the user sees nothing.
    // Where our own window is gone by now, a 1 x 1 tool window, with no
    // taskbar button, stands in for it until the call returns.
    HWND standIn = nullptr;
    if (owner == nullptr) {
        standIn =
            CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE,
                            0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        owner = standIn;
    }
    if (owner != nullptr)
        SetForegroundWindow(owner);
    // The elevated program starts in the folder a plain start would give it,
    // not in the system folder the shell would choose.
    char directory[MAX_PATH];
    const DWORD directoryLength = GetCurrentDirectoryA(MAX_PATH, directory);

    int started = 0;
    ShellExecuteExProc shellExecute =
        (ShellExecuteExProc)(void*)GetProcAddress(shell, "ShellExecuteExA");
    if (shellExecute != nullptr) {
        SHELLEXECUTEINFOA info;
        memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        // We exit right after: the start must be complete when this returns.
        // A failure is reported by the exit code, never by a message box
        // in front of the user.
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI |
                     (process != nullptr ? SEE_MASK_NOCLOSEPROCESS : 0);
        info.hwnd = owner;
        info.lpFile = program;
        info.lpParameters = parameters[0] != '\0' ? parameters : nullptr;
        info.lpDirectory = directoryLength > 0 && directoryLength < MAX_PATH ? directory : nullptr;
        info.nShow = SW_SHOW;
        // A refused consent (ERROR_CANCELLED) is the user's answer: it is
        // not asked again.
        started = shellExecute(&info) ? 1 : 0;
        if (process != nullptr)
            *process = started ? info.hProcess : nullptr;
    }
    if (standIn != nullptr)
        DestroyWindow(standIn);
    // The shell stays loaded: it may still be running work of its own for
    // the request, and the process ends soon after.
    return started;
}

int StartNextProgram(const char* commandLine)
{
    // The next program inherits our DLL search: give it back its own first.
    ReleaseDllSearch();
    if (WinExec(commandLine, SW_SHOW) > 31)
        return 1;
    if (GetLastError() != ERROR_ELEVATION_REQUIRED)
        return 0;
    return StartThroughShell(commandLine, nullptr, nullptr);
}

// Dispatches whatever comes in while the next program runs: a thread that
// has made windows must answer messages sent to it, or a program that
// broadcasts to every window (an installer announcing a changed setting)
// hangs on us. A quit is not ours to act on here.
static void DispatchWaitingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

DWORD WaitForProgram(HANDLE process)
{
    // Messages already in the queue do not wake the wait: each turn takes
    // them all first.
    for (;;) {
        DispatchWaitingMessages();
        const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1)
            return DWORD(kProgramUnknownExit);
    }
    // Read only once the process has ended: before, the code would be
    // STILL_ACTIVE, which is no answer of the installer's.
    DWORD exitCode;
    return GetExitCodeProcess(process, &exitCode) ? exitCode : DWORD(kProgramUnknownExit);
}

int StartProgram(const char* commandLine, HWND owner, HANDLE* process)
{
    *process = nullptr;
    ReleaseDllSearch();
    // CreateProcess may write into the line it is given; ours may be a
    // constant. Without a program name it searches as WinExec does, which
    // is WinExec's own way of starting one.
    const size_t size = strlen(commandLine) + 1;
    char* line = (char*)LocalAlloc(LMEM_FIXED, size);
    if (line == nullptr)
        return 0;
    memcpy(line, commandLine, size);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION created;
    int started = 0;
    if (CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &created)) {
        CloseHandle(created.hThread);
        *process = created.hProcess;
        started = 1;
    } else if (GetLastError() == ERROR_ELEVATION_REQUIRED) {
        started = StartThroughShell(commandLine, owner, process);
    }
    LocalFree(line);
    return started;
}

int RunNextProgram(const char* commandLine, DWORD* exitCode)
{
    *exitCode = 0;
    HANDLE process;
    const int started = StartProgram(commandLine, nullptr, &process);
    // A start the shell handed elsewhere gives no process to wait for: it
    // started, and that is all there is to say.
    if (process != nullptr) {
        *exitCode = WaitForProgram(process);
        CloseHandle(process);
    }
    return started;
}
