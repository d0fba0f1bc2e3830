// The strings lookup over files, and the shipped strings file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/string_table.h"
#include "shared/xml_document.h"
#include "temp_folder.h"

namespace {

class StringTable : public TempFolderTest {};

TEST_F(StringTable, FindsKeyUnderTheNamedSectionOnly) {
    std::string path = writeFile("Strings.xml",
                                 "<Strings>"
                                 "<MAIN><FONT>Sans</FONT><CLICK>wrong section</CLICK></MAIN>"
                                 "<BUTTONPAGE><CLICK>Left Click</CLICK></BUTTONPAGE>"
                                 "</Strings>");
    const ::StringTable table(path);  // read once, asked many times: the same answers
    const struct {
        const char *section, *key, *text;
    } cases[] = {{"BUTTONPAGE", "CLICK", "Left Click"}, {"MAIN", "CLICK", "wrong section"}, {"MAIN", "FONT", "Sans"},
                 {"BUTTONPAGE", "FONT", ""}, {"NOPAGE", "CLICK", ""}, {"", "CLICK", ""}, {"BUTTONPAGE", "", ""},
                 {"BUTTONPAGE", "CLICK", "Left Click"}};
    for (const auto& c : cases) {
        EXPECT_EQ(lookupString(path, c.section, c.key), c.text) << c.section << "/" << c.key;
        EXPECT_EQ(table.lookup(c.section, c.key), c.text) << c.section << "/" << c.key;
    }
    EXPECT_EQ(::StringTable(writeFile("Broken.xml", "<a><b></a>")).lookup("a", "b"), "");
}

TEST_F(StringTable, DescendsIntoNestedSectionsOfTheSameName) {
    std::string path = writeFile("Strings.xml",
                                 "<S><P><A>a1</A>"
                                 "  <P><B>b2</B>"
                                 "    <P><C>c3 &amp; more</C></P>"
                                 "  </P>"
                                 "</P></S>");
    EXPECT_EQ(lookupString(path, "P", "A"), "a1");
    EXPECT_EQ(lookupString(path, "P", "B"), "b2");
    EXPECT_EQ(lookupString(path, "P", "C"), "c3 & more");
    EXPECT_EQ(lookupString(path, "P", "D"), "");
}

TEST_F(StringTable, FaultyOrMissingFilesGiveEmptyText) {
    EXPECT_EQ(lookupString(dir_ + "/missing.xml", "MAIN", "FONT"), "");
    std::string sibling = writeFile("s.xml", "<S><MAIN><FONT>x</FONT></MAIN></S><T/>");
    EXPECT_EQ(lookupString(sibling, "MAIN", "FONT"), "");
    std::string broken = writeFile("b.xml", "<S><MAIN><FONT>x</FONT></MAIN>");
    EXPECT_EQ(lookupString(broken, "MAIN", "FONT"), "");
    std::string empty = writeFile("e.xml", "");
    EXPECT_EQ(lookupString(empty, "MAIN", "FONT"), "");
    EXPECT_EQ(lookupString(dir_, "MAIN", "FONT"), "");  // a folder, not a file
}

TEST_F(StringTable, ReadsEveryLookupAnew) {
    std::string path = writeFile("Strings.xml", "<S><M><K>one</K></M></S>");
    EXPECT_EQ(lookupString(path, "M", "K"), "one");
    writeFile("Strings.xml", "<S><M><K>two</K></M></S>");
    EXPECT_EQ(lookupString(path, "M", "K"), "two");
}

TEST_F(StringTable, Utf16FileWithSwappedMark) {
    std::u16string text = u"<S><M><K>Gr\u00FC\u00DFe</K></M></S>";
    std::string bytes = "\xFE\xFF";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c >> 8));
        bytes.push_back(static_cast<char>(c & 0xFF));
    }
    EXPECT_EQ(lookupString(writeFile("u.xml", bytes), "M", "K"), "Grüße");
}

// Every key that the programs look up exists in the shipped file with a non-empty text.
TEST(ShippedStrings, EveryLookedUpKeyIsPresent) {
    const std::string path = std::string(KORVANTE_SOURCE_DIR) + "/data/Strings.xml";
    XmlDocument doc;
    ASSERT_TRUE(doc.load(path)) << doc.result();
    EXPECT_NE(doc.result().find("UTF-8"), std::string::npos) << doc.result();

    EXPECT_FALSE(lookupString(path, "MAIN", "FONT").empty());
    const std::vector<std::string> keys = {
        // function code labels
        "CLICK", "MENU", "MIDDLE", "DBCLICK", "OFFBUTTON", "XSHOOT", "BUTTON4", "BUTTON5", "DPIUP",
        "DPIDOWN", "DPISWITCH", "DPISHIFT", "GAMEKEY", "PROFILEUP", "PROFILEDOWN", "PLAYPAUSE",
        "STOP", "PREVIOUS", "NEXT", "VOLUMEUP", "VOLUMEDOWN", "MUTE", "SCROLLUP", "SCROLLDOWN",
        "SCROLLLEFT", "SCROLLRIGHT", "CUT", "COPY", "PASTE", "UNDO", "SELECTALL", "FIND", "NEW",
        "PRINT", "SAVE", "SWAP_WINDOWS", "CLOSE_WINDOWS", "LOCK_PC", "OPEN_EXPLORER", "RUN",
        "SHOW_DESKTOP", "DPIFUN", "HANDSWITCH", "LEDSWITCH", "GUNFIREKEY", "LEDMODESWITCH",
        "SHIFT1", "SHIFT2", "SHIFT3", "SHIFT4", "SHIFT5",
        // menu groups
        "ADVANCEDCOMMAND", "SHIFT", "BASICCOMMAND", "MEDIACOMMAND", "ADDITIONALCOMMAND",
        "MACROCOMMAND", "ASSIGNKEY",
        // warnings, DPI, lighting
        "WARN1", "WARN2", "WARN3", "DPISTAGE", "LEDMODE1", "LEDMODE2", "LEDMODE3", "LEDMODE4",
        "LEDMODE5", "LEDMODE6", "LEDMODEDIR1", "LEDMODEDIR2", "LEDMODEDIR3", "LEDMODEDIR4",
        // macro editor
        "NEWMACRO", "MACROFILENAME", "MACRO", "MS", "INSERTNEWDELAY", "INSERTNEWACT", "COPYACT",
        "CUTACT", "PASTEACT", "MOVELEFT", "MOVERIGHT", "MOVEUP", "MOVEDOWN",
    };
    for (const std::string& key : keys)
        EXPECT_FALSE(lookupString(path, "BUTTONPAGE", key).empty()) << key;

    // Texts that are formatted further must not carry format directives of their own.
    for (const char* key : {"NEWMACRO", "DPISTAGE", "MS", "MACROFILENAME"})
        EXPECT_EQ(lookupString(path, "BUTTONPAGE", key).find('%'), std::string::npos) << key;
}

}  // namespace
