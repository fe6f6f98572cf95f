#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace velmora {

/// A source file held in memory as lines: one buffer with the file's bytes and one array of line offsets, so
/// that a file of ten million lines costs ten million offsets, not ten million strings.
///
/// Line rules: CR LF, LF and CR alone each end a line; a break at the very end makes no empty last line;
/// empty lines elsewhere are kept; a zero byte ends the text and nothing after it counts.
class SourceLines
{
public:
    SourceLines() = default;

    /// Reads the whole file. A file that cannot be opened or read ends the run with
    /// "ファイル <path> は開けません".
    static SourceLines load(const std::filesystem::path& path);

    /// The same line rules over bytes already in memory (copied).
    static SourceLines fromBytes(std::string_view bytes);

    std::size_t size() const { return m_lineCount; }
    bool empty() const { return m_lineCount == 0; }

    /// The text of line i without its break; valid as long as this object lives.
    std::string_view line(std::size_t i) const
    {
        const std::size_t begin = offset(i);
        std::size_t end = offset(i + 1);
        // The stored end lies after the line's break; a line's own text never holds CR or LF.
        if (end > begin && m_bytes[end - 1] == '\n') {
            --end;
        }
        if (end > begin && m_bytes[end - 1] == '\r') {
            --end;
        }
        return {m_bytes.get() + begin, end - begin};
    }

    /// Bytes held for the text and the offsets together.
    std::size_t memoryBytes() const;

private:
    void index(std::size_t byteCount);
    std::size_t offset(std::size_t i) const
    {
        return m_wideOffsets ? static_cast<std::size_t>(m_offsets64[i]) : std::size_t{m_offsets32[i]};
    }

    std::unique_ptr<char[]> m_bytes;
    std::size_t m_byteCount = 0; ///< allocated bytes (the whole file)
    std::size_t m_lineCount = 0;
    bool m_wideOffsets = false; ///< a file of 4 GiB or more needs 64-bit offsets
    // lineCount + 1 entries: the start of every line, then the end of the last one (after its break).
    std::unique_ptr<std::uint32_t[]> m_offsets32;
    std::unique_ptr<std::uint64_t[]> m_offsets64;
};

} // namespace velmora
