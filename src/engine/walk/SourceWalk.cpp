#include "engine/walk/SourceWalk.h"

#include "engine/bars/BarBuilderWalk.h"
#include "engine/walk/RunHostRecorder.h"
#include "platform/RunError.h"

#include <algorithm>
#include <memory>
#include <new> // bad_alloc
#include <vector>

namespace velmora {

namespace {

/// One job's walk beside the others over the file.
struct Walking
{
    Walking(const BarBuilder& builder, const SourceLines& lines, WalkJob& walked)
        : job(walked), walk(builder, lines, walked, !walked.ahead)
    {
    }

    WalkJob& job;
    BarBuilder::Walk walk;
};

/// One step of a walk. A job walked ahead keeps what ends it and stops only its own walk (false); the job at
/// its turn throws it into the run.
template <typename Step> bool step(Walking& walking, Step&& action)
{
    WalkJob& job = walking.job;
    if (!job.ahead) {
        return action();
    }
    try {
        return action();
    } catch (const RunError& error) {
        job.ended = WalkEnd::Failed;
        job.error = error.what();
    } catch (const RunHostRecorder::Full&) {
        job.ended = WalkEnd::Abandoned;
    } catch (const std::bad_alloc&) {
        job.ended = WalkEnd::Abandoned;
    }
    return false;
}

bool sameReadingState(const std::vector<Walking*>& walks)
{
    const BarBuilder::Walk& first = walks.front()->walk;
    return std::all_of(walks.begin(), walks.end(), [&first](const Walking* walking) {
        const BarBuilder::Walk& walk = walking->walk;
        return walk.inputSeparator() == first.inputSeparator() && walk.memo().held == first.memo().held &&
               walk.memo().day == first.memo().day && walk.memo().text == first.memo().text;
    });
}

/// Takes the started walks through the lines together, reading ahead while they agree, and finishes them.
void walkLines(const BarBuilder& builder, const std::optional<ReadAheadOptions>& readAhead, const SourceLines& lines,
               std::vector<Walking*>& active)
{
    // Every walk stands on the same first usable line. Lines are read ahead from the next one while the walks
    // agree on the reading state, which they do unless one of them went its own way on a refused line.
    const std::size_t lineCount = lines.size();
    const BarBuilder::Walk& lead = active.front()->walk;
    std::size_t next = lead.position() + 1;
    std::optional<ReadAheadParser> feed; // the lines parsed ahead of the walks
    const bool together = std::all_of(active.begin(), active.end(),
                                      [next](const Walking* walking) { return walking->walk.position() + 1 == next; });
    if (readAhead && together && sameReadingState(active) && next < lineCount) {
        const ConversionSettings& settings = builder.settings();
        feed.emplace(lines, settings.dateField, active.front()->job.env.dates.currentYear, *readAhead,
                     settings.appendVolume);
        feed->start(next, lead.inputSeparator(), lead.memo());
    }
    for (;;) {
        const std::size_t end = (feed && next < lineCount) ? feed->prepare(next) : lineCount;
        const LineFeed* reading = feed ? &*feed : nullptr;
        std::erase_if(active, [end, reading](Walking* walking) {
            return !step(*walking, [walking, end, reading] {
                walking->walk.advance(end, reading);
                return true;
            });
        });
        if (active.empty() || end >= lineCount) {
            break;
        }
        if (feed && feed->stoppedAt(end)) {
            // Every walk has read the refused line itself.
            if (sameReadingState(active)) {
                const BarBuilder::Walk& first = active.front()->walk;
                feed->start(end, first.inputSeparator(), first.memo());
            } else {
                feed.reset();
            }
        }
        next = end;
    }
    for (Walking* walking : active) {
        step(*walking, [walking] {
            walking->walk.finish();
            return true;
        });
    }
}

} // namespace

void walkJobs(const BarBuilder& builder, const std::optional<ReadAheadOptions>& readAhead, const SourceLines& lines,
              std::string_view fileName, std::span<WalkJob* const> jobs)
{
    std::vector<std::unique_ptr<Walking>> walks;
    walks.reserve(jobs.size());
    for (WalkJob* job : jobs) {
        walks.push_back(std::make_unique<Walking>(builder, lines, *job));
    }
    std::vector<Walking*> active;
    BarBuilder::Walk::PriceMemo prices;
    for (auto& walking : walks) {
        if (step(*walking, [&walking, fileName, &prices] { return walking->walk.start(fileName, prices); })) {
            active.push_back(walking.get());
        }
    }
    if (!active.empty()) {
        walkLines(builder, readAhead, lines, active);
    }
    for (auto& walking : walks) {
        // A walk that ended on an error says so instead.
        if (walking->job.ended == WalkEnd::Finished) {
            step(*walking, [&walking] {
                walking->walk.reportRepeatedMessages();
                return true;
            });
        }
    }
}

void walkSource(const BarBuilder& builder, const std::optional<ReadAheadOptions>& readAhead, const SourceLines& lines,
                std::string_view fileName, WalkJob& job, JobOutput& output, std::span<RecordedJob* const> beside)
{
    std::vector<WalkJob*> walks{&job};
    for (RecordedJob* recorded : beside) {
        walks.push_back(&recorded->walk());
    }
    walkJobs(builder, readAhead, lines, fileName, walks);
    if (job.writer != nullptr) {
        output.replaceFront(job.writer->front());
    }
    output.complete();
    for (RecordedJob* recorded : beside) {
        recorded->complete();
    }
}

} // namespace velmora
