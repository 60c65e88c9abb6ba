// The main line runs whole inside this test program: its calls to the
// platform's clock, screen size, start of programs and block transfers go
// through this program's import table, where the fakes of each concern
// stand, each in its own source with its own header, its settings and its
// record of what it saw: the show's clock, resources and window
// (show_fakes.h); every transfer to the window and the screen-sized
// bitmaps (frame_recorder.h); the screen, monitors, DPI and settings
// (system_fakes.h); the hand-off to the next program (process_fakes.h);
// the DLL search and the libraries loaded and looked up
// (library_fakes.h). So a show runs in a moment and every frame it
// presents can be looked at. A test of the main line is a MainLine case:
// RunSettings with the few settings it changes, then checks of the
// RunRecord that RunMain gives back.
#pragma once

#include "frame_recorder.h"
#include "library_fakes.h"
#include "process_fakes.h"
#include "show_fakes.h"
#include "system_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Every fake's settings for one run.
struct RunSettings {
    ShowFakeSettings show;
    FrameRecorderSettings recorder;
    SystemFakeSettings system;
    ProcessFakeSettings process;
    LibraryFakeSettings library;
};

// What one run did, as every fake saw it.
struct RunRecord {
    int exitCode = 0;                // WinMain's, for a run of the main line
    std::vector<std::string> calls;  // the platform calls recorded, in order (call_log.h)
    bool hung = false;               // the final message loop had to be woken
    ShowFakeRecord show;
    FrameRecord recorder;
    SystemFakeRecord system;
    ProcessFakeRecord process;
    LibraryFakeRecord library;
};

// Puts every fake in place, once; true when the program imports every call
// they stand in for.
bool InstallHooks();

// Gives every fake these settings from now on and an empty record, for a
// test that calls a part of the launcher on its own.
void ResetFakes(const RunSettings& settings);
// What every fake saw since it was last reset.
RunRecord FakesSaw();

// Runs WinMain once with the given settings, started as a program whose
// command line is its quoted path and then this, and leaves the class
// unregistered again and every fake as it starts, for the next run. What
// the run did, its exit code included.
RunRecord RunMain(const RunSettings& settings, const char* commandLine);

// The first pixel where frame `index` of a run differs from the desktop
// with the picture centred on it at the level, on the run's screen, worked
// out pixel by pixel from the blend rule; empty when there is none.
std::string FirstWrongPixel(const RunSettings& settings, const RunRecord& run, size_t index,
                            int level);

// Every handle the fakes gave the launcher was closed again.
void ExpectHandlesClosed(const ProcessFakeRecord& process);

// After a run: the window, the display, both surfaces and every context
// are gone.
void ExpectAllReleased(const RunRecord& run);

class MainLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHooks()); }
};
