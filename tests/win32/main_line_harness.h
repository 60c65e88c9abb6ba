// The main line runs whole inside this test program: its calls to the
// platform's clock, screen size, start of programs and block transfers go
// through this program's import table, where the fakes of each concern
// stand (show_fakes, frame_recorder, system_fakes, process_fakes,
// library_fakes), so a show runs in a moment and every frame it presents
// can be looked at. A test of the main line is a MainLine case: a ShowRun
// with the settings it changes, RunMain, then checks of g_run.
#pragma once

#include "show_run.h"

#include <gtest/gtest.h>

// Puts every fake in place, once; true when the program imports every call
// they stand in for.
bool InstallHooks();

// Runs WinMain once with the given settings, started as a program whose
// command line is its quoted path and then this, and leaves the class
// unregistered again for the next run. What it did is in g_run.
int RunMain(const ShowRun& settings, const char* commandLine);

// After any run: the window, the display, both surfaces and every context
// are gone.
void ExpectAllReleased();

class MainLine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InstallHooks()); }
};
