// The launcher's main line: cover the screen with a snapshot of the desktop,
// fade the picture in at the centre, hold it, fade it out, close the window
// and start the next program.
#include "window.h"
#include "frame.h"
#include "screen.h"
#include "dll_search.h"
#include "handoff.h"
#include "installer_window.h"
#include "product_record.h"
#include "command_line.h"

static const char kClassName[] = "Orveline";

// The exit code says whether the installer was started: an installer front
// end that ends "successfully" without starting it would hide the failure.
static const int kExitStarted = 0;
static const int kExitNotStarted = 1;

// One run of the launcher, beyond the globals its window procedure and the
// display share: the next program, the vendor's settings, and the covered
// monitor's top-left corner in the desktop's coordinates.
struct LauncherRun {
    const char* next;
    ProductSettings product;
    int32_t screenLeft, screenTop;
};

// False once the show must stop: a skip, a close request or a quit message
// was taken, or the back buffer was released with the window.
static bool ShowGoesOn(const ShowStage* stage)
{
    return !g_skipRequested && stage->backBuffer->hBitmap != nullptr;
}

// Asked before every frame and every wait, so that a close request handled
// at any moment, even before the first frame, stops the drawing at once.
static void PlayShow(const ShowStage* stage, const PlannedFrame* frames, int32_t count)
{
    for (int32_t i = 0; i < count && ShowGoesOn(stage); ++i) {
        DrawFrame(stage, frames[i].level, i == 0);
        WaitWithMessages(frames[i].waitMs);
    }
}

// A user who turned animations off in Windows' settings may be one whom
// moving pictures harm; over Remote Desktop every frame of a fade crosses
// the network, and arrives late and torn. Both get the picture still. The
// setting is missing before Vista: the call fails, and the fades stay.
static bool ShowFades()
{
    BOOL animations = TRUE;
    if (SystemParametersInfoA(SPI_GETCLIENTAREAANIMATION, 0, &animations, 0) && !animations)
        return false;
    return !InRemoteSession();
}

// The picture for this screen. On a screen wider than 800 pixels, the large
// picture at the scale nearest that of the monitor the show covers, where
// the program holds it, but only from the program's own resources: no file
// of that name is looked for beside the program or at the drive's root.
static void LoadSplashPicture(const LauncherRun* run, Surface* picture)
{
    if (g_screenWidth > kSmallScreenMaxWidth) {
        int32_t present[kShowScaleCount + 1] = {100};
        int32_t count = 1;
        for (int32_t i = 0; i < kShowScaleCount; ++i)
            if (HasPictureResource(ShowScaledName(kShowScales[i])))
                present[count++] = kShowScales[i];
        // The covered monitor's top-left corner lies on it.
        const POINT origin = {run->screenLeft, run->screenTop};
        const int32_t dpi = MonitorDpi(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY));
        const char* scaled = ShowScaledName(ShowChooseScale(dpi, present, count));
        if (scaled != nullptr && LoadSurfaceImage(scaled, picture, 0, 0, g_hPaletteMem, g_hPalette))
            return;
    }
    LoadSurfaceImage(ShowPictureName(g_screenWidth), picture, 0, 0, g_hPaletteMem, g_hPalette);
}

// The vendor's timings and title, from the product record the branding tool
// writes into the program; the shipped ones where it is missing, damaged or
// of another version.
static void LoadProductSettings(ProductSettings* settings)
{
    HRSRC found = FindResourceA(nullptr, kProductRecordName, MAKEINTRESOURCEA(kProductRecordType));
    HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    ReadProductRecord(bytes, bytes != nullptr ? SizeofResource(nullptr, found) : 0, settings);
}

// Starts the next program; waiting for it, when the vendor asked, so that
// whoever started us (a script, a deployment tool) learns how the install
// went: its exit code is ours. Otherwise whether it started.
static int HandOn(const LauncherRun* run)
{
    if ((run->product.flags & kProductFlagWait) == 0)
        return StartNextProgram(run->next) ? kExitStarted : kExitNotStarted;
    DWORD exitCode;
    return RunNextProgram(run->next, &exitCode) ? (int)exitCode : kExitNotStarted;
}

// The primary monitor, or where the vendor asked, the one holding the mouse
// pointer: that is where the user is looking. A pointer on no monitor
// counts as on the primary one.
static void FindScreen(LauncherRun* run)
{
    run->screenLeft = 0;
    run->screenTop = 0;
    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    POINT pointer;
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if ((run->product.flags & kProductFlagCursorMonitor) == 0 || !GetCursorPos(&pointer) ||
        !GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return;
    run->screenLeft = monitor.rcMonitor.left;
    run->screenTop = monitor.rcMonitor.top;
    g_screenWidth = monitor.rcMonitor.right - monitor.rcMonitor.left;
    g_screenHeight = monitor.rcMonitor.bottom - monitor.rcMonitor.top;
}

// Only the foreground process, and those it started while it was so, may
// bring a window to the front. Our window is in front until it closes;
// afterwards the installer's first window, or the consent prompt, would
// open behind whatever came forward in its place. Given while we still
// may, before the window goes, to whatever process the start brings.
static void LetNextProgramComeForward()
{
    AllowSetForegroundWindow(ASFW_ANY);
}

// The next program started while the picture is held, where the vendor
// asked for it (--until-window): the picture stays until the program's
// first window appears, the program ends, or the vendor's longest wait has
// passed, then fades out behind that window. Its process, for a wait after
// our window has gone, in *process.
static int HandOnUnderPicture(const LauncherRun* run, HANDLE* process)
{
    FILETIME since;
    GetSystemTimeAsFileTime(&since);
    LetNextProgramComeForward();
    if (!StartProgram(run->next, g_hWnd, process))
        return 0;
    HWND installer;
    if (WaitForInstallerWindow(*process, &since, run->product.untilWindowMs, &installer) ==
        kInstallerWindowShown) {
        BringInstallerForward(installer, g_hWnd);
        HoldWhileWindowComesUp(kWindowComesUpMs);
    }
    return 1;
}

// How many of the planned frames come before the fade out: the fade in and
// its last frame's hold, or the one still frame.
static int32_t HeldFrameCount(int32_t count)
{
    return count < kFadeInFrameCount ? count : kFadeInFrameCount;
}

// Plays the show. With --until-window the next program starts once the
// picture is held, and the fade out waits for its window: true then, with
// whether it started in *started and its process in *process. A show cut
// short before the hand-off ends as any other: the window goes, then the
// program starts.
static bool PlayShowHandingOn(const LauncherRun* run, int* started, HANDLE* process)
{
    ShowStage stage = {g_hWnd, &g_backBuffer, &g_backCopy, &g_splashImage, {}};
    PlannedFrame frames[kShowFrameCount];
    const int32_t count = PlanShow(ShowFades(), &run->product.timings, frames);
    if (!FindSplashBlock(g_screenWidth, g_screenHeight, stage.backBuffer, stage.picture,
                         &stage.block))
        return false;
    const bool untilWindow = run->product.untilWindowMs > 0;
    const int32_t held = untilWindow ? HeldFrameCount(count) : count;
    PlayShow(&stage, frames, held);
    const bool handedOn = untilWindow && ShowGoesOn(&stage);
    if (handedOn)
        *started = HandOnUnderPicture(run, process);
    PlayShow(&stage, frames + held, count - held);
    return handedOn;
}

static bool RegisterLauncherClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = LauncherWndProc;
    windowClass.hInstance = g_hInstance;
    windowClass.hIcon = LoadIconA(g_hInstance, "ICON");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

// Releases the display and destroys the window, unless a close request
// during the show already did, then takes every message up to the quit
// that the destruction posted. Without a window no quit would ever come.
static void CloseWindowAndDrain()
{
    if (g_hWnd == nullptr) {
        ShutdownDisplay();
        return;
    }
    if (IsWindow(g_hWnd))
        SendMessageA(g_hWnd, WM_CLOSE, 0, 0);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int showCommand)
{
    (void)showCommand;
    // First of all, before any call that may load a DLL by name. The four
    // DLLs the program imports are known to the system and always come from
    // its folder, but creating a themed window loads the theme and window
    // manager's libraries by name, and the shell's dependencies come by name
    // on the elevation path. Those would be looked for in the launcher's own
    // folder first: a download folder, a USB stick or a disc root, where
    // anyone can drop a DLL of that name.
    RestrictDllSearch();
    g_hInstance = instance;
    // Taken from the full command line rather than the start-up code's
    // copy, which drops bytes of 0x80 and above that follow our name.
    const char* commandLine = CommandLineAfterName(GetCommandLineA());
    LauncherRun run;
    run.next = commandLine[0] != '\0' ? commandLine : "setup.exe";
    LoadProductSettings(&run.product);

    // An unattended install asked for by one of the vendor's silent
    // switches wants no picture over the screen; so does one without a
    // class, which can have no window.
    if (HasSilentSwitch(run.next, run.product.switches) ||
        (previousInstance == nullptr && !RegisterLauncherClass())) {
        LetNextProgramComeForward();
        return HandOn(&run);
    }

    FindScreen(&run);
    g_hWnd = CreateWindowExA(0, kClassName, kClassName, WS_POPUP, run.screenLeft, run.screenTop,
                             g_screenWidth, g_screenHeight, nullptr, nullptr, g_hInstance, nullptr);
    // A vendor's title may be in any script. The window is an ANSI one,
    // whose procedure would narrow the text to the system's code page on
    // the way; the Unicode default procedure stores it as written, and the
    // taskbar shows it so. The class keeps its name.
    static_assert(sizeof(wchar_t) == sizeof run.product.title[0], "titles are UTF-16");
    if (g_hWnd != nullptr && run.product.titleLength > 0)
        DefWindowProcW(g_hWnd, WM_SETTEXT, 0, (LPARAM)run.product.title);
    // Neither its appearance nor a close during a fade may animate: the
    // show is its own animation.
    if (g_hWnd != nullptr)
        DisableTransitions(g_hWnd);

    InitDisplay(g_hWnd);
    CreateSurface(&g_backCopy, g_screenWidth, g_screenHeight, 24, "BackCopy");
    // The window is shown only with something to draw in it: without the
    // desktop copy or a back buffer to hold it, it would show nothing but
    // its class's white brush over the whole screen.
    const bool haveDesktop =
        g_backBuffer.hBitmap != nullptr && CopyDesktop(&g_backCopy, run.screenLeft, run.screenTop);
    if (haveDesktop) {
        BlitSurface(&g_backBuffer, 0, 0, g_screenWidth, g_screenHeight, &g_backCopy, 0, 0);
        ShowWindow(g_hWnd, SW_SHOWMAXIMIZED);
        UpdateWindow(g_hWnd);
        LoadSplashPicture(&run, &g_splashImage);
    }

    const bool haveSplash = haveDesktop && g_splashImage.hBitmap != nullptr;
    // Nothing to show: the next program must not wait for us, unless we
    // are to wait for it, which must not be under our window.
    const bool startAtOnce = !haveSplash && (run.product.flags & kProductFlagWait) == 0;
    // Started under the picture: whether it started, and its process.
    int startedUnder = 0;
    HANDLE process = nullptr;
    const bool handedOn = haveSplash && PlayShowHandingOn(&run, &startedUnder, &process);
    LetNextProgramComeForward();
    int exitCode = kExitNotStarted;
    if (startAtOnce)
        exitCode = HandOn(&run);

    CloseWindowAndDrain();
    // Also clears a record that kept its sizes when its bitmap was refused.
    DestroySurface(&g_backCopy);
    DestroySurface(&g_splashImage);

    if (handedOn) {
        // Waited for, when the vendor asked, only once our window is gone.
        exitCode = startedUnder ? kExitStarted : kExitNotStarted;
        if (process != nullptr) {
            if (run.product.flags & kProductFlagWait)
                exitCode = (int)WaitForProgram(process);
            CloseHandle(process);
        }
    } else if (!startAtOnce) {
        exitCode = HandOn(&run);
    }
    return exitCode;
}
