// The values of the settings through the service and the virtual mouse: every control's values,
// changed by the settings rules and announced with the window's requests, read back from the mouse
// as they were set; a settings file that cannot be read writes nothing; damaged values never put
// anything into the mouse it cannot hold.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/atomic_file.h"
#include "platform/profile_ini.h"
#include "shared/function_codes.h"
#include "shared/mouse_settings.h"
#include "shared/settings_rules.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

namespace sr = settingsrules;

class Values : public e2e::ServiceTest {
protected:
    // Unplugs and plugs the mouse; returns once the service has read it back into the file.
    void replug(int readBacks) {
        ASSERT_EQ(h.mousesim({"unplug"}), 0);
        ASSERT_TRUE(h.waitLog("MONITORCLOSE", 2 * (readBacks - 1))) << h.serviceLog();
        ASSERT_EQ(h.mousesim({"plug"}), 0);
        ASSERT_TRUE(h.waitReadBack(readBacks)) << h.serviceLog();
    }
};

// A button's function as its dialog stores it: code and parameter bytes 2, 3 and 5.
sr::Request assign(MouseSettings& s, int button, uint8_t code, int b2, int b3, int b5) {
    ButtonRecord& r = s.profiles[1].buttons[button];
    r.code = code;
    r.byte(2) = static_cast<uint8_t>(b2);
    r.byte(3) = static_cast<uint8_t>(b3);
    r.byte(5) = static_cast<uint8_t>(b5);
    return sr::buttonChanged(1, button);
}

// Every key of the file, but the service's own status keys, with its value.
std::vector<std::string> keysOf(const std::string& path) {
    const platform::IniDocument doc = platform::readProfileDocument(path);
    std::vector<std::string> out;
    for (const std::string& section : doc.sectionNames())
        for (const std::string& key : doc.keyNames(section))
            if (key != "Device" && key != settings::kWriteFailedKey)
                out.push_back(section + "/" + key + "=" + doc.get(section, key).value_or(""));
    return out;
}

// Each round gives every control its next value with the request the window and korvantectl send
// for it, then unplugs and plugs the mouse: the read-back must save exactly what was set. The
// values are each control's ends and the ones that used to come back changed.
TEST_F(Values, EverySettableValueOfEveryControlReadsBackAsSet) {
    struct Control {
        const char* name;
        std::vector<int32_t> values;
        std::function<sr::Request(MouseSettings&, int32_t)> change;
    };
    const Control controls[] = {
        {"profile", {2, 0, 4, 1}, [](MouseSettings& s, int32_t v) { return sr::selectProfile(s, v); }},
        {"stage", {6, 0, 3, 2}, [](MouseSettings& s, int32_t v) { return sr::selectStage(s, v); }},
        {"one value", {2, 320, 255, 256}, [](MouseSettings& s, int32_t v) { return sr::setStageDpi(s, 1, v); }},
        {"two axes", {2, 320, 256, 100},
         [](MouseSettings& s, int32_t v) { return sr::setStageAxes(s, 4, v, v == 100 ? 100 : 322 - v); }},
        {"separate", {1, 0, 1, 0}, [](MouseSettings& s, int32_t v) { return sr::setSeparate(s, 0, v); }},
        {"report rate", {0, 3, 1, 2}, [](MouseSettings& s, int32_t v) { return sr::setReportRate(s, v); }},
        {"wheel", {10, 1, 5, 2}, [](MouseSettings& s, int32_t v) { return sr::setWheelLines(s, v); }},
        {"angle", {1, 0, 1, 0}, [](MouseSettings& s, int32_t v) { return sr::setAngle(s, v); }},
        {"lift", {1, 0, 1, 0}, [](MouseSettings& s, int32_t v) { return sr::setLift(s, v); }},
        {"double click", {4, 20, 12, 5}, [](MouseSettings& s, int32_t v) { return sr::setDoubleClick(s, v); }},
        {"acceleration", {13, 1, 7, 2}, [](MouseSettings& s, int32_t v) { return sr::setAcceleration(s, v); }},
        {"acceleration switch", {0, 1, 0, 1}, [](MouseSettings& s, int32_t) { return sr::toggleAcceleration(s); }},
        // Directions 1, 2 belong to mode 2, directions 3, 4 to mode 5: chosen there first.
        {"direction", {1, 4, 2, 3},
         [](MouseSettings& s, int32_t v) {
             sr::setLightingMode(s, v <= 2 ? 2 : 5);
             return sr::setLightingDirection(s, v);
         }},
        {"mode", {4, 5, 3, 2}, [](MouseSettings& s, int32_t v) { return sr::setLightingMode(s, v); }},
        {"level", {1, 4, 2, 3}, [](MouseSettings& s, int32_t v) { return sr::setLightingLevel(s, v); }},
        {"rate", {0, 8, 1, 5}, [](MouseSettings& s, int32_t v) { return sr::setLightingRate(s, v); }},
        {"on", {0, 1, 0, 1}, [](MouseSettings& s, int32_t v) { return sr::setLightingOn(s, v); }},
        {"colour", {0x00A0FF, 0xFFFFFF, 0, 0x123456},
         [](MouseSettings& s, int32_t v) { return sr::setLightingColour(s, static_cast<uint32_t>(v)); }},
        {"function", {kCodeLedModeSwitch, kCodeShift1 + 2, kCodeShift5, kCodeLedSwitch},
         [](MouseSettings& s, int32_t v) { return assign(s, 7, static_cast<uint8_t>(v), 1, 0, 0); }},
        {"DPI shift", {3, 4, 1, 2}, [](MouseSettings& s, int32_t v) { return assign(s, 3, kCodeDpiShift, v, 0, 0); }},
        {"x-shoot", {255, 1, 128, 7},
         [](MouseSettings& s, int32_t v) {
             return assign(s, 4, kCodeXShoot, v, sr::kXShootIntervals.snap(v), v == 1 ? 0x04 : 0x81 + (v & 3));
         }},
        {"rapid fire", {0, 255, 3, 100},
         [](MouseSettings& s, int32_t v) {
             return assign(s, 5, kCodeRapidFire, v, sr::kRapidFireB.snap(v), sr::kRapidFireSpeeds.snap(v));
         }},
        {"key", {0x04, 0x2C, 0xE7, 0x3A}, [](MouseSettings& s, int32_t v) { return assign(s, 6, kCodeSingleKey, 1, 1, v); }},
    };
    const size_t rounds = 4;
    for (size_t round = 0; round < rounds; ++round) {
        for (const Control& control : controls) {
            SCOPED_TRACE(std::string(control.name) + " " + std::to_string(control.values[round]));
            auto s = h.loadSettings();
            const sr::Request request = control.change(*s, control.values[round]);
            ASSERT_TRUE(request);
            ASSERT_TRUE(h.saveSettings(*s));
            int64_t result = -1;
            ASSERT_TRUE(h.send(request.message, request.wParam, request.lParam, &result));
            EXPECT_EQ(result, 0);
        }
        const std::vector<std::string> set = keysOf(h.settingsPath());
        replug(static_cast<int>(round) + 2);
        const std::vector<std::string> back = keysOf(h.settingsPath());
        std::vector<std::string> changed;
        std::set_symmetric_difference(set.begin(), set.end(), back.begin(), back.end(), std::back_inserter(changed));
        EXPECT_EQ(changed, std::vector<std::string>{}) << "round " << round;
    }
}

// A settings path the service cannot read (a FIFO, a folder, a link to a device, a file over the
// size limit) holds none of the user's settings: no request writes a byte into the mouse, and each
// answers that it failed.
TEST_F(Values, UnreadableSettingsWriteNothingIntoTheMouse) {
    const std::string path = h.settingsPath(), kept = path + ".kept";
    ASSERT_EQ(::rename(path.c_str(), kept.c_str()), 0);
    const std::vector<std::pair<const char*, std::function<bool()>>> kinds = {
        {"FIFO", [&] { return ::mkfifo(path.c_str(), 0600) == 0; }},
        {"folder", [&] { return ::mkdir(path.c_str(), 0700) == 0; }},
        {"link to /dev/zero", [&] { return ::symlink("/dev/zero", path.c_str()) == 0; }},
        {"too large", [&] {
             const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
             const bool ok = fd >= 0 && ::ftruncate(fd, static_cast<off_t>(platform::kMaxReadSize + 1)) == 0;
             if (fd >= 0) ::close(fd);
             return ok;
         }},
    };
    const uint32_t requests[][3] = {{msg::kApplyAll, 0, 0},  {msg::kWheelLines, 0, 0}, {msg::kDpiValues, 2, 0},
                                    {msg::kLiftAngle, 0, 0}, {msg::kLighting, 0, 0},   {msg::kPollingRate, 0, 0},
                                    {msg::kDpiOrAcceleration, 0, 0}, {msg::kProfile, 0, 0},
                                    {msg::kButton, 0, 3},    {msg::kMacroSlot, 0, 0}};
    h.avoidTrailerTimer(5000);
    const std::vector<uint8_t> before = image();
    for (const auto& [kind, make] : kinds) {
        SCOPED_TRACE(kind);
        ASSERT_TRUE(make());
        for (const auto& r : requests) {
            int64_t result = -1;
            ASSERT_TRUE(h.send(r[0], r[1], r[2], &result));
            EXPECT_EQ(result, msg::kWriteSettingsUnreadable) << r[0];
        }
        EXPECT_TRUE(image() == before);
        std::filesystem::remove(path);
    }
    EXPECT_TRUE(h.waitLog("cannot be read, nothing written into the mouse"));
    ASSERT_EQ(::rename(kept.c_str(), path.c_str()), 0);
}

// Damaged values of every kind in "Mouse.ini", then a full write: the mouse holds only values it
// can; the file is corrected, with a diagnostics line naming each key. A profile file cut short is
// refused by korvantectl and changes nothing.
TEST_F(Values, DamagedValuesNeverReachTheMouse) {
    const std::vector<std::string> ints = {"PollingRate", "WheelScrollLines", "AngleV", "LiftV",
                                           "DPI",         "LedStateOn",       "LedColor", "LedMode"};
    const std::string good = e2e::readFile(h.settingsPath());
    const char* classes[] = {"", "lots", "-5", "2147483647", "4294967296", "0x10", "zeroed blobs"};
    for (const std::string damage : classes) {
        SCOPED_TRACE("\"" + damage + "\"");
        ASSERT_TRUE(platform::replaceFileAtomically(h.settingsPath(), good));
        if (damage == "zeroed blobs") {
            const DpiStage stage{0, 0, 0, 0};
            const LedModeInfo mode{0, 0, 0};
            for (int i = 1; i <= kDpiStageCount; ++i)
                ASSERT_TRUE(platform::writeProfileStruct(h.settingsPath(), "Setting", "DPI_INFO" + std::to_string(i), &stage, 16));
            for (int i = 1; i <= kLedModeCount; ++i)
                ASSERT_TRUE(platform::writeProfileStruct(h.settingsPath(), "Setting", "LED_MODE_INFO" + std::to_string(i), &mode, 12));
        } else {
            for (const std::string& key : ints) ASSERT_TRUE(platform::writeProfileString(h.settingsPath(), "Setting", key, damage));
            for (int p = 0; p < kProfileCount; ++p)
                ASSERT_TRUE(platform::writeProfileString(h.settingsPath(), settings::profileSection(p), "DPI", damage));
        }
        int64_t result = -1;
        ASSERT_TRUE(h.send(msg::kApplyAll, 0, 0, &result));
        EXPECT_EQ(result, 0);

        const std::vector<uint8_t> m = image();
        for (int i = 0; i < 10; i += 2) EXPECT_TRUE(m[0x20 + i] >= 1 && m[0x20 + i] <= 10) << "wheel " << int(m[0x20 + i]);
        EXPECT_LE(m[0x2A] & 0x7F, 1) << "lift";
        EXPECT_LE(m[0x2C], 4) << "profile";
        EXPECT_TRUE(m[0x32] >= 1 && m[0x32] <= 8) << "polling " << int(m[0x32]);
        for (uint16_t base : devmap::kProfileBase) {
            EXPECT_LE(m[base + 2], 6) << "stage index";
            for (int s = 0; s < kDpiStageCount; ++s)
                for (int axis = 0; axis < 2; ++axis) {
                    const int at = base + 4 + 6 * s + 1 + 2 * axis, steps = m[at] | m[at + 1] << 8;
                    EXPECT_TRUE(steps >= 2 && steps <= 320) << "DPI " << steps << " at " << at;
                }
        }
        const uint8_t mask = m[0x446];
        EXPECT_TRUE(mask == 1 || mask == 2 || mask == 4 || mask == 8 || mask == 16) << int(mask);
        for (int d = 0; d < 5; ++d) {
            EXPECT_TRUE(m[0x44D + 8 * d] >= 1 && m[0x44D + 8 * d] <= 9) << "rate of record " << d;
            EXPECT_LE(m[0x44F + 8 * d], 3) << "level of record " << d;
        }
        // The file holds values in range now; an empty value is unset and stays so.
        auto s = h.loadSettings();
        EXPECT_TRUE(sr::keepInRange(*s, nullptr, true).empty());
    }
    EXPECT_TRUE(h.waitLog("\"WheelScrollLines\" held a value the mouse cannot keep"));
    EXPECT_TRUE(h.waitLog("\"DPI_INFO1\" held a value the mouse cannot keep (common 0 -> 10, X 0 -> 10, Y 0 -> 10)"));

    // A profile file cut at 100 bytes: refused, nothing changes in the file or the mouse.
    ASSERT_TRUE(platform::replaceFileAtomically(h.settingsPath(), good));
    ASSERT_TRUE(h.send(msg::kApplyAll));
    const std::string cut = h.root() + "/cut.prof";
    ASSERT_TRUE(platform::replaceFileAtomically(cut, good.substr(0, 100)));
    const std::vector<uint8_t> before = image();
    EXPECT_EQ(e2e::runToEnd({e2e::binPath("korvantectl"), "import", cut}), 1);
    EXPECT_EQ(e2e::readFile(h.settingsPath()), good);
    EXPECT_TRUE(image() == before);
}

}  // namespace
