// The hand-off to the next program: the search WinExec makes, the shell
// for a program that needs elevation, and the wait for the next program's
// exit code, both alone and through the main line.
#include "handoff.h"
#include "main_line_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A folder of programs for the lookup, each a copy of the demo setup
// program, which records its own path when it runs; the tests run with it
// as their current folder.
class HandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InstallHooks());
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "orveline-handoff-" + std::to_string(GetCurrentProcessId());
        char own[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
        ASSERT_GT(length, 0u);
        ownFolder_ = std::string(own, length).substr(0, std::string(own, length).rfind('\\'));
        char windows[MAX_PATH];
        const UINT windowsLength = GetWindowsDirectoryA(windows, MAX_PATH);
        ASSERT_GT(windowsLength, 0u);
        // The 16-bit system folder, which no call names but the search keeps.
        system16_ = std::string(windows, windowsLength) + "\\System";
        onPath_ = folder_ + "\\on path";
        for (const std::string& dir :
             {folder_, folder_ + "\\A B", folder_ + "\\Setup Disk", onPath_, system16_})
            CreateDirectoryA(dir.c_str(), nullptr);
        // One name planted in two places each, the search's order to tell.
        for (const std::string& file :
             {folder_ + "\\A B\\c d.exe", folder_ + "\\Setup Disk\\setup.exe",
              folder_ + "\\orveline-lookup-here.exe", folder_ + "\\orveline-lookup-both.exe",
              ownFolder_ + "\\orveline-lookup-both.exe", folder_ + "\\orveline-lookup-path.exe",
              onPath_ + "\\orveline-lookup-path.exe", system16_ + "\\orveline-lookup-system.exe",
              onPath_ + "\\orveline-lookup-system.exe"}) {
            ASSERT_TRUE(CopyFileA(ORVELINE_DEMO_SETUP, file.c_str(), FALSE)) << file;
            made_.push_back(file);
        }
        GetCurrentDirectoryA(MAX_PATH, saved_);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        char path[32768];
        const DWORD pathLength = GetEnvironmentVariableA("PATH", path, sizeof path);
        savedPath_ = pathLength < sizeof path ? std::string(path, pathLength) : "";
        SetEnvironmentVariableA("PATH", (onPath_ + ";" + savedPath_).c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("PATH", savedPath_.c_str());
        SetEnvironmentVariableA("NoDefaultCurrentDirectoryInExePath", nullptr);
        SetCurrentDirectoryA(saved_);
        for (const std::string& file : made_)
            DeleteFileA(file.c_str());
        DeleteFileA((folder_ + "\\started.txt").c_str());
        for (const std::string& dir :
             {folder_ + "\\A B", folder_ + "\\Setup Disk", onPath_, folder_})
            RemoveDirectoryA(dir.c_str());
    }
    // The path the demo program recorded, once it has run.
    std::string StartedPath()
    {
        const std::string record = folder_ + "\\started.txt";
        for (int i = 0; i < 200 && GetFileAttributesA(record.c_str()) == INVALID_FILE_ATTRIBUTES;
             ++i)
            Sleep(50);
        HANDLE file =
            CreateFileA(record.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "(nothing started)";
        char text[2 * MAX_PATH] = {};
        DWORD read = 0;
        ReadFile(file, text, sizeof text - 1, &read, nullptr);
        CloseHandle(file);
        DeleteFileA(record.c_str());
        return std::string(text, std::strcspn(text, "\n"));
    }
    std::string folder_, ownFolder_, system16_, onPath_, savedPath_;
    std::vector<std::string> made_;
    char saved_[MAX_PATH] = {};
};

// The shell is given the very file WinExec starts, or none: the same search,
// in the same order (the launcher's folder, the current folder unless the
// environment takes it out, the system folder, the 16-bit system folder,
// the Windows folder, then PATH), and an unquoted name with spaces read the
// same way. Each row the real WinExec can start is started and compared;
// a row it cannot start must find nothing.
TEST_F(HandOff, FindsTheProgramWinExecStarts)
{
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(systemLength, 0u);
    const std::string f = folder_, none;
    const struct {
        std::string line;
        std::string path, pathWithoutCurrent;  // empty: none
        std::string parameters;
        bool run;  // started by the real WinExec and compared
    } cases[] = {
        {"orveline-lookup-here /x", f + "\\orveline-lookup-here.exe", none, "/x", true},
        {"orveline-lookup-both.exe", ownFolder_ + "\\orveline-lookup-both.exe",
         ownFolder_ + "\\orveline-lookup-both.exe", "", true},
        {"orveline-lookup-path", f + "\\orveline-lookup-path.exe",
         onPath_ + "\\orveline-lookup-path.exe", "", true},
        {"orveline-lookup-system a", system16_ + "\\orveline-lookup-system.exe",
         system16_ + "\\orveline-lookup-system.exe", "a", true},
        {f + "\\A B\\c d.exe  /q \"r s\"", f + "\\A B\\c d.exe", f + "\\A B\\c d.exe", "/q \"r s\"",
         true},
        {"\"A B\\c d.exe\" /q", f + "\\A B\\c d.exe", f + "\\A B\\c d.exe", "/q", true},
        {"notepad file.txt", std::string(system, systemLength) + "\\notepad.exe",
         std::string(system, systemLength) + "\\notepad.exe", "file.txt", false},
        {"orveline-lookup-missing.exe /x", none, none, "", true},
    };
    for (bool withoutCurrent : {false, true}) {
        SetEnvironmentVariableA("NoDefaultCurrentDirectoryInExePath",
                                withoutCurrent ? "1" : nullptr);
        for (const auto& c : cases) {
            SCOPED_TRACE("line [" + c.line + "]" +
                         (withoutCurrent ? " without the current folder" : ""));
            const std::string& want = withoutCurrent ? c.pathWithoutCurrent : c.path;
            char path[MAX_PATH] = {};
            const char* parameters = nullptr;
            const int found = FindProgram(c.line.c_str(), path, sizeof path, &parameters);
            EXPECT_EQ(found, want.empty() ? 0 : 1) << path;
            if (found && !want.empty()) {
                EXPECT_EQ(_stricmp(path, want.c_str()), 0) << path;
                EXPECT_EQ(std::string(parameters), c.parameters);
            }
            if (!c.run)
                continue;
            const UINT started = realWinExec(c.line.c_str(), SW_SHOW);
            EXPECT_EQ(started > 31, !want.empty()) << "WinExec answered " << started;
            if (started > 31) {
                EXPECT_EQ(_stricmp(StartedPath().c_str(), want.c_str()), 0)
                    << "WinExec started another file";
            }
        }
    }
}

// WinExec first, always; the shell only when WinExec failed (31 or less)
// because the program needs elevation, and only once whatever it answers.
TEST_F(HandOff, GoesThroughTheShellOnlyWhenElevationIsRequired)
{
    const struct {
        const char* name;
        UINT winExecResult;
        DWORD winExecError;
        BOOL shellResult;
        DWORD shellError;
        int started;
        bool throughShell;
    } cases[] = {
        {"started", 33, ERROR_SUCCESS, TRUE, 0, 1, false},
        {"started, an old error left over", 32, 740, TRUE, 0, 1, false},
        {"not found", 2, ERROR_FILE_NOT_FOUND, TRUE, 0, 0, false},
        {"not a program", 11, ERROR_BAD_EXE_FORMAT, TRUE, 0, 0, false},
        {"elevation, consent given", 11, 740, TRUE, 0, 1, true},
        {"elevation at the highest failure code", 31, 740, TRUE, 0, 1, true},
        {"elevation, consent refused", 11, 740, FALSE, ERROR_CANCELLED, 0, true},
        {"elevation, shell fails too", 11, 740, FALSE, ERROR_FILE_NOT_FOUND, 0, true},
    };
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(systemLength, 0u);
    const std::string program = folder_ + "\\Setup Disk\\setup.exe";
    const std::string quoted = "\"" + program + "\" /lang en";
    const char* line = quoted.c_str();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.process.winExecResult = c.winExecResult;
        settings.process.winExecError = c.winExecError;
        settings.process.shellResult = c.shellResult;
        settings.process.shellError = c.shellError;
        ResetFakes(settings);
        EXPECT_EQ(StartNextProgram(line), c.started);
        const RunRecord run = FakesSaw();
        ASSERT_EQ(run.process.started.size(), 1u);
        EXPECT_EQ(run.process.started[0], line);
        EXPECT_EQ(run.process.showCommands[0], UINT(SW_SHOW));
        ASSERT_EQ(run.process.shellStarts.size(), c.throughShell ? 1u : 0u);
        EXPECT_EQ(run.library.librariesLoaded.size(), run.process.shellStarts.size());
        EXPECT_EQ(run.library.librariesFreed, 0)
            << "the shell may still be at work for the request";
        if (!c.throughShell)
            continue;
        // The shell comes from the system folder, never from beside us.
        EXPECT_EQ(run.library.librariesLoaded[0],
                  std::string(system, systemLength) + "\\shell32.dll");
        const SHELLEXECUTEINFOA& info = run.process.shellStarts[0];
        EXPECT_EQ(info.cbSize, sizeof info);
        EXPECT_EQ(run.process.shellFiles[0], program);
        EXPECT_EQ(run.process.shellParameters[0], "/lang en");
        EXPECT_EQ(info.lpVerb, nullptr) << "the default verb asks for consent only when needed";
        EXPECT_EQ(info.nShow, SW_SHOW);
        EXPECT_TRUE(info.fMask & SEE_MASK_NOASYNC) << "the launcher exits right after";
        EXPECT_TRUE(info.fMask & SEE_MASK_FLAG_NO_UI) << "no shell error box in front of the user";
        EXPECT_TRUE(run.process.shellOwnerLive)
            << "no visible window of ours for the consent prompt";
        EXPECT_FALSE(IsWindow(info.hwnd)) << "the stand-in window outlived the call";
        EXPECT_EQ(_stricmp(run.process.shellDirectories[0].c_str(), folder_.c_str()), 0)
            << "the elevated program starts elsewhere than a plain start: "
            << run.process.shellDirectories[0];
    }
}

// A launcher whose own folder the ANSI code page cannot say: the shell
// would be handed a path with '?' in it, so nothing is handed to it.
TEST_F(HandOff, RefusesWhenTheLaunchersFolderCannotBeSaidInAnsi)
{
    for (const std::wstring& folder :
         {std::wstring(L"Z:\\\x65e5\x672c"), std::wstring(L"Z:\\a\xD800") + L"b"}) {
        RunSettings settings;
        settings.process.ownPath = folder + L"\\orveline.exe";
        settings.process.winExecResult = 11;
        settings.process.winExecError = 740;
        ResetFakes(settings);
        char path[MAX_PATH];
        const char* parameters = nullptr;
        EXPECT_EQ(FindProgram("setup.exe", path, sizeof path, &parameters), 0);
        EXPECT_EQ(StartNextProgram("\"Setup Disk\\setup.exe\" /S"), 0);
        EXPECT_TRUE(FakesSaw().process.shellStarts.empty());
    }
    ResetFakes(RunSettings{});
}

// Through the main line, after a whole show and with nothing to show: a
// program that needs elevation still starts, its parameters apart.
TEST_F(HandOff, MainLineStartsAProgramThatNeedsElevation)
{
    for (bool noPicture : {false, true}) {
        SCOPED_TRACE(noPicture ? "no picture" : "whole show");
        RunSettings settings;
        settings.show.fastClock = true;
        settings.show.noPicture = noPicture;
        settings.process.winExecResult = 11;
        settings.process.winExecError = 740;
        const RunRecord run = RunMain(settings, "\"Setup Disk\\setup.exe\" /S");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.recorder.frames.size(), noPicture ? 0u : 128u);
        ASSERT_EQ(run.process.shellStarts.size(), 1u);
        EXPECT_EQ(run.process.shellFiles[0], folder_ + "\\Setup Disk\\setup.exe");
        EXPECT_EQ(run.process.shellParameters[0], "/S");
        ExpectAllReleased(run);
    }
}

// Waiting for the next program (the vendor's --wait): it starts through
// CreateProcessA with the same line and search as WinExec, shown, after the
// same release of the DLL search, and the launcher exits with its exit
// code, after the show or without one, and every handle it was given is
// closed. A program that needs elevation comes through the shell, whose
// process is waited for the same way; one that cannot start gives 1.
TEST_F(HandOff, WaitsForTheNextProgramAndGivesItsExitCode)
{
    const std::string setup = "\"Setup Disk\\setup.exe\"";
    const struct {
        const char* name;
        std::string line;
        bool noPicture, realCreate;
        DWORD createError;
        BOOL shellResult;
        int exitCode;
        size_t frames;
    } cases[] = {
        {"0", setup + " /exitcode=0", true, true, 0, TRUE, 0, 0},
        {"1602", setup + " /exitcode=1602", true, true, 0, TRUE, 1602, 0},
        {"3010 after the show", setup + " /exitcode=3010", false, true, 0, TRUE, 3010, 128},
        {"1641, silent", setup + " /S /exitcode=1641", false, true, 0, TRUE, 1641, 0},
        {"missing", "orveline-missing.exe /x", true, true, 0, TRUE, 1, 0},
        {"elevation, 3010", setup + " /exitcode=3010", true, false, 740, TRUE, 3010, 0},
        {"elevation refused", setup + " /exitcode=3010", true, false, 740, FALSE, 1, 0},
        {"not a program", setup + " /exitcode=3010", true, false, ERROR_BAD_EXE_FORMAT, TRUE, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.show.fastClock = true;
        settings.show.productRecord = "WAITING";
        settings.show.noPicture = c.noPicture;
        settings.process.realCreate = c.realCreate;
        settings.process.createError = c.createError;
        settings.process.shellResult = c.shellResult;
        settings.process.shellError = c.shellResult ? ERROR_SUCCESS : ERROR_CANCELLED;
        settings.process.shellChild = folder_ + "\\Setup Disk\\setup.exe /exitcode=3010";
        settings.library.noSetDefaultDllDirectories = true;
        const RunRecord run = RunMain(settings, c.line.c_str());
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.recorder.frames.size(), c.frames);
        EXPECT_TRUE(run.process.started.empty()) << "WinExec cannot wait";
        ASSERT_EQ(run.process.created.size(), 1u);
        EXPECT_EQ(run.process.created[0], c.line);
        EXPECT_FALSE(run.process.createdNamed[0]) << "a name would skip WinExec's search";
        EXPECT_TRUE(run.process.startups[0].dwFlags & STARTF_USESHOWWINDOW);
        EXPECT_EQ(run.process.startups[0].wShowWindow, SW_SHOW);
        EXPECT_FALSE(run.process.windowAliveAtStart) << "our window stays over the installer";
        const auto start = std::find(run.calls.begin(), run.calls.end(), "CreateProcessA");
        EXPECT_TRUE(start != run.calls.begin() && *(start - 1) == "SetDllDirectoryA [null]")
            << "the next program inherits our search";
        EXPECT_EQ(run.process.shellStarts.size(), c.createError == 740 ? 1u : 0u);
        if (!run.process.shellStarts.empty()) {
            EXPECT_TRUE(run.process.shellStarts[0].fMask & SEE_MASK_NOCLOSEPROCESS);
        }
        ExpectHandlesClosed(run.process);
        EXPECT_EQ(run.process.handlesGiven.empty(), c.exitCode == 1);
        if (c.exitCode != 1) {
            EXPECT_NE(StartedPath(), "(nothing started)");
        }
        ExpectAllReleased(run);
    }
}

// While it waits, the launcher answers what is sent to its thread's
// windows: an installer that broadcasts a changed setting must not hang
// on us until it has ended itself.
TEST_F(HandOff, AnswersMessagesWhileItWaits)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    struct Sender {
        HWND window;
        LRESULT answered = 0;
        static DWORD WINAPI Run(void* self)
        {
            Sender* s = static_cast<Sender*>(self);
            Sleep(300);
            DWORD_PTR result;
            s->answered =
                SendMessageTimeoutA(s->window, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL, 1000, &result);
            return 0;
        }
    } sender{window};
    RunSettings settings;
    settings.process.realCreate = true;
    ResetFakes(settings);
    HANDLE thread = CreateThread(nullptr, 0, &Sender::Run, &sender, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    DWORD exitCode = 0;
    EXPECT_EQ(RunNextProgram("\"Setup Disk\\setup.exe\" /sleep=2000 /exitcode=7", &exitCode), 1);
    EXPECT_EQ(exitCode, 7u);
    // Answers whatever is still to come before the thread is waited for.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    CloseHandle(thread);
    DestroyWindow(window);
    EXPECT_NE(sender.answered, 0) << "a message sent during the wait went unanswered for a second";
    EXPECT_GT(FakesSaw().process.waits, 0);
    ResetFakes(RunSettings{});
}

// A wait that fails, or an exit code that cannot be read, says the install
// failed (1), never the code of a process still running (259); a program
// that ends with 259 itself is still heard.
TEST_F(HandOff, AnUnknownEndGivesOne)
{
    const struct {
        const char* name;
        bool waitFails, exitCodeUnreadable;
        DWORD exitCode;
    } cases[] = {
        {"the wait fails", true, false, 1},
        {"the code cannot be read", false, true, 1},
        {"the program's own 259", false, false, 259},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.process.realCreate = true;
        settings.process.waitFails = c.waitFails;
        settings.process.exitCodeUnreadable = c.exitCodeUnreadable;
        ResetFakes(settings);
        DWORD exitCode = 0;
        EXPECT_EQ(RunNextProgram("\"Setup Disk\\setup.exe\" /exitcode=259", &exitCode), 1);
        EXPECT_EQ(exitCode, c.exitCode);
        const RunRecord run = FakesSaw();
        ExpectHandlesClosed(run.process);
        StartedPath();
    }
    ResetFakes(RunSettings{});
}

// Where the search's restriction had to be given up for the next program
// (SetDllDirectoryA, before Windows 8's loader update), a start that fails
// for want of elevation takes it back before the shell is loaded, whose
// own dependencies load by name; with the system's restriction nothing of
// it was given up.
TEST_F(HandOff, TakesTheDllSearchBackBeforeLoadingTheShell)
{
    for (bool old : {true, false})
        for (const char* record : {"PRODUCT", "WAITING"}) {
            SCOPED_TRACE(std::string(old ? "before Windows 8, " : "") + record);
            RunSettings settings;
            settings.show.noPicture = true;
            settings.show.productRecord = record;
            settings.library.noSetDefaultDllDirectories = old;
            settings.process.winExecResult = 11;
            settings.process.winExecError = 740;
            settings.process.createError = 740;
            const RunRecord run = RunMain(settings, "\"Setup Disk\\setup.exe\" /S");
            ASSERT_EQ(run.process.shellStarts.size(), 1u);
            std::vector<std::string> search;
            for (const std::string& call : run.calls)
                if (call.rfind("SetDllDirectoryA", 0) == 0 || call == "WinExec" ||
                    call == "CreateProcessA" || call == "LoadLibraryA shell32.dll")
                    search.push_back(call);
            const std::string start =
                std::string(record) == "WAITING" ? "CreateProcessA" : "WinExec";
            const std::vector<std::string> wanted =
                old ? std::vector<std::string>{"SetDllDirectoryA []", "SetDllDirectoryA [null]",
                                               start, "SetDllDirectoryA []",
                                               "LoadLibraryA shell32.dll"}
                    : std::vector<std::string>{start, "LoadLibraryA shell32.dll"};
            EXPECT_EQ(search, wanted);
            ExpectAllReleased(run);
        }
}

}  // namespace
