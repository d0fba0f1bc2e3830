// Fuzzes the skin description reader: any text as a skin description file gives picture names of
// one line each, the paths of pictures below the program folder's "skins" folder, and captions
// under control numbers that find them again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/ini_text.h"
#include "skin/skin_description.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const skin::SkinDescription d = skin::parseSkinDescription(platform::IniDocument::parse(text));
    for (const std::string* name : {&d.main, &d.over, &d.down, &d.disabled}) {
        // One line: a lone carriage return inside a line stays part of its value, as in every
        // INI file the programs read.
        check(name->find('\n') == std::string::npos);
        const std::string path = skin::skinImagePath("/opt/k", *name);
        check(path.rfind("/opt/k/skins/", 0) == 0);
    }
    for (const auto& [id, caption] : d.captions) {
        check(id >= 0);
        check(d.caption(id) == caption);
    }
    return 0;
}
