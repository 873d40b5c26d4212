#pragma once
// The show rectangle and the monitors, from Qt's screens in device pixels.
#include <QRect>
#include <vector>

class QScreen;

namespace orvanta {

struct ShowGeometry {
    QScreen* screen = nullptr;  // the screen shown on (the primary one)
    int screenWidth = 0;        // the width of the screen or window, device pixels
    int width = 0;              // W: 1360 on a 1366-wide screen, else the screen width
    int height = 0;             // H
    QRect clip;                 // what the screen canvas may draw
};

// The show on the primary screen.
ShowGeometry primaryShowGeometry();
// The show in a window of that size (device pixels) on `screen`: the window
// is the screen of the show (a 1366-wide one also shows only its middle 1360
// columns).
ShowGeometry showGeometryFor(QSize size, QScreen* screen);

struct MonitorInfo {
    QRect rect;  // device pixels, in the desktop's coordinates
    bool primary = false;
};

int monitorCount();
std::vector<MonitorInfo> monitors();

}  // namespace orvanta
