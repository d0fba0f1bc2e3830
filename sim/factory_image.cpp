#include "sim/factory_image.h"

#include "sim/model_device.h"
#include "sim/mouse_memory.h"

#include <initializer_list>

namespace sim {
namespace {

constexpr uint32_t kProfileBases[5] = {0x0040, 0x0100, 0x01B0, 0x0260, 0x0310};

// Device bytes of the default functions of buttons 1..9: left, right, middle, forward, back,
// DPI up, DPI down, then the two DPI-cycle functions.
constexpr uint8_t kDefaultButtons[9][4] = {
    {0x81, 0, 0, 0}, {0x82, 0, 0, 0}, {0x83, 0, 0, 0}, {0x85, 0, 0, 0}, {0x84, 0, 0, 0},
    {0x8A, 0, 0, 0}, {0x89, 0, 0, 0}, {0x9B, 0x04, 0, 0}, {0x9B, 0x08, 0, 0},
};

constexpr uint16_t kFactoryDpiStages[7] = {10, 20, 30, 40, 80, 160, 320};

void writeReport(MouseMemory& mouse, uint8_t reportId, uint32_t address, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> report(reportId == 3 ? 64 : 16, 0);
    report[0] = reportId;
    report[1] = 0xF3;
    report[2] = static_cast<uint8_t>(address);
    report[3] = static_cast<uint8_t>(address >> 8);
    report[4] = static_cast<uint8_t>(bytes.size());
    size_t i = 8;
    for (uint8_t b : bytes) report[i++] = b;
    mouse.setFeature(report.data(), report.size());
}

void write(MouseMemory& mouse, uint32_t address, std::initializer_list<uint8_t> bytes) {
    writeReport(mouse, 2, address, bytes);
}

void commit(MouseMemory& mouse, uint8_t a, uint8_t b) {
    uint8_t report[16] = {2, 0xF1, a, b};
    mouse.setFeature(report, sizeof report);
}

}  // namespace

std::vector<uint8_t> factoryImage() {
    MouseMemory mouse;
    write(mouse, 0x003E, {0x01, 0x00});
    // Lighting mode 1 (record 0, mask 1), colour 255 = red; mode 1 sends the flags 0x80 alone.
    // Mode 1's parameters (0, 4, 9): rate 9 is clamped to 8 → 9 - 8 = 1; level 4 → 3.
    write(mouse, 0x0446, {0x01});
    write(mouse, 0x0448, {0x80, 0xFF, 0x00, 0x00});
    write(mouse, 0x044D, {0x01});
    write(mouse, 0x044F, {0x03});
    commit(mouse, 0x02, 0x04);
    write(mouse, 0x0032, {2, 0, 2, 0, 2, 0});
    write(mouse, 0x0038, {2, 0, 2, 0});
    writeReport(mouse, 3, 0x0020, {1, 0, 1, 0, 1, 0, 1, 0, 1, 0});
    commit(mouse, 0x01, 0x01);
    write(mouse, kProfileBases[0] + 2, {0x01});  // DPI stage index of the current profile (0)
    for (int s = 0; s < 7; ++s) {
        uint8_t lo = static_cast<uint8_t>(kFactoryDpiStages[s]);
        uint8_t hi = static_cast<uint8_t>(kFactoryDpiStages[s] >> 8);
        for (uint32_t base : kProfileBases) write(mouse, base + 4 + 6 * s, {0x01, lo, hi, lo, hi});
    }
    write(mouse, 0x002A, {0x00});
    commit(mouse, 0x02, 0x08);
    write(mouse, 0x002C, {0x00, 0x00});
    commit(mouse, 0x02, 0x01);
    for (uint32_t base : kProfileBases)
        for (int b = 0; b < 9; ++b) {
            const uint8_t* d = kDefaultButtons[b];
            write(mouse, base + 0x42 + 4 * b, {d[0], d[1], d[2], d[3]});
        }
    for (uint32_t base : kProfileBases) write(mouse, base + 0xAA, {0xFF, 0xFF});
    commit(mouse, 0x02, 0x01);
    commit(mouse, 0x02, 0x02);
    commit(mouse, 0x02, 0x01);
    return mouse.image();
}

std::vector<uint8_t> imageFromFullWrite(const FullWrite& write) {
    MouseMemory mouse;
    ModelHidDevice device(mouse);
    device.registerLink(nullptr);
    if (write) write(device);
    return mouse.image();
}

}  // namespace sim
