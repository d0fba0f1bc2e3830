#pragma once
// What the tray shows: the current profile and DPI stage with its resolution, taken from the
// settings file. Qt-free, so the texts are built and tested without a display.
//
// The settings file is only read here, never written: the service and the configuration program
// own it and replace it atomically.
#include <memory>
#include <optional>
#include <string>

#include "shared/settings_record.h"
#include "traylet/tray_texts.h"

namespace tray {

// One DPI stage step of the mouse is 50 DPI; the stored values run from 2 (100 DPI) to 320.
inline constexpr int kDpiPerStep = 50;
inline constexpr int kMinDpiStep = 2;
inline constexpr int kMaxDpiStep = 320;

struct Status {
    bool settingsFound = false;  // false: no readable settings file (nothing else is meaningful)
    int profile = 0;             // 0..4, shown as 1..5
    int stage = -1;              // 0..6, shown as 1..7; -1 when the file names no valid stage
    int dpiX = -1;               // resolution of the stage in DPI; -1 when the stage value is unset
    int dpiY = -1;               // differs from dpiX only when the stage sets the axes separately
    std::string profileName;     // "Name" of the profile section, UTF-8, may be empty
    bool deviceConnected = false;  // "Device" = 1: the service has the mouse open
    int writeFailed = 0;         // "WriteFailed": why the last write did not reach the mouse; 0 = fine
    bool serviceRunning = true;  // false while the tray knows the service is not running

    bool operator==(const Status&) const = default;
};

// The settings file loaded the way both programs load it (clear, load all with the file's profile,
// validate copy), without the normalising save; null when there is no readable file.
std::unique_ptr<MouseSettings> loadValidated(const std::string& settingsPath);

// Status of a validated settings record. The current stage is the record's "DPI"; when that is
// not a stage index the current profile's "DPI" is used; otherwise there is no stage.
Status statusFromSettings(const MouseSettings& validated);

// loadValidated() as a Status, plus the "Device" and "WriteFailed" keys.
Status readStatus(const std::string& settingsPath);

// In English: "Profile 2 · DPI stage 3 (1500 DPI)"; separate axes as "(1500 × 800 DPI)"; an unset
// stage value leaves out the parenthesis; no stage gives "Profile 2".
std::string summaryText(const Status& status, const Texts& texts = {});

// "KORVANTE mouse — " + summaryText, or "KORVANTE mouse — No settings yet" without a file; a
// failed write adds a line with failureText, a stopped service one with "Service not running".
std::string tooltipText(const Status& status, const Texts& texts = {});

// What the tray says while the last write did not reach the mouse ("" when it did).
std::string failureText(const Status& status, const Texts& texts = {});

// A desktop notice: its one-line summary and an optional body.
struct Notice {
    std::string summary;
    std::string body;
    bool operator==(const Notice&) const = default;
};

// The notice for a change made with the mouse's own buttons, as the service reports it (message
// 1285 with kind and value): "DPI stage 3 - 1500 DPI", "Profile 2" (with the profile's name as
// body), "Lighting: Wave", or "Lighting off" for a report with no lighting effect bit. Nothing for
// another kind (the read-back's reload) or a stage or profile the mouse does not have.
std::optional<Notice> noticeFor(int32_t kind, int32_t value, const MouseSettings& validated,
                                const Texts& texts = {});

// "Setting"/"TrayNotices" of the settings file: 0 turns the notices off; missing means on. The tray
// writes this one key alone, so what other programs save meanwhile is kept, and only into an
// existing file (false otherwise, and when the file cannot be written).
inline constexpr const char* kNoticesKey = "TrayNotices";
bool readNoticesEnabled(const std::string& settingsPath);
bool writeNoticesEnabled(const std::string& settingsPath, bool enabled);

// DPI of one stored stage value: value × 50 when in 2..320, else -1.
int dpiFromStep(int32_t step);

}  // namespace tray
