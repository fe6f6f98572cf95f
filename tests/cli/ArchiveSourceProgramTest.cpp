// velmora-convert on zipped and gzipped sources: each file in an archive converts to the bars, names and log of the
// same file registered unpacked; a damaged archive says why, writes nothing and leaves the other sources alone.
#include "cli/ProgramRun.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

#ifdef _WIN32
TEST(ArchiveSourceProgramTest, RunsThroughAPosixShell)
{
    GTEST_SKIP() << "the program is started through a POSIX shell";
}
#else

#include <zip.h>
#include <zlib.h>

using namespace velmora::test;

namespace {

/// Three days of 1-minute bars every 7 minutes, prices in order; offset moves every price.
std::string minuteBars(int offset)
{
    std::string text;
    for (int i = 0; i < 600; ++i) {
        const int minute = i * 7;
        const int base = 20'000 + offset + (i * 13) % 90;
        const auto price = [](int tenths) { return "1.0" + std::to_string(tenths); };
        const auto two = [](int n) {
            return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
        };
        text += "2022.08." + two(15 + minute / 1440) + "," + two(minute / 60 % 24) + ":" + two(minute % 60) + "," +
                price(base + 2) + "," + price(base + 9) + "," + price(base) + "," + price(base + 5) + ",17\r\n";
    }
    return text;
}

const std::string Euro = minuteBars(0);
const std::string Pound = minuteBars(7000);

struct Packed
{
    std::string name;
    std::string bytes;
    bool stored = false; ///< put into a zip as it is, not deflated
};

/// A zip archive of the files, in the order given, written by minizip's own writer.
std::string zipOf(const TempDir& scratch, const std::vector<Packed>& files)
{
    const std::string path = scratch.file("made.zip").string();
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    for (const Packed& file : files) {
        zip_fileinfo info{};
        EXPECT_EQ(zipOpenNewFileInZip64(zip, file.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        file.stored ? 0 : Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0),
                  ZIP_OK);
        EXPECT_EQ(zipWriteInFileInZip(zip, file.bytes.data(), static_cast<unsigned>(file.bytes.size())), ZIP_OK);
        EXPECT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    EXPECT_EQ(zipClose(zip, nullptr), ZIP_OK);
    return readBytes(path);
}

std::string gzipOf(const TempDir& scratch, const std::string& bytes)
{
    const std::string path = scratch.file("made.gz").string();
    gzFile file = gzopen(path.c_str(), "wb");
    EXPECT_EQ(gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())), static_cast<int>(bytes.size()));
    EXPECT_EQ(gzclose(file), Z_OK);
    return readBytes(path);
}

/// The zip with the CRC-32 of its first file changed where both its headers state it.
std::string withOtherChecksum(std::string zip)
{
    const std::size_t central = zip.find("PK\x01\x02");
    zip[14] = static_cast<char>(zip[14] ^ 1);
    zip[central + 16] = static_cast<char>(zip[central + 16] ^ 1);
    return zip;
}

struct Converted
{
    int exitCode = -1;
    std::vector<std::string> log; ///< without the elapsed time
    std::vector<std::pair<std::string, std::string>> bars;
    std::vector<std::string> names; ///< every file in the folder afterwards
};

/// Writes the files into a new folder and converts the registered ones there with two timeframes.
Converted convert(const std::vector<Packed>& files, const std::vector<std::string>& registered)
{
    const TempDir folder;
    std::vector<std::string> written;
    for (const Packed& file : files) {
        folder.write(file.name, file.bytes);
        written.push_back(file.name);
    }
    std::vector<std::string> args{"-s", "/dev/null", "-t", "5, 60", "--overwrite"};
    args.insert(args.end(), registered.begin(), registered.end());
    const ProgramResult result = runProgram(args, folder.path());
    Converted converted{result.exitCode, lines(result.out + result.err), {}, folderNames(folder.path())};
    if (!converted.log.empty() && converted.log.back().ends_with("ms")) {
        converted.log.pop_back();
    }
    for (const std::string& name : converted.names) {
        if (std::find(written.begin(), written.end(), name) == written.end()) {
            converted.bars.emplace_back(name, readBytes(folder.file(name)));
        }
    }
    return converted;
}

void expectConvertsAs(const Packed& archive, const Converted& expected)
{
    const Converted result = convert({archive}, {archive.name});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.log, expected.log);
    EXPECT_EQ(result.bars, expected.bars);
    // Beside the archive only the bars: nothing unpacked is left there.
    EXPECT_EQ(result.names.size(), expected.bars.size() + 1);
}

TEST(ArchiveSourceProgramTest, EachFileOfAnArchiveConvertsAsTheFileItself)
{
    const TempDir scratch;
    const Converted euro = convert({{"EURUSD.csv", Euro}}, {"EURUSD.csv"});
    const Converted both = convert({{"EURUSD.csv", Euro}, {"GBPUSD.csv", Pound}}, {"EURUSD.csv", "GBPUSD.csv"});
    ASSERT_EQ(euro.exitCode, 0);
    ASSERT_EQ(euro.bars.size(), 2U);
    ASSERT_EQ(both.bars.size(), 4U);
    struct Case
    {
        const char* name;
        Packed archive;
        const Converted& expected;
    };
    const std::vector<Case> cases = {
        {"a zip of one file in a folder", {"HISTDATA_EURUSD.zip", zipOf(scratch, {{"data/EURUSD.csv", Euro}})}, euro},
        // Packed in the other order: the files convert in name order.
        {"a zip of two files",
         {"PAIRS.ZIP", zipOf(scratch, {{"GBPUSD.csv", Pound}, {"folder/", ""}, {"EURUSD.csv", Euro}})},
         both},
        {"a gzip file", {"EURUSD.csv.gz", gzipOf(scratch, Euro)}, euro},
        {"a gzip file of two members",
         {"EURUSD.csv.gz", gzipOf(scratch, Euro.substr(0, 9000)) + gzipOf(scratch, Euro.substr(9000))},
         euro},
        {"a gzip file padded with zeros", {"EURUSD.csv.gz", gzipOf(scratch, Euro) + std::string(700, '\0')}, euro},
        {"a zip of a file stored as it is", {"EURUSD.zip", zipOf(scratch, {{"EURUSD.csv", Euro, true}})}, euro},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectConvertsAs(c.archive, c.expected);
    }
}

TEST(ArchiveSourceProgramTest, ADamagedArchiveSaysWhyWritesNothingAndTheRunGoesOn)
{
    const TempDir scratch;
    const std::string zip = zipOf(scratch, {{"GBPUSD.csv", Pound}});
    std::string flipped = zip;
    flipped[30 + 10 + 200] = static_cast<char>(flipped[30 + 10 + 200] ^ 0x55); // in the packed bytes
    const std::string gzip = gzipOf(scratch, Pound);
    struct Case
    {
        Packed archive;
        std::string told;
    };
    const std::vector<Case> cases = {
        {{"flipped.zip", flipped}, "flipped.zip の GBPUSD.csv は壊れているので書き出しません"},
        {{"checksum.zip", withOtherChecksum(zip)}, "checksum.zip の GBPUSD.csv は壊れているので書き出しません"},
        {{"stored.zip", withOtherChecksum(zipOf(scratch, {{"GBPUSD.csv", Pound, true}}))},
         "stored.zip の GBPUSD.csv は壊れているので書き出しません"},
        {{"cut.zip", zip.substr(0, zip.size() / 2)}, "cut.zip は壊れているか zip ファイルではないので書き出しません"},
        {{"text.zip", Pound}, "text.zip は壊れているか zip ファイルではないので書き出しません"},
        {{"GBPUSD.csv.gz", gzip.substr(0, gzip.size() - 9)},
         "GBPUSD.csv.gz は壊れているか gzip ファイルではないので書き出しません"},
        // A second member whose first byte is lost: not the first member's lines alone.
        {{"other.csv.gz", gzip + gzip.substr(1)},
         "other.csv.gz は壊れているか gzip ファイルではないので書き出しません"},
        {{"checksum.csv.gz", gzip.substr(0, gzip.size() - 8) + static_cast<char>(gzip[gzip.size() - 8] ^ 1) +
                                 gzip.substr(gzip.size() - 7)},
         "checksum.csv.gz は壊れているか gzip ファイルではないので書き出しません"},
        {{"empty.zip", zipOf(scratch, {{"folder/", ""}})}, "empty.zip には変換するファイルがないので書き出しません"},
    };
    const Converted euro = convert({{"EURUSD.csv", Euro}}, {"EURUSD.csv"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive.name);
        const Converted result = convert({c.archive, {"EURUSD.csv", Euro}}, {c.archive.name, "EURUSD.csv"});
        // A job that wrote nothing.
        EXPECT_EQ(result.exitCode, 3);
        // Once for the archive, not once for each of its jobs.
        EXPECT_EQ(std::count(result.log.begin(), result.log.end(), c.told), 1);
        EXPECT_EQ(result.bars, euro.bars);
    }
}

} // namespace

#endif
