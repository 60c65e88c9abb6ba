// Stands in for an installer's setup.exe: records that it was started, and
// with what, in started.txt in its working folder, and ends. The run script
// shows that record; the end-to-end tests compare it with what they passed.
// "/exitcode=N" on its command line makes N its exit code, as an installer
// says how it went; "/sleep=MS" keeps it running that long first, as an
// installer at work; "/window=MS" shows its window that long after it
// started (it stays for the sleep, answering messages), as an installer
// slow to show its first page.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

// The number after an option on the command line, or fallback without it.
static DWORD OptionMs(const char* option, DWORD fallback)
{
    const char* at = strstr(GetCommandLineA(), option);
    return at != nullptr ? strtoul(at + strlen(option), nullptr, 10) : fallback;
}

// Waits, answering whatever comes to the thread's windows.
static void WaitAnswering(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

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
    const DWORD sleep = OptionMs("/sleep=", 0);
    HWND window = nullptr;
    if (strstr(GetCommandLineA(), "/window=") != nullptr) {
        Sleep(OptionMs("/window=", 0));
        // In the top-left corner, clear of a picture centred on any screen
        // of 800 x 600 or more, so that a watcher tells the two apart.
        window = CreateWindowExA(0, "STATIC", "Setup stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                 0, 280, 180, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr)
            return 1;
    }
    WaitAnswering(sleep);
    if (window != nullptr)
        DestroyWindow(window);
    return (int)OptionMs("/exitcode=", 0);
}
