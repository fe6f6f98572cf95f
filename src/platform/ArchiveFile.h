#pragma once

#include "platform/FileBytes.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// An archive, or one file in it, that cannot be unpacked: damaged, cut short, locked by a password, or packed in
/// a way the reader does not know. Its message is the log line the user sees, naming the archive (and the file in
/// it); the run goes on with its other sources.
class ArchiveError : public std::runtime_error
{
public:
    explicit ArchiveError(const std::string& message) : std::runtime_error(message) {}
};

enum class ArchiveKind {
    None, ///< a plain file
    Zip,
    Gzip,
};

/// What the name's extension says the file is: ".zip" or ".gz", in any case.
ArchiveKind archiveKindOf(std::string_view pathText);

/// One file packed in a zip archive.
struct ZipMember
{
    std::string name;      ///< as stored, with its folders ("data/EURUSD.csv"), UTF-8
    std::uint64_t size{0}; ///< unpacked size as the archive states it
};

/// The files of a zip archive in name order, folders left out. Throws ArchiveError when the archive's directory
/// cannot be read (not a zip, or damaged), and the run's "ファイル <path> は開けません" when the file cannot be opened.
std::vector<ZipMember> listZipMembers(const std::filesystem::path& archive);

/// The unpacked bytes of one file of a zip archive, in one buffer of its size, its checksum verified. Throws
/// ArchiveError or, when the file cannot be opened, the run's error, as listZipMembers().
FileBytes unpackZipMember(const std::filesystem::path& archive, const std::string& member);

/// The unpacked bytes of a gzip file (all of its members, one after another), checksums verified. The buffer
/// starts at the size the file's trailer states, so that it is allocated once for a file written by one gzip call.
FileBytes unpackGzip(const std::filesystem::path& archive);

/// The name a gzip file's contents go by: its own name without ".gz" ("prices.csv" for "prices.csv.gz").
std::string gzipContentName(std::string_view archiveName);

} // namespace velmora
