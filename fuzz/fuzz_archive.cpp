// The zip and gzip readers over arbitrary bytes, and over archives of arbitrary contents, packed here by zlib and
// minizip's writer, with one byte changed or not: a whole archive must give back its contents exactly, any other
// either its contents or ArchiveError, never a crash, a hang or other bytes.
#include "FuzzSupport.h"
#include "platform/ArchiveFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <zip.h>
#include <zlib.h>

namespace {

using namespace velmora;

std::string gzipped(std::string_view contents, int level)
{
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        std::abort();
    }
    std::string packed(deflateBound(&stream, static_cast<uLong>(contents.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(contents.data()));
    stream.avail_in = static_cast<uInt>(contents.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) {
        std::abort();
    }
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

void writeZip(const std::filesystem::path& path, std::string_view contents, int level)
{
    zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
    zip_fileinfo info{};
    if (zip == nullptr ||
        zipOpenNewFileInZip64(zip, "EURUSD.csv", &info, nullptr, 0, nullptr, 0, nullptr, level == 0 ? 0 : Z_DEFLATED,
                              level, 0) != ZIP_OK ||
        zipWriteInFileInZip(zip, contents.data(), static_cast<unsigned>(contents.size())) != ZIP_OK ||
        zipCloseFileInZip(zip) != ZIP_OK || zipClose(zip, nullptr) != ZIP_OK) {
        std::abort();
    }
}

/// Every file of the zip unpacked and joined, or nullopt when the reader refuses it with ArchiveError.
std::optional<std::string> zipContents(const std::filesystem::path& path)
{
    try {
        const std::vector<ZipMember> members = listZipMembers(path);
        if (members.empty()) {
            return std::nullopt; // a run says the zip holds no file to convert
        }
        std::string joined;
        for (const ZipMember& member : members) {
            joined += unpackZipMember(path, member.name).view();
        }
        return joined;
    } catch (const ArchiveError&) {
        return std::nullopt;
    }
}

std::optional<std::string> gzipContents(const std::filesystem::path& path)
{
    try {
        return std::string(unpackGzip(path).view());
    } catch (const ArchiveError&) {
        return std::nullopt;
    }
}

/// Changes the byte at the chosen place, if there is one: (place - 1) modulo the size, xor mask; 0 changes nothing.
bool changeByte(std::string& bytes, std::uint8_t place, std::uint8_t mask)
{
    if (place == 0 || mask == 0 || bytes.empty()) {
        return false;
    }
    // The places spread over the whole archive, its headers and its end as much as its data.
    const std::size_t at = (static_cast<std::size_t>(place - 1) * bytes.size()) / 255;
    bytes[std::min(at, bytes.size() - 1)] = static_cast<char>(bytes[std::min(at, bytes.size() - 1)] ^ mask);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::ByteReader reader(fuzz::bytesOf(data, size));
    const std::uint8_t mode = reader.byte() % 4;
    const int level = reader.byte() % 10;
    const std::uint8_t place = reader.byte();
    const std::uint8_t mask = reader.byte();
    const std::string contents(reader.rest());
    const auto gz = fuzz::scratchFolder() / "prices.csv.gz";
    const auto zip = fuzz::scratchFolder() / "prices.zip";
    std::error_code ignored;
    std::filesystem::remove(zip, ignored);

    std::optional<std::string> got;
    bool changed = true;
    switch (mode) {
    case 0: // the bytes themselves, as a gzip file
        fuzz::writeFile(gz, contents);
        (void)gzipContents(gz);
        return 0;
    case 1: // and as a zip
        fuzz::writeFile(zip, contents);
        (void)zipContents(zip);
        return 0;
    case 2: { // the contents gzipped, in two members where the level is odd
        const std::size_t half = level % 2 == 1 ? contents.size() / 2 : contents.size();
        std::string packed = gzipped(std::string_view(contents).substr(0, half), level);
        if (half < contents.size()) {
            packed += gzipped(std::string_view(contents).substr(half), level);
        }
        changed = changeByte(packed, place, mask);
        fuzz::writeFile(gz, packed);
        got = gzipContents(gz);
        break;
    }
    default: { // the contents zipped, stored as they are at level 0
        writeZip(zip, contents, level);
        std::ifstream in(zip, std::ios::binary);
        std::string packed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        changed = changeByte(packed, place, mask);
        fuzz::writeFile(zip, packed);
        got = zipContents(zip);
        break;
    }
    }
    // A whole archive gives back its contents; a changed one the same contents or an error, nothing else.
    if ((!changed && got != contents) || (got && *got != contents)) {
        std::abort();
    }
    return 0;
}
