#include "service/basic_function.h"

#include <chrono>
#include <thread>

#include "platform/key_synthesis.h"
#include "platform/workstation_lock.h"
#include "shared/function_codes.h"

namespace {

constexpr uint8_t kVkTab = 9;
constexpr uint8_t kVkControl = 17;
constexpr uint8_t kVkLeftWin = 91;
constexpr uint8_t kVkF4 = 115;
constexpr uint8_t kVkLeftAlt = 164;

constexpr uint32_t kPress = platform::kKeyEventExtendedKey;
constexpr uint32_t kRelease = platform::kKeyEventExtendedKey | platform::kKeyEventKeyUp;

void sleepFor(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

CBasicFunction::CBasicFunction()
    : CBasicFunction(platform::defaultKeySynthesizer(), sleepFor, platform::lockWorkstation) {}

CBasicFunction::CBasicFunction(platform::KeySynthesizer& keys, WaitFunction wait, LockFunction lock)
    : keys_(keys), wait_(std::move(wait)), lock_(std::move(lock)) {}

// Every event is sent even when an earlier one failed, so a modifier that did go down is
// always released again.
void CBasicFunction::shortcut(uint8_t modifierKey, uint8_t key) {
    keys_.keyEvent(modifierKey, kPress);
    wait_(kStepDelayMs);
    keys_.keyEvent(key, kPress);
    wait_(kStepDelayMs);
    keys_.keyEvent(key, kRelease);
    wait_(kStepDelayMs);
    keys_.keyEvent(modifierKey, kRelease);
}

void CBasicFunction::Cut() { shortcut(kVkControl, 'X'); }
void CBasicFunction::Copy() { shortcut(kVkControl, 'C'); }
void CBasicFunction::Paste() { shortcut(kVkControl, 'V'); }
void CBasicFunction::Undo() { shortcut(kVkControl, 'Z'); }
void CBasicFunction::SelectAll() { shortcut(kVkControl, 'A'); }
void CBasicFunction::Find() { shortcut(kVkControl, 'F'); }
void CBasicFunction::New() { shortcut(kVkControl, 'N'); }
void CBasicFunction::Print() { shortcut(kVkControl, 'P'); }
void CBasicFunction::Save() { shortcut(kVkControl, 'S'); }
void CBasicFunction::SwapWindows() { shortcut(kVkLeftAlt, kVkTab); }
void CBasicFunction::CloseWindows() { shortcut(kVkLeftAlt, kVkF4); }
void CBasicFunction::LockPc() {
    if (lock_) lock_();
}
void CBasicFunction::OpenExplorer() { shortcut(kVkLeftWin, 'E'); }
void CBasicFunction::Run() { shortcut(kVkLeftWin, 'R'); }
void CBasicFunction::ShowDesktop() { shortcut(kVkLeftWin, 'D'); }

std::span<const uint8_t> CBasicFunction::virtualKeys() {
    static constexpr uint8_t kKeys[] = {kVkControl, kVkLeftAlt, kVkLeftWin, kVkTab, kVkF4, 'X', 'C', 'V',
                                        'Z',        'A',        'F',        'N',    'P',   'S', 'E', 'R', 'D'};
    return kKeys;
}

bool CBasicFunction::perform(uint8_t code) {
    switch (code) {
        case kCodeCut: Cut(); return true;
        case kCodeCopy: Copy(); return true;
        case kCodePaste: Paste(); return true;
        case kCodeUndo: Undo(); return true;
        case kCodeSelectAll: SelectAll(); return true;
        case kCodeFind: Find(); return true;
        case kCodeNew: New(); return true;
        case kCodePrint: Print(); return true;
        case kCodeSave: Save(); return true;
        case kCodeSwapWindows: SwapWindows(); return true;
        case kCodeCloseWindow: CloseWindows(); return true;
        case kCodeLockPc: LockPc(); return true;
        case kCodeOpenExplorer: OpenExplorer(); return true;
        case kCodeRun: Run(); return true;
        case kCodeShowDesktop: ShowDesktop(); return true;
        default: return false;
    }
}
