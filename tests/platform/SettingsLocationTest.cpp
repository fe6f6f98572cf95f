#include "platform/SettingsLocation.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h> // geteuid
#endif

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocationTest, UserConfigFolderFollowsTheEnvironment)
{
    struct Case
    {
        const char* configHome;
        const char* home;
        fs::path expected;
    };
#ifdef _WIN32
    const Case cases[] = {
        {"C:\\Users\\trader\\AppData\\Roaming", nullptr, "C:\\Users\\trader\\AppData\\Roaming"},
        {"", nullptr, {}},
        {nullptr, nullptr, {}},
    };
#else
    const Case cases[] = {
        {"/cfg", "/home/trader", "/cfg"},
        {nullptr, "/home/trader", "/home/trader/.config"},
        {"", "/home/trader", "/home/trader/.config"},
        {"relative/cfg", "/home/trader", "/home/trader/.config"}, // a relative value is ignored
        {nullptr, nullptr, {}},
        {nullptr, "relative", {}},
        {"/設定", nullptr, fs::path(u8"/設定")}, // UTF-8 bytes
    };
#endif
    for (const auto& c : cases) {
        EXPECT_EQ(userConfigFolder(c.configHome, c.home), c.expected)
            << (c.configHome ? c.configHome : "(unset)") << " / " << (c.home ? c.home : "(unset)");
    }
}

/// A program folder whose write permission a test takes away, given back before the folder is removed.
class ProgramFolder
{
public:
    explicit ProgramFolder(const fs::path& path) : m_path(path) { fs::create_directories(m_path); }
    ~ProgramFolder() { fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add); }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;
    void makeReadOnly() const { fs::permissions(m_path, fs::perms::owner_write, fs::perm_options::remove); }

private:
    fs::path m_path;
};

bool permissionsBindUs()
{
#ifdef _WIN32
    return false; // POSIX mode bits do not take write access away on Windows
#else
    return ::geteuid() != 0; // root writes into any folder
#endif
}

struct LocationCase
{
    const char* what;
    bool fileBeside;
    bool folderWritable;
    bool userFolderKnown;
    bool expectInUserFolder;
};

void checkLocation(const LocationCase& c)
{
    SCOPED_TRACE(c.what);
    const test::TempDir dir;
    const ProgramFolder program(dir.file("bin"));
    const auto beside = dir.file("bin") / "velmora.ini";
    if (c.fileBeside) {
        dir.write("bin/velmora.ini", "[Form]\r\n");
    }
    if (!c.folderWritable) {
        program.makeReadOnly();
    }
    const fs::path userFolder = c.userFolderKnown ? dir.file("config") : fs::path();

    const auto location = locateSettings(beside, userFolder);
    EXPECT_EQ(location.inUserFolder, c.expectInUserFolder);
    EXPECT_EQ(location.file, c.expectInUserFolder ? dir.file("config") / "velmora" / "velmora.ini" : beside);
    EXPECT_FALSE(fs::exists(dir.file("config"))) << "locating creates nothing";

    ASSERT_TRUE(prepareSettingsFolder(location));
    EXPECT_EQ(fs::is_directory(dir.file("config") / "velmora"), c.expectInUserFolder);
}

TEST(SettingsLocationTest, APortableProgramKeepsItsSettingsBesideIt)
{
    const LocationCase cases[] = {
        {"portable copy with its settings", true, true, true, false},
        {"fresh portable copy", false, true, true, false},
        {"fresh copy, no user folder known", false, true, false, false},
    };
    for (const auto& c : cases) {
        checkLocation(c);
    }
}

TEST(SettingsLocationTest, AnInstalledProgramKeepsThemInTheUserFolderUnlessAFileLiesBesideIt)
{
    if (!permissionsBindUs()) {
        GTEST_SKIP() << "folder permissions do not bind this process (running as root, or on Windows)";
    }
    const LocationCase cases[] = {
        {"installed, nothing beside it", false, false, true, true},
        {"installed, settings copied beside it", true, false, true, false},
        {"installed, no user folder known", false, false, false, false},
    };
    for (const auto& c : cases) {
        checkLocation(c);
    }
}

TEST(SettingsLocationTest, AUserFolderThatCannotBeMadeIsReported)
{
    const test::TempDir dir;
    dir.write("config", "a file where the folder should be");
    EXPECT_FALSE(prepareSettingsFolder({dir.file("config") / "velmora" / "velmora.ini", true}));
}

} // namespace
} // namespace velmora
