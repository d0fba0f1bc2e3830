#include "sim/model_device.h"

namespace sim {

bool ModelHidDevice::registerLink(LinkCallback callback) {
    if (!callback) return true;
    callback(CollectionRecord{1, kConsumerId, 0, 0x000C});
    callback(CollectionRecord{1, kConfigId, 0, 0xFFA0});
    return true;
}

bool ModelHidDevice::sendOutputReport(uint32_t deviceId, const uint8_t* data, int length) {
    if (deviceId != kConsumerId || length <= 0) return false;
    return memory_.output(data, static_cast<size_t>(length));
}

bool ModelHidDevice::sendFeatureReport(uint32_t deviceId, const uint8_t* data, int length) {
    if (deviceId != kConfigId || length <= 0) return false;
    return memory_.setFeature(data, static_cast<size_t>(length));
}

bool ModelHidDevice::getFeatureReport(uint32_t deviceId, uint8_t* data, int length) {
    if (deviceId != kConfigId || length <= 0) return false;
    return memory_.getFeature(data, static_cast<size_t>(length));
}

void ModelHidDevice::sendInput(const uint8_t* data, int length) {
    if (input_ && data && length > 0) input_(data[0], data, length);
}

}  // namespace sim
