// Starting the next program. WinExec is the plain way, but since Windows
// Vista it cannot start a program that needs elevation (a setup program the
// system detects as an installer, or one whose manifest asks for
// administrator rights): the process creation inside it fails with
// ERROR_ELEVATION_REQUIRED and nothing starts. Only the shell can ask the
// user for consent, so such a program goes through ShellExecuteExA.
#include "launcher.h"

#include <shellapi.h>
#include <string.h>

// Windows Vista's code, missing from headers that target older systems.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int SplitCommandLine(const char* commandLine, char* program, uint32_t programSize,
                     const char** parameters)
{
    const char* p = commandLine;
    while (IsBlank(*p))
        ++p;
    const char* start = p;
    const char* end;
    if (*p == '"') {
        // A quoted program may hold spaces; a missing closing quote takes
        // the rest of the line.
        start = ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        end = p;
        if (*p == '"')
            ++p;
    } else {
        while (*p != '\0' && !IsBlank(*p))
            ++p;
        end = p;
    }
    while (IsBlank(*p))
        ++p;
    const size_t length = (size_t)(end - start);
    // Cut short, the name would start some other program.
    if (length == 0 || length >= programSize)
        return 0;
    memcpy(program, start, length);
    program[length] = '\0';
    *parameters = p;
    return 1;
}

typedef BOOL(WINAPI* ShellExecuteExProc)(SHELLEXECUTEINFOA*);

// The shell is loaded only for this rare case, so that the program's imports
// stay the four system libraries it always needs; and from the system
// folder by its full path, never from the installer medium we run from.
static int StartThroughShell(const char* commandLine)
{
    char program[MAX_PATH];
    const char* parameters;
    if (!SplitCommandLine(commandLine, program, sizeof program, &parameters))
        return 0;

    static const char kShellName[] = "\\shell32.dll";
    char shellPath[MAX_PATH];
    const UINT folderLength = GetSystemDirectoryA(shellPath, MAX_PATH);
    if (folderLength == 0 || folderLength + sizeof kShellName > sizeof shellPath)
        return 0;
    memcpy(shellPath + folderLength, kShellName, sizeof kShellName);
    HMODULE shell = LoadLibraryA(shellPath);
    if (shell == nullptr)
        return 0;

    int started = 0;
    ShellExecuteExProc shellExecute =
        (ShellExecuteExProc)(void*)GetProcAddress(shell, "ShellExecuteExA");
    if (shellExecute != nullptr) {
        SHELLEXECUTEINFOA info;
        memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        // We exit right after: the start must be complete when this returns.
        info.fMask = SEE_MASK_NOASYNC;
        info.lpFile = program;
        info.lpParameters = parameters[0] != '\0' ? parameters : nullptr;
        info.nShow = SW_SHOW;
        // A refused consent (ERROR_CANCELLED) is the user's answer: it is
        // not asked again.
        started = shellExecute(&info) ? 1 : 0;
    }
    FreeLibrary(shell);
    return started;
}

int StartNextProgram(const char* commandLine)
{
    if (WinExec(commandLine, SW_SHOW) > 31)
        return 1;
    if (GetLastError() != ERROR_ELEVATION_REQUIRED)
        return 0;
    return StartThroughShell(commandLine);
}
