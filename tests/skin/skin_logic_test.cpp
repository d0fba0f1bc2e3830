// The Qt-free arithmetic of the controls and the skin description files.
#if KORVANTE_SKIN_QT  // built with the Qt programs only
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "skin/colour_math.h"
#include "skin/menu_placement.h"
#include "skin/skin_description.h"
#include "skin/slider_math.h"
#include "shared/string_table.h"
#include "tests/support/private_session.h"

using namespace skin;

TEST(SliderMath, ValueFromThumbEdge) {
    struct Case { int x, left, right, thumb, min, max, value; };
    const Case cases[] = {
        {0, 0, 220, 20, 0, 10, 1},      // the thumb at the left edge reads 1
        {100, 0, 220, 20, 0, 10, 6},
        {200, 0, 220, 20, 0, 10, 10},
        {130, 30, 250, 20, 0, 10, 6},   // only the distance from the left edge counts
        {500, 0, 220, 20, 0, 10, 10},   // limited to the range
        {50, 0, 20, 20, 0, 10, 0},      // track no wider than the thumb: minimum
        {50, 0, 10, 20, 3, 10, 3},
        {50, 0, 220, 20, 5, 5, 5},      // empty range: minimum
        {50, 0, 220, 20, 7, 2, 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sliderValueFromPosition(c.x, c.left, c.right, c.thumb, c.min, c.max), c.value) << "x=" << c.x;
}

TEST(SliderMath, PositionFromValue) {
    struct Case { int value, left, right, thumb, min, max, x; };
    const Case cases[] = {
        {5, 0, 220, 20, 0, 10, 100}, {10, 30, 250, 20, 0, 10, 230},
        {12, 30, 250, 20, 0, 10, 30},  // outside the range: minimum position
        {-1, 0, 220, 20, 0, 10, 0},
        {5, 30, 40, 20, 0, 10, 30},    // degenerate track and range: the left edge
        {5, 30, 250, 20, 5, 5, 30},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sliderPositionFromValue(c.value, c.left, c.right, c.thumb, c.min, c.max), c.x) << "value=" << c.value;
}

TEST(MenuPlacement, SubmenuStaysOnTheAvailableArea) {
    // Screen 1920 x 1080 with a 40-pixel panel at the bottom: usable 0..1920 x 0..1040.
    const ScreenArea area{0, 0, 1920, 1040};
    struct Case { int menuLeft, itemTop, items, x, y; };
    const Case cases[] = {
        {100, 200, 3, 250, 200},          // right of the menu, level with the item
        {1700, 200, 3, 1700 - 120, 200},  // past the right edge: to the left of the menu
        {100, 1000, 3, 250, 1000 - 72},   // past the panel: moved up by 3 x 24
        {100, 950, 3, 250, 950},          // fits exactly above the panel (bottom 1022)
        {1800, 1030, 2, 1680, 982},       // both
    };
    for (const Case& c : cases) {
        const MenuOrigin o = placeSubmenu(c.menuLeft, 150, c.itemTop, 120, c.items, area);
        EXPECT_EQ(o.x, c.x) << c.menuLeft << "," << c.itemTop;
        EXPECT_EQ(o.y, c.y) << c.menuLeft << "," << c.itemTop;
    }
    const MenuOrigin inside = placeMenu(1900, 1030, 150, 72, area);
    EXPECT_EQ(inside.x, 1770);
    EXPECT_EQ(inside.y, 968);
}

TEST(ColourMath, StepsHexAndTypedInput) {
    struct Step { int value; bool up; int result; };
    for (const Step& s : {Step{254, true, 255}, Step{255, true, 255}, Step{1, false, 0}, Step{0, false, 0}, Step{7, true, 8}})
        EXPECT_EQ(stepChannel(s.value, s.up), s.result) << s.value;
    // Colour fields read red first: "rrggbb"; only six digits make a colour.
    EXPECT_EQ(hexText(makeColorRef(255, 0, 0)), "ff0000");
    EXPECT_EQ(hexText(makeColorRef(1, 2, 3)), "010203");
    const struct { const char* text; bool ok; uint32_t colour; } typed[] = {
        {"00a0ff", true, makeColorRef(0, 0xa0, 0xff)}, {"FF8000", true, makeColorRef(255, 128, 0)},
        {"ff", false, 0}, {"ff00zz", false, 0}, {"ff00000", false, 0}, {"", false, 0}};
    for (const auto& t : typed) {
        uint32_t colour = 0;
        EXPECT_EQ(parseHexText(t.text, &colour), t.ok) << t.text;
        EXPECT_EQ(colour, t.colour) << t.text;
    }
    bool over = false;
    EXPECT_EQ(parseChannelText("300", &over), 255);
    EXPECT_TRUE(over);
    EXPECT_EQ(parseChannelText("42", &over), 42);
    EXPECT_FALSE(over);
}

TEST(ColourMath, HueTableAndField) {
    const std::pair<int, uint32_t> fixed[] = {{1, 0x000000}, {2, 0x0500FF}, {30, 0xFF00FE}, {64, 0xFF0001},
                                              {95, 0xFFFF00}, {130, 0x00FF02}, {162, 0x00FFFE}, {190, 0x0010FF}};
    for (auto [entry, colour] : fixed) EXPECT_EQ(hueEntry(entry), colour) << entry;
    for (int e = 3; e <= kHueEntries; ++e) {  // smooth: no channel jumps by more than a ramp step
        for (int shift : {0, 8, 16})
            EXPECT_LE(std::abs(int(hueEntry(e) >> shift & 0xFF) - int(hueEntry(e - 1) >> shift & 0xFF)), 10) << e;
    }
    EXPECT_EQ(fieldColour(0x0000FF, 0, 0), 0xFFFFFFu);      // light grey (white) at the top left
    EXPECT_EQ(fieldColour(0x0000FF, 192, 0), 0x0000FFu);    // the hue itself at the top right
    EXPECT_EQ(fieldColour(0x0000FF, 192, 191), 0x000000u);  // darkened to black at the bottom
}

TEST(SkinDescription, ReadsNamesAndCaptions) {
    testsupport::TempFolder folder("korvante-skin");
    std::filesystem::create_directories(folder.file("skins"));
    std::ofstream(folder.file("skins/skin_main.ini")) << "[Screen]\nMain=main.png\nOver=over.png\n"
                                                         "[BUTTONPOS]\n1=Apply\n2=Two\\nlines\n3=A\\r\\nB\n";
    const SkinDescription d = loadSkinDescription(folder.path(), "skins/skin_main.ini");
    EXPECT_EQ(d.main, "main.png");
    EXPECT_EQ(d.over, "over.png");
    EXPECT_EQ(d.down, "");
    EXPECT_EQ(d.caption(1), "Apply");
    EXPECT_EQ(d.caption(2), "Two\nlines");
    EXPECT_EQ(d.caption(3), "A\nB");
    EXPECT_EQ(d.caption(4), "");  // missing key: no caption

    const SkinDescription missing = loadSkinDescription(folder.path(), "skins/skin_none.ini");
    EXPECT_TRUE(missing.main.empty() && missing.over.empty() && missing.captions.empty());

    EXPECT_EQ(skinImagePath("/opt/k/", "bar1.png"), "/opt/k/skins/bar1.png");
    EXPECT_EQ(skinImagePath("/opt/k", "bar1.png"), "/opt/k/skins/bar1.png");
}

TEST(SkinDescription, CaptionsInTheUsersLanguageWhereTheTranslationHasThem) {
    testsupport::TempFolder folder("korvante-skin");
    testsupport::ScopedEnvironment env;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) env.unset(name);
    std::filesystem::create_directories(folder.file("skins"));
    std::ofstream(folder.file("skins/skin_main.ini")) << "[BUTTONPOS]\n1=Apply\n2=Reload\n";
    std::ofstream(folder.file("Strings.de.xml")) << "<S><SKIN_MAIN><C1>\u00dcber\\nnehmen</C1></SKIN_MAIN>"
                                                    "<SKIN_OTHER><C2>Falsch</C2></SKIN_OTHER></S>";
    const struct {
        const char *language, *first, *second;
    } cases[] = {{"de", "\u00dcber\nnehmen", "Reload"}, {"es", "Apply", "Reload"}, {"en:de", "Apply", "Reload"}};
    for (const auto& c : cases) {
        env.set("LANGUAGE", c.language);
        const SkinDescription d = loadSkinDescription(folder.path(), "skins/skin_main.ini");
        EXPECT_EQ(d.caption(1), c.first) << c.language;
        EXPECT_EQ(d.caption(2), c.second) << c.language;
    }
    EXPECT_EQ(captionSection("skins/skin_Xshoot.ini"), "SKIN_XSHOOT");
}

// When a description file gets a new caption, this names each translation that lacks it.
TEST(SkinDescription, EveryShippedTranslationHasEveryCaption) {
    const std::string data = std::string(KORVANTE_SOURCE_DIR) + "/data";
    testsupport::ScopedEnvironment env;
    env.set("LANGUAGE", "en");
    int translations = 0;
    for (const auto& file : std::filesystem::directory_iterator(data)) {
        const std::string name = file.path().filename().string();
        if (!name.starts_with("Strings.") || name == "Strings.xml" || !name.ends_with(".xml")) continue;
        ++translations;
        const StringTable translation(std::vector<std::string>{file.path().string()});
        for (const auto& skinFile : std::filesystem::directory_iterator(data + "/skins")) {
            const std::string ini = "skins/" + skinFile.path().filename().string();
            for (const auto& [id, english] : loadSkinDescription(data, ini).captions) {
                EXPECT_FALSE(translation.lookup(captionSection(ini), "C" + std::to_string(id)).empty())
                    << name << " lacks " << captionSection(ini) << "/C" << id << " (English: \"" << english << "\")";
            }
        }
    }
    EXPECT_EQ(translations, 3);
}
#endif
