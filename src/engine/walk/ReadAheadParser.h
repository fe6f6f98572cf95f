#pragma once

#include "engine/bars/LineFeed.h"
#include "input/ParsedLine.h"
#include "input/SourceLines.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora {

/// How the lines of a walk are read ahead of it.
struct ReadAheadOptions
{
    /// Threads that read ahead; with none, the walk's own thread reads each piece when it gets there.
    unsigned workers = 0;
    /// Lines read in one piece by one thread; rounded to a multiple of SourceLines::Stride.
    std::size_t chunkLines = 2 * SourceLines::Stride;
    /// Pieces held at once, read ahead or being walked; at least 3.
    std::size_t depth = 4;

    /// Workers for this machine: one per processor up to four, none on a single processor.
    static ReadAheadOptions forThisMachine();
};

/// Reads the lines of a file ahead of the walks over it, in pieces (chunks) on worker threads, into ParsedLine
/// records. The walks take a chunk's records in rounds: prepare() gives the lines every walk may now take, each
/// walk takes them in order through the LineFeed, and the next prepare() gives up the chunk before.
///
/// A line that the parser refuses (it would show a message, change the separator, end the run or be skipped)
/// ends the reading: the walks read that line themselves, and the reading starts again after it from the state
/// the walks then agree on. So a walk sees every line exactly as its own reading would give it. Workers never
/// touch anything but the source's bytes and their chunks.
class ReadAheadParser : public LineFeed
{
public:
    /// volumes: read each line's volume too (volumeOf), for bars that carry one.
    ReadAheadParser(const SourceLines& lines, std::int32_t dateField, int currentYear, const ReadAheadOptions& options,
                    bool volumes = false);
    ~ReadAheadParser();
    ReadAheadParser(const ReadAheadParser&) = delete;
    ReadAheadParser& operator=(const ReadAheadParser&) = delete;

    /// Starts reading at line `from`, with the input separator and the date memo the walks hold before it.
    void start(std::size_t from, char separator, const DateMemo& memo);

    /// Makes ready the chunk holding line `next` (the first line no walk has taken yet) and returns the end of
    /// the lines the walks may take now: the chunk's end, or just past a refused line in it.
    std::size_t prepare(std::size_t next);

    /// True when prepare() ended at a refused line: the reading must be started again after it.
    bool stoppedAt(std::size_t end) const { return m_stop != NoStop && m_stop + 1 == end; }

private:
    struct Chunk
    {
        std::unique_ptr<ParsedLine[]> records;
        std::unique_ptr<LineVolume[]> volumes; ///< only when reading volumes
        std::size_t stop = 0;                  ///< lines read cleanly from the chunk's first line
        DateMemo memo;                         ///< the parser's memo where it stopped
        std::size_t index = SIZE_MAX;          ///< the chunk this slot holds
        bool ready = false;
    };
    static constexpr std::size_t NoStop = SIZE_MAX;

    void stopWorkers();
    void work();
    void readChunk(std::size_t k, Chunk& chunk, SourceLines::Cursor& cursor) const;
    /// Reads lines first to end into the chunk until one is refused; returns how many were read.
    std::size_t readText(std::size_t first, std::size_t end, Chunk& chunk, LineParser& parser,
                         SourceLines::Cursor& cursor) const;
    /// One line cut out of the text into chunk.records[i] (and its volume): false where the parser refuses it.
    /// windowed: the quick reading's window lies after the line's start.
    bool readLine(std::string_view line, bool windowed, Chunk& chunk, std::size_t i, LineParser& parser) const;
    /// readText() for lines read backwards: each through the cursor, which steps back a line at a time.
    std::size_t readBackwards(std::size_t first, std::size_t end, Chunk& chunk, LineParser& parser,
                              SourceLines::Cursor& cursor) const;
    /// readText() for lines rewritten as they are read.
    std::size_t readRewritten(std::size_t first, std::size_t end, Chunk& chunk, LineParser& parser,
                              SourceLines::Cursor& cursor) const;
    bool mayTake(std::size_t k) const;
    const DateMemo& memoBefore(std::size_t k) const;
    Chunk& slot(std::size_t k) { return m_slots[k % m_slots.size()]; }
    const Chunk& slot(std::size_t k) const { return m_slots[k % m_slots.size()]; }
    std::size_t chunkFirstLine(std::size_t k) const { return std::max(m_from, (m_firstChunk + k) * m_chunkLines); }
    std::size_t chunkEndLine(std::size_t k) const
    {
        return std::min(m_lines.size(), (m_firstChunk + k + 1) * m_chunkLines);
    }

    const SourceLines& m_lines;
    std::int32_t m_dateField;
    int m_currentYear;
    bool m_volumes;
    unsigned m_workerCount;
    std::size_t m_chunkLines;
    std::vector<Chunk> m_slots;
    SourceLines::Cursor m_ownCursor; ///< for chunks read on the walks' thread

    // The stretch being read: lines from m_from to the end of the file, on a grid of chunkLines.
    std::size_t m_from = 0;
    char m_separator = '\0';
    DateMemo m_startMemo;
    std::size_t m_firstChunk = 0;
    std::size_t m_chunkCount = 0;
    std::size_t m_stop = NoStop; ///< the refused line prepare() last ended at

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;     ///< next chunk a worker takes
    std::size_t m_limit = 0;    ///< chunks from here on are not read (a refused line came before)
    std::size_t m_released = 0; ///< chunks the walks are done with
    bool m_quit = false;
    std::vector<std::thread> m_workers;
};

} // namespace velmora
