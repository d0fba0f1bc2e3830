#pragma once
// The host side of the button functions the mouse reports instead of performing: editing and
// window shortcuts sent as emulated key strokes, and the workstation lock.
//
// Each shortcut is the same sequence: press the modifier, wait 50 ms, press the key, wait 50 ms,
// release the key, wait 50 ms, release the modifier; every press carries the extended-key flag (1)
// and every release the extended-key and key-up flags (3). An action therefore blocks its caller
// for about 150 ms; two actions asked for back to back run one after the other.
#include <cstdint>
#include <functional>
#include <span>

namespace platform {
class KeySynthesizer;
}

class CBasicFunction {
public:
    using WaitFunction = std::function<void(unsigned milliseconds)>;
    using LockFunction = std::function<bool()>;

    // The process-wide key synthesizer, a real sleep and platform::lockWorkstation.
    CBasicFunction();
    // Injected parts, for tests (a recording synthesizer and an instant wait).
    CBasicFunction(platform::KeySynthesizer& keys, WaitFunction wait, LockFunction lock);

    void Cut();           // 64: Ctrl+X
    void Copy();          // 65: Ctrl+C
    void Paste();         // 66: Ctrl+V
    void Undo();          // 67: Ctrl+Z
    void SelectAll();     // 68: Ctrl+A
    void Find();          // 69: Ctrl+F
    void New();           // 70: Ctrl+N
    void Print();         // 71: Ctrl+P
    void Save();          // 72: Ctrl+S
    void SwapWindows();   // 80: left Alt+Tab
    void CloseWindows();  // 81: left Alt+F4
    void LockPc();        // 82: lock the workstation
    void OpenExplorer();  // 83: left Win+E
    void Run();           // 84: left Win+R
    void ShowDesktop();   // 85: left Win+D

    // Runs the action of a host function code (64..72, 80..85). Any other code, 73..79 included,
    // does nothing and gives false.
    bool perform(uint8_t code);

    static constexpr unsigned kStepDelayMs = 50;

    // Every virtual key the shortcuts send (the modifiers and the second keys), once each.
    static std::span<const uint8_t> virtualKeys();

private:
    void shortcut(uint8_t modifierKey, uint8_t key);

    platform::KeySynthesizer& keys_;
    WaitFunction wait_;
    LockFunction lock_;
};
