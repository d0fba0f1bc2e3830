#include "sim/memory_file.h"

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "sim/factory_image.h"
#include "sim/mouse_memory.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {
namespace {

bool makeFolders(const std::string& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

std::string defaultMemoryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && home[0] ? home : "/tmp") + "/.config";
    }
    return base + "/korvante-mousesim/memory.bin";
}

bool loadMemoryFile(const std::string& path, std::vector<uint8_t>& image, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        image = factoryImage();
        if (!saveMemoryFile(path, image)) {
            error = "cannot create the memory file " + path;
            return false;
        }
        return true;
    }
    auto content = platform::readWholeFile(path);
    if (!content) {
        error = "cannot read the memory file " + path;
        return false;
    }
    if (content->size() != kMemorySize) {
        error = "the memory file " + path + " holds " + std::to_string(content->size()) + " bytes, not " +
                std::to_string(kMemorySize) + "; left untouched";
        return false;
    }
    image.assign(content->begin(), content->end());
    return true;
}

bool saveMemoryFile(const std::string& path, const std::vector<uint8_t>& image) {
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash))) {
        platform::debugPrintf("mousesim: cannot create the folder of %s (%s)", path.c_str(), std::strerror(errno));
        return false;
    }
    platform::FileLock lock(path);
    if (!platform::replaceFileAtomically(path, std::string(image.begin(), image.end()))) {
        platform::debugPrintf("mousesim: cannot write %s", path.c_str());
        return false;
    }
    return true;
}

}  // namespace sim
