#include "service/device/hid_device.h"

#include "service/device/hidraw_transport.h"
#include "service/device/sim_transport.h"

#include <cstdlib>
#include <cstring>

std::unique_ptr<HidDevice> createHidDevice() {
    const char* choice = std::getenv("KORVANTE_TRANSPORT");
    if (choice != nullptr && std::strcmp(choice, "sim") == 0) return std::make_unique<SimTransport>();
    return std::make_unique<HidrawTransport>();
}
