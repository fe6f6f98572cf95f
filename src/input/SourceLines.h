#pragma once

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

    /// The same line rules over bytes already in memory (copied).
    static SourceLines fromBytes(std::string_view bytes);

    std::size_t size() const { return m_lineCount; }
    bool empty() const { return m_lineCount == 0; }

    /// The text of line i (below size()) without its break; valid as long as this object lives. Cheapest for
    /// the line after the one asked for last, or the same line again.
    std::string_view line(std::size_t i) const
    {
        if (i != m_cursorLine) {
            moveCursor(i);
        }
        return {m_text + m_cursorStart, m_cursorEnd - m_cursorStart};
    }

    /// Bytes this object holds on the heap: the kept line starts, and the file's bytes when they could not be
    /// mapped. Mapped pages belong to the file and are not counted.
    std::size_t memoryBytes() const;

    /// True when the file's bytes are mapped rather than copied.
    bool mapped() const { return m_mapping != nullptr; }

    /// Lines between two kept line starts.
    static constexpr std::size_t Stride = 1024;

private:
    void index(std::size_t byteCount);
    void moveCursor(std::size_t i) const;
    /// Sets the cursor to the line that starts at start.
    void readLineAt(std::size_t start) const;
    void release() noexcept;

    const char* m_text = nullptr;
    std::size_t m_length = 0; ///< bytes before the first zero byte
    std::size_t m_lineCount = 0;
    std::unique_ptr<char[]> m_owned; ///< the bytes when they are not mapped
    std::size_t m_ownedBytes = 0;
    void* m_mapping = nullptr;
    std::size_t m_mappingBytes = 0;
    std::vector<std::uint64_t> m_starts; ///< the start of lines 0, Stride, 2 × Stride …

    static constexpr std::size_t NoLine = static_cast<std::size_t>(-1);
    mutable std::size_t m_cursorLine = NoLine;
    mutable std::size_t m_cursorStart = 0;
    mutable std::size_t m_cursorEnd = 0;  ///< end of the line's text
    mutable std::size_t m_cursorNext = 0; ///< start of the next line
};

} // namespace velmora
