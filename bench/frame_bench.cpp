// Times the launcher's frame under Wine at the size of the screen it runs on,
// then runs the real launcher and watches its show from the screen. Prints
// Markdown on standard output.
//
// The frame is drawn here with the launcher's own calls on a full-screen
// grey window, which then stays up as the desktop the real launcher copies.
// The same program, started with a flag, also plays the small parts another
// process has to play: the next program the launcher hands over to, the
// partner of a clock comparison, and an idle Wine process for a memory
// baseline.
#include "frame_bench.h"

#include "display.h"
#include "launcher.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------- output

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

void PrintFeatures(uint32_t features)
{
    std::string names;
    for (auto [flag, name] : {std::pair{kCpuMMX, "MMX"}, {kCpuSSE2, "SSE2"}, {kCpuAVX2, "AVX2"}})
        if (features & uint32_t(flag))
            names += names.empty() ? name : std::string(", ") + name;
    std::printf("Processor: %s. ", names.empty() ? "none of MMX, SSE2, AVX2" : names.c_str());
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: frame_bench [--launcher PATH] [--timeline] [--record FILE]\n"
                 "  PATH defaults to ..\\launcher\\orveline.exe beside this program's folder;\n"
                 "  FILE gets a line of this screen's key figures appended, for bench.sh to\n"
                 "  compare screens, each measured by a process of its own\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // The roles of the other processes come first: the next program's stamp
    // must be taken as early as possible.
    if (argc == 3 && std::strcmp(argv[1], "--handoff") == 0)
        return RunHandoff(argv[2]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_msPerTick = 1000.0 / double(frequency.QuadPart);
    if (argc == 3 && std::strcmp(argv[1], "--clock") == 0)
        return RunClockPartner(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--idle") == 0)
        return RunIdle(argv[2]);

    const std::string self = ModulePath();
    std::string launcher = FullPath(FolderOf(self) + "\\..\\launcher\\orveline.exe");
    bool printTimeline = false;
    const char* recordFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--launcher") == 0 && i + 1 < argc)
            launcher = FullPath(argv[++i]);
        else if (std::strcmp(argv[i], "--timeline") == 0)
            printTimeline = true;
        else if (std::strcmp(argv[i], "--record") == 0 && i + 1 < argc)
            recordFile = argv[++i];
        else
            return Usage();
    }

    g_hInstance = GetModuleHandleA(nullptr);
    g_screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int32_t W = g_screenWidth, H = g_screenHeight;
    std::printf("## The frame at %d x %d, %d-bit under Wine\n\n", W, H, int(sizeof(void*) * 8));
    std::fflush(stdout);

    // The grey window: the launcher's window while the frame is timed, the
    // desktop while the real launcher runs.
    HWND desktopWindow = CreateDesktopWindow(g_hInstance, W, H);
    if (desktopWindow == nullptr) {
        std::printf("No window could be made: nothing measured.\n");
        return 1;
    }
    g_hWnd = desktopWindow;
    ScreenReader onePixel(1, 1);
    {
        // The window must be on the screen before the desktop is copied.
        Block centre = {W / 2 - 8, H / 2 - 8, 16, 16, 0, 0};
        Pixels grey(16 * 16 * 4);
        for (size_t i = 0; i < grey.size(); i += 4) {
            grey[i] = GetBValue(kDesktopGrey);
            grey[i + 1] = GetGValue(kDesktopGrey);
            grey[i + 2] = GetRValue(kDesktopGrey);
        }
        ScreenReader reader(16, 16);
        if (!WaitForScreen(reader, centre, grey, 5000))
            std::printf("(The grey window did not show on the screen within 5 s.)\n\n");
    }

    const char* pictureName = ShowPictureName(W);
    Setup setup{};
    Block b{};
    if (!PrepareLikeLauncher(&setup, pictureName) || !FindLaunchersBlock(&b)) {
        std::printf("The launcher's surfaces could not be made: nothing measured.\n");
        return 1;
    }
    const uint32_t features = ProcessorFeatures();
    const int32_t best = BestBlendForm(features);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const unsigned long processors = system.dwNumberOfProcessors;
    std::printf("%lu processors. ", processors);
    PrintFeatures(features);
    std::printf("BlendSurface chooses the %s form. Picture %s, %d x %d, at (%d, %d).\n\n",
                FormName(best), pictureName, b.cx, b.cy, b.dstX, b.dstY);

    ScreenReader blockReader(b.cx, b.cy);
    SelectBlendForm(best);
    const Arrival arrival = CheckArrival(b, blockReader);

    // One pixel read alone: the X round trip inside the upload figure.
    std::vector<double> roundTrips;
    for (int i = 0; i < 200; ++i) {
        const int64_t t0 = Now();
        onePixel.Read(b.dstX, b.dstY);
        roundTrips.push_back(Ms(Now() - t0));
    }
    const Spread roundTrip = Summarise(roundTrips);

    // The whole frame, once per form of the blend, as the launcher draws it
    // and in the old full-screen form beside it. A show's worth of frames at
    // large screens, two at smaller ones.
    const int rounds = int64_t(W) * H > 4'000'000 ? 1 : 2;
    std::vector<FormTimes> forms;
    for (int32_t form : {kBlendPlain, kBlendSSE2, kBlendAVX2}) {
        if (SelectBlendForm(form) != form)
            continue;
        for (bool whole : {false, true}) {
            FormTimes t;
            t.name = std::string(FormName(form)) + (whole ? ", whole screen (reference)" : ", the block");
            t.whole = whole;
            TimeFrames(&t, b, onePixel, rounds);
            forms.push_back(std::move(t));
        }
    }
    SelectBlendForm(best);
    // The launcher's frame in the form BlendSurface chooses, and the same in
    // the full-screen form.
    const FormTimes* chosen = nullptr;
    const FormTimes* reference = nullptr;
    for (const FormTimes& t : forms)
        if (t.name.rfind(FormName(best), 0) == 0 && t.name[std::strlen(FormName(best))] == ',')
            (t.whole ? reference : chosen) = &t;

    // The blend alone.
    std::vector<BlendTimes> blends;
    const int blendRounds = 6;
    {
        BlendTimes plain{"BlendSurfacePlain", TimeSurfaceBlend(BlendSurfacePlain, b, blendRounds),
                         1.0, "reference"};
        blends.push_back(plain);
        auto add = [&](const char* name, SurfaceBlend form) {
            BlendTimes t{name, TimeSurfaceBlend(form, b, blendRounds), 0, ""};
            t.ratio = plain.spread.median / t.spread.median;
            t.same = SameAsPlain(form, b) ? "yes" : "NO";
            blends.push_back(t);
        };
        if (features & kCpuSSE2)
            add("BlendSurfaceSSE2", BlendSurfaceSSE2);
        if (features & kCpuAVX2)
            add("BlendSurfaceAVX2", BlendSurfaceAVX2);
        add((std::string("BlendSurface (") + FormName(best) + ")").c_str(), DispatchedBlend);
        const int calls = blendRounds * int(ShowLevels().size());
        BlendTimes pixelsPlain{"BlendPixelsPlain", TimePixelBlend(BlendPixelsPlain, b, calls), 1.0,
                               "reference"};
        blends.push_back(pixelsPlain);
        if (features & kCpuMMX) {
            BlendTimes mmx{"BlendPixelsMMX", TimePixelBlend(BlendPixelsMMX, b, calls), 0, ""};
            mmx.ratio = pixelsPlain.spread.median / mmx.spread.median;
            mmx.same = PixelsSameAsPlain(BlendPixelsMMX, b) ? "yes" : "NO";
            blends.push_back(mmx);
        }
    }

    // The frames the watcher of the show expects: the desktop (level 0
    // leaves it as it is), the first visible level and the last one.
    Restore();
    const Pixels desktop = CopyOut(g_backBuffer, b);
    Pixels levelFrames[3];
    const int frameLevels[3] = {0, 4, 3};
    for (int i = 0; i < 3; ++i) {
        Restore();
        BlendSurfacePlain(&g_backBuffer, b.dstX, b.dstY, b.cx, b.cy, &g_splashImage, b.srcX,
                          b.srcY, frameLevels[i]);
        levelFrames[i] = CopyOut(g_backBuffer, b);
    }
    const int64_t level0Differs = CountDiffering(levelFrames[0].data(), desktop.data(), b);
    const int64_t level4Differs = CountDiffering(levelFrames[1].data(), desktop.data(), b);
    const int64_t level3Differs = CountDiffering(levelFrames[2].data(), desktop.data(), b);

    // What the launcher holds for a show, computed.
    const double backBufferBytes = double(g_backBuffer.pitch) * g_backBuffer.height;
    const double copyBytes = double(g_backCopy.pitch) * g_backCopy.height;
    const double pictureBytes = double(g_splashImage.pitch) * g_splashImage.height;
    const double rowTableBytes = 4.0 * (g_backBuffer.height + g_backCopy.height + g_splashImage.height);
    const double paletteBytes = 8192;
    const double surfaceBytes = backBufferBytes + copyBytes + pictureBytes + rowTableBytes + paletteBytes;

    // Back to a plain grey desktop for the show.
    ShutdownDisplay();
    DestroySurface(&g_backCopy);
    DestroySurface(&g_splashImage);
    InvalidateRect(desktopWindow, nullptr, TRUE);
    UpdateWindow(desktopWindow);
    const bool desktopReady = WaitForScreen(blockReader, b, desktop, 5000);

    const ClockCheck clock = CompareClocks(self);
    const Bare bare = MeasureBare(self);
    const Memory& idle = bare.memory;
    Show show;
    if (!FileExists(launcher))
        show.problem = "no launcher at " + launcher;
    else if (!desktopReady)
        show.problem = "the grey desktop did not come back on the screen";
    else
        show = WatchShow(launcher, self, b, desktop, levelFrames[1], levelFrames[2]);

    // ------------------------------------------------------------ report
    const int frameCount = forms.empty() ? 0 : int(forms[0].frame.size());
    std::printf("### One frame as the launcher draws it\n\n");
    std::printf("%d frames per form of the blend (the levels of %s), each phase timed with "
                "QueryPerformanceCounter; median / 90th percentile in ms.\n\n",
                frameCount, rounds == 1 ? "one show" : "two shows");
    std::printf("| BlendSurface form, frame | restore (BitBlt, 24 to 32 bits) | blend | present "
                "(BitBlt to the window) | upload to X | whole frame | our own code |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    for (const FormTimes& t : forms) {
        const Spread frame = Summarise(t.frame);
        const Spread blend = Summarise(t.blend);
        std::printf("| %s | %s | %s | %s | %s | %s | %.2f %% |\n", t.name.c_str(),
                    Cell(Summarise(t.restore)).c_str(), Cell(blend).c_str(),
                    Cell(Summarise(t.present)).c_str(), Cell(Summarise(t.upload)).c_str(),
                    Cell(frame).c_str(), 100.0 * blend.sum / frame.sum);
    }
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
    if (W == 1920 && H == 1080 && reference != nullptr) {
        const double share = 100.0 * Summarise(reference->blend).sum / Summarise(reference->frame).sum;
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
                roundTrip.median);

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

    std::printf("### The blend alone, %d x %d into the back buffer\n\n", b.cx, b.cy);
    std::printf("%d calls each, over the show's levels; ms per call.\n\n",
                blendRounds * int(ShowLevels().size()));
    std::printf("| routine | median | 90th percentile | plain / this | same bytes as plain |\n");
    std::printf("|---|---:|---:|---:|---|\n");
    double dispatchedRatio = 0;
    for (const BlendTimes& t : blends) {
        std::printf("| %s | %.4f | %.4f | %.2f | %s |\n", t.name.c_str(), t.spread.median,
                    t.spread.p90, t.ratio, t.same);
        if (t.name.rfind("BlendSurface (", 0) == 0)
            dispatchedRatio = t.ratio;
    }
    std::printf("\nTarget, BlendSurface at least 3 times as fast as the plain form: %s (%.2f).\n\n",
                dispatchedRatio >= 3.0 ? "met" : "NOT met", dispatchedRatio);

    std::printf("### Once per show\n\n| step | ms |\n|---|---:|\n");
    std::printf("| InitDisplay (palette, back buffer) | %.3f |\n", setup.initDisplay);
    std::printf("| CreateSurface, 24-bit desktop copy | %.3f |\n", setup.createCopy);
    std::printf("| copy of the screen into it | %.3f |\n", setup.copyDesktop);
    std::printf("| first restore into the back buffer | %.3f |\n", setup.firstRestore);
    std::printf("| LoadSurfaceImage %s | %.3f |\n\n", pictureName, setup.loadPicture);

    std::printf("### The whole show: orveline.exe watched from the screen\n\n");
    if (!show.ran) {
        std::printf("Not run: %s.\n\n", show.problem.c_str());
    } else {
        std::printf("The launcher runs in its own process on the grey desktop; the picture's "
                    "block of the screen is read every %.2f ms (median), %d reads. The level-0 "
                    "frame equals the desktop (%lld pixels differ), so the first visible frame "
                    "is level 4 (%lld pixels differ from the desktop) and the last is level 3 "
                    "(%lld).\n\n",
                    show.pollGap, show.polls, (long long)level0Differs, (long long)level4Differs,
                    (long long)level3Differs);
        if (!show.problem.empty())
            std::printf("Problem: %s.\n\n", show.problem.c_str());
        std::printf("| event | ms after CreateProcess |\n|---|---:|\n");
        std::printf("| CreateProcess returned | %.1f |\n", show.created);
        std::printf("| first visible frame (%s level 4) | %.1f |\n",
                    show.firstIsLevel4 ? "equal to" : "NOT equal to", show.firstVisible);
        std::printf("| last new frame (%s level 3) | %.1f |\n",
                    show.lastIsLevel3 ? "equal to" : "NOT equal to", show.lastChange);
        std::printf("| screen back to the desktop | %.1f |\n", show.greyAgain);
        std::printf("| next program running (its first clock reading) | %.1f |\n", show.handoff);
        std::printf("| launcher's process ended | %.1f |\n\n", show.exited);

        // From the first visible frame to the last: 126 waits of the show
        // (62 of 20 ms, the last 20 ms with the 2 s hold, 63 of 10 ms), and
        // each of the 126 later frames drawn in between.
        const double nominalVisible = 62 * 20 + 20 + 2000 + 63 * 10;
        // The show's first frame is drawn whole, every later one as the block.
        auto drawn = [](const FormTimes* t) {
            return t == nullptr ? 0.0
                                : Summarise(t->restore).median + Summarise(t->blend).median +
                                      Summarise(t->present).median;
        };
        const double drawing = drawn(chosen), firstDrawing = drawn(reference);
        const double visible = show.lastChange - show.firstVisible;
        std::printf("| span | measured ms | nominal ms | difference |\n|---|---:|---:|---:|\n");
        std::printf("| first to last visible frame | %.1f | %.0f | %+.1f |\n", visible,
                    nominalVisible, visible - nominalVisible);
        std::printf("| CreateProcess to the next program | %.1f | 3920 | %+.1f |\n", show.handoff,
                    show.handoff - 3920);
        std::printf("| CreateProcess to the launcher's end | %.1f | 3920 | %+.1f |\n\n",
                    show.exited, show.exited - 3920);
        std::printf("New pictures seen on the screen: %d (the show has 127 visible frames; "
                    "reads %.2f ms apart can miss one now and then).\n\n",
                    show.changes, show.pollGap);
        std::printf("Where the time goes:\n\n");
        const double onceWork = setup.initDisplay + setup.createCopy + setup.copyDesktop +
                                setup.firstRestore + setup.loadPicture;
        const double twoFrames = firstDrawing + drawing + 20;
        if (bare.timed) {
            std::printf("- Start, %.0f ms to the first visible frame. A bare Wine process runs its "
                        "first line %.0f ms after CreateProcess and has Wine's X driver loaded "
                        "(its first screen DC) at %.0f ms; the launcher's once-per-show work "
                        "takes %.0f ms (timed above); the level-0 frame, its 20 ms wait and the "
                        "level-4 frame %.0f ms. The other %.0f ms go to making and showing the "
                        "full-screen window and the rest of the launcher's start, not timed "
                        "apart.\n",
                        show.firstVisible, bare.firstLine, bare.display, onceWork, twoFrames,
                        show.firstVisible - bare.display - onceWork - twoFrames);
        } else {
            std::printf("- Start, %.0f ms to the first visible frame: the process start, the "
                        "launcher's once-per-show work (%.0f ms), the level-0 frame, its 20 ms "
                        "wait and the level-4 frame (%.0f ms).\n",
                        show.firstVisible, onceWork, twoFrames);
        }
        std::printf("- Frames, %+.0f ms over the nominal %.0f ms: each wait starts only after "
                    "its frame is drawn. The frames drawn here cost %.2f ms each to draw (restore "
                    "+ blend + present, medians above), %.0f ms for the 126; the other %+.0f ms "
                    "are the launcher's frames costing more or less than these while it shares "
                    "%lu processors with X and this watcher, and the waits, counted in whole "
                    "milliseconds of GetTickCount, ending up to 1 ms early.\n",
                    visible - nominalVisible, nominalVisible, drawing, 126 * drawing,
                    visible - nominalVisible - 126 * drawing, processors);
        std::printf("- End: the last frame stays %.0f ms on the screen before the window is "
                    "gone, and the next program runs %.0f ms after the last frame, %.0f ms after "
                    "the window went. Before Wine takes a full-screen window off the X screen it "
                    "waits up to 2 s for a window manager to confirm that the window was put up; "
                    "with none, as here, the whole 2 s pass with the last frame showing.\n\n",
                    show.greyAgain - show.lastChange, show.handoff - show.lastChange,
                    show.handoff - show.greyAgain);

        std::printf("### Memory of the launcher's process\n\n");
        if (!show.memory.filled) {
            std::printf("K32GetProcessMemoryInfo gave nothing for another process (%d readings).\n\n",
                        show.memory.readings);
        } else {
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
        std::printf("The launcher's own surfaces, computed: back buffer %.1f MiB (4 bytes a "
                    "pixel), desktop copy %.1f MiB (3 bytes a pixel, rows padded to 4 bytes), "
                    "picture %.2f MiB, row tables and palette block %.2f MiB: %.1f MiB. Wine "
                    "keeps its own copy of the window's pixels besides (another %.1f MiB, shared "
                    "with the X server).\n\n",
                    MiB(backBufferBytes), MiB(copyBytes), MiB(pictureBytes),
                    MiB(rowTableBytes + paletteBytes), MiB(surfaceBytes), MiB(4.0 * W * H));
        if (show.memory.filled && show.pagefileWhileShowing > 0) {
            std::printf("While the picture shows, the launcher's private memory is its surfaces "
                        "and a bare process's: %.1f MiB over the bare process, against %.1f "
                        "computed. Its peak is %.1f MiB higher for a moment before the first "
                        "frame; one screen of 4-byte pixels is %.1f MiB, the size of the image "
                        "of the screen that copying the desktop reads from X.\n\n",
                        MiB(double(show.pagefileWhileShowing) - double(idle.pagefile)),
                        MiB(surfaceBytes),
                        MiB(double(show.memory.pagefile) - double(show.pagefileWhileShowing)),
                        MiB(4.0 * W * H));
        }
        if (printTimeline) {
            std::printf("New pictures (ms after CreateProcess, pixels differing from the "
                        "desktop):\n\n");
            for (const auto& [ms, pixels] : show.timeline)
                std::printf("    %.1f %lld\n", ms, (long long)pixels);
            std::printf("\n");
        }
    }

    std::printf("### Clock across processes\n\n");
    if (!clock.ran) {
        std::printf("The clock comparison with a second process did not run.\n\n");
    } else {
        std::printf("QueryPerformanceCounter runs at %lld Hz. A second process read its clock "
                    "%d times between two readings of ours (brackets at most %.3f ms wide); "
                    "%d of its readings fell inside them, so the times of the launcher's next "
                    "program above are on this process's clock. Starting a bare Wine process "
                    "took %.1f ms (CreateProcess to its first line).\n\n",
                    (long long)frequency.QuadPart, int(kClockRounds), clock.widestBracket,
                    clock.inside, clock.startLatency);
    }
    std::fflush(stdout);

    // Screen size, the frame (median ms, whole frame with the upload: the
    // block, then the whole screen), the first visible frame and the
    // launcher's end (ms after CreateProcess, -1 when not seen).
    if (recordFile != nullptr) {
        if (FILE* f = std::fopen(recordFile, "a")) {
            std::fprintf(f, "%d %d %.4f %.4f %.1f %.1f\n", W, H,
                         chosen != nullptr ? Summarise(chosen->frame).median : -1.0,
                         reference != nullptr ? Summarise(reference->frame).median : -1.0,
                         show.ran && show.changes > 0 ? show.firstVisible : -1.0,
                         show.ran ? show.exited : -1.0);
            std::fclose(f);
        }
    }

    DestroyWindow(desktopWindow);
    g_hWnd = nullptr;
    return 0;
}
