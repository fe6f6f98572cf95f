#include "input/layout/LayoutText.h"

#include <algorithm>

namespace velmora::layout {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (isBlank(text.front()) || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view unquote(std::string_view text)
{
    text = trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = trim(text.substr(1, text.size() - 2));
    }
    return text;
}

char separatorOf(std::string_view line, FieldSeparator separator)
{
    switch (separator) {
    case FieldSeparator::Comma:
        return ',';
    case FieldSeparator::Tab:
        return '\t';
    case FieldSeparator::Semicolon:
        return ';';
    case FieldSeparator::Blanks:
        return ' ';
    case FieldSeparator::Any:
        break;
    }
    for (const char c : {'\t', ';', ','}) {
        if (line.find(c) != std::string_view::npos) {
            return c;
        }
    }
    return ' ';
}

Fields splitFields(std::string_view line, char separator)
{
    Fields fields;
    std::size_t at = 0;
    while (fields.count < MaxFields && at <= line.size()) {
        if (separator == ' ') {
            while (at < line.size() && isBlank(line[at])) {
                ++at;
            }
            if (at == line.size()) {
                break;
            }
        }
        std::size_t end = at;
        if (separator == ' ') {
            while (end < line.size() && !isBlank(line[end])) {
                ++end;
            }
        } else {
            end = std::min(line.find(separator, at), line.size());
        }
        const std::string_view field = unquote(line.substr(at, end - at));
        fields.items[fields.count++] = {field.data(), field.size()};
        at = end + 1;
    }
    return fields;
}

std::optional<int> digits(std::string_view text)
{
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace velmora::layout
