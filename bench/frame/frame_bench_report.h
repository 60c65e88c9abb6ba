// What main measures and hands to the report, and the procedures that
// print the report, Markdown on standard output: the wording of the report
// changes apart from what is timed, and the timing apart from its wording.
#pragma once

#include "frame_bench.h"

#include <cstdint>
#include <vector>

// The screen, the picture on it and the processor, as the launcher finds
// them, with what it does once per show.
struct Scene {
    int32_t width = 0, height = 0;
    const char* pictureName = nullptr;
    Block block{};
    Setup setup{};
    uint32_t features = 0;
    int32_t best = 0;  // the form BlendSurface chooses
    unsigned long processors = 0;
};

// The frame once per form of the blend; chosen and reference are the
// launcher's frame in the form BlendSurface chooses and the same in the
// full-screen form, as indices into forms (-1 when missing).
struct FrameTimes {
    int rounds = 0;    // shows' worth of frames per form
    Spread roundTrip;  // one pixel read alone
    std::vector<FormTimes> forms;
    int chosen = -1, reference = -1;
};

struct BlendTable {
    int calls = 0;  // per routine
    std::vector<BlendTimes> rows;
};

// The shipped show as a watcher of the screen sees it, from its plan: a
// frame at level 0 leaves the desktop as it is, so what shows starts at the
// first frame above it.
struct Schedule {
    int32_t hiddenLevel = 0, firstLevel = 0, lastLevel = 0;  // the first frame, first visible, last
    int visibleFrames = 0;         // from the first visible frame to the last
    int laterFrames = 0;           // drawn after the first visible one
    uint32_t beforeVisibleMs = 0;  // the waits before the first visible frame
    uint32_t visibleMs = 0;        // the waits from the first visible frame to the last
    uint32_t wholeMs = 0;          // every wait of the show
};

// The frames the watcher of the show expects, and how many pixels of each
// differ from the desktop.
struct Expected {
    Pixels desktop, hidden, first, last;
    int64_t hiddenDiffers = 0, firstDiffers = 0, lastDiffers = 0;
};

// What the launcher holds for a show, computed; bytes.
struct Holdings {
    double backBuffer = 0, copy = 0, picture = 0, rowTables = 0, palette = 0, total = 0;
};

// The processes run after the frame: the clock partner, a bare Wine
// process and the launcher itself.
struct Watched {
    ClockCheck clock;
    Bare bare;
    Show show;
};

// A form's frame by its index in f.forms; none for -1.
inline const FormTimes* Form(const FrameTimes& f, int index)
{
    return index < 0 ? nullptr : &f.forms[size_t(index)];
}

// The processor's features and the frame's tables, in the order main
// prints them.
void PrintFeatures(uint32_t features);
void PrintFrames(const Scene& scene, const FrameTimes& f);
void PrintArrival(const Arrival& arrival);
void PrintBlends(const Block& b, const BlendTable& table);
void PrintSetup(const Scene& scene);
void PrintShow(const Scene& scene, const FrameTimes& frames, const Schedule& schedule,
               const Expected& expected, const Holdings& holdings, const Watched& w,
               bool printTimeline);
void PrintClock(const ClockCheck& clock);
void PrintStartComparison(const std::string& launcher, const std::string& against,
                          const StartComparison& c);
