#include "platform/RunError.h"

namespace velmora {

namespace {

std::string quoted(std::string_view text, std::string_view tail)
{
    std::string message;
    message.reserve(text.size() + tail.size() + 2);
    message += '\'';
    message += text;
    message += '\'';
    message += tail;
    return message;
}

} // namespace

RunError notAnInteger(std::string_view text)
{
    return RunError(quoted(text, " は整数ではありません"));
}

RunError notAFloat(std::string_view text)
{
    return RunError(quoted(text, " は浮動小数点数ではありません"));
}

RunError notATime(std::string_view text)
{
    return RunError(quoted(text, " は時刻ではありません"));
}

RunError cannotOpenFile(std::string_view path)
{
    return RunError("ファイル " + std::string(path) + " は開けません");
}

RunError cannotCreateFile(std::string_view path)
{
    return RunError("ファイル " + std::string(path) + " を作成できません");
}

RunError listIndexOutOfRange(long long index)
{
    return RunError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
}

RunError fileNotFound()
{
    return RunError("ファイルが見つかりません");
}

} // namespace velmora
