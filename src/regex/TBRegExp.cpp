#include "regex/TBRegExp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <pcre2.h>
#include <utility>
#include <vector>

namespace velmora {

namespace {

constexpr std::size_t MaxMessageBytes = 79;

/// Cuts a message to the length the error texts are held to, backing off so no UTF-8 sequence is split.
std::string cutMessage(std::string message)
{
    if (message.size() <= MaxMessageBytes) {
        return message;
    }
    std::size_t cut = MaxMessageBytes;
    while (cut > 0 && (static_cast<unsigned char>(message[cut]) & 0xC0U) == 0x80U) {
        --cut;
    }
    message.resize(cut);
    return message;
}

[[noreturn]] void fail(std::string message)
{
    throw EBRegExpError(cutMessage(std::move(message)));
}

std::string pcreMessage(int errorCode)
{
    PCRE2_UCHAR buffer[128];
    const int length = pcre2_get_error_message(errorCode, buffer, sizeof buffer);
    if (length < 0) {
        return "regular expression error " + std::to_string(errorCode);
    }
    return {reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length)};
}

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

/// One part of a parsed replacement: literal bytes, or a group of the match.
struct ReplacementPart
{
    int group = -1; ///< -1 for literal text
    std::string literal;
};

struct CodeDeleter
{
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};

struct MatchDataDeleter
{
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

/// A command string taken apart and compiled.
struct Compiled
{
    std::string command;
    bool substitution = false;
    bool global = false;
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    /// Sized for the pattern once and reused by every run of the command.
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData;
    std::uint32_t groupCount = 0;
    std::vector<ReplacementPart> replacement;
};

/// Returns the end of the section that starts at `from`: the first delimiter not preceded by a backslash.
std::size_t sectionEnd(std::string_view command, std::size_t from, char delimiter)
{
    for (std::size_t i = from; i < command.size(); ++i) {
        if (command[i] == '\\') {
            ++i;
        } else if (command[i] == delimiter) {
            return i;
        }
    }
    fail("command has no closing delimiter");
}

void appendLiteral(std::vector<ReplacementPart>& parts, char c)
{
    if (parts.empty() || parts.back().group >= 0) {
        parts.push_back({});
    }
    parts.back().literal.push_back(c);
}

/// Reads a group number made of the digits at `pos`, moving `pos` past them.
std::uint32_t readGroupNumber(std::string_view text, std::size_t& pos)
{
    std::uint32_t number = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (number < 100000) {
            number = number * 10 + static_cast<std::uint32_t>(text[pos] - '0');
        }
        ++pos;
    }
    return number;
}

/// The byte a backslash before `c` stands for: "\n" "\r" "\t" their control bytes, any other byte itself.
char escapedByte(char c)
{
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    default:
        return c;
    }
}

/// Parses the replacement the Perl way: $1, ${1}, $& and $0 (the whole match), \1 to \9, "\n" "\r" "\t";
/// "$$" and a backslash before any other byte (the delimiter included) give that byte; a "$" that starts no
/// reference stays as it is.
class ReplacementParser
{
public:
    ReplacementParser(std::string_view text, std::uint32_t groupCount) : m_text(text), m_groupCount(groupCount) {}

    std::vector<ReplacementPart> parse()
    {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '\\' && m_pos < m_text.size()) {
                escape();
            } else if (c == '$' && m_pos < m_text.size()) {
                dollar();
            } else {
                appendLiteral(m_parts, c);
            }
        }
        return std::move(m_parts);
    }

private:
    /// The byte after a backslash.
    void escape()
    {
        const char next = m_text[m_pos++];
        if (next >= '1' && next <= '9') {
            addGroup(static_cast<std::uint32_t>(next - '0'));
        } else {
            appendLiteral(m_parts, escapedByte(next));
        }
    }

    /// What follows a "$".
    void dollar()
    {
        const char next = m_text[m_pos];
        if (next == '$') {
            ++m_pos;
            appendLiteral(m_parts, '$');
        } else if (next == '&') {
            ++m_pos;
            addGroup(0);
        } else if (next >= '0' && next <= '9') {
            addGroup(readGroupNumber(m_text, m_pos));
        } else if (next == '{') {
            bracedGroup();
        } else {
            appendLiteral(m_parts, '$');
        }
    }

    /// "${" and its group number, which must be followed by "}".
    void bracedGroup()
    {
        std::size_t end = m_pos + 1;
        const std::uint32_t group = readGroupNumber(m_text, end);
        if (end == m_pos + 1 || end >= m_text.size() || m_text[end] != '}') {
            fail("malformed ${...} in replacement");
        }
        m_pos = end + 1;
        addGroup(group);
    }

    void addGroup(std::uint32_t group)
    {
        if (group > m_groupCount) {
            fail("replacement refers to group " + std::to_string(group) + ", which the pattern lacks");
        }
        m_parts.push_back({static_cast<int>(group), {}});
    }

    std::string_view m_text;
    std::uint32_t m_groupCount;
    std::size_t m_pos = 0;
    std::vector<ReplacementPart> m_parts;
};

std::unique_ptr<Compiled> compile(std::string_view command)
{
    auto compiled = std::make_unique<Compiled>();
    if (command.empty()) {
        fail("empty command");
    }
    std::size_t pos = 0;
    if (command[0] == 'm' || command[0] == 's') {
        compiled->substitution = command[0] == 's';
        pos = 1;
    } else if (command[0] != '/') {
        fail("command must be m/pattern/ or s/pattern/replacement/");
    }
    if (pos >= command.size()) {
        fail("command has no delimiter");
    }
    const char delimiter = command[pos];
    if (isAsciiAlnum(delimiter) || delimiter == '\\' || delimiter == ' ' || delimiter == '\t' || delimiter == '\n' ||
        delimiter == '\r' || delimiter == '(' || delimiter == '[' || delimiter == '{' || delimiter == '<' ||
        delimiter == '\0') {
        fail("unsupported delimiter in command");
    }
    const std::size_t patternStart = pos + 1;
    const std::size_t patternEnd = sectionEnd(command, patternStart, delimiter);
    const std::string_view pattern = command.substr(patternStart, patternEnd - patternStart);
    std::string_view replacement;
    pos = patternEnd + 1;
    if (compiled->substitution) {
        const std::size_t replacementEnd = sectionEnd(command, pos, delimiter);
        replacement = command.substr(pos, replacementEnd - pos);
        pos = replacementEnd + 1;
    }

    std::uint32_t options = 0;
    for (std::size_t i = pos; i < command.size(); ++i) {
        switch (command[i]) {
        case 'i':
            options |= PCRE2_CASELESS;
            break;
        case 'm':
            options |= PCRE2_MULTILINE;
            break;
        case 's':
            options |= PCRE2_DOTALL;
            break;
        case 'x':
            options |= PCRE2_EXTENDED;
            break;
        case 'g':
            compiled->global = true;
            break;
        default:
            fail("unknown options: " + std::string(command.substr(pos)));
        }
    }

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    compiled->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options,
                                       &errorCode, &errorOffset, nullptr));
    if (!compiled->code) {
        fail(pcreMessage(errorCode) + " at offset " + std::to_string(errorOffset) + ": " + std::string(pattern));
    }
    pcre2_pattern_info(compiled->code.get(), PCRE2_INFO_CAPTURECOUNT, &compiled->groupCount);
    compiled->matchData.reset(pcre2_match_data_create_from_pattern(compiled->code.get(), nullptr));
    if (!compiled->matchData) {
        fail("out of memory for match data");
    }
    if (compiled->substitution) {
        compiled->replacement = ReplacementParser(replacement, compiled->groupCount).parse();
    }
    compiled->command.assign(command);
    return compiled;
}

enum class ResultMode : unsigned char { None, Match, Split };

/// A result text as a byte range of the instance's own copy of the subject.
struct Span
{
    std::size_t start = 0;
    std::size_t end = 0;
};

} // namespace

struct TBRegExp::State
{
    std::unique_ptr<Compiled> compiled;
    long long compiles = 0;
    ResultMode mode = ResultMode::None;
    /// The bytes the result spans point into; a copy, so results outlive the caller's text.
    std::string subject;
    std::vector<Span> spans;
    /// Where a substitution is built before it replaces the caller's text.
    std::string output;

    /// Hands back the compiled command, compiling it only when it differs from the one held.
    Compiled& prepare(std::string_view command)
    {
        if (!compiled || compiled->command != command) {
            compiled.reset();
            compiled = compile(command);
            ++compiles;
        }
        return *compiled;
    }

    /// Runs the command on `text` from `offset`; false when it does not match.
    static bool run(const Compiled& c, std::string_view text, std::size_t offset, std::uint32_t options)
    {
        const int rc = pcre2_match(c.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), offset,
                                   options, c.matchData.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH) {
            return false;
        }
        if (rc < 0) {
            fail(pcreMessage(rc));
        }
        return true;
    }

    /// The byte range of a group of the last run; an empty range at 0 for a group that took no part.
    static Span group(const Compiled& c, std::uint32_t index)
    {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(c.matchData.get());
        const std::size_t pair = 2 * std::size_t{index};
        const PCRE2_SIZE start = ovector[pair];
        const PCRE2_SIZE end = ovector[pair + 1];
        if (start == PCRE2_UNSET || end == PCRE2_UNSET) {
            return {};
        }
        // \K can move a start past its end; such a group reads as empty.
        return {start, start <= end ? end : start};
    }

    /// Keeps the whole match and the groups of the last run, copying only the bytes they cover.
    void keepGroups(const Compiled& c, std::string_view text)
    {
        spans.clear();
        std::size_t low = text.size();
        std::size_t high = 0;
        for (std::uint32_t i = 0; i <= c.groupCount; ++i) {
            const Span span = group(c, i);
            spans.push_back(span);
            if (span.end > span.start) {
                low = std::min(low, span.start);
                high = std::max(high, span.end);
            }
        }
        if (low >= high) {
            low = high = 0;
        }
        subject.assign(text.substr(low, high - low));
        for (Span& span : spans) {
            if (span.end > span.start) {
                span.start -= low;
                span.end -= low;
            } else {
                span = {};
            }
        }
    }
};

TBRegExp::TBRegExp() : m_state(std::make_unique<State>()) {}

TBRegExp::~TBRegExp() = default;

bool TBRegExp::Match(std::string_view command, std::string_view target)
{
    State& s = *m_state;
    s.mode = ResultMode::None;
    const Compiled& c = s.prepare(command);
    if (c.substitution) {
        fail("Match takes a match command, not a substitution");
    }
    if (!State::run(c, target, 0, 0)) {
        return false;
    }
    s.keepGroups(c, target);
    s.mode = ResultMode::Match;
    return true;
}

bool TBRegExp::Subst(std::string_view command, std::string& text)
{
    State& s = *m_state;
    s.mode = ResultMode::None;
    if (text.empty()) {
        return false;
    }
    const Compiled& c = s.prepare(command);
    if (!c.substitution) {
        fail("Subst takes a substitution command s/pattern/replacement/");
    }

    // Perl's rule for empty matches: after one, the next match may not be empty at the same place.
    s.output.clear();
    std::size_t copiedTo = 0;
    std::size_t offset = 0;
    std::uint32_t options = 0;
    bool replaced = false;
    while (offset <= text.size() && State::run(c, text, offset, options)) {
        const Span whole = State::group(c, 0);
        s.output.append(text, copiedTo, whole.start - copiedTo);
        for (const ReplacementPart& part : c.replacement) {
            if (part.group < 0) {
                s.output += part.literal;
            } else {
                const Span g = State::group(c, static_cast<std::uint32_t>(part.group));
                s.output.append(text, g.start, g.end - g.start);
            }
        }
        copiedTo = whole.end;
        replaced = true;
        if (!c.global) {
            break;
        }
        options = whole.start == whole.end ? PCRE2_NOTEMPTY_ATSTART : 0;
        offset = whole.end;
    }
    if (!replaced) {
        return false;
    }
    s.output.append(text, copiedTo);
    // The match data still describes the last match in the old text: keep it before the text is replaced.
    s.keepGroups(c, text);
    text.swap(s.output);
    s.mode = ResultMode::Match;
    return true;
}

bool TBRegExp::Split(std::string_view command, std::string_view target, int limit)
{
    State& s = *m_state;
    s.mode = ResultMode::None;
    const Compiled& c = s.prepare(command);
    if (c.substitution) {
        fail("Split takes a match command, not a substitution");
    }

    s.spans.clear();
    bool cut = false;
    if (!target.empty()) {
        // As in Perl: no empty match at the start of a piece, so an empty match at the very start or where the
        // previous separator ended never makes an empty piece; an empty match at the end cuts nothing.
        std::size_t pieceStart = 0;
        const auto maxPieces = static_cast<std::size_t>(limit);
        while ((limit <= 0 || s.spans.size() + 1 < maxPieces) &&
               State::run(c, target, pieceStart, PCRE2_NOTEMPTY_ATSTART)) {
            const Span separator = State::group(c, 0);
            if (separator.start == separator.end && separator.start >= target.size()) {
                break;
            }
            s.spans.push_back({pieceStart, separator.start});
            pieceStart = separator.end;
            cut = true;
        }
        s.spans.push_back({pieceStart, target.size()});
        if (limit == 0) {
            while (!s.spans.empty() && s.spans.back().start == s.spans.back().end) {
                s.spans.pop_back();
            }
        }
    }
    s.subject.assign(target);
    s.mode = ResultMode::Split;
    return cut;
}

int TBRegExp::Count() const
{
    if (m_state->mode == ResultMode::None) {
        fail("no count now");
    }
    return static_cast<int>(m_state->spans.size());
}

std::string TBRegExp::Strings(int index) const
{
    const State& s = *m_state;
    if (s.mode == ResultMode::None) {
        fail("no strings now");
    }
    if (index < 0 || static_cast<std::size_t>(index) >= s.spans.size()) {
        fail("index out of range");
    }
    const Span& span = s.spans[static_cast<std::size_t>(index)];
    return s.subject.substr(span.start, span.end - span.start);
}

long long TBRegExp::compileCount() const
{
    return m_state->compiles;
}

TBRegExp& SharedRegExp()
{
    static TBRegExp instance;
    return instance;
}

} // namespace velmora
