// Runs a program and photographs the screen while it runs: the first
// picture that differs from the screen before it started, the one that
// stayed longest (the hold), and the last one before the screen went back.
// Used by the run script, which runs orveline.exe through it.
//
//   watch_show --probe                     exit 0 when DISPLAY can be opened
//   watch_show [--desktop] FOLDER PROGRAM [ARGUMENTS...]
//
// --desktop first puts a generated desktop on the root window (for a virtual
// screen, whose own is plain black).
#include "xshow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Shot {
    Image image;
    int64_t since = -1, until = -1;  // ms after the start
};

bool Save(const std::string& path, const Shot& shot, const char* what)
{
    if (shot.since < 0) {
        std::printf("  %-10s none: the screen never changed\n", what);
        return false;
    }
    if (!WritePng(path, shot.image)) {
        std::fprintf(stderr, "watch_show: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("  %-10s %s (on screen from %lld ms to %lld ms)\n", what, path.c_str(),
                (long long)shot.since, (long long)shot.until);
    return true;
}

// The last picture stays while the window closes, which can take longer
// than the hold: the hold is the longest of those that came before it.
void Close(const Shot& shot, Shot* hold, Shot* last)
{
    if (last->since >= 0 &&
        (hold->since < 0 || last->until - last->since > hold->until - hold->since))
        *hold = *last;
    *last = shot;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* name = std::getenv("DISPLAY");
    Display* display = name != nullptr ? OpenScreen(name) : nullptr;
    if (argc == 2 && std::strcmp(argv[1], "--probe") == 0) {
        if (display != nullptr)
            CloseScreen(display);
        return display != nullptr ? 0 : 1;
    }
    int first = 1;
    const bool desktop = argc > 1 && std::strcmp(argv[1], "--desktop") == 0;
    if (desktop)
        ++first;
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: watch_show [--desktop] FOLDER PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    if (display == nullptr) {
        std::fprintf(stderr, "watch_show: cannot open the X display \"%s\"\n", name ? name : "");
        return 1;
    }
    if (desktop && !ShowOnRoot(display, MakeDesktop(ScreenWidth(display), ScreenHeight(display)))) {
        std::fprintf(stderr, "watch_show: cannot draw the desktop (a 24-bit screen is needed)\n");
        return 1;
    }
    const std::string folder = argv[first];
    Image before;
    if (!CaptureScreen(display, &before)) {
        std::fprintf(stderr, "watch_show: cannot read the screen (a 24-bit screen is needed)\n");
        return 1;
    }

    const std::vector<std::string> program(argv + first + 1, argv + argc);
    const int64_t start = NowMs();
    const pid_t pid = StartProgram(program, ".");
    if (pid <= 0) {
        std::fprintf(stderr, "watch_show: cannot start %s\n", program[0].c_str());
        return 1;
    }

    Shot firstShot, hold, last, current;
    Image screen;
    int changes = 0, status = -1;
    bool ended = false;
    while (!ended && NowMs() - start < 120000) {
        ended = ProgramEnded(pid, &status);
        if (!CaptureScreen(display, &screen))
            break;
        const int64_t now = NowMs() - start;
        if (current.since >= 0 && screen.bgr == current.image.bgr) {
            current.until = now;
            continue;
        }
        // The picture on screen has changed: close the one before.
        if (current.since >= 0 && current.image.bgr != before.bgr)
            Close(current, &hold, &last);
        current.image = screen;
        current.since = current.until = now;
        if (screen.bgr != before.bgr) {
            ++changes;
            if (firstShot.since < 0)
                firstShot = current;
        }
    }
    if (!ended && !WaitForProgram(pid, 10000, &status))
        std::fprintf(stderr, "watch_show: %s did not end and was stopped\n", program[0].c_str());
    if (current.since >= 0 && current.image.bgr != before.bgr)
        Close(current, &hold, &last);
    CloseScreen(display);

    std::printf("The program ended with exit code %d after %lld ms; the screen showed %d "
                "different pictures.\n",
                status, (long long)(NowMs() - start), changes);
    bool saved = Save(folder + "/first-frame.png", firstShot, "first:");
    saved = Save(folder + "/hold.png", hold, "hold:") && saved;
    saved = Save(folder + "/last-frame.png", last, "last:") && saved;
    return saved && status == 0 ? 0 : 1;
}
