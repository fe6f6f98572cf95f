#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace velmora::test {

/// A sample-like source: the first quarter hour of a trading week (2009-01-04 is a Sunday) in the common
/// 1-minute layout, with a quiet stretch from 17:06 to 17:15.
inline constexpr std::string_view SundayOpen = "2009.01.04,17:00,1.3000,1.3005,1.2995,1.3001,10\r\n"
                                               "2009.01.04,17:01,1.3001,1.3010,1.3000,1.3008,12\r\n"
                                               "2009.01.04,17:04,1.3008,1.3009,1.2990,1.2992,7\r\n"
                                               "2009.01.04,17:05,1.2992,1.2999,1.2991,1.2998,5\r\n"
                                               "2009.01.04,17:16,1.2998,1.3020,1.2998,1.3015,9\r\n";

/// The same bars with a symbol field before the date.
inline constexpr std::string_view SundayOpenWithSymbol = "EURUSD,2009.01.04,17:00,1.3000,1.3005,1.2995,1.3001,10\r\n"
                                                         "EURUSD,2009.01.04,17:01,1.3001,1.3010,1.3000,1.3008,12\r\n"
                                                         "EURUSD,2009.01.04,17:04,1.3008,1.3009,1.2990,1.2992,7\r\n"
                                                         "EURUSD,2009.01.04,17:05,1.2992,1.2999,1.2991,1.2998,5\r\n"
                                                         "EURUSD,2009.01.04,17:16,1.2998,1.3020,1.2998,1.3015,9\r\n";

inline constexpr std::string_view SourceName = "EURUSD_1min_2009.txt";

/// Lines as a bar file holds them: each followed by CR LF.
inline std::string barFile(std::initializer_list<std::string_view> lines)
{
    std::string bytes;
    for (const auto line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

/// The 5-minute bars of SundayOpen with the default settings: the 17:10 bucket is filled from the 17:05 close.
inline std::string defaultFiveMinuteBars()
{
    return barFile(
        {"2009/01/04,17:00:00,1.3000,1.3010,1.2990,1.2992", "2009/01/04,17:05:00,1.2992,1.2999,1.2991,1.2998",
         "2009/01/04,17:10:00,1.2998,1.2998,1.2998,1.2998", "2009/01/04,17:15:00,1.2998,1.3020,1.2998,1.3015"});
}

/// One bar covering all of SundayOpen, as the hourly, 4-hour and daily files hold it.
inline std::string wholeQuarterHourBar()
{
    return barFile({"2009/01/04,17:00:00,1.3000,1.3020,1.2990,1.3015"});
}

} // namespace velmora::test
