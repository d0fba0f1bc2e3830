#pragma once
// The mouse's configuration protocol: a small memory-access command set carried in feature
// reports (write 0xF3, read 0xF2, commit 0xF1, session 0xF5), the device memory map, the encoding
// of every settings value into it, the full write (SendAll2Mouse), the read-back on connection
// (QueryAllFrMouse) and the legacy button-table upload through report id 7.
//
// Every transfer looks the configuration collection up first (the 0x003E pair reuses the current
// id). Write operations go on after a failed transfer, like the mouse expects a complete sequence,
// and return whether every transfer of theirs reached the mouse. The read-back instead stops at
// the first failed transfer and leaves the settings record untouched, so a vanished mouse is never
// mistaken for a mouse full of zeros.
//
// Not thread-safe: one thread (the service's window thread) drives an object.
#include <array>
#include <cstdint>
#include <functional>

#include "service/device/device_link.h"
#include "service/device/hid_device.h"
#include "service/device/report_transform.h"
#include "service/device/write_verification.h"
#include "shared/settings_record.h"

namespace devmap {
inline constexpr std::array<uint16_t, kProfileCount> kProfileBase = {0x0040, 0x0100, 0x01B0, 0x0260, 0x0310};
inline constexpr uint16_t kWheelLines = 0x0020;
inline constexpr uint16_t kLiftAngle = 0x002A;
inline constexpr uint16_t kProfile = 0x002C;
inline constexpr uint16_t kPollingA = 0x0032;
inline constexpr uint16_t kPollingB = 0x0038;
inline constexpr uint16_t kPair3E = 0x003E;
inline constexpr uint16_t kDpiIndexOffset = 0x02;
inline constexpr uint16_t kDpiStageOffset = 0x04;   // + 6 * stage
inline constexpr uint16_t kButtonOffset = 0x42;     // + 4 * button
inline constexpr uint16_t kTrailerOffset = 0xAA;
inline constexpr uint16_t kLedMask = 0x0446;
inline constexpr uint16_t kLedRecord = 0x0448;      // + 8 * record: flags, colour 0, 1, 2
inline constexpr uint16_t kLedRate = 0x044D;        // + 8 * record
inline constexpr uint16_t kLedDirection = 0x044E;   // + 8 * record: modes 2 and 5
inline constexpr uint16_t kLedLevel = 0x044F;       // + 8 * record
inline constexpr int kLedRecordCount = 5;
inline constexpr uint16_t kLedState = 0x0471;       // read only: colour 0, 1, 2, lighting on
inline constexpr uint16_t kMacroSlots = 0x0478;     // + 200 * slot
inline constexpr int kMacroSlotSize = 200;
inline constexpr int kMacroSlotCount = 20;
inline constexpr int kAllTrailers = 170;

inline constexpr uint16_t buttonAddress(int profile, int button) {
    return static_cast<uint16_t>(kProfileBase[profile] + kButtonOffset + 4 * button);
}
inline constexpr uint16_t macroSlotAddress(int slot) {
    return static_cast<uint16_t>(kMacroSlots + kMacroSlotSize * slot);
}
}  // namespace devmap

namespace devcmd {
inline constexpr uint8_t kWrite = 0xF3;
inline constexpr uint8_t kRead = 0xF2;
inline constexpr uint8_t kCommit = 0xF1;
inline constexpr uint8_t kSession = 0xF5;
}  // namespace devcmd

// Counters for benchmarks and tests.
struct TransferStats {
    uint64_t featureReports = 0;  // feature reports sent (writes, read requests, commits, sessions)
    uint64_t outputReports = 0;   // output reports sent (legacy upload)
    uint64_t featureReads = 0;    // answers fetched
    uint64_t failedTransfers = 0;
    uint64_t waitedMs = 0;        // sum of the waits asked for
    uint64_t reportsSent() const { return featureReports + outputReports; }
};

// The macro side of the protocol (macro_transfer), attached by the owner.
struct MacroHooks {
    // Points every macro button of the record at its slot and writes the used slots.
    std::function<bool()> assign;
    // Reads slot n of the mouse into its macro file; false, with a diagnostics line, when the
    // mouse did not answer.
    std::function<bool(int slot)> readSlot;
};

class DeviceConfig {
public:
    using WaitFunction = std::function<void(int milliseconds)>;

    static constexpr int kSessionWaitMs = 100;
    static constexpr int kLegacyWaitMs = 10;

    DeviceConfig(HidDevice& device, DeviceLink& link, MouseSettings& settings);

    void setWaitFunction(WaitFunction wait) { wait_ = std::move(wait); }
    void setMacroHooks(MacroHooks hooks) { macro_ = std::move(hooks); }
    void setReportTransform(ReportTransform* transform) { transform_ = transform; }
    // Asked before each session of a read-back: true ends the read-back there (the owner is
    // ending), with the record untouched.
    void setStopRequest(std::function<bool()> stop) { stop_ = std::move(stop); }
    // While set, every memory write (the 0x003E pair included) is also recorded there, so the
    // owner can read back what a request wrote. nullptr stops the recording.
    void recordWritesInto(verify::WrittenBytes* written) { written_ = written; }

    MouseSettings& settings() { return settings_; }
    DeviceLink& link() { return link_; }
    const TransferStats& stats() const { return stats_; }
    void resetStats() { stats_ = {}; }

    // --- Protocol primitives (report ids 2, 3 and 4 chosen by size) ---
    // Memory write of up to 1016 bytes: report id 2 (length 16) up to 8 bytes, id 3 (length 64)
    // up to 56, id 4 (length 1024) above.
    bool writeMemory(uint16_t address, const uint8_t* data, int count);
    // Memory read of up to 56 bytes: id 2 up to 8, id 3 above. out is filled only on success.
    bool readMemory(uint16_t address, uint8_t* out, int count);
    bool commit(uint8_t a, uint8_t b);
    bool openSession() { return session(0); }
    bool closeSession() { return session(1); }

    // --- Operations on the settings record ---
    bool write3EPair();
    // The mask and the current mode's record (record 4 while off), commit (0x02, 0x04) always.
    // Modes 2 and 5 write their direction too: 1 for direction 1 or 3, 0 for 2 or 4. While
    // another record runs, record 4 gets mode 5's parameters back.
    bool writeLighting();
    // Records 0..3 with the parameters of modes 1..4 and the colour, no mask, no commit.
    bool writeEveryLightingRecord();
    bool writePollingRate(bool commit);   // (0x02, 0x08)
    bool writeWheelLines();               // commit (0x01, 0x01) always
    bool writeDpiStageIndex(bool commit); // (0x02, 0x02)
    bool writeDpiStage(int stage, bool commit);
    bool writeLiftAngle(bool commit);     // (0x02, 0x08)
    bool writeProfile(bool commit);       // (0x02, 0x01)
    // Button b (0..8) of profile p (0..4); records 9 and 10 are not on the mouse (nothing sent,
    // true). A macro button runs the macro assignment instead.
    bool writeButton(int profile, int button);
    // Writes the bytes of one non-macro button.
    bool writeButtonBytes(int profile, int button, const uint8_t bytes[4]);
    // Trailer of profile "which" (0..4), or of all five when which is 170.
    bool writeTrailers(int which);

    // Everything; false without a transfer when the link flag is 0. The caller brackets it with a
    // session. Macro buttons are handled by one macro assignment after all other buttons.
    bool sendAll();
    // Reads the mouse's configuration and macros back into the settings record (the macro slots
    // through the readSlot hook). On any failed transfer, or a stop request, it closes the session
    // and returns false with the record untouched; on success the caller saves the record and
    // notifies the UI.
    bool queryAll();
    // The older whole-table upload of the current profile through report id 7. Skipped (false)
    // when the report transform is not available.
    bool legacyButtonUpload();

private:
    bool session(uint8_t value);
    // Lighting record d (0..4): flags and colour, rate, direction, level of `mode`.
    bool writeLightingRecord(int d, int mode);
    bool sendFeature(uint32_t deviceId, const uint8_t* data, int length);
    bool sendOutput(uint32_t deviceId, const uint8_t* data, int length);
    void wait(int ms);
    int currentProfileIndex() const;
    bool readSettingsInto(MouseSettings& target);
    bool readButtonsInto(MouseSettings& target);
    bool stopRequested() const;

    HidDevice& device_;
    DeviceLink& link_;
    MouseSettings& settings_;
    WaitFunction wait_;
    MacroHooks macro_;
    ReportTransform* transform_ = nullptr;
    std::function<bool()> stop_;
    verify::WrittenBytes* written_ = nullptr;
    TransferStats stats_;
    bool transformMissingReported_ = false;
};
