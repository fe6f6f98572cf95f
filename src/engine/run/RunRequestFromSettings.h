#pragma once

#include "engine/run/ConversionRun.h"
#include "engine/settings/SettingsKeys.h"

namespace velmora {

/// The run request that pressing "実行" makes from the main window's controls, taken from the stored form of
/// those controls: section "Form" for the options and the registered files, section "Summer" for the
/// summer-time table, section "Bars" for what bar lines carry. The window and the headless tool both build their runs
/// with it, so a run set up in the window and repeated from a script writes the same files.
///
/// Values a control cannot hold are read as the control would show them: the two spin boxes keep to their
/// ranges, a weekday index outside the list gives the list's default day, and a labelling index other than 1
/// gives MetaTrader labelling.
RunRequest runRequestFromSettings(const FormSettings& form, const SummerSettings& summer,
                                  const BarsSettings& bars = {});

/// The gap report a run makes from section "GapReport"; a threshold outside its range reads as its nearer end.
GapReportRequest gapReportFromSettings(const GapReportSettings& gaps);

/// The bar kind that the two hidden kind buttons hold after loading: daily while "RadioButton2" is on.
BarKind barKindFromSettings(const FormSettings& form);

} // namespace velmora
