#include "service/service_window.h"

#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <cinttypes>
#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/key_synthesis.h"
#include "platform/known_folders.h"
#include "platform/profile_ini.h"
#include "service/pointer_acceleration.h"
#include "service/report_dispatch.h"
#include "service/tray_program.h"
#include "shared/first_run.h"
#include "shared/ini_file.h"
#include "shared/mouse_settings.h"
#include "shared/settings_rules.h"
#include "shared/window_messages.h"

// Notifications go out with postNotification alone: it finds the window by its title and does
// nothing (returning false) when the window is not there, so a separate look-up first would only
// connect twice. It never waits, so a configuration window that stops reading cannot stall the
// service: its notifications queue up, and are dropped (with a diagnostics line) when it takes
// none for a long time.
namespace {

constexpr const char* kMouseKeyText = "HKEY_CURRENT_USER\\Control Panel\\Mouse";
constexpr uint32_t kKeyAllAccess = 0xF003F;
constexpr uint32_t kWmDestroy = 0x0002;
constexpr uint32_t kWmSessionChange = 0x02B1;
constexpr int kArrivalDelayMs = 5000;
constexpr int kDestroyWaitMs = 1000;
constexpr int kCloseCheckMs = 20;
// Input reports are handled this many at a time, with the bus served between batches, and at most
// this many wait; a flood from the mouse beyond that is dropped with one diagnostics line.
constexpr size_t kReportsPerBatch = 16;
constexpr size_t kMaxPendingReports = 4096;

bool inRange(int64_t value, int64_t low, int64_t high) { return value >= low && value <= high; }

// Reading and saving the settings file parses all of it (some 70 kB of text) and frees it again;
// the allocator would keep those pages resident for the rest of the day. Handing them back after
// each reload and read-back keeps the idle service small (about 0.3 MB less resident).
void releaseFreedMemory() { ::malloc_trim(0); }

}  // namespace

CMorvikhidDlg::CMorvikhidDlg(platform::EventLoop& loop, std::unique_ptr<HidDevice> device)
    : loop_(loop),
      window_(loop, [this](uint32_t m, int64_t w, int64_t l) { return onMessage(m, w, l); }),
      device_(std::move(device)),
      config_(*device_, link_, settings_) {}

CMorvikhidDlg::~CMorvikhidDlg() {
    if (device_) device_->close();
}

bool CMorvikhidDlg::create() {
    link_.setLinked(false);
    programFolder_ = platform::programFolder();
    stringsPath_ = platform::pathJoin(programFolder_, "Strings.xml");
    settingsPath_ = settings::prepareSettingsFile(programFolder_);

    transform_.loadBesideProgram();
    config_.setReportTransform(&transform_);
    macros_ = std::make_unique<MacroTransfer>(config_, MacroPaths{settingsPath_, platform::macroFolder(), stringsPath_});
    config_.setMacroHooks(macros_->hooks());
    // A termination asked for during the seconds of a read-back ends it between two sessions.
    config_.setStopRequest([this] { return destroyed_ || loop_.terminationPending(); });

    mouseKey_.open(kMouseKeyText, kKeyAllAccess);
    reload();

    bool opened = openDeviceLink();
    startTray();
    // "Device" says whether the mouse is there. A registered link with no collection yet only
    // means the transport waits for one; the link-up writes 1 when the mouse's collections arrive.
    settings::writeDevice(settingsPath_, opened && link_.collectionCount() > 0 ? 1 : 0);

    if (!window_.create(title::kService)) {
        platform::debugLine("cannot register the service window");
        return false;
    }
    window_.setTimer(msg::kTrailerTimerId, msg::kTrailerTimerMs);

    std::string why;
    focus_ = platform::watchFocusedProgram(loop_, [this](const std::string& exe) { onFocusedProgram(exe); }, &why);
    if (!focus_) platform::debugLine("profiles per program are off: " + why);
    return true;
}

void CMorvikhidDlg::destroy() {
    if (destroyed_) return;
    destroyed_ = true;
    focus_.reset();
    std::vector<const char*> closing;
    for (const char* window : {title::kPanel, title::kTraylet})
        if (platform::postNotification(window, msg::kClose, 0, 0)) closing.push_back(window);  // absent: nothing
    // A second for them to close, and no longer than they take: the service ends within it.
    const uint64_t deadline = platform::tickCountMs() + kDestroyWaitMs;
    while (!closing.empty() && platform::tickCountMs() < deadline) {
        platform::sleepMs(kCloseCheckMs);
        std::erase_if(closing, [](const char* window) { return !platform::windowNameHeld(window); });
    }
    tray_.endStartedCopies();
    window_.destroy();
    if (device_) device_->close();
    loop_.quit(0);
}

void CMorvikhidDlg::startTray() {
    // A termination signal that arrived during a long step (the read-back) is handled only after
    // it: a copy started now would miss the close message of the shutdown.
    if (destroyed_ || loop_.terminationPending()) return;
    tray_.start(programFolder_, settings_.TrayEnabled);
}

bool CMorvikhidDlg::reload() {
    platform::IniDocument loaded;
    settings::clear(loadBuffer_);
    const bool read = settings::loadAndNormalise(loadBuffer_, settingsPath_, -1, &loaded);
    settings::validateCopy(validated_, loadBuffer_);
    // Every value the mouse is given lies in its range: an unset one takes its factory value.
    settingsrules::keepInRange(validated_);
    settings_ = validated_;
    verifyWrites_ = platform::parseProfileInt(loaded.get(settings::kSettingSection, settings::kVerifyWritesKey), 1) != 0;
    // A change saved while no service ran (or a write of an earlier run that did not reach the
    // mouse): the next link-up writes the saved settings in full.
    unwrittenInFile_ = settings::unwrittenMark(loaded);
    if (unwrittenInFile_) writeOnLinkUp_ = true;
    releaseFreedMemory();
    return read;
}

bool CMorvikhidDlg::settingsReadable() const {
    struct stat st {};
    if (::stat(settingsPath_.c_str(), &st) != 0) return true;  // missing: it reads as the defaults
    bool read = false;
    platform::readProfileDocument(settingsPath_, &read);
    return read;
}

int64_t CMorvikhidDlg::settingsUnreadable(uint32_t request) {
    // The record holds nothing of the user's: writing it would put defaults into the mouse.
    platform::debugPrintf("request %u: %s cannot be read, nothing written into the mouse", request, settingsPath_.c_str());
    return msg::kWriteSettingsUnreadable;
}

void CMorvikhidDlg::markUnwritten() {
    writeOnLinkUp_ = true;
    // In the file as well: a service started later (this one ended, or was killed) still knows.
    if (!unwrittenInFile_ && settings::markUnwritten(settingsPath_)) unwrittenInFile_ = true;
}

void CMorvikhidDlg::clearUnwritten() {
    writeOnLinkUp_ = false;
    if (unwrittenInFile_ && settings::clearUnwritten(settingsPath_)) unwrittenInFile_ = false;
}

bool CMorvikhidDlg::openDeviceLink() {
    // Both callbacks run on transport threads: they copy what they got and hand it to the
    // window's thread, where everything that touches the record or the mouse runs in order.
    auto onInput = [this](int, const uint8_t* data, int length) {
        queueInputReport(std::vector<uint8_t>(data, data + (length > 0 ? length : 0)));
    };
    auto onLink = [this](const CollectionRecord& record) {
        loop_.runOnLoop([this, record] { onLinkRecord(record); });
    };
    return link_.open(*device_, onInput, onLink);
}

void CMorvikhidDlg::queueInputReport(std::vector<uint8_t> report) {
    std::lock_guard<std::mutex> lock(reportMutex_);
    // A notice (stage, profile, lighting) that is already waiting says nothing new.
    if (isMergeableNotice(report.data(), static_cast<int>(report.size())) &&
        std::find(pendingReports_.begin(), pendingReports_.end(), report) != pendingReports_.end())
        return;
    if (pendingReports_.size() >= kMaxPendingReports) {
        if (!reportOverflowSaid_)
            platform::debugPrintf("%zu input reports wait, later ones dropped", pendingReports_.size());
        reportOverflowSaid_ = true;
        return;
    }
    pendingReports_.push_back(std::move(report));
    if (reportBatchQueued_) return;
    reportBatchQueued_ = true;
    loop_.runOnLoop([this] { handleReportBatch(); });
}

void CMorvikhidDlg::handleReportBatch() {
    for (size_t i = 0; i < kReportsPerBatch; ++i) {
        std::vector<uint8_t> report;
        {
            std::lock_guard<std::mutex> lock(reportMutex_);
            if (pendingReports_.empty()) {
                reportBatchQueued_ = false;
                reportOverflowSaid_ = false;
                return;
            }
            report = std::move(pendingReports_.front());
            pendingReports_.pop_front();
        }
        onInputReport(report);
    }
    // More are waiting: queued behind what the loop has ready, so bus requests get their turn.
    loop_.runOnLoop([this] { handleReportBatch(); });
}

void CMorvikhidDlg::onLinkRecord(const CollectionRecord& record) {
    if (destroyed_) return;
    LinkAction action = link_.handleLinkMessage(1, record);
    if (action.writeDevice) settings::writeDevice(settingsPath_, action.deviceValue);
    if (action.writeDevice && action.deviceValue == 0) mousePresent_ = false;
    if (action.linkUp) {
        mousePresent_ = true;
        onLinkUp();
        startTray();
        applyProgramRules();
    }
}

void CMorvikhidDlg::onLinkUp() {
    // The file as this service last read it (the load buffer keeps it). A key that differs from it
    // now was saved by another program since (a change made just as the mouse came, whose request
    // waits behind this step): it is newer than what the mouse holds, and its request writes it.
    auto handled = std::make_unique<MouseSettings>(loadBuffer_);
    if (!reload()) {
        // The record holds defaults: neither written into the mouse nor compared with it.
        if (writeOnLinkUp_)
            settingsUnreadable(msg::kApplyAll);
        else
            platform::debugLine("the settings file cannot be read: the mouse is not read back into it");
        return;
    }
    if (writeOnLinkUp_) {
        if (!finishInterruptedWrite()) return;
        *handled = loadBuffer_;  // the mouse holds the file as reloaded now
    }
    readBackFromMouse(*handled);
}

bool CMorvikhidDlg::finishInterruptedWrite() {
    // The mouse may lack saved settings (part of a write, or changes saved without a service):
    // reading it back now would store its older state over them. Write them in full first.
    platform::debugLine("the mouse may lack saved settings: writing the saved settings in full");
    writeOnLinkUp_ = false;
    inSession(msg::kApplyAll, [&] { config_.sendAll(); });
    if (writeOnLinkUp_) {
        platform::debugLine("the full write failed too: no read-back, the saved settings stay");
        return false;
    }
    clearUnwritten();
    return true;
}

void CMorvikhidDlg::readBackFromMouse(const MouseSettings& handled) {
    // The mouse did not answer, or the service is ending: the user's settings stay as they are.
    if (!config_.queryAll()) return;
    // Reading the mouse takes seconds; what another program saved since `handled` is newer than
    // the mouse and keeps its value. The record then becomes the file's as saved.
    if (settings::saveAllKeepingChanges(settings_, settingsPath_, handled))
        reload();
    else
        platform::debugPrintf("the settings read from the mouse could not be saved in %s: the file keeps the "
                              "settings saved before; the next plug-in reads the mouse again",
                              platform::parentFolder(settingsPath_).c_str());
    platform::postNotification(title::kPanel, msg::kMouseChanged, msg::kChangedReload, 0);
    releaseFreedMemory();
}

void CMorvikhidDlg::onInputReport(const std::vector<uint8_t>& report) {
    if (destroyed_ || report.empty()) return;
    ReportAction action = classifyReport(report[0], report.data(), static_cast<int>(report.size()),
                                         settings_.Profile);
    switch (action.kind) {
        case ReportAction::Kind::NotifyPanel:
            // The mouse's own profile is the current one from now on: a profile step or a program
            // rule that follows starts from it.
            if (action.wParam == msg::kChangedProfile) settings_.Profile = action.lParam;
            announceMouseChange(action.wParam, action.lParam);
            platform::postNotification(title::kTraylet, msg::kMouseChanged, action.wParam, action.lParam);  // its notice
            break;
        case ReportAction::Kind::ProfileStep:
            moveProfile(action.newProfile);
            platform::postNotification(title::kTraylet, msg::kMouseChanged, action.wParam, action.lParam);
            break;
        case ReportAction::Kind::SoftwareAction:
            softwareAction(action.functionCode);
            break;
        case ReportAction::Kind::None:
            break;
    }
}

void CMorvikhidDlg::announceMouseChange(int32_t kind, int32_t value) {
    // The configuration window stores the change itself when it handles the notice.
    if (platform::postNotification(title::kPanel, msg::kMouseChanged, kind, value)) return;
    // Nobody else will store it: without this, the next request would reload the old value and
    // a full write would undo on the mouse what the user just chose on it. The keys are the
    // ones the configuration window writes for the same notice.
    IniFile file(settingsPath_);
    if (kind == msg::kChangedDpiStage) {
        reload();
        file.writeInt(settings::kSettingSection, "DPI", value);
        file.writeInt(settings::profileSection(settings_.Profile), "DPI", value);
    } else if (kind == msg::kChangedProfile) {
        file.writeInt(settings::kSettingSection, "Profile", value);
    } else if (kind == msg::kChangedLighting) {
        int mode = 1;
        for (int bit = 1; bit <= 5; ++bit)
            if (value == (1 << bit)) mode = bit + 1;
        file.writeInt(settings::kSettingSection, "LedMode", mode);
    }
}

void CMorvikhidDlg::moveProfile(int profile) {
    settings_.Profile = profile;
    config_.writeProfile(true);
    announceMouseChange(msg::kChangedProfile, profile);
}

void CMorvikhidDlg::onFocusedProgram(const std::string& executable) {
    focusedProgram_ = executable;
    applyProgramRules();
}

void CMorvikhidDlg::applyProgramRules() {
    if (destroyed_ || !link_.linked()) return;
    rules::ProgramRules programs = rules::fromSettings(settings_);
    // The kernel names a program by its real path: a rule naming a link to it is taken as the
    // file the link leads to.
    for (std::string& rule : programs) {
        if (rule.find('/') == std::string::npos) continue;
        if (char* real = ::realpath(rule.c_str(), nullptr)) {
            rule = real;
            ::free(real);
        }
    }
    const int matched = rules::matchingProfile(programs, focusedProgram_);
    const std::optional<int> target = autoProfile_.onFocus(matched, settings_.Profile);
    if (!target || *target < 0 || *target >= kProfileCount) return;
    platform::debugPrintf("%s has the focus: profile %d", focusedProgram_.empty() ? "an unknown program" : focusedProgram_.c_str(),
                          *target + 1);
    // Saved here as well, not only by the window when the notice reaches it: a request handled
    // before that would reload the old profile, and the way back would start from it.
    settings::writeProfileIndex(settingsPath_, *target);
    moveProfile(*target);
}

void CMorvikhidDlg::softwareAction(int code) {
    // The key backend may be found only now (the session's display came up after the start):
    // the configuration window hears when the shortcuts' reach changed.
    const platform::ShortcutReach before = platform::defaultShortcutReach();
    actions_.perform(static_cast<uint8_t>(code));
    const platform::ShortcutReach after = platform::defaultShortcutReach();
    if (after != before) platform::postNotification(title::kPanel, msg::kShortcutState, static_cast<int64_t>(after), 0);
}

template <typename Writes>
int64_t CMorvikhidDlg::writeRequest(uint32_t request, bool linkTest, Writes writes) {
    // Without the mouse the change stays saved, marked as not yet written: the next link-up
    // writes the saved settings in full instead of reading the mouse's older ones back over it.
    const bool absent = !mousePresent_;
    if (absent) markUnwritten();
    if (linkTest && !link_.linked()) return msg::kWriteNoMouse;
    const int64_t result = inSession(request, writes);
    return absent ? msg::kWriteNoMouse : result;
}

template <typename Writes>
int64_t CMorvikhidDlg::inSession(uint32_t request, Writes writes) {
    const uint64_t failedBefore = config_.stats().failedTransfers;
    // Without the mouse the writes go nowhere and the read-back would only wait for it: the next
    // link-up writes what is saved then.
    const bool check = verifyWrites_ && mousePresent_;
    verify::WrittenBytes written;
    verify::Result result;
    config_.openSession();
    if (check) config_.recordWritesInto(&written);
    writes();
    config_.recordWritesInto(nullptr);
    if (check) {
        result = readBackWrites(written);
        if (result.outcome == verify::Outcome::Mismatch) {
            platform::debugPrintf("write request %u read back different (%s), written again", request,
                                  verify::describe(result).c_str());
            written.clear();
            config_.recordWritesInto(&written);
            writes();
            config_.recordWritesInto(nullptr);
            result = readBackWrites(written);
        }
    }
    config_.closeSession();
    const bool transfersFailed = config_.stats().failedTransfers != failedBefore;
    if (transfersFailed) markUnwritten();
    // A request that wrote no memory (the legacy upload, a value out of range) proves nothing.
    if (!check || written.empty()) return 0;
    // A full write read back intact leaves nothing for the next link-up to finish.
    if (result.outcome == verify::Outcome::Verified && !transfersFailed &&
        (request == msg::kApplyAll || request == msg::kSendAll))
        clearUnwritten();
    return settleWrite(request, result);
}

verify::Result CMorvikhidDlg::readBackWrites(const verify::WrittenBytes& written) {
    return verify::verifyWrittenBytes(
        written, [this](uint16_t address, uint8_t* out, int count) { return config_.readMemory(address, out, count); });
}

int64_t CMorvikhidDlg::settleWrite(uint32_t request, const verify::Result& result) {
    if (writeFailed_ < 0) writeFailed_ = settings::readWriteFailed(settingsPath_);
    int reason = 0;
    if (result.outcome == verify::Outcome::Mismatch) reason = msg::kWriteMismatch;
    if (result.outcome == verify::Outcome::NoAnswer) reason = msg::kWriteNoAnswer;
    if (reason != 0) {
        platform::debugPrintf("write request %u failed: %s", request, verify::describe(result).c_str());
        // The mouse holds something else than the saved settings: reading it back at the next
        // plug-in would store that over them, so the next link-up writes them in full instead.
        markUnwritten();
        platform::postNotification(title::kPanel, msg::kWriteFailed, request, reason);
    }
    if (reason != writeFailed_ && settings::writeWriteFailed(settingsPath_, reason)) writeFailed_ = reason;
    return reason;
}

void CMorvikhidDlg::onTimer(int64_t id) {
    if (id != msg::kTrailerTimerId) return;
    window_.killTimer(msg::kTrailerTimerId);
    config_.writeTrailers(devmap::kAllTrailers);
}

void CMorvikhidDlg::onMouseData(int64_t code) {
    platform::debugPrintf("\t\tOnMouseData ReadData:%" PRIX64, static_cast<uint64_t>(code));
    if (code == msg::kMouseArrived) {
        // The tray program starts five seconds after the arrival; the window keeps serving
        // requests meanwhile instead of sleeping through them. Every arrival gets its own
        // delay, so they are handled in the order they came.
        platform::Reactor::TimerId timer = loop_.addTimer(kArrivalDelayMs, false, [this] {
            // All arrivals wait equally long, so the one due now is the oldest.
            if (!arrivalTimers_.empty()) arrivalTimers_.erase(arrivalTimers_.begin());
            startTray();
            settings::writeDevice(settingsPath_, 1);
            platform::debugLine("arrive new device");
        });
        if (timer) arrivalTimers_.push_back(timer);
    } else if (code == msg::kMouseRemoved) {
        // A removal right after an arrival ends that arrival: the mouse it announced is gone.
        for (platform::Reactor::TimerId pending : arrivalTimers_) loop_.cancelTimer(pending);
        arrivalTimers_.clear();
        closeTrayProgramAndPanel();
        platform::postNotification(title::kPanel, msg::kMouseUnplug, 0, 0);
        settings::writeDevice(settingsPath_, 0);
        platform::debugLine("remove usb mouse");
    }
}

int64_t CMorvikhidDlg::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    const bool linked = link_.linked();
    switch (message) {
        case platform::kWmTimer:
            onTimer(wParam);
            return 0;
        case platform::kWmClose:
        case kWmDestroy:
            destroy();
            return 0;
        case kWmSessionChange:
            return 0;
        case msg::kClickCount:
            if (!linked) return 0;
            if (wParam == msg::kLeftButtonUp)
                ++settings_.LeftCount;
            else if (wParam == msg::kRightButtonUp)
                ++settings_.RightCount;
            else
                return 0;
            settings::writeClickCounters(settingsPath_, settings_.LeftCount, settings_.RightCount);
            platform::postNotification(title::kPanel, msg::kCounters, settings_.LeftCount, settings_.RightCount);
            return 0;
        case msg::kLighting:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, false, [&] { config_.writeLighting(); });
        case msg::kLiftAngle:
        case msg::kDoubleClickSpeed:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, true, [&] { config_.writeLiftAngle(true); });
        case msg::kDpiStageIndex:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, true, [&] { config_.writeDpiStageIndex(true); });
        case msg::kLegacyButtonUpload:
            if (!reload()) return settingsUnreadable(message);
            // Output reports, not memory writes: nothing to read back.
            writeRequest(message, true, [&] { config_.legacyButtonUpload(); });
            return 0;
        case msg::kTraySetting:
            if (!reload()) return settingsUnreadable(message);
            if (settings_.TrayEnabled != 0)
                startTray();
            else
                closeTrayProgramAndPanel();
            return 0;
        case msg::kPollingRate:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, true, [&] { config_.writePollingRate(true); });
        case msg::kSendAll:
        case msg::kApplyAll:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, true, [&] { config_.sendAll(); });
        case msg::kScrollTrayFlags:
            settings::readScrollTrayFlags(settings_, settingsPath_);
            return 0;
        case msg::kWheelLines:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, true, [&] { config_.writeWheelLines(); });
        case msg::kDpiOrAcceleration:
            if (!reload()) return settingsUnreadable(message);
            if (wParam == 255 && lParam == 255) {
                applyPointerAccelerationLevel(mouseKey_, settings_.Acceleration);
                return 0;
            }
            return writeRequest(message, true, [&] { config_.writeDpiStageIndex(true); });
        case msg::kProfile:
            if (!reload()) return settingsUnreadable(message);
            return writeRequest(message, true, [&] {
                config_.writeProfile(true);
                // The mouse keeps a stage per profile: the one the settings give this profile.
                config_.writeDpiStageIndex(true);
                config_.writeTrailers(settings_.Profile);
            });
        case msg::kButton:
            if (!reload()) return settingsUnreadable(message);
            // The profile and button come from another process: anything outside the record
            // is refused rather than written to a random place of the mouse's memory.
            if (!inRange(wParam, 0, kProfileCount - 1) || !inRange(lParam, 0, kButtonRecordCount - 1)) {
                platform::debugPrintf("button request for profile %" PRId64 " button %" PRId64 " ignored",
                                      wParam, lParam);
                return 0;
            }
            return writeRequest(message, false, [&] {
                config_.writeButton(static_cast<int>(wParam), static_cast<int>(lParam));
                config_.writeTrailers(devmap::kAllTrailers);
            });
        case msg::kMacroSlot:
            // The whole value is checked before it is narrowed: 0x100000003 is no slot 3.
            if (!inRange(wParam, 0, devmap::kMacroSlotCount - 1)) {
                platform::debugPrintf("macro slot %" PRId64 " does not exist, nothing written", wParam);
                return 0;
            }
            // wParam is the macro's "MACRO_LIST" key; the slot it goes to is the one the last
            // button writes gave its name (no reload: after a deletion the record still names it).
            if (!settingsReadable()) return settingsUnreadable(message);
            return writeRequest(message, true,
                                [&] { macros_->writeSlotFromList(static_cast<int>(wParam), lParam != 0); });
        case msg::kDpiValues:
            if (!reload()) return settingsUnreadable(message);
            if (!inRange(wParam, 0, kDpiStageCount - 1)) {
                platform::debugPrintf("DPI stage %" PRId64 " ignored", wParam);
                return 0;
            }
            return writeRequest(message, true, [&] { config_.writeDpiStage(static_cast<int>(wParam), true); });
        case msg::kMouseData:
            onMouseData(wParam);
            return 0;
        case msg::kShortcutQuery: {
            // Without a backend yet (the session's display came up after the start) it looks again.
            const auto reach =
                static_cast<int64_t>(platform::prepareDefaultKeySynthesizer(CBasicFunction::virtualKeys()));
            platform::postNotification(title::kPanel, msg::kShortcutState, reach, 0);
            return reach;
        }
        case msg::kProgramRules:
            if (!reload()) return settingsUnreadable(message);
            applyProgramRules();
            return 0;
        default:
            return 0;
    }
}
