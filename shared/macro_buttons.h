#pragma once
// Buttons that play a macro (function code 6) and the macro they name.
//
// A macro button keeps its macro's name from byte 124 on and, in bits 0..5 of byte 3, the name's
// position in the name list (the non-empty "MACRO_LIST" entries in slot order). The position
// shifts whenever a macro is added, renamed or deleted; the name does not. So the name decides:
// the position bits are refreshed from it (the play-mode flags 0x40 and 0x80 stay), and a name
// that is no longer listed turns the button off (code 7), as the delete warning tells the user.
// Only a record without a name (written before names were kept) is taken by its position.
#include <string>
#include <string_view>
#include <vector>

#include "shared/settings_record.h"

namespace macro {

inline constexpr uint8_t kIndexMask = 0x3F;  // byte 3: position in the name list
inline constexpr uint8_t kFlagMask = 0xC0;   // byte 3: 0x40 play modes 0 and 1, 0x80 play mode 2

// The record's macro name (from byte 124) as UTF-8; empty when it has none.
std::string buttonMacroName(const ButtonRecord& record);
// Writes the name from byte 124 on (cut to 259 UTF-16 units, the rest zeroed).
void setButtonMacroName(ButtonRecord& record, std::string_view name);

enum class MacroButtonState {
    NotMacro,    // the code is not 6: nothing done
    Resolved,    // the macro is listed: position bits (and, for a nameless record, the name) set
    TurnedOff,   // its macro is not listed (or its position is past the list): code 7
    Unassigned,  // no macro exists and the record names none: left as it is ("MACROCOMMAND")
};

// Resolves one record against the name list, changing it as described above.
MacroButtonState resolveMacroButton(ButtonRecord& record, const std::vector<std::string>& names);

}  // namespace macro
