#pragma once
// The picture of a bare X session's desktop background: the wallpaper laid
// over the whole root window, tiled from the top left corner or centred on
// black, as X desktop tools lay it into the root window's background pixmap.
#include <QImage>
#include <QSize>

namespace orvanta {

// A 32-bit image of rootSize holding picture tiled or centred (black around,
// the picture cut where it is larger). A null image for a null picture or an
// empty size.
QImage rootBackground(const QImage& picture, QSize rootSize, bool tiled);

}  // namespace orvanta
