#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora {

/// An error of the regular-expression facility: a bad command, or results read that do not exist. The message
/// is at most 79 bytes long and never ends inside a UTF-8 sequence.
class EBRegExpError : public std::runtime_error
{
public:
    explicit EBRegExpError(const std::string& message) : std::runtime_error(message) {}
};

/// Runs Perl-style command strings ("m/…/i", "m#…#", "s/…/…/g") on byte strings. Keeps the compiled form of
/// the last command for reuse, and the results of the last operation for Count and Strings.
///
/// Texts are matched byte by byte (no UTF-8 decoding): "\D" and "." take one byte, and "i" folds ASCII letters
/// only. Results are copies owned by the instance, so they stay readable when the caller's text goes away, until
/// the next Match, Subst or Split.
class TBRegExp
{
public:
    TBRegExp();
    ~TBRegExp();
    TBRegExp(const TBRegExp&) = delete;
    TBRegExp& operator=(const TBRegExp&) = delete;

    /// True when the match command matches somewhere in the target. On success Count and Strings give the whole
    /// match (index 0) and each parenthesised group; a group that took no part is an empty text.
    bool Match(std::string_view command, std::string_view target);
    /// True when a substitution was made; the text is then replaced by the result, and Count and Strings give
    /// the match and its groups as they stood in the text before (the last match for a "g" command).
    /// An empty text returns false at once and leaves no results.
    bool Subst(std::string_view command, std::string& text);
    /// Splits the target at the matches of the command into at most `limit` pieces when `limit` > 0, the last
    /// piece holding the rest of the target; any number when `limit` <= 0, where 0 also drops empty pieces at
    /// the end. Returns true when the target was cut at least once. The pieces are read with Count and Strings,
    /// whatever the result; an empty target gives no pieces.
    bool Split(std::string_view command, std::string_view target, int limit);

    /// The number of result texts held: the whole match and its groups, or the pieces of a split.
    int Count() const;
    /// The result text at the 0-based index.
    std::string Strings(int index) const;

    /// How many times a command has been compiled; lets tests see that a repeated command is reused.
    long long compileCount() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

/// The program's one instance, created on first use and destroyed at exit.
TBRegExp& SharedRegExp();

} // namespace velmora
