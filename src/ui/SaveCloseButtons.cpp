#include "ui/SaveCloseButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace velmora {

SaveCloseButtons makeSaveCloseButtons(QDialog& dialog)
{
    SaveCloseButtons buttons;
    // Neither is the default button: Enter in a box of the dialog must not save or close it.
    buttons.save = new QPushButton(QStringLiteral("保存"), &dialog);
    buttons.save->setObjectName(QStringLiteral("saveButton"));
    buttons.save->setAutoDefault(false);
    buttons.close = new QPushButton(QStringLiteral("閉じる"), &dialog);
    buttons.close->setObjectName(QStringLiteral("closeButton"));
    buttons.close->setAutoDefault(false);
    buttons.row = new QHBoxLayout;
    buttons.row->addStretch();
    buttons.row->addWidget(buttons.save);
    buttons.row->addWidget(buttons.close);
    QObject::connect(buttons.close, &QPushButton::clicked, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace velmora
