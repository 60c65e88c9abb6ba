// Runs the real launcher and watches its show from the screen, with the
// launcher's memory and the hand-off to the next program.
#include "frame_bench.h"

#include <cstdio>
#include <cstring>

// ---------------------------------------------------------------- the show

Show WatchShow(const std::string& launcher, const std::string& self, const Block& b,
               const Pixels& desktop, const Pixels& firstFrame, const Pixels& lastFrame)
{
    Show show;
    char tempRoot[MAX_PATH] = {};
    GetTempPathA(sizeof tempRoot, tempRoot);
    char folderName[64];
    std::snprintf(folderName, sizeof folderName, "orveline-frame-bench-%lu",
                  (unsigned long)GetCurrentProcessId());
    const std::string folder = std::string(tempRoot) + folderName;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string stampFile = folder + "\\handoff.txt";
    DeleteFileA(stampFile.c_str());

    ScreenReader reader(b.cx, b.cy);
    Pixels previous = desktop;
    std::vector<double> gaps;
    PROCESS_INFORMATION pi = {};
    const int64_t t0 = Now();
    if (!Start(launcher, "\"" + self + "\" --handoff \"" + stampFile + "\"", folder.c_str(), &pi)) {
        show.problem = "CreateProcess failed";
        return show;
    }
    show.ran = true;
    show.created = Ms(Now() - t0);
    bool seen = false, stamped = false;
    int64_t lastPoll = 0, lastMemory = 0, exitedAt = 0;
    for (;;) {
        const int64_t now = Now();
        if (lastPoll)
            gaps.push_back(Ms(now - lastPoll));
        lastPoll = now;
        reader.Read(b.dstX, b.dstY);
        ++show.polls;
        const int64_t fromDesktop = CountDiffering(reader.Bits(), desktop.data(), b);
        if (fromDesktop != 0) {
            if (!seen) {
                seen = true;
                show.firstVisible = Ms(now - t0);
                show.firstAsPlanned = CountDiffering(reader.Bits(), firstFrame.data(), b) == 0;
                ReadMemory(pi.hProcess, &show.memory);
                show.pagefileWhileShowing = show.memory.current;
            }
            if (CountDiffering(reader.Bits(), previous.data(), b) != 0) {
                ++show.changes;
                show.lastChange = Ms(now - t0);
                show.lastAsPlanned = CountDiffering(reader.Bits(), lastFrame.data(), b) == 0;
                show.timeline.emplace_back(Ms(now - t0), fromDesktop);
            }
            show.greyAgain = -1;
        } else if (seen && show.greyAgain < 0) {
            show.greyAgain = Ms(now - t0);
        }
        std::memcpy(previous.data(), reader.Bits(), previous.size());

        if (!exitedAt && Ms(now - lastMemory) >= 10) {
            ReadMemory(pi.hProcess, &show.memory);
            lastMemory = now;
        }
        if (!exitedAt && WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            exitedAt = now;
            show.exited = Ms(now - t0);
        }
        if (!stamped) {
            std::vector<int64_t> stamp;
            if (ReadStamps(stampFile, &stamp, 1)) {
                stamped = true;
                show.handoff = Ms(stamp[0] - t0);
            }
        }
        if (exitedAt && stamped && (show.greyAgain >= 0 || !seen)) {
            if (!seen)
                show.problem = "no frame of the show was seen on the screen";
            break;
        }
        if (exitedAt && Ms(now - exitedAt) > 5000) {
            show.problem = stamped ? "the screen never went back to the desktop"
                                   : "the next program never ran";
            break;
        }
        if (!exitedAt && Ms(now - t0) > 30000) {
            show.problem = "the launcher ran for more than 30 s and was stopped";
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
        PumpMessages();
        Sleep(1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    show.pollGap = Summarise(gaps).median;
    DeleteFileA(stampFile.c_str());
    RemoveDirectoryA(folder.c_str());
    return show;
}

// ---------------------------------------------------------------- the start, against another
// launcher

StartComparison CompareStarts(const std::string& launcher, const std::string& against,
                              const std::string& self, const Block& b, const Pixels& desktop,
                              const Pixels& firstFrame, const Pixels& lastFrame)
{
    StartComparison c;
    std::vector<double> ours, theirs;
    // In turn, the order swapped each round, so that whatever else loads
    // the machine, and whatever the show before leaves behind, falls on
    // both alike.
    for (int round = 0; round < kStartRounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const int which = turn ^ (round & 1);
            const Show show =
                WatchShow(which == 0 ? launcher : against, self, b, desktop, firstFrame, lastFrame);
            if (!show.problem.empty() || show.changes == 0) {
                c.problem = (which == 0 ? launcher : against) + ": " +
                            (show.problem.empty() ? "no frame seen" : show.problem);
                return c;
            }
            // Both carry the same pictures: a first frame other than the
            // planned one would be a different start, not a slower one.
            if (!show.firstAsPlanned)
                ++c.unplanned;
            (which == 0 ? ours : theirs).push_back(show.firstVisible);
        }
    }
    c.ran = true;
    c.launcher = Summarise(ours);
    c.against = Summarise(theirs);
    return c;
}
