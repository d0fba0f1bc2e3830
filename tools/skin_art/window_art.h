#pragma once
// The pictures of the main window: every page picture is the frame (title strip, footer, the
// frame's controls), the page's groups and decorations, and each control in one state.
#include <QPainter>

#include "panel/layout/window_layout.h"
#include "tools/skin_art/art_style.h"

namespace art {

void paintWindow(QPainter& p, const layout::Window& window, State state);
void paintControl(QPainter& p, const layout::Control& control, State state);

}  // namespace art
