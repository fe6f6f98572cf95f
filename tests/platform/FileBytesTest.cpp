#include "platform/FileBytes.h"

#include "platform/StdioFile.h"
#include "support/TempDir.h"

#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace velmora {
namespace {

using Access = FileBytes::Access;

TEST(FileBytesTest, HoldsTheWholeFileMappedOrRead)
{
    std::string large(3 << 20, 'x');
    large[1000] = '\0';
    large.back() = '\n';
    const struct
    {
        const char* name;
        std::string bytes;
    } cases[] = {{"empty", ""}, {"small", "a\r\nb"}, {"large", large}};
    const test::TempDir dir;
    for (const auto& item : cases) {
        const auto path = dir.write(item.name, item.bytes);
        for (const Access access : {Access::MapOrRead, Access::Read}) {
            SCOPED_TRACE(std::string(item.name) + (access == Access::Read ? " read" : " mapped"));
            std::optional<FileBytes> file = FileBytes::load(path, access);
            ASSERT_TRUE(file.has_value());
            EXPECT_EQ(file->view(), item.bytes);
#ifdef _WIN32
            EXPECT_FALSE(file->mapped()) << "a mapped file could not be rewritten by others on Windows";
#else
            // An empty file cannot be mapped and is read instead.
            EXPECT_EQ(file->mapped(), access == Access::MapOrRead && !item.bytes.empty());
#endif
            EXPECT_EQ(file->heapBytes(), file->mapped() ? 0 : item.bytes.size());
            // The bytes stay with the object they move to.
            const FileBytes moved = std::move(*file);
            EXPECT_EQ(moved.view(), item.bytes);
        }
    }
}

TEST(FileBytesTest, NothingWhereThereIsNoRegularFile)
{
    const test::TempDir dir;
    for (const Access access : {Access::MapOrRead, Access::Read}) {
        EXPECT_FALSE(FileBytes::load(dir.file("missing.txt"), access).has_value());
        EXPECT_FALSE(FileBytes::load(dir.path(), access).has_value());
    }
}

TEST(FileBytesTest, MapsAnOpenFileWrittenThroughItsStream)
{
    const test::TempDir dir;
    const std::string bytes(100'000, 'b');
    const auto path = dir.write("spill", bytes);
    const StdioFile file = openForReading(path);
    ASSERT_NE(file, nullptr);
    const FileBytes mapping = FileBytes::mapOpenFile(file.get(), bytes.size());
    ASSERT_TRUE(mapping.mapped());
    EXPECT_EQ(mapping.view(), bytes);
    // Reading goes on from any offset, the mapping notwithstanding.
    ASSERT_TRUE(seekTo(file.get(), bytes.size() - 2));
    char tail[3] = {};
    EXPECT_EQ(std::fread(tail, 1, 3, file.get()), 2U);
    EXPECT_STREQ(tail, "bb");
}

// A source stays loaded for a whole run; meanwhile the program that makes it must be able to rewrite, replace
// and delete it, as on any system (Windows refuses all three while a view of the file is mapped).
TEST(FileBytesTest, ALoadedFileNeverKeepsOthersFromRewritingReplacingOrDeletingIt)
{
    const test::TempDir dir;
    const auto path = dir.write("日本語_1min.txt", "old bytes");
    const std::optional<FileBytes> held = FileBytes::load(path);
    ASSERT_TRUE(held.has_value());
    const struct
    {
        const char* what;
        std::function<void()> change;
        const char* expected; // the file's bytes afterwards; nullptr when it is gone
    } cases[] = {
        {"rewritten shorter", [&] { std::ofstream(path, std::ios::binary | std::ios::trunc) << "new"; }, "new"},
        {"replaced",
         [&] {
             dir.write("next", "replacement");
             std::filesystem::rename(dir.file("next"), path);
         },
         "replacement"},
        {"deleted", [&] { std::filesystem::remove(path); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        if (c.expected != nullptr) {
            EXPECT_EQ(test::readBytes(path), c.expected);
        } else {
            EXPECT_FALSE(std::filesystem::exists(path));
        }
    }
}

} // namespace
} // namespace velmora
