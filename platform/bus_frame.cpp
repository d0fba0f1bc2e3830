#include "platform/bus_frame.h"

namespace platform {
namespace {

constexpr uint8_t kMagic[4] = {'K', 'V', 'M', 'B'};
constexpr uint8_t kVersion = 1;

void putLe(uint8_t* p, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t getLe(const uint8_t* p, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(p[i]) << (8 * i);
    return value;
}

}  // namespace

FrameBytes encodeFrame(const Frame& frame) {
    FrameBytes b{};
    for (int i = 0; i < 4; ++i) b[i] = kMagic[i];
    b[4] = kVersion;
    b[5] = static_cast<uint8_t>(frame.kind);
    putLe(&b[6], kFrameSize, 2);
    putLe(&b[8], frame.sequence, 4);
    putLe(&b[12], frame.message, 4);
    putLe(&b[16], static_cast<uint64_t>(frame.wParam), 8);
    putLe(&b[24], static_cast<uint64_t>(frame.lParam), 8);
    return b;
}

bool decodeFrame(const uint8_t* data, size_t size, Frame& out) {
    if (data == nullptr || size != kFrameSize) return false;
    for (int i = 0; i < 4; ++i)
        if (data[i] != kMagic[i]) return false;
    if (data[4] != kVersion) return false;
    uint8_t kind = data[5];
    if (kind < static_cast<uint8_t>(FrameKind::Post) || kind > static_cast<uint8_t>(FrameKind::Reply))
        return false;
    if (getLe(&data[6], 2) != kFrameSize) return false;
    out.kind = static_cast<FrameKind>(kind);
    out.sequence = static_cast<uint32_t>(getLe(&data[8], 4));
    out.message = static_cast<uint32_t>(getLe(&data[12], 4));
    out.wParam = static_cast<int64_t>(getLe(&data[16], 8));
    out.lParam = static_cast<int64_t>(getLe(&data[24], 8));
    return true;
}

}  // namespace platform
