#pragma once
// The configuration window's handle on the capture plugin "KBHook.so" beside the program: loaded
// once at start, its six entry points looked up by name, every call skipped when its entry point
// is missing. Without the plugin the window runs normally and recording captures nothing.
#include <string>

#include "hook/kbhook_api.h"

namespace panel {

class HookLibrary {
public:
    HookLibrary() = default;
    ~HookLibrary();  // disables and removes the hooks (the library itself stays loaded)
    HookLibrary(const HookLibrary&) = delete;
    HookLibrary& operator=(const HookLibrary&) = delete;

    // Loads "<programFolder>/KBHook.so"; a failure is one diagnostics line ("GetError:%d").
    bool load(const std::string& programFolder);
    bool loaded() const { return handle_ != nullptr; }

    // installhook and installmousehook with the target, then both hooks disabled.
    void install(const KBHookTarget& target);
    void enableKeys(bool on);
    void enableMouse(bool on);
    // Both hooks disabled, then removehook and removemousehook. Called once.
    void remove();

private:
    void* handle_ = nullptr;
    KBHookTarget target_{};
    KBHookInstall installhook_ = nullptr;
    KBHookInstall installmousehook_ = nullptr;
    KBHookEnable enablehook_ = nullptr;
    KBHookEnable enablemousehook_ = nullptr;
    KBHookRemove removehook_ = nullptr;
    KBHookRemove removemousehook_ = nullptr;
    bool removed_ = false;
};

}  // namespace panel
