// The picture held over the next program's start (the vendor's
// --until-window): the wait for its first window on its own, with real
// stand-in installers, and through the main line, each way it can end.
#include "handoff.h"
#include "installer_window.h"
#include "main_line_harness.h"
#include "window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

const std::string kSetup = std::string("\"") + ORVELINE_DEMO_SETUP + "\"";

// The stand-ins record their start in the current folder: a folder of the
// test's own, removed afterwards.
class UntilWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InstallHooks());
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "orveline-until-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, saved_);
        ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
        RunSettings settings;
        settings.process.realCreate = true;
        ResetFakes(settings);
    }
    void TearDown() override
    {
        ExpectHandlesClosed(FakesSaw().process);
        ResetFakes(RunSettings{});
        SetCurrentDirectoryA(saved_);
        DeleteFileA((folder_ + "\\started.txt").c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    // Started as the launcher starts it, at since.
    HANDLE Start(const std::string& options, FILETIME* since)
    {
        GetSystemTimeAsFileTime(since);
        HANDLE process = nullptr;
        EXPECT_EQ(StartProgram((kSetup + " " + options).c_str(), nullptr, &process), 1);
        return process;
    }
    std::string folder_;
    char saved_[MAX_PATH] = {};
};

// A window of the launcher's class, for the input that cuts the wait short.
HWND MakeLauncherWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "OrvelineUntilTest";
    RegisterClassA(&windowClass);
    // Hidden: Wine takes seconds to take a shown window down without a
    // window manager, which would hide how soon the wait ends.
    return CreateWindowExA(0, "OrvelineUntilTest", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// Each ending on its own: what ends the wait, and how long it may take.
// Looks come at most every 50 ms and block in between, never spinning.
TEST_F(UntilWindow, EndsOnTheFirstOfWindowEndTimeAndInput)
{
    const struct {
        const char* name;
        std::string options;
        uint32_t ms;
        UINT input;  // posted to a launcher window before the wait; 0: none
        int ending;
    } cases[] = {
        {"its window appears", "/window=200 /sleep=3000", 8000, 0, kInstallerWindowShown},
        {"it ends without one", "/sleep=200", 8000, 0, kInstallerEnded},
        {"the time passes", "/sleep=3000", 400, 0, kInstallerTimedOut},
        {"a key", "/sleep=3000", 8000, WM_KEYDOWN, kInstallerWaitCut},
        {"a click", "/sleep=3000", 8000, WM_LBUTTONDOWN, kInstallerWaitCut},
        {"a close request", "/sleep=3000", 8000, WM_CLOSE, kInstallerWaitCut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_skipRequested = 0;
        HWND ours = c.input != 0 ? MakeLauncherWindow() : nullptr;
        if (c.input != 0) {
            ASSERT_NE(ours, nullptr);
            PostMessageA(ours, c.input, 0, 0);
        }
        FILETIME since;
        HANDLE process = Start(c.options, &since);
        ASSERT_NE(process, nullptr);
        const int waitsBefore = FakesSaw().process.waits;
        const DWORD start = GetTickCount();
        HWND window = nullptr;
        EXPECT_EQ(WaitForInstallerWindow(process, &since, c.ms, &window), c.ending);
        const DWORD took = GetTickCount() - start;
        if (c.ending == kInstallerWindowShown) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            EXPECT_EQ(owner, GetProcessId(process));
        } else {
            EXPECT_EQ(window, nullptr);
        }
        if (c.ending == kInstallerTimedOut) {
            EXPECT_GE(took, c.ms);
            EXPECT_LE(FakesSaw().process.waits - waitsBefore, int(c.ms / 50 + 3))
                << "the wait spins";
        }
        if (c.ending == kInstallerWaitCut) {
            EXPECT_LT(took, 2000u) << "input must end the wait at once";
        }
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
        if (ours != nullptr && IsWindow(ours))
            DestroyWindow(ours);
        // The quit a destroyed launcher window posts, taken here.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    g_skipRequested = 0;
    UnregisterClassA("OrvelineUntilTest", GetModuleHandleA(nullptr));
}

// A window of a program that was running before the hand-off is not the
// installer's, though it appears during the wait; nor does the shell's
// start without a process stop the wait from timing out.
TEST_F(UntilWindow, AWindowOfAnOlderProcessDoesNotCount)
{
    FILETIME before;
    HANDLE older = Start("/window=600 /sleep=4000", &before);
    ASSERT_NE(older, nullptr);
    Sleep(100);
    FILETIME since;
    HANDLE process = Start("/sleep=4000", &since);
    HWND window = nullptr;
    EXPECT_EQ(WaitForInstallerWindow(process, &since, 2500, &window), kInstallerTimedOut);
    EXPECT_EQ(WaitForInstallerWindow(nullptr, &since, 200, &window), kInstallerTimedOut);
    EXPECT_NE(FindWindowA(nullptr, "Setup stand-in"), nullptr) << "the older window never showed";
    for (HANDLE h : {older, process}) {
        TerminateProcess(h, 0);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }
}

// Through the main line: the program starts after the hold, under the
// picture, in front of our live window, and the fade out follows the end
// of the wait; input during the wait closes the window at once; a program
// that cannot start ends the show without waiting; a refused consent gives
// 1; with --wait the exit code is the program's, read once our window is
// gone. The fast clock gives the vendor's 700 ms in about 100 looks.
TEST_F(UntilWindow, HoldsThePictureOverTheStart)
{
    const struct {
        const char* name;
        const char* record;
        std::string options;
        bool realCreate;
        DWORD createError;
        BOOL shellResult;
        UINT ending;
        int exitCode;
        size_t frames;
    } cases[] = {
        {"its window appears", "UNTILWIN", "/window=100 /sleep=300", true, 0, TRUE, 0, 0, 128},
        {"it ends without one", "UNTILWIN", "/sleep=100", true, 0, TRUE, 0, 0, 128},
        {"the time passes", "UNTILWIN", "/sleep=8000", true, 0, TRUE, 0, 0, 128},
        {"a key", "UNTILWIN", "/sleep=8000", true, 0, TRUE, WM_KEYDOWN, 0, 64},
        {"a click", "UNTILWIN", "/sleep=8000", true, 0, TRUE, WM_LBUTTONDOWN, 0, 64},
        {"a close request", "UNTILWIN", "/sleep=8000", true, 0, TRUE, WM_SYSCOMMAND, 0, 64},
        {"missing", "UNTILWIN", "", false, ERROR_FILE_NOT_FOUND, TRUE, 0, 1, 128},
        {"elevation accepted", "UNTILWIN", "", false, 740, TRUE, 0, 0, 128},
        {"elevation refused", "UNTILWIN", "", false, 740, FALSE, 0, 1, 128},
        {"waited for", "UNTILWAIT", "/window=100 /sleep=300 /exitcode=7", true, 0, TRUE, 0, 7, 128},
        {"elevated, waited for", "UNTILWAIT", "", false, 740, TRUE, 0, 3010, 128},
    };
    int timedOutLooks = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.show.fastClock = true;
        settings.show.productRecord = c.record;
        settings.process.realCreate = c.realCreate;
        settings.process.createError = c.createError;
        settings.process.shellResult = c.shellResult;
        settings.process.shellError = c.shellResult ? ERROR_SUCCESS : ERROR_CANCELLED;
        settings.process.shellChild = kSetup + " /exitcode=3010";
        settings.show.ending = c.ending;
        // After the fade in's last frame and its hold of 1000 ms.
        settings.show.endAtFrame = c.ending != 0 ? 63 : kNoEnding;
        settings.show.endDelayMs = 1100;
        const std::string line = kSetup + " " + c.options;
        const RunRecord run = RunMain(settings, line.c_str());
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.recorder.frames.size(), c.frames);
        EXPECT_TRUE(run.process.started.empty())
            << "started through CreateProcessA, with a process to watch";
        ASSERT_EQ(run.process.created.size(), 1u);
        EXPECT_EQ(run.process.created[0], line);
        EXPECT_FALSE(run.process.createdNamed[0]) << "a name would skip WinExec's search";
        EXPECT_EQ(run.process.startups[0].wShowWindow, SW_SHOW);
        EXPECT_TRUE(run.process.windowAliveAtStart) << "the picture covers the start";
        if (c.ending != WM_SYSCOMMAND) {
            EXPECT_TRUE(run.process.windowInFrontAtAllow);
        }
        ASSERT_GE(run.recorder.frameClocks.size(), 64u);
        EXPECT_GE(run.process.clockAtStart, run.recorder.frameClocks[63] + 1000)
            << "the hold is the least the picture shows";
        if (c.frames == 128 && run.process.waits > 0) {
            // The window or the end comes before the vendor's 700 ms; that
            // the time alone ends a wait is held by the test above, on its
            // own clock.
            const DWORD waited = run.recorder.frameClocks[64] - run.process.clockAtStart;
            if (c.options != "/sleep=8000") {
                EXPECT_LT(waited, 700u) << "the wait went on after the window or the end";
            }
        }
        if (c.createError == 740) {
            ASSERT_EQ(run.process.shellStarts.size(), 1u);
            EXPECT_EQ(run.process.shellOwner, run.show.window)
                << "the consent prompt's owner is our window";
            EXPECT_TRUE(run.process.shellOwnerLive);
        }
        if (c.exitCode == 1) {
            EXPECT_EQ(run.process.waits, 0) << "nothing to wait for";
        }
        // Looks, not time: a loaded machine stretches each real look, but
        // a wait that went on after the input would take as many as the
        // wait that times out, the row before these.
        if (std::string(c.name) == "the time passes")
            timedOutLooks = run.process.waits;
        if (c.ending != 0) {
            EXPECT_LT(run.process.waits * 2, timedOutLooks) << "the wait went on after the input";
        }
        if (std::string(c.record) == "UNTILWAIT") {
            EXPECT_FALSE(run.process.windowAliveAtEndlessWait)
                << "the program is waited for under our window";
        }
        ExpectHandlesClosed(run.process);
        ExpectAllReleased(run);
    }
}

}  // namespace
