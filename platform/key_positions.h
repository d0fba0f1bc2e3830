#pragma once
// Key positions for a uinput keyboard. The compositor applies the user's keymap on top of the
// key positions a uinput device sends, so a shortcut's letter has to be sent at the position that
// gives that letter in the user's layout (on AZERTY, Ctrl+Z is the key a US keyboard calls W).
// The keymap is compiled with xkbcommon: from the X server's keyboard (XWayland) where one
// answers on $DISPLAY, else from the system's keyboard configuration (/etc/default/keyboard).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct xkb_keymap;

namespace platform {

// XKB rule names: the five values that describe a keymap.
struct KeymapNames {
    std::string rules, model, layout, variant, options;
};

// The values of XKBMODEL, XKBLAYOUT, XKBVARIANT and XKBOPTIONS of a shell-style
// /etc/default/keyboard text (quotes removed, comments and other lines ignored).
KeymapNames parseKeyboardDefaults(std::string_view text);

class KeyPositions {
public:
    // Compiled from rule names (empty names take xkbcommon's defaults); nullptr with a
    // diagnostics line when the names do not compile.
    static std::unique_ptr<KeyPositions> fromNames(const KeymapNames& names);
    // The keymap and active layout of the X server on $DISPLAY; nullptr when none answers.
    static std::unique_ptr<KeyPositions> fromXDisplay();
    // The X server's where one answers, else /etc/default/keyboard, else xkbcommon's default (US).
    static std::unique_ptr<KeyPositions> forSession(const std::string& keyboardDefaults = "/etc/default/keyboard");

    ~KeyPositions();
    KeyPositions(const KeyPositions&) = delete;
    KeyPositions& operator=(const KeyPositions&) = delete;

    // The Linux key code (KEY_*) to send for the virtual key: its US position when the keymap
    // gives the key's symbol there, else the first position that gives the symbol without a
    // modifier, else (a letter the layout lacks, a key without a symbol in it) the US position.
    // 0 for a key outside the virtual-key table.
    uint16_t positionFor(uint8_t virtualKey) const;

    // Where the keymap came from, for the diagnostics ("X display :0", "us dvorak", ...).
    const std::string& source() const { return source_; }

private:
    KeyPositions(xkb_keymap* keymap, uint32_t layout, std::string source);

    xkb_keymap* keymap_;
    uint32_t layout_;  // the active layout (group) of the keymap
    std::string source_;
};

}  // namespace platform
