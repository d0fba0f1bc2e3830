// The user's macros as a whole (MacroLibrary) and macro buttons resolved by name.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "shared/macro_library.h"
#include "platform/atomic_file.h"
#include "platform/known_folders.h"
#include "platform/profile_ini.h"
#include "shared/macro_buttons.h"
#include "shared/macro_file.h"
#include "shared/mouse_settings.h"
#include "tests/store/temp_dir.h"

using namespace macro;

namespace {

class Library : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.path() + "/Mouse.ini";
    std::string folder = dir.path() + "/Macro";  // not there yet: the library creates it
    MacroLibrary lib{ini, folder};

    void list(std::initializer_list<std::pair<int, const char*>> slots) {
        for (auto [slot, name] : slots) ASSERT_TRUE(writeListSlot(ini, slot, name));
    }
    void macroFile(const std::string& name, int count, int loop) {
        ASSERT_TRUE(platform::ensureFolder(folder));
        Block block{};
        for (int i = 0; i < count; ++i) setEventAt(block, i, keyEvent(static_cast<uint8_t>(4 + i), true));
        ASSERT_TRUE(writeMacroFile(lib.filePath(name), count, loop, block, true));
    }
    MacroFileData read(const std::string& name) {
        MacroFileData data;
        EXPECT_TRUE(readMacroFile(lib.filePath(name), data, -1)) << name;
        return data;
    }
    // Profile p, record b: code 6 naming `name` with byte 3 = byte3.
    void button(int p, int b, const std::string& name, uint8_t byte3) {
        ButtonRecord r{};
        r.owner = static_cast<uint8_t>(b + 1);
        r.code = 6;
        r.param2 = byte3;
        setButtonMacroName(r, name);
        ASSERT_TRUE(platform::writeProfileStruct(ini, settings::profileSection(p),
                                                 "ButtonAssigned" + std::to_string(b + 1), &r, sizeof r));
    }
    ButtonRecord record(int p, int b) {
        ButtonRecord r{};
        EXPECT_TRUE(platform::readProfileStruct(ini, settings::profileSection(p),
                                                "ButtonAssigned" + std::to_string(b + 1), &r, sizeof r));
        return r;
    }
    bool exists(const std::string& name) { return platform::fileExists(lib.filePath(name)); }
};

TEST_F(Library, NewMacroTakesTheFirstNumberWithoutAFileAndCreatesTheFolder) {
    std::string name;
    ASSERT_EQ(lib.createNew("Macro", 3, name), LibraryResult::Ok);
    EXPECT_EQ(name, "Macro 1");
    EXPECT_EQ(read(name).loopTime, 3);
    macroFile("Macro 3", 1, 1);                        // files, listed or not, keep their numbers
    list({{5, "Macro 2"}});                             // listed although its file is gone
    ASSERT_EQ(lib.createNew("Macro", 1, name), LibraryResult::Ok);
    EXPECT_EQ(name, "Macro 4");
    EXPECT_EQ(lib.names(), (std::vector<std::string>{"Macro 1", "Macro 4", "Macro 2"}));  // slots 0, 1, 5
    EXPECT_EQ(lib.createNew("a/b", 1, name), LibraryResult::InvalidName);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(lib.createNew("Macro", 1, name), LibraryResult::Ok);
    EXPECT_EQ(lib.createNew("Macro", 1, name), LibraryResult::ListFull);
}

TEST_F(Library, RenameIsRefusedOrDoneWithoutLosingTheMacro) {
    macroFile("Fire", 3, 5);
    macroFile("Walk", 1, 1);
    macroFile("Loose", 1, 1);  // a file nobody lists
    list({{0, "Walk"}, {4, "Fire"}});
    struct Case {
        const char* to;
        LibraryResult result;
    };
    for (const Case& c : {Case{"Fire", LibraryResult::Unchanged}, {"", LibraryResult::InvalidName},
                          {"..", LibraryResult::InvalidName}, {"x/y", LibraryResult::InvalidName},
                          {"Walk", LibraryResult::NameTaken}, {"Loose", LibraryResult::NameTaken}}) {
        EXPECT_EQ(lib.rename("Fire", c.to), c.result) << c.to;
        EXPECT_EQ(read("Fire").count, 3) << c.to;  // the old file stays whatever was refused
        EXPECT_EQ(lib.slotOf("Fire"), 4);
    }
    EXPECT_EQ(lib.rename("Nobody", "Other"), LibraryResult::NotFound);

    // A failed write, of the new file (a name too long for the file system) or of the list (a
    // read-only "Mouse.ini"), keeps the old file and the list as they were.
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    for (const std::string& to : {std::string(300, 'x'), std::string("Blaze")}) {
        EXPECT_EQ(lib.rename("Fire", to), LibraryResult::WriteFailed);
        EXPECT_EQ(read("Fire").count, 3);
        EXPECT_EQ(lib.slotOf("Fire"), 4);
        EXPECT_FALSE(exists(to));
    }
    ASSERT_EQ(::chmod(ini.c_str(), 0644), 0);

    ASSERT_EQ(lib.rename("Fire", "Blaze"), LibraryResult::Ok);
    EXPECT_FALSE(exists("Fire"));
    EXPECT_EQ(read("Blaze").loopTime, 5);
    EXPECT_EQ(platform::readProfileString(lib.filePath("Blaze"), kSection, kKeyFilePath), lib.filePath("Blaze"));
    EXPECT_EQ(lib.slotOf("Blaze"), 1);  // the first free slot
}

TEST_F(Library, RenameAndDeleteCarryIntoTheButtonsOfAllProfiles) {
    macroFile("A", 1, 1);
    macroFile("B", 1, 1);
    macroFile("C", 1, 1);
    list({{0, "A"}, {2, "B"}, {3, "C"}});
    button(0, 2, "B", 0x41);
    button(4, 8, "B", 0x81);
    button(2, 0, "C", 0x42);
    ASSERT_TRUE(platform::writeProfileString(ini, "Setting", "Unrelated", "kept"));

    ASSERT_EQ(lib.rename("B", "Bee"), LibraryResult::Ok);  // slot 2 -> 1: positions stay 0 A, 1 Bee, 2 C
    EXPECT_EQ(buttonMacroName(record(0, 2)), "Bee");
    EXPECT_EQ(buttonMacroName(record(4, 8)), "Bee");
    EXPECT_EQ(record(4, 8).param2, 0x81);
    EXPECT_EQ(buttonMacroName(record(2, 0)), "C");

    int slot = -1;
    ASSERT_EQ(lib.remove("A", slot), LibraryResult::Ok);  // every position moves down by one
    EXPECT_EQ(slot, 0);
    EXPECT_FALSE(exists("A"));
    EXPECT_EQ(record(0, 2).param2, 0x40);
    EXPECT_EQ(record(4, 8).param2, 0x80);
    EXPECT_EQ(record(2, 0).param2, 0x41);
    ASSERT_EQ(lib.remove("Bee", slot), LibraryResult::Ok);
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(record(0, 2).code, 7);  // turned off, as the warning says
    EXPECT_EQ(record(4, 8).code, 7);
    EXPECT_EQ(record(2, 0).code, 6);
    EXPECT_EQ(record(2, 0).param2, 0x40);
    EXPECT_EQ(lib.remove("Bee", slot), LibraryResult::NotFound);
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(platform::readProfileString(ini, "Setting", "Unrelated"), "kept");
}

TEST_F(Library, ImportAsksBeforeOverwritingAndExportCopies) {
    TempDir elsewhere;
    const std::string source = elsewhere.path() + "/Fast.macro";
    Block block{};
    setEventAt(block, 0, buttonEvent(kButtonLeft, true));
    ASSERT_TRUE(writeMacroFile(source, 1, 7, block, true));
    std::string name;
    ASSERT_EQ(lib.import(source, false, name), LibraryResult::Ok);  // the folder is created
    EXPECT_EQ(lib.slotOf("Fast"), 0);

    ASSERT_TRUE(writeMacroFile(source, 2, 9, block, true));
    EXPECT_EQ(lib.import(source, false, name), LibraryResult::NeedsConfirm);
    EXPECT_EQ(read("Fast").count, 1);
    ASSERT_EQ(lib.import(source, true, name), LibraryResult::Ok);
    EXPECT_EQ(read("Fast").count, 2);
    EXPECT_EQ(lib.names(), std::vector<std::string>{"Fast"});  // listed once
    EXPECT_EQ(lib.import(lib.filePath("Fast"), false, name), LibraryResult::Ok);  // its own file: no question

    writeText(elsewhere.path() + "/Notes.macro", "[Setting]\nCount=1\n");
    EXPECT_EQ(lib.import(elsewhere.path() + "/Notes.macro", true, name), LibraryResult::NotFound);
    EXPECT_FALSE(exists("Notes"));

    const std::string target = elsewhere.path() + "/Out.macro";
    ASSERT_EQ(lib.exportTo("Fast", target), LibraryResult::Ok);
    EXPECT_EQ(platform::readProfileString(target, kSection, kKeyFilePath), target);
    EXPECT_FALSE(platform::fileExists(elsewhere.path() + "/.Out.macro.lock"));
}

// "New" killed halfway (here: while it waits for the settings file's lock, which another program
// holds) leaves no macro file that the list does not name; the library leaves no lock files.
TEST_F(Library, NewKilledHalfwayLeavesNoUnlistedFile) {
    ASSERT_TRUE(writeListSlot(ini, 0, ""));
    auto lock = std::make_unique<platform::FileLock>(ini);
    const pid_t child = ::fork();
    if (child == 0) {
        std::string name;
        lib.createNew("New Macro", 0, name);
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    bool waiting = false;  // the child is blocked on a lock ("->" lines of /proc/locks)
    for (int i = 0; i < 1000 && !waiting; ++i) {
        waiting = readText("/proc/locks").find("-> FLOCK  ADVISORY  WRITE " + std::to_string(child) + " ") !=
                  std::string::npos;
        if (!waiting) ::usleep(10000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    lock.reset();
    ASSERT_TRUE(waiting) << readText("/proc/locks");
    EXPECT_FALSE(exists("New Macro 1"));

    std::string name;
    ASSERT_EQ(lib.createNew("New Macro", 0, name), LibraryResult::Ok);
    ASSERT_EQ(lib.rename(name, "Fast"), LibraryResult::Ok);
    TempDir elsewhere;
    ASSERT_EQ(lib.exportTo("Fast", elsewhere.file("Out.macro")), LibraryResult::Ok);
    ASSERT_EQ(lib.import(elsewhere.file("Out.macro"), false, name), LibraryResult::Ok);
    EXPECT_EQ(entriesOf(folder), (std::vector<std::string>{"Fast.macro", "Out.macro"}));
    EXPECT_EQ(entriesOf(elsewhere.path()), std::vector<std::string>{"Out.macro"});
    EXPECT_EQ(lib.names(), (std::vector<std::string>{"Fast", "Out"}));
}

TEST(MacroButtons, ResolvedByNameNotByPosition) {
    const std::vector<std::string> names{"A", "B", "C"};
    struct Case {
        const char* name;
        uint8_t code, byte3;
        std::vector<std::string> list;
        MacroButtonState state;
        uint8_t codeAfter, byte3After;
        const char* nameAfter;
    };
    const Case cases[] = {
        {"C", 6, 0x40, names, MacroButtonState::Resolved, 6, 0x42, "C"},       // stale position refreshed
        {"B", 6, 0x85, names, MacroButtonState::Resolved, 6, 0x81, "B"},       // flag kept
        {"Gone", 6, 0x41, names, MacroButtonState::TurnedOff, 7, 0x41, "Gone"},
        {"Gone", 6, 0x40, {}, MacroButtonState::TurnedOff, 7, 0x40, "Gone"},
        {"", 6, 0x41, names, MacroButtonState::Resolved, 6, 0x41, "B"},        // no name: by position
        {"", 6, 0x43, names, MacroButtonState::TurnedOff, 7, 0x43, ""},
        {"", 6, 0x40, {}, MacroButtonState::Unassigned, 6, 0x40, ""},
        {"A", 5, 0x40, names, MacroButtonState::NotMacro, 5, 0x40, "A"},
        {"b", 6, 0x40, names, MacroButtonState::TurnedOff, 7, 0x40, "b"},      // names are case-sensitive
    };
    for (const Case& c : cases) {
        ButtonRecord r{};
        r.code = c.code;
        r.param2 = c.byte3;
        setButtonMacroName(r, c.name);
        EXPECT_EQ(resolveMacroButton(r, c.list), c.state) << c.name;
        EXPECT_EQ(r.code, c.codeAfter) << c.name;
        EXPECT_EQ(r.param2, c.byte3After) << c.name;
        EXPECT_EQ(buttonMacroName(r), c.nameAfter);
    }
}

}  // namespace
