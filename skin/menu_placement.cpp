#include "skin/menu_placement.h"

#include <algorithm>

namespace skin {

MenuOrigin placeSubmenu(int menuLeft, int menuWidth, int itemTop, int submenuWidth, int itemCount,
                        const ScreenArea& area) {
    MenuOrigin origin{menuLeft + menuWidth, itemTop};
    const int height = itemCount * kMenuItemHeight;
    if (origin.x + submenuWidth > area.right) origin.x -= submenuWidth + menuWidth;
    if (origin.y + height > area.bottom) origin.y -= height;
    return origin;
}

MenuOrigin placeMenu(int x, int y, int width, int height, const ScreenArea& area) {
    x = std::max(std::min(x, area.right - width), area.left);
    y = std::max(std::min(y, area.bottom - height), area.top);
    return {x, y};
}

}  // namespace skin
