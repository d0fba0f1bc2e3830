#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/known_folders.h"
#include "platform/registry_store.h"
#include "shared/registry_key.h"
#include "tests/support/private_session.h"

namespace {

constexpr const char* kMouse = "HKEY_CURRENT_USER\\Control Panel\\Mouse";

// Every test gets its own configuration and runtime folders.
class Registry : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(env_.ready()); }

    std::string storePath() const { return root_ + "/config/Brakmor KORVANTE/registry.ini"; }
    std::string storeText() const { return platform::readWholeFile(storePath()).value_or(""); }
    void writeStore(const std::string& text) {
        ASSERT_TRUE(platform::ensureFolder(platform::parentFolder(storePath())));
        std::ofstream(storePath(), std::ios::binary) << text;
    }

    testsupport::PrivateEnvironment env_{"korvante-registry"};
    const std::string root_ = env_.root();
};

TEST_F(Registry, StorePathIsBelowTheConfigFolder) {
    EXPECT_EQ(platform::RegistryStore::defaultPath(), storePath());
}

TEST_F(Registry, NewStoreHasPointerDefaults) {
    RegistryKey key(kMouse);
    ASSERT_TRUE(key.isOpen());
    std::string v;
    ASSERT_TRUE(key.readString("MouseSpeed", v));
    EXPECT_EQ(v, "1");
    ASSERT_TRUE(key.readString("MouseThreshold1", v));
    EXPECT_EQ(v, "6");
    ASSERT_TRUE(key.readString("MouseThreshold2", v));
    EXPECT_EQ(v, "10");
    EXPECT_FALSE(key.readString("DoubleClickSpeed", v));
    // Opening an existing key writes nothing.
    EXPECT_FALSE(platform::fileExists(storePath()));

    // The first write materialises the defaults along with the new value.
    ASSERT_TRUE(key.writeString("MouseSpeed", "0"));
    const std::string text = storeText();
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Control Panel\\Mouse]"), std::string::npos);
    EXPECT_NE(text.find("MouseSpeed=sz:0"), std::string::npos);
    EXPECT_NE(text.find("MouseThreshold1=sz:6"), std::string::npos);
    EXPECT_NE(text.find("MouseThreshold2=sz:10"), std::string::npos);
}

TEST_F(Registry, WriteTenRoundTripsWithSixBytes) {
    RegistryKey key(kMouse);
    size_t bytes = 0;
    ASSERT_TRUE(key.writeString("MouseThreshold2", "10", &bytes));
    EXPECT_EQ(bytes, 6u);
    char buffer[260];
    std::memset(buffer, 0, sizeof buffer);
    ASSERT_TRUE(key.readString("MouseThreshold2", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "10");
    // A second object sees the same value: it lives in the store, not in the object.
    RegistryKey other(kMouse);
    std::string v;
    ASSERT_TRUE(other.readString("mousethreshold2", v));  // value names ignore case
    EXPECT_EQ(v, "10");
}

TEST_F(Registry, StoredSizesAreUtf16) {
    EXPECT_EQ(RegistryKey::storedStringBytes(""), 2u);
    EXPECT_EQ(RegistryKey::storedStringBytes("10"), 6u);
    EXPECT_EQ(RegistryKey::storedStringBytes("\xC3\xBC"), 4u);          // ü: one unit
    EXPECT_EQ(RegistryKey::storedStringBytes("\xF0\x9F\x98\x80"), 6u);  // outside the BMP: two
}

TEST_F(Registry, LowerCaseRootOpensTheSameKey) {
    RegistryKey upper(kMouse);
    ASSERT_TRUE(upper.writeString("MouseSpeed", "2"));
    RegistryKey lower("hkey_current_user\\control panel\\mouse");
    ASSERT_TRUE(lower.isOpen());
    EXPECT_EQ(lower.root(), RegistryRoot::CurrentUser);
    std::string v;
    ASSERT_TRUE(lower.readString("MouseSpeed", v));
    EXPECT_EQ(v, "2");
    ASSERT_TRUE(lower.writeString("MouseSpeed", "1"));
    ASSERT_TRUE(upper.readString("MouseSpeed", v));
    EXPECT_EQ(v, "1");
    // Still one section in the store.
    const std::string text = storeText();
    EXPECT_EQ(text.find("[", text.find("]")), std::string::npos) << text;
}

TEST_F(Registry, SplittingKeyTexts) {
    RegistryRoot root;
    std::string path;
    ASSERT_TRUE(RegistryKey::splitKeyText("HKEY_CLASSES_ROOT\\.macro", &root, &path));
    EXPECT_EQ(root, RegistryRoot::ClassesRoot);
    EXPECT_EQ(path, ".macro");
    ASSERT_TRUE(RegistryKey::splitKeyText("Hkey_Current_Config\\System", &root, &path));
    EXPECT_EQ(root, RegistryRoot::CurrentConfig);
    EXPECT_EQ(path, "System");
    ASSERT_TRUE(RegistryKey::splitKeyText("SOFTWARE\\Brakmor\\Mouse", &root, &path));
    EXPECT_EQ(root, RegistryRoot::LocalMachine);
    EXPECT_EQ(path, "SOFTWARE\\Brakmor\\Mouse");
    EXPECT_FALSE(RegistryKey::splitKeyText("HKEY_CURRENT_USER", &root, &path));
}

TEST_F(Registry, UnknownRootOpensBelowLocalMachineWithTheWholePath) {
    RegistryKey key("Software\\Brakmor");
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.root(), RegistryRoot::LocalMachine);
    EXPECT_EQ(key.path(), "Software\\Brakmor");
    ASSERT_TRUE(key.writeString("Version", "1.0"));
    RegistryKey same("HKEY_LOCAL_MACHINE\\software\\brakmor");
    std::string v;
    ASSERT_TRUE(same.readString("Version", v));
    EXPECT_EQ(v, "1.0");
    // Creating the key made its parent exist as well.
    EXPECT_TRUE(platform::RegistryStore().keyExists("HKEY_LOCAL_MACHINE\\Software"));
}

TEST_F(Registry, TextWithoutBackslashIsRejectedAndClosesTheHeldKey) {
    RegistryKey key(kMouse);
    ASSERT_TRUE(key.isOpen());
    EXPECT_FALSE(key.open("HKEY_CURRENT_USER", RegistryKey::kKeyAllAccess));
    EXPECT_FALSE(key.isOpen());
    std::string v = "kept";
    EXPECT_FALSE(key.readString("MouseSpeed", v));
    EXPECT_EQ(v, "kept");
    EXPECT_FALSE(key.writeString("MouseSpeed", "5"));
    RegistryKey none("Mouse");
    EXPECT_FALSE(none.isOpen());
    RegistryKey empty("");
    EXPECT_FALSE(empty.isOpen());
}

TEST_F(Registry, OverlongOrMalformedPathsStayClosed) {
    RegistryKey longKey("HKEY_CURRENT_USER\\" + std::string(260, 'x'));
    EXPECT_FALSE(longKey.isOpen());
    RegistryKey longest("HKEY_CURRENT_USER\\" + std::string(259, 'x'));
    EXPECT_TRUE(longest.isOpen());
    RegistryKey emptyPart("HKEY_CURRENT_USER\\a\\\\b");
    EXPECT_FALSE(emptyPart.isOpen());
    RegistryKey newline("HKEY_CURRENT_USER\\a\nb");
    EXPECT_FALSE(newline.isOpen());
}

TEST_F(Registry, ReadIntoSmallBufferFailsWithoutOverflow) {
    RegistryKey key(kMouse);
    ASSERT_TRUE(key.writeString("Text", "abcd"));  // 10 bytes stored
    char buffer[10];
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_FALSE(key.readString("Text", buffer, 9));
    EXPECT_EQ(buffer[0], 'z');
    ASSERT_TRUE(key.readString("Text", buffer, 10));
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_FALSE(key.readString("Text", nullptr, 10));
}

TEST_F(Registry, ReadOnlyAccessRefusesWrites) {
    RegistryKey key;
    ASSERT_TRUE(key.open(kMouse, RegistryKey::kKeyRead));
    std::string v;
    EXPECT_TRUE(key.readString("MouseSpeed", v));
    EXPECT_FALSE(key.writeString("MouseSpeed", "2"));
    ASSERT_TRUE(key.readString("MouseSpeed", v));
    EXPECT_EQ(v, "1");
}

TEST_F(Registry, AwkwardNamesAndDataSurviveTheFile) {
    RegistryKey key("HKEY_CURRENT_USER\\Software\\Odd [Key]");
    ASSERT_TRUE(key.isOpen());
    const std::string name = "[a=b\\c;\r\n";
    const std::string data = "line1\nline2\\end\r=x:y";
    ASSERT_TRUE(key.writeString(name, data));
    ASSERT_TRUE(key.writeString("", "default value"));
    ASSERT_TRUE(key.writeString("Utf8", "Gr\xC3\xBC\xC3\x9F" "e"));
    std::string v;
    ASSERT_TRUE(key.readString(name, v));
    EXPECT_EQ(v, data);
    ASSERT_TRUE(key.readString("", v));
    EXPECT_EQ(v, "default value");
    ASSERT_TRUE(key.readString("Utf8", v));
    EXPECT_EQ(v, "Gr\xC3\xBC\xC3\x9F" "e");
    // Text after an embedded NUL is not part of the string.
    ASSERT_TRUE(key.writeString("Nul", std::string("ab\0cd", 5)));
    ASSERT_TRUE(key.readString("Nul", v));
    EXPECT_EQ(v, "ab");
}

TEST_F(Registry, DamagedStoreReadsWhatParses) {
    writeStore(
        "garbage before any key\n"
        "[HKEY_CURRENT_USER\\Control Panel\\Mouse]\r\n"
        "MouseSpeed=sz:2\r\n"
        "no equals sign here\n"
        "MouseThreshold1=\n"
        "MouseThreshold2=dword:12\n"
        "[broken header\n"
        "Lost=sz:1\n"
        "[HKEY_CURRENT_USER\\Software\\Brakmor]\n"
        "Name=sz:value with \\\n"  // dangling escape at the end
        "\x01\xff\xfe=sz:\xff\n");
    RegistryKey key(kMouse);
    ASSERT_TRUE(key.isOpen());
    std::string v;
    ASSERT_TRUE(key.readString("MouseSpeed", v));
    EXPECT_EQ(v, "2");
    EXPECT_FALSE(key.readString("MouseThreshold1", v));  // no type: unreadable
    EXPECT_FALSE(key.readString("MouseThreshold2", v));  // a type this store does not know
    RegistryKey other("HKEY_CURRENT_USER\\Software\\Brakmor");
    ASSERT_TRUE(other.readString("Name", v));
    EXPECT_EQ(v, "value with \\");

    // A write keeps every readable value and the value of unknown type.
    ASSERT_TRUE(key.writeString("MouseSpeed", "0"));
    const std::string text = storeText();
    EXPECT_NE(text.find("MouseThreshold2=dword:12"), std::string::npos) << text;
    EXPECT_NE(text.find("Name=sz:value with \\\\"), std::string::npos) << text;
    ASSERT_TRUE(other.readString("Name", v));
    EXPECT_EQ(v, "value with \\");
    ASSERT_TRUE(key.readString("MouseSpeed", v));
    EXPECT_EQ(v, "0");
}

TEST_F(Registry, EmptyOrBinaryStoreDoesNotCrash) {
    writeStore("");
    RegistryKey key(kMouse);  // an empty existing store has no keys: the key is created
    ASSERT_TRUE(key.isOpen());
    std::string v;
    EXPECT_FALSE(key.readString("MouseSpeed", v));
    writeStore(std::string("\0\0[\0]\n=\n\xff", 9));
    RegistryKey again(kMouse);
    EXPECT_TRUE(again.isOpen());
}

TEST_F(Registry, UnwritableStoreKeepsNewKeysClosed) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    ASSERT_TRUE(platform::ensureFolder(platform::parentFolder(storePath())));
    chmod(platform::parentFolder(storePath()).c_str(), 0500);
    RegistryKey key("HKEY_CURRENT_USER\\Software\\New");
    EXPECT_FALSE(key.isOpen());
    RegistryKey existing(kMouse);  // present in a new store without any write
    EXPECT_TRUE(existing.isOpen());
    EXPECT_FALSE(existing.writeString("MouseSpeed", "2"));
    chmod(platform::parentFolder(storePath()).c_str(), 0700);
}

TEST_F(Registry, StoreApiDirectly) {
    platform::RegistryStore store(root_ + "/direct/reg.ini");
    EXPECT_TRUE(store.keyExists("HKEY_CURRENT_USER"));
    EXPECT_TRUE(store.keyExists("hkey_current_user\\control panel"));
    EXPECT_FALSE(store.keyExists("HKEY_CURRENT_USER\\Control"));  // not a prefix of a component
    platform::RegistryValue value;
    value.type = 7;  // a multi-string type this store does not keep yet
    value.data = "x";
    EXPECT_FALSE(store.writeValue(kMouse, "Multi", value));
    value.type = platform::kRegTypeString;
    ASSERT_TRUE(store.writeValue("HKEY_CURRENT_USER\\A\\B\\", "V", value));
    EXPECT_TRUE(store.keyExists("HKEY_CURRENT_USER\\A"));
    platform::RegistryValue out;
    ASSERT_TRUE(store.readValue("HKEY_CURRENT_USER\\a\\b", "v", &out));
    EXPECT_EQ(out.data, "x");
    EXPECT_EQ(out.type, platform::kRegTypeString);
}

}  // namespace
