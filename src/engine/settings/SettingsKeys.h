#pragma once

#include "engine/settings/ConversionSettings.h"
#include "engine/settings/OutputChoice.h"
#include "engine/settings/SettingRanges.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

class IniFile;

/// How a key's value is kept in the settings file.
enum class KeyEncoding {
    Text,        // as typed
    Integer,     // decimal text; "0x…" reads as hexadecimal, a text that is not a number as the default; a choice
                 // is stored as the index of its item
    IntegerText, // the text of a spin box, converted as a typed number is; one that is not reads as the default
    Boolean,     // "1" or "0"; any integer other than 0 reads as true
    WindowEdge,  // integer; when missing the window centres itself in the desktop work area
    FileList,    // the entries joined with ","; read back split at every ","
    FolderNames, // names concatenated without separator; a folder counts as named when its name occurs in it
    Rows,        // the rows joined with the six characters "\13\10" (not a line break)
};

/// The stored form of the main window's controls, one member per key of section "Form".
struct FormSettings
{
    std::string minute = "5, 60, 240, 1440";
    std::string mktChangeTime = "17:00";
    std::string shortTimeFormat = "hh:nn:ss";
    std::string mktOpenTime = "17:00";
    std::string mktCloseTime = "17:00";
    std::string editExt = ".txt";
    std::string dateSeparator = "/";
    std::int32_t timeZoneEditValue = 0;
    std::int32_t dateCsvField = 1;
    bool radioButton1 = true;
    bool radioButton2 = false;
    bool checkBox1 = true;
    bool checkBox2 = true;
    bool checkBox3 = false;
    bool checkBox4 = false;
    bool checkBox6 = false;
    BarLabelling radioGroup1 = BarLabelling::ByStart;
    std::int32_t mktOpenYoubi = DefaultOpenWeekdayPosition;
    std::int32_t mktCloseYoubi = DefaultCloseWeekdayPosition;
    std::optional<std::int32_t> top;  // std::nullopt: centred vertically in the work area
    std::optional<std::int32_t> left; // std::nullopt: centred horizontally in the work area
    std::int32_t width = 625;         // the window's built-in size at 96 dots per inch
    std::int32_t height = 777;
    std::vector<std::string> listBox; // the registered input files, in list order

    bool operator==(const FormSettings&) const = default;
};

/// Section "Form2": the linkage window.
struct Form2Settings
{
    std::string checkList; // the checked folder names, concatenated; see isFolderChecked
    std::string edit1Text = "5, 60, 240, 1440";
    LinkageOverwrite radioGroup1 = LinkageOverwrite::WhenNewer;

    bool operator==(const Form2Settings&) const = default;
};

/// Section "Summer": the summer-time dialog's option and its three lists, row by row in step.
struct SummerSettings
{
    bool checkBox1 = false;
    std::vector<std::string> openListBox;
    std::vector<std::string> closeListBox;
    std::vector<std::string> gapListBox;

    bool operator==(const SummerSettings&) const = default;
};

/// Section "GapReport": the report of the holes in the sources, off unless asked for.
struct GapReportSettings
{
    bool enabled = false;   ///< a summary line per source in the log
    bool listInLog = false; ///< and each hole below it
    std::int32_t minutes = 30;

    bool operator==(const GapReportSettings&) const = default;
};

/// Section "Input": how source lines are written. "Layout" is a preset name (usual, auto, ymd, dmy, mdy,
/// dmy-ticks, decimal-comma) or "custom", which takes the other keys.
struct InputSettings
{
    std::string layout = "auto";
    std::string dateOrder = "ymd";
    std::string separator = "auto";
    std::string price = "ohlc";
    bool decimalComma = false;
    std::int32_t dateColumn = 1;
    std::int32_t volumeColumn = 0;

    bool operator==(const InputSettings&) const = default;
};

/// Section "Bars": what bar lines carry beyond the main window's settings.
struct BarsSettings
{
    bool appendVolume = false; // a seventh field: the bar's volume (ConversionSettings::appendVolume)

    bool operator==(const BarsSettings&) const = default;
};

/// Section "Clock": the clocks of a run, as the user writes them ("" is the file's own clock).
struct ClockSectionSettings
{
    std::string sourceClock;
    std::string marketClock;
    std::string labelClock;

    bool operator==(const ClockSectionSettings&) const = default;
};

/// Section "Output": the layout bars are written in. "Format" is a format's name (text, hst, mt5, ninjatrader,
/// forex-tester, csv); "Symbol" empty takes it from the file; "Digits" empty counts the prices' decimals.
struct OutputSettings
{
    std::string format = "text";
    std::string symbol;
    std::string digits;

    bool operator==(const OutputSettings&) const = default;
};

template <class Settings>
using SettingsField = std::variant<std::string Settings::*, std::int32_t Settings::*, bool Settings::*,
                                   std::optional<std::int32_t> Settings::*, std::vector<std::string> Settings::*,
                                   BarLabelling Settings::*, LinkageOverwrite Settings::*>;

/// One key of a section. The rows of a table stand in reading order; saveOrder is the place in writing order.
template <class Settings> struct SettingsKey
{
    std::string_view name;
    KeyEncoding encoding;
    std::string_view defaultText; // the default as stored; empty for a window edge, whose default is computed
    int loadOrder;
    int saveOrder;
    SettingsField<Settings> field;
};

inline constexpr std::string_view FormSection = "Form";
inline constexpr std::string_view Form2Section = "Form2";
inline constexpr std::string_view SummerSection = "Summer";
inline constexpr std::string_view GapReportSection = "GapReport";
inline constexpr std::string_view InputSection = "Input";
inline constexpr std::string_view BarsSection = "Bars";
inline constexpr std::string_view ClockSection = "Clock";
inline constexpr std::string_view OutputSection = "Output";

inline constexpr std::string_view FileListSeparator = ",";
inline constexpr std::string_view RowSeparator = "\\13\\10";

// clang-format off
inline constexpr std::array<SettingsKey<FormSettings>, 24> FormKeys{{
    {"minute",            KeyEncoding::Text,        "5, 60, 240, 1440", 1,  5,  &FormSettings::minute},
    {"MktChangeTime",     KeyEncoding::Text,        "17:00",            2,  6,  &FormSettings::mktChangeTime},
    {"ShortTimeFormat",   KeyEncoding::Text,        "hh:nn:ss",         3,  7,  &FormSettings::shortTimeFormat},
    {"MktOpenTime",       KeyEncoding::Text,        "17:00",            4,  8,  &FormSettings::mktOpenTime},
    {"MktCloseTime",      KeyEncoding::Text,        "17:00",            5,  9,  &FormSettings::mktCloseTime},
    {"EditExt",           KeyEncoding::Text,        ".txt",             6,  12, &FormSettings::editExt},
    {"DateSeparator",     KeyEncoding::Text,        "/",                7,  13, &FormSettings::dateSeparator},
    {"TimeZoneEditValue", KeyEncoding::IntegerText, "0",                8,  10, &FormSettings::timeZoneEditValue},
    {"DateCsvField",      KeyEncoding::IntegerText, "1",                9,  11, &FormSettings::dateCsvField},
    {"RadioButton1",      KeyEncoding::Boolean,     "1",                10, 15, &FormSettings::radioButton1},
    {"RadioButton2",      KeyEncoding::Boolean,     "0",                11, 16, &FormSettings::radioButton2},
    {"CheckBox1",         KeyEncoding::Boolean,     "1",                12, 17, &FormSettings::checkBox1},
    {"CheckBox2",         KeyEncoding::Boolean,     "1",                13, 18, &FormSettings::checkBox2},
    {"CheckBox3",         KeyEncoding::Boolean,     "0",                14, 19, &FormSettings::checkBox3},
    {"CheckBox4",         KeyEncoding::Boolean,     "0",                15, 20, &FormSettings::checkBox4},
    {"CheckBox6",         KeyEncoding::Boolean,     "0",                16, 21, &FormSettings::checkBox6},
    {"RadioGroup1",       KeyEncoding::Integer,     "0",                17, 22, &FormSettings::radioGroup1},
    {"MktOpenYoubi",      KeyEncoding::Integer,     "0",                18, 23, &FormSettings::mktOpenYoubi},
    {"MktCloseYoubi",     KeyEncoding::Integer,     "5",                19, 24, &FormSettings::mktCloseYoubi},
    {"Top",               KeyEncoding::WindowEdge,  "",                 20, 1,  &FormSettings::top},
    {"Left",              KeyEncoding::WindowEdge,  "",                 21, 2,  &FormSettings::left},
    {"Width",             KeyEncoding::Integer,     "625",              22, 3,  &FormSettings::width},
    {"Height",            KeyEncoding::Integer,     "777",              23, 4,  &FormSettings::height},
    {"ListBox",           KeyEncoding::FileList,    "",                 24, 14, &FormSettings::listBox},
}};

inline constexpr std::array<SettingsKey<Form2Settings>, 3> Form2Keys{{
    {"CheckList",   KeyEncoding::FolderNames, "",                 1, 1, &Form2Settings::checkList},
    {"Edit1.Text",  KeyEncoding::Text,        "5, 60, 240, 1440", 2, 2, &Form2Settings::edit1Text},
    {"RadioGroup1", KeyEncoding::Integer,     "0",                3, 3, &Form2Settings::radioGroup1},
}};

inline constexpr std::array<SettingsKey<SummerSettings>, 4> SummerKeys{{
    {"OpenListBox",  KeyEncoding::Rows,    "",  1, 1, &SummerSettings::openListBox},
    {"CloseListBox", KeyEncoding::Rows,    "",  2, 2, &SummerSettings::closeListBox},
    {"GapListBox",   KeyEncoding::Rows,    "",  3, 3, &SummerSettings::gapListBox},
    {"CheckBox1",    KeyEncoding::Boolean, "0", 4, 4, &SummerSettings::checkBox1},
}};

inline constexpr std::array<SettingsKey<GapReportSettings>, 3> GapReportKeys{{
    {"Enabled",   KeyEncoding::Boolean,     "0",  1, 1, &GapReportSettings::enabled},
    {"ListInLog", KeyEncoding::Boolean,     "0",  2, 2, &GapReportSettings::listInLog},
    {"Minutes",   KeyEncoding::IntegerText, "30", 3, 3, &GapReportSettings::minutes},
}};

inline constexpr std::array<SettingsKey<InputSettings>, 7> InputKeys{{
    {"Layout",       KeyEncoding::Text,        "auto", 1, 1, &InputSettings::layout},
    {"DateOrder",    KeyEncoding::Text,        "ymd",  2, 2, &InputSettings::dateOrder},
    {"Separator",    KeyEncoding::Text,        "auto", 3, 3, &InputSettings::separator},
    {"Price",        KeyEncoding::Text,        "ohlc", 4, 4, &InputSettings::price},
    {"DecimalComma", KeyEncoding::Boolean,     "0",    5, 5, &InputSettings::decimalComma},
    {"DateColumn",   KeyEncoding::IntegerText, "1",    6, 6, &InputSettings::dateColumn},
    {"VolumeColumn", KeyEncoding::IntegerText, "0",    7, 7, &InputSettings::volumeColumn},
}};

inline constexpr std::array<SettingsKey<BarsSettings>, 1> BarsKeys{{
    {"AppendVolume", KeyEncoding::Boolean, "0", 1, 1, &BarsSettings::appendVolume},
}};
inline constexpr std::array<SettingsKey<ClockSectionSettings>, 3> ClockKeys{{
    {"SourceClock", KeyEncoding::Text, "", 1, 1, &ClockSectionSettings::sourceClock},
    {"MarketClock", KeyEncoding::Text, "", 2, 2, &ClockSectionSettings::marketClock},
    {"LabelClock",  KeyEncoding::Text, "", 3, 3, &ClockSectionSettings::labelClock},
}};
inline constexpr std::array<SettingsKey<OutputSettings>, 3> OutputKeys{{
    {"Format", KeyEncoding::Text, "text", 1, 1, &OutputSettings::format},
    {"Symbol", KeyEncoding::Text, "",     2, 2, &OutputSettings::symbol},
    {"Digits", KeyEncoding::Text, "",     3, 3, &OutputSettings::digits},
}};
// clang-format on

/// Section "Form" as stored; missing keys and values that do not read as their kind give the defaults.
FormSettings loadFormSettings(const IniFile& file);
/// Writes every key of section "Form"; a window edge that is std::nullopt is left as it is in the file.
/// Throws cannotWriteSettings for a value that cannot be stored (a file name holding a line break).
void saveFormSettings(IniFile& file, const FormSettings& settings);

Form2Settings loadForm2Settings(const IniFile& file);
void saveForm2Settings(IniFile& file, const Form2Settings& settings);

SummerSettings loadSummerSettings(const IniFile& file);
/// Writes all four keys, empty lists included, so rows the user deleted stay deleted.
void saveSummerSettings(IniFile& file, const SummerSettings& settings);

GapReportSettings loadGapReportSettings(const IniFile& file);
void saveGapReportSettings(IniFile& file, const GapReportSettings& settings);

InputSettings loadInputSettings(const IniFile& file);
void saveInputSettings(IniFile& file, const InputSettings& settings);
/// The layout the section stands for; a name or value that does not read gives the default (auto).
SourceLayout sourceLayoutOf(const InputSettings& settings);
/// The section's keys for a layout (a preset by its name, any other as "custom").
InputSettings inputSettingsOf(const SourceLayout& layout);

BarsSettings loadBarsSettings(const IniFile& file);
void saveBarsSettings(IniFile& file, const BarsSettings& settings);

ClockSectionSettings loadClockSettings(const IniFile& file);
void saveClockSettings(IniFile& file, const ClockSectionSettings& settings);
/// The clocks the section names; a text that names no clock is kept as a zone name, refused when a run starts.
ClockSettings clockSettingsOf(const ClockSectionSettings& settings);

OutputSettings loadOutputSettings(const IniFile& file);
void saveOutputSettings(IniFile& file, const OutputSettings& settings);
/// The choice the section stands for; a format name or digits that do not read give their defaults (the usual
/// text, digits counted), so that a hand-edited file never stops the window from starting.
OutputChoice outputChoiceOf(const OutputSettings& settings);
/// The section's keys for a choice.
OutputSettings outputSettingsOf(const OutputChoice& choice);

/// The value of a key in the form it is stored in the file.
std::string storedText(const FormSettings& settings, const SettingsKey<FormSettings>& key);
std::string storedText(const Form2Settings& settings, const SettingsKey<Form2Settings>& key);
std::string storedText(const SummerSettings& settings, const SettingsKey<SummerSettings>& key);
std::string storedText(const GapReportSettings& settings, const SettingsKey<GapReportSettings>& key);
std::string storedText(const InputSettings& settings, const SettingsKey<InputSettings>& key);
std::string storedText(const BarsSettings& settings, const SettingsKey<BarsSettings>& key);
std::string storedText(const ClockSectionSettings& settings, const SettingsKey<ClockSectionSettings>& key);
std::string storedText(const OutputSettings& settings, const SettingsKey<OutputSettings>& key);

/// The registered files as "ListBox" stores them, and back: split at every ",", empty pieces kept; an empty
/// text is an empty list.
std::string joinFileList(std::span<const std::string> files);
std::vector<std::string> splitFileList(std::string_view text);

/// The rows as the summer-time keys store them, and back: split at every "\13\10"; an empty text is no rows.
std::string joinRows(std::span<const std::string> rows);
std::vector<std::string> splitRows(std::string_view text);

/// The checked folder names as "CheckList" stores them, and whether a folder counts as checked in such a text:
/// its name occurs in it anywhere.
std::string joinCheckedFolders(std::span<const std::string> folders);
bool isFolderChecked(std::string_view checkList, std::string_view folder);

/// The settings file of a program: its own path with the extension ".ini".
std::filesystem::path settingsFilePath(const std::filesystem::path& program);

} // namespace velmora
