// The skin art generator: every picture the skin description files and the windows name is
// painted, at 1x and at 2x, with the size its window or its user expects.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "panel/layout/dialog_layout.h"
#include "panel/layout/window_layout.h"
#include "shared/ini_file.h"
#include "tests/support/private_session.h"

// Only with the Qt programs: the generator is built with them.
#ifdef KORVANTE_SKIN_ART
namespace {

struct Size {
    int width = -1, height = -1;
    bool operator==(const Size&) const = default;
};

// Width and height from a PNG file's header chunk; (-1, -1) when the file is missing or no PNG.
Size pngSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[1] != 'P' || header[12] != 'I')
        return {};
    auto be32 = [&](int at) { return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]; };
    return {be32(16), be32(20)};
}

std::string at2x(const std::string& name) {
    const size_t dot = name.rfind('.');
    return name.substr(0, dot) + "@2x" + name.substr(dot);
}

TEST(SkinArt, PaintsEveryNamedPictureAtBothScales) {
    testsupport::TempFolder out("korvante-skin-art");
    ASSERT_TRUE(out.ready());
    const std::string command = std::string("'") + KORVANTE_SKIN_ART + "' '" + out.path() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::vector<const layout::Window*> windows = {&layout::mainFrame(), &layout::buttonPage(), &layout::macroPage(),
                                                  &layout::lightingPage(), &layout::dpiPage()};
    for (const layout::Window* dialog : layout::dialogWindows()) windows.push_back(dialog);
    for (const layout::Window* window : windows) {
        SCOPED_TRACE(window->skinFile);
        const std::string skinName = std::string(window->skinFile).substr(std::string("skins/").size());
        const IniFile skin(std::string(KORVANTE_SOURCE_DIR) + "/data/skins/" + skinName);
        const std::pair<const char*, const char*> screens[] = {
            {"Main", window->mainImage}, {"Over", window->overImage},
            {"Down", window->downImage}, {"Disabled", window->disabledImage}};
        for (const auto& [key, image] : screens) {
            const std::string name = skin.readString("Screen", key);
            EXPECT_EQ(name, image) << key;
            EXPECT_EQ(pngSize(out.file(name)), (Size{window->width, window->height})) << name;
            EXPECT_EQ(pngSize(out.file(at2x(name))), (Size{2 * window->width, 2 * window->height})) << name;
        }
        // Every control that shows a caption of the skin has one.
        for (const layout::Control& c : window->controls) {
            const bool captioned = c.look == layout::Look::Tile || c.look == layout::Look::Tab ||
                                   c.look == layout::Look::Link ||
                                   (c.look == layout::Look::Pill && c.role != layout::Role::DpiStage);
            if (captioned) {
                EXPECT_FALSE(skin.readString("BUTTONPOS", std::to_string(c.id)).empty()) << c.id;
            }
        }
    }

    const std::pair<std::string, Size> named[] = {
        {"logo.png", {200, 32}},         {"ID.png", {48, 20}},           {"arrow1.png", {16, 24}},
        {"arrow2.png", {16, 24}},        {"arrow3.png", {16, 24}},       {"bar1.png", {12, 192}},
        {"bar2.png", {7, 5}},            {"rgb_sel.png", {7, 5}},        {"bar3.png", {16, 24}},
        {"bar4.png", {16, 24}},          {"menu_normal.png", {180, 24}}, {"menu_over.png", {180, 24}},
        {"menu_down.png", {180, 24}},    {"button_menu1_normal.png", {180, 24}},
        {"button_menu1_over.png", {180, 24}}, {"button_menu1_down.png", {180, 24}},
        {"1menu_normal.png", {180, 24}}, {"1menu_over.png", {180, 24}}, {"1menu_down.png", {180, 24}},
        {"3menu_normal.png", {180, 24}},
    };
    for (const auto& [name, size] : named) {
        EXPECT_EQ(pngSize(out.file(name)), size) << name;
        EXPECT_EQ(pngSize(out.file(at2x(name))), (Size{2 * size.width, 2 * size.height})) << name;
    }
    for (const char* name : {"macro_menu_n.jpg", "macro_menu_n@2x.jpg"})
        EXPECT_TRUE(std::ifstream(out.file(name)).good()) << name;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string icon = "icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/korvante.png";
        EXPECT_EQ(pngSize(out.file(icon)), (Size{size, size})) << icon;
    }
}

}  // namespace
#endif
