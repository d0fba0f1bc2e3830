#pragma once
// The entry points of the key and button capture plugin "KBHook.so", loaded by the configuration
// window from its program folder and looked up by name. Each may be missing; the window then skips
// that call.
//
// The "window handle" the plugin reports to is a KBHookTarget: the plugin calls post() from its
// own thread for every key or button event it sees while enabled; post() must be thread-safe,
// must not block and must not call the plugin's entry points.
#include <cstdint>

extern "C" {

struct KBHookTarget {
    void* context;
    void (*post)(void* context, uint32_t message, int64_t wParam, int64_t lParam);
};

using KBHookInstall = int (*)(const KBHookTarget* target);  // installhook, installmousehook
using KBHookEnable = int (*)(int enable);                   // enablehook, enablemousehook
using KBHookRemove = void (*)();                            // removehook, removemousehook
}
