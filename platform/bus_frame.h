#pragma once
// Wire format of one message on the per-user message bus (pure encode/decode, no I/O).
//
// Every frame is exactly kFrameSize bytes, little-endian:
//   0  magic "KVMB"        4  version (1)      5  kind (1 post, 2 send, 3 reply)
//   6  length u16 (= 32)   8  sequence u32     12 message u32
//   16 wParam i64          24 lParam i64
// A send carries a sequence number chosen by the sender; the reply repeats it with the handler's
// result in wParam. Frames travel on SOCK_SEQPACKET sockets, so one receive is one frame and the
// receiver never buffers partial data. Anything else (wrong size, magic, version, kind or length
// field) is malformed and makes the receiver drop the connection.
#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr size_t kFrameSize = 32;

enum class FrameKind : uint8_t { Post = 1, Send = 2, Reply = 3 };

struct Frame {
    FrameKind kind = FrameKind::Post;
    uint32_t sequence = 0;
    uint32_t message = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
};

using FrameBytes = std::array<uint8_t, kFrameSize>;

FrameBytes encodeFrame(const Frame& frame);

// Decodes one received datagram; false when it is not exactly one well-formed frame.
bool decodeFrame(const uint8_t* data, size_t size, Frame& out);

}  // namespace platform
