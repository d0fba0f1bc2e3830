#include "panel/hook_library.h"

#include <dlfcn.h>

#include <cerrno>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/known_folders.h"

namespace panel {

namespace {
template <typename F>
F entryPoint(void* handle, const char* name) {
    return reinterpret_cast<F>(::dlsym(handle, name));
}
}  // namespace

HookLibrary::~HookLibrary() { remove(); }

bool HookLibrary::load(const std::string& programFolder) {
    const std::string path = platform::pathJoin(programFolder, "KBHook.so");
    // The file guard first: the loader's open would block on a FIFO in the plugin's place.
    const bool readable = platform::isReadableRegularFile(path);
    handle_ = readable ? ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (handle_ == nullptr) {
        // The error number of the platform's loader; dlerror() tells the rest.
        platform::debugPrintf("GetError:%d\n", errno);
        const char* why = readable ? ::dlerror() : nullptr;
        platform::debugPrintf("cfgpanel: no capture plugin: %s", why ? why : (path + ": not a readable file").c_str());
        return false;
    }
    installhook_ = entryPoint<KBHookInstall>(handle_, "installhook");
    installmousehook_ = entryPoint<KBHookInstall>(handle_, "installmousehook");
    enablehook_ = entryPoint<KBHookEnable>(handle_, "enablehook");
    enablemousehook_ = entryPoint<KBHookEnable>(handle_, "enablemousehook");
    removehook_ = entryPoint<KBHookRemove>(handle_, "removehook");
    removemousehook_ = entryPoint<KBHookRemove>(handle_, "removemousehook");
    return true;
}

void HookLibrary::install(const KBHookTarget& target) {
    target_ = target;
    if (installhook_ != nullptr) installhook_(&target_);
    if (installmousehook_ != nullptr) installmousehook_(&target_);
    enableKeys(false);
    enableMouse(false);
}

void HookLibrary::enableKeys(bool on) {
    if (enablehook_ != nullptr && !removed_) enablehook_(on ? 1 : 0);
}

void HookLibrary::enableMouse(bool on) {
    if (enablemousehook_ != nullptr && !removed_) enablemousehook_(on ? 1 : 0);
}

void HookLibrary::remove() {
    if (removed_ || handle_ == nullptr) return;
    enableKeys(false);
    enableMouse(false);
    if (removehook_ != nullptr) removehook_();
    if (removemousehook_ != nullptr) removemousehook_();
    removed_ = true;
}

}  // namespace panel
