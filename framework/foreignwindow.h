#pragma once
// Windows of other programs, by X11 window id: whether one exists, the window
// the desktop reports as active, and making a window of ours transient for
// one (it then stays above that window and is placed over it).
class QWidget;

namespace orvanta {

// True when the X server knows a window with this id (false off X11).
bool foreignWindowExists(unsigned long id);
// The desktop's active window (_NET_ACTIVE_WINDOW of the root window), or 0.
unsigned long activeForeignWindow();
// Makes the top-level widget transient for the foreign window; false (and
// nothing changed) when the window does not exist.
bool setTransientForForeign(QWidget* window, unsigned long id);

}  // namespace orvanta
