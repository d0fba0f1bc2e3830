#pragma once
// Where a submenu of a picture menu opens. Qt-free.
namespace skin {

struct ScreenArea {
    int left, top, right, bottom;  // right and bottom exclusive
};

struct MenuOrigin {
    int x, y;
};

inline constexpr int kMenuItemHeight = 24;

// The submenu opens to the right of the menu, level with its item (itemTop). When its right edge
// would pass the area's right edge it opens to the left instead (moved left by its own width plus
// the menu's width); when its bottom (itemCount x 24 below its top) would pass the area's bottom it
// is moved up by itemCount x 24. area is the usable part of the screen (without panels).
MenuOrigin placeSubmenu(int menuLeft, int menuWidth, int itemTop, int submenuWidth, int itemCount,
                        const ScreenArea& area);

// A first-level menu of that size opened at (x, y), moved as little as needed to lie inside the
// area (to the area's left/top edge when it is larger than the area).
MenuOrigin placeMenu(int x, int y, int width, int height, const ScreenArea& area);

}  // namespace skin
