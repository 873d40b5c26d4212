// orvanta-testhost WIDTH HEIGHT [X Y]: a stand-in for a program that hands
// Orvanta a window to draw in (a settings program's preview area). Creates a
// top-level X window of that size, grey, at X, Y (0, 0 unless given), maps
// it, prints its id in decimal on standard output and then obeys one command
// per line on standard input:
//   resize W H   resizes the window            (answers "resized")
//   destroy      destroys it and ends          (answers "destroyed")
// End of input closes the connection, which destroys the window as well.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT [X Y]\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const int x = argc == 5 ? std::atoi(argv[3]) : 0, y = argc == 5 ? std::atoi(argv[4]) : 0;
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "%s: the size must be positive\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: cannot open the X display\n", argv[0]);
        return 1;
    }
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0x808080;
    attributes.event_mask = StructureNotifyMask;
    const Window window = XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWEventMask, &attributes);
    XSizeHints hints{};
    hints.flags = PPosition | PSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(display, window, &hints);
    XStoreName(display, window, "orvanta-testhost");
    XMapWindow(display, window);
    for (XEvent event;;) {
        XNextEvent(display, &event);
        if (event.type == MapNotify) break;
    }
    std::printf("%lu\n", window);
    std::fflush(stdout);

    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        int w = 0, h = 0;
        if (std::sscanf(line, "resize %d %d", &w, &h) == 2 && w > 0 && h > 0) {
            XResizeWindow(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
            XSync(display, False);
            std::printf("resized\n");
        } else if (std::strncmp(line, "destroy", 7) == 0) {
            XDestroyWindow(display, window);
            XSync(display, False);
            std::printf("destroyed\n");
            std::fflush(stdout);
            break;
        }
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}
