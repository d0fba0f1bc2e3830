// The tray's status texts from settings records, including records the store does not validate.
#ifdef KORVANTE_TRAYLET_QT
#include "traylet/tray_status.h"

#include "traylet_test_support.h"

#include "shared/string_table.h"
#include "shared/window_messages.h"

#include <climits>

namespace {

std::unique_ptr<MouseSettings> shipped() {
    auto s = std::make_unique<MouseSettings>();
    settings::shippedDefaults(*s);
    return s;
}

TEST(TrayStatus, ShowsProfileStageAndResolution) {
    auto s = shipped();
    s->Profile = 1;
    s->DPI = 2;
    tray::Status st = tray::statusFromSettings(*s);
    EXPECT_EQ(tray::tooltipText(st), "KORVANTE mouse \u2014 Profile 2 \u00b7 DPI stage 3 (1500 DPI)");

    s->Profile = 4;
    s->DPI = 6;
    s->dpiStages[6] = DpiStage{0, 2, 99, 99};  // lowest step; separate values ignored while flag 0
    EXPECT_EQ(tray::summaryText(tray::statusFromSettings(*s)), "Profile 5 \u00b7 DPI stage 7 (100 DPI)");
    s->dpiStages[6] = DpiStage{1, 2, 320, 10};
    EXPECT_EQ(tray::summaryText(tray::statusFromSettings(*s)), "Profile 5 \u00b7 DPI stage 7 (16000 \u00d7 500 DPI)");
    s->dpiStages[6] = DpiStage{1, 2, 60, 60};  // separate but equal reads like one value
    EXPECT_EQ(tray::summaryText(tray::statusFromSettings(*s)), "Profile 5 \u00b7 DPI stage 7 (3000 DPI)");
}

TEST(TrayStatus, OutOfRangeValuesNeverIndexOutsideTheRecord) {
    auto s = shipped();
    s->profiles[0].DPI = 4;
    for (int32_t bad : {-1, 7, 100, INT_MAX, INT_MIN}) {
        s->DPI = bad;  // "DPI" is not validated: fall back to the profile's stage
        EXPECT_EQ(tray::statusFromSettings(*s).stage, 4) << bad;
    }
    s->profiles[0].DPI = -1;
    s->DPI = -1;
    tray::Status st = tray::statusFromSettings(*s);
    EXPECT_EQ(st.stage, -1);
    EXPECT_EQ(tray::summaryText(st), "Profile 1");

    s->DPI = 0;
    for (int32_t bad : {-1, 0, 1, 321, INT_MIN}) {  // unset or impossible step: no DPI figure
        s->dpiStages[0] = DpiStage{0, bad, bad, bad};
        EXPECT_EQ(tray::summaryText(tray::statusFromSettings(*s)), "Profile 1 \u00b7 DPI stage 1") << bad;
    }
    s->dpiStages[0] = DpiStage{1, 10, 10, -1};  // one axis unset
    EXPECT_EQ(tray::summaryText(tray::statusFromSettings(*s)), "Profile 1 \u00b7 DPI stage 1");

    s->Profile = 9;  // an unvalidated record
    EXPECT_EQ(tray::statusFromSettings(*s).profile, 0);
    s->Profile = -3;
    EXPECT_EQ(tray::statusFromSettings(*s).profile, 0);
}

TEST(TrayStatus, ProfileNameIsConvertedFromUtf16) {
    auto s = shipped();
    const char16_t name[] = u"FPS \u00e9\u4e2d \U0001F5B1";
    std::copy(std::begin(name), std::end(name), s->profiles[0].Name);
    EXPECT_EQ(tray::statusFromSettings(*s).profileName, "FPS \u00e9\u4e2d \U0001F5B1");
    s->profiles[0].Name[0] = 0xD800;  // unpaired surrogate
    s->profiles[0].Name[1] = u'x';
    s->profiles[0].Name[2] = 0;
    EXPECT_EQ(tray::statusFromSettings(*s).profileName, "\uFFFDx");
    // A name without terminator stops at the end of the field.
    std::fill(std::begin(s->profiles[0].Name), std::end(s->profiles[0].Name), u'a');
    EXPECT_EQ(tray::statusFromSettings(*s).profileName.size(), size_t(kNameLength));
}

TEST(TrayTexts, BuiltInEnglishMatchesTheShippedFileAndTranslationsReplaceIt) {
    const std::string english = std::string(KORVANTE_SOURCE_DIR) + "/data/Strings.xml";
    EXPECT_EQ(tray::loadTexts(::StringTable(std::vector<std::string>{english})), tray::Texts{});
    const std::string german = std::string(KORVANTE_SOURCE_DIR) + "/data/Strings.de.xml";
    const tray::Texts de = tray::loadTexts(::StringTable(std::vector<std::string>{german, english}));
    auto s = shipped();
    s->Profile = 1;
    s->DPI = 2;
    EXPECT_EQ(tray::tooltipText(tray::statusFromSettings(*s), de), "KORVANTE-Maus \u2014 Profil 2 \u00b7 DPI-Stufe 3 (1500 DPI)");
    EXPECT_EQ(tray::fillIn("%2 of %1, %3%", {"a", "b"}), "b of a, %3%");
}

TEST(TrayNoticeTexts, TextOfEachChangeTheMouseReports) {
    auto s = shipped();
    s->dpiStages[2] = DpiStage{0, 30, 0, 0};
    s->dpiStages[3] = DpiStage{1, 0, 32, 16};
    s->dpiStages[4] = DpiStage{0, -1, -1, -1};
    const char16_t name[] = u"Shooter";
    std::copy(std::begin(name), std::end(name), s->profiles[1].Name);
    using tray::Notice;
    const struct {
        int32_t kind, value;
        std::optional<Notice> notice;
    } cases[] = {
        {msg::kChangedDpiStage, 2, Notice{"DPI stage 3 - 1500 DPI", ""}},
        {msg::kChangedDpiStage, 3, Notice{"DPI stage 4 - 1600 \u00d7 800 DPI", ""}},
        {msg::kChangedDpiStage, 4, Notice{"DPI stage 5", ""}},  // resolution unset
        {msg::kChangedDpiStage, 7, std::nullopt},
        {msg::kChangedDpiStage, -1, std::nullopt},
        {msg::kChangedProfile, 1, Notice{"Profile 2", "Shooter"}},
        {msg::kChangedProfile, 4, Notice{"Profile 5", ""}},
        {msg::kChangedProfile, 5, std::nullopt},
        {msg::kChangedLighting, 0, Notice{"Lighting off", ""}},
        {msg::kChangedLighting, 2, Notice{"Lighting: Wave", ""}},
        {msg::kChangedLighting, 32, Notice{"Lighting: Custom", ""}},
        {msg::kChangedLighting, 64, Notice{"Lighting: Steady", ""}},  // as the window stores it: mode 1
        {msg::kChangedLighting, 6, Notice{"Lighting: Steady", ""}},
        {msg::kChangedReload, 0, std::nullopt},
        {1234, 1, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(tray::noticeFor(c.kind, c.value, *s), c.notice) << c.kind << " " << c.value;
}

class TrayStatusFile : public traytest::PrivateSession {};

TEST_F(TrayStatusFile, ReadsValidatedSettingsAndTheDeviceFlag) {
    EXPECT_FALSE(tray::readStatus(platform::settingsPath()).settingsFound);
    EXPECT_EQ(tray::tooltipText(tray::readStatus(platform::settingsPath())), "KORVANTE mouse \u2014 No settings yet");

    writeSettings([](MouseSettings& s) {
        s.Profile = 7;  // stored as 7, validated to 0
        s.DPI = 3;
    });
    ASSERT_TRUE(settings::writeDevice(platform::settingsPath(), 1));
    const std::string before = readText(platform::settingsPath());
    tray::Status st = tray::readStatus(platform::settingsPath());
    EXPECT_TRUE(st.settingsFound);
    EXPECT_EQ(st.profile, 0);
    EXPECT_EQ(st.stage, 3);
    EXPECT_EQ(st.dpiX, 2000);
    EXPECT_TRUE(st.deviceConnected);
    EXPECT_EQ(readText(platform::settingsPath()), before) << "reading must not normalise the file";
}

}  // namespace
#endif
