#pragma once

#include "platform/FileBytes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

/// Turns each line of a file in another layout into a line of the usual one as the line is read, so that the
/// reader takes it as it takes the usual layout while the file stays in place: no rewritten copy of the file is
/// ever made. Safe to use from several threads at once, each with a scratch of its own.
class LineRewriter
{
public:
    /// Where one reader's rewritten line is written, and what it remembers from line to line.
    struct Scratch
    {
        Scratch() = default;
        Scratch(const Scratch&) = delete;
        Scratch& operator=(const Scratch&) = delete;
        virtual ~Scratch() = default;
    };

    /// Readable bytes after the start of every line rewrite() gives: the line, a line break, then other bytes, so
    /// that a reader may look at a fixed window from the line's start.
    static constexpr std::size_t ReadableAfter = 96;

    LineRewriter() = default;
    LineRewriter(const LineRewriter&) = delete;
    LineRewriter& operator=(const LineRewriter&) = delete;
    virtual ~LineRewriter() = default;

    virtual std::unique_ptr<Scratch> makeScratch() const = 0;
    /// The line in the usual layout, or the line as written where the layout does not read it, held in scratch
    /// until the next call with it. readable: where the text the line is cut from ends.
    virtual std::string_view rewrite(std::string_view line, const char* readable, Scratch& scratch) const = 0;
    /// rewrite() of the line that starts at start, found here; next is set to the start of the line after it.
    virtual std::string_view rewriteFrom(const char* start, const char* readable, Scratch& scratch,
                                         const char*& next) const = 0;
};

/// A source file as lines, read in place: the file's bytes are mapped into memory (or, where that is not
/// possible, read into one buffer), and only every 1024th line start is kept, so that a file of a hundred million
/// lines costs a hundred thousand offsets. Lines are reached through a cursor: the next line costs a scan of its
/// bytes, any other line a scan from the nearest kept start.
///
/// A UTF-8 byte-order mark at the very start is not part of the text.
///
/// Line rules: CR LF, LF and CR alone each end a line; a break at the very end makes no empty last line;
/// empty lines elsewhere are kept; a zero byte ends the text and nothing after it counts.
///
/// The file is taken as it is when opened. A mapped file that another program truncates while it is being read
/// can end the process (as with any program that maps its input); one that is rewritten shows its new bytes.
class SourceLines
{
public:
    SourceLines() = default;
    ~SourceLines();
    SourceLines(SourceLines&& other) noexcept;
    SourceLines& operator=(SourceLines&& other) noexcept;
    SourceLines(const SourceLines&) = delete;
    SourceLines& operator=(const SourceLines&) = delete;

    /// Opens the whole file. A file that cannot be opened or read ends the run with
    /// "ファイル <path> は開けません".
    static SourceLines load(const std::filesystem::path& path);
    /// The lines of a file's bytes already loaded.
    static SourceLines fromFile(FileBytes bytes);

    /// The start of the line after a line of text (length bytes) that ends at end; a CR LF pair is one break.
    static std::size_t afterBreak(const char* text, std::size_t end, std::size_t length)
    {
        if (end < length) {
            end += (text[end] == '\r' && end + 1 < length && text[end + 1] == '\n') ? 2 : 1;
        }
        return end;
    }

    /// Texts from this size on are indexed in two halves, one on another thread.
    static constexpr std::size_t HalvesFrom = std::size_t{4} << 20U;

    /// The same line rules over bytes already in memory (copied); halvesFrom as HalvesFrom, for tests.
    static SourceLines fromBytes(std::string_view bytes, std::size_t halvesFrom = HalvesFrom);
    /// Makes every line read from now on pass through the rewriter.
    void rewriteWith(std::shared_ptr<const LineRewriter> rewriter);
    /// Makes line(i) give the file's first `head` lines as they stand (a header), then its lines from its last to
    /// the one after them, for a file written newest line first: its lines are then read in time order in place,
    /// with no copy of the file.
    void readBackwards(std::size_t head);
    /// True when line(0) is the file's last line.
    bool backwards() const { return m_backwards; }
    /// True when the lines are rewritten as they are read: text() is then not what line() gives.
    bool rewrites() const { return m_rewriter != nullptr; }
    /// The rewriter, for a reader that cuts the lines itself; nullptr where none.
    const LineRewriter* rewriter() const { return m_rewriter.get(); }

    std::size_t size() const { return m_lineCount; }
    bool empty() const { return m_lineCount == 0; }

    /// The text of line i (below size()) without its break; valid as long as this object lives, or, where the
    /// lines are rewritten, until the next line is asked for. Cheapest for the line after the one asked for last,
    /// or the same line again.
    std::string_view line(std::size_t i) const { return line(i, m_cursor); }

    /// Where a reader stands in the text. line() keeps one of its own; a thread that reads lines beside it
    /// keeps another and reads through line(i, cursor), which changes nothing in this object.
    struct Cursor
    {
        std::size_t line = NoLine;
        std::size_t start = 0;
        std::size_t end = 0;                            ///< end of the line's text
        std::size_t next = 0;                           ///< start of the next line
        std::string_view rewritten;                     ///< the line, where the lines are rewritten
        std::unique_ptr<LineRewriter::Scratch> scratch; ///< the rewriting's room for this reader
    };

    /// line(i) through the caller's cursor; safe beside other readers of the same object.
    std::string_view line(std::size_t i, Cursor& cursor) const
    {
        if (i != cursor.line) {
            moveCursor(i, cursor);
            if (m_rewriter != nullptr) {
                rewrite(cursor);
            }
        }
        return current(cursor);
    }

    /// line(i, cursor) for a reader that knows where line i starts: at the start of the text, at a start it was
    /// given, or after the break of the line before it. Not for lines read backwards.
    std::string_view line(std::size_t i, std::size_t start, Cursor& cursor) const
    {
        readLineAt(start, cursor);
        cursor.line = i;
        if (m_rewriter != nullptr) {
            rewrite(cursor);
        }
        return current(cursor);
    }

    /// The text the lines are cut from, up to its first zero byte: for readers that find line ends themselves
    /// (where the lines are neither rewritten nor read backwards).
    std::string_view text() const { return {m_text, m_length}; }

    /// A number no other object loaded in this process has had: a copy of something read from these lines is
    /// known to belong to them when it carries their serial.
    std::uint64_t serial() const { return m_serial; }

    /// Bytes this object holds on the heap: the kept line starts, and the file's bytes when they could not be
    /// mapped. Mapped pages belong to the file and are not counted.
    std::size_t memoryBytes() const;

    /// True when the file's bytes are mapped rather than copied.
    bool mapped() const { return m_bytes.mapped(); }

    /// Lines between two kept line starts.
    static constexpr std::size_t Stride = 1024;
    static constexpr std::size_t NoLine = static_cast<std::size_t>(-1);

private:
    void index(std::size_t byteCount, std::size_t halvesFrom = HalvesFrom);
    void moveCursor(std::size_t i, Cursor& cursor) const;
    /// Sets the cursor to the line with the given index in the file's own order.
    void seekLine(std::size_t i, Cursor& cursor) const;
    /// Sets the cursor, standing on a line after the first, to the line before it in the file.
    void readLineBefore(Cursor& cursor) const;
    std::string_view current(const Cursor& cursor) const
    {
        return m_rewriter == nullptr ? std::string_view{m_text + cursor.start, cursor.end - cursor.start}
                                     : cursor.rewritten;
    }
    /// Rewrites the cursor's line.
    void rewrite(Cursor& cursor) const;
    /// Sets the cursor to the line that starts at start.
    void readLineAt(std::size_t start, Cursor& cursor) const;
    void release() noexcept;

    const char* m_text = nullptr;
    std::size_t m_length = 0; ///< bytes before the first zero byte
    std::size_t m_lineCount = 0;
    FileBytes m_bytes;
    std::vector<std::uint64_t> m_starts; ///< the start of lines 0, Stride, 2 × Stride …

    std::shared_ptr<const LineRewriter> m_rewriter;
    bool m_backwards = false;
    std::size_t m_head = 0; ///< lines read as they stand before the others are read backwards

    std::uint64_t m_serial = 0;
    mutable Cursor m_cursor;
};

} // namespace velmora
