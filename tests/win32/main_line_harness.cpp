#include "main_line_harness.h"

#include "call_log.h"
#include "frame.h"
#include "import_hook.h"
#include "surface_checks.h"
#include "window.h"

#include <algorithm>
#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);

namespace {

// The parts of a run's record that belong to no one fake.
std::vector<std::string> calls;
bool hung;

// Wakes a final message loop that waits for a quit that will never come.
void CALLBACK WakeHungLoop(HWND, UINT, UINT_PTR, DWORD)
{
    hung = true;
    PostQuitMessage(0);
}

}  // namespace

void LogCall(const std::string& call)
{
    calls.push_back(call);
}

bool InstallHooks()
{
    static const bool installed = [] {
        bool all = CountDeviceContexts();
        for (bool (*install)() : {InstallShowFakes, InstallFrameRecorder, InstallSystemFakes,
                                  InstallProcessFakes, InstallLibraryFakes})
            all = install() && all;
        return all;
    }();
    return installed;
}

void ResetFakes(const RunSettings& settings)
{
    calls.clear();
    hung = false;
    ResetShowFakes(settings.show);
    ResetFrameRecorder(settings.recorder);
    ResetSystemFakes(settings.system);
    ResetProcessFakes(settings.process);
    ResetLibraryFakes(settings.library);
}

RunRecord FakesSaw()
{
    RunRecord run;
    run.calls = calls;
    run.hung = hung;
    run.show = ShowFakesSaw();
    run.recorder = FramesRecorded();
    run.system = SystemFakesSaw();
    run.process = ProcessFakesSaw();
    run.library = LibraryFakesSaw();
    return run;
}

RunRecord RunMain(const RunSettings& settings, const char* commandLine)
{
    RunSettings run = settings;
    run.process.fullCommandLine = std::string("\"Z:\\disc\\orveline.exe\" ") + commandLine;
    ResetFakes(run);
    g_skipRequested = 0;
    g_hWnd = nullptr;
    g_dcCounts = {};
    // The shortest show here takes well under a second.
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, WakeHungLoop);
    const int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    KillTimer(nullptr, watchdog);
    UnregisterClassA("Orveline", GetModuleHandleA(nullptr));
    RunRecord seen = FakesSaw();
    seen.exitCode = exitCode;
    ResetFakes(RunSettings{});
    EXPECT_FALSE(seen.hung) << "the final message loop waited for a quit that had been taken";
    return seen;
}

void ExpectHandlesClosed(const ProcessFakeRecord& process)
{
    for (HANDLE h : process.handlesGiven)
        EXPECT_NE(std::find(process.handlesClosed.begin(), process.handlesClosed.end(), h),
                  process.handlesClosed.end())
            << "a handle was left open";
}

void ExpectAllReleased(const RunRecord& run)
{
    EXPECT_FALSE(IsWindow(g_hWnd));
    EXPECT_TRUE(IsAllZero(g_backBuffer));
    EXPECT_TRUE(IsAllZero(g_backCopy));
    EXPECT_TRUE(IsAllZero(g_splashImage));
    EXPECT_EQ(g_hPalette, nullptr);
    EXPECT_EQ(g_hPaletteMem, nullptr);
    for (HGDIOBJ object : {(HGDIOBJ)run.recorder.backBuffer, (HGDIOBJ)run.recorder.backCopy,
                           (HGDIOBJ)run.recorder.splash, (HGDIOBJ)run.recorder.palette}) {
        if (object != nullptr) {
            EXPECT_EQ(GetObjectType(object), 0u);
        }
    }
    EXPECT_TRUE(g_dcCounts.balanced())
        << g_dcCounts.getDc << " GetDC, " << g_dcCounts.releaseDc << " ReleaseDC, "
        << g_dcCounts.createDc << " CreateCompatibleDC, " << g_dcCounts.deleteDc << " DeleteDC";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        << "message " << msg.message << " left";
}

std::string FirstWrongPixel(const RunSettings& settings, const RunRecord& run, size_t index,
                            int level)
{
    const FrameRecord& r = run.recorder;
    const std::vector<uint8_t>& frame = r.frames[index];
    const int width = settings.system.screenWidth, height = settings.system.screenHeight;
    const int pitch = width * 4, copyPitch = (width * 3 + 3) & ~3;
    const int left = (width - r.pictureWidth) / 2, top = (height - r.pictureHeight) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* d = &r.desktop[size_t(y) * copyPitch + size_t(x) * 3];
            const uint8_t* got = &frame[size_t(y) * pitch + size_t(x) * 4];
            const int px = x - left, py = y - top;
            const bool inside = px >= 0 && px < r.pictureWidth && py >= 0 && py < r.pictureHeight;
            const uint8_t* s =
                inside ? &r.picture[(size_t(py) * r.pictureWidth + px) * 4] : nullptr;
            const int w = inside ? (s[3] * level) >> 8 : 0;
            for (int c = 0; c < 3; ++c) {
                const int want = ((d[c] * (256 - w)) >> 8) + (inside ? (s[c] * w) >> 8 : 0);
                if (got[c] != want)
                    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") byte " +
                           std::to_string(c) + " is " + std::to_string(got[c]) + ", expected " +
                           std::to_string(want);
            }
        }
    return "";
}
