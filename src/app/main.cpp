// velmora: the desktop program. Creates the windows in their start-up order and runs the event loop until
// the main window closes; each window writes its own settings section as it is destroyed.

#include "engine/SettingsKeys.h"
#include "ui/VelmoraConfirmUnit.h"
#include "ui/VelmoraMainUnit.h"
#include "ui/VelmoraSummerUnit.h"
#include "ui/VelmoraUnit2.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora"));
    QApplication::setFont(velmora::japaneseUiFont());

    const std::filesystem::path settingsFile =
        velmora::settingsFilePath(QCoreApplication::applicationFilePath().toStdString());
    const QString firstArgument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    velmora::TForm1 form1(settingsFile, firstArgument);
    velmora::TForm2 form2(settingsFile);
    velmora::TConfirmForm confirmForm(&form1, &form1);
    velmora::TSummer summer(settingsFile, &form1);
    form1.setConfirmForm(&confirmForm);
    form1.setSummer(&summer);

    if (form1.startsHidden()) {
        // The linkage mode works on the download tool's folders; without the tool there is nothing to do.
        const QString text =
            form2.downloadToolFound()
                ? QStringLiteral("Quenbry 連携モードはこの版ではまだ使えません。")
                : QStringLiteral("Quenbry.exe が見つかりません。\nQuenbry.exe のあるフォルダで起動してください。");
        QMessageBox::critical(nullptr, QStringLiteral("Quenbry 連携モード"), text);
        return 1;
    }

    form1.show();
    return QApplication::exec();
}
