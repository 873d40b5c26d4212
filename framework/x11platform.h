#pragma once
// The few X11 services the show needs beyond Qt: Qt's X connection, the close
// client message, the X server's own screen blanking, and the monitor's power
// state. Every
// function does nothing (or answers "unknown") when not running on X11.
#include <functional>

struct _XDisplay;         // Xlib's Display
struct xcb_connection_t;  // xcb's connection

namespace orvanta::x11 {

// Qt's own connection to the X server, as Xlib and as xcb see it; null when
// the application does not run on X11 (or has not been created yet).
_XDisplay* qtDisplay();
xcb_connection_t* qtConnection();

inline constexpr long kCloseCode = 5190374;  // 0x4F32E6
inline constexpr const char* kCloseAtomName = "_ORVANTA_CLOSE";

// Calls `handler(window, data.l[0])` for every _ORVANTA_CLOSE client message
// that reaches this process. One handler per process; a new one replaces it.
void setCloseMessageHandler(std::function<void(unsigned long window, long code)> handler);
// Sends an _ORVANTA_CLOSE client message to a window (used by tests and tools).
bool sendCloseMessage(unsigned long window, long code);

// Suspends or resumes the X server's screen saver (blanking) for this client.
void suspendScreenBlanking(bool suspend);

enum class MonitorPower { On, Standby, Suspend, Off, Unknown };
MonitorPower monitorPower();

}  // namespace orvanta::x11
