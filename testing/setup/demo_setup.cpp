// Stands in for an installer's setup.exe: records that it was started, and
// with what, in started.txt in its working folder, and ends. The run script
// shows that record; the end-to-end tests compare it with what they passed.
// "/exitcode=N" on its command line makes N its exit code, as an installer
// says how it went; "/sleep=MS" keeps it running that long first, as an
// installer at work.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char record[2 * MAX_PATH + 8192];
    DWORD length = GetModuleFileNameA(nullptr, record, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    record[length++] = '\n';
    const char* commandLine = GetCommandLineA();
    while (*commandLine != '\0' && length < sizeof record - 1)
        record[length++] = *commandLine++;
    record[length++] = '\n';

    // Written aside and renamed, so that a reader never sees half a record.
    HANDLE file = CreateFileA("started.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, record, length, &written, nullptr) && written == length;
    CloseHandle(file);
    if (!ok || !MoveFileExA("started.tmp", "started.txt", MOVEFILE_REPLACE_EXISTING))
        return 1;
    const char* sleep = strstr(GetCommandLineA(), "/sleep=");
    if (sleep != nullptr)
        Sleep(strtoul(sleep + 7, nullptr, 10));
    const char* exitCode = strstr(GetCommandLineA(), "/exitcode=");
    return exitCode != nullptr ? (int)strtoul(exitCode + 10, nullptr, 10) : 0;
}
