#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora {

/// An error of the regular-expression facility: a bad command, or results read that do not exist.
class EBRegExpError : public std::runtime_error
{
public:
    explicit EBRegExpError(const std::string& message) : std::runtime_error(message) {}
};

/// Runs Perl-style command strings ("m/…/i", "m#…#", "s/…/…/g") on byte strings. Keeps the compiled form of
/// the last command for reuse, and the results of the last operation for Count and Strings.
class TBRegExp
{
public:
    TBRegExp();
    ~TBRegExp();
    TBRegExp(const TBRegExp&) = delete;
    TBRegExp& operator=(const TBRegExp&) = delete;

    /// True when the match command matches somewhere in the target.
    bool Match(std::string_view command, std::string_view target);
    /// True when a substitution was made; the text is then replaced by the result.
    bool Subst(std::string_view command, std::string& text);
    /// Splits the target at the matches of the command into at most `limit` pieces; read them with
    /// Count and Strings.
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

/// The program's one instance, created on first use.
TBRegExp& SharedRegExp();

} // namespace velmora
