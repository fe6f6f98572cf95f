// velmora: the desktop program. Creates the windows in their start-up order and runs the event loop until
// the main window closes; each window writes its own settings section as it is destroyed.

#include "engine/settings/SettingsKeys.h"
#include "platform/SettingsLocation.h"
#include "ui/JapaneseUiFont.h"
#include "ui/QtTranslations.h"
#include "ui/VelmoraConfirmUnit.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/VelmoraSummerUnit.h"
#include "ui/VelmoraUnit2.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setFont(velmora::japaneseUiFont());
    velmora::installQtJapaneseTranslations(app);

    // Beside the program, or in the user's folder when the program is installed where the user cannot write.
    const auto settingsLocation = velmora::locateSettings(
        velmora::settingsFilePath(std::filesystem::path(QCoreApplication::applicationFilePath().toStdU16String())),
        velmora::userConfigFolder());
    velmora::prepareSettingsFolder(settingsLocation);
    const std::filesystem::path& settingsFile = settingsLocation.file;
    // arguments() reads the wide command line on Windows, where argv holds the system's code page.
    const QString firstArgument = QCoreApplication::arguments().value(1);

    velmora::TForm1 form1(settingsFile, firstArgument);
    velmora::TForm2 form2(settingsFile, &form1);
    velmora::TConfirmForm confirmForm(&form1, &form1);
    velmora::TSummer summer(settingsFile, &form1);
    form1.setConfirmForm(&confirmForm);
    form1.setSummer(&summer);

    // "設定を保存", the end of an "auto" batch or closing the linkage window ends the program; the windows then
    // write their settings as they are destroyed.
    QObject::connect(&form2, &velmora::TForm2::programEndRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    if (form1.startsHidden()) {
        if (!form2.downloadToolFound()) {
            // The linkage mode works on the download tool's folders; without the tool there is nothing to do.
            QMessageBox::critical(
                nullptr, QStringLiteral("Quenbry 連携モード"),
                QStringLiteral("Quenbry.exe が見つかりません。\nQuenbry.exe のあるフォルダで起動してください。"));
            return 1;
        }
        // The batch starts once the event loop runs, so that every window exists and can be painted.
        QTimer::singleShot(0, &form2, &velmora::TForm2::startLinkageMode);
        return QApplication::exec();
    }

    form1.show();
    return QApplication::exec();
}
