#pragma once
// The dialogs of the functions that take a value (key, X-shoot, DPI shift, rapid fire, macro), as
// the assignment step opens them for a button.
#include <optional>

#include "panel/dialogs/dialog_context.h"
#include "shared/button_assignment.h"
#include "shared/function_codes.h"

class QWidget;

namespace macro {
class MacroLibrary;
}

namespace dialogs {

// Runs the dialog of a menu action (modal, through the prompts) for a button whose record is
// `current`: the value chosen on OK, nothing on Cancel. An action without a dialog gives the empty
// value (its code alone is stored).
std::optional<assignment::Value> askFunctionValue(MenuAction action, const DialogContext& context,
                                                  const ButtonRecord& current, const macro::MacroLibrary& library,
                                                  QWidget* parent);

}  // namespace dialogs
