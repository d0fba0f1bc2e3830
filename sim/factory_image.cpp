#include "sim/factory_image.h"

#include "platform/diagnostics.h"
#include "service/device/config_protocol.h"
#include "service/device/device_link.h"
#include "shared/mouse_settings.h"
#include "sim/model_device.h"
#include "sim/mouse_memory.h"

namespace sim {

std::vector<uint8_t> factoryImage() {
    // The shipped default settings, written by the service's own full write.
    platform::QuietDiagnostics quiet;  // the full write's diagnostics belong to the service
    MouseSettings defaults{};
    settings::shippedDefaults(defaults);
    return imageFromFullWrite([&](HidDevice& device) { return fullWrite(device, defaults); });
}

bool fullWrite(HidDevice& device, MouseSettings& settings) {
    DeviceLink link;
    link.handleLinkMessage(1, CollectionRecord{1, ModelHidDevice::kConsumerId, 0, kUsagePageConsumer});
    link.handleLinkMessage(1, CollectionRecord{1, ModelHidDevice::kConfigId, 0, kUsagePageConfig});
    link.setLinked(true);
    DeviceConfig config(device, link, settings);
    config.setWaitFunction([](int) {});
    bool ok = config.openSession();
    ok = config.sendAll() && ok;
    return config.closeSession() && ok;
}

std::vector<uint8_t> imageFromFullWrite(const FullWrite& write) {
    MouseMemory mouse;
    ModelHidDevice device(mouse);
    device.registerLink(nullptr);
    if (write) write(device);
    return mouse.image();
}

}  // namespace sim
