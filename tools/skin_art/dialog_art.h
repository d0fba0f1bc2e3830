#pragma once
// The pictures of the function dialogs: a compact frame (title strip with the brand mark, footer
// strip), the dialog's group, and each control in one state. The title text is not painted: the
// dialog writes it from the strings file.
#include <QPainter>

#include "panel/layout/window_layout.h"
#include "tools/skin_art/art_style.h"

namespace art {

void paintDialog(QPainter& p, const layout::Window& dialog, State state);

}  // namespace art
