"""Real input for a headless Mutter through its own remote-desktop interface
on the session bus (run with the system's Python, which has PyGObject).
Reads commands from standard input, one a line, and answers each with "ok":
  key CODE      presses and releases the evdev key CODE
  move DX DY    moves the pointer by DX, DY
  idletime      answers the idle monitor's idle time in ms instead of "ok"
A remote-desktop session belongs to the connection that made it, so this
process holds it for as long as it runs."""
import sys

from gi.repository import Gio, GLib

SERVICE = "org.gnome.Mutter.RemoteDesktop"
SESSION = "org.gnome.Mutter.RemoteDesktop.Session"

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)


def call(service, path, interface, method, args=None, reply=None):
    return bus.call_sync(service, path, interface, method, args, reply and GLib.VariantType(reply),
                         Gio.DBusCallFlags.NONE, 5000, None)


session = call(SERVICE, "/org/gnome/Mutter/RemoteDesktop", SERVICE, "CreateSession", None, "(o)").unpack()[0]
call(SERVICE, session, SESSION, "Start")
print("ready", flush=True)
for line in sys.stdin:
    word = line.split()
    if word[0] == "key":
        for pressed in (True, False):
            call(SERVICE, session, SESSION, "NotifyKeyboardKeycode", GLib.Variant("(ub)", (int(word[1]), pressed)))
        print("ok", flush=True)
    elif word[0] == "move":
        call(SERVICE, session, SESSION, "NotifyPointerMotionRelative",
             GLib.Variant("(dd)", (float(word[1]), float(word[2]))))
        print("ok", flush=True)
    elif word[0] == "idletime":
        print(call("org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core", "org.gnome.Mutter.IdleMonitor",
                   "GetIdletime", None, "(t)").unpack()[0], flush=True)
call(SERVICE, session, SESSION, "Stop")
