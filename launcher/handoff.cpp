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

const char* CommandLineAfterName(const char* fullCommandLine)
{
    // Unsigned bytes throughout: a name followed by "Über.exe" must not
    // lose the first byte of the next word to a signed "blank" test.
    const unsigned char* p = (const unsigned char*)fullCommandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p != '\0' && *p <= ' ')
        ++p;
    return (const char*)p;
}

// A folder and a separator onto the end of a search list; false when it
// does not fit.
static bool AppendFolder(char* list, uint32_t size, uint32_t* used, const char* folder,
                         uint32_t length)
{
    if (length == 0 || *used + length + 2 > size)
        return false;
    memcpy(list + *used, folder, length);
    *used += length;
    list[(*used)++] = ';';
    list[*used] = '\0';
    return true;
}

// The folders WinExec searches, in its order: the launcher's own folder,
// the current folder, the system folder, the Windows folder, then PATH.
static char* ProgramSearchList()
{
    const DWORD pathLength = GetEnvironmentVariableA("PATH", nullptr, 0);
    const uint32_t size = 4 * MAX_PATH + 8 + pathLength;
    char* list = (char*)LocalAlloc(LMEM_FIXED, size);
    if (list == nullptr)
        return nullptr;
    uint32_t used = 0;
    list[0] = '\0';

    char folder[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        while (length > 0 && folder[length - 1] != '\\' && folder[length - 1] != '/')
            --length;
        if (length > 1)
            --length;  // the folder without its closing separator
        AppendFolder(list, size, &used, folder, length);
    }
    AppendFolder(list, size, &used, ".", 1);
    length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length < MAX_PATH)
        AppendFolder(list, size, &used, folder, length);
    length = GetWindowsDirectoryA(folder, MAX_PATH);
    if (length < MAX_PATH)
        AppendFolder(list, size, &used, folder, length);
    if (pathLength > 0 && GetEnvironmentVariableA("PATH", list + used, size - used) < size - used)
        used += (uint32_t)strlen(list + used);
    return list;
}

// One candidate name, looked up as WinExec would: ".exe" added when it has
// no extension, and a folder of that name does not count.
static bool SearchFor(const char* searchList, const char* name, char* path, uint32_t pathSize)
{
    const DWORD length = SearchPathA(searchList, name, ".exe", pathSize, path, nullptr);
    if (length == 0 || length >= pathSize)
        return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

int FindProgram(const char* commandLine, char* path, uint32_t pathSize, const char** parameters)
{
    char* searchList = ProgramSearchList();
    if (searchList == nullptr)
        return 0;
    char name[MAX_PATH];
    const char* rest = nullptr;
    int found = 0;
    const char* p = commandLine;
    while (IsBlank(*p))
        ++p;
    if (*p == '"') {
        // A quoted name is the whole name, spaces and all.
        found = SplitCommandLine(p, name, sizeof name, &rest) && SearchFor(searchList, name, path, pathSize);
    } else {
        // Unquoted, a name with spaces is ambiguous: like WinExec, try the
        // text up to each blank in turn, shortest first, and take the first
        // that names a program.
        const char* end = p;
        while (!found && *end != '\0') {
            while (IsBlank(*end))
                ++end;
            while (*end != '\0' && !IsBlank(*end))
                ++end;
            const size_t length = (size_t)(end - p);
            if (length >= sizeof name)
                break;
            memcpy(name, p, length);
            name[length] = '\0';
            found = SearchFor(searchList, name, path, pathSize);
        }
        rest = end;
        while (IsBlank(*rest))
            ++rest;
    }
    LocalFree(searchList);
    if (found)
        *parameters = rest;
    return found;
}

typedef BOOL(WINAPI* ShellExecuteExProc)(SHELLEXECUTEINFOA*);

// The shell is loaded only for this rare case, so that the program's imports
// stay the four system libraries it always needs; and from the system
// folder by its full path, never from the installer medium we run from.
static int StartThroughShell(const char* commandLine)
{
    // The shell searches for programs its own way: it is given the very file
    // WinExec found, by its full path.
    char program[MAX_PATH];
    const char* parameters;
    if (!FindProgram(commandLine, program, sizeof program, &parameters))
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
        // A failure is reported by the exit code, never by a message box
        // in front of the user.
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
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
