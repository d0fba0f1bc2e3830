#include "panel/panel_model.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/known_folders.h"
#include "platform/message_bus.h"
#include "platform/profile_ini.h"
#include "shared/first_run.h"
#include "shared/macro_buttons.h"
#include "shared/macro_file.h"
#include "shared/mouse_settings.h"
#include "shared/settings_rules.h"
#include "shared/text_decoding.h"
#include "shared/window_messages.h"

namespace panel {

PanelPaths userPaths(const std::string& programFolder) {
    platform::ensureFolder(platform::dataFolder());
    return PanelPaths{programFolder, platform::pathJoin(programFolder, "Strings.xml"), platform::settingsPath(),
                      platform::macroFolder()};
}

bool ServiceMessenger::post(uint32_t message, int64_t wParam, int64_t lParam) {
    return platform::postMessage(title::kService, message, wParam, lParam);
}

bool ServiceMessenger::send(uint32_t message, int64_t wParam, int64_t lParam) {
    return platform::sendMessage(title::kService, message, wParam, lParam);
}

bool ServiceMessenger::serviceRunning() { return platform::findWindow(title::kService); }

int lightingModeFromBit(int64_t bit) {
    switch (bit) {
        case 2: return 2;
        case 4: return 3;
        case 8: return 4;
        case 16: return 5;
        case 32: return 6;
        default: return 1;
    }
}

bool acceptedFromBus(uint32_t message) {
    switch (message) {
        case msg::kMouseChanged:   // 1285
        case msg::kRemoteCommand:
        case msg::kReloadDpiStages:
        case msg::kBlankPage:
        case msg::kMouseUnplug:    // 1280
        case msg::kCounters:       // 1282
        case msg::kWriteFailed:    // 1286
        case msg::kShortcutState:  // 1311
        case msg::kClose:
        case msg::kQuit:
            return true;
        default:
            return false;
    }
}

PanelModel::PanelModel(PanelPaths paths, ServiceMessenger& service) : paths_(std::move(paths)), service_(service) {}

void PanelModel::loadInto(MouseSettings& record) const {
    static MouseSettings loaded;  // large; the window is single-threaded
    settings::clear(loaded);
    settings::loadAndNormalise(loaded, paths_.settingsPath, -1);
    settings::validateCopy(record, loaded);
}

void PanelModel::load() {
    // On a fresh account the window may start before the service: without the shipped defaults it
    // would load a missing file and save a record of unset values for the service to write.
    settings::prepareSettingsFile(paths_.programFolder);
    loadInto(working_);
}

int PanelModel::currentProfile() const { return settingsrules::currentProfile(working_); }

int PanelModel::currentStage() const { return settingsrules::currentStage(working_); }

int PanelModel::lightingMode() const { return settingsrules::currentLightingMode(working_); }

bool PanelModel::save() {
    // The service counts clicks into the same file; a whole-record save carries its latest counts.
    takeCounters();
    saveFailed_ = !settings::saveAll(working_, paths_.settingsPath);
    return !saveFailed_;
}

bool PanelModel::selectProfile(int profile) {
    // The profile's own stage becomes the current one, as the service writes it into the mouse.
    const settingsrules::Request request = settingsrules::selectProfile(working_, profile);
    saveAndTell(request);
    return static_cast<bool>(request);
}

std::string PanelModel::programRule(int profile) const {
    if (profile < 0 || profile >= kProfileCount) return {};
    return textcodec::toUtf8(working_.profiles[profile].Exe, kNameLength);
}

bool PanelModel::setProgramRule(int profile, const std::string& program) {
    std::string rule = program;
    if (rule.find('/') != std::string::npos) {
        // The service compares with the real path of the running program.
        if (char* real = ::realpath(rule.c_str(), nullptr)) {
            rule = real;
            std::free(real);
        }
    }
    if (!settings::writeProgramRule(paths_.settingsPath, profile, rule)) return false;
    const std::u16string units = textcodec::fromUtf8(rule);
    char16_t (&field)[kNameLength] = working_.profiles[profile].Exe;
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy(units.begin(), units.end(), field);  // fits: writeProgramRule checked the length
    service_.post(msg::kProgramRules);
    return true;
}

void PanelModel::apply() {
    save();
    service_.post(msg::kApplyAll);
}

void PanelModel::resetAll() {
    working_.Profile = 0;
    for (int p = 0; p < kProfileCount; ++p) settings::factoryDefaults(working_, p);
    apply();
}

void PanelModel::resetCurrentProfile() {
    settings::factoryDefaults(working_, currentProfile());
    apply();
}

void PanelModel::reload() { loadInto(working_); }

void PanelModel::macroListChanged() {
    reload();
    service_.post(msg::kApplyAll);
}

void PanelModel::followMacroList() {
    const std::vector<std::string> names = macro::listNames(paths_.settingsPath);
    ButtonRecord* buttons = working_.profiles[currentProfile()].buttons;
    for (int b = 0; b < kDeviceButtonCount; ++b) macro::resolveMacroButton(buttons[b], names);
}

void PanelModel::macroChanged(int slot, bool removed) {
    const settingsrules::Request request = settingsrules::macroSlotChanged(slot, removed);
    service_.post(request.message, request.wParam, request.lParam);  // the macro's file is written; the settings are not
}

bool PanelModel::exportProfile(const std::string& path) const {
    // The settings are written as the store writes them into a private file of the data folder,
    // then that text replaces the chosen file whole: nothing of an older file at that name stays,
    // and no lock file is left in the user's folder.
    const std::string staging = platform::pathJoin(platform::parentFolder(paths_.settingsPath), ".export.prof");
    ::unlink(staging.c_str());
    bool ok = settings::saveAll(working_, staging);
    const auto text = ok ? platform::readWholeFile(staging) : std::nullopt;
    ok = text && platform::replaceFileAtomically(path, *text);
    ::unlink(staging.c_str());
    return ok;
}

bool PanelModel::importProfile(const std::string& path, std::string* problem) {
    static MouseSettings loaded;  // large; the window is single-threaded
    // A whole settings file with values the mouse keeps, or nothing is replaced.
    if (!settings::loadProfileFile(loaded, path, problem)) return false;
    settings::validateCopy(working_, loaded);
    apply();
    platform::writeProfileString(paths_.settingsPath, settings::kSettingSection, "ProfileName", platform::fileTitle(path));
    return true;
}

void PanelModel::onMouseChanged(int64_t kind, int64_t value) {
    reload();
    bool changed = false;
    if (kind == msg::kChangedDpiStage && value >= 0 && value < kDpiStageCount) {
        working_.DPI = static_cast<int32_t>(value);
        working_.profiles[currentProfile()].DPI = static_cast<int32_t>(value);
        changed = true;
    } else if (kind == msg::kChangedProfile && value >= 0 && value < kProfileCount) {
        working_.Profile = static_cast<int32_t>(value);
        changed = true;
    } else if (kind == msg::kChangedLighting) {
        working_.LedMode = lightingModeFromBit(value);
        changed = true;
    }
    if (changed) save();
}

void PanelModel::reloadDpiStages() {
    for (int stage = 0; stage < kDpiStageCount; ++stage) settings::readDpiStage(working_, paths_.settingsPath, stage);
}

void PanelModel::takeCounters() {
    // The service owns the click counters; the window's whole-record saves must not write back
    // the values it loaded earlier. One read of the file for both.
    const platform::IniDocument file = platform::readProfileDocument(paths_.settingsPath);
    working_.LeftCount = platform::parseProfileInt(file.get(settings::kSettingSection, "LeftCount"), 0);
    working_.RightCount = platform::parseProfileInt(file.get(settings::kSettingSection, "RightCount"), 0);
}

bool PanelModel::assignFunction(int profile, int button, uint8_t code, const assignment::Value& value) {
    if (profile < 0 || profile >= kProfileCount || button < 0 || button >= kButtonRecordCount) return false;
    if (!assignment::write(working_.profiles[profile].buttons[button], button, code, value)) return false;
    saveAndTell(settingsrules::buttonChanged(profile, button));
    return true;
}

void PanelModel::saveAndTell(const settingsrules::Request& request) {
    if (!request) return;
    save();
    if (request.wait) service_.send(request.message, request.wParam, request.lParam);
    else service_.post(request.message, request.wParam, request.lParam);
}

bool PanelModel::deviceConnected() const { return settings::readDevice(paths_.settingsPath) == 1; }

}  // namespace panel
