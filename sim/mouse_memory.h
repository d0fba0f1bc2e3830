#pragma once
// The virtual mouse's device model: 8192 bytes of configuration memory and the feature and
// output reports the real mouse accepts. Pure logic; mousesim wraps it with sockets and a file.
//
// Feature reports 2 (16 bytes), 3 (64) and 4 (1024) carry the memory commands:
//   byte 1 command (0xF3 write, 0xF2 read, 0xF1 commit, 0xF5 session), bytes 2-3 address
//   (little-endian; commit: its two arguments; session: 0 open, 1 close), byte 4 count,
//   data from byte 8.
// A write never reaches past the end of the memory nor reads past the end of the report: the
// count is clipped to both. The read-only status area (0x0471, 7 bytes) is not written by
// memory-write commands; the mouse keeps it in step with the active lighting record itself.
// Report id 7 (legacy button table) and output reports are accepted, counted and kept.
//
// Faults, for tests of the service's read-back: the next N memory-write commands can be dropped
// (acknowledged, memory unchanged) or corrupted (every data byte stored inverted), and reads can
// stall (mousesim then leaves get-feature requests unanswered).
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sim {

constexpr uint32_t kMemorySize = 8192;
constexpr uint32_t kStatusArea = 0x0471;  // colour bytes 0..2 and the lighting-on byte
constexpr uint32_t kStatusAreaSize = 7;
constexpr uint32_t kLightingMask = 0x0446;
constexpr uint32_t kLightingRecords = 0x0448;  // 5 records of 8 bytes
constexpr size_t kKeptReports = 256;           // output and legacy reports kept for inspection

struct Faults {
    uint32_t dropWrites = 0;     // memory-write commands still to drop
    uint32_t corruptWrites = 0;  // memory-write commands still to store inverted
    bool stallReads = false;     // get-feature requests are not answered
    bool operator==(const Faults&) const = default;
};

// "drop-writes N", "corrupt-writes N", "stall-reads 0|1" lines, as "mousesim fault" prints them.
std::string formatFaults(const Faults& faults);

struct Counters {
    uint64_t featureReports = 0;  // every feature report received (any report id)
    uint64_t outputReports = 0;
    uint64_t featureReads = 0;    // get-feature requests answered
    uint64_t sessions = 0;        // sessions opened
    uint64_t commits = 0;
};

// The counters as "name value" lines, in the order mousesim prints them.
std::string formatCounters(const Counters& counters);

class MouseMemory {
public:
    MouseMemory();  // all zero
    // Starts from an image; shorter images are zero-filled, longer ones cut at kMemorySize.
    explicit MouseMemory(const std::vector<uint8_t>& image);

    // A feature report sent to the configuration collection (first byte = report id).
    // Returns false for reports the mouse does not accept (unknown report id or command,
    // too short); they are still counted.
    bool setFeature(const uint8_t* data, size_t length);
    // A get-feature request: data[0] holds the report id. Report ids 2 and 3 answer the last
    // memory read (id, 0xF2, zeros, then the data from byte 8, zero-padded). Returns false for
    // other report ids (the buffer is then zeroed after the id).
    bool getFeature(uint8_t* data, size_t length);
    // An output report to the consumer collection.
    bool output(const uint8_t* data, size_t length);

    // Writes bytes as if the mouse had been programmed elsewhere (the status area included).
    // Returns false, changing nothing, when the range leaves the memory.
    bool poke(uint32_t address, const uint8_t* data, size_t length);
    // Copies bytes out; false, with `out` empty, when the range leaves the memory.
    bool peek(uint32_t address, size_t length, std::vector<uint8_t>& out) const;

    const std::array<uint8_t, kMemorySize>& bytes() const { return memory_; }
    std::vector<uint8_t> image() const { return {memory_.begin(), memory_.end()}; }

    const Counters& counters() const { return counters_; }
    void resetCounters() { counters_ = Counters{}; }

    // Increases with every change of the memory, so the owner knows when to persist it.
    uint64_t changeCount() const { return changes_; }
    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }
    bool sessionOpen() const { return sessionOpen_; }
    uint8_t lastCommitA() const { return commitA_; }
    uint8_t lastCommitB() const { return commitB_; }
    const std::deque<std::vector<uint8_t>>& outputHistory() const { return outputs_; }
    const std::deque<std::vector<uint8_t>>& legacyHistory() const { return legacy_; }

private:
    bool memoryCommand(const uint8_t* data, size_t length);
    void writeMemory(uint32_t address, const uint8_t* data, size_t count, bool statusWritable);
    void refreshStatusArea();

    std::array<uint8_t, kMemorySize> memory_{};
    Counters counters_;
    Faults faults_;
    uint64_t changes_ = 0;
    bool sessionOpen_ = false;
    uint8_t commitA_ = 0, commitB_ = 0;
    uint32_t readAddress_ = 0, readCount_ = 0;
    bool readPending_ = false;
    std::deque<std::vector<uint8_t>> outputs_;
    std::deque<std::vector<uint8_t>> legacy_;
};

}  // namespace sim
