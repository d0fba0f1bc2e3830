// korvantectl against the service and the virtual mouse: each command's change reaches the
// mouse's memory and the settings file, --json output is well-formed, and refused input changes
// neither.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/atomic_file.h"
#include "shared/macro_file.h"
#include "shared/window_messages.h"
#include "tests/service/e2e_support.h"

namespace {

using e2e::bytes;
using e2e::repeat;

// A strict JSON syntax check (the whole text must be one value plus a newline).
class JsonCheck {
public:
    explicit JsonCheck(const std::string& t) : t_(t) {}
    bool valid() {
        if (!value()) return false;
        ws();
        return p_ == t_.size();
    }

private:
    void ws() {
        while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\n' || t_[p_] == '\t' || t_[p_] == '\r')) ++p_;
    }
    bool lit(const char* s) {
        const std::string w(s);
        if (t_.compare(p_, w.size(), w) != 0) return false;
        p_ += w.size();
        return true;
    }
    bool string() {
        if (!lit("\"")) return false;
        while (p_ < t_.size() && t_[p_] != '"') {
            if (static_cast<unsigned char>(t_[p_]) < 0x20) return false;
            p_ += t_[p_] == '\\' ? 2 : 1;
        }
        return lit("\"");
    }
    bool value() {
        ws();
        if (p_ >= t_.size()) return false;
        const char ch = t_[p_];
        if (ch == '"') return string();
        if (ch == '{' || ch == '[') {
            const char close = ch == '{' ? '}' : ']';
            ++p_;
            ws();
            if (lit(std::string(1, close).c_str())) return true;
            do {
                if (ch == '{') {
                    ws();
                    if (!string()) return false;
                    ws();
                    if (!lit(":")) return false;
                }
                if (!value()) return false;
                ws();
            } while (lit(","));
            return lit(std::string(1, close).c_str());
        }
        if (lit("true") || lit("false") || lit("null")) return true;
        const size_t start = p_;
        if (t_[p_] == '-') ++p_;
        while (p_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[p_]))) ++p_;
        return p_ > start && std::isdigit(static_cast<unsigned char>(t_[p_ - 1]));
    }
    const std::string& t_;
    size_t p_ = 0;
};

class Korvantectl : public e2e::ServiceTest {
protected:
    int ctl(std::vector<std::string> args, std::string* out = nullptr) {
        args.insert(args.begin(), e2e::binPath("korvantectl"));
        return e2e::runToEnd(args, out, 20000);
    }
    // The service handles the posted request on its own time: poll the memory, bounded.
    bool waitDump(uint32_t address, const std::vector<uint8_t>& want) {
        for (int i = 0; i < 250; ++i) {
            if (h.dump(address, static_cast<uint32_t>(want.size())) == want) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        return false;
    }
    std::string settingsText() { return platform::readWholeFile(h.settingsPath()).value_or(""); }
};

TEST_F(Korvantectl, EveryChangeLandsInTheMouseAndTheFile) {
    const uint16_t p0 = devmap::kProfileBase[0];
    // A macro file to import, outside the data folder.
    const std::string source = h.root() + "/Alpha.macro";
    macro::Block block{};
    macro::setEventAt(block, 0, macro::keyEvent(0x04, true));
    macro::setEventAt(block, 1, macro::keyEvent(0x04, false));
    ASSERT_TRUE(macro::writeMacroFile(source, 2, 3, block, true));
    const std::vector<uint8_t> slot = [&] {
        std::vector<uint8_t> s(devmap::kMacroSlotSize, 0);
        std::copy(block.begin(), block.begin() + 6, s.begin());
        return s;
    }();

    struct Case {
        std::vector<std::string> args;
        uint32_t address;
        std::vector<uint8_t> memory;
        std::function<void(const MouseSettings&)> file;
    };
    const std::vector<Case> cases = {
        {{"rate", "250"}, devmap::kPollingA, bytes({4, 0, 4, 0, 4, 0}), [](auto& s) { EXPECT_EQ(s.PollingRate, 4); }},
        {{"wheel", "7"}, devmap::kWheelLines, repeat(bytes({7, 0}), 5), [](auto& s) { EXPECT_EQ(s.WheelScrollLines, 7); }},
        {{"lift", "1"}, devmap::kLiftAngle, bytes({0x01}), [](auto& s) { EXPECT_EQ(s.LiftV, 1); }},
        {{"angle", "on"}, devmap::kLiftAngle, bytes({0x81}), [](auto& s) { EXPECT_EQ(s.AngleV, 128); }},
        {{"dpi", "2", "1600"}, p0 + devmap::kDpiStageOffset + 6u, bytes({1, 32, 0, 32, 0}),
         [](auto& s) { EXPECT_EQ(s.dpiStages[1].common, 32); }},
        {{"dpi", "3", "800", "16000"}, p0 + devmap::kDpiStageOffset + 12u, bytes({1, 16, 0, 0x40, 1}),
         [](auto& s) { EXPECT_EQ(s.dpiStages[2].separate, 1); }},
        {{"dpi", "5"}, p0 + devmap::kDpiIndexOffset, bytes({4}), [](auto& s) { EXPECT_EQ(s.DPI, 4); }},
        {{"lighting", "1", "--color", "204080", "--level", "2", "--on"}, devmap::kLedRecord, bytes({0x80, 0x20, 0x40, 0x80}),
         [](auto& s) { EXPECT_EQ(s.LedColor, 0x804020); }},
        {{"button", "4", "copy"}, devmap::buttonAddress(0, 3), bytes({0x8E, 1, 0xFF, 0x41}),
         [](auto& s) { EXPECT_EQ(s.profiles[0].buttons[3].code, 65); }},
        {{"button", "5", "key", "f5"}, devmap::buttonAddress(0, 4), bytes({0x90, 0, 62, 0}),
         [](auto& s) { EXPECT_EQ(s.profiles[0].buttons[4].byte(5), 62); }},
        {{"button", "6", "dpi-shift", "1000", "--profile", "2"}, devmap::buttonAddress(1, 5), bytes({0x9A, 1, 0x26, 0x26}),
         [](auto& s) { EXPECT_EQ(s.profiles[1].buttons[5].code, 15); }},
        // A macro no button uses is written nowhere; assigned, it gets the first slot.
        {{"macro", "import", source}, devmap::macroSlotAddress(0), std::vector<uint8_t>(200, 0), [](auto&) {}},
        {{"button", "7", "macro", "Alpha"}, devmap::macroSlotAddress(0), slot,
         [&](auto& s) {
             EXPECT_EQ(s.profiles[0].buttons[6].code, 6);
             EXPECT_EQ(h.dump(devmap::buttonAddress(0, 6), 4), bytes({0x91, 0x40, 3, 0}));
         }},
        {{"macro", "delete", "Alpha"}, devmap::macroSlotAddress(0), std::vector<uint8_t>(200, 0), [](auto&) {}},
        {{"export", h.root() + "/saved.prof"}, devmap::kWheelLines, repeat(bytes({7, 0}), 5), [](auto&) {}},
        {{"reset"}, devmap::kWheelLines, repeat(bytes({1, 0}), 5), [](auto& s) { EXPECT_EQ(s.WheelScrollLines, 1); }},
        {{"import", h.root() + "/saved.prof"}, devmap::kWheelLines, repeat(bytes({7, 0}), 5),
         [](auto& s) { EXPECT_EQ(s.WheelScrollLines, 7); }},
        {{"profile", "3"}, devmap::kProfile, bytes({2, 0}), [](auto& s) { EXPECT_EQ(s.Profile, 2); }},
    };
    h.avoidTrailerTimer(60000);
    int notices = h.panelLineCount("1285 0 0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1 % c.args.size()]);
        std::string out;
        EXPECT_EQ(ctl(c.args, &out), 0) << out;
        EXPECT_TRUE(waitDump(c.address, c.memory)) << h.serviceLog();
        c.file(*h.loadSettings());
        // The window is told to reload after every change (an export changes nothing).
        if (c.args[0] != "export") {
            EXPECT_TRUE(h.waitPanelLine("1285 0 0", ++notices));
        }
    }
    // Apply rewrites what the mouse lost.
    ASSERT_TRUE(h.poke(devmap::kWheelLines, bytes({0, 0})));
    EXPECT_EQ(ctl({"apply"}), 0);
    EXPECT_TRUE(waitDump(devmap::kWheelLines, repeat(bytes({7, 0}), 5)));
}

TEST_F(Korvantectl, JsonOutputParses) {
    for (auto args : std::vector<std::vector<std::string>>{{"status"}, {"buttons"}, {"dpi"}, {"lighting"}, {"rate"},
                                                           {"macro", "list"}, {"wheel", "2"}, {"profile", "9"}}) {
        std::string out;
        args.insert(args.begin(), "--json");
        ctl(args, &out);
        EXPECT_TRUE(JsonCheck(out).valid()) << out;
    }
    std::string out;
    ASSERT_EQ(ctl({"--json", "status"}, &out), 0);
    EXPECT_NE(out.find("\"service\":true,\"mouse\":true,\"profile\":1"), std::string::npos) << out;
}

TEST_F(Korvantectl, RefusedInputLeavesFileAndMouseAlone) {
    h.avoidTrailerTimer(30000);
    const std::string file = settingsText();
    const auto before = image();
    for (auto args : std::vector<std::vector<std::string>>{
             {"profile", "6"}, {"dpi", "1", "125"}, {"rate", "333"}, {"lighting", "7"}, {"wheel", "0"},
             {"button", "1", "copy"}, {"button", "2", "key", "ctrl+c"}, {"button", "2", "macro", "None"},
             {"macro", "new", "../escape"}, {"import", "/nonexistent.prof"}, {"bogus"}}) {
        SCOPED_TRACE(args[0]);
        args.insert(args.begin(), e2e::binPath("korvantectl"));
        const std::string errPath = h.root() + "/err.txt";
        e2e::Child child = e2e::spawn(args, "", errPath);
        EXPECT_EQ(e2e::waitExit(child.pid, 10000), 1);
        EXPECT_NE(e2e::readFile(errPath).find("korvantectl: "), std::string::npos);
        EXPECT_EQ(settingsText(), file);
    }
    EXPECT_TRUE(h.postAndSettle(msg::kScrollTrayFlags));
    EXPECT_EQ(e2e::changedOutside(before, image(), {}), std::vector<uint32_t>{});
}

// Without the service, or without the mouse, a change is saved (exit 2) and kept until it can be
// written: the service that starts, or sees the mouse come back, writes the saved settings
// instead of reading the mouse's older ones back over them.
TEST_F(Korvantectl, WithoutTheServiceOrTheMouseTheChangeReachesTheMouseLater) {
    ASSERT_EQ(h.stopService(), 0);
    EXPECT_EQ(ctl({"wheel", "4"}), 2);
    EXPECT_EQ(h.loadSettings()->WheelScrollLines, 4);
    EXPECT_EQ(h.readSettingInt("Setting", "Unwritten"), 1);
    ASSERT_TRUE(h.startService()) << h.serviceLog();
    EXPECT_EQ(h.dump(devmap::kWheelLines, 2), bytes({4, 0}));
    EXPECT_EQ(h.loadSettings()->WheelScrollLines, 4);
    EXPECT_EQ(h.readSettingInt("Setting", "Unwritten"), -99) << "the mark goes once the mouse has it";

    ASSERT_EQ(h.mousesim({"unplug"}), 0);
    ASSERT_TRUE(h.waitLog("MONITORCLOSE", 2));
    auto s = h.loadSettings();
    s->PollingRate = 4;
    ASSERT_TRUE(h.saveSettings(*s));
    int64_t result = -1;
    ASSERT_TRUE(h.send(msg::kPollingRate, 0, 0, &result));
    EXPECT_EQ(result, msg::kWriteNoMouse);
    const int readBacks = h.panelLineCount("1285 0 0");  // korvantectl's reload notices count too
    ASSERT_EQ(h.mousesim({"plug"}), 0);
    ASSERT_TRUE(h.waitReadBack(readBacks + 1)) << h.serviceLog();
    EXPECT_EQ(h.dump(devmap::kPollingA, 2), bytes({4, 0})) << h.serviceLog();
    EXPECT_EQ(h.loadSettings()->PollingRate, 4);
}

}  // namespace
