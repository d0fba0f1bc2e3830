// The profile functions over files: defaults of a missing file, creation by the first write,
// preservation of foreign content, the batch form, and writers that never lose each other's keys.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <set>
#include <random>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/profile_ini.h"
#include "shared/ini_file.h"
#include "shared/macro_file.h"
#include "tests/store/temp_dir.h"

TEST(ProfileIni, MissingFileReadsDefaults) {
    TempDir dir;
    std::string path = dir.file("none.ini");
    EXPECT_EQ(platform::readProfileInt(path, "s", "k", 42), 42);
    EXPECT_EQ(platform::readProfileString(path, "s", "k", "def"), "def");
    uint8_t block[4] = {1, 2, 3, 4};
    EXPECT_FALSE(platform::readProfileStruct(path, "s", "k", block, 4));
    EXPECT_EQ(block[0], 1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ProfileIni, FirstWriteCreatesTheFileButNotTheFolder) {
    TempDir dir;
    std::string path = dir.file("new.ini");
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "Profile", "0"));
    EXPECT_EQ(readText(path), "[Setting]\nProfile=0\n");
    EXPECT_FALSE(platform::writeProfileString(dir.file("missing/x.ini"), "s", "k", "v"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST(ProfileIni, WritesKeepForeignContentAndOrder) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    const std::string before =
        "; written by hand\n[Setting]\nDevice=1\nProfile=2\n\n[Other]\nkeep = \"me\"\n";
    writeText(path, before);
    ASSERT_TRUE(platform::writeProfileString(path, "SETTING", "profile", "3"));
    ASSERT_TRUE(platform::writeProfileString(path, "Other", "added", "x"));
    EXPECT_EQ(readText(path),
              "; written by hand\n[Setting]\nDevice=1\nProfile=3\n\n[Other]\nkeep = \"me\"\nadded=x\n");
    EXPECT_EQ(platform::readProfileString(path, "other", "KEEP"), "me");
}

TEST(ProfileIni, StringsAreUtf8) {
    TempDir dir;
    std::string path = dir.file("u.ini");
    ASSERT_TRUE(platform::writeProfileString(path, "Sektion", "Schlüssel", "Größe 😀"));
    EXPECT_EQ(platform::readProfileString(path, "sektion", "SCHLüSSEL"), "Größe 😀");
}

TEST(ProfileIni, StructRoundTripAndRejection) {
    TempDir dir;
    std::string path = dir.file("s.ini");
    const uint8_t data[16] = {1, 0, 0, 0, 10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0};
    ASSERT_TRUE(platform::writeProfileStruct(path, "Setting", "DPI_INFO1", data, sizeof data));
    EXPECT_EQ(platform::readProfileString(path, "Setting", "DPI_INFO1").size(), 34u);
    uint8_t out[16] = {};
    ASSERT_TRUE(platform::readProfileStruct(path, "Setting", "DPI_INFO1", out, sizeof out));
    EXPECT_EQ(0, memcmp(out, data, sizeof data));

    uint8_t keep[16];
    memset(keep, 0x5A, sizeof keep);
    uint8_t probe[16];
    memcpy(probe, keep, sizeof probe);
    EXPECT_FALSE(platform::readProfileStruct(path, "Setting", "DPI_INFO1", probe, 15));  // wrong size
    EXPECT_FALSE(platform::readProfileStruct(path, "Setting", "DPI_INFO1", probe, 17));
    std::string text = platform::readProfileString(path, "Setting", "DPI_INFO1");
    text[5] = text[5] == '0' ? '1' : '0';
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "DPI_INFO1", text));
    EXPECT_FALSE(platform::readProfileStruct(path, "Setting", "DPI_INFO1", probe, 16));  // checksum
    EXPECT_EQ(0, memcmp(probe, keep, sizeof keep));
}

TEST(ProfileIni, IniFileIntegersAndStrings) {
    TempDir dir;
    IniFile ini(dir.file("i.ini"));
    EXPECT_EQ(ini.readInt("s", "k", -1), -1);
    ASSERT_TRUE(ini.writeInt("s", "k", -123));
    EXPECT_EQ(readText(ini.path()), "[s]\nk=-123\n");
    EXPECT_EQ(ini.readInt("S", "K", 0), -123);
    ASSERT_TRUE(ini.writeString("s", "t", "12abc"));
    EXPECT_EQ(ini.readInt("s", "t", 9), 12);
    ASSERT_TRUE(ini.writeString("s", "t", "-"));
    EXPECT_EQ(ini.readInt("s", "t", 9), 0);
    ASSERT_TRUE(ini.writeString("s", "t", ""));
    EXPECT_EQ(ini.readInt("s", "t", 9), 9);
    EXPECT_EQ(ini.readString("s", "t", "def"), "");   // present but empty: not the default
    EXPECT_EQ(ini.readString("s", "none", "def"), "def");
    ASSERT_TRUE(ini.deleteKey("s", "t"));
    EXPECT_EQ(ini.readString("s", "t", "gone"), "gone");
}

TEST(ProfileIni, IniFileStringsAreCutTo4095Characters) {
    TempDir dir;
    IniFile ini(dir.file("long.ini"));
    ASSERT_TRUE(ini.writeString("s", "k", std::string(5000, 'a')));
    EXPECT_EQ(ini.readString("s", "k").size(), 4095u);
    // Two-unit characters are never split: 2047 of them fill 4094 units.
    std::string wide;
    for (int i = 0; i < 3000; ++i) wide += "😀";
    ASSERT_TRUE(ini.writeString("s", "w", wide));
    EXPECT_EQ(ini.readString("s", "w").size(), 2047u * 4);
}

TEST(ProfileIni, IniFileBlobs) {
    TempDir dir;
    IniFile ini(dir.file("b.ini"));
    const int32_t values[3] = {1, 4, 9};
    ASSERT_TRUE(ini.writeBlob("Setting", "LED_MODE_INFO2", values, sizeof values));
    EXPECT_EQ(ini.readString("Setting", "LED_MODE_INFO2"), "0100000004000000090000000E");
    int32_t out[3] = {};
    EXPECT_TRUE(ini.readBlob("Setting", "LED_MODE_INFO2", out, sizeof out));
    EXPECT_EQ(out[2], 9);
}

TEST(ProfileIni, BatchIsOneReadAndOneReplaceMergedIntoTheCurrentFile) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    writeText(path, "[Setting]\nProfile=1\n");
    platform::ProfileBatch batch(path);
    ASSERT_TRUE(batch.load());
    EXPECT_EQ(batch.readInt("Setting", "Profile", -1), 1);
    // Another writer adds keys after the batch has read the file.
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "Device", "1"));
    ASSERT_TRUE(platform::writeProfileString(path, "MACRO_LIST", "0", "m"));
    for (int i = 0; i < 50; ++i) batch.writeInt("Setting", "K" + std::to_string(i), i);
    batch.writeInt("Setting", "Profile", 4);
    EXPECT_EQ(batch.readInt("Setting", "K7", -1), 7);  // the batch sees its own writes
    uint64_t before = platform::fileReplaceCount();
    ASSERT_TRUE(batch.commit());
    EXPECT_EQ(platform::fileReplaceCount() - before, 1u);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "Device", 0), 1);
    EXPECT_EQ(platform::readProfileString(path, "MACRO_LIST", "0"), "m");
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "Profile", 0), 4);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "K49", 0), 49);
    EXPECT_EQ(batch.pendingWrites(), 0u);
}

TEST(ProfileIni, FreshCommitDropsTheOldContent) {
    TempDir dir;
    std::string path = dir.file("m.macro");
    writeText(path, "[Setting]\nOld=1\n[Other]\nx=1\n");
    platform::ProfileBatch batch(path);
    batch.writeInt("Setting", "Count", 0);
    ASSERT_TRUE(batch.commit(true));
    EXPECT_EQ(readText(path), "[Setting]\nCount=0\n");
}

TEST(ProfileIni, UnreadableExistingFileIsNeverReplaced) {
    TempDir dir;
    std::string path = dir.file("dir.ini");
    std::filesystem::create_directory(path);  // exists, but cannot be read as a file
    EXPECT_FALSE(platform::writeProfileString(path, "s", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(ProfileIni, UpdateThatChangesNothingWritesNothing) {
    TempDir dir;
    std::string path = dir.file("n.ini");
    writeText(path, "[s]\nk=1\n");
    uint64_t before = platform::fileReplaceCount();
    EXPECT_TRUE(platform::updateProfile(path, [](platform::IniDocument&) { return false; }));
    EXPECT_TRUE(platform::deleteProfileKey(path, "s", "missing"));
    EXPECT_EQ(platform::fileReplaceCount(), before);
}

// Two processes write many keys each into the same file at the same time: every key survives.
TEST(ProfileIni, ConcurrentWritersFromTwoProcessesNeverLoseAKey) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    constexpr int kWrites = 150;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                ok = platform::writeProfileInt(path, c == 0 ? "A" : "B", "k" + std::to_string(i), i) && ok;
                if (i % 10 == 0) ok = platform::writeProfileInt(path, "Setting", "Shared", i) && ok;
            }
            _exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    platform::IniDocument doc = platform::readProfileDocument(path);
    for (const char* section : {"A", "B"}) {
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_EQ(doc.get(section, "k" + std::to_string(i)), std::to_string(i)) << section << i;
        }
    }
    EXPECT_EQ(doc.sectionNames().size(), 3u);
}

// A writer killed at any moment leaves the previous or the next whole file, never a torn or
// half-merged one: every key of a batch carries the same generation number.
TEST(ProfileIni, KilledWriterNeverLeavesATornFile) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    constexpr int kKeys = 60;
    auto writeGeneration = [&](int generation) {
        platform::ProfileBatch batch(path);
        for (int k = 0; k < kKeys; ++k) {
            batch.writeString("Setting", "K" + std::to_string(k),
                              std::to_string(generation) + std::string(200, 'x'));
        }
        return batch.commit();
    };
    ASSERT_TRUE(writeGeneration(-1));
    std::mt19937 rng(99);
    std::set<std::string> seen;
    for (int round = 0; round < 10; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int generation = round * 100000;; ++generation) writeGeneration(generation);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + rng() % 50));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        platform::IniDocument doc = platform::readProfileDocument(path);
        std::optional<std::string> first = doc.get("Setting", "K0");
        if (first) seen.insert(*first);
        ASSERT_TRUE(first.has_value());
        for (int k = 1; k < kKeys; ++k) EXPECT_EQ(doc.get("Setting", "K" + std::to_string(k)), first);
    }
    EXPECT_GT(seen.size(), 1u);  // the writers did get files written before they were killed
}

// What stands in a settings or macro file's place may be no file at all, or an absurd one: it is
// refused like an unreadable file, at once, and never replaced. Each case runs in a child with a
// time and memory bound, so a blocking open or an endless read fails instead of hanging.
TEST(ProfileIni, OnlyRegularFilesOfSaneSizeAreReadOrReplaced) {
    TempDir dir;
    const std::string fifo = dir.file("Mouse.ini"), zero = dir.file("zero.macro"), huge = dir.file("huge.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    writeText(huge, "[s]\nk=1\n");
    ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(platform::kMaxReadSize) + 1), 0);  // sparse
    for (const std::string& path : {fifo, zero, huge}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(5);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's shadow memory needs far more address space
            rlimit memory{1ul << 30, 1ul << 30};
            ::setrlimit(RLIMIT_AS, &memory);
#endif
            bool exists = true;
            platform::readProfileDocument(path, &exists);
            macro::MacroFileData data;
            bool ok = !exists && !macro::readMacroFile(path, data, 1) &&
                      !platform::writeProfileInt(path, "s", "k", 2);
            if (path != huge) {  // a fresh write drops a regular file's content by design
                platform::ProfileBatch fresh(path);
                fresh.writeInt("s", "k", 3);
                ok = !fresh.commit(true) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path << " status " << status;
    }
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::lstat(zero.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(huge.c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint64_t>(st.st_size), platform::kMaxReadSize + 1);
}

// A file the user made read-only keeps its content and mode. The mode bits decide, not access():
// the tests may run as root, for whom access() allows everything.
TEST(ProfileIni, ReadOnlyFileIsNotWritten) {
    TempDir dir;
    const std::string path = dir.file("Mouse.ini");
    writeText(path, "[s]\nk=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_FALSE(platform::writeProfileInt(path, "s", "k", 2));
    platform::ProfileBatch fresh(path);
    fresh.writeInt("s", "k", 3);
    EXPECT_FALSE(fresh.commit(true));
    EXPECT_EQ(readText(path), "[s]\nk=1\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(platform::readProfileInt(path, "s", "k", 0), 1);  // still read as usual
}

// Temporary files a killed save left beside a settings or macro file go at the next write of
// that file; anything else beside it stays.
TEST(ProfileIni, TemporariesOfAKilledSaveGoAtTheNextWrite) {
    TempDir dir;
    const std::string settings = dir.file("Mouse.ini"), macroFile = dir.file("m.macro");
    writeText(settings, "[s]\nk=1\n");
    const std::vector<std::string> stale = {".Mouse.ini.save-Ab12Cd", ".Mouse.ini.save-zzzzzz", ".m.macro.save-000000"};
    const std::vector<std::string> kept = {".Mouse.ini.save-Ab12C", ".Mouse.ini.save-Ab12C-",
                                           "Mouse.ini.save-Ab12Cd", ".Other.ini.save-Ab12Cd", ".Mouse.ini.save-Ab12Cde",
                                           ".Mouse.ini.backup"};
    for (const auto& name : stale) writeText(dir.file(name), "half a save");
    for (const auto& name : kept) writeText(dir.file(name), "other");
    std::filesystem::create_directory(dir.file(".m.macro.save-folder"));

    ASSERT_TRUE(platform::writeProfileInt(settings, "s", "k", 2));
    platform::ProfileBatch macroBatch(macroFile);
    macroBatch.writeInt("Setting", "Count", 0);
    ASSERT_TRUE(macroBatch.commit(true));
    for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    for (const auto& name : kept) EXPECT_EQ(readText(dir.file(name)), "other") << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file(".m.macro.save-folder")));
}

// The lock's sidecar goes with the lock, for the settings and for a file in a folder the user
// chose, and the locks still exclude each other: four writers that each add 1 fifty times under
// the lock, their sidecars coming and going all the while, lose no addition.
TEST(ProfileIni, LocksLeaveNoFileBehindAndStillExclude) {
    TempDir dir;
    const std::string settings = dir.file("Mouse.ini");
    writeText(dir.file(".Mouse.ini.lock"), "left by a killed holder");
    ASSERT_TRUE(platform::writeProfileInt(settings, "s", "k", 0));
    platform::ProfileBatch exported(dir.file("game.prof"));
    exported.writeInt("Setting", "Profile", 1);
    ASSERT_TRUE(exported.commit(true));
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"Mouse.ini", "game.prof"}));

    std::vector<std::thread> writers;
    for (int w = 0; w < 4; ++w)
        writers.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                platform::updateProfile(settings, [](platform::IniDocument& doc) {
                    doc.set("s", "k", std::to_string(platform::parseProfileInt(doc.get("s", "k"), 0) + 1));
                    return true;
                });
        });
    for (std::thread& t : writers) t.join();
    EXPECT_EQ(platform::readProfileInt(settings, "s", "k", -1), 200);
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"Mouse.ini", "game.prof"}));
}
