// Fuzzes the import of a profile file (.prof): any file is loaded into a cleared record and
// validated as the window and korvantectl import it; the result holds only values the validation
// allows, and saving it and importing that again gives the same record.
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/diagnostics.h"
#include "shared/function_codes.h"
#include "shared/mouse_settings.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// The input as a file the import can open by path, without touching the disk.
std::string inputFile(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("profile_import", 0);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return {};
    return "/proc/self/fd/" + std::to_string(fd);
}

// A private folder in memory for the saved settings file (a save replaces it atomically).
const std::string& savedFile() {
    static const std::string path = [] {
        std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/korvante-fuzz-XXXXXX" : "/tmp/korvante-fuzz-XXXXXX";
        return ::mkdtemp(folder.data()) ? folder + "/Mouse.ini" : std::string();
    }();
    return path;
}

void import(MouseSettings& into, MouseSettings& buffer, const std::string& path) {
    settings::clear(buffer);
    settings::loadAll(buffer, path, -1);
    settings::validateCopy(into, buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::QuietDiagnostics quiet;
    static auto buffer = std::make_unique<MouseSettings>();
    static auto imported = std::make_unique<MouseSettings>();
    static auto again = std::make_unique<MouseSettings>();
    const std::string path = inputFile(data, size);
    if (path.empty() || savedFile().empty()) return 0;
    import(*imported, *buffer, path);

    const MouseSettings& s = *imported;
    check(static_cast<uint32_t>(s.Profile) <= 4);
    check(s.MouseButtons >= 1 && s.MouseButtons <= 11);
    check(s.TrayEnabled == 0 || s.TrayEnabled == 1);
    check(s.PollingRate >= 1 && s.PollingRate <= 8);
    for (const ProfileGroup& g : s.profiles) {
        check(g.Name[kNameLength - 1] == 0 && g.Exe[kNameLength - 1] == 0);
        for (const ButtonRecord& b : g.buttons) check(isValidFunctionCode(b.code) || b.code == 0);
    }

    ::unlink(savedFile().c_str());
    check(settings::saveAll(s, savedFile()));
    import(*again, *buffer, savedFile());
    // The settings file keeps no profile names or programs: those come from the import alone.
    for (int p = 0; p < kProfileCount; ++p) {
        std::memcpy(again->profiles[p].Name, s.profiles[p].Name, sizeof s.profiles[p].Name);
        std::memcpy(again->profiles[p].Exe, s.profiles[p].Exe, sizeof s.profiles[p].Exe);
    }
    check(std::memcmp(again.get(), &s, sizeof s) == 0);
    return 0;
}
