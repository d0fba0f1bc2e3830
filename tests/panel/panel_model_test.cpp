// The configuration window's settings rules without widgets: first-run copy, the service's
// notices, the click counters, profile switching and what is sent.
#include "panel/panel_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "panel/dialogs/macro_name_menu.h"
#include "panel/macro/macro_page.h"
#include "platform/atomic_file.h"
#include "platform/ini_text.h"
#include "platform/known_folders.h"
#include "platform/profile_ini.h"
#include "shared/button_assignment.h"
#include "shared/function_codes.h"
#include "shared/macro_buttons.h"
#include "shared/macro_library.h"
#include "shared/window_messages.h"
#include "skin/colour_select.h"
#include "skin/list_box_ex.h"
#include "skin/slider.h"
#include "tests/support/private_session.h"

namespace {

struct Sent {
    uint32_t message;
    int64_t wParam, lParam;
    std::string fileAtSend;  // the settings file as the service would read it
};

class RecordingService : public panel::ServiceMessenger {
public:
    explicit RecordingService(std::string path) : path_(std::move(path)) {}
    bool post(uint32_t m, int64_t w, int64_t l) override { return record(m, w, l); }
    bool send(uint32_t m, int64_t w, int64_t l) override { return record(m, w, l); }
    bool serviceRunning() override { return true; }
    std::vector<Sent> sent;

private:
    bool record(uint32_t m, int64_t w, int64_t l) {
        sent.push_back({m, w, l, platform::readWholeFile(path_).value_or("")});
        return true;
    }
    std::string path_;
};

class PanelModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        model_.load();
    }
    int fileInt(const char* key, const char* section = "Setting") {
        return platform::readProfileInt(platform::settingsPath(), section, key, -99);
    }

    testsupport::PrivateEnvironment env_{"korvante-panel"};
    panel::PanelPaths paths_ = panel::userPaths(KORVANTE_BIN_DIR);
    RecordingService service_{paths_.settingsPath};
    panel::PanelModel model_{paths_, service_};
};

TEST_F(PanelModelTest, FirstStartCopiesTheShippedSettingsBeforeLoading) {
    // Started before the service on a fresh account: the shipped file, never a record of -1s.
    EXPECT_EQ(platform::readWholeFile(paths_.settingsPath), platform::readWholeFile(std::string(KORVANTE_BIN_DIR) + "/Mouse.ini"));
    EXPECT_EQ(model_.working().dpiStages[0].common, 10);
    EXPECT_EQ(model_.currentStage(), 1);
    EXPECT_EQ(fileInt("PollingRate"), 2);
}

TEST_F(PanelModelTest, MouseNoticesTakeOnlyValidStagesProfilesAndModes) {
    struct Case {
        int64_t kind, value;
        int profile, stage, ledMode;
    };
    const Case cases[] = {
        {msg::kChangedDpiStage, 3, 0, 3, 1},  {msg::kChangedDpiStage, 7, 0, 3, 1},
        {msg::kChangedDpiStage, -1, 0, 3, 1}, {msg::kChangedProfile, 4, 4, 1, 1},
        {msg::kChangedProfile, 5, 4, 1, 1},   {msg::kChangedLighting, 32, 4, 1, 6},
        {msg::kChangedLighting, 0, 4, 1, 1},  {msg::kChangedLighting, 16, 4, 1, 5},
        {msg::kChangedLighting, 64, 4, 1, 1}, {msg::kChangedReload, 0, 4, 1, 1},
    };
    const int32_t rateBefore = model_.working().PollingRate;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " value " << c.value);
        model_.onMouseChanged(c.kind, c.value);
        EXPECT_EQ(model_.currentProfile(), c.profile);
        EXPECT_EQ(model_.currentStage(), c.stage);
        EXPECT_EQ(model_.lightingMode(), c.ledMode);
        // What the window shows is what the file holds.
        EXPECT_EQ(fileInt("Profile"), c.profile);
        EXPECT_EQ(fileInt("LedMode"), c.ledMode);
        EXPECT_EQ(fileInt("PollingRate"), rateBefore);  // a stage 7 never lands beyond the table
    }
    EXPECT_TRUE(service_.sent.empty());
}

TEST_F(PanelModelTest, OutOfRangeStoredValuesShowAsSafeIndices) {
    model_.working().Profile = 9;
    model_.working().profiles[0].DPI = 7;
    model_.working().LedMode = 0;
    EXPECT_EQ(model_.currentProfile(), 0);
    EXPECT_EQ(model_.currentStage(), -1);
    EXPECT_EQ(model_.lightingMode(), 1);
}

TEST_F(PanelModelTest, SavesKeepTheServicesClickCounters) {
    platform::writeProfileInt(paths_.settingsPath, "Setting", "LeftCount", 41);
    platform::writeProfileInt(paths_.settingsPath, "Setting", "RightCount", 7);
    ASSERT_TRUE(model_.selectProfile(2));
    EXPECT_EQ(fileInt("LeftCount"), 41);
    EXPECT_EQ(fileInt("RightCount"), 7);
    EXPECT_EQ(model_.working().LeftCount, 41);
}

TEST_F(PanelModelTest, CommandsSaveBeforeTheyTellTheService) {
    EXPECT_FALSE(model_.selectProfile(0));  // the current profile: nothing
    EXPECT_FALSE(model_.selectProfile(5));
    ASSERT_TRUE(service_.sent.empty());

    ASSERT_TRUE(model_.selectProfile(3));
    model_.working().WheelScrollLines = 6;
    model_.apply();
    model_.resetAll();
    ASSERT_EQ(service_.sent.size(), 3u);
    EXPECT_EQ(service_.sent[0].message, msg::kProfile);
    EXPECT_NE(service_.sent[0].fileAtSend.find("Profile=3"), std::string::npos);
    EXPECT_EQ(service_.sent[1].message, msg::kApplyAll);
    EXPECT_NE(service_.sent[1].fileAtSend.find("WheelScrollLines=6"), std::string::npos);
    EXPECT_EQ(service_.sent[2].message, msg::kApplyAll);
    EXPECT_NE(service_.sent[2].fileAtSend.find("Profile=0"), std::string::npos);
    EXPECT_EQ(model_.working().WheelScrollLines, 1);
    // The reset was saved whole: a window started now shows the same.
    panel::PanelModel again(paths_, service_);
    again.load();
    EXPECT_EQ(again.currentProfile(), 0);
    EXPECT_EQ(again.working().WheelScrollLines, 1);
    EXPECT_EQ(0, std::memcmp(&again.working().profiles, &model_.working().profiles, sizeof model_.working().profiles));
}

TEST_F(PanelModelTest, ARenamedMacroIsNotBroughtBackByTheNextSave) {
    macro::MacroLibrary library(paths_.settingsPath, paths_.macroFolder);
    std::string name;
    ASSERT_EQ(library.createNew("Macro", 1, name), macro::LibraryResult::Ok);
    ButtonRecord& r = model_.working().profiles[0].buttons[4];
    r.code = 6;
    macro::setButtonMacroName(r, name);
    ASSERT_TRUE(model_.save());
    ASSERT_EQ(library.rename(name, "Renamed"), macro::LibraryResult::Ok);
    model_.macroListChanged();
    ASSERT_TRUE(model_.save());
    EXPECT_EQ(macro::buttonMacroName(model_.working().profiles[0].buttons[4]), "Renamed");
    ASSERT_FALSE(service_.sent.empty());
    EXPECT_EQ(service_.sent.back().message, msg::kApplyAll);
}

TEST_F(PanelModelTest, ProgramRulesAreStoredBeforeTheServiceHearsAndBadOnesChangeNothing) {
    model_.working().WheelScrollLines = 6;  // an unapplied edit stays out of the rule's write
    struct Case {
        int profile;
        std::string program;
        bool stored;
        std::string expected;  // the rule afterwards
    } cases[] = {
        {2, "game", true, "game"},
        {2, "/proc/self/exe", true, std::filesystem::canonical("/proc/self/exe").string()},
        {2, "", true, ""},
        {4, "/opt/" + std::string(300, 'x'), false, ""},
        {4, "two\nlines", false, ""},
        {5, "game", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        service_.sent.clear();
        EXPECT_EQ(model_.setProgramRule(c.profile, c.program), c.stored);
        EXPECT_EQ(model_.programRule(c.profile), c.expected);
        ASSERT_EQ(service_.sent.size(), c.stored ? 1u : 0u);
        if (!c.stored) continue;
        EXPECT_EQ(service_.sent[0].message, msg::kProgramRules);
        EXPECT_NE(service_.sent[0].fileAtSend.find("Exe=" + c.expected + "\n"), std::string::npos);
        EXPECT_EQ(service_.sent[0].fileAtSend.find("WheelScrollLines=6"), std::string::npos);
    }
}

TEST(PanelBus, OnlyTheNumbersOtherProgramsSendAreAcceptedFromTheBus) {
    for (uint32_t m : {1285u, 1034u, 1224u, 1294u, 1280u, 1282u, 0x10u, 0x12u}) EXPECT_TRUE(panel::acceptedFromBus(m)) << m;
    for (uint32_t m : {1094u, 1095u, 1281u, 1303u, 5122u, 13314u, 2258u, 5121u, 1298u, 0u})
        EXPECT_FALSE(panel::acceptedFromBus(m)) << m;
}

TEST(PanelBus, TheWindowsNumbersAreApartFromEachOtherAndOnlyTheBussAreTakenFromIt) {
    // What the window's handler takes from its own controls and the capture plugin, then from the bus.
    const uint32_t controls[] = {skin::kMenuChosen,   skin::kSliderReleased,    skin::kSliderDragged,
                                 skin::kColourChanged, skin::kEditKeyReleased,  skin::kListSelected,
                                 skin::kListMenuRequested, skin::kListEditDelay, skin::kListEditMove,
                                 macro::kMacroChosen,  panel::kHookKey,         panel::kHookMouse};
    const uint32_t bus[] = {msg::kMouseChanged, msg::kRemoteCommand, msg::kReloadDpiStages, msg::kBlankPage,
                            msg::kMouseUnplug,  msg::kCounters,      msg::kWriteFailed,     msg::kShortcutState,
                            msg::kClose,        msg::kQuit};
    std::set<uint32_t> seen;
    for (uint32_t m : controls) {
        EXPECT_TRUE(seen.insert(m).second) << m;
        EXPECT_FALSE(panel::acceptedFromBus(m)) << m;
    }
    for (uint32_t m : bus) EXPECT_TRUE(seen.insert(m).second && panel::acceptedFromBus(m)) << m;
    EXPECT_EQ(seen.count(skin::kSubmenuChosen), 0u);  // between a menu's two levels only
}

}  // namespace

namespace {

class ProfileFileTest : public PanelModelTest {};

TEST_F(ProfileFileTest, ExportThenImportRestoresTheSettingsAndNamesTheProfile) {
    model_.working().WheelScrollLines = 7;
    model_.working().profiles[2].buttons[3].code = 65;
    const std::string file = env_.file("game.prof");
    ASSERT_TRUE(model_.exportProfile(file));
    model_.working().WheelScrollLines = 2;
    model_.working().profiles[2].buttons[3].code = 66;

    EXPECT_FALSE(model_.importProfile(env_.file("missing.prof")));
    std::FILE* notes = std::fopen(env_.file("notes.prof").c_str(), "w");
    std::fputs("[Shopping]\nmilk=1\n", notes);
    std::fclose(notes);
    EXPECT_FALSE(model_.importProfile(env_.file("notes.prof")));  // none of the settings' sections
    EXPECT_EQ(model_.working().WheelScrollLines, 2);  // nothing changed
    EXPECT_TRUE(service_.sent.empty());

    const auto before = platform::readWholeFile(file);
    ASSERT_TRUE(model_.importProfile(file));
    EXPECT_EQ(platform::readWholeFile(file), before);  // the chosen file is only read
    EXPECT_EQ(model_.working().WheelScrollLines, 7);
    EXPECT_EQ(model_.working().profiles[2].buttons[3].code, 65);
    ASSERT_EQ(service_.sent.size(), 1u);
    EXPECT_EQ(service_.sent[0].message, msg::kApplyAll);
    EXPECT_NE(service_.sent[0].fileAtSend.find("WheelScrollLines=7"), std::string::npos);
    EXPECT_EQ(platform::readProfileString(paths_.settingsPath, "Setting", "ProfileName", ""), "game");
    EXPECT_FALSE(std::filesystem::exists(env_.file(".game.prof.lock")));  // nothing left in the user's folder
}

}  // namespace

namespace {

TEST_F(PanelModelTest, AFunctionIsWrittenSavedThenSentAndRefusedOnesChangeNothing) {
    ASSERT_TRUE(model_.assignFunction(2, 4, kCodeDpiShift, assignment::DpiShift{3}));
    const ButtonRecord& r = model_.working().profiles[2].buttons[4];
    EXPECT_EQ(r.code, kCodeDpiShift);
    EXPECT_EQ(r.param1, 3);
    ASSERT_EQ(service_.sent.size(), 1u);
    EXPECT_EQ(service_.sent[0].message, msg::kButton);
    EXPECT_EQ(service_.sent[0].wParam, 2);
    EXPECT_EQ(service_.sent[0].lParam, 4);
    EXPECT_NE(service_.sent[0].fileAtSend.find(platform::encodeStruct(&r, sizeof r)), std::string::npos);  // saved first

    const struct {
        int profile, button;
        uint8_t code;
        assignment::Value value;
    } refused[] = {{5, 0, kCodeCopy, {}}, {0, 11, kCodeCopy, {}}, {-1, 0, kCodeCopy, {}},
                   {0, 0, kCodeSingleKey, assignment::XShoot{}}, {0, 0, kCodeDpiShift, assignment::DpiShift{9}}};
    const MouseSettings before = model_.working();
    for (const auto& c : refused) EXPECT_FALSE(model_.assignFunction(c.profile, c.button, c.code, c.value));
    EXPECT_EQ(std::memcmp(&before, &model_.working(), sizeof before), 0);
    EXPECT_EQ(service_.sent.size(), 1u);
}

}  // namespace
