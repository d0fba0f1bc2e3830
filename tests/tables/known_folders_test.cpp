#include "platform/known_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "tests/support/private_session.h"

namespace {

class TempConfig : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env_.ready()); }
    testsupport::PrivateEnvironment env_{"korvante-folders"};
    const std::string root_ = env_.root();
};

TEST(PathRules, AppDataFolderFromEnvironmentValues) {
    EXPECT_EQ(platform::appDataFolderFrom("/x/cfg", "/home/u"), "/x/cfg");
    EXPECT_EQ(platform::appDataFolderFrom("/x/cfg/", "/home/u"), "/x/cfg");
    EXPECT_EQ(platform::appDataFolderFrom("relative", "/home/u"), "/home/u/.config");
    EXPECT_EQ(platform::appDataFolderFrom("", "/home/u/"), "/home/u/.config");
    EXPECT_EQ(platform::appDataFolderFrom(nullptr, "/home/u"), "/home/u/.config");
    EXPECT_EQ(platform::appDataFolderFrom(nullptr, nullptr), "");
    EXPECT_EQ(platform::appDataFolderFrom(nullptr, "home"), "");
}

TEST(PathRules, JoinTitleParent) {
    EXPECT_EQ(platform::pathJoin("/a", "b"), "/a/b");
    EXPECT_EQ(platform::pathJoin("/a/", "/b"), "/a/b");
    EXPECT_EQ(platform::pathJoin("/a", ""), "/a");
    EXPECT_EQ(platform::pathJoin("", "b"), "b");
    EXPECT_EQ(platform::fileTitle("/a/b/My Macro 1.macro"), "My Macro 1");
    EXPECT_EQ(platform::fileTitle("a.b.c"), "a.b");
    EXPECT_EQ(platform::fileTitle("/x.d/name"), "name");
    EXPECT_EQ(platform::fileTitle(".macro"), "");
    EXPECT_EQ(platform::fileTitle(""), "");
    EXPECT_EQ(platform::parentFolder("/a/b/c.ini"), "/a/b");
    EXPECT_EQ(platform::parentFolder("/a/b/"), "/a");
    EXPECT_EQ(platform::parentFolder("/c.ini"), "/");
    EXPECT_EQ(platform::parentFolder("c.ini"), ".");
}

TEST_F(TempConfig, DataFoldersFollowXdgConfigHome) {
    const std::string cfg = root_ + "/config";
    EXPECT_EQ(platform::appDataFolder(), cfg);
    EXPECT_EQ(platform::dataFolder(), cfg + "/Brakmor KORVANTE/GamingMouse");
    EXPECT_EQ(platform::settingsPath(), cfg + "/Brakmor KORVANTE/GamingMouse/Mouse.ini");
    EXPECT_EQ(platform::macroFolder(), cfg + "/Brakmor KORVANTE/GamingMouse/Macro");
    EXPECT_EQ(platform::vendorFolder(), cfg + "/Brakmor KORVANTE");
}

TEST_F(TempConfig, EnsureFolderCreatesParentsPrivately) {
    const std::string macro = platform::macroFolder();
    EXPECT_FALSE(platform::folderExists(macro));
    ASSERT_TRUE(platform::ensureFolder(macro));
    EXPECT_TRUE(platform::folderExists(macro));
    EXPECT_TRUE(platform::fileExists(macro));
    struct stat st;
    ASSERT_EQ(stat(platform::dataFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(platform::ensureFolder(macro));  // exists already: still true

    // A file in the way is not a folder.
    const std::string file = root_ + "/plain";
    FILE* f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_TRUE(platform::fileExists(file));
    EXPECT_FALSE(platform::folderExists(file));
    EXPECT_FALSE(platform::ensureFolder(file + "/sub"));
    EXPECT_FALSE(platform::ensureFolder(""));
}

TEST(ProgramFolder, IsTheFolderOfThisExecutable) {
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    exe[n] = 0;
    const std::string folder = platform::programFolder();
    EXPECT_EQ(folder + "/" + platform::fileTitle(exe), std::string(exe));
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(platform::stringsPath(), folder + "/Strings.xml");
}

}  // namespace
