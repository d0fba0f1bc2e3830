#pragma once
// Key synthesis backend that only records the events it is given, in order, for tests.
#include <mutex>
#include <vector>

#include "platform/key_synthesis.h"

namespace platform {

struct RecordedKeyEvent {
    uint8_t virtualKey;
    uint32_t flags;
    bool operator==(const RecordedKeyEvent&) const = default;
};

class RecordingKeySynthesizer final : public KeySynthesizer {
public:
    bool keyEvent(uint8_t virtualKey, uint32_t flags) override;
    const char* backendName() const override { return "recording"; }

    std::vector<RecordedKeyEvent> events() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<RecordedKeyEvent> events_;
};

}  // namespace platform
