#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora {

/// An error that ends a conversion run. Its message is the text the user sees, in the system's own wording;
/// build it with the functions below so the window and the headless tool show the same words.
class RunError : public std::runtime_error
{
public:
    explicit RunError(const std::string& message) : std::runtime_error(message) {}
};

/// "'%s' は整数ではありません"
RunError notAnInteger(std::string_view text);
/// "'%s' は浮動小数点数ではありません"
RunError notAFloat(std::string_view text);
/// "'%s' は時刻ではありません"
RunError notATime(std::string_view text);
/// "ファイル %s は開けません"
RunError cannotOpenFile(std::string_view path);
/// "ファイル %s を作成できません"
RunError cannotCreateFile(std::string_view path);
/// "リストのインデックスが範囲を超えています (%d)"
RunError listIndexOutOfRange(long long index);
/// "ファイルが見つかりません"
RunError fileNotFound();

} // namespace velmora
