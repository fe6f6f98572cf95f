#include "engine/walk/ReadAheadParser.h"

#include <algorithm>
#include <cstddef>
#include <new> // bad_alloc
#include <system_error>

namespace velmora {

ReadAheadOptions ReadAheadOptions::forThisMachine()
{
    ReadAheadOptions options;
    const unsigned processors = std::thread::hardware_concurrency();
    options.workers = processors < 2 ? 0 : std::min(processors, 4U);
    return options;
}

ReadAheadParser::ReadAheadParser(const SourceLines& lines, std::int32_t dateField, int currentYear,
                                 const ReadAheadOptions& options, bool volumes)
    : m_lines(lines), m_dateField(dateField), m_currentYear(currentYear), m_volumes(volumes),
      m_workerCount(options.workers),
      m_chunkLines(std::max<std::size_t>(options.chunkLines / SourceLines::Stride, 1) * SourceLines::Stride),
      m_slots(std::max<std::size_t>(options.depth, 3))
{
}

ReadAheadParser::~ReadAheadParser()
{
    stopWorkers();
}

void ReadAheadParser::stopWorkers()
{
    if (m_workers.empty()) {
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    m_workers.clear();
}

void ReadAheadParser::start(std::size_t from, char separator, const DateMemo& memo)
{
    stopWorkers();
    m_from = from;
    m_separator = separator;
    m_startMemo = memo;
    m_stop = NoStop;
    for (Chunk& chunk : m_slots) {
        chunk.ready = false;
        chunk.index = SIZE_MAX;
    }
    const std::size_t lineCount = m_lines.size();
    m_firstChunk = from / m_chunkLines;
    m_chunkCount = from < lineCount ? (lineCount + m_chunkLines - 1) / m_chunkLines - m_firstChunk : 0;
    m_next = 0;
    m_limit = m_chunkCount;
    m_released = 0;
    m_quit = false;
    const std::size_t workers = std::min<std::size_t>(m_workerCount, m_chunkCount);
    for (std::size_t i = 0; i < workers; ++i) {
        try {
            m_workers.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            // Fewer threads, or none: the walks' thread reads what no worker takes.
            break;
        }
    }
}

bool ReadAheadParser::mayTake(std::size_t k) const
{
    // The slot of chunk k held chunk k - depth, which the walks must be done with.
    return k < m_limit && k < m_released + m_slots.size();
}

void ReadAheadParser::work()
{
    SourceLines::Cursor cursor;
    for (;;) {
        std::size_t k = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_quit || m_next >= m_limit || mayTake(m_next); });
            if (m_quit || m_next >= m_limit) {
                return;
            }
            k = m_next++;
            Chunk& chunk = slot(k);
            chunk.index = k;
            chunk.ready = false;
        }
        Chunk& chunk = slot(k);
        try {
            readChunk(k, chunk, cursor);
        } catch (const std::bad_alloc&) {
            // Out of memory for the records: the walks read these lines themselves.
            chunk.stop = 0;
        }
        {
            const std::lock_guard lock(m_mutex);
            chunk.ready = true;
            if (chunk.stop < chunkEndLine(k) - chunkFirstLine(k)) {
                m_limit = std::min(m_limit, k + 1);
            }
        }
        m_changed.notify_all();
    }
}

void ReadAheadParser::readChunk(std::size_t k, Chunk& chunk, SourceLines::Cursor& cursor) const
{
    const std::size_t first = chunkFirstLine(k);
    const std::size_t end = chunkEndLine(k);
    chunk.stop = 0;
    if (chunk.records == nullptr) {
        chunk.records = std::make_unique_for_overwrite<ParsedLine[]>(m_chunkLines);
    }
    if (m_volumes && chunk.volumes == nullptr) {
        chunk.volumes = std::make_unique<LineVolume[]>(m_chunkLines);
    }
    // A chunk after the first starts without a memo: for a line that reads cleanly, reading its date again
    // gives the day the memo would have given, as the separator cannot have changed in between.
    LineParser parser(m_dateField, m_separator, m_currentYear, k == 0 ? m_startMemo : DateMemo{});
    if (m_volumes) {
        parser.readVolumes();
    }
    if (m_lines.backwards()) {
        chunk.stop = readBackwards(first, end, chunk, parser, cursor);
    } else {
        chunk.stop = m_lines.rewrites() ? readRewritten(first, end, chunk, parser, cursor)
                                        : readText(first, end, chunk, parser, cursor);
    }
    chunk.memo = parser.memo();
}

std::size_t ReadAheadParser::readText(std::size_t first, std::size_t end, Chunk& chunk, LineParser& parser,
                                      SourceLines::Cursor& cursor) const
{
    const std::string_view text = m_lines.text();
    std::size_t at = static_cast<std::size_t>(m_lines.line(first, cursor).data() - text.data());
    std::size_t i = 0;
    for (; first + i < end; ++i) {
        if (text.size() - at >= LineParser::QuickWindow) {
            std::size_t step = 0;
            const auto quick = parser.readQuick(text.data() + at, chunk.records[i], step);
            if (quick == LineParser::Quick::Refused) {
                break;
            }
            if (quick == LineParser::Quick::Read) {
                if (m_volumes) {
                    parser.readQuickVolume(text.substr(at, step));
                    chunk.volumes[i] = parser.volume();
                }
                at += step;
                continue;
            }
        }
        if (!parser.read(m_lines.line(first + i, at, cursor), chunk.records[i])) {
            break;
        }
        if (m_volumes) {
            chunk.volumes[i] = parser.volume();
        }
        at = cursor.next;
    }
    return i;
}

bool ReadAheadParser::readLine(std::string_view line, bool windowed, Chunk& chunk, std::size_t i,
                               LineParser& parser) const
{
    std::size_t step = 0;
    const auto quick = windowed ? parser.readQuick(line.data(), chunk.records[i], step) : LineParser::Quick::NotPlain;
    if (quick == LineParser::Quick::Refused ||
        (quick == LineParser::Quick::NotPlain && !parser.read(line, chunk.records[i]))) {
        return false;
    }
    if (m_volumes) {
        if (quick == LineParser::Quick::Read) {
            parser.readQuickVolume(line);
        }
        chunk.volumes[i] = parser.volume();
    }
    return true;
}

std::size_t ReadAheadParser::readBackwards(std::size_t first, std::size_t end, Chunk& chunk, LineParser& parser,
                                           SourceLines::Cursor& cursor) const
{
    const std::string_view text = m_lines.text();
    const char* const textEnd = text.data() + text.size();
    std::size_t i = 0;
    for (; first + i < end; ++i) {
        const std::string_view line = m_lines.line(first + i, cursor);
        // A rewritten line has the quick reading's window after it; a line of the file has the lines after it.
        const bool windowed = m_lines.rewrites() || textEnd - line.data() >= std::ptrdiff_t{LineParser::QuickWindow};
        if (!readLine(line, windowed, chunk, i, parser)) {
            break;
        }
    }
    return i;
}

std::size_t ReadAheadParser::readRewritten(std::size_t first, std::size_t end, Chunk& chunk, LineParser& parser,
                                           SourceLines::Cursor& cursor) const
{
    // Every rewritten line has its break and the quick reading's window after its start.
    static_assert(LineParser::QuickWindow <= LineRewriter::ReadableAfter);
    const LineRewriter& rewriter = *m_lines.rewriter();
    const std::string_view text = m_lines.text();
    const char* const readable = text.data() + text.size();
    // The first line through the cursor, for where it starts and for the rewriting's room; the rest cut here.
    std::string_view line = m_lines.line(first, cursor);
    const char* next = text.data() + cursor.next;
    std::size_t i = 0;
    for (; first + i < end; ++i) {
        if (i > 0) {
            line = rewriter.rewriteFrom(next, readable, *cursor.scratch, next);
        }
        if (!readLine(line, true, chunk, i, parser)) {
            break;
        }
    }
    // The room now holds a later line than the cursor's.
    cursor.line = SourceLines::NoLine;
    return i;
}

std::size_t ReadAheadParser::prepare(std::size_t next)
{
    const std::size_t k = next / m_chunkLines - m_firstChunk;
    Chunk& chunk = slot(k);
    if (m_workers.empty()) {
        if (chunk.index != k) {
            chunk.index = k;
            readChunk(k, chunk, m_ownCursor);
            chunk.ready = true;
        }
    } else {
        std::unique_lock lock(m_mutex);
        // Chunks before the previous one are done with: the memo before a refused line at the start of this
        // chunk is the previous chunk's.
        m_released = std::max(m_released, k == 0 ? 0 : k - 1);
        m_changed.notify_all();
        m_changed.wait(lock, [&chunk, k] { return chunk.ready && chunk.index == k; });
    }
    const std::size_t end = chunkEndLine(k);
    const std::size_t stop = chunkFirstLine(k) + chunk.stop;
    m_stop = stop < end ? stop : NoStop;
    setRound({chunkFirstLine(k), stop, chunk.records.get(), chunk.volumes.get(), &memoBefore(k)});
    return stop < end ? stop + 1 : end;
}

const DateMemo& ReadAheadParser::memoBefore(std::size_t k) const
{
    const Chunk& chunk = slot(k);
    if (chunk.stop > 0) {
        return chunk.memo;
    }
    return k == 0 ? m_startMemo : slot(k - 1).memo;
}

} // namespace velmora
