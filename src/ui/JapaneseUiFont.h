#pragma once

#include <QFont>

namespace velmora {

/// The program's font: "ＭＳ Ｐゴシック" where installed, else a Noto CJK face, 12 pixels high.
QFont japaneseUiFont();

} // namespace velmora
