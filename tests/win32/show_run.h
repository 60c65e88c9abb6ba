// What one run of the main line is given and what it did, as the fakes in
// this program's import table saw it. A test sets the few settings it
// changes, runs the main line (main_line_harness.h) and reads the
// observations; each group names the file of the fakes that read or write it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kNoEnding = -1000, kBeforeFirstFrame = -1;
// The GlassSessionId a run's registry holds: the real registry's, none, or
// the session of this process or another one.
enum GlassSession { kRealGlassSession, kNoGlassSession, kOurGlassSession, kOtherGlassSession };

struct ShowRun {
    // Settings of the show: its clock, resources and window (show_fakes.cpp).
    bool fastClock = false;                 // every reading of the clock 7 ms on
    bool noPicture = false;                 // resources are not found
    bool noWindow = false;                  // the window cannot be created
    UINT ending = 0;                        // WM_CLOSE, WM_SYSCOMMAND (SC_CLOSE) or WM_QUIT,
    int endAtFrame = kNoEnding;             // posted after that frame, or sent while
    DWORD endDelayMs = 0;                   // the picture loads; this long after the frame
    std::vector<int> scales = {125, 150, 175, 200, 250, 300};  // the scaled pictures found
    bool noProductRecord = false;           // the vendor's product record is missing
    std::string productRecord;              // read in the place of PRODUCT; empty: PRODUCT

    // Settings of the frames (frame_recorder.cpp).
    bool noBackBuffer = false;              // screen-sized 32-bit bitmaps fail
    bool noDesktopCopy = false;             // the screen-sized 24-bit copy fails
    int clickAtFrame = -1;                  // a right click after that fade frame

    // Settings of the screen and the system (system_fakes.cpp).
    int screenWidth = 0, screenHeight = 0;  // 0: the real screen
    int dpi = 0;                            // what the screen says of itself; 0: the real one
    int monitorDpi = 0;                     // GetDpiForMonitor's own answer; 0: dpi; -1: no such function
    bool animationsOff = false;             // Windows' "animation effects" turned off
    bool noAnimationSetting = false;        // a system before Vista, which lacks the setting
    bool remote = false;                    // a Remote Desktop session
    GlassSession glassSession = kRealGlassSession;  // read through the registry's calls
    std::vector<RECT> monitors;             // the first is the primary
    POINT cursor = {};

    // Settings of the hand-off (process_fakes.cpp).
    std::string fullCommandLine;            // what GetCommandLineA answers; empty: the real one
    std::wstring ownPath;                   // what GetModuleFileNameW answers; empty: the real one
    UINT winExecResult = 33;                // above 31: started
    DWORD winExecError = ERROR_SUCCESS;     // the last error WinExec leaves
    BOOL shellResult = TRUE;                // what ShellExecuteExA answers
    DWORD shellError = ERROR_SUCCESS;
    bool realCreate = false;                // CreateProcessA starts for real; else it fails
    DWORD createError = ERROR_FILE_NOT_FOUND;
    std::string shellChild;                 // started for real by the shell when a handle is asked
    bool waitFails = false;                 // MsgWaitForMultipleObjects answers WAIT_FAILED
    bool exitCodeUnreadable = false;        // GetExitCodeProcess fails

    // Settings of the DLL search (library_fakes.cpp).
    bool noSetDefaultDllDirectories = false;  // a system before Windows 8 without its update
    std::string missingLibrary;             // a system library's file name that does not load

    // Observations of the whole run.
    std::vector<std::string> calls;         // the platform calls recorded, in order
    bool hung = false;                      // the final message loop had to be woken

    // Observations of the show.
    bool ended = false;                     // the ending was given
    int windowsAsked = 0;
    RECT windowRect = {};                   // where the launcher asked for its window
    bool windowShown = false;               // the launcher's window was ever shown
    HWND window = nullptr;                  // the launcher's window, as created
    std::vector<std::string> resourcesAsked, filesOpened;

    // Observations of the frames.
    int paints = 0;                         // transfers to the window before the picture
    std::vector<std::vector<uint8_t>> frames;  // the back buffer at each new fade frame
    std::vector<uint8_t> desktop, picture;  // the desktop copy and the picture
    int pictureWidth = 0, pictureHeight = 0;
    HBITMAP backBuffer = nullptr, backCopy = nullptr, splash = nullptr;
    HPALETTE palette = nullptr;
    DWORD clockAtFrame = 0;                 // the fast clock at the last new frame
    std::vector<DWORD> frameClocks;         // the fast clock at each new frame
    std::wstring title;                     // the window's title at the first frame
    std::vector<RECT> earlyBlits;           // source corner and size of each copy before the picture
    SIZE lastRestore = {};                  // the last copy from the desktop copy, with the picture
    std::vector<SIZE> frameRestores, framePresents;  // at each new frame: that copy and the present

    // Observations of the system.
    std::vector<HMONITOR> dpiMonitors;      // the monitors GetDpiForMonitor was asked of
    std::vector<int> dpiTypes;

    // Observations of the hand-off.
    std::vector<std::string> started;       // WinExec command lines
    std::vector<UINT> showCommands;
    bool windowAliveAtStart = false;
    DWORD clockAtStart = 0;                 // the fast clock when the next program started
    std::vector<std::string> created;       // CreateProcessA command lines
    std::vector<bool> createdNamed;         // with an application name
    std::vector<STARTUPINFOA> startups;
    std::vector<SHELLEXECUTEINFOA> shellStarts;  // strings copied below
    std::vector<std::string> shellFiles, shellParameters, shellDirectories;
    bool shellOwnerLive = false;            // the window the shell was given, at the call
    HWND shellOwner = nullptr;              // that window
    std::vector<HANDLE> handlesGiven, handlesClosed;
    std::vector<DWORD> foregroundAllowed;   // AllowSetForegroundWindow's processes
    bool windowInFrontAtAllow = false;      // our window was there and visible at the last
    int waits = 0;                          // MsgWaitForMultipleObjects calls
    bool windowAliveAtEndlessWait = false;  // our window was there at the last wait without a time-out

    // Observations of the DLLs.
    std::vector<std::string> librariesLoaded;
    int librariesFreed = 0;
    struct Attribute {
        HWND window;
        DWORD attribute;
        BOOL value;
    };
    std::vector<Attribute> dwmAttributes;   // DwmSetWindowAttribute calls
    int keysOpened = 0, keysClosed = 0;     // the registry's, faked
};

// The run in progress, or the last one.
inline ShowRun g_run;
// The fast clock; it runs on from one run to the next.
inline DWORD g_clock;
