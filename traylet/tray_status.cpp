#include "traylet/tray_status.h"

#include "shared/mouse_settings.h"
#include "shared/text_decoding.h"
#include "shared/window_messages.h"

#include <memory>

namespace tray {
namespace {

bool isStageIndex(int32_t value) { return value >= 0 && value < kDpiStageCount; }

}  // namespace

int dpiFromStep(int32_t step) {
    return step >= kMinDpiStep && step <= kMaxDpiStep ? step * kDpiPerStep : -1;
}

Status statusFromSettings(const MouseSettings& s) {
    Status status;
    status.settingsFound = true;
    // Validation keeps Profile within 0..4; checked again because the record indexes arrays.
    status.profile = s.Profile >= 0 && s.Profile < kProfileCount ? s.Profile : 0;
    const ProfileGroup& group = s.profiles[status.profile];
    // "DPI" is not validated by the store and may hold anything (-1 when unset): it is only used
    // as an index after a range check.
    if (isStageIndex(s.DPI)) status.stage = s.DPI;
    else if (isStageIndex(group.DPI)) status.stage = group.DPI;
    if (status.stage >= 0) {
        const DpiStage& st = s.dpiStages[status.stage];
        if (st.separate != 0) {
            status.dpiX = dpiFromStep(st.x);
            status.dpiY = dpiFromStep(st.y);
            if (status.dpiX < 0 || status.dpiY < 0) status.dpiX = status.dpiY = -1;
        } else {
            status.dpiX = status.dpiY = dpiFromStep(st.common);
        }
    }
    status.profileName = textcodec::toUtf8(group.Name, kNameLength);
    return status;
}

Status readStatus(const std::string& settingsPath) {
    // The record is large (about 36 KB); keep it off the stack.
    auto loaded = std::make_unique<MouseSettings>();
    auto validated = std::make_unique<MouseSettings>();
    settings::clear(*loaded);
    if (!settings::loadAll(*loaded, settingsPath, -1)) return Status{};
    settings::validateCopy(*validated, *loaded);
    Status status = statusFromSettings(*validated);
    status.deviceConnected = settings::readDevice(settingsPath) == 1;
    status.writeFailed = settings::readWriteFailed(settingsPath);
    return status;
}

std::string summaryText(const Status& status) {
    std::string text = "Profile " + std::to_string(status.profile + 1);
    if (status.stage < 0) return text;
    text += " \u00b7 DPI stage " + std::to_string(status.stage + 1);
    if (status.dpiX < 0) return text;
    if (status.dpiX == status.dpiY)
        text += " (" + std::to_string(status.dpiX) + " DPI)";
    else
        text += " (" + std::to_string(status.dpiX) + " \u00d7 " + std::to_string(status.dpiY) + " DPI)";
    return text;
}

std::string failureText(const Status& status) {
    if (status.writeFailed == 0) return "";
    return status.writeFailed == msg::kWriteNoAnswer
               ? "The last change did not reach the mouse: it did not answer"
               : "The last change did not reach the mouse: it kept other values";
}

std::string tooltipText(const Status& status) {
    const std::string prefix = "KORVANTE mouse \u2014 ";
    if (!status.settingsFound) return prefix + "no settings yet";
    const std::string failure = failureText(status);
    return prefix + summaryText(status) + (failure.empty() ? "" : "\n" + failure);
}

}  // namespace tray
