#include "engine/run/ArchiveSources.h"

#include "platform/ArchiveFile.h"
#include "platform/Text.h"

#include <filesystem>

namespace velmora {

namespace {

/// The name a source unpacked beside the archive would have.
std::string besideArchive(const std::string& archive, const std::string& name)
{
    return pathText(pathFromText(archive).parent_path() / pathFromText(name).filename());
}

} // namespace

ArchiveSources::ArchiveSources(const std::vector<std::string>& registered)
{
    for (const std::string& file : registered) {
        const ArchiveKind kind = archiveKindOf(file);
        if (kind == ArchiveKind::None) {
            m_files.push_back(file);
            m_members.emplace_back();
            continue;
        }
        m_anyArchive = true;
        if (kind == ArchiveKind::Gzip) {
            m_files.push_back(besideArchive(file, gzipContentName(fileNameText(file))));
            m_members.emplace_back(ArchiveMember{file, {}, nullptr});
            continue;
        }
        std::vector<ZipMember> members;
        std::exception_ptr failure;
        try {
            members = listZipMembers(pathFromText(file));
            if (members.empty()) {
                throw ArchiveError(fileNameText(file) + " には変換するファイルがないので書き出しません");
            }
        } catch (const std::exception&) {
            failure = std::current_exception();
        }
        if (failure) {
            // One source that says why when its turn comes, as a plain file that cannot be read does.
            m_files.push_back(file);
            m_members.emplace_back(ArchiveMember{file, {}, failure});
            continue;
        }
        for (ZipMember& member : members) {
            m_files.push_back(besideArchive(file, member.name));
            m_members.emplace_back(ArchiveMember{file, std::move(member.name), nullptr});
        }
    }
}

SourceLines previewLines(const std::string& registered)
{
    const std::filesystem::path path = pathFromText(registered);
    switch (archiveKindOf(registered)) {
    case ArchiveKind::Gzip:
        return SourceLines::fromFile(unpackGzip(path));
    case ArchiveKind::Zip: {
        const std::vector<ZipMember> members = listZipMembers(path);
        if (members.empty()) {
            throw ArchiveError(fileNameText(registered) + " には変換するファイルがないので書き出しません");
        }
        return SourceLines::fromFile(unpackZipMember(path, members.front().name));
    }
    case ArchiveKind::None:
        break;
    }
    return SourceLines::load(path);
}

} // namespace velmora
