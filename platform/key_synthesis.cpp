#include "platform/key_synthesis.h"

#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string_view>

#include "platform/diagnostics.h"
#include "platform/uinput_keys.h"
#include "platform/xtest_keys.h"

namespace platform {
namespace {

class NullKeySynthesizer final : public KeySynthesizer {
public:
    bool keyEvent(uint8_t virtualKey, uint32_t) override {
        if (!reported_.exchange(true))
            debugPrintf("key synthesis: no X display and no writable uinput device, "
                        "key events are dropped (first: virtual key %u)", virtualKey);
        return false;
    }
    const char* backendName() const override { return "none"; }

private:
    std::atomic<bool> reported_{false};
};

}  // namespace

KeyBackendKind chooseKeyBackend(bool displayReachable, bool uinputWritable) {
    if (displayReachable) return KeyBackendKind::XTest;
    if (uinputWritable) return KeyBackendKind::Uinput;
    return KeyBackendKind::Nothing;
}

std::unique_ptr<KeySynthesizer> makeNullKeySynthesizer() {
    return std::make_unique<NullKeySynthesizer>();
}

std::unique_ptr<KeySynthesizer> makeKeySynthesizer(const std::string& uinputPath) {
    std::unique_ptr<XTestKeySynthesizer> xtest = XTestKeySynthesizer::open();
    const bool uinputWritable = !uinputPath.empty() && ::access(uinputPath.c_str(), W_OK) == 0;
    switch (chooseKeyBackend(xtest != nullptr, uinputWritable)) {
        case KeyBackendKind::XTest:
            return xtest;
        case KeyBackendKind::Uinput:
            if (auto uinput = UinputKeySynthesizer::create(uinputPath)) return uinput;
            break;
        case KeyBackendKind::Nothing:
            break;
    }
    return makeNullKeySynthesizer();
}

namespace {

// The service may start before the desktop session has a display. While no backend is found,
// every event asks again, so key strokes work as soon as the session is up; a backend once found
// is kept (the XTest backend reopens its display on its own).
class DefaultKeySynthesizer final : public KeySynthesizer {
public:
    bool keyEvent(uint8_t virtualKey, uint32_t flags) override {
        std::lock_guard lock(mutex_);
        if (!backend_) {
            std::unique_ptr<KeySynthesizer> picked = makeKeySynthesizer();
            if (std::string_view(picked->backendName()) != "none") backend_ = std::move(picked);
        }
        return backend_ ? backend_->keyEvent(virtualKey, flags)
                        : none_->keyEvent(virtualKey, flags);
    }
    const char* backendName() const override {
        std::lock_guard lock(mutex_);
        return backend_ ? backend_->backendName() : "none";
    }

private:
    mutable std::mutex mutex_;
    std::unique_ptr<KeySynthesizer> backend_;
    std::unique_ptr<KeySynthesizer> none_ = makeNullKeySynthesizer();
};

}  // namespace

KeySynthesizer& defaultKeySynthesizer() {
    static DefaultKeySynthesizer keys;
    return keys;
}

}  // namespace platform
