#include "engine/run/ConversionRun.h"

#include "engine/bars/BarBuilder.h"
#include "engine/bars/SummerShiftTable.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/clock/ClockChoice.h"
#include "engine/output/BarFormats.h"
#include "engine/output/JobOutput.h"
#include "engine/output/OutputFiles.h"
#include "engine/run/ArchiveSources.h"
#include "engine/run/SourceCache.h"
#include "engine/settings/RunBoxes.h"
#include "engine/walk/RecordedJob.h"
#include "engine/walk/SourceWalk.h"
#include "engine/walk/WalkAheadPlan.h"
#include "engine/walk/WalkTuning.h"
#include "input/LastRecord.h"
#include "platform/ArchiveFile.h"
#include "platform/RunError.h"
#include "platform/Text.h"

#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace velmora {

namespace {

/// Thrown by the progress-and-cancel hook when the user has confirmed a cancel.
struct RunCancelled
{
};

constexpr std::string_view Finished = "処理が完了しました";
constexpr std::string_view SameAsSource = " は変換元のファイルと同じなので書き出しません";

/// Why a job's walk gave no bar line, as the log says it after the output's name.
std::string_view noBarsReason(const WalkJob& walk)
{
    if (!walk.foundUsableLine) {
        return " は変換できる行がないので書き出しません";
    }
    if (walk.barsOutsideWindow > 0) {
        return " は市場の時間帯に入る足がないので書き出しません";
    }
    return " は書き出す足がないので書き出しません";
}

/// The log lines of what a walk found in a file's lines as a whole, each said once per file.
std::vector<std::string> fileNotes(const std::string& file, const WalkJob& walk)
{
    const std::string name = fileNameText(file);
    std::vector<std::string> notes;
    if (walk.linesOutOfPriceOrder > 0) {
        notes.push_back(name + " の " + std::to_string(walk.linesOutOfPriceOrder) +
                        " 行で高値が安値より低いか、始値か終値が高値と安値の範囲の外にあります（列が始値・高値・安値・"
                        "終値の順でないかもしれません）");
    }
    if (walk.linesAtMissingTimes > 0) {
        notes.push_back(name + " の " + std::to_string(walk.linesAtMissingTimes) +
                        " 行は元データの時計では夏時間の切り替えで存在しない時刻です（切り替え前の時差で読みました）");
    }
    if (walk.linesInRepeatedHour > 0) {
        notes.push_back(name + " の " + std::to_string(walk.linesInRepeatedHour) +
                        " 行は市場の時計で繰り返す 1 時間の 2 回目にあるので、その時点の足に入れました");
    }
    return notes;
}

bool isSameFile(const std::filesystem::path& target, const std::filesystem::path& source)
{
    std::error_code error;
    return std::filesystem::equivalent(target, source, error);
}

EntryNaming namingOf(const TimeframeEntry& entry)
{
    return {entry.text(), entry.isDaily(), entry.isSequence(), entry.calendarLabel()};
}

std::string statusText(const RunRequest& request, const TimeframeEntry& entry, int job, int total)
{
    // Weeks and months go by their own names ("W1"), not by minutes.
    const std::string unit = entry.calendar() == CalendarBars::None ? "min" : "";
    std::string text;
    if (request.linkage != nullptr) {
        text = request.linkage->currencyName + (entry.isDaily() ? " Day" : " " + entry.text() + unit);
    } else {
        text = entry.text() + unit;
    }
    text += " 処理中 " + std::to_string(job) + " / " + std::to_string(total);
    return text;
}

/// The name a job's file is written under: the extension option applies to every text format, and not to an
/// .hst, since MetaTrader opens history files by their extension only.
std::string withExtension(const std::string& name, const std::optional<FormatJob>& format,
                          const ConversionSettings& settings)
{
    if (format && format->format == OutputFormat::Hst) {
        return name;
    }
    return ForceExtension(name, settings.forceExtension, settings.extension);
}

/// Where the job of an entry over a file is written unless the overwrite question sends it elsewhere.
std::filesystem::path plannedTarget(const std::string& file, const TimeframeEntry& entry, const LinkageContext* linkage,
                                    const ConversionSettings& settings, const std::optional<FormatJob>& format)
{
    OutputLocation location = OutputLocationOf(pathFromText(file), namingOf(entry), linkage);
    if (format) {
        location.name = formatFileName(*format, location.name);
    }
    return location.folder / pathFromText(withExtension(location.name, format, settings));
}

/// The bucket width in minutes that the up-to-date test takes a target's last bar to have. A month is taken as
/// its shortest, 28 days: a target rebuilt that was still good costs time, one kept that was stale loses bars.
std::string freshnessWidth(const TimeframeEntry& entry)
{
    switch (entry.calendar()) {
    case CalendarBars::Weeks:
        return std::to_string(entry.currentWidth());
    case CalendarBars::Months:
        return std::to_string(28 * 1440);
    case CalendarBars::None:
        break;
    }
    return entry.text();
}

} // namespace

/// The jobs of one run in their order: every entry (outer) over every file (inner), each with its status, its
/// bars (walked now, or played back from a walk done beside an earlier job over the same file), and its file,
/// log line or question.
class ConversionRun::JobSequence
{
public:
    JobSequence(ConversionRun& run, const RunRequest& request, ConversionSettings& settings,
                const SummerShiftTable* summer, const ArchiveSources& archives);
    void run();

private:
    using Job = WalkAheadPlan::Job;

    void runJob(Job job, TimeframeEntry& entry, const MarketWindow& window);
    bool linkageTargetUpToDate(const std::string& file, const TimeframeEntry& entry, const OutputLocation& location);
    std::optional<FormatJob> formatJob(const std::string& file, const TimeframeEntry& entry) const;
    void writeJob(JobOutput& output, const OutputLocation& location);
    JobOutput& buildBars(Job job, TimeframeEntry& entry, const MarketWindow& window, const std::string& file,
                         const std::filesystem::path& target, const std::optional<FormatJob>& format);
    std::unique_ptr<RecordedJob> makeRecorded(const TimeframeEntry& entry, std::uint64_t number,
                                              const std::string& file, std::uint64_t sourceSerial);
    void progressAndCancel(std::size_t line);
    void reportFileNotes(std::size_t file);
    void reportDamage(std::size_t file, const ArchiveError& damage);

    ConversionRun& m_run;
    RunHost& m_host;
    RunState& m_state;
    const RunRequest& m_request;
    ConversionSettings& m_settings;
    const ArchiveSources& m_archives;
    std::vector<std::string> m_entryTexts;
    DateTextContext m_dates;
    BarBuilder m_builder;
    JobOutput m_output;
    BuildEnvironment m_env;
    SourceCache m_sources;
    WalkAheadPlan m_plan;
    int m_counter = 0;
    int m_total = 0;
    std::unique_ptr<RecordedJob> m_played; ///< the recorded job whose bars are being written
    std::optional<FormatWriter> m_writer;  ///< writes the walked job's bars in another format than the usual
    std::string_view m_noBarsReason;       ///< why the job's walk gave no bar line, if it gave none
    std::vector<std::string> m_fileNotes;  ///< what the job's walk found in the file's lines as a whole
    std::set<std::string> m_fileNotesTold; ///< the files whose notes have been logged, by their full path
    std::optional<GapTally> m_jobGaps;     ///< what the job's walk counted, when the run reports gaps
    std::set<std::string> m_damageTold;    ///< every archive and message of a damaged archive logged
};

ConversionRun::ConversionRun(RunHost& host, const Clock& clock, RunState& state)
    : m_host(host), m_clock(clock), m_state(state), m_hookSeed(clock.tickCount()),
      m_tuning(std::make_unique<WalkTuning>())
{
}

ConversionRun::~ConversionRun() = default;

void ConversionRun::setTuning(const WalkTuning& tuning)
{
    *m_tuning = tuning;
}

bool ConversionRun::startChecksPass(const RunRequest& request)
{
    if (auto refusal = emptySeparatorBoxRefusal(request.dateSeparatorBox)) {
        m_host.showMessage(*refusal);
        return false;
    }
    if (auto refusal = extensionBoxRefusal(request.settings.forceExtension, request.settings.extension)) {
        m_host.showMessage(*refusal);
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
    m_jobsWithoutBars = 0;
    m_gapReport.reset();
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
    if (const auto refusal = clockRefusal(request.settings.clocks)) {
        m_host.showMessage(*refusal);
        return RunOutcome::NotStarted;
    }

    ConversionSettings settings = request.settings;
    prepareForFormat(settings);
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
        if (request.linkage == nullptr) {
            m_state.separators.output = separatorFromBox(request.dateSeparatorBox);
        }
        settings.outputDateSeparator = m_state.separators.output;
        settings.timeZoneShiftDays = timeZoneShiftFromBox(request.timeZoneBox);
        settings.dateField = dateFieldFromBox(request.dateFieldBox);
        // Linkage runs take the download tool's text files as they are.
        const ArchiveSources archives = request.linkage == nullptr ? ArchiveSources(request.files) : ArchiveSources();
        std::optional<RunRequest> opened;
        if (archives.anyArchive()) {
            opened = request;
            opened->files = archives.files();
        }
        JobSequence jobs(*this, opened ? *opened : request, settings, request.summer.enabled ? &summer : nullptr,
                         archives);
        jobs.run();
        if (m_gapReport != nullptr) {
            for (const auto& line : m_gapReport->logLines(request.gaps.longerThan, request.gaps.listInLog)) {
                m_host.appendLog(line);
            }
        }
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

ConversionRun::JobSequence::JobSequence(ConversionRun& run, const RunRequest& request, ConversionSettings& settings,
                                        const SummerShiftTable* summer, const ArchiveSources& archives)
    : m_run(run), m_host(run.m_host), m_state(run.m_state), m_request(request), m_settings(settings),
      m_archives(archives), m_entryTexts(splitTimeframeList(settings.timeframes)),
      m_dates{m_state.separators, m_host, run.m_clock.today().year}, m_builder(settings, summer, m_host),
      m_env{m_host,
            m_dates,
            [this](std::size_t line) { progressAndCancel(line); },
            m_output.spiller(),
            request.frontEnd,
            settings.sourceLayout.mode != SourceLayout::Mode::Usual},
      // Linkage runs check their targets between jobs, which can change what a walk depends on; they walk each
      // job at its turn.
      m_plan(request.linkage == nullptr && run.m_tuning->walkAhead ? predictEntries(m_entryTexts, m_state.kind)
                                                                   : std::vector<TimeframeEntry>{},
             request.files.size())
{
    if (request.gaps.enabled) {
        run.m_gapReport = std::make_unique<GapReport>(m_entryTexts.size(), request.files);
    }
    m_sources.setReading({settings.sourceLayout, settings.dateField, m_dates.currentYear,
                          [this](const std::string& line) { m_host.appendLog(line); }, request.frontEnd});
    const auto jobCount = static_cast<long long>(m_entryTexts.size()) * static_cast<long long>(request.files.size());
    m_total = static_cast<int>(std::min<long long>(jobCount, INT32_MAX));
}

void ConversionRun::JobSequence::progressAndCancel(std::size_t line)
{
    m_host.setProgressPosition(static_cast<int>(std::min<std::size_t>(line, INT32_MAX)));
    if (m_host.cancelRequested()) {
        throw RunCancelled{};
    }
    m_host.processEvents();
}

void ConversionRun::JobSequence::run()
{
    for (std::size_t e = 0; e < m_entryTexts.size(); ++e) {
        TimeframeEntry entry = TimeframeEntry::ResolveEntry(m_entryTexts[e], m_state.kind);
        const MarketWindow window = BarBuilder::PrepareEntry(m_settings, entry);
        if (m_run.m_gapReport != nullptr) {
            m_run.m_gapReport->nameEntry(e, entry.isDaily() ? "Day" : entry.text() + "min");
        }
        for (std::size_t f = 0; f < m_request.files.size(); ++f) {
            runJob({e, f}, entry, window);
        }
    }
}

void ConversionRun::JobSequence::runJob(Job job, TimeframeEntry& entry, const MarketWindow& window)
{
    const std::string& file = m_request.files[job.file];
    ++m_counter;
    m_host.setStatusText(statusText(m_request, entry, m_counter, m_total));
    OutputLocation location = OutputLocationOf(pathFromText(file), namingOf(entry), m_request.linkage);
    const std::optional<FormatJob> format = formatJob(file, entry);
    if (format) {
        location.name = formatFileName(*format, location.name);
    }
    if (linkageTargetUpToDate(file, entry, location)) {
        return;
    }
    location.name = withExtension(location.name, format, m_settings);
    JobOutput* built = nullptr;
    try {
        built = &buildBars(job, entry, window, file, location.folder / pathFromText(location.name), format);
    } catch (const ArchiveError& damage) {
        reportDamage(job.file, damage);
        return;
    }
    JobOutput& output = *built;
    if (m_run.m_gapReport != nullptr && m_jobGaps) {
        m_run.m_gapReport->addJob(job.entry, job.file, *m_jobGaps);
    }
    if (isSameFile(location.folder / pathFromText(location.name), pathFromText(file))) {
        // Entry "1" on a "…_1min…" file names the output after its own source.
        m_host.appendLog(location.name + std::string(SameAsSource));
    } else if (output.empty()) {
        // An empty file must never take the place of a good one, nor pass for a conversion that worked.
        m_host.appendLog(location.name + std::string(m_noBarsReason));
        ++m_run.m_jobsWithoutBars;
    } else {
        writeJob(output, location);
    }
    reportFileNotes(job.file);
    m_played.reset();
}

std::optional<FormatJob> ConversionRun::JobSequence::formatJob(const std::string& file,
                                                               const TimeframeEntry& entry) const
{
    if (m_settings.output.format == OutputFormat::Text) {
        return std::nullopt;
    }
    std::string_view folder;
    if (m_request.linkage != nullptr) {
        folder = m_request.linkage->currencyName;
    }
    return formatJobFor(m_settings.output, pathText(pathFromText(file).filename()), folder, entry,
                        m_request.settings.appendVolume);
}

void ConversionRun::JobSequence::writeJob(JobOutput& output, const OutputLocation& location)
{
    WriteOutput([&output](const std::filesystem::path& path) { output.writeTo(path); }, location,
                m_settings.overwriteWithoutAsking, m_host);
}

void ConversionRun::JobSequence::reportFileNotes(std::size_t file)
{
    // Every walk over a file sees the same lines: the first to finish speaks for the file, once in the run even
    // where the file is registered twice.
    std::error_code ignored;
    const std::filesystem::path path = pathFromText(m_request.files[file]);
    const std::filesystem::path full = std::filesystem::absolute(path, ignored).lexically_normal();
    if (m_fileNotesTold.insert(pathText(full.empty() ? path : full)).second) {
        for (const std::string& note : m_fileNotes) {
            m_host.appendLog(note);
        }
    }
}

void ConversionRun::JobSequence::reportDamage(std::size_t file, const ArchiveError& damage)
{
    // Nothing is written for any job over a damaged archive; the reason is logged once in the run.
    const ArchiveMember* member = m_archives.member(file);
    if (m_damageTold.insert((member != nullptr ? member->archive : std::string()) + '\0' + damage.what()).second) {
        m_host.appendLog(damage.what());
    }
    ++m_run.m_jobsWithoutBars;
    m_played.reset();
}

bool ConversionRun::JobSequence::linkageTargetUpToDate(const std::string& file, const TimeframeEntry& entry,
                                                       const OutputLocation& location)
{
    if (m_request.linkage == nullptr || m_request.linkage->minuteSubFolder.empty()) {
        return false;
    }
    // One folder level; a failure shows when the file is written.
    std::error_code ignored;
    std::filesystem::create_directory(location.folder, ignored);
    const auto target = location.folder / pathFromText(location.name);
    if (m_request.linkage->overwritePolicy != LinkageOverwrite::WhenNewer || !std::filesystem::exists(target)) {
        return false;
    }
    const std::string sourceLast = m_sources.lastLine(file);
    if (m_settings.output.format != OutputFormat::Text) {
        return !TargetNeedsUpdate(std::string_view(sourceLast), lastBarLabel(target, m_settings.output.format),
                                  freshnessWidth(entry), m_settings.labelling, m_settings.dateField, m_dates);
    }
    return !TargetNeedsUpdate(std::string_view(sourceLast), target, freshnessWidth(entry), m_settings.labelling,
                              m_settings.dateField, m_dates);
}

JobOutput& ConversionRun::JobSequence::buildBars(Job job, TimeframeEntry& entry, const MarketWindow& window,
                                                 const std::string& file, const std::filesystem::path& target,
                                                 const std::optional<FormatJob>& format)
{
    const ArchiveMember* member = m_archives.member(job.file);
    // A file from an archive whose job was recorded beside an earlier one is not unpacked again to be played back.
    const std::uint64_t unpacked = member != nullptr ? m_sources.unpackedSerial(*member) : 0;
    const SourceLines* loaded = nullptr;
    if (unpacked == 0) {
        loaded = member != nullptr ? &m_sources.load(file, *member) : &m_sources.load(file);
    }
    m_output.start(target);
    m_host.processEvents();
    m_host.yieldProcessor();
    m_played = m_plan.take(job, entry, m_state.separators, loaded != nullptr ? loaded->serial() : unpacked);
    if (m_played != nullptr) {
        m_played->playBack(m_host, m_env.hook, entry, m_state.separators);
        m_noBarsReason = noBarsReason(m_played->walked());
        m_fileNotes = fileNotes(file, m_played->walked());
        m_jobGaps = m_played->walked().gaps;
        return m_played->output();
    }
    if (loaded == nullptr) {
        loaded = &m_sources.load(file, *member);
    }
    const SourceLines& lines = *loaded;
    const auto counter = static_cast<std::uint64_t>(m_counter);
    WalkJob walk{{entry, window, m_env, m_output.bytes(), jobSeed(m_run.m_hookSeed, counter)}};
    m_writer.reset();
    if (format) {
        walk.writer = &m_writer.emplace(*format);
    }
    if (m_run.m_gapReport != nullptr) {
        walk.gaps = gapTallyFor(m_settings, m_request.gaps);
    }
    const std::vector<RecordedJob*> beside =
        m_plan.walkBeside(job, [this, &file, &lines](const TimeframeEntry& later, std::uint64_t number) {
            return makeRecorded(later, number, file, lines.serial());
        });
    walkSource(m_builder, m_run.m_tuning->readAhead, lines, pathText(pathFromText(file).filename()), walk, m_output,
               beside);
    m_noBarsReason = noBarsReason(walk);
    m_fileNotes = fileNotes(file, walk);
    m_jobGaps = std::move(walk.gaps);
    return m_output;
}

std::unique_ptr<RecordedJob> ConversionRun::JobSequence::makeRecorded(const TimeframeEntry& entry, std::uint64_t number,
                                                                      const std::string& file,
                                                                      std::uint64_t sourceSerial)
{
    const std::optional<FormatJob> format = formatJob(file, entry);
    auto recorded = std::make_unique<RecordedJob>(RecordedJob::Start{
        entry, BarBuilder::PrepareEntry(m_settings, entry), m_state.separators, sourceSerial, m_dates.currentYear,
        jobSeed(m_run.m_hookSeed, number), plannedTarget(file, entry, m_request.linkage, m_settings, format),
        m_request.frontEnd, m_settings.sourceLayout.mode != SourceLayout::Mode::Usual});
    if (format) {
        recorded->writeWith(std::make_unique<FormatWriter>(*format));
    }
    if (m_run.m_gapReport != nullptr) {
        recorded->walk().gaps = gapTallyFor(m_settings, m_request.gaps);
    }
    return recorded;
}

} // namespace velmora
