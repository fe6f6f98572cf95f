#include "engine/run/LayoutHints.h"

namespace velmora {

std::string_view dayFirstHint(RunFrontEnd frontEnd)
{
    switch (frontEnd) {
    case RunFrontEnd::CommandLine:
        return "（日-月-年で読むには --date-order dmy を指定します）";
    case RunFrontEnd::Window:
        break;
    }
    return "（日-月-年で読むには「入力ファイルの形式」で日付の順を日-月-年にして保存します）";
}

std::string unreadableSourceEntry(std::string_view fileName, std::size_t lineCount, RunFrontEnd frontEnd)
{
    std::string text(fileName);
    text += " はこの形式では読めません（最初の " + std::to_string(UnreadableAfterLines) +
            " 行に変換できる行がありません。全 " + std::to_string(lineCount) + " 行）。";
    switch (frontEnd) {
    case RunFrontEnd::CommandLine:
        text += "--layout、--date-order、--separator、--price、--date-column で形式を指定します";
        break;
    case RunFrontEnd::Window:
        text += "「入力ファイルの形式」で形式を選んで保存します";
        break;
    }
    return text;
}

} // namespace velmora
