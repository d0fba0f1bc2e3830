#include "platform/recording_keys.h"

namespace platform {

bool RecordingKeySynthesizer::keyEvent(uint8_t virtualKey, uint32_t flags) {
    std::lock_guard lock(mutex_);
    events_.push_back({virtualKey, flags});
    return true;
}

std::vector<RecordedKeyEvent> RecordingKeySynthesizer::events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

void RecordingKeySynthesizer::clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
}

}  // namespace platform
