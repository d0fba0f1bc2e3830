#pragma once
// Verified writes: every byte a request wrote into the mouse's memory is read back and compared
// once the request's writes are done. WrittenBytes keeps what was sent (a later write of an address
// wins over an earlier one) and plans the reads: the fewest windows of at most kMaxReadBytes that
// cover every written byte, so a full write costs one read per stretch of nearby writes instead of
// one per write. The mouse's read-only status area is never recorded: it does not keep what is
// written there. Pure logic; verifyWrittenBytes() runs the plan through any read function.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace verify {

// The largest read one report carries (report id 3: 64 bytes minus the 8-byte header).
inline constexpr int kMaxReadBytes = 56;
// The read-only status area (colour bytes and the lighting-on byte).
inline constexpr uint16_t kStatusArea = 0x0471;
inline constexpr int kStatusAreaSize = 7;

struct ReadWindow {
    uint16_t address = 0;
    int count = 0;
    bool operator==(const ReadWindow&) const = default;
};

class WrittenBytes {
public:
    void record(uint16_t address, const uint8_t* data, int count);
    void clear() { bytes_.clear(); }
    bool empty() const { return bytes_.empty(); }
    size_t size() const { return bytes_.size(); }

    // Windows in address order; each starts at a written byte and holds at most kMaxReadBytes.
    std::vector<ReadWindow> plan() const;
    // The first written address inside the window whose byte in `got` (the window's bytes) differs
    // from what was written; -1 when all agree.
    int firstMismatch(const ReadWindow& window, const uint8_t* got) const;
    // The byte last written at the address (0 when none was).
    uint8_t at(uint16_t address) const;

private:
    std::map<uint16_t, uint8_t> bytes_;
};

enum class Outcome { Verified, Mismatch, NoAnswer };

struct Result {
    Outcome outcome = Outcome::Verified;
    int address = -1;      // first differing or unanswered address (-1 when verified)
    uint8_t wrote = 0;     // Mismatch: the byte sent and the byte read back
    uint8_t read = 0;
    int reads = 0;         // reads made
};

// Reads `count` bytes at `address` into `out`; false when the mouse did not answer.
using ReadFunction = std::function<bool(uint16_t address, uint8_t* out, int count)>;

// Runs the plan; stops at the first unanswered read or differing byte.
Result verifyWrittenBytes(const WrittenBytes& written, const ReadFunction& read);

// One line for the diagnostics and the command line: what failed, where.
std::string describe(const Result& result);

}  // namespace verify
