#include "panel/dialogs/function_dialogs.h"

#include "panel/dialogs/dpi_shift_dialog.h"
#include "panel/dialogs/gunfire_dialog.h"
#include "panel/dialogs/key_dialog.h"
#include "panel/dialogs/macro_select_dialog.h"
#include "panel/dialogs/prompts.h"
#include "panel/dialogs/xshoot_dialog.h"

namespace dialogs {
namespace {

template <class Dialog>
std::optional<assignment::Value> ask(Dialog&& dialog) {
    if (prompts().exec(dialog) != kDialogOk) return std::nullopt;
    return assignment::Value(dialog.value());
}

}  // namespace

std::optional<assignment::Value> askFunctionValue(MenuAction action, const DialogContext& context,
                                                  const ButtonRecord& current, const macro::MacroLibrary& library,
                                                  QWidget* parent) {
    switch (action) {
        case MenuAction::OpenKeyDialog: return ask(CKeyExDlg(context, current, parent));
        case MenuAction::OpenXShootDialog: return ask(CXShoot(context, current, parent));
        case MenuAction::OpenDpiShiftDialog: return ask(CDPIShift(context, current, parent));
        case MenuAction::OpenRapidFireDialog: return ask(CGunfireDlg(context, current, parent));
        case MenuAction::SelectMacro: return ask(CMacroSelDlg(context, library, current, parent));
        case MenuAction::StoreCode:
        case MenuAction::Nothing: break;
    }
    return assignment::Value{};
}

}  // namespace dialogs
