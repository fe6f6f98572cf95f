#include "engine/settings/SettingsKeys.h"

#include "platform/IniFile.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <type_traits>
#include <utility>

namespace velmora {

namespace {

std::string joined(std::span<const std::string> parts, std::string_view separator)
{
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            text += separator;
        }
        text += parts[i];
    }
    return text;
}

std::vector<std::string> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    if (text.empty()) {
        return parts;
    }
    for (;;) {
        const auto at = text.find(separator);
        parts.emplace_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + separator.size());
    }
}

// A choice is stored as the index of its item; an index the choice does not have reads as the item it shows.
std::int32_t storedNumber(std::int32_t number)
{
    return number;
}

std::int32_t storedNumber(BarLabelling labelling)
{
    return static_cast<std::int32_t>(labelling);
}

std::int32_t storedNumber(LinkageOverwrite policy)
{
    return static_cast<std::int32_t>(policy);
}

void takeNumber(std::int32_t& target, std::int32_t number)
{
    target = number;
}

void takeNumber(BarLabelling& target, std::int32_t number)
{
    target = labellingFromIndex(number);
}

void takeNumber(LinkageOverwrite& target, std::int32_t number)
{
    target = overwritePolicyFromIndex(number);
}

/// Calls use(member) for a field kept as a number: an integer or a choice.
// GCC 12's optimiser follows every alternative of a key's field variant into sections that have no member of
// that kind (a section of booleans only) and warns of reads past them; a key's encoding never takes those.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif

template <class Settings, class Use> void withNumberField(const SettingsKey<Settings>& key, Use use)
{
    std::visit(
        [&](auto member) {
            using Value = std::remove_cvref_t<decltype(std::declval<Settings&>().*member)>;
            if constexpr (std::is_same_v<Value, std::int32_t> || std::is_same_v<Value, BarLabelling> ||
                          std::is_same_v<Value, LinkageOverwrite>) {
                use(member);
            }
        },
        key.field);
}

template <class Settings>
void loadKey(const IniFile& file, std::string_view section, const SettingsKey<Settings>& key, Settings& settings)
{
    switch (key.encoding) {
    case KeyEncoding::Text:
    case KeyEncoding::FolderNames: {
        auto& text = settings.*std::get<std::string Settings::*>(key.field);
        text = file.readString(section, key.name, text);
        break;
    }
    case KeyEncoding::Integer:
        withNumberField(key, [&](auto member) {
            auto& value = settings.*member;
            takeNumber(value, file.readInteger(section, key.name, storedNumber(value)));
        });
        break;
    case KeyEncoding::IntegerText: {
        // Read as the spin box would take the text; a text it would refuse leaves the default, and the keys
        // after it still load.
        auto& number = settings.*std::get<std::int32_t Settings::*>(key.field);
        if (file.hasKey(section, key.name)) {
            number = parseInt(file.readString(section, key.name, {})).value_or(number);
        }
        break;
    }
    case KeyEncoding::Boolean: {
        auto& flag = settings.*std::get<bool Settings::*>(key.field);
        flag = file.readBool(section, key.name, flag);
        break;
    }
    case KeyEncoding::WindowEdge: {
        auto& edge = settings.*std::get<std::optional<std::int32_t> Settings::*>(key.field);
        if (const auto stored = file.readInteger(section, key.name)) {
            edge = stored;
        }
        break;
    }
    case KeyEncoding::FileList:
    case KeyEncoding::Rows: {
        auto& list = settings.*std::get<std::vector<std::string> Settings::*>(key.field);
        if (file.hasKey(section, key.name)) {
            const auto text = file.readString(section, key.name, {});
            list = key.encoding == KeyEncoding::FileList ? splitFileList(text) : splitRows(text);
        }
        break;
    }
    }
}

template <class Settings> std::string storedTextOf(const Settings& settings, const SettingsKey<Settings>& key)
{
    switch (key.encoding) {
    case KeyEncoding::Text:
    case KeyEncoding::FolderNames:
        return settings.*std::get<std::string Settings::*>(key.field);
    case KeyEncoding::Integer:
    case KeyEncoding::IntegerText: {
        std::int32_t number = 0;
        withNumberField(key, [&](auto member) { number = storedNumber(settings.*member); });
        return std::to_string(number);
    }
    case KeyEncoding::Boolean:
        return settings.*std::get<bool Settings::*>(key.field) ? "1" : "0";
    case KeyEncoding::WindowEdge: {
        const auto& edge = settings.*std::get<std::optional<std::int32_t> Settings::*>(key.field);
        return edge ? std::to_string(*edge) : std::string();
    }
    case KeyEncoding::FileList:
        return joinFileList(settings.*std::get<std::vector<std::string> Settings::*>(key.field));
    case KeyEncoding::Rows:
        return joinRows(settings.*std::get<std::vector<std::string> Settings::*>(key.field));
    }
    return {};
}

template <class Settings, std::size_t Count>
Settings loadSection(const IniFile& file, std::string_view section,
                     const std::array<SettingsKey<Settings>, Count>& keys)
{
    Settings settings;
    for (const auto& key : keys) {
        loadKey(file, section, key, settings);
    }
    return settings;
}

template <class Settings, std::size_t Count>
void saveSection(IniFile& file, std::string_view section, const std::array<SettingsKey<Settings>, Count>& keys,
                 const Settings& settings)
{
    std::array<const SettingsKey<Settings>*, Count> order{};
    for (std::size_t i = 0; i < Count; ++i) {
        order[i] = &keys[i];
    }
    std::sort(order.begin(), order.end(), [](const auto* a, const auto* b) { return a->saveOrder < b->saveOrder; });
    for (const auto* key : order) {
        if (key->encoding == KeyEncoding::WindowEdge &&
            !(settings.*std::get<std::optional<std::int32_t> Settings::*>(key->field))) {
            continue;
        }
        file.writeString(section, key->name, storedTextOf(settings, *key));
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

} // namespace

FormSettings loadFormSettings(const IniFile& file)
{
    return loadSection(file, FormSection, FormKeys);
}

void saveFormSettings(IniFile& file, const FormSettings& settings)
{
    saveSection(file, FormSection, FormKeys, settings);
}

Form2Settings loadForm2Settings(const IniFile& file)
{
    return loadSection(file, Form2Section, Form2Keys);
}

void saveForm2Settings(IniFile& file, const Form2Settings& settings)
{
    saveSection(file, Form2Section, Form2Keys, settings);
}

SummerSettings loadSummerSettings(const IniFile& file)
{
    return loadSection(file, SummerSection, SummerKeys);
}

void saveSummerSettings(IniFile& file, const SummerSettings& settings)
{
    saveSection(file, SummerSection, SummerKeys, settings);
}

GapReportSettings loadGapReportSettings(const IniFile& file)
{
    return loadSection(file, GapReportSection, GapReportKeys);
}

void saveGapReportSettings(IniFile& file, const GapReportSettings& settings)
{
    saveSection(file, GapReportSection, GapReportKeys, settings);
}

InputSettings loadInputSettings(const IniFile& file)
{
    return loadSection(file, InputSection, InputKeys);
}

void saveInputSettings(IniFile& file, const InputSettings& settings)
{
    saveSection(file, InputSection, InputKeys, settings);
}

SourceLayout sourceLayoutOf(const InputSettings& settings)
{
    if (settings.layout != "custom") {
        return layoutFromName(settings.layout).value_or(SourceLayout{});
    }
    const auto order = dateOrderFromName(settings.dateOrder);
    const auto separator = separatorFromName(settings.separator);
    const auto prices = priceColumnsFromName(settings.price);
    if (!order || !separator || !prices || settings.dateColumn < 1 || settings.dateColumn > 32 ||
        settings.volumeColumn < 0 || settings.volumeColumn > 32) {
        return SourceLayout{};
    }
    return SourceLayout{SourceLayout::Mode::Chosen, *order,  *separator,
                        settings.decimalComma,      *prices, settings.dateColumn,
                        settings.volumeColumn};
}

InputSettings inputSettingsOf(const SourceLayout& layout)
{
    InputSettings settings;
    settings.layout = layoutName(layout);
    settings.dateOrder = dateOrderName(layout.dateOrder);
    settings.separator = separatorName(layout.separator);
    settings.price = priceColumnsName(layout.prices);
    settings.decimalComma = layout.decimalComma;
    settings.dateColumn = layout.dateColumn;
    settings.volumeColumn = layout.volumeColumn;
    return settings;
}

std::string storedText(const InputSettings& settings, const SettingsKey<InputSettings>& key)
{
    return storedTextOf(settings, key);
}

BarsSettings loadBarsSettings(const IniFile& file)
{
    return loadSection(file, BarsSection, BarsKeys);
}

void saveBarsSettings(IniFile& file, const BarsSettings& settings)
{
    saveSection(file, BarsSection, BarsKeys, settings);
}

ClockSectionSettings loadClockSettings(const IniFile& file)
{
    return loadSection(file, ClockSection, ClockKeys);
}

void saveClockSettings(IniFile& file, const ClockSectionSettings& settings)
{
    saveSection(file, ClockSection, ClockKeys, settings);
}

ClockSettings clockSettingsOf(const ClockSectionSettings& settings)
{
    return {clockOf(settings.sourceClock), clockOf(settings.marketClock), clockOf(settings.labelClock)};
}

std::string storedText(const ClockSectionSettings& settings, const SettingsKey<ClockSectionSettings>& key)
{
    return storedTextOf(settings, key);
}

OutputSettings loadOutputSettings(const IniFile& file)
{
    return loadSection(file, OutputSection, OutputKeys);
}

void saveOutputSettings(IniFile& file, const OutputSettings& settings)
{
    saveSection(file, OutputSection, OutputKeys, settings);
}

OutputChoice outputChoiceOf(const OutputSettings& settings)
{
    OutputChoice choice;
    choice.format = outputFormatFromName(settings.format).value_or(OutputFormat::Text);
    choice.symbol = settings.symbol.substr(0, std::min(settings.symbol.size(), MaxSymbolBytes));
    if (const auto digits = parseInt(settings.digits); digits && *digits >= 0 && *digits <= MaxDigits) {
        choice.digits = *digits;
    }
    return choice;
}

OutputSettings outputSettingsOf(const OutputChoice& choice)
{
    return {std::string(outputFormatName(choice.format)), choice.symbol,
            choice.digits < 0 ? std::string() : std::to_string(choice.digits)};
}

std::string storedText(const OutputSettings& settings, const SettingsKey<OutputSettings>& key)
{
    return storedTextOf(settings, key);
}

std::string storedText(const FormSettings& settings, const SettingsKey<FormSettings>& key)
{
    return storedTextOf(settings, key);
}

std::string storedText(const Form2Settings& settings, const SettingsKey<Form2Settings>& key)
{
    return storedTextOf(settings, key);
}

std::string storedText(const SummerSettings& settings, const SettingsKey<SummerSettings>& key)
{
    return storedTextOf(settings, key);
}

std::string storedText(const GapReportSettings& settings, const SettingsKey<GapReportSettings>& key)
{
    return storedTextOf(settings, key);
}

std::string storedText(const BarsSettings& settings, const SettingsKey<BarsSettings>& key)
{
    return storedTextOf(settings, key);
}

std::string joinFileList(std::span<const std::string> files)
{
    return joined(files, FileListSeparator);
}

std::vector<std::string> splitFileList(std::string_view text)
{
    return split(text, FileListSeparator);
}

std::string joinRows(std::span<const std::string> rows)
{
    return joined(rows, RowSeparator);
}

std::vector<std::string> splitRows(std::string_view text)
{
    // The rows are the lines of the text once every separator is a line break: a break at the very end
    // closes the last line rather than opening an empty one.
    auto rows = split(text, RowSeparator);
    if (!rows.empty() && rows.back().empty()) {
        rows.pop_back();
    }
    return rows;
}

std::string joinCheckedFolders(std::span<const std::string> folders)
{
    return joined(folders, {});
}

bool isFolderChecked(std::string_view checkList, std::string_view folder)
{
    return !folder.empty() && checkList.find(folder) != std::string_view::npos;
}

std::filesystem::path settingsFilePath(const std::filesystem::path& program)
{
    auto path = program;
    path.replace_extension(".ini");
    return path;
}

} // namespace velmora
