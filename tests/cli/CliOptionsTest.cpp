#include "cli/CliOptions.h"

#include "engine/run/RunRequestFromSettings.h"

#include <gtest/gtest.h>

using velmora::RunRequest;
using velmora::cli::parseCommandLine;

namespace {

velmora::cli::ParsedCommandLine parse(std::initializer_list<std::string> words)
{
    const std::vector<std::string> args(words);
    return parseCommandLine(args);
}

} // namespace

TEST(CliOptionsTest, LaterOptionWinsAndDoubleDashEndsOptions)
{
    const auto parsed = parse({"--fill", "--no-fill", "--extension", ".csv", "--no-extension", "--", "--fill", "-"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.fillGaps, false);
    EXPECT_EQ(parsed.options.forceExtension, false);
    EXPECT_EQ(parsed.options.files, (std::vector<std::string>{"--fill", "-"}));
}

TEST(CliOptionsTest, HelpAndVersionNeedNoFile)
{
    EXPECT_TRUE(parse({"--help"}).options.help);
    EXPECT_TRUE(parse({"-h"}).options.help);
    EXPECT_TRUE(parse({"-V"}).options.version);
    EXPECT_EQ(parse({"--version"}).error, "");
}

TEST(CliOptionsTest, TakesValuesAfterEqualsAndLetsHelpAndLinkageGoWithoutFiles)
{
    const std::vector<std::vector<std::string>> good = {
        {"--timeframes=5, 60", "a.txt"},  {"--help", "--tool-dir", "tool"}, {"--version", "--linkage", "a.txt"},
        {"--linkage", "--tool-dir=tool"}, {"--linkage", "-t", "5"},
    };
    for (const auto& args : good) {
        EXPECT_EQ(parseCommandLine(args).error, "") << ::testing::PrintToString(args);
    }
    EXPECT_EQ(parse({"--timeframes=5, 60", "a.txt"}).options.timeframes, "5, 60");
    EXPECT_EQ(parse({"--linkage", "--tool-dir=tool"}).options.toolDir, std::filesystem::path("tool"));
}

TEST(CliOptionsTest, RefusesBadCommandLines)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string errorPart;
    };
    const Case cases[] = {
        {{}, "no source file"},
        {{"--fill"}, "no source file"},
        {{"--bogus", "a.txt"}, "unknown option --bogus"},
        {{"-x", "a.txt"}, "unknown option -x"},
        {{"a.txt", "--timeframes"}, "needs a value"},
        {{"--fill=yes", "a.txt"}, "takes no value"},
        {{"--linkage", "a.txt"}, "--linkage takes no source file"},
        {{"--tool-dir", "tool", "a.txt"}, "--tool-dir needs --linkage"},
        {{"--linkage", "--label", "start"}, "--label cannot be used with --linkage"},
        {{"-t=5", "a.txt"}, "unknown option -t=5"}, // only long options take a value after "="
        {{"--bogus", "--help"}, "unknown option --bogus"},
        {{"-t", "", "a.txt"}, "no timeframe"},
        {{"-t", "5, x", "a.txt"}, "'x' は整数ではありません"},
        {{"-t", "5,,60", "a.txt"}, "''"},
        {{"-t", "0", "a.txt"}, "for -t: "},
        {{"--timeframes", "-5*0", "a.txt"}, "for --timeframes: "},
        {{"--cut-time", "1700", "a.txt"}, "--cut-time"},
        {{"--cut-time", "ab:cd", "a.txt"}, "--cut-time"},
        {{"--open-time", "", "a.txt"}, "--open-time"},
        {{"--label", "middle", "a.txt"}, "--label"},
        {{"--open-day", "8", "a.txt"}, "--open-day"},
        {{"--close-day", "fr", "a.txt"}, "--close-day"},
        {{"--time-zone", "abc", "a.txt"}, "--time-zone"},
        {{"--time-zone", "101", "a.txt"}, "-100 to 100"},
        {{"--time-zone", "1.5", "a.txt"}, "--time-zone"},
        {{"--date-field", "0", "a.txt"}, "1 to 100"},
        {{"--date-separator", "", "a.txt"}, "--date-separator"},
        {{"--date-separator", "-/", "a.txt"}, "--date-separator"},
        {{"--date-separator", "\xE5\xB9\xB4", "a.txt"}, "--date-separator"},
        {{"--time-format", "", "a.txt"}, "--time-format"},
        {{"--time-format", "hh\r\nnn", "a.txt"}, "--time-format"},
        {{"--extension", "", "a.txt"}, "--extension"},
        {{"--settings=", "a.txt"}, "--settings"},
        {{"--gap-report", "", "a.txt"}, "--gap-report"},
        {{"--gap-report", "g.csv", "--linkage"}, "--gap-report cannot be used with --linkage"},
        {{"--gap-minutes", "0", "a.txt"}, "1 to 527040"},
        {{"--gap-minutes", "ten", "a.txt"}, "--gap-minutes"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseCommandLine(c.args);
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos)
            << "error '" << parsed.error << "' for " << ::testing::PrintToString(c.args);
    }
}

TEST(CliOptionsTest, OverridesOnlyWhatWasGiven)
{
    RunRequest request;
    request.settings.timeframes = "15";
    request.settings.fillGaps = false;
    request.timeZoneBox = "3";
    request.files = {"/registered/in/settings.txt"};

    auto parsed = parse({"--time-zone", "-2", "--date-field", "4", "--date-separator", "-", "--summer", "a.txt"});
    ASSERT_EQ(parsed.error, "");
    velmora::cli::applyOverrides(parsed.options, request);

    EXPECT_EQ(request.settings.timeframes, "15");
    EXPECT_FALSE(request.settings.fillGaps);
    EXPECT_EQ(request.timeZoneBox, "-2");
    EXPECT_DOUBLE_EQ(request.settings.timeZoneShiftDays, -2 / 24.0);
    EXPECT_EQ(request.dateFieldBox, "4");
    EXPECT_EQ(request.settings.dateField, 4);
    EXPECT_EQ(request.dateSeparatorBox, "-");
    EXPECT_EQ(request.settings.outputDateSeparator, '-');
    EXPECT_TRUE(request.settings.summerTable);
    EXPECT_TRUE(request.summer.enabled);
    // The files of the command line replace the registered ones, as full paths.
    ASSERT_EQ(request.files.size(), 1U);
    EXPECT_EQ(request.files[0], (std::filesystem::current_path() / "a.txt").string());
}

TEST(CliOptionsTest, TakesExactlyTheValuesTheSettingsFileKeeps)
{
    // A value the command line refuses would be pulled to the range's end when read from the settings file, and
    // a value it takes must reach the run as the settings file would pass it.
    struct Case
    {
        const char* option;
        std::int32_t velmora::FormSettings::*key;
        std::string RunRequest::*box;
        std::int32_t value;
    };
    using velmora::FormSettings;
    const Case cases[] = {
        {"--time-zone", &FormSettings::timeZoneEditValue, &RunRequest::timeZoneBox, -101},
        {"--time-zone", &FormSettings::timeZoneEditValue, &RunRequest::timeZoneBox, -100},
        {"--time-zone", &FormSettings::timeZoneEditValue, &RunRequest::timeZoneBox, 100},
        {"--time-zone", &FormSettings::timeZoneEditValue, &RunRequest::timeZoneBox, 101},
        {"--date-field", &FormSettings::dateCsvField, &RunRequest::dateFieldBox, 0},
        {"--date-field", &FormSettings::dateCsvField, &RunRequest::dateFieldBox, 1},
        {"--date-field", &FormSettings::dateCsvField, &RunRequest::dateFieldBox, 100},
        {"--date-field", &FormSettings::dateCsvField, &RunRequest::dateFieldBox, 101},
    };
    for (const auto& c : cases) {
        const auto parsed = parse({c.option, std::to_string(c.value), "a.txt"});
        FormSettings form;
        form.*c.key = c.value;
        const RunRequest fromFile = velmora::runRequestFromSettings({.form = form});
        const bool kept = fromFile.*c.box == std::to_string(c.value);
        EXPECT_EQ(parsed.error.empty(), kept) << c.option << ' ' << c.value << ": " << parsed.error;
        if (kept) {
            RunRequest fromCli = velmora::runRequestFromSettings({});
            velmora::cli::applyOverrides(parsed.options, fromCli);
            EXPECT_EQ(fromCli.*c.box, fromFile.*c.box) << c.option << ' ' << c.value;
            EXPECT_EQ(fromCli.settings.timeZoneShiftDays, fromFile.settings.timeZoneShiftDays) << c.value;
            EXPECT_EQ(fromCli.settings.dateField, fromFile.settings.dateField) << c.value;
        }
    }
}
