// orvanta-close WINDOW [CODE]: sends the show's close client message
// (_ORVANTA_CLOSE, data.l[0] = CODE, 5190374 unless given) to an X window.
// This is how a desktop's screen-saver machinery stops a running show.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s WINDOW [CODE]\n", argv[0]);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const long code = argc == 3 ? std::strtol(argv[2], nullptr, 0) : 5190374L;
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the X display\n", argv[0]);
        return 1;
    }
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_ORVANTA_CLOSE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = code;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
