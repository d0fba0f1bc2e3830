#include "shared/macro_buttons.h"

#include <algorithm>
#include <cstring>

#include "shared/function_codes.h"
#include "shared/text_decoding.h"

namespace macro {

std::string buttonMacroName(const ButtonRecord& record) {
    size_t n = 0;
    while (n < static_cast<size_t>(kNameLength) && record.name[n] != 0) ++n;
    return textcodec::toUtf8(std::u16string_view(record.name, n));
}

void setButtonMacroName(ButtonRecord& record, std::string_view name) {
    const std::u16string wide = textcodec::fromUtf8(name);
    const size_t length = std::min<size_t>(wide.size(), kNameLength - 1);
    std::memset(record.name, 0, sizeof record.name);
    std::memcpy(record.name, wide.data(), length * sizeof(char16_t));
}

MacroButtonState resolveMacroButton(ButtonRecord& record, const std::vector<std::string>& names) {
    if (record.code != kCodeMacro) return MacroButtonState::NotMacro;
    const std::string name = buttonMacroName(record);
    size_t index = 0;
    if (name.empty()) {
        if (names.empty()) return MacroButtonState::Unassigned;
        index = record.param2 & kIndexMask;
        if (index < names.size()) setButtonMacroName(record, names[index]);
    } else {
        index = static_cast<size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    if (index >= names.size()) {
        record.code = kCodeOff;
        return MacroButtonState::TurnedOff;
    }
    record.param2 = static_cast<uint8_t>((record.param2 & kFlagMask) | index);
    return MacroButtonState::Resolved;
}

}  // namespace macro
