// The settings store on "Mouse.ini": the file written from nothing, key order, loading with and
// without a profile argument, validation, factory values, damaged blobs and single-profile files.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "platform/atomic_file.h"
#include "platform/profile_ini.h"
#include "shared/function_codes.h"
#include "shared/mouse_settings.h"
#include "tests/store/temp_dir.h"

namespace {

const std::vector<std::string> kSettingSaveOrder = {
    "Profile", "TrayEnabled", "MouseButtons", "PollingRate", "LeftCount", "RightCount",
    "WheelScrollLines", "MouseSensitivity", "DoubleClickSpeed", "AccelerationEnabled", "Acceleration",
    "UniversalScrollEnabled", "AngleV", "LiftV", "DPI_INFO1", "DPI_INFO2", "DPI_INFO3", "DPI_INFO4",
    "DPI_INFO5", "DPI_INFO6", "DPI_INFO7", "LED_MODE_INFO1", "LED_MODE_INFO2", "LED_MODE_INFO3",
    "LED_MODE_INFO4", "LED_MODE_INFO5", "LED_MODE_INFO6", "DPI", "LedStateOn", "LedColor", "LedMode"};

const std::vector<std::string> kGroupSaveOrder = {
    "DPI", "ButtonAssigned1", "ButtonAssigned2", "ButtonAssigned3", "ButtonAssigned4",
    "ButtonAssigned5", "ButtonAssigned6", "ButtonAssigned7", "ButtonAssigned8", "ButtonAssigned9",
    "ButtonAssigned10", "ButtonAssigned11"};

const uint8_t kDefaults[kButtonRecordCount] = {1, 2, 3, 10, 11, 12, 13, 100, 102, 0, 0};

std::unique_ptr<MouseSettings> newRecord() {
    auto s = std::make_unique<MouseSettings>();
    std::memset(s.get(), 0, sizeof *s);
    return s;
}

bool sameRecord(const MouseSettings& a, const MouseSettings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::u16string text16(const char16_t* field) { return std::u16string(field); }

}  // namespace

TEST(MouseSettings, FileWrittenFromNothing) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    auto s = newRecord();
    settings::clear(*s);
    ASSERT_TRUE(settings::loadAndNormalise(*s, path, -1));

    platform::IniDocument doc = platform::readProfileDocument(path);
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"Setting", "GROUP", "GROUP1", "GROUP2", "GROUP3", "GROUP4"}));
    EXPECT_EQ(doc.keyNames("Setting"), kSettingSaveOrder);
    for (int p = 0; p < kProfileCount; ++p) EXPECT_EQ(doc.keyNames(settings::profileSection(p)), kGroupSaveOrder);

    for (const std::string& key : kSettingSaveOrder) {
        if (key.rfind("DPI_INFO", 0) == 0 || key.rfind("LED_MODE_INFO", 0) == 0) continue;
        std::string expected = (key == "Profile" || key == "LeftCount" || key == "RightCount") ? "0" : "-1";
        EXPECT_EQ(doc.get("Setting", key), expected) << key;
    }
    DpiStage stage{};
    ASSERT_TRUE(platform::decodeStruct(*doc.get("Setting", "DPI_INFO7"), &stage, sizeof stage));
    EXPECT_EQ(stage.separate, -1);
    EXPECT_EQ(stage.y, -1);
    for (int p = 0; p < kProfileCount; ++p) {
        EXPECT_EQ(doc.get(settings::profileSection(p), "DPI"), "-1");
        for (int b = 0; b < kButtonRecordCount; ++b) {
            ButtonRecord rec{};
            ASSERT_TRUE(platform::decodeStruct(*doc.get(settings::profileSection(p), "ButtonAssigned" + std::to_string(b + 1)),
                                               &rec, sizeof rec));
            EXPECT_EQ(rec.owner, b + 1);
            EXPECT_EQ(rec.code, 255);
            EXPECT_EQ(rec.param1, 1);
            EXPECT_EQ(rec.param2, 0);
        }
    }

    auto work = newRecord();
    settings::validateCopy(*work, *s);
    EXPECT_EQ(work->Profile, 0);
    EXPECT_EQ(work->MouseButtons, 11);
    EXPECT_EQ(work->TrayEnabled, 1);
    EXPECT_EQ(work->PollingRate, 2);
    for (const ProfileGroup& g : work->profiles) {
        for (int b = 0; b < kButtonRecordCount; ++b) EXPECT_EQ(g.buttons[b].code, kDefaults[b]);
    }
    // Validated values reach the file only with the next save of the working record.
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "MouseButtons", 0), -1);
}

TEST(MouseSettings, ProfileSevenIsWrittenBackButValidatedToZero) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    writeText(path, "[Setting]\nProfile=7\n");
    auto s = newRecord();
    settings::clear(*s);
    ASSERT_TRUE(settings::loadAndNormalise(*s, path, -1));
    EXPECT_EQ(s->Profile, 7);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "Profile", 0), 7);
    auto work = newRecord();
    settings::validateCopy(*work, *s);
    EXPECT_EQ(work->Profile, 0);
}

TEST(MouseSettings, ExplicitProfileArgumentWinsOverTheFile) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    writeText(path, "[Setting]\nProfile=1\n");
    auto s = newRecord();
    settings::clear(*s);
    ASSERT_TRUE(settings::loadAndNormalise(*s, path, 3));
    EXPECT_EQ(s->Profile, 3);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "Profile", 0), 3);
    writeText(path, "[Setting]\nProfile=-1\n");
    settings::loadAll(*s, path, -1);
    EXPECT_EQ(s->Profile, 0);  // -1 becomes 0
}

TEST(MouseSettings, ValidationRules) {
    auto src = newRecord();
    auto dst = newRecord();
    settings::clear(*src);
    struct Case { int32_t in, out; };
    for (Case c : {Case{0, 2}, Case{9, 2}, Case{8, 8}, Case{1, 1}, Case{-1, 2}}) {
        src->PollingRate = c.in;
        settings::validateCopy(*dst, *src);
        EXPECT_EQ(dst->PollingRate, c.out) << c.in;
    }
    for (Case c : {Case{0, 11}, Case{12, 11}, Case{-1, 11}, Case{9, 9}, Case{11, 11}, Case{1, 1}}) {
        src->MouseButtons = c.in;
        settings::validateCopy(*dst, *src);
        EXPECT_EQ(dst->MouseButtons, c.out) << c.in;
    }
    for (Case c : {Case{2, 1}, Case{-1, 1}, Case{0, 0}, Case{1, 1}}) {
        src->TrayEnabled = c.in;
        settings::validateCopy(*dst, *src);
        EXPECT_EQ(dst->TrayEnabled, c.out) << c.in;
    }
    for (Case c : {Case{-1, 0}, Case{5, 0}, Case{4, 4}, Case{0, 0}}) {
        src->Profile = c.in;
        settings::validateCopy(*dst, *src);
        EXPECT_EQ(dst->Profile, c.out) << c.in;
    }
    // Other fields are copied as they are.
    src->LedColor = -7;
    src->LeftCount = 123;
    settings::validateCopy(*dst, *src);
    EXPECT_EQ(dst->LedColor, -7);
    EXPECT_EQ(dst->LeftCount, 123);
}

TEST(MouseSettings, InvalidFunctionCodesGetTheButtonDefault) {
    auto src = newRecord();
    settings::clear(*src);
    ButtonRecord& eight = src->profiles[2].buttons[4];
    eight.owner = 77;
    eight.code = 8;
    eight.param1 = 9;
    eight.param2 = 9;
    std::memset(eight.extra, 0xAB, sizeof eight.extra);
    eight.name[0] = u'M';
    ButtonRecord& rapid = src->profiles[2].buttons[5];
    rapid.code = 101;
    rapid.param1 = 5;
    rapid.extra[3] = 42;
    src->profiles[1].buttons[9].code = 25;  // accepted although no label names it

    auto dst = newRecord();
    settings::validateCopy(*dst, *src);
    const ButtonRecord& fixed = dst->profiles[2].buttons[4];
    EXPECT_EQ(fixed.code, 11);  // default of button 5
    EXPECT_EQ(fixed.owner, 77);
    EXPECT_EQ(fixed.param1, 1);
    EXPECT_EQ(fixed.param2, 0);
    for (uint8_t b : fixed.extra) EXPECT_EQ(b, 0);
    EXPECT_EQ(fixed.name[0], u'M');
    EXPECT_EQ(dst->profiles[2].buttons[5].code, 101);
    EXPECT_EQ(dst->profiles[2].buttons[5].param1, 5);
    EXPECT_EQ(dst->profiles[2].buttons[5].extra[3], 42);
    EXPECT_EQ(dst->profiles[1].buttons[9].code, 25);
    EXPECT_EQ(dst->profiles[1].buttons[10].code, 0);  // 255 -> default 0

    settings::validateCopy(*src, *src);  // in place
    EXPECT_EQ(src->profiles[2].buttons[4].code, 11);
}

TEST(MouseSettings, DamagedButtonBlobLoadsAsTheButtonDefault) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    auto s = newRecord();
    settings::shippedDefaults(*s);
    s->profiles[0].buttons[2].code = 64;
    ASSERT_TRUE(settings::saveAll(*s, path));
    std::string blob = platform::readProfileString(path, "GROUP", "ButtonAssigned3");
    ASSERT_EQ(blob.size(), 644u * 2 + 2);
    blob[3] = blob[3] == '0' ? '7' : '0';  // one hexadecimal digit of the code byte
    ASSERT_TRUE(platform::writeProfileString(path, "GROUP", "ButtonAssigned3", blob));

    auto loaded = newRecord();
    settings::clear(*loaded);
    settings::loadAll(*loaded, path, -1);
    EXPECT_EQ(loaded->profiles[0].buttons[2].code, 255);  // the cleared state stayed
    auto work = newRecord();
    settings::validateCopy(*work, *loaded);
    EXPECT_EQ(work->profiles[0].buttons[2].code, 3);
    EXPECT_EQ(work->profiles[0].buttons[2].owner, 3);
    EXPECT_EQ(work->profiles[0].buttons[1].code, 2);
}

TEST(MouseSettings, ClearPreparesTheRecord) {
    auto s = newRecord();
    std::memset(s.get(), 0x33, sizeof *s);
    settings::clear(*s);
    for (const ProfileGroup& g : s->profiles) {
        EXPECT_EQ(g.DPI, -1);
        EXPECT_EQ(g.Name[0], 0);
        for (int b = 0; b < kButtonRecordCount; ++b) {
            EXPECT_EQ(g.buttons[b].owner, b + 1);
            EXPECT_EQ(g.buttons[b].code, 255);
            EXPECT_EQ(g.buttons[b].param1, 1);
            EXPECT_EQ(g.buttons[b].param2, 0);
            EXPECT_EQ(g.buttons[b].extra[0], 0);
        }
    }
    for (const DpiStage& d : s->dpiStages) EXPECT_EQ(d.common, -1);
    for (const LedModeInfo& m : s->ledModes) EXPECT_EQ(m.rate, -1);
    for (int32_t v : {s->MouseSensitivity, s->DoubleClickSpeed, s->WheelScrollLines, s->UniversalScrollEnabled,
                      s->LedStateOn, s->LedColor, s->DPI, s->PollingRate, s->AccelerationEnabled,
                      s->Acceleration, s->TrayEnabled, s->Profile}) {
        EXPECT_EQ(v, -1);
    }
    EXPECT_EQ(s->LeftCount, 0x33333333);  // not part of the cleared set
    EXPECT_EQ(s->LedMode, 0x33333333);
}

TEST(MouseSettings, FactoryDefaults) {
    auto s = newRecord();
    settings::clear(*s);
    s->Profile = 3;
    s->TrayEnabled = 0;
    s->MouseButtons = 5;
    s->LeftCount = 10;
    s->profiles[2].buttons[0].owner = 255;
    s->profiles[2].buttons[0].extra[7] = 9;
    s->profiles[2].buttons[0].name[0] = u'x';
    settings::factoryDefaults(*s, 2);
    EXPECT_EQ(s->DPI, 1);
    EXPECT_EQ(s->PollingRate, 2);
    EXPECT_EQ(s->AngleV, 0);
    EXPECT_EQ(s->LiftV, 0);
    EXPECT_EQ(s->LedStateOn, 1);
    EXPECT_EQ(s->LedColor, 255);
    EXPECT_EQ(s->LedMode, 1);
    EXPECT_EQ(s->AccelerationEnabled, 0);
    EXPECT_EQ(s->Acceleration, 1);
    EXPECT_EQ(s->MouseSensitivity, 5);
    EXPECT_EQ(s->UniversalScrollEnabled, 0);
    EXPECT_EQ(s->WheelScrollLines, 1);
    EXPECT_EQ(s->DoubleClickSpeed, 12);
    const int32_t steps[7] = {10, 20, 30, 40, 80, 160, 320};
    for (int i = 0; i < kDpiStageCount; ++i) {
        EXPECT_EQ(s->dpiStages[i].separate, 0);
        EXPECT_EQ(s->dpiStages[i].common, steps[i]);
        EXPECT_EQ(s->dpiStages[i].x, steps[i]);
        EXPECT_EQ(s->dpiStages[i].y, steps[i]);
    }
    const int32_t first[6] = {0, 1, 0, 0, 3, 0};
    for (int i = 0; i < kLedModeCount; ++i) {
        EXPECT_EQ(s->ledModes[i].direction, first[i]);
        EXPECT_EQ(s->ledModes[i].level, 4);
        EXPECT_EQ(s->ledModes[i].rate, 8);  // the fastest the mouse keeps
    }
    EXPECT_EQ(s->profiles[2].DPI, 1);
    for (int b = 0; b < kButtonRecordCount; ++b) EXPECT_EQ(s->profiles[2].buttons[b].code, kDefaults[b]);
    EXPECT_EQ(s->profiles[2].buttons[0].owner, 255);
    EXPECT_EQ(s->profiles[2].buttons[0].extra[7], 0);
    EXPECT_EQ(s->profiles[2].buttons[0].name[0], u'x');
    // Untouched.
    EXPECT_EQ(s->Profile, 3);
    EXPECT_EQ(s->TrayEnabled, 0);
    EXPECT_EQ(s->MouseButtons, 5);
    EXPECT_EQ(s->LeftCount, 10);
    EXPECT_EQ(s->profiles[1].DPI, -1);
    EXPECT_EQ(s->profiles[1].buttons[0].code, 255);
}

TEST(MouseSettings, BlobsAreTheRecordsLittleEndianBytes) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    auto s = newRecord();
    settings::shippedDefaults(*s);
    ASSERT_TRUE(settings::saveAll(*s, path));
    EXPECT_EQ(platform::readProfileString(path, "Setting", "DPI_INFO1"), "000000000A0000000A0000000A0000001E");
    EXPECT_EQ(platform::readProfileString(path, "Setting", "LED_MODE_INFO5"), "0300000004000000080000000F");
}

TEST(MouseSettings, SaveAndLoadRoundTripEveryField) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    std::mt19937 rng(7);
    auto s = newRecord();
    auto* bytes = reinterpret_cast<uint8_t*>(s.get());
    for (size_t i = 0; i < sizeof *s; ++i) bytes[i] = static_cast<uint8_t>(rng());
    for (ProfileGroup& g : s->profiles) {
        std::memset(g.Name, 0, sizeof g.Name);  // never written
        std::memset(g.Exe, 0, sizeof g.Exe);
    }
    s->Profile = 2;
    ASSERT_TRUE(settings::saveAll(*s, path));
    auto loaded = newRecord();
    settings::clear(*loaded);
    ASSERT_TRUE(settings::loadAll(*loaded, path, -1));
    EXPECT_TRUE(sameRecord(*s, *loaded));
}

TEST(MouseSettings, SaveAllIsOneReplaceAndKeepsForeignKeys) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    writeText(path,
              "[Setting]\nDevice=1\nProfileName=game.prof\n\n[GROUP2]\nName=Shooter\nExe=game.exe\n\n"
              "[MACRO_LIST]\n0=first\n1=second\n\n[Elsewhere]\nkey=value\n");
    auto s = newRecord();
    settings::shippedDefaults(*s);
    uint64_t before = platform::fileReplaceCount();
    ASSERT_TRUE(settings::saveAll(*s, path));
    EXPECT_EQ(platform::fileReplaceCount() - before, 1u);
    platform::IniDocument doc = platform::readProfileDocument(path);
    EXPECT_EQ(doc.get("Setting", "Device"), "1");
    EXPECT_EQ(doc.get("Setting", "ProfileName"), "game.prof");
    EXPECT_EQ(doc.get("GROUP2", "Name"), "Shooter");
    EXPECT_EQ(doc.get("GROUP2", "Exe"), "game.exe");
    EXPECT_EQ(doc.get("MACRO_LIST", "1"), "second");
    EXPECT_EQ(doc.get("Elsewhere", "key"), "value");
    EXPECT_EQ(doc.sectionNames(),
              (std::vector<std::string>{"Setting", "GROUP2", "MACRO_LIST", "Elsewhere", "GROUP", "GROUP1", "GROUP3", "GROUP4"}));

    before = platform::fileReplaceCount();
    auto loaded = newRecord();
    settings::clear(*loaded);
    settings::loadAll(*loaded, path, -1);
    EXPECT_EQ(platform::fileReplaceCount(), before);
    EXPECT_EQ(text16(loaded->profiles[2].Name), u"Shooter");
    EXPECT_EQ(text16(loaded->profiles[2].Exe), u"game.exe");
}

TEST(MouseSettings, NameAndExeAreUtf16CutTo259) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    std::string longName;
    for (int i = 0; i < 300; ++i) longName += "\xC3\xA9";  // é
    std::string emoji;
    for (int i = 0; i < 200; ++i) emoji += "\xF0\x9F\x98\x80";
    writeText(path, "[GROUP]\nName=" + longName + "\nExe=" + emoji + "\n");
    auto s = newRecord();
    settings::clear(*s);
    settings::loadAll(*s, path, -1);
    std::u16string name = text16(s->profiles[0].Name);
    EXPECT_EQ(name.size(), 259u);
    EXPECT_EQ(name[0], u'\u00E9');
    EXPECT_EQ(s->profiles[0].Name[259], 0);
    EXPECT_EQ(text16(s->profiles[0].Exe).size(), 258u);  // 129 pairs; the 130th pair would not fit
}

TEST(MouseSettings, SingleProfileFilesUseSectionGroup) {
    TempDir dir;
    std::string prof = dir.file("export.prof");
    auto s = newRecord();
    settings::shippedDefaults(*s);
    ProfileGroup& g = s->profiles[3];
    g.DPI = 4;
    g.buttons[6].code = 6;
    g.buttons[6].name[0] = u'm';
    ASSERT_TRUE(settings::saveProfile(g, -1, prof));
    platform::IniDocument doc = platform::readProfileDocument(prof);
    EXPECT_EQ(doc.sectionNames(), std::vector<std::string>{"GROUP"});
    EXPECT_EQ(doc.keyNames("GROUP"), kGroupSaveOrder);

    auto scratch = std::make_unique<ProfileGroup>();
    std::memset(scratch.get(), 0, sizeof *scratch);
    ASSERT_TRUE(settings::loadProfile(*scratch, -1, prof));
    EXPECT_EQ(scratch->DPI, 4);
    EXPECT_EQ(0, std::memcmp(scratch->buttons, g.buttons, sizeof g.buttons));

    EXPECT_FALSE(settings::loadProfile(*scratch, -1, dir.file("missing.prof")));
    EXPECT_EQ(scratch->DPI, -1);
    EXPECT_FALSE(settings::loadProfile(*scratch, 5, prof));
    EXPECT_FALSE(settings::saveProfile(g, -2, prof));
}

TEST(MouseSettings, ProfileSectionNames) {
    EXPECT_EQ(settings::profileSection(-1), "GROUP");
    EXPECT_EQ(settings::profileSection(0), "GROUP");
    EXPECT_EQ(settings::profileSection(1), "GROUP1");
    EXPECT_EQ(settings::profileSection(4), "GROUP4");
}

TEST(MouseSettings, SingleKeyOperations) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    EXPECT_EQ(settings::readDevice(path), 0);
    ASSERT_TRUE(settings::writeDevice(path, 1));
    EXPECT_EQ(settings::readDevice(path), 1);
    ASSERT_TRUE(settings::writeClickCounters(path, 12, 34));
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "LeftCount", 0), 12);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "RightCount", 0), 34);

    auto s = newRecord();
    settings::clear(*s);
    s->UniversalScrollEnabled = 5;
    s->TrayEnabled = 5;
    settings::readScrollTrayFlags(*s, path);
    EXPECT_EQ(s->UniversalScrollEnabled, -1);
    EXPECT_EQ(s->TrayEnabled, -1);
    ASSERT_TRUE(platform::writeProfileInt(path, "Setting", "UniversalScrollEnabled", 1));
    ASSERT_TRUE(platform::writeProfileInt(path, "Setting", "TrayEnabled", 0));
    settings::readScrollTrayFlags(*s, path);
    EXPECT_EQ(s->UniversalScrollEnabled, 1);
    EXPECT_EQ(s->TrayEnabled, 0);

    const DpiStage stage{1, 2, 3, 4};
    ASSERT_TRUE(platform::writeProfileStruct(path, "Setting", "DPI_INFO3", &stage, sizeof stage));
    EXPECT_TRUE(settings::readDpiStage(*s, path, 2));
    EXPECT_EQ(s->dpiStages[2].y, 4);
    EXPECT_EQ(s->dpiStages[1].y, -1);
    EXPECT_FALSE(settings::readDpiStage(*s, path, 1));  // missing: untouched
    EXPECT_EQ(s->dpiStages[1].y, -1);
    EXPECT_FALSE(settings::readDpiStage(*s, path, 7));
    EXPECT_FALSE(settings::readDpiStage(*s, path, -1));
}

// The service normalises the file at every request while the UI may be saving into it: the
// write-back must never restore a value read before the other program's save.
TEST(MouseSettings, NormalisingNeverUndoesAConcurrentSave) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    MouseSettings s{};
    settings::shippedDefaults(s);
    ASSERT_TRUE(settings::saveAll(s, path));

    constexpr int kSaves = 150;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = true;
        // A key stored as it is (no range to keep): every value is one the normalising save keeps.
        for (int i = 1; i <= kSaves; ++i) ok = platform::writeProfileInt(path, "Setting", "MouseSensitivity", i) && ok;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    MouseSettings loaded{};
    while (waitpid(child, &status, WNOHANG) == 0) {
        settings::clear(loaded);
        settings::loadAndNormalise(loaded, path, -1);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "MouseSensitivity", -5), kSaves);
}

// Every request of the service loads and normalises the file: once the file is normalised, that
// leaves it alone (no replace, same inode), while a real change is still written.
TEST(MouseSettings, NormalisingAnUnchangedFileDoesNotRewriteIt) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    writeText(path, "[Setting]\nPollingRate=4\n");
    MouseSettings s{};
    ASSERT_TRUE(settings::loadAndNormalise(s, path, -1));  // adds every missing key
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const std::string text = readText(path);
    const uint64_t replaces = platform::fileReplaceCount();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(settings::loadAndNormalise(s, path, -1));
    ASSERT_TRUE(platform::writeProfileInt(path, "Setting", "PollingRate", 4));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(platform::fileReplaceCount(), replaces);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(readText(path), text);

    ASSERT_TRUE(platform::writeProfileInt(path, "Setting", "PollingRate", 8));
    EXPECT_EQ(platform::fileReplaceCount(), replaces + 1);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "PollingRate", 0), 8);
}

// A stored value the mouse cannot keep is corrected in the file by the normalising save; an unset
// one stays unset. A settings path that cannot be read (a folder, a FIFO) loads as nothing and is
// left as it is.
TEST(MouseSettings, NormalisingCorrectsValuesTheMouseCannotKeep) {
    TempDir dir;
    std::string path = dir.file("Mouse.ini");
    auto s = newRecord();
    settings::shippedDefaults(*s);
    ASSERT_TRUE(settings::saveAll(*s, path));
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "WheelScrollLines", "lots"));
    ASSERT_TRUE(platform::writeProfileString(path, "Setting", "LiftV", "-1"));
    const DpiStage zeroed{0, 0, 0, 0};
    ASSERT_TRUE(platform::writeProfileStruct(path, "Setting", "DPI_INFO2", &zeroed, sizeof zeroed));
    settings::clear(*s);
    ASSERT_TRUE(settings::loadAndNormalise(*s, path, -1));
    EXPECT_EQ(s->WheelScrollLines, 1);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "WheelScrollLines", 0), 1);
    EXPECT_EQ(platform::readProfileInt(path, "Setting", "LiftV", 0), -1);
    DpiStage stage{};
    ASSERT_TRUE(platform::readProfileStruct(path, "Setting", "DPI_INFO2", &stage, sizeof stage));
    EXPECT_EQ(stage.common, 20);
    EXPECT_EQ(stage.x, 20);

    for (const std::string& odd : {dir.file("folder"), dir.file("fifo")}) {
        ASSERT_EQ(odd.back() == 'o' ? ::mkfifo(odd.c_str(), 0600) : ::mkdir(odd.c_str(), 0700), 0);
        settings::clear(*s);
        EXPECT_FALSE(settings::loadAndNormalise(*s, odd, -1)) << odd;
        struct stat st {};
        ASSERT_EQ(::lstat(odd.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode) || S_ISDIR(st.st_mode));
    }
}

// An import takes a whole settings file with values the mouse keeps, or nothing.
TEST(MouseSettings, ProfileFilesForImportAreWholeAndInRange) {
    TempDir dir;
    const std::string path = dir.file("game.prof");
    auto s = newRecord();
    settings::shippedDefaults(*s);
    s->WheelScrollLines = -1;  // unset: allowed
    ASSERT_TRUE(settings::saveAll(*s, path));
    const std::string whole = readText(path);
    struct Case {
        const char* what;
        std::function<void()> damage;
        const char* problem;  // part of the reason; nullptr: accepted
    };
    const Case cases[] = {
        {"whole", [] {}, nullptr},
        {"cut at 100 bytes", [&] { writeText(path, whole.substr(0, 100)); }, "is missing"},
        {"no ButtonAssigned7", [&] { platform::deleteProfileKey(path, "GROUP3", "ButtonAssigned7"); },
         "\"GROUP3/ButtonAssigned7\" is missing"},
        {"text", [&] { platform::writeProfileString(path, "Setting", "LiftV", "high"); }, "\"LiftV\" is damaged"},
        {"hex", [&] { platform::writeProfileString(path, "Setting", "DPI", "0x2"); }, "\"DPI\" is damaged"},
        {"2^32", [&] { platform::writeProfileString(path, "Setting", "LedColor", "4294967296"); }, "is damaged"},
        {"blob", [&] { platform::writeProfileString(path, "Setting", "DPI_INFO3", "00"); }, "\"DPI_INFO3\" is damaged"},
        {"2^31-1", [&] { platform::writeProfileInt(path, "Setting", "WheelScrollLines", 2147483647); },
         "\"WheelScrollLines\" holds a value the mouse cannot keep"},
        {"zeroed stage", [&] {
             const DpiStage zero{0, 0, 0, 0};
             platform::writeProfileStruct(path, "Setting", "DPI_INFO1", &zero, sizeof zero);
         }, "\"DPI_INFO1\" holds a value the mouse cannot keep (common 0 -> 10, X 0 -> 10, Y 0 -> 10)"},
    };
    for (const Case& c : cases) {
        writeText(path, whole);
        c.damage();
        auto loaded = newRecord();
        std::string problem;
        EXPECT_EQ(settings::loadProfileFile(*loaded, path, &problem), c.problem == nullptr) << c.what;
        if (c.problem) EXPECT_NE(problem.find(c.problem), std::string::npos) << c.what << ": " << problem;
        else EXPECT_TRUE(sameRecord(*loaded, *s)) << c.what;
    }
    std::string problem = "x";
    EXPECT_FALSE(settings::loadProfileFile(*s, dir.file("missing.prof"), &problem));
    EXPECT_EQ(problem, "");
}

// A program that keeps its record for a while writes only what it changed against the record it
// read: what another program saved meanwhile stays, and an unchanged record writes nothing.
TEST(MouseSettings, SaveChangesWritesOnlyWhatDiffersFromTheBase) {
    TempDir dir;
    const std::string path = dir.file("Mouse.ini");
    auto base = std::make_unique<MouseSettings>();
    settings::shippedDefaults(*base);
    ASSERT_TRUE(settings::saveAll(*base, path));

    auto first = std::make_unique<MouseSettings>(*base), second = std::make_unique<MouseSettings>(*base);
    first->WheelScrollLines = 7;
    second->dpiStages[3].common = 60;
    second->profiles[2].buttons[4].code = 48;
    ASSERT_TRUE(settings::saveChanges(*first, *base, path));
    ASSERT_TRUE(settings::saveChanges(*second, *base, path));

    auto file = std::make_unique<MouseSettings>();
    settings::clear(*file);
    ASSERT_TRUE(settings::loadAll(*file, path, -1));
    EXPECT_EQ(file->WheelScrollLines, 7);
    EXPECT_EQ(file->dpiStages[3].common, 60);
    EXPECT_EQ(file->profiles[2].buttons[4].code, 48);

    const uint64_t replaces = platform::fileReplaceCount();
    EXPECT_TRUE(settings::saveChanges(*second, *second, path));
    EXPECT_EQ(platform::fileReplaceCount(), replaces);
}
