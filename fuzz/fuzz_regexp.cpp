// TBRegExp over arbitrary command strings and targets: a bad command is an EBRegExpError, nothing worse.
#include "FuzzSupport.h"
#include "regex/TBRegExp.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    fuzz::ByteReader reader(fuzz::bytesOf(data, size));
    const std::uint8_t mode = reader.byte();
    const int limit = static_cast<int>(reader.byte()) - 128;
    const std::string command(reader.line(4096));
    const std::string target(reader.rest());
    // One instance for every case, as the program keeps one: the reuse of compiled commands is fuzzed too.
    static TBRegExp regExp;
    try {
        switch (mode % 3) {
        case 0:
            (void)regExp.Match(command, target);
            break;
        case 1: {
            std::string text = target;
            (void)regExp.Subst(command, text);
            break;
        }
        default:
            (void)regExp.Split(command, target, limit);
            break;
        }
        const int count = regExp.Count();
        if (count < 0) {
            std::abort();
        }
        for (int i = 0; i < count; ++i) {
            (void)regExp.Strings(i);
        }
    } catch (const EBRegExpError& error) {
        if (std::string_view(error.what()).size() > 79) {
            std::abort();
        }
    }
    try {
        (void)regExp.Strings(regExp.Count());
        std::abort(); // past the last result must be refused
    } catch (const EBRegExpError&) {
    }
    return 0;
}
