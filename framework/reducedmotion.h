#pragma once
// Whether the desktop asks programs to keep motion down: GNOME's
// org.gnome.desktop.interface enable-animations is off (read through GIO,
// only where the schema and the key exist and a session bus is known), or
// KDE's AnimationDurationFactor in the [KDE] group of kdeglobals is 0 (the
// user's file first, then the system's).

namespace orvanta {

bool desktopAsksForReducedMotion();

}  // namespace orvanta
