#pragma once

#include "engine/run/ConversionRun.h"
#include "engine/settings/SettingsKeys.h"

namespace velmora {

/// The sections of the settings file that a run reads. A new section a run takes goes here, in
/// loadRunSections and in runRequestFromSettings; the window and the headless tool need no change.
struct RunSections
{
    FormSettings form = {};           ///< "Form": the main window's options and its registered files
    SummerSettings summer = {};       ///< "Summer": the summer-time table
    BarsSettings bars = {};           ///< "Bars": what bar lines carry
    GapReportSettings gaps = {};      ///< "GapReport"
    InputSettings input = {};         ///< "Input": how source lines are written
    ClockSectionSettings clocks = {}; ///< "Clock": the clocks of the source, the market and the labels
    OutputSettings output = {};       ///< "Output": the layout bars are written in
};

/// Every section a run reads, as the settings file holds them now.
RunSections loadRunSections(const IniFile& file);

/// The run request that pressing "実行" makes, taken from the stored form of the main window's controls
/// (section "Form" for the options and the registered files, "Summer" for the summer-time table) and from the
/// sections of the other dialogs. The window and the headless tool both build their runs with it, so a run set
/// up in the window and repeated from a script writes the same files; the window then puts in what only it
/// has, the headless tool its options.
///
/// Values a control cannot hold are read as the control would show them: the two spin boxes keep to their
/// ranges, a weekday index outside the list gives the list's default day, and a labelling index other than 1
/// gives MetaTrader labelling.
RunRequest runRequestFromSettings(const RunSections& sections);

/// The gap report a run makes from section "GapReport"; a threshold outside its range reads as its nearer end.
GapReportRequest gapReportFromSettings(const GapReportSettings& gaps);

/// The bar kind that the two hidden kind buttons hold after loading: daily while "RadioButton2" is on.
BarKind barKindFromSettings(const FormSettings& form);

} // namespace velmora
