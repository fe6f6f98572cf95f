#include "input/layout/SourceLayout.h"

#include <array>
#include <string>

namespace velmora {

namespace {

struct Preset
{
    std::string_view name;
    SourceLayout layout;
};

const std::array<Preset, 7>& presets()
{
    static const std::array<Preset, 7> list{{
        {"usual", SourceLayout{.mode = SourceLayout::Mode::Usual}},
        {"auto", SourceLayout{.mode = SourceLayout::Mode::Auto}},
        {"ymd", chosenLayout(DateOrder::YearFirst)},
        {"dmy", chosenLayout(DateOrder::DayFirst)},
        {"mdy", chosenLayout(DateOrder::MonthFirst)},
        {"dmy-ticks", chosenLayout(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"decimal-comma", chosenLayout(DateOrder::YearFirst, FieldSeparator::Semicolon, true)},
    }};
    return list;
}

} // namespace

SourceLayout chosenLayout(DateOrder order, FieldSeparator separator, bool decimalComma, PriceColumns prices)
{
    SourceLayout layout;
    layout.mode = SourceLayout::Mode::Chosen;
    layout.dateOrder = order;
    layout.separator = separator;
    layout.decimalComma = decimalComma;
    layout.prices = prices;
    return layout;
}

std::optional<SourceLayout> layoutFromName(std::string_view name)
{
    for (const Preset& preset : presets()) {
        if (preset.name == name) {
            return preset.layout;
        }
    }
    return std::nullopt;
}

std::string layoutName(const SourceLayout& layout)
{
    for (const Preset& preset : presets()) {
        if (preset.layout == layout) {
            return std::string(preset.name);
        }
    }
    return "custom";
}

std::optional<DateOrder> dateOrderFromName(std::string_view name)
{
    for (const DateOrder order : {DateOrder::YearFirst, DateOrder::DayFirst, DateOrder::MonthFirst, DateOrder::Epoch}) {
        if (dateOrderName(order) == name) {
            return order;
        }
    }
    return std::nullopt;
}

std::optional<FieldSeparator> separatorFromName(std::string_view name)
{
    for (const FieldSeparator separator : {FieldSeparator::Any, FieldSeparator::Comma, FieldSeparator::Tab,
                                           FieldSeparator::Semicolon, FieldSeparator::Blanks}) {
        if (separatorName(separator) == name) {
            return separator;
        }
    }
    return std::nullopt;
}

std::optional<PriceColumns> priceColumnsFromName(std::string_view name)
{
    for (const PriceColumns prices : {PriceColumns::Ohlc, PriceColumns::Bid, PriceColumns::Ask, PriceColumns::Mid}) {
        if (priceColumnsName(prices) == name) {
            return prices;
        }
    }
    return std::nullopt;
}

std::string_view dateOrderName(DateOrder order)
{
    switch (order) {
    case DateOrder::DayFirst:
        return "dmy";
    case DateOrder::MonthFirst:
        return "mdy";
    case DateOrder::Epoch:
        return "epoch";
    case DateOrder::YearFirst:
        break;
    }
    return "ymd";
}

std::string_view separatorName(FieldSeparator separator)
{
    switch (separator) {
    case FieldSeparator::Comma:
        return "comma";
    case FieldSeparator::Tab:
        return "tab";
    case FieldSeparator::Semicolon:
        return "semicolon";
    case FieldSeparator::Blanks:
        return "blanks";
    case FieldSeparator::Any:
        break;
    }
    return "auto";
}

std::string_view priceColumnsName(PriceColumns prices)
{
    switch (prices) {
    case PriceColumns::Bid:
        return "bid";
    case PriceColumns::Ask:
        return "ask";
    case PriceColumns::Mid:
        return "mid";
    case PriceColumns::Ohlc:
        break;
    }
    return "ohlc";
}

std::string describeLayout(const SourceLayout& layout)
{
    std::string text;
    switch (layout.dateOrder) {
    case DateOrder::YearFirst:
        text = "年-月-日";
        break;
    case DateOrder::DayFirst:
        text = "日-月-年";
        break;
    case DateOrder::MonthFirst:
        text = "月-日-年";
        break;
    case DateOrder::Epoch:
        text = "1970 年からの秒数";
        break;
    }
    if (layout.dateColumn > 1) {
        text += "（" + std::to_string(layout.dateColumn) + " 列目から）";
    }
    switch (layout.separator) {
    case FieldSeparator::Any:
        text += "、区切りは自動";
        break;
    case FieldSeparator::Comma:
        text += "、区切りはカンマ";
        break;
    case FieldSeparator::Tab:
        text += "、区切りはタブ";
        break;
    case FieldSeparator::Semicolon:
        text += "、区切りはセミコロン";
        break;
    case FieldSeparator::Blanks:
        text += "、区切りは空白";
        break;
    }
    if (layout.decimalComma) {
        text += "、小数点はカンマ";
    }
    switch (layout.prices) {
    case PriceColumns::Ohlc:
        text += "、価格は始値・高値・安値・終値";
        break;
    case PriceColumns::Bid:
        text += "、価格は Bid";
        break;
    case PriceColumns::Ask:
        text += "、価格は Ask";
        break;
    case PriceColumns::Mid:
        text += "、価格は Ask と Bid の中値";
        break;
    }
    return text;
}

} // namespace velmora
