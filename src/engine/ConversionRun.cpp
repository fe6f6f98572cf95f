#include "engine/ConversionRun.h"

#include "engine/BarBuilder.h"
#include "engine/OutputSpill.h"
#include "engine/RunHostRecorder.h"
#include "engine/SourceCache.h"
#include "engine/TimeframeEntry.h"
#include "input/LastRecord.h"
#include "platform/RunError.h"
#include "platform/Text.h"

#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <utility> // pair
#include <vector>

namespace velmora {

namespace {

/// Thrown by the progress-and-cancel hook when the user has confirmed a cancel.
struct RunCancelled
{
};

constexpr std::string_view Finished = "処理が完了しました";

// Jobs walked ahead wait for their turn with their bars in a temporary file each: a run over hundreds of files
// keeps this many at most, the others walk at their turn.
constexpr std::size_t MaxAheadJobs = 32;
constexpr std::string_view SameAsSource = " は変換元のファイルと同じなので書き出しません";

bool isSameFile(const std::filesystem::path& target, const std::filesystem::path& source)
{
    std::error_code error;
    return std::filesystem::equivalent(target, source, error);
}

std::string statusText(const RunRequest& request, const TimeframeEntry& entry, int job, int total)
{
    std::string text;
    if (request.linkage != nullptr) {
        text = request.linkage->currencyName + (entry.isDaily() ? " Day" : " " + entry.text() + "min");
    } else {
        text = entry.text() + "min";
    }
    text += " 処理中 " + std::to_string(job) + " / " + std::to_string(total);
    return text;
}

/// A job walked ahead of its turn, beside an earlier job over the same file, so that the file is read once
/// for all of them. At its turn it stands in for the walk if nothing the walk depends on has changed since.
struct AheadJob
{
    AheadJob(const TimeframeEntry& predicted, const MarketWindow& entryWindow, const DateSeparators& start,
             std::uint64_t sourceSerial, int currentYear, std::uint32_t seed)
        : entry(predicted), startEntry(predicted), window(entryWindow), startSeparators(start), separators(start),
          serial(sourceSerial), dates{separators, host, currentYear},
          env{host, dates, [this](std::size_t line) { host.hook(line); },
              [this](std::string& bytes) { spill.take(bytes); }},
          job{entry, window, env, output, seed, true}
    {
    }
    AheadJob(const AheadJob&) = delete;
    AheadJob& operator=(const AheadJob&) = delete;

    /// True when the walk would run now exactly as it ran ahead.
    bool standsFor(const TimeframeEntry& now, const DateSeparators& separatorsNow, std::uint64_t serialNow) const
    {
        return !job.failed && host.usable() && serialNow == serial && now == startEntry &&
               separatorsNow.output == startSeparators.output &&
               (!job.readsStartSeparator || separatorsNow.input == startSeparators.input);
    }

    TimeframeEntry entry; ///< the walk's, as it leaves it
    TimeframeEntry startEntry;
    MarketWindow window;
    DateSeparators startSeparators;
    DateSeparators separators; ///< the walk's, as it leaves them
    std::uint64_t serial;
    RunHostRecorder host;
    DateTextContext dates;
    std::string output;
    OutputSpill spill;
    BuildEnvironment env;
    WalkJob job;
};

/// Where the job of an entry over a file is written unless the overwrite question sends it elsewhere.
std::filesystem::path plannedTarget(const std::string& file, const TimeframeEntry& entry, const LinkageContext* linkage,
                                    const ConversionSettings& settings)
{
    const OutputLocation location =
        OutputLocationOf(file, {entry.text(), entry.isDaily(), entry.isSequence()}, linkage);
    return location.folder / ForceExtension(location.name, settings.forceExtension, settings.extension);
}

/// The entries as they will resolve, in order, as far as they resolve without a refusal.
std::vector<TimeframeEntry> predictEntries(const std::vector<std::string>& texts, BarKind kind)
{
    std::vector<TimeframeEntry> entries;
    try {
        for (const std::string& text : texts) {
            entries.push_back(TimeframeEntry::ResolveEntry(text, kind));
        }
    } catch (const RunError&) {
        // The run ends at this entry: nothing after it is walked.
    }
    return entries;
}

} // namespace

ConversionRun::ConversionRun(RunHost& host, const Clock& clock, RunState& state)
    : m_host(host), m_clock(clock), m_state(state), m_hookSeed(clock.tickCount())
{
}

bool ConversionRun::startChecksPass(const RunRequest& request)
{
    if (request.dateSeparatorBox.empty()) {
        m_host.showMessage("「書きだす時の日付の区切り文字」の項目が空です。\r「/」や「-」などを指定してください");
        return false;
    }
    if (request.settings.forceExtension && request.settings.extension.empty()) {
        m_host.showMessage("「出力ファイルの拡張子を指定」にチェックが付いているのに、拡張子の項目が空です。\r"
                           "「.txt」や「.csv」などを指定するか、チェックを外してください");
        return false;
    }
    if (request.files.empty()) {
        m_host.showMessage("ファイルが登録されていません。\rファイルをドラッグ＆ドロップにて登録してください");
        return false;
    }
    if (auto refusal = unusableDateSeparatorMessage(request.dateSeparatorBox)) {
        m_host.showMessage(*refusal);
        return false;
    }
    return true;
}

RunOutcome ConversionRun::execute(const RunRequest& request)
{
    const std::uint32_t startTick = m_clock.tickCount();

    SummerShiftTable summer;
    if (request.summer.enabled) {
        try {
            summer.LoadForRun(request.summer.starts, request.summer.ends, request.summer.shifts, m_clock.today().year);
        } catch (const std::exception& error) {
            m_host.showMessage(error.what());
            return RunOutcome::NotStarted;
        }
    }
    if (request.linkage == nullptr && !startChecksPass(request)) {
        return RunOutcome::NotStarted;
    }

    ConversionSettings settings = request.settings;
    if (request.linkage == nullptr) {
        if (settings.timeframes.find('.') != std::string::npos) {
            settings.timeframes = normaliseTimeframeBox(settings.timeframes);
            m_host.showTimeframeText(settings.timeframes);
        }
    } else {
        settings.timeframes = request.linkageTimeframes;
    }
    m_host.clearLog();
    m_host.setStatusText("処理中");
    m_host.setControlsEnabled(false);

    RunOutcome outcome = RunOutcome::Completed;
    std::string error;
    try {
        runEntries(request, settings, request.summer.enabled ? &summer : nullptr);
        m_host.appendLog(Finished);
        m_host.appendLog(std::to_string(m_clock.tickCount() - startTick) + "ms");
    } catch (const RunCancelled&) {
        outcome = RunOutcome::Cancelled;
    } catch (const std::exception& failure) {
        outcome = RunOutcome::Failed;
        error = failure.what();
    }

    // Every way out of a run passes here.
    if (m_host.cancelRequested()) {
        m_host.appendLog("処理を中断しました");
        if (outcome == RunOutcome::Completed) {
            outcome = RunOutcome::Cancelled;
        }
    }
    m_host.setControlsEnabled(true);
    m_host.showRunFinished(Finished);
    if (outcome == RunOutcome::Failed) {
        m_host.showMessage(error);
    }
    return outcome;
}

void ConversionRun::runEntries(const RunRequest& request, ConversionSettings& settings, const SummerShiftTable* summer)
{
    if (request.linkage == nullptr) {
        m_state.separators.output = separatorFromBox(request.dateSeparatorBox);
    }
    settings.outputDateSeparator = m_state.separators.output;
    settings.timeZoneShiftDays = timeZoneShiftFromBox(request.timeZoneBox);
    settings.dateField = dateFieldFromBox(request.dateFieldBox);
    const std::vector<std::string> entryTexts = splitTimeframeList(settings.timeframes);

    DateTextContext dates{m_state.separators, m_host, m_clock.today().year};
    BarBuilder builder(settings, summer, m_host);
    builder.setLineFeed(m_feedOptions);
    BuildEnvironment env{m_host, dates, [this](std::size_t line) {
                             m_host.setProgressPosition(static_cast<int>(std::min<std::size_t>(line, INT32_MAX)));
                             if (m_host.cancelRequested()) {
                                 throw RunCancelled{};
                             }
                             m_host.processEvents();
                         }};
    const auto jobCount = static_cast<long long>(entryTexts.size()) * static_cast<long long>(request.files.size());
    const int total = static_cast<int>(std::min<long long>(jobCount, INT32_MAX));
    int counter = 0;
    std::string output;
    SourceCache sources;
    OutputSpill spill;
    env.spill = [&spill](std::string& bytes) { spill.take(bytes); };
    // Later entries over the same file are walked beside the first, reading the file once for all of them.
    // Linkage runs check their targets between jobs, which can change what a walk depends on; they walk each
    // job at its turn.
    const std::vector<TimeframeEntry> predicted = request.linkage == nullptr && m_walkAhead
                                                      ? predictEntries(entryTexts, m_state.kind)
                                                      : std::vector<TimeframeEntry>{};
    std::map<std::pair<std::size_t, std::size_t>, std::unique_ptr<AheadJob>> ahead;

    for (std::size_t e = 0; e < entryTexts.size(); ++e) {
        TimeframeEntry entry = TimeframeEntry::ResolveEntry(entryTexts[e], m_state.kind);
        const MarketWindow window = BarBuilder::PrepareEntry(settings, entry);
        for (std::size_t f = 0; f < request.files.size(); ++f) {
            const std::string& file = request.files[f];
            ++counter;
            m_host.setStatusText(statusText(request, entry, counter, total));
            const EntryNaming naming{entry.text(), entry.isDaily(), entry.isSequence()};
            OutputLocation location = OutputLocationOf(file, naming, request.linkage);
            if (request.linkage != nullptr && !request.linkage->minuteSubFolder.empty()) {
                // One folder level; a failure shows when the file is written.
                std::error_code ignored;
                std::filesystem::create_directory(location.folder, ignored);
                const auto target = location.folder / location.name;
                if (request.linkage->overwritePolicy == LinkageOverwrite::WhenNewer &&
                    std::filesystem::exists(target) &&
                    !TargetNeedsUpdate(file, target, entry.text(), settings.labelling, settings.dateField, dates)) {
                    continue;
                }
            }
            const SourceLines& lines = sources.load(file);
            output.clear();
            spill.reset(plannedTarget(file, entry, request.linkage, settings));
            m_host.processEvents();
            m_host.yieldProcessor();
            const std::string fileName = std::filesystem::path(file).filename().string();
            const auto found = ahead.find({e, f});
            std::unique_ptr<AheadJob> done;
            if (found != ahead.end()) {
                done = std::move(found->second);
                ahead.erase(found);
                if (!done->standsFor(entry, m_state.separators, lines.serial())) {
                    done.reset();
                }
            }
            OutputSpill* jobSpill = &spill;
            std::string* jobOutput = &output;
            if (done != nullptr) {
                done->host.replay(m_host, env.hook);
                m_state.separators = done->separators;
                entry = done->entry;
                if (done->job.error) {
                    throw RunError(*done->job.error);
                }
                jobSpill = &done->spill;
                jobOutput = &done->output;
            } else {
                WalkJob job{entry, window, env, output, jobSeed(m_hookSeed, static_cast<std::uint64_t>(counter))};
                std::vector<WalkJob*> jobs{&job};
                std::vector<AheadJob*> walkedAhead;
                for (std::size_t later = e + 1; later < predicted.size() && ahead.size() < MaxAheadJobs; ++later) {
                    // A sequence carries its position from file to file: ahead of its turn only on the first.
                    if (ahead.contains({later, f}) || (predicted[later].isSequence() && f != 0)) {
                        continue;
                    }
                    const auto laterCounter = static_cast<std::uint64_t>(later * request.files.size() + f + 1);
                    auto walk = std::make_unique<AheadJob>(
                        predicted[later], BarBuilder::PrepareEntry(settings, predicted[later]), m_state.separators,
                        lines.serial(), dates.currentYear, jobSeed(m_hookSeed, laterCounter));
                    walk->spill.reset(plannedTarget(file, predicted[later], request.linkage, settings));
                    jobs.push_back(&walk->job);
                    walkedAhead.push_back(walk.get());
                    ahead.emplace(std::pair{later, f}, std::move(walk));
                }
                builder.BuildFiles(lines, fileName, jobs);
                // Every job over the file is walked: their files go to the disk together, each renamed into
                // place at its turn.
                spill.complete(output);
                for (AheadJob* walked : walkedAhead) {
                    if (!walked->job.failed && !walked->job.error) {
                        walked->spill.complete(walked->output);
                    }
                }
            }
            location.name = ForceExtension(location.name, settings.forceExtension, settings.extension);
            if (isSameFile(location.folder / location.name, file)) {
                // Entry "1" on a "…_1min…" file names the output after its own source.
                m_host.appendLog(location.name + std::string(SameAsSource));
                continue;
            }
            WriteOutput(
                [jobSpill, jobOutput](const std::filesystem::path& path) { jobSpill->writeTo(path, *jobOutput); },
                location, settings.overwriteWithoutAsking, m_host);
        }
    }
}

} // namespace velmora
