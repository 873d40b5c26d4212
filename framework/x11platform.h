#pragma once
// The few X11 services the show needs beyond Qt: the close client message,
// the X server's own screen blanking, and the monitor's power state. Every
// function does nothing (or answers "unknown") when not running on X11.
#include <functional>

namespace orvanta::x11 {

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
