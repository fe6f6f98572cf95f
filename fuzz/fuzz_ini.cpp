// The settings file reader over arbitrary bytes, and a write-read round trip of a key through the file.
#include "FuzzSupport.h"
#include "platform/IniFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    fuzz::ByteReader reader(fuzz::bytesOf(data, size));
    const std::string section(reader.line(40));
    const std::string key(reader.line(40));
    const std::string value(reader.line(3000));
    const auto path = fuzz::scratchFolder() / "velmora.ini";
    fuzz::writeFile(path, reader.rest());

    IniFile ini(path);
    (void)ini.readString(section, key, "default");
    (void)ini.readInteger(section, key);
    (void)ini.readBool(section, key, true);
    (void)ini.hasKey(section, key);
    (void)ini.text();

    // Names that the program itself would write: no brackets, "=", line breaks or outer blanks.
    auto plainName = [](std::string_view name) {
        if (name.empty() || name.front() == ' ' || name.back() == ' ' || name.front() == ';' || name.front() == '#') {
            return false;
        }
        for (const char c : name) {
            if (static_cast<unsigned char>(c) < 0x20 || c == '[' || c == ']' || c == '=' || c == ' ') {
                return false;
            }
        }
        return true;
    };
    if (!plainName(section) || !plainName(key)) {
        return 0;
    }
    try {
        ini.writeString(section, key, value);
        ini.writeInteger(section, "FuzzNumber", -12345);
    } catch (const RunError&) {
        return 0; // a value with a line break or a zero byte is refused, and that is all
    }
    try {
        ini.save();
    } catch (const RunError&) {
        return 0; // a file that existed but could not be read is never overwritten
    }
    const IniFile again(path);
    const std::string expected = value.substr(0, IniFile::MaxValueLength);
    if (again.readString(section, key, "\x01missing") != expected ||
        again.readInteger(section, "FuzzNumber", 0) != -12345) {
        std::abort();
    }
    return 0;
}
