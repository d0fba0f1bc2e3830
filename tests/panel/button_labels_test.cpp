// The button labels the window shows for each record: the function's name, the key, the macro
// with its play mode, the DPI shift's DPI.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel/function_menu.h"
#include "shared/settings_record.h"

namespace {

TEST(ButtonLabels, TextByCodeWithKeyAndMacroNames) {
    const panel::TextLookup text = [](std::string_view key) {
        if (key == "DPISHIFTLABEL") return std::string("Shift %1");
        if (key == "MACROLABELONCE") return std::string("M: %1 x%2");
        if (key == "MACROLABELREPEAT") return std::string("M: %1 again");
        if (key == "MACROLABELHOLD") return std::string("M: %1 held");
        return "<" + std::string(key) + ">";
    };
    const std::vector<std::string> macros{"Reload", "Build"};
    const std::vector<int> loops{3, 0};  // each listed macro's loop time
    struct Case {
        uint8_t code, byte3, byte5;
        std::vector<std::string> names;
        std::string label;
        uint8_t codeAfter;
        uint8_t owner = 1, byte2 = 1;
    };
    const Case cases[] = {
        {1, 0, 0, macros, "<CLICK>", 1},      {0, 0, 0, macros, "", 0},
        {5, 0, 4, macros, "A", 5},            {6, 0x41, 0, macros, "M: Build x1", 6},  // loop time 0 plays once
        {6, 0x40, 0, macros, "M: Reload x3", 6},                                       // the file's loop time
        {6, 0x41, 0, {"A", "Build"}, "M: Build x4", 6, 1, 4},                         // none known: the record's
        {6, 0x41, 0, macros, "M: Build again", 6, 255},                               // endless
        {6, 0x81, 0, macros, "M: Build held", 6},
        {6, 0x45, 0, macros, "<OFFBUTTON>", 7}, {6, 0, 0, {}, "<MACROCOMMAND>", 6},
        {15, 0, 0, macros, "Shift 750", 15, 1, 3}, {15, 0, 0, macros, "<DPISHIFT>", 15, 1, 9},
    };
    for (const Case& c : cases) {
        ButtonRecord record{};
        record.code = c.code;
        record.owner = c.owner;
        record.param1 = c.byte2;
        record.param2 = c.byte3;
        record.byte(5) = c.byte5;
        EXPECT_EQ(panel::buttonLabel(record, c.names, text, c.names == macros ? loops : std::vector<int>{}), c.label)
            << int(c.code) << " " << c.label;
        EXPECT_EQ(record.code, c.codeAfter);
    }
    ButtonRecord record{};
    record.code = 6;
    record.param2 = 1;
    panel::buttonLabel(record, macros, text);
    EXPECT_EQ(std::u16string(record.name), u"Build");  // the record names the macro it plays
}

}  // namespace
