#pragma once

#include <QFont>

namespace velmora {

/// The program's font, 12 pixels high: "ＭＳ Ｐゴシック" where installed; on Windows else Yu Gothic UI, Meiryo UI;
/// then a Noto CJK face; on Windows at last the system's own.
QFont japaneseUiFont();

} // namespace velmora
