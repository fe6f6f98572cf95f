#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// Cuts a text into items: blanks (bytes 1..32) and commas separate, double quotes group ("" inside quotes
/// stands for one quote), a zero byte ends the text. Used for the timeframe list and for source lines.
std::vector<std::string> SplitCommaText(std::string_view text);

/// The same rule without allocating per call: the items of the last split are views that stay valid until
/// the next split or until the text they came from goes away. Reuse one object for every line of a file;
/// once its storage has grown to the widest line, a split allocates nothing.
class CommaItems
{
public:
    void split(std::string_view text);
    std::size_t size() const { return m_items.size(); }
    /// The item at the index; the index must be below size().
    std::string_view operator[](std::size_t index) const;

private:
    struct Item
    {
        std::size_t offset = 0;
        std::size_t length = 0;
        bool unescaped = false; ///< lies in m_scratch (a quoted item that had "" in it), else in m_text
    };
    std::string_view m_text;
    std::vector<Item> m_items;
    std::string m_scratch; ///< grows by appending only, so offsets into it stay good while a split runs
};

} // namespace velmora
