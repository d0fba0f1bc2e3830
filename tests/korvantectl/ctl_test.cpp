// korvantectl's command logic against a private settings file and a recording bus: which message
// each command sends, what it stores, and that every refused input leaves the file alone.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <latch>
#include <memory>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/profile_ini.h"
#include "shared/function_codes.h"
#include "shared/macro_buttons.h"
#include "shared/macro_file.h"
#include "shared/mouse_settings.h"
#include "shared/text_decoding.h"
#include "shared/window_messages.h"
#include "tests/support/private_session.h"
#include "tools/korvantectl/commands.h"
#include "tools/korvantectl/functions.h"
#include "tools/korvantectl/json.h"

namespace {

struct Sent {
    std::string title;
    uint32_t message;
    int64_t wParam, lParam;
    bool send;
    bool operator==(const Sent&) const = default;
};

class RecordingBus : public ctl::Bus {
public:
    bool service = true, panel = true;
    int64_t answer = 0;  // what the service's handler returns
    std::vector<Sent> sent;
    bool exists(const std::string& title) override { return title == title::kService ? service : panel; }
    bool post(const std::string& t, uint32_t m, int64_t w, int64_t l) override {
        sent.push_back({t, m, w, l, false});
        return exists(t);
    }
    bool send(const std::string& t, uint32_t m, int64_t w, int64_t l, int64_t* result) override {
        sent.push_back({t, m, w, l, true});
        if (result) *result = answer;
        return exists(t);
    }
};

class Ctl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.ready());
        std::filesystem::copy_file(KORVANTE_SOURCE_DIR "/data/Mouse.ini", paths.settings);
        std::filesystem::create_directory(paths.macroFolder);
        settings::writeDevice(paths.settings, 1);
    }
    ctl::Result run(std::vector<std::string> args) { return ctl::run(args, paths, bus); }
    std::unique_ptr<MouseSettings> load() {
        auto s = std::make_unique<MouseSettings>();
        settings::clear(*s);
        settings::loadAll(*s, paths.settings, -1);
        return s;
    }
    std::string fileText() { return platform::readWholeFile(paths.settings).value_or(""); }
    void makeMacro(const std::string& name) {
        ASSERT_EQ(run({"macro", "new", name}).exitCode, 0);
        bus.sent.clear();
    }

    testsupport::TempFolder tmp{"korvantectl-test"};
    ctl::Paths paths{tmp.file("Mouse.ini"), tmp.file("Macro"), KORVANTE_SOURCE_DIR "/data/Strings.xml"};
    RecordingBus bus;
};

// Every request is sent: korvantectl waits for the service's write and its read-back.
Sent toService(uint32_t m, int64_t w = 0, int64_t l = 0, bool send = true) { return {title::kService, m, w, l, send}; }
const Sent kReload{title::kPanel, msg::kMouseChanged, msg::kChangedReload, 0, false};

// Checks code and bytes 2, 3 and 5 of one button record (-1: not checked).
std::function<void(const MouseSettings&)> record(int profile, int button, int code, int b2, int b3, int b5) {
    return [=](const MouseSettings& s) {
        const ButtonRecord& r = s.profiles[profile].buttons[button];
        EXPECT_EQ(r.code, code);
        const int want[] = {b2, b3, b5}, at[] = {2, 3, 5};
        for (int i = 0; i < 3; ++i) {
            if (want[i] >= 0) {
                EXPECT_EQ(r.byte(at[i]), want[i]) << "byte " << at[i];
            }
        }
    };
}

TEST_F(Ctl, EachChangeIsStoredAndSendsTheWindowsMessage) {
    struct Case {
        std::vector<std::string> args;
        Sent message;
        std::function<void(const MouseSettings&)> check;
    };
    const Case cases[] = {
        {{"dpi", "4"}, toService(msg::kDpiOrAcceleration),
         [](const MouseSettings& s) { EXPECT_EQ(s.DPI, 3); EXPECT_EQ(s.profiles[s.Profile].DPI, 3); }},
        {{"dpi", "2", "1600"}, toService(msg::kDpiValues, 1),
         [](const MouseSettings& s) { EXPECT_EQ(s.dpiStages[1].separate, 0); EXPECT_EQ(s.dpiStages[1].common, 32); }},
        {{"dpi", "7", "800", "16000"}, toService(msg::kDpiValues, 6),
         [](const MouseSettings& s) { EXPECT_EQ(s.dpiStages[6].separate, 1); EXPECT_EQ(s.dpiStages[6].x, 16);
                                      EXPECT_EQ(s.dpiStages[6].y, 320); }},
        {{"rate", "250"}, toService(msg::kPollingRate, 0, 1), [](const MouseSettings& s) { EXPECT_EQ(s.PollingRate, 4); }},
        {{"rate", "1000"}, toService(msg::kPollingRate, 0, 3), [](const MouseSettings& s) { EXPECT_EQ(s.PollingRate, 1); }},
        {{"lighting", "2", "--color", "#102030", "--level", "3", "--rate=5", "--direction", "2", "--off"},
         toService(msg::kLighting),
         [](const MouseSettings& s) {
             EXPECT_EQ(s.LedMode, 2);
             EXPECT_EQ(s.LedColor, 0x302010);
             EXPECT_EQ(s.LedStateOn, 0);
             EXPECT_EQ(s.ledModes[1].level, 3);
             EXPECT_EQ(s.ledModes[1].rate, 5);
             EXPECT_EQ(s.ledModes[1].direction, 2);
         }},
        {{"wheel", "10"}, toService(msg::kWheelLines), [](const MouseSettings& s) { EXPECT_EQ(s.WheelScrollLines, 10); }},
        {{"lift", "1"}, toService(msg::kLiftAngle), [](const MouseSettings& s) { EXPECT_EQ(s.LiftV, 1); }},
        {{"angle", "on"}, toService(msg::kLiftAngle), [](const MouseSettings& s) { EXPECT_EQ(s.AngleV, 128); }},
        {{"button", "4", "copy"}, toService(msg::kButton, 0, 3, true),
         [](const MouseSettings& s) { EXPECT_EQ(s.profiles[0].buttons[3].code, kCodeCopy); }},
        {{"button", "9", "key", "F5", "--profile", "2"}, toService(msg::kButton, 1, 8, true), record(1, 8, 5, 1, 1, 62)},
        {{"button", "5", "dpi-shift", "750"}, toService(msg::kButton, 0, 4, true), record(0, 4, 15, 3, -1, -1)},
        {{"button", "6", "x-shoot", "3", "40", "middle"}, toService(msg::kButton, 0, 5, true), record(0, 5, 9, 3, 40, 0x84)},
        {{"button", "7", "rapid-fire"}, toService(msg::kButton, 0, 6, true), record(0, 6, 101, 3, 10, 30)},
        {{"button", "1", "profile-next"}, toService(msg::kButton, 0, 0, true),
         [](const MouseSettings& s) { EXPECT_EQ(s.profiles[0].buttons[0].code, kCodeProfileUp); }},
        {{"apply"}, toService(msg::kApplyAll), [](const MouseSettings&) {}},
        // The profile's own stage becomes the current one (the mouse keeps a stage per profile).
        {{"profile", "3"}, toService(msg::kProfile),
         [](const MouseSettings& s) { EXPECT_EQ(s.Profile, 2); EXPECT_EQ(s.DPI, s.profiles[2].DPI); }},
        // A program rule names the real file; the current profile stays.
        {{"profile", "4", "--exe", "/proc/self/exe"}, toService(msg::kProgramRules),
         [](const MouseSettings& s) {
             EXPECT_EQ(textcodec::toUtf8(s.profiles[3].Exe, kNameLength), std::filesystem::canonical("/proc/self/exe"));
             EXPECT_EQ(s.Profile, 2);
         }},
        {{"profile", "5", "--exe=game"}, toService(msg::kProgramRules),
         [](const MouseSettings& s) { EXPECT_EQ(textcodec::toUtf8(s.profiles[4].Exe, kNameLength), "game"); }},
        {{"profile", "4", "--exe", ""}, toService(msg::kProgramRules),
         [](const MouseSettings& s) { EXPECT_EQ(s.profiles[3].Exe[0], u'\0'); }},
        {{"reset", "--profile", "1"}, toService(msg::kApplyAll),
         [](const MouseSettings& s) { EXPECT_EQ(s.profiles[0].buttons[0].code, kCodeLeftClick); EXPECT_EQ(s.PollingRate, 2); }},
    };
    // A second left click on button 2, so button 1 may give its up.
    ASSERT_EQ(run({"button", "2", "left-click"}).exitCode, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        bus.sent.clear();
        ctl::Result r = run(c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(bus.sent, (std::vector<Sent>{c.message, kReload}));
        c.check(*load());
    }
    EXPECT_NE(run({"status"}).out.find("program:      profile 5 for game\n"), std::string::npos);
    EXPECT_NE(run({"--json", "status"}).out.find(R"("programs":["","","","","game"])"), std::string::npos);
}

TEST_F(Ctl, RefusedInputChangesNothingAndSendsNothing) {
    makeMacro("Fast");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"profile", "0"}, {"profile", "6"}, {"profile", "x"}, {"profile", "1", "2"},
        {"profile", "--exe", "game"}, {"profile", "2", "--exe"}, {"profile", "6", "--exe", "game"},
        {"profile", "2", "--exe", "no/such/game"}, {"profile", "2", "--exe", " game"},
        {"profile", "2", "--exe", "line\nbreak"}, {"profile", "2", "--exe", "/" + std::string(259, 'x')},
        {"profile", "2", "--program", "game"},
        {"dpi", "8"}, {"dpi", "0", "800"}, {"dpi", "1", "825"}, {"dpi", "1", "50"}, {"dpi", "1", "16050"},
        {"dpi", "1", "800", "-5"}, {"dpi", "1", "800", "900", "1000"},
        {"rate", "300"}, {"rate", "0x10"},
        {"lighting", "6"}, {"lighting", "0"}, {"lighting", "--color", "12345"}, {"lighting", "--color", "zz0000"},
        {"lighting", "--level", "5"}, {"lighting", "--rate", "10"}, {"lighting", "--rate", "9"},
        {"lighting", "1", "--direction", "1"},
        {"lighting", "2", "--direction", "3"}, {"lighting", "--on", "--off"}, {"lighting", "--level"},
        {"lighting", "--blink"},
        {"wheel", "0"}, {"wheel", "11"}, {"lift", "2"}, {"angle", "maybe"},
        {"button", "0", "copy"}, {"button", "10", "copy"}, {"button", "2", "teleport"},
        {"button", "1", "right-click"},  // the only left click (left-click guard)
        {"button", "2", "key", "ctrl+shift+t"}, {"button", "2", "key", "nokey"}, {"button", "2", "copy", "extra"},
        {"button", "2", "macro", "Slow"}, {"button", "2", "macro", "Fast", "sometimes"},
        {"button", "2", "dpi-shift", "600"}, {"button", "2", "x-shoot", "0", "5", "left"},
        {"button", "2", "x-shoot", "1", "256", "left"}, {"button", "2", "rapid-fire", "3", "300", "30"},
        // The mouse keeps x-shoot's and rapid fire's B in tens only.
        {"button", "2", "x-shoot", "1", "255", "left"}, {"button", "2", "x-shoot", "1", "5", "left"},
        {"button", "2", "rapid-fire", "3", "95", "30"},
        {"button", "2", "rapid-fire", "3", "10", "5"}, {"button", "2", "profile-1"},  // the profile being edited
        {"button", "2", "game-key"}, {"button", "2", "copy", "--profile", "9"},
        {"macro", "new", "Fast"}, {"macro", "new", "a/b"}, {"macro", "new", " pad"}, {"macro", "new", ".."},
        {"macro", "new", std::string(260, 'x')}, {"macro", "new", "line\nbreak"},
        {"macro", "delete", "Slow"}, {"macro", "rename", "Slow", "Quick"}, {"macro", "rename", "Fast", "x/y"},
        {"macro", "show", "Slow"}, {"macro", "import", "/nonexistent/Other.macro"}, {"macro", "frob"},
        {"macro", "import", KORVANTE_SOURCE_DIR "/data/Strings.xml"},
        {"import", "/nonexistent/x.prof"}, {"import", KORVANTE_SOURCE_DIR "/data/Strings.xml"},
        {"reset", "--profile", "6"}, {"reset", "now"}, {"apply", "all"},
    };
    const std::string before = fileText();
    const std::string macroBefore = platform::readWholeFile(paths.macroFolder + "/Fast.macro").value_or("");
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? std::string("(none)") : args[0] + " " + (args.size() > 1 ? args[1] : ""));
        ctl::Result r = run(args);
        EXPECT_EQ(r.exitCode, ctl::kExitRefused);
        EXPECT_NE(r.err.find("korvantectl: "), std::string::npos);
        EXPECT_EQ(bus.sent, std::vector<Sent>{});
        EXPECT_EQ(fileText(), before);
    }
    EXPECT_EQ(platform::readWholeFile(paths.macroFolder + "/Fast.macro").value_or(""), macroBefore);
    // The guard's refusal carries the window's warning text.
    EXPECT_NE(run({"button", "1", "copy"}).err.find("left click"), std::string::npos);
}

TEST_F(Ctl, NoChangeForTheCurrentProfileOrTheLastLeftClickAgain) {
    for (auto args : {std::vector<std::string>{"profile", "1"}, {"button", "1", "left-click"}}) {
        const std::string before = fileText();
        EXPECT_EQ(run(args).exitCode, 0);
        EXPECT_EQ(bus.sent, std::vector<Sent>{});
        EXPECT_EQ(fileText(), before);
    }
}

TEST_F(Ctl, SavedButNotDeliveredExitsTwo) {
    bus.service = false;
    EXPECT_EQ(run({"wheel", "3"}).exitCode, ctl::kExitNotDelivered);
    EXPECT_EQ(load()->WheelScrollLines, 3);
    // Marked for the next service: it writes the saved settings instead of reading the mouse back.
    EXPECT_EQ(platform::readProfileInt(paths.settings, "Setting", settings::kUnwrittenKey, 0), 1);
    bus.service = true;
    settings::writeDevice(paths.settings, 0);
    ctl::Result r = run({"--json", "rate", "500"});
    EXPECT_EQ(r.exitCode, ctl::kExitNotDelivered);
    EXPECT_NE(r.out.find("\"mouse\":false"), std::string::npos);
}

TEST_F(Ctl, AWriteTheMouseDidNotKeepExitsThreeWithTheReason) {
    struct Case {
        int64_t answer;
        int exit;
        const char* said;  // on standard error ("" = nothing)
    };
    for (const Case& c : {Case{msg::kWriteMismatch, ctl::kExitWriteFailed, "still held other values"},
                          Case{msg::kWriteNoAnswer, ctl::kExitWriteFailed, "did not answer"},
                          // The request waited behind a read-back while the mouse went away.
                          Case{msg::kWriteNoMouse, ctl::kExitNotDelivered, "the mouse is not connected"},
                          Case{0, ctl::kExitDone, ""}}) {
        bus.answer = c.answer;
        ctl::Result r = run({"--json", "wheel", "4"});
        EXPECT_EQ(r.exitCode, c.exit) << c.answer;
        EXPECT_EQ(load()->WheelScrollLines, 4) << "saved either way";
        if (*c.said) {
            EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(r.err, "");
        }
        EXPECT_NE(r.out.find(c.exit == 0 ? "\"written\":true" : "\"written\":false"), std::string::npos) << r.out;
    }
}

TEST_F(Ctl, MacrosAreNamedListedAssignedAndRemovedLikeTheWindowDoes) {
    makeMacro("Fast");
    ASSERT_EQ(run({"macro", "new"}).exitCode, 0);  // "<NEWMACRO> 1"
    EXPECT_EQ(macro::listNames(paths.settings).size(), 2u);
    ASSERT_EQ(run({"button", "3", "macro", "Fast", "repeat"}).exitCode, 0);
    const auto s = load();
    const ButtonRecord& r = s->profiles[0].buttons[2];
    EXPECT_EQ(r.code, kCodeMacro);
    EXPECT_EQ(r.owner, 255);
    EXPECT_EQ(r.param1, 1);           // LoopTime of the new file
    EXPECT_EQ(r.param2, 0x40 | 0);    // index 0, play modes 0 and 1
    EXPECT_EQ(macro::buttonMacroName(r), "Fast");

    bus.sent.clear();
    ASSERT_EQ(run({"macro", "rename", "Fast", "Quick"}).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(paths.macroFolder + "/Fast.macro"));
    EXPECT_EQ(macro::findInList(paths.settings, "Quick"), 0);
    ASSERT_EQ(run({"macro", "export", "Quick", tmp.file("out")}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(tmp.file("out.macro")));
    bus.sent.clear();
    ASSERT_EQ(run({"macro", "delete", "Quick"}).exitCode, 0);
    EXPECT_EQ(bus.sent.front(), toService(msg::kMacroSlot, 0, 1));
    ASSERT_EQ(run({"macro", "import", tmp.file("out.macro")}).exitCode, 0);
    EXPECT_EQ(macro::findInList(paths.settings, "out"), 0);
    EXPECT_EQ(bus.sent.back(), kReload);
    EXPECT_EQ(bus.sent[bus.sent.size() - 2], toService(msg::kMacroSlot, 0, 0));
    for (int i = 0; i < 5; ++i) ASSERT_EQ(run({"macro", "new"}).exitCode, 0);
    EXPECT_EQ(run({"macro", "new"}).exitCode, ctl::kExitRefused);  // seven is the limit
}

// A macro file and its list entry appear together: when "Mouse.ini" cannot take the entry (a full
// disk; here a file made read-only), the refused command leaves no macro file behind.
TEST_F(Ctl, AMacroTheListCannotNameLeavesNoFile) {
    ASSERT_EQ(run({"macro", "new", "Fast"}).exitCode, 0);
    ASSERT_EQ(run({"macro", "export", "Fast", tmp.file("Slow.macro")}).exitCode, 0);
    ASSERT_EQ(::chmod(paths.settings.c_str(), 0444), 0);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"macro", "new", "Other"},
                                                 {"macro", "import", tmp.file("Slow.macro")}}) {
        EXPECT_EQ(run(args).exitCode, ctl::kExitRefused) << args[1];
        EXPECT_EQ(std::vector<std::string>{"Fast.macro"}, [&] {
            std::vector<std::string> names;
            for (const auto& entry : std::filesystem::directory_iterator(paths.macroFolder))
                if (entry.path().filename().string().front() != '.') names.push_back(entry.path().filename().string());
            return names;
        }()) << args[1];
    }
}

// Two programs saving "Mouse.ini" at once never lose either change. Many rounds of two writers
// started together, each changing its own setting; a round that lost one counts.
TEST_F(Ctl, TwoWritersAtOnceLoseNoChange) {
    struct Writer {
        const char* what;
        std::function<void(int round)> change;
        std::function<bool(const MouseSettings&, int round)> kept;
    };
    auto ctlRun = [this](std::vector<std::string> args) {
        RecordingBus own;  // each korvantectl is a program of its own
        ctl::run(args, paths, own);
    };
    const Writer dpi{"korvantectl dpi",
                     [&](int r) { ctlRun({"dpi", "4", std::to_string(100 + 50 * r)}); },
                     [](const MouseSettings& s, int r) { return s.dpiStages[3].common == 2 + r; }};
    const Writer wheel{"korvantectl wheel", [&](int r) { ctlRun({"wheel", std::to_string(1 + r % 10)}); },
                       [](const MouseSettings& s, int r) { return s.WheelScrollLines == 1 + r % 10; }};
    // The service's saves: the read-back's (the mouse's stage 2, a read begun before the other
    // save) and the click counters.
    const Writer readBack{"service read-back",
                          [&](int r) {
                              const auto before = load();
                              auto s = std::make_unique<MouseSettings>(*before);
                              s->dpiStages[1] = DpiStage{0, 3 + r, 3 + r, 3 + r};
                              settings::saveAllKeepingChanges(*s, paths.settings, *before);
                          },
                          [](const MouseSettings& s, int r) { return s.dpiStages[1].common == 3 + r; }};
    const Writer counters{"service click counters", [&](int r) { settings::writeClickCounters(paths.settings, r, r); },
                          [](const MouseSettings& s, int r) { return s.LeftCount == r; }};
    constexpr int kRounds = 40;
    for (const auto& [a, b] : {std::pair{&dpi, &wheel}, {&wheel, &readBack}, {&dpi, &counters}}) {
        int lost = 0;
        for (int round = 1; round <= kRounds; ++round) {
            std::latch start(2);
            std::thread other([&] {
                start.arrive_and_wait();
                b->change(round);
            });
            start.arrive_and_wait();
            a->change(round);
            other.join();
            const auto s = load();
            lost += !a->kept(*s, round) + !b->kept(*s, round);
        }
        EXPECT_EQ(lost, 0) << a->what << " + " << b->what << ": changes lost in " << kRounds << " rounds";
    }
}

TEST_F(Ctl, ProfileFilesCarryTheWholeSettings) {
    ASSERT_EQ(run({"wheel", "6"}).exitCode, 0);
    ASSERT_EQ(run({"export", tmp.file("game")}).exitCode, 0);
    ASSERT_EQ(run({"wheel", "2"}).exitCode, 0);
    bus.sent.clear();
    ASSERT_EQ(run({"import", tmp.file("game.prof")}).exitCode, 0);
    EXPECT_EQ(load()->WheelScrollLines, 6);
    EXPECT_EQ(platform::readProfileString(paths.settings, "Setting", "ProfileName"), "game");
    EXPECT_EQ(bus.sent.front(), toService(msg::kApplyAll));

    // A file cut short, or holding a value the mouse cannot keep, is refused and changes nothing.
    const std::string whole = platform::readWholeFile(tmp.file("game.prof")).value_or("");
    const std::string before = fileText();
    std::string lift = whole;
    lift.replace(lift.find("LiftV=0"), 7, "LiftV=254");
    for (const std::string& damaged : {whole.substr(0, 100), lift}) {
        ASSERT_TRUE(platform::replaceFileAtomically(tmp.file("bad.prof"), damaged));
        bus.sent.clear();
        const ctl::Result r = run({"import", tmp.file("bad.prof")});
        EXPECT_EQ(r.exitCode, ctl::kExitRefused);
        EXPECT_NE(r.err.find("is not a settings file to import: "), std::string::npos) << r.err;
        EXPECT_TRUE(fileText() == before);
        EXPECT_TRUE(bus.sent.empty());
    }
}

TEST(CtlParsing, NamesKeysAndJson) {
    struct KeyCase {
        const char* text;
        int usage;  // -1: refused
    };
    for (const KeyCase& k : std::initializer_list<KeyCase>{{"a", 4}, {"Z", 29}, {"7", 36}, {"enter", 40},
                                                            {"ctrl", 224}, {"rctrl", 228}, {"space", 44},
                                                            {"f12", 69}, {";", 51}, {"lwin", 227},
                                                            {"ctrl+c", -1}, {"", -1}, {"hyper", -1}}) {
        uint8_t usage = 0;
        std::string error;
        EXPECT_EQ(ctl::parseKeyName(k.text, &usage, &error) ? usage : -1, k.usage) << k.text;
        if (k.usage > 0) {
            EXPECT_FALSE(ctl::keyNameOfUsage(usage).empty());
        }
    }
    // Every assignable name finds its own entry, and every name of a code names it back.
    for (const std::string& name : ctl::assignableFunctionNames()) {
        const ctl::FunctionName* f = ctl::findFunction(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(ctl::functionNameOf(f->code), name);
        EXPECT_TRUE(isValidFunctionCode(f->code)) << name;
    }
    EXPECT_EQ(ctl::findFunction("PROFILE-NEXT")->code, kCodeProfileUp);
    ctl::JsonWriter j;
    j.beginObject().key("a\"b").value("x\ny\x01").key("n").beginArray().value(1).value(true).null().endArray().endObject();
    EXPECT_EQ(j.text(), "{\"a\\\"b\":\"x\\ny\\u0001\",\"n\":[1,true,null]}\n");
}

}  // namespace
