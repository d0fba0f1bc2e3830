#pragma once
// Wire format between the "sim" HidDevice backend (and the mousesim command-line client) and the
// virtual mouse, mousesim, over a Unix stream socket. Pure encoding and decoding, no I/O.
//
// A frame is a 5-byte header (payload length as 32-bit little-endian, then the frame type) and
// the payload. Frames larger than kMaxPayload or of an unknown type mark the stream as broken:
// the receiver drops the connection instead of guessing where the next frame starts.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace simlink {

constexpr size_t kHeaderSize = 5;
constexpr size_t kMaxReport = 1024;          // the largest report the mouse takes (report id 4)
// Room for the longest control text: a dump of the whole memory (8192 × 3 characters).
constexpr size_t kMaxPayload = 32768;

enum class FrameType : uint8_t {
    Hello = 1,         // client → mouse: role (RoleLink or RoleControl)
    LinkState = 2,     // mouse → link client: plugged flag and the collection ids
    Input = 3,         // mouse → link client: one input report, first byte = report id
    Output = 4,        // link client → mouse: output report (Transfer)
    SetFeature = 5,    // link client → mouse: feature report (Transfer)
    GetFeature = 6,    // link client → mouse: get-feature request (Transfer, buffer as pre-filled)
    Reply = 7,         // mouse → link client: result of a Transfer
    Control = 8,       // control client → mouse: command words
    ControlReply = 9,  // mouse → control client: exit status and text
};

constexpr uint8_t kRoleLink = 1;
constexpr uint8_t kRoleControl = 2;

struct Frame {
    FrameType type = FrameType::Hello;
    std::vector<uint8_t> payload;
};

// Whether the byte names a frame type of this protocol.
bool isKnownFrameType(uint8_t type);

// Header + payload. The payload must not exceed kMaxPayload (a larger one is cut off there,
// which the callers never produce: every typed encoder below stays within the limit).
std::vector<uint8_t> encodeFrame(FrameType type, const std::vector<uint8_t>& payload);

// Splits a byte stream into frames.
class FrameReader {
public:
    // Appends received bytes; returns false once the stream is broken.
    bool feed(const uint8_t* data, size_t length);
    // Takes the next complete frame; false when none is complete (or the stream is broken).
    bool next(Frame& frame);
    bool broken() const { return broken_; }

private:
    std::deque<uint8_t> buffer_;
    bool broken_ = false;
};

// Plugged flag and the ids of the two collections while plugged.
struct LinkState {
    bool plugged = false;
    uint16_t consumerId = 0;  // usage page 0x000C
    uint16_t configId = 0;    // usage page 0xFFA0
};
std::vector<uint8_t> encodeLinkState(const LinkState& state);
bool decodeLinkState(const std::vector<uint8_t>& payload, LinkState& state);

// One report moving to the mouse (Output, SetFeature, GetFeature), tagged with a sequence number
// that its Reply carries back.
struct Transfer {
    uint32_t seq = 0;
    uint32_t deviceId = 0;
    std::vector<uint8_t> report;  // 1..kMaxReport bytes
};
std::vector<uint8_t> encodeTransfer(const Transfer& transfer);
bool decodeTransfer(const std::vector<uint8_t>& payload, Transfer& transfer);

struct Reply {
    uint32_t seq = 0;
    bool ok = false;
    std::vector<uint8_t> report;  // the answer of a GetFeature, empty otherwise
};
std::vector<uint8_t> encodeReply(const Reply& reply);
bool decodeReply(const std::vector<uint8_t>& payload, Reply& reply);

// Input report: 1..kMaxReport bytes.
bool validInputReport(const std::vector<uint8_t>& payload);

// Command words, each terminated by a NUL byte.
std::vector<uint8_t> encodeControl(const std::vector<std::string>& words);
bool decodeControl(const std::vector<uint8_t>& payload, std::vector<std::string>& words);

struct ControlReply {
    int status = 0;     // exit status of the client: 0 success, 1 failure
    std::string text;   // printed by the client (stdout on success, stderr otherwise)
};
std::vector<uint8_t> encodeControlReply(const ControlReply& reply);
bool decodeControlReply(const std::vector<uint8_t>& payload, ControlReply& reply);

}  // namespace simlink
