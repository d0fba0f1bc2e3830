#include "service/device/sim_link_protocol.h"

#include <algorithm>

namespace simlink {
namespace {

void putU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
uint32_t getU32(const std::vector<uint8_t>& in, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[at + i]) << (8 * i);
    return v;
}
uint16_t getU16(const std::vector<uint8_t>& in, size_t at) {
    return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}

}  // namespace

bool isKnownFrameType(uint8_t type) {
    return type >= static_cast<uint8_t>(FrameType::Hello) &&
           type <= static_cast<uint8_t>(FrameType::ControlReply);
}

std::vector<uint8_t> encodeFrame(FrameType type, const std::vector<uint8_t>& payload) {
    size_t length = std::min(payload.size(), kMaxPayload);
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + length);
    putU32(out, static_cast<uint32_t>(length));
    out.push_back(static_cast<uint8_t>(type));
    out.insert(out.end(), payload.begin(), payload.begin() + static_cast<long>(length));
    return out;
}

bool FrameReader::feed(const uint8_t* data, size_t length) {
    if (broken_) return false;
    buffer_.insert(buffer_.end(), data, data + length);
    return true;
}

bool FrameReader::next(Frame& frame) {
    if (broken_ || buffer_.size() < kHeaderSize) return false;
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<uint32_t>(buffer_[i]) << (8 * i);
    uint8_t type = buffer_[4];
    if (length > kMaxPayload || !isKnownFrameType(type)) {
        broken_ = true;
        buffer_.clear();
        return false;
    }
    if (buffer_.size() < kHeaderSize + length) return false;
    frame.type = static_cast<FrameType>(type);
    frame.payload.assign(buffer_.begin() + kHeaderSize, buffer_.begin() + kHeaderSize + length);
    buffer_.erase(buffer_.begin(), buffer_.begin() + kHeaderSize + length);
    return true;
}

std::vector<uint8_t> encodeLinkState(const LinkState& state) {
    std::vector<uint8_t> out;
    out.push_back(state.plugged ? 1 : 0);
    putU16(out, state.consumerId);
    putU16(out, state.configId);
    return out;
}

bool decodeLinkState(const std::vector<uint8_t>& payload, LinkState& state) {
    if (payload.size() != 5 || payload[0] > 1) return false;
    state.plugged = payload[0] == 1;
    state.consumerId = getU16(payload, 1);
    state.configId = getU16(payload, 3);
    return true;
}

std::vector<uint8_t> encodeTransfer(const Transfer& transfer) {
    std::vector<uint8_t> out;
    putU32(out, transfer.seq);
    putU32(out, transfer.deviceId);
    size_t n = std::min(transfer.report.size(), kMaxReport);
    out.insert(out.end(), transfer.report.begin(), transfer.report.begin() + static_cast<long>(n));
    return out;
}

bool decodeTransfer(const std::vector<uint8_t>& payload, Transfer& transfer) {
    if (payload.size() < 9 || payload.size() > 8 + kMaxReport) return false;
    transfer.seq = getU32(payload, 0);
    transfer.deviceId = getU32(payload, 4);
    transfer.report.assign(payload.begin() + 8, payload.end());
    return true;
}

std::vector<uint8_t> encodeReply(const Reply& reply) {
    std::vector<uint8_t> out;
    putU32(out, reply.seq);
    out.push_back(reply.ok ? 1 : 0);
    size_t n = std::min(reply.report.size(), kMaxReport);
    out.insert(out.end(), reply.report.begin(), reply.report.begin() + static_cast<long>(n));
    return out;
}

bool decodeReply(const std::vector<uint8_t>& payload, Reply& reply) {
    if (payload.size() < 5 || payload.size() > 5 + kMaxReport || payload[4] > 1) return false;
    reply.seq = getU32(payload, 0);
    reply.ok = payload[4] == 1;
    reply.report.assign(payload.begin() + 5, payload.end());
    return true;
}

bool validInputReport(const std::vector<uint8_t>& payload) {
    return !payload.empty() && payload.size() <= kMaxReport;
}

std::vector<uint8_t> encodeControl(const std::vector<std::string>& words) {
    std::vector<uint8_t> out;
    for (const std::string& w : words) {
        if (out.size() + w.size() + 1 > kMaxPayload) break;  // never produced by the client
        out.insert(out.end(), w.begin(), w.end());
        out.push_back(0);
    }
    return out;
}

bool decodeControl(const std::vector<uint8_t>& payload, std::vector<std::string>& words) {
    words.clear();
    if (payload.empty() || payload.back() != 0) return false;
    std::string current;
    for (uint8_t b : payload) {
        if (b == 0) {
            words.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(b));
        }
    }
    return true;
}

std::vector<uint8_t> encodeControlReply(const ControlReply& reply) {
    std::vector<uint8_t> out;
    out.push_back(static_cast<uint8_t>(reply.status));
    size_t n = std::min(reply.text.size(), kMaxPayload - 1);
    out.insert(out.end(), reply.text.begin(), reply.text.begin() + static_cast<long>(n));
    return out;
}

bool decodeControlReply(const std::vector<uint8_t>& payload, ControlReply& reply) {
    if (payload.empty()) return false;
    reply.status = payload[0];
    reply.text.assign(payload.begin() + 1, payload.end());
    return true;
}

}  // namespace simlink
