#pragma once
// Macro transfer between the macro files and the mouse's twenty macro slots.
//
// The mouse plays macros itself; the service keeps its slots in step with the macro files:
//  - a slot is written from a macro file (report id 4: 200 bytes at 0x0478 + 200 n);
//  - the macro assignment numbers the macro names used on the buttons in order of first
//    appearance (profile 0 button 0 first), points every macro button at its slot and writes
//    each used slot from its file; a change of one macro (message 1300) goes to the slot that
//    numbering gives its name, never to the slot of its list key;
//  - the read-back copies a slot into the file of the macro the assignment put there, or, for a
//    slot no button uses, of its "MACRO_LIST" entry or a new "NEWMACRO" name.
// Slots outside 0..19 are never written: their address would fall into the profile blocks or
// the lighting records.
#include <memory>
#include <string>
#include <vector>

#include "service/device/config_protocol.h"

struct MacroPaths {
    std::string settingsPath;  // "Mouse.ini" (section "MACRO_LIST")
    std::string macroFolder;   // folder of the "*.macro" files
    std::string stringsPath;   // strings file ("NEWMACRO" of "BUTTONPAGE")

    // The user's folders and the strings file beside the program.
    static MacroPaths fromKnownFolders();
};

// Macro names in the order the assignment gives them slots: first use on a button (records 0..8),
// profile 0 button 0 first. A name's position is its slot.
std::vector<std::string> macroSlotNames(const MouseSettings& settings);

class MacroTransfer {
public:
    // Writes through the given configuration (its link, settings record, waits and counters).
    MacroTransfer(DeviceConfig& config, MacroPaths paths);
    // Writes through a configuration of its own over the same transport, link and record
    // (macro transfers have no waits, so nothing but the counters differs).
    MacroTransfer(HidDevice& device, DeviceLink& link, MouseSettings& settings, std::string settingsPath,
                  std::string macroFolder, std::string stringsPath);

    // The assignment and the slot read-back as the configuration's macro hooks; attach()
    // installs them on the configuration this object writes through.
    MacroHooks hooks();
    void attach();

    const MacroPaths& paths() const { return paths_; }
    void setPaths(MacroPaths paths) { paths_ = std::move(paths); }

    // Slot n from the macro file of that name ("Count" x 3 event bytes, the rest zero). A missing
    // or unreadable file sends 200 zero bytes.
    bool writeSlot(int slot, const std::string& name);
    // Slot n with 200 zero bytes.
    bool clearSlot(int slot);
    // Message 1300 for the macro named by "MACRO_LIST" key listSlot. Its events go to the slot the
    // assignment gives its name (macroSlotNames of the settings record); a macro that no button
    // uses is written nowhere, so the slot a button plays is never overwritten by another macro.
    // With clear set (the macro was deleted) that slot is emptied instead; when the list entry is
    // already gone, the slots of used macros whose list entry and file are both gone are emptied.
    // False when listSlot is outside 0..19 or a transfer failed.
    bool writeSlotFromList(int listSlot, bool clear = false);

    // Every macro button of the settings record and every used slot. False when a transfer failed
    // or a button's macro got no slot (more than twenty distinct names).
    bool assignMacros();
    // Names of the last assignment, index = slot.
    const std::vector<std::string>& assignedNames() const { return names_; }

    // Reads slot n into the file of the macro the assignment gives that slot (its "LoopTime"
    // kept); a slot no button uses goes by its "MACRO_LIST" key, but never over a listed macro
    // that has a file or a slot of its own. Returns false only when the mouse did not answer
    // (nothing touched then); file problems are written to the diagnostics and the read-back goes on.
    bool readSlotToFile(int slot);

private:
    std::unique_ptr<DeviceConfig> ownConfig_;  // only with the second constructor
    DeviceConfig& config_;
    MacroPaths paths_;
    std::vector<std::string> names_;
};
