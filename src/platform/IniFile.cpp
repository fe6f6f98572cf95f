#include "platform/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/Text.h"

#include <charconv>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace velmora {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnd = "\r\n";

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool quoted(std::string_view text)
{
    return text.size() >= 2 && text.front() == '"' && text.back() == '"';
}

bool breaksLines(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string decodeValue(std::string_view raw)
{
    // A zero byte ends the value, as it ends a text for the platform's profile reader.
    raw = raw.substr(0, raw.find('\0'));
    raw = trimBlanks(raw);
    if (quoted(raw)) {
        raw = raw.substr(1, raw.size() - 2);
    }
    return std::string(raw);
}

// Quotes exactly the values that decodeValue would otherwise change, so every value reads back as itself.
std::string encodeValue(std::string_view value)
{
    if (!value.empty() && (isSpaceOrTab(value.front()) || isSpaceOrTab(value.back()) || quoted(value))) {
        std::string text;
        text.reserve(value.size() + 2);
        text += '"';
        text += value;
        text += '"';
        return text;
    }
    return std::string(value);
}

std::optional<std::int32_t> parseProfileInteger(std::string_view text)
{
    text = trimBlanks(text);
    int base = 10;
    bool negative = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars would accept a second sign; digits only from here.
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

void checkName(std::string_view name, bool section)
{
    const bool bad = name.empty() || breaksLines(name) || trimBlanks(name).size() != name.size() ||
                     (section ? name.find(']') != std::string_view::npos
                              : (name.find('=') != std::string_view::npos || name.front() == '[' ||
                                 name.front() == ';' || name.front() == '#'));
    if (bad) {
        throw std::invalid_argument("not a usable settings name: " + std::string(name));
    }
}

} // namespace

RunError cannotWriteSettings(std::string_view path)
{
    return RunError(std::string(path) + " に書き込めません");
}

IniFile::IniFile(std::filesystem::path path) : m_path(std::move(path))
{
    std::error_code error;
    const auto status = std::filesystem::status(m_path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return;
    }
    std::string bytes;
    std::ifstream in;
    if (status.type() == std::filesystem::file_type::regular) {
        in.open(m_path, std::ios::binary);
    }
    char chunk[16384];
    while (in.is_open() && in.read(chunk, sizeof chunk)) {
        bytes.append(chunk, sizeof chunk);
    }
    if (!in.is_open() || in.bad()) {
        // Defaults then, but a file we could not read must never be replaced by one that lacks its content.
        m_unreadable = true;
        return;
    }
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    std::string_view rest = bytes;
    if (rest.starts_with(ByteOrderMark)) {
        m_byteOrderMark = true;
        rest.remove_prefix(ByteOrderMark.size());
    }
    bool inSection = false;
    while (!rest.empty()) {
        const auto lineEnd = rest.find_first_of("\r\n");
        const auto content = rest.substr(0, lineEnd);
        if (lineEnd == std::string_view::npos) {
            rest = {};
        } else {
            const bool crLf = rest[lineEnd] == '\r' && lineEnd + 1 < rest.size() && rest[lineEnd + 1] == '\n';
            rest.remove_prefix(lineEnd + (crLf ? 2 : 1));
        }
        Line line{std::string(content), {}, {}, false};
        const auto body = trimBlanks(content);
        if (body.starts_with('[') && body.find(']') != std::string_view::npos) {
            line.section = true;
            line.name = trimBlanks(body.substr(1, body.find(']') - 1));
            inSection = true;
        } else if (inSection && !body.starts_with(';') && !body.starts_with('#')) {
            const auto equals = body.find('=');
            if (equals != std::string_view::npos && !trimBlanks(body.substr(0, equals)).empty()) {
                line.name = trimBlanks(body.substr(0, equals));
                line.value = decodeValue(body.substr(equals + 1));
            }
        }
        m_lines.push_back(std::move(line));
    }
}

std::optional<std::size_t> IniFile::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].section && sameName(m_lines[i].name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t IniFile::sectionEnd(std::size_t header) const
{
    std::size_t end = header + 1;
    while (end < m_lines.size() && !m_lines[end].section) {
        ++end;
    }
    return end;
}

std::optional<std::size_t> IniFile::findKey(std::string_view section, std::string_view key) const
{
    const auto header = findSection(section);
    if (!header) {
        return std::nullopt;
    }
    const auto end = sectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i) {
        if (!m_lines[i].name.empty() && sameName(m_lines[i].name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

const std::string* IniFile::value(std::string_view section, std::string_view key) const
{
    const auto line = findKey(section, key);
    return line ? &m_lines[*line].value : nullptr;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const
{
    return value(section, key) != nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    const auto* stored = value(section, key);
    const std::string_view text = stored != nullptr ? std::string_view(*stored) : defaultValue;
    return std::string(text.substr(0, MaxValueLength));
}

std::optional<std::int32_t> IniFile::readInteger(std::string_view section, std::string_view key) const
{
    const auto* stored = value(section, key);
    if (stored == nullptr) {
        return std::nullopt;
    }
    return parseProfileInteger(std::string_view(*stored).substr(0, MaxValueLength));
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const
{
    return readInteger(section, key).value_or(defaultValue);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    const auto number = readInteger(section, key);
    return number ? *number != 0 : defaultValue;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    checkName(section, true);
    checkName(key, false);
    if (breaksLines(value)) {
        throw cannotWriteSettings(pathText(m_path));
    }
    if (const auto found = findKey(section, key)) {
        Line& line = m_lines[*found];
        line.text = line.name + "=" + encodeValue(value);
        line.value = value;
        return;
    }
    Line line{std::string(key) + "=" + encodeValue(value), std::string(key), std::string(value), false};
    if (const auto header = findSection(section)) {
        // After the section's last non-blank line, so blank lines that part it from the next one stay there.
        std::size_t at = sectionEnd(*header);
        while (at > *header + 1 && trimBlanks(m_lines[at - 1].text).empty()) {
            --at;
        }
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
        return;
    }
    m_lines.push_back(Line{"[" + std::string(section) + "]", std::string(section), {}, true});
    m_lines.push_back(std::move(line));
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

std::string IniFile::text() const
{
    std::string bytes;
    if (m_byteOrderMark) {
        bytes += ByteOrderMark;
    }
    for (const auto& line : m_lines) {
        bytes += line.text;
        bytes += LineEnd;
    }
    return bytes;
}

void IniFile::save() const
{
    if (m_unreadable) {
        throw cannotWriteSettings(pathText(m_path));
    }
    try {
        writeFileAtomically(m_path, text());
    } catch (const RunError&) {
        throw cannotWriteSettings(pathText(m_path));
    }
}

} // namespace velmora
