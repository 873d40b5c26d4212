#include "framework/sessionbus.h"

#include <QAccessible>
#include <QByteArray>
#include <cstdlib>
#include <sys/stat.h>

namespace orvanta {

bool sessionBusKnown() {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return !runtime.isEmpty() && ::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

void keepSessionBusUnlaunched() {
    if (sessionBusKnown()) return;
    // A path that is no socket: the connection fails at once, and libdbus
    // launches nothing when an address is given. Without a session bus the
    // accessibility bus cannot be found anyway.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null", 1);
    QAccessible::isActive();  // makes the platform's accessibility bridge now
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

}  // namespace orvanta
