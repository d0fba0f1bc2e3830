#include "platform/key_synthesis.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/key_positions.h"
#include "platform/uinput_keys.h"
#include "platform/xtest_keys.h"

namespace platform {
namespace {

class NullKeySynthesizer final : public KeySynthesizer {
public:
    bool keyEvent(uint8_t virtualKey, uint32_t) override {
        if (!reported_.exchange(true))
            debugPrintf("key synthesis: no backend, key events are dropped (first: virtual key %u)",
                        virtualKey);
        return false;
    }
    const char* backendName() const override { return "none"; }

private:
    std::atomic<bool> reported_{false};
};

}  // namespace

bool isWaylandSession(const std::string& sessionType, bool waylandDisplay) {
    return sessionType == "wayland" || waylandDisplay;
}

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

constexpr const char* kUinputHelp =
    "no write access to /dev/uinput (the udev rule 70-korvante.rules gives it to the user at the seat)";

}  // namespace

bool inWaylandSession() {
    return isWaylandSession(environment("XDG_SESSION_TYPE"), !environment("WAYLAND_DISPLAY").empty());
}

KeyBackendDecision chooseKeyBackend(const KeySessionFacts& facts) {
    using Kind = KeyBackendKind;
    using Reach = ShortcutReach;
    const bool wayland = isWaylandSession(facts.sessionType, facts.waylandDisplay);
    if (facts.override == "xtest") {
        if (facts.xDisplayReachable)
            return {Kind::XTest, wayland ? Reach::XProgramsOnly : Reach::Everywhere,
                    "xtest, forced by KORVANTE_KEY_BACKEND=xtest"};
        return {Kind::Nothing, Reach::Off, "none: KORVANTE_KEY_BACKEND=xtest, but no X display with XTEST answers"};
    }
    if (facts.override == "uinput") {
        if (facts.uinputWritable) return {Kind::Uinput, Reach::Everywhere, "uinput, forced by KORVANTE_KEY_BACKEND=uinput"};
        return {Kind::Nothing, Reach::Off, std::string("none: KORVANTE_KEY_BACKEND=uinput, but ") + kUinputHelp};
    }
    const std::string ignored =
        facts.override.empty() ? "" : " (KORVANTE_KEY_BACKEND=\"" + facts.override + "\" is not xtest or uinput, ignored)";
    if (wayland) {
        if (facts.uinputWritable) return {Kind::Uinput, Reach::Everywhere, "uinput, Wayland session" + ignored};
        if (facts.xDisplayReachable)
            return {Kind::XTest, Reach::XProgramsOnly,
                    std::string("xtest, Wayland session with ") + kUinputHelp +
                        ": shortcuts reach X programs only" + ignored};
        return {Kind::Nothing, Reach::Off,
                std::string("none: Wayland session with ") + kUinputHelp + " and no X display" + ignored};
    }
    if (facts.xDisplayReachable) return {Kind::XTest, Reach::Everywhere, "xtest, X11 session" + ignored};
    if (facts.uinputWritable) return {Kind::Uinput, Reach::Everywhere, "uinput, no X display" + ignored};
    return {Kind::Nothing, Reach::Off, std::string("none: no X display and ") + kUinputHelp + ignored};
}

KeyBackendKind chooseKeyBackend(bool displayReachable, bool uinputWritable) {
    KeySessionFacts facts;
    facts.xDisplayReachable = displayReachable;
    facts.uinputWritable = uinputWritable;
    return chooseKeyBackend(facts).kind;
}

std::unique_ptr<KeySynthesizer> makeNullKeySynthesizer() {
    return std::make_unique<NullKeySynthesizer>();
}

std::unique_ptr<KeySynthesizer> makeKeySynthesizer(const std::string& uinputPath,
                                                   std::span<const uint8_t> virtualKeys,
                                                   KeyBackendDecision* decision) {
    std::unique_ptr<XTestKeySynthesizer> xtest = XTestKeySynthesizer::open();
    KeySessionFacts facts;
    facts.sessionType = environment("XDG_SESSION_TYPE");
    facts.waylandDisplay = !environment("WAYLAND_DISPLAY").empty();
    facts.xDisplayReachable = xtest != nullptr;
    facts.uinputWritable = !uinputPath.empty() && ::access(uinputPath.c_str(), W_OK) == 0;
    facts.override = environment("KORVANTE_KEY_BACKEND");
    KeyBackendDecision chosen = chooseKeyBackend(facts);
    std::unique_ptr<KeySynthesizer> keys;
    switch (chosen.kind) {
        case KeyBackendKind::XTest:
            keys = std::move(xtest);
            break;
        case KeyBackendKind::Uinput:
            if (auto positions = KeyPositions::forSession()) {
                chosen.reason += ", keys placed by the layout of " + positions->source();
                keys = UinputKeySynthesizer::create(openUinputNode(uinputPath), std::move(positions), virtualKeys);
            }
            if (!keys) chosen = {KeyBackendKind::Nothing, ShortcutReach::Off, "none: the uinput keyboard could not be created"};
            break;
        case KeyBackendKind::Nothing:
            break;
    }
    if (decision) *decision = chosen;
    return keys ? std::move(keys) : makeNullKeySynthesizer();
}

namespace {

// The service may start before the desktop session has a display. While no backend is found,
// every event asks again, so key strokes work as soon as the session is up; a backend once found
// is kept (the XTest backend reopens its display on its own). A decision is written to the
// diagnostics when it differs from the one before.
class DefaultKeySynthesizer final : public KeySynthesizer {
public:
    bool keyEvent(uint8_t virtualKey, uint32_t flags) override {
        std::lock_guard lock(mutex_);
        if (!backend_) pickLocked();
        return backend_ ? backend_->keyEvent(virtualKey, flags)
                        : none_->keyEvent(virtualKey, flags);
    }
    const char* backendName() const override {
        std::lock_guard lock(mutex_);
        return backend_ ? backend_->backendName() : "none";
    }
    ShortcutReach prepare(std::span<const uint8_t> virtualKeys) {
        std::lock_guard lock(mutex_);
        keys_.assign(virtualKeys.begin(), virtualKeys.end());
        if (!backend_) pickLocked();
        return reach_;
    }
    ShortcutReach reach() const {
        std::lock_guard lock(mutex_);
        return reach_;
    }

private:
    void pickLocked() {
        KeyBackendDecision decision;
        std::unique_ptr<KeySynthesizer> picked = makeKeySynthesizer("/dev/uinput", keys_, &decision);
        if (decision.reason != lastReason_) debugLine("key synthesis: " + decision.reason);
        lastReason_ = decision.reason;
        reach_ = decision.reach;
        if (std::string_view(picked->backendName()) != "none") backend_ = std::move(picked);
    }

    mutable std::mutex mutex_;
    std::unique_ptr<KeySynthesizer> backend_;
    std::unique_ptr<KeySynthesizer> none_ = makeNullKeySynthesizer();
    std::vector<uint8_t> keys_;
    std::string lastReason_;
    ShortcutReach reach_ = ShortcutReach::Off;
};

DefaultKeySynthesizer& defaultKeys() {
    static DefaultKeySynthesizer keys;
    return keys;
}

}  // namespace

KeySynthesizer& defaultKeySynthesizer() { return defaultKeys(); }

ShortcutReach prepareDefaultKeySynthesizer(std::span<const uint8_t> virtualKeys) {
    return defaultKeys().prepare(virtualKeys);
}

ShortcutReach defaultShortcutReach() { return defaultKeys().reach(); }

}  // namespace platform
