#pragma once
// The show rectangle and the monitors, from Qt's screens in device pixels.
#include <QRect>
#include <vector>

class QScreen;

namespace orvanta {

struct ShowGeometry {
    QScreen* screen = nullptr;  // the primary screen
    int screenWidth = 0;        // its width in device pixels
    int width = 0;              // W: 1360 on a 1366-wide screen, else the screen width
    int height = 0;             // H
    QRect clip;                 // what the screen canvas may draw
};

ShowGeometry primaryShowGeometry();

struct MonitorInfo {
    QRect rect;  // device pixels, in the desktop's coordinates
    bool primary = false;
};

int monitorCount();
std::vector<MonitorInfo> monitors();

}  // namespace orvanta
