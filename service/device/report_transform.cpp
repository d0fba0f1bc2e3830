#include "service/device/report_transform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/known_folders.h"

std::string ReportTransform::defaultPluginPath() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "HIDApi.so";
    std::string exe(buf, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) + "/HIDApi.so";
}

bool ReportTransform::load(const std::string& path) {
    // The file guard first: the loader's open would block on a FIFO in the plugin's place.
    if (path.find('/') != std::string::npos && platform::fileExists(path) && !platform::isReadableRegularFile(path)) {
        problem_ = "report transform plugin missing: " + path + " is not a readable file";
        return false;
    }
    // The handle is deliberately never closed: the plugin stays loaded for the program's life.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* err = dlerror();
        problem_ = "report transform plugin missing: " + (err ? std::string(err) : path);
        return false;
    }
    void* sym = dlsym(handle, "EncodeSecrecy_V11");
    if (!sym) {
        problem_ = "report transform export EncodeSecrecy_V11 missing in " + path;
        return false;
    }
    // The export returns void or int; either way the result is ignored.
    auto raw = reinterpret_cast<void (*)(unsigned char*)>(sym);
    fn_ = [raw](unsigned char* buf) { raw(buf); };
    return true;
}

void ReportTransform::reportMissingOnce() {
    if (reported_) return;
    reported_ = true;
    platform::debugLine(problem_);
}

bool ReportTransform::apply(unsigned char* nineBytes) {
    if (!fn_) {
        reportMissingOnce();
        return false;
    }
    fn_(nineBytes);
    return true;
}
