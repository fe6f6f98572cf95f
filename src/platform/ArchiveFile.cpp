#include "platform/ArchiveFile.h"

#include "platform/Inflater.h"
#include "platform/RunError.h"
#include "platform/StdioFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring> // memcpy
#include <memory>
#include <new>
#include <optional>
#include <unzip.h>
#ifdef __linux__
#include <sys/mman.h>
#endif
#include <zlib.h>

namespace velmora {

namespace {

constexpr std::string_view Unwritten = "ので書き出しません";

std::string archiveName(const std::filesystem::path& archive)
{
    return pathText(archive.filename());
}

ArchiveError damagedZip(const std::filesystem::path& archive)
{
    return ArchiveError(archiveName(archive) + " は壊れているか zip ファイルではない" + std::string(Unwritten));
}

ArchiveError memberError(const std::filesystem::path& archive, const std::string& member, std::string_view why)
{
    return ArchiveError(archiveName(archive) + " の " + member + " は" + std::string(why) + std::string(Unwritten));
}

ArchiveError damagedGzip(const std::filesystem::path& archive)
{
    return ArchiveError(archiveName(archive) + " は壊れているか gzip ファイルではない" + std::string(Unwritten));
}

StdioFile openArchive(const std::filesystem::path& archive)
{
    StdioFile file = openForReading(archive);
    std::error_code error;
    if (file == nullptr || !std::filesystem::is_regular_file(archive, error)) {
        throw cannotOpenFile(pathText(archive));
    }
    return file;
}

// minizip reaches the archive through these: the "file name" it is given is the file already opened here, so that
// any path the system can open (a Japanese folder on Windows) opens the same way as a plain source.
voidpf openGiven(voidpf /*opaque*/, const void* given, int /*mode*/)
{
    return const_cast<void*>(given);
}

uLong readGiven(voidpf /*opaque*/, voidpf stream, void* buffer, uLong size)
{
    return static_cast<uLong>(std::fread(buffer, 1, size, static_cast<std::FILE*>(stream)));
}

uLong writeNothing(voidpf /*opaque*/, voidpf /*stream*/, const void* /*buffer*/, uLong /*size*/)
{
    return 0;
}

ZPOS64_T tellGiven(voidpf /*opaque*/, voidpf stream)
{
    auto* file = static_cast<std::FILE*>(stream);
#ifdef _WIN32
    const long long at = _ftelli64(file);
#else
    const long long at = ftello(file);
#endif
    return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
}

long seekGiven(voidpf /*opaque*/, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* file = static_cast<std::FILE*>(stream);
    int whence = SEEK_SET;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
        whence = SEEK_CUR;
    } else if (origin == ZLIB_FILEFUNC_SEEK_END) {
        whence = SEEK_END;
    }
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), whence) == 0 ? 0 : -1;
#else
    return fseeko(file, static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
#endif
}

int closeNothing(voidpf /*opaque*/, voidpf /*stream*/)
{
    return 0; // the file belongs to the caller
}

int errorOf(voidpf /*opaque*/, voidpf stream)
{
    return std::ferror(static_cast<std::FILE*>(stream));
}

/// An open zip archive's directory, closed on every way out.
class ZipReader
{
public:
    explicit ZipReader(const std::filesystem::path& archive) : m_file(openArchive(archive))
    {
        zlib_filefunc64_def functions{};
        functions.zopen64_file = openGiven;
        functions.zread_file = readGiven;
        functions.zwrite_file = writeNothing;
        functions.ztell64_file = tellGiven;
        functions.zseek64_file = seekGiven;
        functions.zclose_file = closeNothing;
        functions.zerror_file = errorOf;
        m_zip = unzOpen2_64(m_file.get(), &functions);
        if (m_zip == nullptr) {
            throw damagedZip(archive);
        }
    }
    ~ZipReader() { unzClose(m_zip); }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    [[nodiscard]] unzFile get() const { return m_zip; }

private:
    StdioFile m_file;
    unzFile m_zip = nullptr;
};

/// The current member's name as UTF-8 and its sizes; false when its header cannot be read.
bool currentMember(unzFile zip, std::string& name, unz_file_info64& info)
{
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return false;
    }
    std::string stored(info.size_filename, '\0');
    if (unzGetCurrentFileInfo64(zip, &info, stored.data(), static_cast<uLong>(stored.size() + 1), nullptr, 0, nullptr,
                                0) != UNZ_OK) {
        return false;
    }
    // Bit 11 marks a UTF-8 name; without it the name is in the code page of the system that packed it, which for
    // archives made on a Japanese Windows is that system's own.
    constexpr uLong Utf8Name = 1U << 11U;
    name = (info.flag & Utf8Name) != 0 ? stored : textFromOtherProgram(stored);
    return true;
}

bool isFolder(const std::string& name)
{
    return name.empty() || name.back() == '/' || name.back() == '\\';
}

/// Room for size bytes, or an empty pointer when the system has none.
std::unique_ptr<char[]> roomFor(std::size_t size)
{
    std::unique_ptr<char[]> room(new (std::nothrow) char[std::max<std::size_t>(size, 1)]);
#ifdef __linux__
    // 2 MB pages where the system gives them: unpacking into fresh 4 KB pages spends more time in page faults than
    // in the inflate.
    constexpr std::size_t Huge = std::size_t{1} << 21U;
    const std::size_t skipped = (Huge - reinterpret_cast<std::uintptr_t>(room.get()) % Huge) % Huge;
    if (room != nullptr && size > skipped + Huge) {
        madvise(room.get() + skipped, (size - skipped) / Huge * Huge, MADV_HUGEPAGE);
    }
#endif
    return room;
}

constexpr std::size_t ChunkBytes = std::size_t{1} << 18U;
/// The most bytes deflate unpacks one packed byte to (258-byte copies of two bits each, and a little more).
constexpr std::uint64_t DeflateRatio = 1032;

/// Reads the current file of the zip, stored as it is, into size bytes of room; true when it has exactly that
/// many. Its checksum is checked when it is closed.
bool copyStoredMember(unzFile zip, char* bytes, std::size_t size)
{
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        return false;
    }
    std::size_t done = 0;
    int got = 0;
    do {
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(size - done, 1U << 30U));
        got = chunk == 0 ? 0 : unzReadCurrentFile(zip, bytes + done, chunk);
        if (got > 0) {
            done += static_cast<std::size_t>(got);
        }
    } while (got > 0 && done < size);
    char extra = 0;
    return got >= 0 && done == size && unzReadCurrentFile(zip, &extra, 1) == 0;
}

/// Unpacks the current file of the zip, deflated, into room for size + 1 bytes: its raw deflate data is read
/// through minizip and unpacked here, by the faster inflater. True when it unpacks to exactly size bytes with the
/// CRC-32 the zip states.
bool inflateMember(unzFile zip, const unz_file_info64& info, Inflater& inflater, unsigned char* bytes, std::size_t size)
{
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK) {
        return false;
    }
    const auto input = std::make_unique_for_overwrite<unsigned char[]>(ChunkBytes);
    unsigned char* output = bytes;
    std::size_t room = size + 1;
    Inflater::Step step = Inflater::Step::Going;
    while (step == Inflater::Step::Going) {
        const int got = unzReadCurrentFile(zip, input.get(), static_cast<unsigned>(ChunkBytes));
        if (got <= 0) {
            return false; // cut short, or the archive cannot be read
        }
        const unsigned char* next = input.get();
        auto left = static_cast<std::size_t>(got);
        while (left > 0 && step == Inflater::Step::Going) {
            step = inflater.inflate(next, left, output, room);
            if (step == Inflater::Step::Going && room == 0) {
                return false; // longer than stated
            }
        }
    }
    return step == Inflater::Step::Ended && static_cast<std::size_t>(output - bytes) == size &&
           inflater.crc() == info.crc;
}

} // namespace

ArchiveKind archiveKindOf(std::string_view pathText)
{
    const auto endsWith = [pathText](std::string_view suffix) {
        if (pathText.size() < suffix.size()) {
            return false;
        }
        const std::string_view tail = pathText.substr(pathText.size() - suffix.size());
        return std::equal(tail.begin(), tail.end(), suffix.begin(), suffix.end(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
        });
    };
    if (endsWith(".zip")) {
        return ArchiveKind::Zip;
    }
    if (endsWith(".gz")) {
        return ArchiveKind::Gzip;
    }
    return ArchiveKind::None;
}

std::vector<ZipMember> listZipMembers(const std::filesystem::path& archive)
{
    const ZipReader zip(archive);
    std::vector<ZipMember> members;
    int status = unzGoToFirstFile(zip.get());
    while (status == UNZ_OK) {
        ZipMember member;
        unz_file_info64 info{};
        if (!currentMember(zip.get(), member.name, info)) {
            throw damagedZip(archive);
        }
        member.size = info.uncompressed_size;
        if (!isFolder(member.name)) {
            members.push_back(std::move(member));
        }
        status = unzGoToNextFile(zip.get());
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        throw damagedZip(archive);
    }
    std::sort(members.begin(), members.end(), [](const ZipMember& a, const ZipMember& b) { return a.name < b.name; });
    return members;
}

FileBytes unpackZipMember(const std::filesystem::path& archive, const std::string& member)
{
    const ZipReader zip(archive);
    std::string name;
    unz_file_info64 info{};
    // Found by walking the directory, as listZipMembers() named it: a stored name in another code page does not
    // read back the same.
    int status = unzGoToFirstFile(zip.get());
    while (status == UNZ_OK) {
        if (!currentMember(zip.get(), name, info)) {
            throw damagedZip(archive);
        }
        if (name == member) {
            break;
        }
        status = unzGoToNextFile(zip.get());
    }
    if (status != UNZ_OK) {
        throw memberError(archive, member, "見つからない");
    }
    constexpr uLong Encrypted = 1U;
    if ((info.flag & Encrypted) != 0) {
        throw memberError(archive, member, "パスワードで守られている");
    }
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) {
        throw memberError(archive, member, "対応していない方式で圧縮されている");
    }
    // Deflate unpacks a byte to at most about 1032, and a stored file is its own size: a directory that states more
    // is damaged, and is not to ask for the memory it states.
    const std::uint64_t largest =
        info.compression_method == 0 ? info.compressed_size : (info.compressed_size + 1) * DeflateRatio;
    if (info.uncompressed_size > largest) {
        throw memberError(archive, member, "壊れている");
    }
    if (info.uncompressed_size > SIZE_MAX - 1) {
        throw memberError(archive, member, "展開するメモリが足りない");
    }
    const auto size = static_cast<std::size_t>(info.uncompressed_size);
    // One byte more than stated, so that a member longer than its directory says shows.
    std::unique_ptr<char[]> bytes = roomFor(size + 1);
    Inflater inflater(Inflater::Wrapping::Raw);
    if (bytes == nullptr || !inflater.valid()) {
        throw memberError(archive, member, "展開するメモリが足りない");
    }
    const bool whole =
        info.compression_method == Z_DEFLATED
            ? inflateMember(zip.get(), info, inflater, reinterpret_cast<unsigned char*>(bytes.get()), size)
            : copyStoredMember(zip.get(), bytes.get(), size);
    // Closing checks a stored member's checksum once it has been read whole.
    if (unzCloseCurrentFile(zip.get()) != UNZ_OK || !whole) {
        throw memberError(archive, member, "壊れている");
    }
    return FileBytes::adopt(std::move(bytes), size);
}

namespace {

/// A buffer of unpacked bytes that grows by half as they come.
class Unpacked
{
public:
    explicit Unpacked(std::size_t capacity) : m_bytes(roomFor(capacity)), m_capacity(capacity) {}
    [[nodiscard]] bool valid() const { return m_bytes != nullptr; }
    /// Room after the bytes so far; false when the system has no more memory.
    bool makeRoom()
    {
        if (m_done < m_capacity) {
            return true;
        }
        const std::size_t grown = m_capacity + std::max<std::size_t>(m_capacity / 2, std::size_t{1} << 20U);
        std::unique_ptr<char[]> larger = roomFor(grown);
        if (larger == nullptr) {
            return false;
        }
        std::memcpy(larger.get(), m_bytes.get(), m_done);
        m_bytes = std::move(larger);
        m_capacity = grown;
        return true;
    }
    [[nodiscard]] unsigned char* end() const { return reinterpret_cast<unsigned char*>(m_bytes.get() + m_done); }
    [[nodiscard]] std::size_t room() const { return m_capacity - m_done; }
    void grew(std::size_t count) { m_done += count; }
    FileBytes take() { return FileBytes::adopt(std::move(m_bytes), m_done); }

private:
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_capacity;
    std::size_t m_done = 0;
};

/// The size the trailer of the file's last gzip member states (modulo 4 GiB), at most what deflate can unpack
/// the file's bytes to (about 1032 to one), so that a damaged trailer cannot ask for more; nullopt when the file
/// is too short to be gzip.
std::optional<std::size_t> statedSize(std::FILE* file, std::uintmax_t packed)
{
    unsigned char trailer[4] = {};
    if (packed < 18 || !seekTo(file, packed - 4) || std::fread(trailer, 1, 4, file) != 4 || !seekTo(file, 0)) {
        return std::nullopt;
    }
    std::uint64_t stated = 0;
    for (int i = 3; i >= 0; --i) {
        stated = (stated << 8U) | trailer[i];
    }
    return static_cast<std::size_t>(std::min<std::uint64_t>(stated, packed * DeflateRatio));
}

/// A file's bytes read a piece at a time.
class PackedInput
{
public:
    explicit PackedInput(std::FILE* file)
        : m_file(file), m_buffer(std::make_unique_for_overwrite<unsigned char[]>(ChunkBytes))
    {
    }
    /// Reads the file's next bytes where no more than keep are left unused, those kept in front of them; false
    /// when nothing is left.
    bool fill(std::size_t keep)
    {
        if (left > keep) {
            return true;
        }
        if (left > 0) {
            std::memmove(m_buffer.get(), next, left);
        }
        next = m_buffer.get();
        left += std::fread(m_buffer.get() + left, 1, ChunkBytes - left, m_file);
        return left > 0;
    }

    const unsigned char* next = nullptr; ///< the first byte not used yet
    std::size_t left = 0;                ///< bytes from next on

private:
    std::FILE* m_file;
    std::unique_ptr<unsigned char[]> m_buffer;
};

/// True when every byte left in the file is zero; uses them up.
bool onlyZerosLeft(PackedInput& input)
{
    do {
        if (std::any_of(input.next, input.next + input.left, [](unsigned char byte) { return byte != 0; })) {
            return false;
        }
        input.next += input.left;
        input.left = 0;
    } while (input.fill(0));
    return true;
}

} // namespace

FileBytes unpackGzip(const std::filesystem::path& archive)
{
    const StdioFile file = openArchive(archive);
    std::error_code error;
    const std::uintmax_t packed = std::filesystem::file_size(archive, error);
    const std::optional<std::size_t> stated = error ? std::nullopt : statedSize(file.get(), packed);
    if (!stated) {
        throw damagedGzip(archive);
    }
    Unpacked bytes(*stated + 1);
    Inflater inflater(Inflater::Wrapping::Gzip);
    const std::string content = gzipContentName(archiveName(archive));
    if (!bytes.valid() || !inflater.valid()) {
        throw memberError(archive, content, "展開するメモリが足りない");
    }
    PackedInput input(file.get());
    bool ended = false; // at the end of a member, with no byte of another read yet
    // The next member's magic bytes may stand across two reads: the last byte of one is kept for the next.
    while (input.fill(ended ? 1 : 0)) {
        if (ended) {
            // Another member follows where its magic bytes stand. Zeros after the last one are padding (tape and
            // block tools write them); anything else may be a member damaged at its start, whose lines are not
            // to be dropped without a word.
            if (input.left < 2 || input.next[0] != 0x1f || input.next[1] != 0x8b) {
                if (!onlyZerosLeft(input)) {
                    throw damagedGzip(archive);
                }
                break;
            }
            inflater.restart();
        }
        if (!bytes.makeRoom()) {
            throw memberError(archive, content, "展開するメモリが足りない");
        }
        unsigned char* output = bytes.end();
        std::size_t room = bytes.room();
        const Inflater::Step step = inflater.inflate(input.next, input.left, output, room);
        bytes.grew(static_cast<std::size_t>(output - bytes.end()));
        if (step == Inflater::Step::Damaged) {
            throw damagedGzip(archive);
        }
        ended = step == Inflater::Step::Ended;
    }
    if (!ended || std::ferror(file.get()) != 0) {
        throw damagedGzip(archive); // cut short
    }
    return bytes.take();
}

std::string gzipContentName(std::string_view archiveName)
{
    return std::string(archiveName.substr(0, archiveName.size() - std::min<std::size_t>(archiveName.size(), 3)));
}

} // namespace velmora
