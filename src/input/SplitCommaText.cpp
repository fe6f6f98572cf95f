#include "input/SplitCommaText.h"

#include "input/ByteScan.h"

#include <cassert>
#include <cstring> // memchr

namespace velmora {

namespace {

bool isBlank(char byte)
{
    const auto value = static_cast<unsigned char>(byte);
    return value >= 1 && value <= 32;
}

/// One item as found in the text: where its bytes lie, and whether they still hold doubled quotes.
struct RawItem
{
    std::size_t offset = 0;
    std::size_t length = 0;
    bool hasDoubledQuotes = false;
};

std::size_t skipBlanks(const char* data, std::size_t pos, std::size_t size)
{
    while (pos < size && isBlank(data[pos])) {
        ++pos;
    }
    return pos;
}

/// The quoted item whose opening quote is at pos, and the position after it. An unclosed quote takes the rest of
/// the text whole: no byte of the line is dropped.
RawItem quotedItem(const char* data, std::size_t& pos, std::size_t size)
{
    const std::size_t start = pos + 1;
    bool doubled = false;
    for (std::size_t at = start; at < size;) {
        const void* quote = std::memchr(data + at, '"', size - at);
        if (quote == nullptr) {
            break;
        }
        at = static_cast<std::size_t>(static_cast<const char*>(quote) - data);
        if (at + 1 < size && data[at + 1] == '"') {
            doubled = true;
            at += 2;
            continue;
        }
        pos = at + 1;
        return {start, at - start, doubled};
    }
    pos = size;
    return {start, size - start, doubled};
}

/// Walks the items of the text in order and hands each to emit. Both splitters share this walk so that the
/// timeframe list and source lines follow one rule.
template <class Emit> void walkItems(std::string_view text, Emit&& emit)
{
    if (const void* zero = std::memchr(text.data(), '\0', text.size())) {
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
    }
    const char* data = text.data();
    const std::size_t size = text.size();
    std::size_t pos = skipBlanks(data, 0, size);
    while (pos < size) {
        if (data[pos] == '"') {
            emit(quotedItem(data, pos, size));
        } else {
            const std::size_t start = pos;
            pos = ByteScan::findItemEnd(data, pos, size);
            emit(RawItem{start, pos - start, false});
        }
        pos = skipBlanks(data, pos, size);
        if (pos < size && data[pos] == ',') {
            ++pos;
            if (pos == size) {
                emit(RawItem{pos, 0, false});
            }
            pos = skipBlanks(data, pos, size);
        }
    }
}

/// Appends the bytes with every "" turned into one ".
void appendUnescaped(std::string& out, std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (bytes[i] == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
            ++i;
        }
    }
}

} // namespace

std::vector<std::string> SplitCommaText(std::string_view text)
{
    std::vector<std::string> items;
    walkItems(text, [&](RawItem raw) {
        const std::string_view bytes = text.substr(raw.offset, raw.length);
        if (raw.hasDoubledQuotes) {
            std::string item;
            appendUnescaped(item, bytes);
            items.push_back(std::move(item));
        } else {
            items.emplace_back(bytes);
        }
    });
    return items;
}

void CommaItems::split(std::string_view text)
{
    m_text = text;
    m_items.clear();
    m_scratch.clear();
    walkItems(text, [this](RawItem raw) {
        if (raw.hasDoubledQuotes) {
            const std::size_t offset = m_scratch.size();
            appendUnescaped(m_scratch, m_text.substr(raw.offset, raw.length));
            m_items.push_back(Item{offset, m_scratch.size() - offset, true});
        } else {
            m_items.push_back(Item{raw.offset, raw.length, false});
        }
    });
}

std::string_view CommaItems::operator[](std::size_t index) const
{
    assert(index < m_items.size());
    const Item& item = m_items[index];
    const std::string_view source = item.unescaped ? std::string_view(m_scratch) : m_text;
    return source.substr(item.offset, item.length);
}

} // namespace velmora
