#pragma once
// What the tray shows: the current profile and DPI stage with its resolution, taken from the
// settings file. Qt-free, so the texts are built and tested without a display.
//
// The settings file is only read here, never written: the service and the configuration program
// own it and replace it atomically.
#include <string>

#include "shared/settings_record.h"

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

    bool operator==(const Status&) const = default;
};

// Status of a validated settings record. The current stage is the record's "DPI"; when that is
// not a stage index the current profile's "DPI" is used; otherwise there is no stage.
Status statusFromSettings(const MouseSettings& validated);

// Loads the settings file the way both programs load it (clear, load all with the file's profile,
// validate copy), without the normalising save, plus the "Device" key.
Status readStatus(const std::string& settingsPath);

// "Profile 2 · DPI stage 3 (1500 DPI)"; separate axes as "(1500 × 800 DPI)"; an unset stage value
// leaves out the parenthesis; no stage gives "Profile 2".
std::string summaryText(const Status& status);

// "KORVANTE mouse — " + summaryText, or "KORVANTE mouse — no settings yet" without a file; a
// failed write adds a second line with failureText.
std::string tooltipText(const Status& status);

// What the tray says while the last write did not reach the mouse ("" when it did).
std::string failureText(const Status& status);

// DPI of one stored stage value: value × 50 when in 2..320, else -1.
int dpiFromStep(int32_t step);

}  // namespace tray
