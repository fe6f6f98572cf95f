#pragma once

#include "platform/RunError.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// "%s に書き込めません": the settings file at the path cannot be written.
RunError cannotWriteSettings(std::string_view path);

/// A settings file in the INI format, held in memory: load it, read and change keys, then save() writes the
/// whole file at once. Load it right before editing a section so that sections written meanwhile by another
/// part of the program are kept.
///
/// Reading follows the usual profile conventions:
/// - section and key names match whatever their ASCII letter case; the first section and the first key of a
///   name count when a file holds duplicates; blanks around names and values are ignored;
/// - a value enclosed in double quotes is read without them (how values with outer blanks or quotes are kept);
/// - a value reads back at most MaxValueLength bytes, and stops at a zero byte;
/// - lines end in CR LF, LF or CR; lines starting with ";" or "#" are comments;
/// - a missing file, section or key reads as the default given by the caller.
///
/// Writing keeps everything else in the file as it was, line for line: a key already present is replaced
/// where it stands (keeping its spelling), a new key goes after the last line of its section, a new section
/// at the end of the file. The file is written with CR LF line ends, a leading UTF-8 byte-order mark kept.
class IniFile
{
public:
    static constexpr std::size_t MaxValueLength = 2047;

    /// Loads the file; a file that does not exist gives an empty one.
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return m_path; }

    bool hasKey(std::string_view section, std::string_view key) const;
    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    /// Decimal, or hexadecimal after "0x"/"0X"; std::nullopt when missing, not a number or outside 32 bits.
    std::optional<std::int32_t> readInteger(std::string_view section, std::string_view key) const;
    std::int32_t readInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    /// Any integer other than 0 is true; a value that is not a number gives the default.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    /// Throws cannotWriteSettings for a value holding CR, LF or a zero byte: written as it is, it would add or
    /// change other keys when read back. Nothing changes then.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    /// Written as "1" or "0".
    void writeBool(std::string_view section, std::string_view key, bool value);

    /// The file's bytes as save() writes them.
    std::string text() const;
    /// Writes the file atomically (temporary file and rename); throws cannotWriteSettings on any failure, the
    /// previous file staying intact. A file that existed but could not be read is never overwritten.
    void save() const;

private:
    struct Line
    {
        std::string text;  // as in the file, without its line end
        std::string name;  // section name or key, empty for other lines
        std::string value; // the value as read, for a key line
        bool section = false;
    };

    std::optional<std::size_t> findSection(std::string_view section) const;
    std::size_t sectionEnd(std::size_t header) const;
    std::optional<std::size_t> findKey(std::string_view section, std::string_view key) const;
    const std::string* value(std::string_view section, std::string_view key) const;

    std::filesystem::path m_path;
    std::vector<Line> m_lines;
    bool m_byteOrderMark = false;
    bool m_unreadable = false;
};

} // namespace velmora
