#pragma once
// The service window object: the hidden window titled "KORVANTEHidAgent" that receives every
// request of the UI and of outside senders, holds the settings record, owns the link to the mouse
// and carries out the writes, the read-back, the host actions and the pointer settings.
//
// Everything runs on the window's thread (the event loop's): requests, the start-up timer, the
// link messages and the input reports, which the transport's threads hand over in arrival order.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/focus_watch.h"
#include "platform/ini_text.h"
#include "platform/message_bus.h"
#include "service/basic_function.h"
#include "service/device/config_protocol.h"
#include "service/device/device_link.h"
#include "service/device/hid_device.h"
#include "service/device/report_transform.h"
#include "service/macro_transfer.h"
#include "service/program_rules.h"
#include "service/tray_program.h"
#include "shared/registry_key.h"
#include "shared/settings_record.h"

class CMorvikhidDlg {
public:
    // The transport is normally createHidDevice(); tests may hand in their own.
    CMorvikhidDlg(platform::EventLoop& loop, std::unique_ptr<HidDevice> device);
    ~CMorvikhidDlg();
    CMorvikhidDlg(const CMorvikhidDlg&) = delete;
    CMorvikhidDlg& operator=(const CMorvikhidDlg&) = delete;

    // The creation steps: folders and first-run copy, plugin, registry key, reload, device link,
    // tray program, "Device", the window title on the bus and timer 10001. False when the title
    // cannot be registered.
    bool create();

    // The destruction steps: close the UI and the tray program, wait a second, end every tray
    // copy started here that still runs (one still starting missed the close), quit the loop.
    void destroy();

    // The window procedure: every message of the service window.
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam);

    const std::string& settingsPath() const { return settingsPath_; }

private:
    // Reload: clear, load and normalise the file into the load buffer, validate-copy it into the
    // second record, put every value into the mouse's range, copy that back over the working
    // record. The load buffer keeps the record as the file held it; the file's "Unwritten" mark
    // sets writeOnLinkUp_. False when the file exists but cannot be read: the record then holds
    // defaults, which must not reach the mouse.
    bool reload();
    // The answer of a write request whose settings cannot be read: nothing written, one
    // diagnostics line, msg::kWriteSettingsUnreadable.
    int64_t settingsUnreadable(uint32_t request);
    // Whether the settings file can be read (a missing one can: it holds the defaults).
    bool settingsReadable() const;
    // writeOnLinkUp_ with the file's "Unwritten" mark, set and removed together.
    void markUnwritten();
    void clearUnwritten();
    // Starts the tray program unless the shutdown has begun.
    void startTray();
    bool openDeviceLink();
    void onLinkRecord(const CollectionRecord& record);
    // Transport thread: queues the report for the window's thread (identical pending notices merge).
    void queueInputReport(std::vector<uint8_t> report);
    // Window's thread: handles a bounded batch of queued reports, then lets the loop serve the bus.
    void handleReportBatch();
    void onInputReport(const std::vector<uint8_t>& report);
    // Both collections open: the saved settings in full when the mouse may lack some, then the
    // read-back.
    void onLinkUp();
    // At link-up after a write that did not complete, or with changes saved while no service ran:
    // the saved settings in full. False when that failed as well (the read-back is then skipped).
    bool finishInterruptedWrite();
    void onTimer(int64_t id);
    void onMouseData(int64_t code);
    // Reads the mouse into the record and saves it; keys the file changed since `handled` (the
    // document the mouse's state is compared with) keep the file's value.
    void readBackFromMouse(const MouseSettings& handled);
    void softwareAction(int code);
    // Makes `profile` current in the record and the mouse (written with its commit) and tells the
    // configuration window (1285 kind 9): a profile step on the mouse and a program rule alike.
    void moveProfile(int profile);
    // The focus watcher's report: another program has the focus.
    void onFocusedProgram(const std::string& executable);
    // Switches the mouse as the rules say for the focused program (only while the mouse is there:
    // the read-back at its link-up applies them again).
    void applyProgramRules();
    // Tells the configuration window about a change made on the mouse (message 1285); when the
    // window is not running, stores the change in the settings file in its place.
    void announceMouseChange(int32_t kind, int32_t value);
    // Runs `writes` (the writes of request `request`) inside a configuration session. A failed
    // transfer (the mouse went away half-way) leaves the mouse partly written: the next link-up
    // then writes everything. With the mouse there and "VerifyWrites" on, the written bytes are
    // read back before the session closes; a difference makes the writes run once more. Returns
    // the handler's result: 0, or the reason of a failed write (msg::kWriteMismatch, kWriteNoAnswer).
    template <typename Writes>
    int64_t inSession(uint32_t request, Writes writes);
    // A write request's writes through inSession. Without the mouse the change is marked as not
    // yet written and the result is msg::kWriteNoMouse; with linkTest the writes are skipped then
    // while the link has never come up.
    template <typename Writes>
    int64_t writeRequest(uint32_t request, bool linkTest, Writes writes);
    verify::Result readBackWrites(const verify::WrittenBytes& written);
    // One diagnostics line, the window's notification and the tray's "WriteFailed" for a failed
    // write; a verified write clears "WriteFailed".
    int64_t settleWrite(uint32_t request, const verify::Result& result);

    platform::EventLoop& loop_;
    platform::Window window_;
    std::unique_ptr<HidDevice> device_;
    DeviceLink link_;
    MouseSettings settings_{};    // working record: every device write reads it
    MouseSettings validated_{};   // validation target of every reload
    MouseSettings loadBuffer_{};  // also the file's record as last read: what the read-back compares with
    DeviceConfig config_;
    ReportTransform transform_;
    std::unique_ptr<MacroTransfer> macros_;
    CBasicFunction actions_;
    RegistryKey mouseKey_;

    std::string programFolder_;
    std::string stringsPath_;
    std::string settingsPath_;
    TrayProgram tray_;
    std::unique_ptr<platform::FocusWatcher> focus_;  // none in a Wayland session or without X
    std::string focusedProgram_;                      // executable of the focused program, "" unknown
    rules::AutoProfile autoProfile_;
    std::vector<platform::Reactor::TimerId> arrivalTimers_;  // arrivals waiting for their delay
    bool destroyed_ = false;
    bool writeOnLinkUp_ = false;   // the next link-up writes the saved settings in full
    bool unwrittenInFile_ = false; // "Unwritten" as last read or written here
    bool mousePresent_ = false;  // both collections open (link-up) and not closed since
    bool verifyWrites_ = true;   // "VerifyWrites", read at every reload
    int writeFailed_ = -1;       // "WriteFailed" as last written here (-1: not known yet)

    std::mutex reportMutex_;  // guards the four below: filled by the transport thread
    std::deque<std::vector<uint8_t>> pendingReports_;
    bool reportBatchQueued_ = false;
    bool reportOverflowSaid_ = false;
};
