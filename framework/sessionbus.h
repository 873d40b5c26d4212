#pragma once
// The D-Bus session bus, only ever one the user's session already has. When
// none is known, asking for it makes libdbus launch a bus of its own
// (dbus-launch), which outlives the program: nothing here may do that.

namespace orvanta {

// A session bus is known: DBUS_SESSION_BUS_ADDRESS is set, or the user's
// bus socket exists in XDG_RUNTIME_DIR.
bool sessionBusKnown();

// Qt's accessibility bridge asks for the session bus once, as the first
// window or the event loop needs it. Call right after the application object
// is made: when no session bus is known, the bridge is made at once against
// an address that names no bus, and the environment is then put back as it
// was. With a known bus nothing changes.
void keepSessionBusUnlaunched();

}  // namespace orvanta
