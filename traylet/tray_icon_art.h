#pragma once
// The tray icon, drawn in code: a mouse glyph with a lit scroll wheel, the current profile number
// on a badge and the DPI stage as a row of pips. Drawn for every size the tray may ask for, so it
// stays crisp instead of being scaled from one bitmap. While a write has failed, an amber warning
// badge with "!" sits in the upper right corner.
#include <QIcon>
#include <QImage>

#include "traylet/tray_status.h"

namespace tray {

// One square ARGB image of the icon at `size` pixels (premultiplied, transparent background).
QImage renderIconImage(int size, const Status& status);

// The icon with images for the usual tray sizes (16 to 128 pixels).
QIcon makeTrayIcon(const Status& status);

}  // namespace tray
