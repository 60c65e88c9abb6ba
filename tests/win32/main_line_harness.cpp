#include "main_line_harness.h"

#include "launcher_fakes.h"
#include "import_hook.h"
#include "frame.h"
#include "window.h"
#include "surface_checks.h"

#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

namespace {

// Wakes a final message loop that waits for a quit that will never come.
void CALLBACK WakeHungLoop(HWND, UINT, UINT_PTR, DWORD)
{
    g_run.hung = true;
    PostQuitMessage(0);
}

}  // namespace

bool InstallHooks()
{
    static const bool installed = [] {
        bool all = CountDeviceContexts();
        for (bool (*install)() :
             {InstallShowFakes, InstallFrameRecorder, InstallSystemFakes, InstallProcessFakes, InstallLibraryFakes})
            all = install() && all;
        return all;
    }();
    return installed;
}

int RunMain(const ShowRun& settings, const char* commandLine)
{
    g_run = settings;
    g_run.fullCommandLine = std::string("\"Z:\\disc\\orveline.exe\" ") + commandLine;
    g_skipRequested = 0;
    g_hWnd = nullptr;
    g_dcCounts = {};
    // The shortest show here takes well under a second.
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, WakeHungLoop);
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    KillTimer(nullptr, watchdog);
    UnregisterClassA("Orveline", GetModuleHandleA(nullptr));
    g_run.fastClock = false;
    g_run.fullCommandLine.clear();
    EXPECT_FALSE(g_run.hung) << "the final message loop waited for a quit that had been taken";
    return result;
}

void ExpectAllReleased()
{
    EXPECT_FALSE(IsWindow(g_hWnd));
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_TRUE(IsAllZero(g_backCopy));
    EXPECT_TRUE(IsAllZero(g_splashImage));
    EXPECT_EQ(g_hPalette, nullptr);
    EXPECT_EQ(g_hPaletteMem, nullptr);
    for (HGDIOBJ object : {(HGDIOBJ)g_run.backBuffer, (HGDIOBJ)g_run.backCopy,
                           (HGDIOBJ)g_run.splash, (HGDIOBJ)g_run.palette}) {
        if (object != nullptr) {
            EXPECT_EQ(GetObjectType(object), 0u);
        }
    }
    EXPECT_TRUE(g_dcCounts.balanced()) << g_dcCounts.getDc << " GetDC, " << g_dcCounts.releaseDc
                                       << " ReleaseDC, " << g_dcCounts.createDc
                                       << " CreateCompatibleDC, " << g_dcCounts.deleteDc
                                       << " DeleteDC";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "message " << msg.message << " left";
}
