// The main line on real windows under Wine, with the platform's calls it
// makes faked or recorded (main_line_harness.h): the show's frames, its
// endings, its timings and title, the picture it picks and the screen it
// covers, and the start of the next program after it.
#include "import_hook.h"
#include "main_line_harness.h"
#include "../show_levels.h"
#include "show.h"
#include "window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A screen smaller than the picture: each frame shows the picture's middle
// part, centred as if the whole were drawn, with nothing written outside the
// back buffer. A right click ends the show after the frame it follows.
TEST_F(MainLine, PictureLargerThanTheScreenIsClippedAndAClickEndsTheShow)
{
    const std::vector<int> levels = ShowLevels();
    struct Case {
        int clickAtFrame;
        size_t frames;
    } cases[] = {{-1, 128}, {0, 1}, {63, 64}, {70, 71}};
    for (const Case& c : cases) {
        SCOPED_TRACE("click after frame " + std::to_string(c.clickAtFrame));
        RunSettings settings;
        settings.system.screenWidth = 160;  // 35 and 45 short: each position rounds toward zero
        settings.system.screenHeight = 100;
        settings.show.fastClock = true;
        settings.recorder.clickAtFrame = c.clickAtFrame;
        const RunRecord run = RunMain(settings, "next.exe --from \"a b\"");
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.recorder.pictureWidth, 195) << "the small picture is the one for this width";
        ASSERT_EQ(run.recorder.frames.size(), c.frames);
        for (size_t i = 0; i < run.recorder.frames.size(); ++i)
            ASSERT_EQ(FirstWrongPixel(settings, run, i, levels[i]), "") << "frame " << i;
        EXPECT_GE(run.recorder.paints, 1) << "the window never showed the desktop copy";
        ASSERT_EQ(run.process.started.size(), 1u);
        EXPECT_EQ(run.process.started[0], "next.exe --from \"a b\"");
        EXPECT_EQ(run.process.showCommands[0], UINT(SW_SHOW));
        EXPECT_FALSE(run.process.windowAliveAtStart) << "the window must close before the hand-off";
        ExpectAllReleased(run);
    }
}

// Nothing to show: no back buffer to fade into, no window (so no quit
// message to wait for), no picture, or no copy of the desktop to fade over.
// No frame is drawn, everything is released, and the next program starts
// at once, before the window closes; the window is shown only when there
// is a desktop to show in it.
TEST_F(MainLine, NothingToShowStillStartsTheNextProgram)
{
    const struct {
        const char* name;
        void (*fail)(RunSettings&);
        const char* commandLine;
        const char* started;
        bool windowAliveAtStart, shown;
    } cases[] = {
        {"no back buffer", [](RunSettings& s) { s.recorder.noBackBuffer = true; }, "next.exe",
         "next.exe", true, false},
        {"no window", [](RunSettings& s) { s.show.noWindow = true; }, "next.exe", "next.exe", false,
         false},
        {"no picture", [](RunSettings& s) { s.show.noPicture = true; }, "", "setup.exe", true,
         true},
        {"no desktop copy", [](RunSettings& s) { s.recorder.noDesktopCopy = true; }, "next.exe a",
         "next.exe a", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        c.fail(settings);
        const RunRecord run = RunMain(settings, c.commandLine);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.recorder.frames.empty());
        ASSERT_EQ(run.process.started.size(), 1u);
        EXPECT_EQ(run.process.started[0], c.started);
        EXPECT_EQ(run.process.showCommands[0], UINT(SW_SHOW));
        EXPECT_EQ(run.process.windowAliveAtStart, c.windowAliveAtStart);
        EXPECT_EQ(run.show.windowShown, c.shown);
        if (!c.shown) {
            EXPECT_EQ(run.recorder.paints, 0) << "the window was painted without a desktop to show";
        }
        ExpectAllReleased(run);
    }
}

// A class of that name already there: no window and no show, but the next
// program starts.
TEST_F(MainLine, ClassThatCannotBeRegisteredStillStartsTheNextProgram)
{
    WNDCLASSA other = {};
    other.lpfnWndProc = DefWindowProcA;
    other.hInstance = GetModuleHandleA(nullptr);
    other.lpszClassName = "Orveline";
    ASSERT_NE(RegisterClassA(&other), 0);
    const RunRecord run = RunMain(RunSettings{}, "next.exe /S");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(g_hWnd, nullptr);
    ASSERT_EQ(run.process.started.size(), 1u);
    EXPECT_EQ(run.process.started[0], "next.exe /S");
    EXPECT_EQ(g_dcCounts.taken(), 0);
}

// Every way to end the show early, at every moment: a close request (as
// Alt+F4, the taskbar or Task Manager give it), the system close command,
// and a quit message. The show stops drawing, the window and everything
// else goes, and the next program starts with its command line, exit code 0.
TEST_F(MainLine, EveryEndingStopsTheShowAndStartsTheNextProgram)
{
    const struct {
        const char* moment;
        int atFrame;
        DWORD delayMs;
        size_t frames;  // drawn before the ending took effect
    } moments[] = {
        {"before the first frame", kBeforeFirstFrame, 0, 0},
        {"in the fade in", 10, 0, 11},
        {"in the hold", 63, 500, 64},
        {"in the fade out", 80, 0, 81},
        {"in the last wait", 127, 0, 128},
    };
    const struct {
        const char* name;
        UINT message;
    } endings[] = {{"WM_CLOSE", WM_CLOSE}, {"SC_CLOSE", WM_SYSCOMMAND}, {"WM_QUIT", WM_QUIT}};
    for (const auto& e : endings)
        for (const auto& m : moments) {
            SCOPED_TRACE(std::string(e.name) + " " + m.moment);
            RunSettings settings;
            settings.show.fastClock = true;
            settings.show.ending = e.message;
            settings.show.endAtFrame = m.atFrame;
            settings.show.endDelayMs = m.delayMs;
            const RunRecord run = RunMain(settings, "next.exe \"two words\"");
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_TRUE(run.show.ended);
            // A quit posted while the picture loads waits in the queue
            // until the first wait takes it, after the first frame.
            const size_t frames =
                e.message == WM_QUIT && m.atFrame == kBeforeFirstFrame ? 1 : m.frames;
            EXPECT_EQ(run.recorder.frames.size(), frames);
            ASSERT_EQ(run.process.started.size(), 1u);
            EXPECT_EQ(run.process.started[0], "next.exe \"two words\"");
            EXPECT_FALSE(run.process.windowAliveAtStart);
            ExpectAllReleased(run);
        }
}

// The show follows the program's product record (product/vendor.rc): fades
// of 641 and 1300 ms wait 10 and 20 ms after each frame, the hold waits its
// 1000 ms, and the title is the vendor's, in other scripts than Latin.
// Without a record the shipped show plays under the shipped title.
TEST_F(MainLine, PlaysTheTimingsAndTitleOfItsProductRecord)
{
    const struct {
        bool noRecord;
        DWORD fadeInWait, holdMs, fadeOutWait;
        const wchar_t* title;
    } cases[] = {
        {false, 10, 1000, 20, L"\x00dc\x0062\x0065\x0072 \x65e5\x672c"},
        {true, 20, 2000, 10, L"Orveline"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.noRecord ? "no record" : "the vendor's record");
        RunSettings settings;
        settings.show.fastClock = true;
        settings.system.dpi = 96;
        settings.show.noProductRecord = c.noRecord;
        const RunRecord run = RunMain(settings, "next.exe");
        ASSERT_EQ(run.recorder.frameClocks.size(), size_t(kShowFrameCount));
        EXPECT_EQ(run.recorder.title, c.title);
        // Each gap is the wait and what the clock's 7 ms steps add to it.
        const std::vector<DWORD>& clocks = run.recorder.frameClocks;
        auto gap = [&](int frame) { return clocks[size_t(frame)] - clocks[size_t(frame) - 1]; };
        for (int frame = 1; frame < kShowFrameCount; ++frame) {
            const DWORD wait = frame < kFadeInFrameCount    ? c.fadeInWait
                               : frame == kFadeInFrameCount ? c.fadeInWait + c.holdMs
                                                            : c.fadeOutWait;
            EXPECT_GE(gap(frame), wait) << "frame " << frame;
            EXPECT_LT(gap(frame), wait + (frame == kFadeInFrameCount ? 30 : 15))
                << "frame " << frame;
        }
        ExpectAllReleased(run);
    }
}

// Animations turned off, or a Remote Desktop session: no fades. One frame
// at the full level, held for the vendor's hold (1000 ms), then the window
// goes and the next program starts; a skip or a close request during the
// hold ends it as always. A system without the setting keeps the fades.
TEST_F(MainLine, StillPictureWithoutAnimations)
{
    const struct {
        const char* name;
        bool animationsOff, remote, noSetting;
        UINT ending;  // during the hold, 300 ms in
        size_t frames;
        GlassSession glass = kRealGlassSession;
    } cases[] = {
        {"animations off", true, false, false, 0, 1},
        {"remote", false, true, false, 0, 1},
        {"both", true, true, false, 0, 1},
        {"a key in the hold", true, false, false, WM_KEYDOWN, 1},
        {"a close request in the hold", false, true, false, WM_CLOSE, 1},
        {"no such setting", true, false, true, 0, 128},
        // RemoteFX's virtual graphics: the metric says local, the console
        // is another session's.
        {"RemoteFX", false, false, false, 0, 1, kOtherGlassSession},
        {"the console's own session", false, false, false, 0, 128, kOurGlassSession},
        {"no console session named", false, false, false, 0, 128, kNoGlassSession},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.show.fastClock = true;
        settings.system.screenWidth = 400;
        settings.system.screenHeight = 300;
        settings.system.animationsOff = c.animationsOff;
        settings.system.remote = c.remote;
        settings.system.noAnimationSetting = c.noSetting;
        settings.system.glassSession = c.glass;
        settings.show.ending = c.ending;
        settings.show.endAtFrame = c.ending != 0 ? 0 : kNoEnding;
        settings.show.endDelayMs = 300;
        const RunRecord run = RunMain(settings, "next.exe /S");
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.recorder.frames.size(), c.frames);
        ASSERT_EQ(FirstWrongPixel(settings, run, 0, c.frames == 1 ? 255 : 0), "");
        ASSERT_EQ(run.process.started.size(), 1u);
        EXPECT_EQ(run.process.started[0], "next.exe /S");
        EXPECT_FALSE(run.process.windowAliveAtStart);
        if (c.frames == 1) {
            // The clock's 7 ms steps come on top of the wait.
            const DWORD held = run.process.clockAtStart - run.recorder.frameClocks[0];
            const DWORD wanted = c.ending != 0 ? 300 : 1000;
            EXPECT_GE(held, wanted);
            EXPECT_LT(held, wanted + 100);
        }
        EXPECT_EQ(run.system.keysClosed, run.system.keysOpened);
        ExpectAllReleased(run);
    }
}

// A frame's cost follows the picture, not the screen: the first frame of a
// show restores and shows the whole screen, every later one only the
// picture's block, and each is still the whole right picture.
TEST_F(MainLine, LaterFramesTransferOnlyThePicturesBlock)
{
    const std::vector<int> levels = ShowLevels();
    const struct {
        const char* name;
        int width, height;
        bool animationsOff;
        size_t frames;
        LONG blockCx, blockCy;
    } cases[] = {
        {"fades", 400, 300, false, 128, 195, 0},
        {"the still picture", 400, 300, true, 1, 195, 0},
        {"a picture larger than the screen", 160, 100, false, 128, 160, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.show.fastClock = true;
        settings.system.screenWidth = c.width;
        settings.system.screenHeight = c.height;
        settings.system.animationsOff = c.animationsOff;
        const RunRecord run = RunMain(settings, "next.exe");
        EXPECT_EQ(run.exitCode, 0);
        ASSERT_EQ(run.recorder.frames.size(), c.frames);
        const LONG blockCy = c.blockCy != 0 ? c.blockCy : run.recorder.pictureHeight;
        for (size_t i = 0; i < c.frames; ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            const bool whole = i == 0;
            const SIZE want = whole ? SIZE{c.width, c.height} : SIZE{c.blockCx, blockCy};
            EXPECT_EQ(run.recorder.frameRestores[i].cx, want.cx);
            EXPECT_EQ(run.recorder.frameRestores[i].cy, want.cy);
            EXPECT_EQ(run.recorder.framePresents[i].cx, want.cx);
            EXPECT_EQ(run.recorder.framePresents[i].cy, want.cy);
            ASSERT_EQ(FirstWrongPixel(settings, run, i, c.frames == 1 ? 255 : levels[i]), "");
        }
        ExpectAllReleased(run);
    }
}

// A silent switch of the vendor's (here "/S /VERYSILENT --quiet") standing
// alone on the command line: no window and no show, and the next program
// starts at once with the whole line. Anywhere else it is no switch.
TEST_F(MainLine, SilentSwitchSkipsTheShow)
{
    const struct {
        const char* record;
        std::string line;
        bool silent;
    } cases[] = {
        {"SILENT", "setup.exe /S", true},
        {"SILENT", "\"Setup Disk\\setup.exe\" /lang en --QUIET", true},
        {"SILENT", "/verysilent\tsetup.exe", true},
        {"SILENT", "setup.exe /SILENT", false},
        {"SILENT", "setup.exe \"/S\"", false},
        {"PRODUCT", "setup.exe /S", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.record) + " [" + c.line + "]");
        RunSettings settings;
        settings.show.fastClock = true;
        settings.show.productRecord = c.record;
        settings.recorder.clickAtFrame = 0;
        const RunRecord run = RunMain(settings, c.line.c_str());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.show.windowsAsked, c.silent ? 0 : 1);
        EXPECT_EQ(run.recorder.frames.size(), c.silent ? 0u : 1u);
        ASSERT_EQ(run.process.started.size(), 1u);
        EXPECT_EQ(run.process.started[0], c.line);
        ExpectAllReleased(run);
    }
}

// Where the vendor asked for the monitor holding the pointer, the window
// covers that monitor, the snapshot comes from there, and the picture is
// the one for its width; a pointer on no monitor means the primary, as
// does a product that did not ask.
TEST_F(MainLine, CoversTheMonitorHoldingThePointer)
{
    const RECT primary{0, 0, 1024, 768}, right{1024, 100, 1824, 700}, left{-640, -480, 0, 0};
    const struct {
        const char* name;
        const char* record;
        POINT cursor;
        RECT covered;
        int pictureWidth;
    } cases[] = {
        {"on the right", "POINTER", {1500, 300}, right, 195},
        {"on the left, above", "POINTER", {-1, -1}, left, 195},
        {"on the primary", "POINTER", {1023, 767}, primary, 317},
        {"on none", "POINTER", {5000, 300}, primary, 317},
        {"not asked", "PRODUCT", {1500, 300}, primary, 317},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.show.fastClock = true;
        settings.system.screenWidth = 1024;
        settings.system.screenHeight = 768;
        settings.system.dpi = 96;
        settings.show.productRecord = c.record;
        settings.system.monitors = {primary, right, left};
        settings.system.cursor = c.cursor;
        settings.recorder.clickAtFrame = 0;
        const RunRecord run = RunMain(settings, "next.exe");
        EXPECT_EQ(run.exitCode, 0);
        const RECT& want = c.covered;
        const RECT asked = run.show.windowRect;
        EXPECT_TRUE(asked.left == want.left && asked.top == want.top &&
                    asked.right == want.right - want.left && asked.bottom == want.bottom - want.top)
            << "window at " << asked.left << ", " << asked.top << ", " << asked.right << " x "
            << asked.bottom;
        const std::vector<RECT>& blits = run.recorder.earlyBlits;
        const auto copy = std::find_if(blits.begin(), blits.end(), [&](const RECT& b) {
            return b.left == want.left && b.top == want.top && b.right == want.right - want.left &&
                   b.bottom == want.bottom - want.top;
        });
        EXPECT_NE(copy, blits.end()) << "the snapshot is not the monitor's";
        EXPECT_EQ(run.recorder.frames.size(), 1u);
        EXPECT_EQ(run.recorder.pictureWidth, c.pictureWidth);
        ExpectAllReleased(run);
    }
}

// On screens wider than 800, the large picture at the scale nearest the
// primary monitor's (its own DPI where shcore.dll says it, the system's
// where it cannot), of those the program holds, and only from its
// resources: no file of their names is looked for. shcore.dll comes from
// the system folder and is let go again.
TEST_F(MainLine, PictureAtTheScaleNearestTheMonitors)
{
    const std::vector<int> none, twice = {200}, three = {125, 200}, all = AllShowScales();
    const struct {
        int width, dpi, monitorDpi;  // monitorDpi -1: no GetDpiForMonitor
        const std::vector<int>& scales;
        int pictureWidth;  // 317: Tal1280, 195: Tal800, else the scale over 5
    } cases[] = {
        {1024, 96, 0, all, 317},   {1024, 120, 0, all, 25},   {1024, 168, 0, all, 35},
        {1024, 240, 0, all, 50},   {1024, 288, 0, all, 60},   {1024, 143, 0, twice, 317},
        {1024, 144, 0, twice, 40}, {1024, 144, 0, three, 25}, {1024, 192, 0, none, 317},
        {800, 192, 0, all, 195},   {1024, 96, 144, all, 30},  {1024, 120, -1, all, 25},
    };
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    const POINT origin = {0, 0};
    const HMONITOR primary = MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " wide at " + std::to_string(c.dpi) +
                     " DPI, the monitor's " + std::to_string(c.monitorDpi) + ", scales " +
                     ::testing::PrintToString(c.scales));
        RunSettings settings;
        settings.show.fastClock = true;
        settings.system.screenWidth = c.width;
        settings.system.screenHeight = 768;
        settings.system.dpi = c.dpi;
        settings.system.monitorDpi = c.monitorDpi;
        settings.show.scales = c.scales;
        settings.recorder.clickAtFrame = 0;
        const RunRecord run = RunMain(settings, "next.exe");
        EXPECT_EQ(run.recorder.pictureWidth, c.pictureWidth);
        const auto scaledNames = [](const std::vector<std::string>& names) {
            std::vector<std::string> found;
            for (const std::string& n : names)
                if (_strnicmp(n.c_str(), "Tal1280x", 8) == 0 &&
                    std::find(found.begin(), found.end(), n) == found.end())
                    found.push_back(n);
            return found.size();
        };
        EXPECT_EQ(scaledNames(run.show.resourcesAsked), c.width > 800 ? 6u : 0u);
        EXPECT_EQ(scaledNames(run.show.filesOpened), 0u) << "a file was looked for";
        EXPECT_EQ(std::count(run.library.librariesLoaded.begin(), run.library.librariesLoaded.end(),
                             std::string(system, systemLength) + "\\shcore.dll"),
                  c.width > 800 ? 1 : 0);
        EXPECT_EQ(run.library.librariesFreed, int(run.library.librariesLoaded.size()))
            << "a library was kept";
        if (c.width > 800) {
            EXPECT_EQ(run.system.dpiMonitors, (c.monitorDpi < 0 ? std::vector<HMONITOR>{}
                                                                : std::vector<HMONITOR>{primary}));
            EXPECT_EQ(run.system.dpiTypes,
                      (c.monitorDpi < 0 ? std::vector<int>{} : std::vector<int>{0}))
                << "the effective DPI";
        }
        ExpectAllReleased(run);
    }
}

// Before anything else, and on every path, DLLs by name come from the system
// folder only. Where that cannot be set, the current folder goes from the
// search instead, and comes back just before the next program starts, which
// would otherwise inherit its absence.
TEST_F(MainLine, RestrictsTheDllSearchBeforeAnythingElse)
{
    for (bool old : {false, true})
        for (bool noPicture : {false, true}) {
            SCOPED_TRACE(std::string(old ? "before Windows 8, " : "") +
                         (noPicture ? "no picture" : "a show"));
            RunSettings settings;
            settings.show.fastClock = true;
            settings.show.noPicture = noPicture;
            settings.library.noSetDefaultDllDirectories = old;
            const RunRecord run = RunMain(settings, "next.exe");
            const std::string first = old ? "SetDllDirectoryA []" : "SetDefaultDllDirectories 2048";
            ASSERT_GE(run.calls.size(), 2u);
            EXPECT_EQ(run.calls[0], first);
            EXPECT_EQ(run.calls[1], "GetCommandLineA");
            const auto start = std::find(run.calls.begin(), run.calls.end(), "WinExec");
            ASSERT_NE(start, run.calls.end());
            const bool released =
                start != run.calls.begin() && *(start - 1) == "SetDllDirectoryA [null]";
            EXPECT_EQ(released, old) << "the next program inherits our search";
            EXPECT_EQ(std::count_if(
                          run.calls.begin(), run.calls.end(),
                          [](const std::string& c) { return c.rfind("SetDllDirectoryA", 0) == 0; }),
                      old ? 2 : 0);
        }
}

// The exit code says whether the next program started, on every path.
TEST_F(MainLine, ExitCodeSaysWhetherTheNextProgramStarted)
{
    for (bool noPicture : {false, true})
        for (UINT winExec : {33u, 2u}) {
            SCOPED_TRACE(std::string(noPicture ? "no picture" : "whole show") + ", WinExec " +
                         std::to_string(winExec));
            RunSettings settings;
            settings.show.fastClock = true;
            settings.show.noPicture = noPicture;
            settings.process.winExecResult = winExec;
            settings.process.winExecError = ERROR_FILE_NOT_FOUND;
            const RunRecord run = RunMain(settings, "missing.exe");
            EXPECT_EQ(run.exitCode, winExec > 31 ? 0 : 1);
            EXPECT_EQ(run.process.started.size(), 1u);
            ExpectAllReleased(run);
        }
}

// The right to come to the front goes to whatever the start brings, once,
// before it starts and while our window, where there is one, is still the
// one in front: after a whole show, one cut short, one with nothing to
// show, a silent start and a start that is waited for.
TEST_F(MainLine, LetsTheNextProgramComeForwardWhileOurWindowIsInFront)
{
    const struct {
        const char* name;
        const char* record;
        const char* line;
        int clickAtFrame;
        bool noPicture, inFront;
        const char* start;
    } cases[] = {
        {"a whole show", "PRODUCT", "next.exe", -1, false, true, "WinExec"},
        {"a show cut short", "PRODUCT", "next.exe", 3, false, true, "WinExec"},
        {"nothing to show", "PRODUCT", "next.exe", -1, true, true, "WinExec"},
        {"a silent start", "SILENT", "next.exe /S", -1, false, false, "WinExec"},
        {"waited for", "WAITING", "orveline-missing.exe", -1, false, true, "CreateProcessA"},
        {"waited for, silent", "WAITING", "orveline-missing.exe /S", -1, false, false,
         "CreateProcessA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunSettings settings;
        settings.show.fastClock = true;
        settings.show.productRecord = c.record;
        settings.recorder.clickAtFrame = c.clickAtFrame;
        settings.show.noPicture = c.noPicture;
        const RunRecord run = RunMain(settings, c.line);
        EXPECT_EQ(run.process.foregroundAllowed, std::vector<DWORD>{ASFW_ANY});
        EXPECT_EQ(run.process.windowInFrontAtAllow, c.inFront);
        const auto allowed =
            std::find(run.calls.begin(), run.calls.end(), "AllowSetForegroundWindow");
        const auto started = std::find(run.calls.begin(), run.calls.end(), c.start);
        EXPECT_TRUE(allowed < started && started != run.calls.end()) << "allowed after the start";
        ExpectAllReleased(run);
    }
}

// The window manager is told not to animate the window, before it first
// shows; dwmapi.dll comes from the system folder and is let go, and a
// system without it (before Vista) plays the show all the same.
TEST_F(MainLine, TurnsOffTheWindowManagersTransitions)
{
    char system[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryA(system, MAX_PATH);
    for (bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "no dwmapi.dll" : "dwmapi.dll");
        RunSettings settings;
        settings.show.fastClock = true;
        settings.library.missingLibrary = missing ? "dwmapi.dll" : "";
        const RunRecord run = RunMain(settings, "next.exe");
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.recorder.frames.size(), size_t(kShowFrameCount));
        EXPECT_NE(std::find(run.library.librariesLoaded.begin(), run.library.librariesLoaded.end(),
                            std::string(system, systemLength) + "\\dwmapi.dll"),
                  run.library.librariesLoaded.end());
        if (missing) {
            EXPECT_TRUE(run.show.dwmAttributes.empty());
        } else {
            ASSERT_EQ(run.show.dwmAttributes.size(), 1u);
            EXPECT_EQ(run.show.dwmAttributes[0].window, run.show.window);
            EXPECT_EQ(run.show.dwmAttributes[0].attribute, 3u) << "DWMWA_TRANSITIONS_FORCEDISABLED";
            EXPECT_EQ(run.show.dwmAttributes[0].value, TRUE);
            const auto set =
                std::find(run.calls.begin(), run.calls.end(), "DwmSetWindowAttribute 3");
            EXPECT_LT(set, std::find(run.calls.begin(), run.calls.end(), "ShowWindow"));
        }
        EXPECT_EQ(run.library.librariesFreed,
                  int(run.library.librariesLoaded.size()) - (missing ? 1 : 0))
            << "a library was kept";
        ExpectAllReleased(run);
    }
}

TEST_F(MainLine, HandsOnBytesOf0x80AndAbove)
{
    RunSettings settings;
    settings.show.noPicture = true;
    const RunRecord run = RunMain(settings, "\xDC"
                                            "ber.exe \xE9t\xE9");
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.process.started.size(), 1u);
    EXPECT_EQ(run.process.started[0], "\xDC"
                                      "ber.exe \xE9t\xE9");
}

}  // namespace
