#pragma once

class QCoreApplication;

namespace velmora {

/// Installs Qt's own Japanese translations (the open and save dialogs, the standard buttons, the edit boxes'
/// context menus), so that they read in the language of the rest of the program. Returns false, leaving Qt's
/// English, when the translation files are not installed.
bool installQtJapaneseTranslations(QCoreApplication& application);

} // namespace velmora
