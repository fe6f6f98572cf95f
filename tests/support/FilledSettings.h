#pragma once

#include "engine/settings/SettingsKeys.h"

namespace velmora::test {

/// The main window's stored controls, every one away from its default and in values that try the storing too:
/// blanks around a text, a window partly off the screen, file names with blanks, a backslash and Japanese. A
/// check that a reading, a writing or a conversion carries every control then fails on any control it drops.
FormSettings everyFormControlChanged();

/// The summer-time table switched on, with two rows, one of whose shifts is not a number.
SummerSettings filledSummerTable();

} // namespace velmora::test
