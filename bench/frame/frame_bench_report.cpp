// The frame benchmark's report, from the records main fills: the frame's
// tables, the show as watched from the screen, its memory and the clock.
#include "frame_bench_report.h"

#include <cstdio>
#include <string>
#include <utility>

namespace {

std::string Cell(const Spread& s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f / %.3f", s.median, s.p90);
    return text;
}

double MiB(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

}  // namespace

void PrintFeatures(uint32_t features)
{
    std::string names;
    for (auto [flag, name] : {std::pair{kCpuMMX, "MMX"}, {kCpuSSE2, "SSE2"}, {kCpuAVX2, "AVX2"}})
        if (features & uint32_t(flag))
            names += names.empty() ? name : std::string(", ") + name;
    std::printf("Processor: %s. ", names.empty() ? "none of MMX, SSE2, AVX2" : names.c_str());
}

// ---------------------------------------------------------------- the frame's report

void PrintFrames(const Scene& scene, const FrameTimes& f)
{
    const int frameCount = f.forms.empty() ? 0 : int(f.forms[0].frame.size());
    std::printf("### One frame as the launcher draws it\n\n");
    std::printf("%d frames per form of the blend (the levels of %s), each phase timed with "
                "QueryPerformanceCounter; median / 90th percentile in ms.\n\n",
                frameCount, f.rounds == 1 ? "one show" : "two shows");
    std::printf("| BlendSurface form, frame | restore (BitBlt, 24 to 32 bits) | blend | present "
                "(BitBlt to the window) | upload to X | whole frame | our own code |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const FormTimes& t : f.forms) {
        const Spread frame = Summarise(t.frame);
        const Spread blend = Summarise(t.blend);
        std::printf("| %s | %s | %s | %s | %s | %s | %.2f %% |\n", t.name.c_str(),
                    Cell(Summarise(t.restore)).c_str(), Cell(blend).c_str(),
                    Cell(Summarise(t.present)).c_str(), Cell(Summarise(t.upload)).c_str(),
                    Cell(frame).c_str(), 100.0 * blend.sum / frame.sum);
    }
    const FormTimes* chosen = Form(f, f.chosen);
    const FormTimes* reference = Form(f, f.reference);
    std::printf("\n\"The block\" is the launcher's frame after the first of a show: the "
                "picture's block restored from the desktop copy, blended and presented. \"Whole "
                "screen\" is how every frame was drawn before, the whole back buffer restored "
                "and presented, kept as the reference. ");
    if (chosen != nullptr && reference != nullptr) {
        const double frame = Summarise(chosen->frame).median;
        const double old = Summarise(reference->frame).median;
        std::printf("In the form BlendSurface chooses the frame takes %.3f ms against %.3f ms "
                    "(%.1f times less). Target, under 1 ms: %s.",
                    frame, old, old / frame, frame < 1.0 ? "met" : "NOT met");
    }
    std::printf("\n\n\"Our own code\" is the blend's share of the whole frame's time (sums over "
                "all frames): everything else in the frame is the platform's restore and "
                "presentation. ");
    if (scene.width == 1920 && scene.height == 1080 && reference != nullptr) {
        const double share =
            100.0 * Summarise(reference->blend).sum / Summarise(reference->frame).sum;
        std::printf("Target at 1920 x 1080, at most 2 %% of the whole-screen frame in the form "
                    "BlendSurface chooses: %s (%.2f %%).",
                    share <= 2.0 ? "met" : "NOT met", share);
    }
    std::printf("\n\nThe blend costs more inside the whole-screen frame than alone (below): the "
                "restore has just written the whole back buffer, so the block comes from memory, "
                "not from the cache.");
    std::printf("\n\n\"Upload to X\" is Wine sending the window's pixels to the X server (it "
                "does so when the thread next finds its message queue empty) and the server "
                "putting them up, closed by a one-pixel read of the screen (%.3f ms median on "
                "its own); in the launcher it happens at the start of each wait.\n\n",
                f.roundTrip.median);
}

void PrintArrival(const Arrival& arrival)
{
    std::printf("### When a presented frame reaches the X screen\n\n");
    std::printf("%d frames, the picture's block read back from the screen after each step.\n\n",
                arrival.frames);
    std::printf("| after | frames on the screen |\n|---|---:|\n");
    std::printf("| PresentBackBuffer | %d |\n", arrival.afterPresent);
    std::printf("| then GdiFlush | %d |\n", arrival.afterGdiFlush);
    std::printf("| then Sleep(60) | %d |\n", arrival.afterSleep);
    std::printf("| then PeekMessage until the queue is empty | %d |\n\n", arrival.afterEmptyTurn);
    if (arrival.afterPresent == 0 && arrival.afterGdiFlush == 0 && arrival.afterSleep == 0 &&
        arrival.afterEmptyTurn == arrival.frames)
        std::printf("PresentBackBuffer leaves the frame in Wine's copy of the window; the screen "
                    "read sees the old picture, so it reads from X and not from that copy. The "
                    "frame goes out at the first empty turn of the message queue, which is why "
                    "the upload column above is counted in the frame.\n\n");
    else
        std::printf("Frames reached the screen otherwise than through the empty turn of the "
                    "message queue alone: the upload column above may not be the whole "
                    "cost of sending a frame.\n\n");
}

void PrintBlends(const Block& b, const BlendTable& table)
{
    std::printf("### The blend alone, %d x %d into the back buffer\n\n", b.cx, b.cy);
    std::printf("%d calls each, over the show's levels; ms per call.\n\n", table.calls);
    std::printf("| routine | median | 90th percentile | plain / this | same bytes as plain |\n");
    std::printf("|---|---:|---:|---:|---|\n");
    double dispatchedRatio = 0;
    for (const BlendTimes& t : table.rows) {
        std::printf("| %s | %.4f | %.4f | %.2f | %s |\n", t.name.c_str(), t.spread.median,
                    t.spread.p90, t.ratio, t.same);
        if (t.routine == kSurfaceDispatched)
            dispatchedRatio = t.ratio;
    }
    std::printf("\nTarget, BlendSurface at least 3 times as fast as the plain form: %s (%.2f).\n\n",
                dispatchedRatio >= 3.0 ? "met" : "NOT met", dispatchedRatio);
}

void PrintSetup(const Scene& scene)
{
    const Setup& setup = scene.setup;
    std::printf("### Once per show\n\n| step | ms |\n|---|---:|\n");
    std::printf("| InitDisplay (palette, back buffer) | %.3f |\n", setup.initDisplay);
    std::printf("| CreateSurface, 24-bit desktop copy | %.3f |\n", setup.createCopy);
    std::printf("| copy of the screen into it | %.3f |\n", setup.copyDesktop);
    std::printf("| first restore into the back buffer | %.3f |\n", setup.firstRestore);
    std::printf("| LoadSurfaceImage %s | %.3f |\n\n", scene.pictureName, setup.loadPicture);
}

// ---------------------------------------------------------------- the show's report

namespace {

void PrintShowEvents(const Show& show, const Schedule& schedule, const Expected& expected)
{
    std::printf("The launcher runs in its own process on the grey desktop; the picture's "
                "block of the screen is read every %.2f ms (median), %d reads. The level-%d "
                "frame equals the desktop (%lld pixels differ), so the first visible frame "
                "is level %d (%lld pixels differ from the desktop) and the last is level %d "
                "(%lld).\n\n",
                show.pollGap, show.polls, schedule.hiddenLevel, (long long)expected.hiddenDiffers,
                schedule.firstLevel, (long long)expected.firstDiffers, schedule.lastLevel,
                (long long)expected.lastDiffers);
    if (!show.problem.empty())
        std::printf("Problem: %s.\n\n", show.problem.c_str());
    std::printf("| event | ms after CreateProcess |\n|---|---:|\n");
    std::printf("| CreateProcess returned | %.1f |\n", show.created);
    std::printf("| first visible frame (%s level %d) | %.1f |\n",
                show.firstAsPlanned ? "equal to" : "NOT equal to", schedule.firstLevel,
                show.firstVisible);
    std::printf("| last new frame (%s level %d) | %.1f |\n",
                show.lastAsPlanned ? "equal to" : "NOT equal to", schedule.lastLevel,
                show.lastChange);
    std::printf("| screen back to the desktop | %.1f |\n", show.greyAgain);
    std::printf("| next program running (its first clock reading) | %.1f |\n", show.handoff);
    std::printf("| launcher's process ended | %.1f |\n\n", show.exited);
}

// The spans measured against the show's own waits: from the first visible
// frame to the last, its waits between them, and each later frame drawn.
void PrintSpans(const Show& show, const Schedule& schedule)
{
    const double nominalVisible = schedule.visibleMs, whole = schedule.wholeMs;
    const double visible = show.lastChange - show.firstVisible;
    std::printf("| span | measured ms | nominal ms | difference |\n|---|---:|---:|---:|\n");
    std::printf("| first to last visible frame | %.1f | %.0f | %+.1f |\n", visible, nominalVisible,
                visible - nominalVisible);
    std::printf("| CreateProcess to the next program | %.1f | %.0f | %+.1f |\n", show.handoff,
                whole, show.handoff - whole);
    std::printf("| CreateProcess to the launcher's end | %.1f | %.0f | %+.1f |\n\n", show.exited,
                whole, show.exited - whole);
    std::printf("New pictures seen on the screen: %d (the show has %d visible frames; "
                "reads %.2f ms apart can miss one now and then).\n\n",
                show.changes, schedule.visibleFrames, show.pollGap);
}

// A frame's drawing, restore + blend + present, medians.
double DrawingMs(const FormTimes* t)
{
    return t == nullptr ? 0.0
                        : Summarise(t->restore).median + Summarise(t->blend).median +
                              Summarise(t->present).median;
}

void PrintWhereTimeGoes(const Scene& scene, const FrameTimes& frames, const Schedule& schedule,
                        const Show& show, const Bare& bare)
{
    std::printf("Where the time goes:\n\n");
    const Setup& setup = scene.setup;
    const double onceWork = setup.initDisplay + setup.createCopy + setup.copyDesktop +
                            setup.firstRestore + setup.loadPicture;
    // The show's first frame is drawn whole, every later one as the block.
    const double drawing = DrawingMs(Form(frames, frames.chosen));
    const double twoFrames =
        DrawingMs(Form(frames, frames.reference)) + drawing + schedule.beforeVisibleMs;
    if (bare.timed) {
        std::printf("- Start, %.0f ms to the first visible frame. A bare Wine process runs its "
                    "first line %.0f ms after CreateProcess and has Wine's X driver loaded "
                    "(its first screen DC) at %.0f ms; the launcher's once-per-show work "
                    "takes %.0f ms (timed above); the level-%d frame, its %u ms wait and the "
                    "level-%d frame %.0f ms. The other %.0f ms go to making and showing the "
                    "full-screen window and the rest of the launcher's start, not timed "
                    "apart.\n",
                    show.firstVisible, bare.firstLine, bare.display, onceWork, schedule.hiddenLevel,
                    unsigned(schedule.beforeVisibleMs), schedule.firstLevel, twoFrames,
                    show.firstVisible - bare.display - onceWork - twoFrames);
    } else {
        std::printf("- Start, %.0f ms to the first visible frame: the process start, the "
                    "launcher's once-per-show work (%.0f ms), the level-%d frame, its %u ms "
                    "wait and the level-%d frame (%.0f ms).\n",
                    show.firstVisible, onceWork, schedule.hiddenLevel,
                    unsigned(schedule.beforeVisibleMs), schedule.firstLevel, twoFrames);
    }
    const double nominalVisible = schedule.visibleMs;
    const double over = show.lastChange - show.firstVisible - nominalVisible;
    const double laterDrawing = schedule.laterFrames * drawing;
    std::printf("- Frames, %+.0f ms over the nominal %.0f ms: each wait starts only after "
                "its frame is drawn. The frames drawn here cost %.2f ms each to draw (restore "
                "+ blend + present, medians above), %.0f ms for the %d; the other %+.0f ms "
                "are the launcher's frames costing more or less than these while it shares "
                "%lu processors with X and this watcher, and the waits, counted in whole "
                "milliseconds of GetTickCount, ending up to 1 ms early.\n",
                over, nominalVisible, drawing, laterDrawing, schedule.laterFrames,
                over - laterDrawing, scene.processors);
    std::printf("- End: the last frame stays %.0f ms on the screen before the window is "
                "gone, and the next program runs %.0f ms after the last frame, %.0f ms after "
                "the window went. Before Wine takes a full-screen window off the X screen it "
                "waits up to 2 s for a window manager to confirm that the window was put up; "
                "with none, as here, the whole 2 s pass with the last frame showing.\n\n",
                show.greyAgain - show.lastChange, show.handoff - show.lastChange,
                show.handoff - show.greyAgain);
}

void PrintMemory(const Show& show, const Memory& idle)
{
    std::printf("### Memory of the launcher's process\n\n");
    if (!show.memory.filled) {
        std::printf("K32GetProcessMemoryInfo gave nothing for another process (%d readings).\n\n",
                    show.memory.readings);
        return;
    }
    std::printf("K32GetProcessMemoryInfo on the launcher every 10 ms while it ran (%d "
                "readings), and on a bare Wine process with a window (%d). Wine fills "
                "them for another process from Linux's counters of the whole process, "
                "Wine's own libraries included: PeakWorkingSetSize is the peak resident "
                "size; PagefileUsage is the private resident memory at that moment, and "
                "PeakPagefileUsage %s.\n\n",
                show.memory.readings, idle.readings,
                show.memory.peakPagefileIsCurrent
                    ? "is the same value again, not a peak: the largest value read is shown"
                    : "differs from it");
    std::printf("| MiB | launcher | bare Wine process | difference |\n|---|---:|---:|---:|\n");
    std::printf("| PeakWorkingSetSize | %.1f | %.1f | %.1f |\n",
                MiB(double(show.memory.peakWorkingSet)), MiB(double(idle.peakWorkingSet)),
                MiB(double(show.memory.peakWorkingSet) - double(idle.peakWorkingSet)));
    std::printf("| largest PagefileUsage read | %.1f | %.1f | %.1f |\n",
                MiB(double(show.memory.pagefile)), MiB(double(idle.pagefile)),
                MiB(double(show.memory.pagefile) - double(idle.pagefile)));
    std::printf("| PagefileUsage at the first visible frame | %.1f | | %.1f |\n\n",
                MiB(double(show.pagefileWhileShowing)),
                MiB(double(show.pagefileWhileShowing) - double(idle.pagefile)));
}

void PrintHoldings(const Scene& scene, const Holdings& h, const Show& show, const Memory& idle)
{
    const double screen = 4.0 * scene.width * scene.height;
    std::printf("The launcher's own surfaces, computed: back buffer %.1f MiB (4 bytes a "
                "pixel), desktop copy %.1f MiB (3 bytes a pixel, rows padded to 4 bytes), "
                "picture %.2f MiB, row tables and palette block %.2f MiB: %.1f MiB. Wine "
                "keeps its own copy of the window's pixels besides (another %.1f MiB, shared "
                "with the X server).\n\n",
                MiB(h.backBuffer), MiB(h.copy), MiB(h.picture), MiB(h.rowTables + h.palette),
                MiB(h.total), MiB(screen));
    if (show.memory.filled && show.pagefileWhileShowing > 0) {
        std::printf("While the picture shows, the launcher's private memory is its surfaces "
                    "and a bare process's: %.1f MiB over the bare process, against %.1f "
                    "computed. Its peak is %.1f MiB higher for a moment before the first "
                    "frame; one screen of 4-byte pixels is %.1f MiB, the size of the image "
                    "of the screen that copying the desktop reads from X.\n\n",
                    MiB(double(show.pagefileWhileShowing) - double(idle.pagefile)), MiB(h.total),
                    MiB(double(show.memory.pagefile) - double(show.pagefileWhileShowing)),
                    MiB(screen));
    }
}

void PrintTimeline(const Show& show)
{
    std::printf("New pictures (ms after CreateProcess, pixels differing from the "
                "desktop):\n\n");
    for (const auto& [ms, pixels] : show.timeline)
        std::printf("    %.1f %lld\n", ms, (long long)pixels);
    std::printf("\n");
}

}  // namespace

void PrintShow(const Scene& scene, const FrameTimes& frames, const Schedule& schedule,
               const Expected& expected, const Holdings& holdings, const Watched& w,
               bool printTimeline)
{
    const Show& show = w.show;
    std::printf("### The whole show: orveline.exe watched from the screen\n\n");
    if (!show.ran) {
        std::printf("Not run: %s.\n\n", show.problem.c_str());
        return;
    }
    PrintShowEvents(show, schedule, expected);
    PrintSpans(show, schedule);
    PrintWhereTimeGoes(scene, frames, schedule, show, w.bare);
    PrintMemory(show, w.bare.memory);
    PrintHoldings(scene, holdings, show, w.bare.memory);
    if (printTimeline)
        PrintTimeline(show);
}

void PrintClock(const ClockCheck& clock)
{
    std::printf("### Clock across processes\n\n");
    if (!clock.ran) {
        std::printf("The clock comparison with a second process did not run.\n\n");
        return;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::printf("QueryPerformanceCounter runs at %lld Hz. A second process read its clock "
                "%d times between two readings of ours (brackets at most %.3f ms wide); "
                "%d of its readings fell inside them, so the times of the launcher's next "
                "program above are on this process's clock. Starting a bare Wine process "
                "took %.1f ms (CreateProcess to its first line).\n\n",
                (long long)frequency.QuadPart, int(kClockRounds), clock.widestBracket, clock.inside,
                clock.startLatency);
}

void PrintStartComparison(const std::string& launcher, const std::string& against,
                          const StartComparison& c)
{
    std::printf("### The start against %s\n\n", FileName(against).c_str());
    if (!c.ran) {
        std::printf("Not run: %s.\n\n", c.problem.c_str());
        return;
    }
    std::printf("Process start to the first visible frame, %d shows of each, in turn, the order "
                "swapped each round; ms.\n\n",
                int(kStartRounds));
    std::printf("| launcher | median | p90 |\n|---|---:|---:|\n");
    std::printf("| %s | %.1f | %.1f |\n", FileName(launcher).c_str(), c.launcher.median,
                c.launcher.p90);
    std::printf("| %s | %.1f | %.1f |\n\n", FileName(against).c_str(), c.against.median,
                c.against.p90);
    const double ratio = c.against.median > 0 ? c.launcher.median / c.against.median : 0;
    std::printf("- %s over %s, medians: %.3f. Target, at most 1.10: %s.\n",
                FileName(launcher).c_str(), FileName(against).c_str(), ratio,
                ratio > 0 && ratio <= 1.10 ? "met" : "NOT met");
    std::printf("- First frames other than the planned one: %d.\n\n", c.unplanned);
}
