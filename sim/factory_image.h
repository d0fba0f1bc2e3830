#pragma once
// The memory of a new virtual mouse: the bytes that a full write of the shipped default settings
// produces. Built by sending the full write's reports to a fresh device model, in the order and
// with the values the service's full write uses for the factory settings (lighting mode 1, red;
// polling code 2; one wheel line; DPI stages 10, 20, 30, 40, 80, 160, 320 with stage index 1;
// profile 0; the default button functions in every profile; block trailers).
#include "service/device/hid_device.h"
#include "shared/settings_record.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

// The image built from the memory map and the factory values (see above).
std::vector<uint8_t> factoryImage();

// Runs a full write against a blank device model (plugged, ids as in ModelHidDevice) and returns
// the memory it leaves. Once the service's full write exists, mousesim's factory image and the
// test that guards it come from here with that write and the default Mouse.ini.
using FullWrite = std::function<bool(HidDevice& device)>;
std::vector<uint8_t> imageFromFullWrite(const FullWrite& write);

// The service's full write of the settings through a device whose collections have the ids of
// ModelHidDevice, bracketed by a session as the service brackets it. False when a transfer failed.
bool fullWrite(HidDevice& device, MouseSettings& settings);

}  // namespace sim
