#pragma once

#include "input/SplitCommaText.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

/// A decimal number as prices are written: blanks, an optional sign, digits with "." as decimal point, an
/// optional exponent (E or e, optional sign, digits), blanks. std::nullopt for anything else, and for a value
/// beyond the range of a double.
std::optional<double> parseDecimal(std::string_view text);

/// parseDecimal through an out parameter: false where it gives std::nullopt. The form for hot loops, which
/// spares them unpacking an optional through memory.
bool readDecimal(std::string_view text, double& value);

/// readDecimal for the text of nearly every price, digits with at most one "." and at most 15 digits, read
/// exactly (the nearest double, as std::from_chars gives it, in a fraction of its time); false for any other
/// text.
bool readPlainDecimal(std::string_view text, double& value);

/// True when a line's high is below its low, or its open or close lies outside low to high (an open or close
/// that does not read as a number is not looked at): a sign that its columns are not open, high, low, close.
bool pricesOutOfOrder(std::string_view open, double high, double low, std::string_view close);

/// parseDecimal, or the run-ending error "'%s' は浮動小数点数ではありません" with the text.
double StrToFloat(std::string_view text);

/// One source line cut into fields, with the six fields a bar needs found from the date field position:
/// date, time, open, high, low and close stand one after another from there. Fields before the date (an
/// instrument name) and after the close (a volume) are ignored.
///
/// Reuse one record for every line of a file: splitting allocates only while the field list grows. The
/// fields are views into the line and stay valid until the next split or until the line goes away.
class SourceRecord
{
public:
    /// dateFieldPosition counts from 1, as the user sets it.
    explicit SourceRecord(std::int32_t dateFieldPosition = 1);

    /// Cuts the line by the comma-text rule (SplitCommaText). A plain line (commas between fields without
    /// blanks, quotes or control bytes, as price files are written) is cut by a quick pass of its own that
    /// gives the same fields.
    void split(std::string_view line);

    std::size_t fieldCount() const { return m_plain ? m_plainCount : m_items.size(); }

    /// The field at a 0-based index. An index outside the fields ends the run with
    /// "リストのインデックスが範囲を超えています (<index>)", so a short line names the field it lacks.
    std::string_view field(std::int64_t index) const;

    std::string_view date() const { return field(m_dateIndex); }
    std::string_view time() const { return field(m_dateIndex + 1); }
    std::string_view open() const { return field(m_dateIndex + 2); }
    std::string_view high() const { return field(m_dateIndex + 3); }
    std::string_view low() const { return field(m_dateIndex + 4); }
    std::string_view close() const { return field(m_dateIndex + 5); }

    /// True when every field from the date to the close is there, so none of the accessors above can fail.
    bool complete() const;

    /// The 0-based index of the date field (the position − 1).
    std::int64_t dateIndex() const { return m_dateIndex; }

private:
    /// Fields of a plain line: field k runs from m_starts[k] to the comma before m_starts[k + 1].
    static constexpr std::size_t MaxPlainFields = 31;
    bool splitPlain(std::string_view line);

    CommaItems m_items;
    std::string_view m_line;
    bool m_plain = false;
    std::size_t m_plainCount = 0;
    std::uint32_t m_starts[MaxPlainFields + 1] = {};
    std::int64_t m_dateIndex;
};

} // namespace velmora
