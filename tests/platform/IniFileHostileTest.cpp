// Settings files as a crash, an editor or a stray tool leaves them.
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::readBytes;
using test::TempDir;

TEST(IniFileHostileTest, TruncatedBinaryAndDuplicatedFilesReadAndSaveSafely)
{
    struct Case
    {
        std::string bytes;
        const char* edit1;   // what [Form] Edit1 reads
        std::int32_t number; // what [Form] Number reads, 7 when unreadable
    };
    const Case cases[] = {
        {"[Form]\r\nEdit1=5, 60\r\nNumber=1", "5, 60", 1},                   // cut after the last byte of a value
        {"[Form]\r\nEdit1=5, 6", "5, 6", 7},                                 // cut inside a value
        {"[Fo", "default", 7},                                               // cut inside a section name
        {"[Form]\r\nEdit1=\"5, 60", "\"5, 60", 7},                           // an open quote
        {std::string("[Form]\r\nEdit1=a") + '\0' + "b\r\nNumber=3", "a", 3}, // a zero byte ends a value only
        {"\xff\xfe[\x00F\x00o\x00r\x00m\x00]\x00", "default", 7},            // another encoding
        {"[Form]\r\nEdit1=first\r\nEDIT1=second\r\n[form]\r\nNumber=9\r\nEdit1=third\r\n", "first", 7},
        {"[Form]\nNumber=0x7fffffff\nNumber=2\n", "default", 0x7fffffff},
        {"[Form]\rNumber=99999999999\r", "default", 7}, // beyond 32 bits
        {std::string(5000, '\x80') + "\r\n[Form]\r\nEdit1=" + std::string(3000, 'v'), nullptr,
         7}, // values read back at most 2047 bytes
    };
    for (const Case& c : cases) {
        TempDir dir;
        const auto path = dir.write("velmora.ini", c.bytes);
        IniFile ini(path);
        const std::string edit1 = ini.readString("Form", "Edit1", "default");
        if (c.edit1 != nullptr) {
            EXPECT_EQ(edit1, c.edit1) << c.bytes;
        } else {
            EXPECT_EQ(edit1, std::string(IniFile::MaxValueLength, 'v'));
        }
        EXPECT_EQ(ini.readInteger("Form", "Number", 7), c.number) << c.bytes;

        // A write changes the first of duplicated keys and keeps every other byte of the file.
        ini.writeString("Form", "Edit1", "15");
        ini.save();
        const IniFile again(path);
        EXPECT_EQ(again.readString("Form", "Edit1", ""), "15") << c.bytes;
        EXPECT_EQ(again.readInteger("Form", "Number", 7), c.number) << c.bytes;
    }
}

} // namespace
} // namespace velmora
