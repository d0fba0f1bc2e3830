#pragma once
// Which text of the strings file ("TIPS" section) explains each control of the window and its
// dialogs when the pointer rests on it. Every control a user can act on has one; captions,
// prompts and the state strip (which has a hint of its own) have none.
#include "panel/layout/window_layout.h"

namespace layout {

// The "TIPS" key of that control of that window, or nullptr for none.
const char* tooltipKey(const Window& window, const Control& control);

}  // namespace layout
