// Fuzzes the macro file format: a macro file and a macro list parsed from any text, the device
// event count and the event record helpers over raw bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/ini_text.h"
#include "shared/macro_file.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::IniDocument doc = platform::IniDocument::parse(text);

    macro::MacroFileData file;
    file.block.fill(0x5A);
    macro::parseMacroDocument(doc, file, 1);
    check(file.count >= 0 && file.count <= macro::kMaxEvents);
    if (!file.blockValid) {
        for (uint8_t b : file.block) check(b == 0x5A);
    }
    int listed = 0;
    for (int i = 0; i < file.count; ++i) {
        macro::Event e = macro::eventAt(file.block, i);
        if (e.empty()) continue;
        ++listed;
        switch (e.kind()) {
            case macro::kKindMove: {
                int dx = macro::decodeMoveStep(e.bytes[1]);
                int dy = macro::decodeMoveStep(e.bytes[2]);
                check(dx >= -135 && dx <= 120 && dy >= -135 && dy <= 120);
                if (dx >= -120 && dx != 0) check(macro::encodeMoveStep(dx) == e.bytes[1]);
                break;
            }
            case macro::kKindDelay:
                check(macro::delayStepsFromMs(macro::delayMsFromSteps(e.value())) == e.value());
                break;
            default:
                break;
        }
    }
    check(listed <= file.count);

    std::vector<std::string> names = macro::listNames(doc);
    check(names.size() <= static_cast<size_t>(macro::kListSlots));
    for (const std::string& name : names) {
        check(!name.empty());
        std::string path;
        if (macro::macroFilePath("/macros", name, path)) {
            check(path.rfind("/macros/", 0) == 0);
            check(path.find('/', 8) == std::string::npos);  // stays inside the folder
        }
    }
    std::string path;
    if (macro::macroFilePath("/macros", text, path)) {
        check(text != "." && text != ".." && text.find('/') == std::string_view::npos);
    }

    int count = macro::countDeviceEvents(data, size);
    check(count >= 0 && count <= macro::kMaxEvents && static_cast<size_t>(count) * 3 <= size);
    return 0;
}
