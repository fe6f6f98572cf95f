#include "cli/ConsoleRunHost.h"

#include "platform/Text.h"

#include <algorithm>
#include <istream>
#include <ostream>

namespace velmora::cli {

namespace {

constexpr int BarWidth = 30;
// Back to the start of the line and clear it, so the bar never mixes with the log on a shared terminal.
constexpr std::string_view EraseLine = "\r\033[K";

} // namespace

ConsoleRunHost::ConsoleRunHost(std::ostream& out, std::ostream& err, Options options)
    : m_out(out), m_err(err), m_options(options)
{
}

void ConsoleRunHost::writeRows(std::ostream& stream, std::string_view text)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            stream << text.substr(start, i - start) << '\n';
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    stream << text.substr(start) << '\n';
}

void ConsoleRunHost::showMessage(std::string_view text)
{
    eraseProgress();
    writeRows(m_err, text);
    m_err.flush();
}

void ConsoleRunHost::appendLog(std::string_view text)
{
    eraseProgress();
    // The bar comes back with the next progress step; drawn again here it would stand still, stale, after
    // a job's last step.
    writeRows(m_out, text);
    m_out.flush();
}

void ConsoleRunHost::setStatusText(std::string_view text)
{
    // A new job: its range comes once its first bar is anchored; until then it starts from nothing.
    m_status = text;
    m_position = m_minimum;
    drawProgress(true);
}

void ConsoleRunHost::setProgressRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    drawProgress(true);
}

void ConsoleRunHost::setProgressPosition(int position)
{
    m_position = position;
    drawProgress(false);
}

void ConsoleRunHost::showRunFinished(std::string_view statusText)
{
    // The bar has served its run; what the window would show as the final status the log already says.
    static_cast<void>(statusText);
    m_status.clear();
    eraseProgress();
}

OverwriteReply ConsoleRunHost::askOverwrite(const OverwriteQuestion& question)
{
    if (m_options.answers == nullptr) {
        return {OverwriteAnswer::Skip, {}};
    }
    eraseProgress();
    m_err << question.outputName << " は既に存在しています\n";
    OverwriteReply reply;
    for (;;) {
        const auto answer = ask("上書きして宜しいですか？ [o] 上書き保存  [s] 別名で保存  [n] 中止: ");
        if (answer == "o" || answer == "O") {
            reply.answer = OverwriteAnswer::Overwrite;
            break;
        }
        if (answer == "s" || answer == "S") {
            const auto proposed = pathText(question.proposedPath);
            auto path = ask("保存先 [" + proposed + "]: ");
            reply.answer = OverwriteAnswer::SaveAs;
            reply.saveAsPath = path.empty() ? question.proposedPath : pathFromText(path);
            break;
        }
        // End of input answers as closing the dialog does: the file is not written.
        if (answer == "n" || answer == "N" || !*m_options.answers) {
            reply.answer = OverwriteAnswer::Skip;
            break;
        }
    }
    return reply;
}

std::string ConsoleRunHost::ask(std::string_view prompt)
{
    m_err << prompt;
    m_err.flush();
    std::string line;
    if (!std::getline(*m_options.answers, line)) {
        m_err << '\n';
        return {};
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

void ConsoleRunHost::yieldProcessor()
{
    // The zero-length sleep lets a cooperative desktop breathe; a console program on a preemptive system
    // gains nothing from it, and a system call per written bar would cost more than writing the bar.
}

bool ConsoleRunHost::cancelRequested() const
{
    return m_options.cancelFlag != nullptr && *m_options.cancelFlag != 0;
}

void ConsoleRunHost::drawProgress(bool force)
{
    const long long span = static_cast<long long>(m_maximum) - m_minimum;
    if (!m_options.progressBar || m_status.empty() || span <= 0) {
        return;
    }
    const long long done = static_cast<long long>(m_position) - m_minimum;
    const int percent = static_cast<int>(std::clamp(done * 100 / span, 0LL, 100LL));
    if (!force && m_drawn && percent == m_drawnPercent) {
        return;
    }
    const int filled = percent * BarWidth / 100;
    std::string line(EraseLine);
    line += m_status;
    line += " [";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(BarWidth - filled), '.');
    line += "] ";
    line += std::to_string(percent);
    line += '%';
    m_err << line;
    m_err.flush();
    m_drawn = true;
    m_drawnPercent = percent;
}

void ConsoleRunHost::eraseProgress()
{
    if (m_drawn) {
        m_err << EraseLine;
        m_err.flush();
        m_drawn = false;
    }
}

} // namespace velmora::cli
