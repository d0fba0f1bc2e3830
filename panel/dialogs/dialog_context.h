#pragma once
// What every function dialog is given by the assignment step: where the program's files lie, the
// working settings and the button record the dialog edits (profile 0..4, record 0..10). A context
// whose settings are missing or whose numbers are out of range gives a dialog that edits nothing.
#include <string>

#include "shared/settings_record.h"

namespace dialogs {

// What exec() returns.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

struct DialogContext {
    std::string programFolder;   // skins/ and the pictures lie below it
    std::string stringsPath;     // the strings file ("Strings.xml")
    MouseSettings* settings = nullptr;
    int profile = 0;
    int button = 0;
};

// The record the context names, or nullptr.
inline ButtonRecord* contextRecord(const DialogContext& context) {
    if (context.settings == nullptr || context.profile < 0 || context.profile >= kProfileCount || context.button < 0 ||
        context.button >= kButtonRecordCount)
        return nullptr;
    return &context.settings->profiles[context.profile].buttons[context.button];
}

}  // namespace dialogs
