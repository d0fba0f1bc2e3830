#include "traylet/tray_status.h"

#include "platform/known_folders.h"
#include "platform/profile_ini.h"
#include "shared/mouse_settings.h"
#include "shared/text_decoding.h"
#include "shared/window_messages.h"

namespace tray {
namespace {

bool isStageIndex(int32_t value) { return value >= 0 && value < kDpiStageCount; }

// The resolution of a stage: x and y in DPI, both -1 when a value is unset or impossible.
void stageResolution(const DpiStage& st, int& x, int& y) {
    if (st.separate != 0) {
        x = dpiFromStep(st.x);
        y = dpiFromStep(st.y);
        if (x < 0 || y < 0) x = y = -1;
    } else {
        x = y = dpiFromStep(st.common);
    }
}

// "1500 DPI" or "1500 × 800 DPI"; "" for an unknown resolution.
std::string resolutionText(int x, int y, const Texts& texts) {
    if (x < 0) return "";
    if (x == y) return fillIn(texts.dpi, {std::to_string(x)});
    return fillIn(texts.dpiAxes, {std::to_string(x), std::to_string(y)});
}

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
    if (status.stage >= 0) stageResolution(s.dpiStages[status.stage], status.dpiX, status.dpiY);
    status.profileName = textcodec::toUtf8(group.Name, kNameLength);
    return status;
}

std::unique_ptr<MouseSettings> loadValidated(const std::string& settingsPath) {
    // The record is large (about 36 KB); keep it off the stack.
    auto loaded = std::make_unique<MouseSettings>();
    auto validated = std::make_unique<MouseSettings>();
    settings::clear(*loaded);
    if (!settings::loadAll(*loaded, settingsPath, -1)) return nullptr;
    settings::validateCopy(*validated, *loaded);
    return validated;
}

Status readStatus(const std::string& settingsPath) {
    std::unique_ptr<MouseSettings> validated = loadValidated(settingsPath);
    if (!validated) return Status{};
    Status status = statusFromSettings(*validated);
    status.deviceConnected = settings::readDevice(settingsPath) == 1;
    status.writeFailed = settings::readWriteFailed(settingsPath);
    return status;
}

std::string summaryText(const Status& status, const Texts& texts) {
    std::string text = fillIn(texts.profile, {std::to_string(status.profile + 1)});
    if (status.stage < 0) return text;
    text += " \u00b7 " + fillIn(texts.stage, {std::to_string(status.stage + 1)});
    if (status.dpiX < 0) return text;
    return text + " (" + resolutionText(status.dpiX, status.dpiY, texts) + ")";
}

std::string failureText(const Status& status, const Texts& texts) {
    if (status.writeFailed == 0) return "";
    return status.writeFailed == msg::kWriteNoAnswer ? texts.failNoAnswer : texts.failMismatch;
}

std::string tooltipText(const Status& status, const Texts& texts) {
    const std::string prefix = texts.name + " \u2014 ";
    std::string text = prefix + (status.settingsFound ? summaryText(status, texts) : texts.noSettings);
    const std::string failure = status.settingsFound ? failureText(status, texts) : "";
    if (!failure.empty()) text += "\n" + failure;
    if (!status.serviceRunning) text += "\n" + texts.noService;
    return text;
}

std::optional<Notice> noticeFor(int32_t kind, int32_t value, const MouseSettings& s, const Texts& texts) {
    if (kind == msg::kChangedDpiStage) {
        if (!isStageIndex(value)) return std::nullopt;
        int x = -1, y = -1;
        stageResolution(s.dpiStages[value], x, y);
        const std::string stage = std::to_string(value + 1);
        if (x < 0) return Notice{fillIn(texts.stage, {stage}), ""};
        return Notice{fillIn(texts.noticeDpi, {stage, resolutionText(x, y, texts)}), ""};
    }
    if (kind == msg::kChangedProfile) {
        if (value < 0 || value >= kProfileCount) return std::nullopt;
        return Notice{fillIn(texts.profile, {std::to_string(value + 1)}),
                      textcodec::toUtf8(s.profiles[value].Name, kNameLength)};
    }
    if (kind == msg::kChangedLighting) {
        if (value == 0) return Notice{texts.lightingOff, ""};
        // The single bit of the effect, as the window stores it: 2 is mode 2 ... 32 is mode 6;
        // anything else is mode 1.
        size_t mode = 0;
        for (size_t bit = 1; bit <= 5; ++bit)
            if (value == (1 << bit)) mode = bit;
        return Notice{fillIn(texts.noticeLighting, {texts.ledModes.at(mode)}), ""};
    }
    return std::nullopt;
}

bool readNoticesEnabled(const std::string& settingsPath) {
    return platform::readProfileInt(settingsPath, settings::kSettingSection, kNoticesKey, 1) != 0;
}

bool writeNoticesEnabled(const std::string& settingsPath, bool enabled) {
    // A file made here would hold this key alone and keep the service from installing the
    // default settings on its first start.
    if (!platform::fileExists(settingsPath)) return false;
    return platform::writeProfileInt(settingsPath, settings::kSettingSection, kNoticesKey, enabled ? 1 : 0);
}

}  // namespace tray
