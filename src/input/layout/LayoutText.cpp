#include "input/layout/LayoutText.h"

#include <algorithm>

namespace velmora::layout {

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

} // namespace velmora::layout
