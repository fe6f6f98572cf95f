#include "engine/run/SourceCache.h"

#include "engine/run/LayoutHints.h"
#include "input/LastRecord.h"
#include "input/layout/LayoutDetection.h"
#include "input/layout/LayoutRewriter.h"
#include "platform/ArchiveFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

namespace velmora {

namespace {

constexpr std::int64_t Nano = 1'000'000'000;
constexpr std::int64_t SettledNanoseconds = 2 * Nano;
/// Longest wait for the file clock's next step; a tick is 1 to 10 ms.
constexpr std::int64_t ClockStepWaitNanoseconds = 50'000'000;

/// Waits until the file clock has moved strictly past the time, for at most ClockStepWaitNanoseconds; false when
/// it does not (a time ahead of the clock, as after the clock was set back).
bool waitForFileClockPast(std::int64_t time)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::int64_t now = fileClockNanoseconds();
        if (now > time) {
            return true;
        }
        if (time - now > ClockStepWaitNanoseconds) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

/// Lines looked at for a zone after the time.
constexpr std::size_t ZoneLines = 1024;

/// The zone word or offset after the time of the first of the file's first lines that the layout reads and that
/// has one, empty when none has.
std::string zoneOf(const SourceLines& lines, const SourceLayout& layout, std::int32_t dateField)
{
    std::string rewritten;
    for (std::size_t i = 0; i < std::min(lines.size(), ZoneLines); ++i) {
        RewrittenZone zone;
        rewritten.clear();
        if (rewriteLine(lines.line(i), layout, dateField, rewritten, &zone) && !zone.text.empty()) {
            return std::string(zone.text);
        }
    }
    return {};
}

} // namespace

bool SourceCache::settled(const FileIdentity& identity)
{
    // The system stamps a change with its coarse clock, which moves in steps of milliseconds: a file changed
    // moments ago may change again within the same step without its times moving. Once that clock has moved
    // past the change time, though, any later change gets a later change time, which no program can set back.
    // So a file whose times come in nanoseconds from this machine's clock is kept as soon as the clock has moved
    // on (a few milliseconds at most); the clock is read before the file is, so that no change made while it is
    // read can keep the old time. Times in whole seconds (FAT, some network shares) or from another machine's
    // clock give no such promise: such a file is kept only once it has been left alone for a while.
    if (identity.timesStampedLocally && identity.changed % Nano != 0 && waitForFileClockPast(identity.changed)) {
        return true;
    }
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return now - std::max(identity.modified, identity.changed) >= SettledNanoseconds;
}

void SourceCache::tell(const std::string& path, char topic, const std::string& text)
{
    if (m_reading.log && m_told.insert(path + '\0' + topic).second) {
        m_reading.log(fileNameText(path) + text);
    }
}

SourceLines SourceCache::read(const std::string& path, SourceLines lines)
{
    const SourceLayout& layout = m_reading.layout;
    // A file in another layout stays in place: its lines are rewritten into the usual layout as they are read.
    const std::optional<SourceLayout> chosen = resolveLayout(layout, lines, m_reading.dateField, m_reading.currentYear);
    if (layout.mode == SourceLayout::Mode::Auto) {
        tellLayout(path, lines, chosen);
    }
    if (chosen) {
        const std::string zone = zoneOf(lines, *chosen, m_reading.dateField);
        if (!zone.empty()) {
            tell(path, 'z', " の時刻には " + zone + " が付いています。時差は換算せず、書かれた時刻のまま読みます");
        }
        if (chosen->dateOrder == DateOrder::Epoch) {
            tell(path, 'e', " の時刻は 1970 年からの経過時間なので、UTC の時刻として読みます");
        }
        lines.rewriteWith(layoutRewriter(*chosen, m_reading.dateField));
    }
    // Under the usual reading, a file is read as written, whatever order its lines are in.
    if (layout.mode != SourceLayout::Mode::Usual) {
        if (const auto head = backwardsFrom(lines, m_reading.dateField, m_reading.currentYear)) {
            tell(path, 'r', " は新しい行から順に書かれているので、最後の行から順に読みます");
            lines.readBackwards(*head);
        }
    }
    return lines;
}

void SourceCache::tellLayout(const std::string& path, const SourceLines& lines,
                             const std::optional<SourceLayout>& chosen)
{
    const SourceLayout& layout = m_reading.layout;
    if (chosen) {
        // The options alone read the file as they always did: nothing was detected to speak of.
        if (layout.given == 0 || *chosen != givenParts(layout)) {
            tell(path, 'l', " は「" + describeLayout(*chosen) + "」の形式と判断して読みます");
        }
    } else if (datesLookDayFirst(lines, m_reading.dateField, m_reading.currentYear)) {
        tell(path, 'l',
             std::string(" の日付は日-月-年の順に見えますが、年-月-日として読みました") +
                 std::string(dayFirstHint(m_reading.frontEnd)));
    }
}

std::string SourceCache::lastLine(const std::string& path) const
{
    std::string last = LastLine(pathFromText(path));
    const auto firstLines = [&path] {
        std::string text;
        for (const std::string& line : FirstLines(pathFromText(path), DetectionLines)) {
            text += line + "\n";
        }
        return SourceLines::fromBytes(text);
    };
    const std::optional<SourceLayout> chosen =
        resolveLayout(m_reading.layout, firstLines, m_reading.dateField, m_reading.currentYear);
    std::string rewritten;
    if (!chosen || !rewriteLine(last, *chosen, m_reading.dateField, rewritten)) {
        return last;
    }
    return rewritten;
}

const SourceLines& SourceCache::load(const std::string& path)
{
    // The file is identified before it is read: a change between the two makes the next job load it again.
    const std::optional<FileIdentity> identity = identifyFile(pathFromText(path));
    if (!identity) {
        m_uncached = read(path, SourceLines::load(pathFromText(path)));
        return m_uncached;
    }
    const auto found = m_entries.find(path);
    if (found != m_entries.end() && found->second.identity == *identity) {
        return found->second.lines;
    }
    if (!settled(*identity)) {
        m_entries.erase(path);
        m_uncached = read(path, SourceLines::load(pathFromText(path)));
        return m_uncached;
    }
    SourceLines lines = read(path, SourceLines::load(pathFromText(path)));
    Entry& entry = m_entries[path];
    entry.identity = *identity;
    entry.lines = std::move(lines);
    return entry.lines;
}

namespace {

std::string unpackingKey(const ArchiveMember& member)
{
    return member.archive + '\0' + member.member;
}

} // namespace

std::uint64_t SourceCache::unpackedSerial(const ArchiveMember& member) const
{
    const auto found = m_unpackings.find(unpackingKey(member));
    if (member.failure || found == m_unpackings.end() || found->second.serial == 0) {
        return 0;
    }
    const std::optional<FileIdentity> identity = identifyFile(pathFromText(member.archive));
    return identity && *identity == found->second.archive ? found->second.serial : 0;
}

const SourceLines& SourceCache::load(const std::string& path, const ArchiveMember& member)
{
    if (member.failure) {
        std::rethrow_exception(member.failure);
    }
    const std::string key = unpackingKey(member);
    const std::optional<FileIdentity> identity = identifyFile(pathFromText(member.archive));
    const auto known = m_unpackings.find(key);
    if (identity && known != m_unpackings.end() && known->second.archive == *identity) {
        if (!known->second.failure.empty()) {
            throw ArchiveError(known->second.failure);
        }
        if (m_unpackedKey == key) {
            return m_unpacked;
        }
    }
    // The file held so far goes before the next is unpacked: one unpacked file in memory at a time.
    m_unpackedKey.clear();
    m_unpacked = SourceLines();
    m_uncached = SourceLines();
    const bool keep = identity && settled(*identity);
    const std::filesystem::path archive = pathFromText(member.archive);
    FileBytes bytes;
    try {
        bytes = member.member.empty() ? unpackGzip(archive) : unpackZipMember(archive, member.member);
    } catch (const ArchiveError& error) {
        if (keep) {
            m_unpackings[key] = Unpacking{*identity, 0, error.what()};
        }
        throw;
    }
    SourceLines lines = read(path, SourceLines::fromFile(std::move(bytes)));
    if (!keep) {
        m_unpackings.erase(key);
        m_uncached = std::move(lines);
        return m_uncached;
    }
    m_unpackings[key] = Unpacking{*identity, lines.serial(), {}};
    m_unpackedKey = key;
    m_unpacked = std::move(lines);
    return m_unpacked;
}

} // namespace velmora
