#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

namespace velmora {

/// The foot of a settings dialog: "保存" and "閉じる" side by side at the right of a row of their own. 閉じる
/// closes the dialog without saving; the caller connects 保存 and puts the row below its controls.
struct SaveCloseButtons
{
    QPushButton* save = nullptr;
    QPushButton* close = nullptr;
    QHBoxLayout* row = nullptr;
};

SaveCloseButtons makeSaveCloseButtons(QDialog& dialog);

} // namespace velmora
