#pragma once

#include "platform/FileBytes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

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
    /// The whole file's bytes, not yet cut into lines; ends the run as load() does.
    static FileBytes loadBytes(const std::filesystem::path& path);
    /// The lines of a file's bytes already loaded.
    static SourceLines fromFile(FileBytes bytes);

    /// The text a file's bytes give the lines: without a byte-order mark at the start, up to the first zero byte.
    static std::string_view textOf(std::string_view bytes);
    /// The first count lines of a text, with their breaks (of a file's bytes: with the mark, and perhaps past a
    /// zero byte, which fromBytes() then leaves out as load() would).
    static std::string_view head(std::string_view text, std::size_t count);

    /// Texts from this size on are indexed in two halves, one on another thread.
    static constexpr std::size_t HalvesFrom = std::size_t{4} << 20U;

    /// The same line rules over bytes already in memory (copied); halvesFrom as HalvesFrom, for tests.
    static SourceLines fromBytes(std::string_view bytes, std::size_t halvesFrom = HalvesFrom);
    /// Where lines 0, Stride, 2 × Stride … start, up to and with the line count's own multiple of Stride (the
    /// end of the text when the count is one), as a writer of a text finds them while it writes it.
    struct LineStarts
    {
        std::vector<std::uint64_t> starts;
        std::size_t lineCount = 0;
    };
    /// fromBlock for a block whose every line ends with a break and holds no zero byte, with its line starts
    /// found as it was written: the text is not read again to find them.
    static SourceLines fromBlock(std::unique_ptr<char[]> block, std::size_t size, LineStarts starts);

    std::size_t size() const { return m_lineCount; }
    bool empty() const { return m_lineCount == 0; }

    /// The text of line i (below size()) without its break; valid as long as this object lives. Cheapest for
    /// the line after the one asked for last, or the same line again.
    std::string_view line(std::size_t i) const
    {
        if (i != m_cursor.line) {
            moveCursor(i, m_cursor);
        }
        return {m_text + m_cursor.start, m_cursor.end - m_cursor.start};
    }

    /// Where a reader stands in the text. line() keeps one of its own; a thread that reads lines beside it
    /// keeps another and reads through line(i, cursor), which changes nothing in this object.
    struct Cursor
    {
        std::size_t line = NoLine;
        std::size_t start = 0;
        std::size_t end = 0;  ///< end of the line's text
        std::size_t next = 0; ///< start of the next line
    };

    /// line(i) through the caller's cursor; safe beside other readers of the same object.
    std::string_view line(std::size_t i, Cursor& cursor) const
    {
        if (i != cursor.line) {
            moveCursor(i, cursor);
        }
        return {m_text + cursor.start, cursor.end - cursor.start};
    }

    /// line(i, cursor) for a reader that knows where line i starts: at the start of the text, at a start it was
    /// given, or after the break of the line before it.
    std::string_view line(std::size_t i, std::size_t start, Cursor& cursor) const
    {
        readLineAt(start, cursor);
        cursor.line = i;
        return {m_text + cursor.start, cursor.end - cursor.start};
    }

    /// The text the lines are cut from, up to its first zero byte: for readers that find line ends themselves.
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
    void takeIndex(std::size_t length, std::size_t lineCount, std::vector<std::uint64_t> starts);
    /// fromBlock() with the lines found here: for a block that starts with a byte-order mark.
    static SourceLines fromBlock(std::unique_ptr<char[]> block, std::size_t size);
    void moveCursor(std::size_t i, Cursor& cursor) const;
    /// Sets the cursor to the line that starts at start.
    void readLineAt(std::size_t start, Cursor& cursor) const;
    void release() noexcept;

    const char* m_text = nullptr;
    std::size_t m_length = 0; ///< bytes before the first zero byte
    std::size_t m_lineCount = 0;
    FileBytes m_bytes;
    std::vector<std::uint64_t> m_starts; ///< the start of lines 0, Stride, 2 × Stride …

    std::uint64_t m_serial = 0;
    mutable Cursor m_cursor;
};

} // namespace velmora
