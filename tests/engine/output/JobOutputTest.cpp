#include "engine/output/JobOutput.h"

#include "platform/RunError.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

std::string bytesOf(int count, char first)
{
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += static_cast<char>(first + i % 26);
    }
    return bytes;
}

TEST(JobOutputTest, GivesBackSpilledAndRemainingBytesInOrderJobAfterJob)
{
    JobOutput spill;
    // A large job, then a smaller one that must not see the first one's tail, then one that never spills.
    for (const int chunks : {5, 2, 0}) {
        spill.start();
        std::string expected;
        std::string& output = spill.bytes();
        for (int k = 0; k < chunks; ++k) {
            output += bytesOf(300'000 + k, static_cast<char>('a' + k));
            expected += output;
            spill.spill();
            EXPECT_TRUE(output.empty());
        }
        output += "tail\r\n";
        expected += "tail\r\n";
        EXPECT_EQ(spill.contents(), expected) << chunks;
    }
}

TEST(JobOutputTest, AJobWrittenWhereItWasPlannedOrElsewhereHasAllItsBytesAndLeavesNoTemporary)
{
    const test::TempDir folder;
    const auto planned = folder.file("planned.txt");
    const auto elsewhere = folder.file("other.txt");
    folder.write("planned.txt", "old");
    JobOutput spill;
    for (const auto& target : {planned, elsewhere, folder.file("missing/x.txt")}) {
        // A job spilled beside its planned target, then put on the disk ahead of its write or not; then ones
        // that never spilled and must not write the first.
        for (const auto& [chunks, completed] : {std::pair{3, false}, {3, true}, {0, true}, {0, false}}) {
            spill.start(planned);
            std::string expected;
            std::string& output = spill.bytes();
            for (int k = 0; k < chunks; ++k) {
                output += bytesOf(100'000 + k, static_cast<char>('a' + k));
                expected += output;
                spill.spill();
            }
            if (chunks > 0) {
                const auto names = test::folderNames(folder.path());
                EXPECT_EQ(std::count_if(names.begin(), names.end(),
                                        [](const std::string& name) { return name.starts_with(".planned.txt.tmp-"); }),
                          1)
                    << "the spill beside the planned target";
            }
            output += "tail\r\n";
            expected += "tail\r\n";
            if (completed) {
                spill.complete();
            }
            if (target.parent_path() != folder.path()) {
                EXPECT_THROW(spill.writeTo(target), RunError);
                continue;
            }
            spill.writeTo(target);
            EXPECT_EQ(test::readBytes(target), expected) << target;
        }
    }
    EXPECT_EQ(test::readBytes(planned), "tail\r\n");
    spill.start();
    EXPECT_EQ(test::folderNames(folder.path()), (std::vector<std::string>{"other.txt", "planned.txt"}));

    // A planned folder that refuses the file: the bytes go to the unnamed spill and still reach the target.
    spill.start(folder.file("missing/planned.txt"));
    spill.bytes() = bytesOf(100'000, 'a');
    const std::string expected = spill.bytes() + "end";
    spill.spill();
    spill.bytes() += "end";
    spill.writeTo(elsewhere);
    EXPECT_EQ(test::readBytes(elsewhere), expected);
}

TEST(JobOutputTest, TheFirstBytesReplacedAfterTheLastReachTheFileWhereverTheBytesWent)
{
    const test::TempDir folder;
    const auto planned = folder.file("planned.hst");
    JobOutput job;
    // Held in memory, spilled beside the planned target (renamed into place, or copied elsewhere), spilled to
    // the unnamed file.
    for (const auto& [plan, chunks, target] : {std::tuple{planned, 0, planned},
                                               {planned, 3, planned},
                                               {planned, 3, folder.file("other.hst")},
                                               {std::filesystem::path(), 3, folder.file("unplanned.hst")}}) {
        job.start(plan);
        std::string& output = job.bytes();
        output = "head";
        std::string expected = "HEAD";
        for (int k = 0; k < chunks; ++k) {
            output += bytesOf(100'000 + k, static_cast<char>('a' + k));
            expected += output.substr(k == 0 ? 4 : 0);
            job.spill();
        }
        output += "tail";
        expected += "tail";
        job.replaceFront("HEAD");
        job.complete();
        job.writeTo(target);
        EXPECT_EQ(test::readBytes(target), expected) << target << " " << chunks;
    }
}

} // namespace
} // namespace velmora
