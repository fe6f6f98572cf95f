#include "engine/ConversionRun.h"

#include "engine/BarBuilder.h"
#include "engine/OutputSpill.h"
#include "engine/SourceCache.h"
#include "engine/TimeframeEntry.h"
#include "input/LastRecord.h"
#include "platform/Text.h"

#include <system_error>

namespace velmora {

namespace {

/// Thrown by the progress-and-cancel hook when the user has confirmed a cancel.
struct RunCancelled
{
};

constexpr std::string_view Finished = "処理が完了しました";
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
    BarBuilder builder(settings, summer, m_host, m_hookSeed);
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

    for (const std::string& text : entryTexts) {
        TimeframeEntry entry = TimeframeEntry::ResolveEntry(text, m_state.kind);
        const MarketWindow window = BarBuilder::PrepareEntry(settings, entry);
        for (const std::string& file : request.files) {
            ++counter;
            m_host.setStatusText(statusText(request, entry, counter, total));
            const EntryNaming naming{entry.text(), entry.isDaily(), entry.isSequence()};
            OutputLocation location = OutputLocationOf(file, naming, request.linkage);
            if (request.linkage != nullptr && !request.linkage->minuteSubFolder.empty()) {
                // One folder level; a failure shows when the file is written.
                std::error_code ignored;
                std::filesystem::create_directory(location.folder, ignored);
                const auto target = location.folder / location.name;
                const auto labelling = settings.labelling == VTLabelling ? BarLabelling::ByEnd : BarLabelling::ByStart;
                if (request.linkage->overwritePolicy == 0 && std::filesystem::exists(target) &&
                    !TargetNeedsUpdate(file, target, entry.text(), labelling, settings.dateField, dates)) {
                    continue;
                }
            }
            const SourceLines& lines = sources.load(file);
            output.clear();
            spill.reset();
            m_host.processEvents();
            m_host.yieldProcessor();
            const std::string fileName = std::filesystem::path(file).filename().string();
            builder.BuildFile(lines, fileName, entry, window, env, output);
            location.name = ForceExtension(location.name, settings.forceExtension, settings.extension);
            if (isSameFile(location.folder / location.name, file)) {
                // Entry "1" on a "…_1min…" file names the output after its own source.
                m_host.appendLog(location.name + std::string(SameAsSource));
                continue;
            }
            WriteOutput(spill.finish(output), location, settings.overwriteWithoutAsking, m_host);
        }
    }
}

} // namespace velmora
