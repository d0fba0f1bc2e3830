#include "shared/first_run.h"

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/known_folders.h"

namespace settings {

std::string prepareSettingsFile(const std::string& programFolder) {
    std::string target = platform::settingsPath();
    if (platform::fileExists(target)) {
        platform::debugLine("file exit");
        return target;
    }
    if (!platform::folderExists(platform::vendorFolder()) && !platform::ensureFolder(platform::vendorFolder()))
        return target;
    platform::ensureFolder(platform::dataFolder());
    platform::FileLock lock(target);
    if (platform::fileExists(target)) return target;  // the other program was first
    std::string source = platform::pathJoin(programFolder, "Mouse.ini");
    auto content = platform::readWholeFile(source);
    if (!content || !platform::replaceFileAtomically(target, *content))
        platform::debugPrintf("cannot copy %s to %s", source.c_str(), target.c_str());
    return target;
}

}  // namespace settings
