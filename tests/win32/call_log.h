// The platform calls the fakes record, in the one order they came in across
// all of them: what comes before what between two concerns (the DLL
// search's release before a start, the window manager told before the
// window shows) is seen only there. The harness keeps it, with the rest of
// a run's record (main_line_harness.cpp).
#pragma once

#include <string>

void LogCall(const std::string& call);
