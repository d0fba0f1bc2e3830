#pragma once
// The configuration window's settings and their rules, free of any widget: the working record the
// pages edit, the saves, the messages that tell the service what changed, and the handling of the
// service's notices. The window (main_dialog) shows this model and forwards the
// user's commands and the bus's messages to it.
//
// Every change is stored in the working record and the whole settings file is saved before the
// service hears of it; with the service not running the change is only saved.
#include <cstdint>
#include <string>

#include "shared/button_assignment.h"
#include "shared/settings_record.h"
#include "shared/settings_rules.h"

namespace panel {

struct PanelPaths {
    std::string programFolder;
    std::string stringsPath;   // "<program folder>/Strings.xml"
    std::string settingsPath;  // "<data folder>/Mouse.ini"
    std::string macroFolder;   // "<data folder>/Macro"
};

// Paths of this user and program; the data folders are created when missing.
PanelPaths userPaths(const std::string& programFolder);

// Tells the service window ("KORVANTEHidAgent") what changed. Nothing is sent when it is not there.
class ServiceMessenger {
public:
    virtual ~ServiceMessenger() = default;
    virtual bool post(uint32_t message, int64_t wParam = 0, int64_t lParam = 0);
    virtual bool send(uint32_t message, int64_t wParam = 0, int64_t lParam = 0);
    virtual bool serviceRunning();
};

// Lighting mode for the bit the mouse reports with notice 1285 kind 10 (2 → 2, 4 → 3, 8 → 4,
// 16 → 5, 32 → 6, anything else → 1).
int lightingModeFromBit(int64_t bit);

// Numbers the window accepts from other programs over the bus; every other number is sent only by
// the window's own controls and is refused from outside.
bool acceptedFromBus(uint32_t message);

class PanelModel {
public:
    PanelModel(PanelPaths paths, ServiceMessenger& service);

    // Start-up: the first-run copy of the shipped "Mouse.ini" when the data folder has none, then
    // clear, load and normalise, and validate-copy into the working record.
    void load();

    const PanelPaths& paths() const { return paths_; }
    MouseSettings& working() { return working_; }
    const MouseSettings& working() const { return working_; }

    // Shown values, always valid indices: profile 0..4, DPI stage 0..6 (or -1 when the stored
    // value is not a stage), lighting mode 1..6 (an unknown stored mode shows as 1, as the service
    // writes it).
    int currentProfile() const;
    int currentStage() const;
    int lightingMode() const;

    // Whole settings file; false when it could not be written (the window then says so).
    bool save();
    bool lastSaveFailed() const { return saveFailed_; }

    // Commands of the window. Each returns true when it changed something.
    // Makes the profile current with the stage it keeps; saves, posts 1298. The current profile
    // does nothing.
    bool selectProfile(int profile);
    void resetAll();                      // profile 0, all five profiles to defaults; apply
    void resetCurrentProfile();           // the current profile to defaults; apply
    void apply();                         // save; post 1279
    // The assignment step: the function (its code and, for the functions the dialogs set up, their
    // value) into the button's record (assignment::write), the whole settings file saved, then 1299
    // sent with profile and button. False, with nothing changed or sent, for a profile or button
    // out of range or a value the record cannot keep.
    bool assignFunction(int profile, int button, uint8_t code, const assignment::Value& value = {});
    void reload();                        // the settings file again, nothing sent
    // After macro::MacroLibrary renamed or deleted a macro: the library has changed the button
    // records in the settings file, so the working record is read again (a save of the old copy
    // would bring back the old name) and the service rewrites the buttons and slots (1279).
    void macroListChanged();
    // The current profile's macro buttons follow the macro list as their labels show it: the
    // position bits refreshed from the name, a button whose macro is no longer listed turned off
    // (macro::resolveMacroButton). Nothing is saved.
    void followMacroList();
    // A macro's file changed (or, removed, the macro went): the service rewrites its slot (1300).
    void macroChanged(int slot, bool removed = false);

    // The program rule ("Exe") of a profile: while a window of that program has the focus the
    // service makes the profile current. programRule gives "" for none.
    std::string programRule(int profile) const;
    // Stores the rule (a path is stored as the file it leads to; "" removes it) in the settings
    // file and the working record, then posts 1312. False, with nothing changed or sent, for a
    // profile out of range, a rule the file cannot keep, or a file that cannot be written.
    bool setProgramRule(int profile, const std::string& program);

    // Profile files (".prof"): the whole settings in the settings file's format.
    bool exportProfile(const std::string& path) const;   // false when it could not be written
    // Loads the file into a cleared record (the chosen file is only read), validates it into the
    // working record, applies (save, 1279) and records "ProfileName". False, with nothing changed,
    // when the file cannot be read, lacks a setting or holds a value the mouse cannot keep (what is
    // wrong in *problem, when given).
    bool importProfile(const std::string& path, std::string* problem = nullptr);

    // Notices from the service.
    void onMouseChanged(int64_t kind, int64_t value);  // 1285
    void reloadDpiStages();                            // 1224
    void takeCounters();                               // 1282: the service's click counters, from the file

    // Saves, then tells the service what a change of the settings rules asks (posted, or sent and
    // waited for): how every page announces a change. A change that did not apply does nothing.
    void saveAndTell(const settingsrules::Request& request);

    // "Setting"/"Device" as the service last wrote it.
    bool deviceConnected() const;

private:
    void loadInto(MouseSettings& record) const;

    PanelPaths paths_;
    ServiceMessenger& service_;
    MouseSettings working_{};
    bool saveFailed_ = false;
};

}  // namespace panel
