#include "preview_timeline.h"

#include <algorithm>

// The launcher's timeline, followed frame by frame.
std::vector<ShowFrame> ShowFrames(const ShowTimings& timings, bool fades)
{
    PlannedFrame planned[kShowFrameCount];
    const int32_t count = PlanShow(fades, &timings, planned);
    std::vector<ShowFrame> frames;
    int32_t clock = 0;
    for (int32_t i = 0; i < count; ++i) {
        const ShowPhase phase = !fades                  ? ShowPhase::Hold
                                : i < kFadeInFrameCount ? ShowPhase::FadeIn
                                                        : ShowPhase::FadeOut;
        frames.push_back({i, planned[i].level, clock, phase});
        clock += int32_t(planned[i].waitMs);
    }
    return frames;
}

int32_t ShowEndMs(const ShowTimings& timings, bool fades)
{
    PlannedFrame planned[kShowFrameCount];
    const int32_t count = PlanShow(fades, &timings, planned);
    return ShowFrames(timings, fades).back().atMs + int32_t(planned[count - 1].waitMs);
}

std::vector<SheetCell> SheetCells(const ShowTimings& timings, bool fades)
{
    if (!fades)
        return {{ShowPhase::Hold, 0, kFullLevel, 0, int32_t(timings.holdMs)}};
    // Dense where the eye sees most change: the low levels, where a soft
    // edge first shows, and the end of the fade out, down to its last frame.
    static const int32_t kFadeInPicks[] = {0, 8, 16, 32, 48};
    static const int32_t kFadeOutPicks[] = {0,  16, 32,
                                            48, 56, kShowFrameCount - kFadeInFrameCount - 1};
    const std::vector<ShowFrame> frames = ShowFrames(timings);
    const auto firstOut = std::find_if(frames.begin(), frames.end(), [](const ShowFrame& f) {
        return f.phase == ShowPhase::FadeOut;
    });
    const int32_t fadeInCount = int32_t(firstOut - frames.begin());

    std::vector<SheetCell> cells;
    for (int32_t k : kFadeInPicks) {
        const ShowFrame& f = frames[size_t(k)];
        cells.push_back({ShowPhase::FadeIn, f.index, f.level, f.atMs, f.atMs});
    }
    const ShowFrame& last = frames[size_t(fadeInCount - 1)];
    const int32_t holdFrom = last.atMs + int32_t(ShowWaitAfter(last.index, &timings));
    cells.push_back(
        {ShowPhase::Hold, last.index, last.level, holdFrom, holdFrom + int32_t(timings.holdMs)});
    for (int32_t j : kFadeOutPicks) {
        const ShowFrame& f = frames[size_t(fadeInCount + j)];
        cells.push_back({ShowPhase::FadeOut, f.index, f.level, f.atMs, f.atMs});
    }
    return cells;
}

std::vector<std::string> CellLabel(const SheetCell& cell)
{
    const char* phase = cell.phase == ShowPhase::FadeIn ? "FADE IN"
                        : cell.phase == ShowPhase::Hold ? "HOLD"
                                                        : "FADE OUT";
    std::string time = std::to_string(cell.fromMs);
    if (cell.toMs != cell.fromMs)
        time += "-" + std::to_string(cell.toMs);
    return {std::string(phase) + "  LEVEL " + std::to_string(cell.level),
            time + " MS  FRAME " + std::to_string(cell.frame)};
}
