// The rectangle tables of the function dialogs. Everything lies on an 8 px grid: the title strip
// (0..48) with the close button at its right end, one group of 32 px rows from y 80 (48 px apart),
// and the footer strip with OK and Cancel right-aligned. Control ids are the "BUTTONPOS" keys: 1 OK,
// 2 Cancel, 3 close, 10.. field captions; the rapid-fire fields keep their control ids.
#include "panel/layout/dialog_layout.h"

namespace layout {
namespace {

constexpr Rect row(int left, int right, int rowIndex, int height = 32) {
    return {left, 80 + 48 * rowIndex, right, 80 + 48 * rowIndex + height};
}

// OK, Cancel and close of a dialog width x height.
constexpr Control ok(int width, int height) {
    return {1, Role::DialogOk, 0, {width - 216, height - 44, width - 120, height - 12}, Look::Pill};
}
constexpr Control cancel(int width, int height) {
    return {2, Role::DialogCancel, 0, {width - 112, height - 44, width - 16, height - 12}, Look::Pill};
}
constexpr Control closer(int width) { return {3, Role::DialogClose, 0, {width - 40, 12, width - 16, 36}, Look::IconButton}; }
constexpr Control caption(int id, int index, Rect r) { return {id, Role::FieldCaption, index, r, Look::Plain}; }

// ---- Rapid fire ----
constexpr int kGunfireWidth = 416, kGunfireHeight = 296;
constexpr Control kGunfireControls[] = {
    caption(10, 0, row(32, 280, 0)),
    {20482, Role::ValueField, 0, row(296, 384, 0), Look::Panel},
    caption(11, 1, row(32, 280, 1)),
    {20481, Role::ValueField, 1, row(296, 384, 1), Look::Panel},
    caption(12, 2, row(32, 104, 2)),
    slider({10011, Role::RateSlider, 0, {112, 180, 280, 204}, Look::Plain}, 10011, settingsrules::kRapidFireSpeeds),
    {13, Role::RateValue, 0, row(296, 384, 2), Look::Panel},
    ok(kGunfireWidth, kGunfireHeight),
    cancel(kGunfireWidth, kGunfireHeight),
    closer(kGunfireWidth),
};
constexpr Group kGunfireGroups[] = {{{16, 64, 400, 224}}};

// ---- Single key and name ----
constexpr int kSingleWidth = 416, kSingleHeight = 256;
constexpr Control kSingleControls[] = {
    {10, Role::Prompt, 0, {32, 72, 384, 104}, Look::Plain},
    {11, Role::KeyDisplay, 0, {32, 112, 384, 168}, Look::Panel},
    ok(kSingleWidth, kSingleHeight),
    cancel(kSingleWidth, kSingleHeight),
    closer(kSingleWidth),
};
constexpr Group kSingleGroups[] = {{{16, 64, 400, 184}}};

// ---- DPI shift ----
constexpr int kShiftWidth = 384, kShiftHeight = 200;
constexpr Control kShiftControls[] = {
    caption(10, 0, row(32, 168, 0)),
    {11, Role::MenuField, 0, row(176, 352, 0), Look::Label, 14},
    ok(kShiftWidth, kShiftHeight),
    cancel(kShiftWidth, kShiftHeight),
    closer(kShiftWidth),
};
constexpr Group kShiftGroups[] = {{{16, 64, 368, 128}}};

// ---- X-shoot ----
constexpr int kXShootWidth = 416, kXShootHeight = 344;
constexpr Control kXShootControls[] = {
    caption(10, 0, row(32, 280, 0)),
    {20, Role::ValueField, 0, row(296, 384, 0), Look::Panel},
    caption(11, 1, row(32, 280, 1)),
    {21, Role::ValueField, 1, row(296, 384, 1), Look::Panel},
    caption(12, 2, row(32, 200, 2)),
    {22, Role::MenuField, 0, row(208, 384, 2), Look::Label, 14},
    caption(13, 3, row(32, 200, 3)),
    {23, Role::KeyField, 0, row(208, 384, 3), Look::Panel},
    ok(kXShootWidth, kXShootHeight),
    cancel(kXShootWidth, kXShootHeight),
    closer(kXShootWidth),
};
constexpr Group kXShootGroups[] = {{{16, 64, 400, 272}}};

// ---- Macro selection ----
constexpr int kMacroSelWidth = 480, kMacroSelHeight = 248;
constexpr Control kMacroSelControls[] = {
    caption(10, 0, row(32, 112, 0)),
    {20, Role::MenuField, 0, row(120, 448, 0), Look::Label, 14},
    caption(11, 1, row(32, 112, 1)),
    toggle({12, Role::PlayMode, 0, row(120, 224, 1), Look::Pill}),
    toggle({13, Role::PlayMode, 1, row(232, 336, 1), Look::Pill}),
    toggle({14, Role::PlayMode, 2, row(344, 448, 1), Look::Pill}),
    ok(kMacroSelWidth, kMacroSelHeight),
    cancel(kMacroSelWidth, kMacroSelHeight),
    closer(kMacroSelWidth),
};
constexpr Group kMacroSelGroups[] = {{{16, 64, 464, 176}}};
// ---- Program of a profile ----
constexpr int kProgramWidth = 560, kProgramHeight = 448;
constexpr Control kProgramControls[] = {
    {10, Role::Prompt, 0, {32, 72, 528, 112}, Look::Plain},
    {11, Role::ProgramList, 0, {32, 120, 528, 368}, Look::Panel},  // six rows of 40 px inside
    {4, Role::ProgramBrowse, 0, {16, kProgramHeight - 44, 128, kProgramHeight - 12}, Look::Pill},
    ok(kProgramWidth, kProgramHeight),
    cancel(kProgramWidth, kProgramHeight),
    closer(kProgramWidth),
};
constexpr Group kProgramGroups[] = {{{16, 64, 544, 384}}};

constexpr Window kGunfire = {"skins/skin_gunfire.ini", "gunfire_n.png", "gunfire_o.png", "gunfire_d.png",
                             "gunfire_x.png", kGunfireWidth, kGunfireHeight, kGunfireControls, kGunfireGroups};
constexpr Window kSingle = {"skins/skin_singlekey.ini", "singlekey_n.png", "singlekey_o.png", "singlekey_d.png",
                            "singlekey_x.png", kSingleWidth, kSingleHeight, kSingleControls, kSingleGroups};
constexpr Window kShift = {"skins/skin_shift.ini", "shift_n.png", "shift_o.png", "shift_d.png", "shift_x.png",
                           kShiftWidth, kShiftHeight, kShiftControls, kShiftGroups};
constexpr Window kXShoot = {"skins/skin_Xshoot.ini", "xshoot_n.png", "xshoot_o.png", "xshoot_d.png",
                            "xshoot_x.png", kXShootWidth, kXShootHeight, kXShootControls, kXShootGroups};

constexpr Window kMacroSel = {"skins/skin_macrosel.ini", "macrosel_n.png", "macrosel_o.png", "macrosel_d.png",
                              "macrosel_x.png", kMacroSelWidth, kMacroSelHeight, kMacroSelControls, kMacroSelGroups};
constexpr Window kProgram = {"skins/skin_program.ini", "program_n.png", "program_o.png", "program_d.png",
                             "program_x.png", kProgramWidth, kProgramHeight, kProgramControls, kProgramGroups};

constexpr const Window* kDialogs[] = {&kGunfire, &kSingle, &kShift, &kXShoot, &kMacroSel, &kProgram};

}  // namespace

const Window& gunfireDialog() { return kGunfire; }
const Window& singleKeyDialog() { return kSingle; }
const Window& dpiShiftDialog() { return kShift; }
const Window& xShootDialog() { return kXShoot; }
const Window& macroSelectDialog() { return kMacroSel; }
const Window& programDialog() { return kProgram; }

std::span<const Window* const> dialogWindows() { return kDialogs; }

Rect dialogTitleArea(const Window& dialog) { return {48, 8, dialog.width - 56, 40}; }
Rect dialogMarkArea() { return {16, 14, 36, 34}; }

}  // namespace layout
