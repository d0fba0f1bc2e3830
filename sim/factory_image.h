#pragma once
// The memory of a new virtual mouse: the bytes that a full write of the shipped default settings
// produces. Built by sending the full write's reports to a fresh device model, in the order and
// with the values the service's full write uses for the factory settings (lighting mode 1, red;
// polling code 2; one wheel line; DPI stages 10, 20, 30, 40, 80, 160, 320 with stage index 1;
// profile 0; the default button functions in every profile; block trailers).
#include <cstdint>
#include <vector>

namespace sim {

std::vector<uint8_t> factoryImage();

}  // namespace sim
