#pragma once
// The display mode of a screen-saver daemon (xscreensaver's "hack"): the
// whole show, with the user's settings, drawn into a window the daemon made,
// at that window's size and following it: full screen on a monitor, or a
// small preview in the daemon's settings program. The daemon owns the
// keyboard and the mouse, so the show reads no input, leaves the cursor and
// the X server's blanking alone, and never ends by itself; it ends on
// SIGTERM, the daemon's way of stopping it, and when the window is
// destroyed. It takes no single-instance lock: the daemon runs one show per
// monitor, and a preview beside them.
#include <QSize>
#include <functional>
#include <optional>
#include <string>

#include "framework/WHostWindow.h"

namespace orvanta {

class WShowWindow;

// The window the command line and the environment (XSCREENSAVER_WINDOW) ask
// the show to be drawn into; nothing when the run is no daemon's display mode.
std::optional<unsigned long> requestedHackWindow(const std::string& argumentText);

// The daemon's window, holding the show form's window as a child that
// covers it. Owned by the show form.
class HackWindow {
public:
    // Attaches to the X window with that id; nothing is embedded yet.
    explicit HackWindow(unsigned long id);
    HackWindow(const HackWindow&) = delete;
    HackWindow& operator=(const HackWindow&) = delete;

    bool attached() const { return host_.isValid(); }
    // The window's size in device pixels.
    QSize size() const { return host_.size(); }
    // The window covers the whole primary monitor: the daemon's full-screen
    // window there (or the root window), not a preview or another monitor.
    bool coversPrimaryMonitor() const;

    // Puts the show's window inside the daemon's, covering it, as a child
    // that takes neither the focus nor any input. From then on `resized` is
    // told each new size of the daemon's window, and `destroyed` its end.
    void embed(WShowWindow& window, std::function<void(QSize)> resized, std::function<void()> destroyed);

private:
    WHostWindow host_;
};

}  // namespace orvanta
