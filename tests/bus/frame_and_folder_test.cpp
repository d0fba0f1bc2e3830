// Pure parts of the bus: the frame codec and the runtime folder / file name rules.
#include "platform/bus_frame.h"
#include "platform/runtime_folder.h"
#include "platform/single_instance.h"

#include "bus_test_support.h"

#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <random>
#include <set>

using platform::decodeFrame;
using platform::encodeFrame;
using platform::Frame;
using platform::FrameKind;
using platform::kFrameSize;

TEST(BusFrame, RoundTripKeepsEveryFieldIncludingExtremes) {
    for (FrameKind kind : {FrameKind::Post, FrameKind::Send, FrameKind::Reply}) {
        for (int64_t value : {int64_t{0}, int64_t{-1}, INT64_MIN, INT64_MAX, int64_t{0xFFFE}}) {
            Frame in{kind, 0xDEADBEEFu, 0xFFFFFFFFu, value, -value - 1};
            auto bytes = encodeFrame(in);
            Frame out;
            ASSERT_TRUE(decodeFrame(bytes.data(), bytes.size(), out));
            EXPECT_EQ(out.kind, in.kind);
            EXPECT_EQ(out.sequence, in.sequence);
            EXPECT_EQ(out.message, in.message);
            EXPECT_EQ(out.wParam, in.wParam);
            EXPECT_EQ(out.lParam, in.lParam);
        }
    }
}

TEST(BusFrame, LayoutIsLittleEndianAtFixedOffsets) {
    auto b = encodeFrame(Frame{FrameKind::Send, 0x01020304u, 1299, 2, 4});
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "KVMB");
    EXPECT_EQ(b[5], 2);
    EXPECT_EQ(b[6], kFrameSize);
    EXPECT_EQ(b[8], 0x04);
    EXPECT_EQ(b[12] | (b[13] << 8), 1299);
    EXPECT_EQ(b[16], 2);
    EXPECT_EQ(b[24], 4);
}

TEST(BusFrame, RejectsWrongSizeMagicVersionKindAndLength) {
    auto good = encodeFrame(Frame{FrameKind::Post, 1, 1285, 9, 3});
    Frame out;
    EXPECT_FALSE(decodeFrame(good.data(), kFrameSize - 1, out));
    std::vector<uint8_t> longer(good.begin(), good.end());
    longer.push_back(0);
    EXPECT_FALSE(decodeFrame(longer.data(), longer.size(), out));
    EXPECT_FALSE(decodeFrame(nullptr, 0, out));
    EXPECT_FALSE(decodeFrame(good.data(), 0, out));

    struct Mutation {
        size_t offset;
        uint8_t value;
    };
    for (Mutation m : {Mutation{0, 'k'}, Mutation{4, 2}, Mutation{5, 0}, Mutation{5, 4}, Mutation{6, 33},
                       Mutation{7, 1}}) {
        auto bad = good;
        bad[m.offset] = m.value;
        EXPECT_FALSE(decodeFrame(bad.data(), bad.size(), out)) << "offset " << m.offset;
    }
}

TEST(BusFrame, RandomBytesNeverDecodeWithoutTheHeader) {
    std::mt19937 rng(7);
    std::vector<uint8_t> data(kFrameSize);
    Frame out;
    for (int i = 0; i < 20000; ++i) {
        for (auto& byte : data) byte = static_cast<uint8_t>(rng());
        size_t size = rng() % (kFrameSize + 1);
        EXPECT_FALSE(decodeFrame(data.data(), size, out));
    }
}

TEST(TitleFileName, EscapesEverythingThatCouldLeaveOrConfuseTheFolder) {
    EXPECT_EQ(platform::fileNameForTitle("KORVANTEHidAgent"), "KORVANTEHidAgent");
    for (const char* title : {"../../etc/passwd", "a/b", ".", "..", "", "with space", "x%2Fy"}) {
        std::string name = platform::fileNameForTitle(title);
        EXPECT_EQ(name.find('/'), std::string::npos) << title;
        EXPECT_NE(name, ".");
        EXPECT_NE(name, "..");
        EXPECT_FALSE(name.empty());
    }
    // Distinct titles stay distinct, including those that look like escapes.
    std::set<std::string> names;
    for (const char* title : {"a/b", "a%2Fb", "a%b", "", "%", "A/B"}) names.insert(platform::fileNameForTitle(title));
    EXPECT_EQ(names.size(), 6u);
}

TEST(TitleFileName, LongTitlesGetBoundedDistinctNames) {
    std::string a(500, 'x'), b(500, 'x');
    b[499] = 'y';
    std::string na = platform::fileNameForTitle(a), nb = platform::fileNameForTitle(b);
    EXPECT_LE(na.size(), 80u);
    EXPECT_NE(na, nb);
    EXPECT_EQ(na, platform::fileNameForTitle(a));
}

class RuntimeFolder : public bustest::PrivateSession {};

TEST_F(RuntimeFolder, CreatedPrivateAndTightenedWhenLoose) {
    std::string folder = platform::runtimeFolder();
    EXPECT_EQ(folder, busFolder());
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(platform::runtimeFolder(), folder);
    ::stat(folder.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST_F(RuntimeFolder, RefusesSymlinkAndPlainFile) {
    std::filesystem::create_directory(root_ + "/elsewhere");
    std::filesystem::create_directory_symlink(root_ + "/elsewhere", busFolder());
    EXPECT_EQ(platform::runtimeFolder(), "");
    std::filesystem::remove(busFolder());
    FILE* f = std::fopen(busFolder().c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(platform::runtimeFolder(), "");
}

// Without XDG_RUNTIME_DIR the folder is one only this user can have made: another user who made
// "korvante-<uid>" first in the shared temporary folder stops nothing. Every call finds the same
// folder; one that was removed, or taken over, is replaced by a new private one.
TEST_F(RuntimeFolder, WithoutXdgRuntimeDirAPrivateFolderNobodyCanTakeFirst) {
    const std::string tmp = root_ + "/tmp", uid = std::to_string(::getuid());
    ASSERT_EQ(::mkdir(tmp.c_str(), 01777), 0);
    env_.set("TMPDIR", tmp);
    env_.unset("XDG_RUNTIME_DIR");
    const std::string squatted = tmp + "/korvante-" + uid;
    ASSERT_EQ(::mkdir(squatted.c_str(), 0777), 0);
    const bool asRoot = ::getuid() == 0;
    if (asRoot) {
        ASSERT_EQ(::chown(squatted.c_str(), 65534, 65534), 0);
    }

    auto isPrivate = [&](const std::string& folder) {
        struct stat st {};
        return folder.rfind(tmp + "/korvante-" + uid + "-", 0) == 0 && ::lstat(folder.c_str(), &st) == 0 &&
               S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 07777) == 0700;
    };
    const std::string folder = platform::runtimeFolder();
    EXPECT_TRUE(isPrivate(folder)) << folder;
    EXPECT_EQ(platform::runtimeFolder(), folder);
    platform::SingleInstance instance("KORVANTE_Mutex");
    EXPECT_TRUE(instance.acquire());

    std::filesystem::remove_all(folder);
    EXPECT_TRUE(isPrivate(platform::runtimeFolder()));
    if (asRoot) {
        ASSERT_EQ(::chown(platform::runtimeFolder().c_str(), 65534, 65534), 0);
        const std::string replaced = platform::runtimeFolder();
        EXPECT_TRUE(isPrivate(replaced)) << replaced;
        EXPECT_NE(replaced, folder);
    }
}

TEST_F(RuntimeFolder, RefusesFolderOfAnotherUser) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to make a folder owned by someone else";
    std::filesystem::create_directory(busFolder());
    ASSERT_EQ(::chown(busFolder().c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::runtimeFolder(), "");
    platform::EventLoop loop;
    platform::Window window(loop, [](uint32_t, int64_t, int64_t) { return int64_t{0}; });
    EXPECT_FALSE(window.create("KORVANTE"));
}
