#pragma once
// Placements: the controls a window made from its rectangle table, each with its table entry, found
// again by role and index. Qt-free: the windows keep their widgets in it.
#include <vector>

#include "panel/layout/window_layout.h"

namespace layout {

template <class Widget>
class Placements {
public:
    struct Placed {
        const Control* place;
        Widget* widget;
    };

    // Remembers the widget made for the entry (an entry the table does not have is nullptr).
    void add(const Control* place, Widget* widget) { placed_.push_back({place, widget}); }

    // The widget of that role and index, or nullptr.
    Widget* find(Role role, int index = 0) const {
        for (const Placed& p : placed_)
            if (p.place != nullptr && p.place->role == role && p.place->index == index) return p.widget;
        return nullptr;
    }
    // The widget made for that entry, or nullptr.
    Widget* find(const Control& place) const {
        for (const Placed& p : placed_)
            if (p.place == &place) return p.widget;
        return nullptr;
    }

    auto begin() const { return placed_.begin(); }
    auto end() const { return placed_.end(); }

private:
    std::vector<Placed> placed_;
};

}  // namespace layout
