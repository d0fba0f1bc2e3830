#include "platform/key_positions.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/vk_keysym.h"

namespace platform {
namespace {

// X keycodes (and xkbcommon's) are the Linux key codes + 8.
constexpr uint32_t kEvdevOffset = 8;

std::string trimmed(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(begin, end - begin));
}

// A shell value: one pair of surrounding quotes removed.
std::string unquoted(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Contexts that ignore $XKB_DEFAULT_*: the keymap comes from the session's sources only.
xkb_context* newContext() { return xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES); }

}  // namespace

KeymapNames parseKeyboardDefaults(std::string_view text) {
    KeymapNames names;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        const std::string entry = trimmed(line);
        if (entry.empty() || entry[0] == '#') continue;
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = trimmed(std::string_view(entry).substr(0, equals));
        const std::string value = unquoted(trimmed(std::string_view(entry).substr(equals + 1)));
        if (key == "XKBMODEL") names.model = value;
        else if (key == "XKBLAYOUT") names.layout = value;
        else if (key == "XKBVARIANT") names.variant = value;
        else if (key == "XKBOPTIONS") names.options = value;
    }
    return names;
}

KeyPositions::KeyPositions(xkb_keymap* keymap, uint32_t layout, std::string source)
    : keymap_(keymap), layout_(layout), source_(std::move(source)) {}

KeyPositions::~KeyPositions() { xkb_keymap_unref(keymap_); }

std::unique_ptr<KeyPositions> KeyPositions::fromNames(const KeymapNames& names) {
    xkb_context* context = newContext();
    if (!context) return nullptr;
    const xkb_rule_names rules{names.rules.c_str(), names.model.c_str(), names.layout.c_str(),
                               names.variant.c_str(), names.options.c_str()};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_context_unref(context);  // the keymap keeps its own reference
    std::string source = names.layout.empty() ? std::string("us") : names.layout;
    if (!names.variant.empty()) source += " " + names.variant;
    if (!keymap) {
        debugPrintf("key positions: the keyboard layout \"%s\" does not compile", source.c_str());
        return nullptr;
    }
    return std::unique_ptr<KeyPositions>(new KeyPositions(keymap, 0, std::move(source)));
}

std::unique_ptr<KeyPositions> KeyPositions::fromXDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return nullptr;
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<KeyPositions> positions;
    xkb_context* context = newContext();
    if (context && xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                               XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr,
                                               nullptr)) {
        const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
        xkb_keymap* keymap =
            device < 0 ? nullptr : xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (keymap) {
            uint32_t layout = 0;
            if (xkb_state* state = xkb_x11_state_new_from_device(keymap, connection, device)) {
                layout = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
                xkb_state_unref(state);
            }
            positions.reset(new KeyPositions(keymap, layout, std::string("X display ") + display));
        }
    }
    if (context) xkb_context_unref(context);
    xcb_disconnect(connection);
    return positions;
}

std::unique_ptr<KeyPositions> KeyPositions::forSession(const std::string& keyboardDefaults) {
    if (auto fromX = fromXDisplay()) return fromX;
    if (const auto text = readWholeFile(keyboardDefaults)) {
        if (auto fromFile = fromNames(parseKeyboardDefaults(*text))) return fromFile;
    }
    return fromNames({});
}

uint16_t KeyPositions::positionFor(uint8_t virtualKey) const {
    const uint16_t usPosition = linuxKeyCodeForVirtualKey(virtualKey);
    const uint32_t keysym = keysymForVirtualKey(virtualKey);
    if (usPosition == 0) return 0;
    auto unmodifiedSymbol = [this](xkb_keycode_t keycode) -> uint32_t {
        const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap_, keycode);
        if (layouts == 0) return 0;
        const xkb_layout_index_t layout = layout_ < layouts ? layout_ : 0;
        const xkb_keysym_t* symbols = nullptr;
        return xkb_keymap_key_get_syms_by_level(keymap_, keycode, layout, 0, &symbols) > 0 ? symbols[0] : 0;
    };
    if (unmodifiedSymbol(usPosition + kEvdevOffset) == keysym) return usPosition;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t keycode = xkb_keymap_min_keycode(keymap_); keycode <= last; ++keycode)
        if (keycode >= kEvdevOffset && unmodifiedSymbol(keycode) == keysym)
            return static_cast<uint16_t>(keycode - kEvdevOffset);
    return usPosition;
}

}  // namespace platform
