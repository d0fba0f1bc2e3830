// The key backend of Wayland sessions: the choice by session, the key positions by layout, and the
// uinput event stream of every shortcut the action engine sends.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/key_positions.h"
#include "platform/key_synthesis.h"
#include "platform/uinput_keys.h"
#include "service/basic_function.h"

using platform::KeyBackendKind;
using platform::ShortcutReach;

TEST(KeyBackendChoice, BySessionDisplayAndUinputAccess) {
    struct Row {
        const char* session;
        bool waylandDisplay, xDisplay, uinput;
        const char* override;
        KeyBackendKind kind;
        ShortcutReach reach;
    };
    const Row rows[] = {
        // Wayland session, by either sign: uinput first, XTest reaches X programs only.
        {"wayland", false, true, true, "", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
        {"", true, true, true, "", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
        {"wayland", true, false, true, "", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
        {"wayland", true, true, false, "", KeyBackendKind::XTest, ShortcutReach::XProgramsOnly},
        {"wayland", false, false, false, "", KeyBackendKind::Nothing, ShortcutReach::Off},
        // X11 session: XTest first, uinput without a display.
        {"x11", false, true, true, "", KeyBackendKind::XTest, ShortcutReach::Everywhere},
        {"x11", false, true, false, "", KeyBackendKind::XTest, ShortcutReach::Everywhere},
        {"x11", false, false, true, "", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
        {"x11", false, false, false, "", KeyBackendKind::Nothing, ShortcutReach::Off},
        {"tty", false, false, true, "", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
        {"", false, true, true, "", KeyBackendKind::XTest, ShortcutReach::Everywhere},
        // The override forces a backend, or none when that one is missing; other values are ignored.
        {"wayland", true, true, true, "xtest", KeyBackendKind::XTest, ShortcutReach::XProgramsOnly},
        {"x11", false, true, true, "uinput", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
        {"x11", false, true, false, "uinput", KeyBackendKind::Nothing, ShortcutReach::Off},
        {"wayland", true, false, true, "xtest", KeyBackendKind::Nothing, ShortcutReach::Off},
        {"wayland", true, true, true, "evdev", KeyBackendKind::Uinput, ShortcutReach::Everywhere},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.session) + " wl=" + std::to_string(r.waylandDisplay) + " x=" +
                     std::to_string(r.xDisplay) + " uinput=" + std::to_string(r.uinput) + " override=" + r.override);
        const platform::KeyBackendDecision d =
            platform::chooseKeyBackend({r.session, r.waylandDisplay, r.xDisplay, r.uinput, r.override});
        EXPECT_EQ(d.kind, r.kind);
        EXPECT_EQ(d.reach, r.reach);
        // The line names the backend first; missing uinput access in a Wayland session names the rule.
        const char* name = d.kind == KeyBackendKind::XTest ? "xtest" : d.kind == KeyBackendKind::Uinput ? "uinput" : "none";
        EXPECT_EQ(d.reason.rfind(name, 0), 0u) << d.reason;
        if (!r.uinput && (std::string(r.session) == "wayland" || r.override == std::string("uinput"))) {
            EXPECT_NE(d.reason.find("70-korvante.rules"), std::string::npos) << d.reason;
        }
    }
}

TEST(KeyPositions, KeyboardDefaultsFile) {
    const platform::KeymapNames n = platform::parseKeyboardDefaults(
        "# KEYBOARD CONFIGURATION FILE\nXKBMODEL=\"pc105\"\n  XKBLAYOUT='fr,us'\nXKBVARIANT=\"\"\n"
        "XKBOPTIONS=\"grp:alt_shift_toggle\"\nBACKSPACE=\"guess\"\nnot a setting\n");
    EXPECT_EQ(n.model, "pc105");
    EXPECT_EQ(n.layout, "fr,us");
    EXPECT_EQ(n.variant, "");
    EXPECT_EQ(n.options, "grp:alt_shift_toggle");
}

// The second keys of the shortcuts (X C V Z A F N P S E R D) and the modifiers, per layout.
TEST(KeyPositions, ShortcutLettersSitWhereTheLayoutHasThem) {
    struct Row {
        const char* layout;
        const char* variant;
        std::vector<std::pair<uint8_t, uint16_t>> keys;
    };
    const Row rows[] = {
        {"us", "", {{'X', KEY_X}, {'Z', KEY_Z}, {'A', KEY_A}, {'D', KEY_D}, {17, KEY_LEFTCTRL}, {9, KEY_TAB}}},
        // AZERTY: Undo must not become Ctrl+W, Select all not Ctrl+Q.
        {"fr", "", {{'Z', KEY_W}, {'A', KEY_Q}, {'X', KEY_X}, {'C', KEY_C}, {'S', KEY_S}, {164, KEY_LEFTALT}, {115, KEY_F4}}},
        {"us", "dvorak", {{'X', KEY_B}, {'C', KEY_I}, {'V', KEY_DOT}, {'Z', KEY_SLASH}, {'A', KEY_A}, {'F', KEY_Y},
                          {'N', KEY_L}, {'P', KEY_R}, {'S', KEY_SEMICOLON}, {'E', KEY_D}, {'R', KEY_O}, {'D', KEY_H}}},
        // Cyrillic has no Latin letters: their US positions, as applications match shortcuts there.
        {"ru", "", {{'X', KEY_X}, {'C', KEY_C}, {'Z', KEY_Z}, {'F', KEY_F}, {91, KEY_LEFTMETA}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.layout) + " " + r.variant);
        auto positions = platform::KeyPositions::fromNames({"", "pc105", r.layout, r.variant, ""});
        ASSERT_TRUE(positions);
        for (auto [vk, code] : r.keys) EXPECT_EQ(positions->positionFor(vk), code) << "virtual key " << int(vk);
        EXPECT_EQ(positions->positionFor(0xFF), 0);  // outside the virtual-key table
    }
}

namespace {

// The device node's test double: every set-up request and event record, in order.
struct RecordedNode {
    std::vector<std::pair<unsigned long, int>> bits;
    uinput_setup setup{};
    bool created = false, destroyed = false;
    std::vector<std::array<int, 3>> events;  // type, code, value
};

struct RecordingNode final : platform::UinputNode {
    explicit RecordingNode(RecordedNode& r) : r(r) {}
    bool setBit(unsigned long request, int bit) override { return r.bits.emplace_back(request, bit), true; }
    bool setUp(const uinput_setup& setup) override { return r.setup = setup, true; }
    bool create() override { return r.created = true; }
    void destroy() override { r.destroyed = true; }
    bool write(std::span<const input_event> events) override {
        for (const input_event& e : events) r.events.push_back({e.type, e.code, e.value});
        return true;
    }
    RecordedNode& r;
};

// Press modifier, press key, release key, release modifier; a report after each.
std::vector<std::array<int, 3>> shortcutStream(int modifier, int key) {
    return {{EV_KEY, modifier, 1}, {EV_SYN, SYN_REPORT, 0}, {EV_KEY, key, 1},      {EV_SYN, SYN_REPORT, 0},
            {EV_KEY, key, 0},      {EV_SYN, SYN_REPORT, 0}, {EV_KEY, modifier, 0}, {EV_SYN, SYN_REPORT, 0}};
}

}  // namespace

TEST(UinputStream, EveryShortcutOnAzerty) {
    RecordedNode node;
    {
        auto keys = platform::UinputKeySynthesizer::create(std::make_unique<RecordingNode>(node),
                                                           platform::KeyPositions::fromNames({"", "", "fr", "", ""}),
                                                           CBasicFunction::virtualKeys());
        ASSERT_TRUE(keys);
        // Set-up: key and report events, then exactly the positions the shortcuts use, once each.
        std::vector<std::pair<unsigned long, int>> expectedBits = {{UI_SET_EVBIT, EV_KEY}, {UI_SET_EVBIT, EV_SYN}};
        for (int key : {KEY_TAB, KEY_Q, KEY_W, KEY_E, KEY_R, KEY_P, KEY_LEFTCTRL, KEY_S, KEY_D, KEY_F, KEY_X, KEY_C,
                        KEY_V, KEY_N, KEY_LEFTALT, KEY_F4, KEY_LEFTMETA})  // ascending
            expectedBits.emplace_back(UI_SET_KEYBIT, key);
        EXPECT_EQ(node.bits, expectedBits);
        EXPECT_STREQ(node.setup.name, platform::kUinputDeviceName);
        EXPECT_EQ(node.setup.id.bustype, BUS_VIRTUAL);
        EXPECT_TRUE(node.created);

        CBasicFunction actions(*keys, [](unsigned) {}, [] { return true; });
        const struct {
            uint8_t code;
            int modifier, key;
        } shortcuts[] = {
            {64, KEY_LEFTCTRL, KEY_X}, {65, KEY_LEFTCTRL, KEY_C}, {66, KEY_LEFTCTRL, KEY_V},
            {67, KEY_LEFTCTRL, KEY_W}, {68, KEY_LEFTCTRL, KEY_Q}, {69, KEY_LEFTCTRL, KEY_F},
            {70, KEY_LEFTCTRL, KEY_N}, {71, KEY_LEFTCTRL, KEY_P}, {72, KEY_LEFTCTRL, KEY_S},
            {80, KEY_LEFTALT, KEY_TAB}, {81, KEY_LEFTALT, KEY_F4}, {83, KEY_LEFTMETA, KEY_E},
            {84, KEY_LEFTMETA, KEY_R}, {85, KEY_LEFTMETA, KEY_D},
        };
        for (const auto& s : shortcuts) {
            node.events.clear();
            ASSERT_TRUE(actions.perform(s.code));
            EXPECT_EQ(node.events, shortcutStream(s.modifier, s.key)) << "function code " << int(s.code);
        }
        // A key that was not announced is refused, and nothing is written.
        node.events.clear();
        EXPECT_FALSE(keys->keyEvent('Q', platform::kKeyEventExtendedKey));
        EXPECT_TRUE(node.events.empty());
        EXPECT_FALSE(node.destroyed);
    }
    EXPECT_TRUE(node.destroyed);
}

// With a real /dev/uinput: the device appears under its name and Ctrl+C comes back through evdev.
TEST(UinputStream, EventsReadBackThroughEvdev) {
    if (access("/dev/uinput", W_OK) != 0) GTEST_SKIP() << "/dev/uinput is missing or not writable";
    auto keys = platform::UinputKeySynthesizer::create(platform::openUinputNode("/dev/uinput"),
                                                       platform::KeyPositions::fromNames({}),
                                                       CBasicFunction::virtualKeys());
    ASSERT_TRUE(keys);
    int fd = -1;
    for (int attempt = 0; attempt < 50 && fd < 0; ++attempt) {  // udev creates the node shortly after
        if (DIR* dir = opendir("/sys/class/input")) {
            while (dirent* entry = readdir(dir)) {
                const std::string event = entry->d_name;
                if (event.rfind("event", 0) != 0) continue;
                std::ifstream nameFile("/sys/class/input/" + event + "/device/name");
                std::string name;
                std::getline(nameFile, name);
                if (name == platform::kUinputDeviceName) fd = open(("/dev/input/" + event).c_str(), O_RDONLY | O_NONBLOCK);
            }
            closedir(dir);
        }
        if (fd < 0) usleep(20000);
    }
    if (fd < 0) GTEST_SKIP() << "the virtual keyboard's event node cannot be read";
    CBasicFunction actions(*keys, [](unsigned) {}, [] { return true; });
    actions.Copy();
    std::vector<std::array<int, 3>> got;
    pollfd p{fd, POLLIN, 0};
    for (input_event e; got.size() < 8 && poll(&p, 1, 1000) > 0;)
        while (read(fd, &e, sizeof e) == static_cast<ssize_t>(sizeof e)) got.push_back({e.type, e.code, e.value});
    close(fd);
    EXPECT_EQ(got, shortcutStream(KEY_LEFTCTRL, KEY_C));
}
