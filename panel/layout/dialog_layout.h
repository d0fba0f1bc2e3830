#pragma once
// Rectangle tables of the function dialogs (rapid fire, key, name, DPI shift, X-shoot, macro) and
// of the program dialog of a profile. Each dialog
// is a small window of its own: a 48 px title strip (brand mark, the title written by the dialog,
// close button), one group of fields, and a 56 px footer with OK and Cancel. Qt-free, like the
// main window's tables (window_layout.h); the skin art generator paints the dialogs' pictures from
// them and the dialogs place their controls from them.
#include <span>

#include "panel/layout/window_layout.h"

namespace layout {

inline constexpr int kDialogTitleStrip = 48;
inline constexpr int kDialogFooter = 56;

// "skins/skin_gunfire.ini": shots (20482), interval (20481), the speed slider (10011) and its number.
const Window& gunfireDialog();
// "skins/skin_singlekey.ini": a prompt line and one wide field, shared by the key dialog (the key
// display) and the name dialog (the name field).
const Window& singleKeyDialog();
// "skins/skin_shift.ini": one menu button with the DPI value.
const Window& dpiShiftDialog();
// "skins/skin_Xshoot.ini": two numbers, the output menu button and the typed-key field.
const Window& xShootDialog();

// "skins/skin_macrosel.ini": the macro name button and the three play-mode buttons.
const Window& macroSelectDialog();
// "skins/skin_program.ini": the program of a profile: a prompt line, the list of running programs
// and a Browse command in the footer, left of OK and Cancel.
const Window& programDialog();

// Every dialog window above, in that order.
std::span<const Window* const> dialogWindows();

// Where a dialog writes its title (inside the title strip, clear of the brand mark and the close
// button).
Rect dialogTitleArea(const Window& dialog);
// The brand mark at the left end of the title strip.
Rect dialogMarkArea();

}  // namespace layout
