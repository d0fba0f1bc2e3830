// Settings store timings on a complete "Mouse.ini" (five profiles, every button set) in a
// temporary XDG_CONFIG_HOME: load all, load and normalise, save all of a record with one changed
// value, and the number of file replaces per save all (must be 1; a save that changes nothing
// writes nothing).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/atomic_file.h"
#include "shared/mouse_settings.h"

namespace {

constexpr int kRuns = 200;

template <typename F>
double averageMicroseconds(F&& f) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i) f();
    std::chrono::duration<double, std::micro> total = std::chrono::steady_clock::now() - start;
    return total.count() / kRuns;
}

void fillComplete(MouseSettings& s) {
    settings::shippedDefaults(s);
    const uint8_t codes[] = {1, 2, 3, 4, 5, 6, 9, 15, 64, 101, 113};
    for (int p = 0; p < kProfileCount; ++p) {
        ProfileGroup& g = s.profiles[p];
        g.DPI = p + 1;
        for (int b = 0; b < kButtonRecordCount; ++b) {
            ButtonRecord& r = g.buttons[b];
            r.code = codes[(b + p) % sizeof codes];
            r.param1 = static_cast<uint8_t>(b * 3);
            r.param2 = static_cast<uint8_t>(0x40 | b);
            for (int i = 0; i < 120; ++i) r.extra[i] = static_cast<uint8_t>(i * 7 + b);
            const char16_t name[] = u"Benchmark macro";
            std::memcpy(r.name, name, sizeof name);
        }
    }
}

}  // namespace

int main() {
    char tmpl[] = "/tmp/korvante-bench-store-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string xdg = tmpl;
    ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    const std::string folder = xdg + "/Brakmor KORVANTE/GamingMouse";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Mouse.ini";

    auto record = std::make_unique<MouseSettings>();
    fillComplete(*record);
    if (!settings::saveAll(*record, path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("file: %ju bytes, %d runs each\n", static_cast<uintmax_t>(std::filesystem::file_size(path)), kRuns);

    auto buffer = std::make_unique<MouseSettings>();
    double load = averageMicroseconds([&] {
        settings::clear(*buffer);
        settings::loadAll(*buffer, path, -1);
    });
    double normalise = averageMicroseconds([&] {
        settings::clear(*buffer);
        settings::loadAndNormalise(*buffer, path, -1);
    });
    uint64_t before = platform::fileReplaceCount();
    double save = averageMicroseconds([&] {
        ++record->LeftCount;
        settings::saveAll(*record, path);
    });
    double replacesPerSave = static_cast<double>(platform::fileReplaceCount() - before) / kRuns;

    std::printf("load all:           %8.1f us\n", load);
    std::printf("load and normalise: %8.1f us\n", normalise);
    std::printf("save all:           %8.1f us\n", save);
    std::printf("file replaces per save all: %g\n", replacesPerSave);
    settings::clear(*buffer);
    settings::loadAll(*buffer, path, -1);
    bool same = std::memcmp(buffer.get(), record.get(), sizeof *record) == 0;
    std::printf("reloaded record equals the saved one: %s\n", same ? "yes" : "no");

    std::filesystem::remove_all(xdg);
    return replacesPerSave == 1.0 && same ? 0 : 1;
}
