// Fuzzes the INI text layer and the settings load over it: parsing any bytes, serialising back to
// the same bytes, look-ups, integer and struct decoding, edits that read back, and a whole
// settings load with validation from the same text (through an in-memory file).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/ini_text.h"
#include "shared/mouse_settings.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// The input as a file that loadAll can open by path, without touching the disk.
const std::string& memoryFilePath() {
    static const std::string path = [] {
        int fd = ::memfd_create("ini_parser", 0);
        return fd < 0 ? std::string() : "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

bool putInMemoryFile(const uint8_t* data, size_t size) {
    const std::string& path = memoryFilePath();
    if (path.empty()) return false;
    int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (::ftruncate(fd, 0) != 0) return false;
    return ::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::IniDocument doc = platform::IniDocument::parse(text);
    check(doc.serialise() == text);

    // Every key of every section: value, integer and struct readings.
    int keys = 0;
    for (const std::string& section : doc.sectionNames()) {
        for (const std::string& key : doc.keyNames(section)) {
            if (++keys > 2000) break;
            std::optional<std::string> value = doc.get(section, key);
            check(value.has_value());
            (void)platform::parseProfileInt(value, -1);
            uint8_t block[644];
            size_t n = value->size() >= 2 ? std::min<size_t>((value->size() - 2) / 2, sizeof block) : 0;
            std::memset(block, 0xA5, sizeof block);
            if (platform::decodeStruct(*value, block, n)) {
                uint8_t again[644];
                check(platform::decodeStruct(platform::encodeStruct(block, n), again, n));
                check(std::memcmp(block, again, n) == 0);
            } else {
                for (uint8_t b : block) check(b == 0xA5);
            }
        }
    }

    // Edits read back exactly, and what they do not touch stays readable.
    std::string value(text.substr(0, std::min<size_t>(text.size(), 64)));
    platform::IniDocument edited = doc;
    edited.set("Setting", "Profile", value);
    edited.set("Fuzz Section", "Key", "x");
    platform::IniDocument reread = platform::IniDocument::parse(edited.serialise());
    std::string expected = value;
    for (char& c : expected) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    check(reread.get("setting", "profile") == expected);
    check(reread.get("fuzz section", "key") == std::string("x"));
    edited.remove("Setting", "Profile");
    edited.removeSection("Fuzz Section");

    // The settings store over the same text.
    if (putInMemoryFile(data, size)) {
        static auto loaded = std::make_unique<MouseSettings>();
        static auto work = std::make_unique<MouseSettings>();
        settings::clear(*loaded);
        settings::loadAll(*loaded, memoryFilePath(), -1);
        settings::validateCopy(*work, *loaded);
        check(static_cast<uint32_t>(work->Profile) <= 4);
        check(work->MouseButtons >= 1 && work->MouseButtons <= 11);
        check(work->PollingRate >= 1 && work->PollingRate <= 8);
        for (const ProfileGroup& g : work->profiles) check(g.Name[kNameLength - 1] == 0 && g.Exe[kNameLength - 1] == 0);
    }
    return 0;
}
