// Fuzzes the message bus's frame decoder over any datagram: a frame it accepts is exactly one
// well-formed frame, and encoding what it decoded gives back the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/bus_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::Frame frame;
    if (!platform::decodeFrame(data, size, frame)) return 0;
    if (size != platform::kFrameSize) __builtin_trap();
    const platform::FrameBytes again = platform::encodeFrame(frame);
    if (std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    if (frame.kind != platform::FrameKind::Post && frame.kind != platform::FrameKind::Send &&
        frame.kind != platform::FrameKind::Reply)
        __builtin_trap();
    return 0;
}
