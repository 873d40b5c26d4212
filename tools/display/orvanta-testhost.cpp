// orvanta-testhost [--stay | --seconds N] WIDTH HEIGHT [X Y]: a stand-in for
// a program that hands Orvanta a window to draw in (a settings program's
// preview area). Creates a top-level X window of that size, grey, at X, Y
// (0, 0 unless given), maps it, prints its id in decimal on standard output
// and then obeys one command per line on standard input:
//   resize W H   resizes the window            (answers "resized")
//   destroy      destroys it and ends          (answers "destroyed")
// End of input closes the connection, which destroys the window as well.
// With --stay standard input is not read and the window stays until the
// program is stopped (SIGTERM, SIGINT) or the window is destroyed; with
// --seconds N it stays N seconds, then is destroyed and the program ends.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/toolusage.h"

namespace {

constexpr const char* kUsage =
    "usage: orvanta-testhost [--stay | --seconds N] WIDTH HEIGHT [X Y]\n"
    "Maps a grey X window of WIDTH x HEIGHT at X, Y and prints its id. It keeps the\n"
    "window while it runs, so it blocks: by default until its standard input ends,\n"
    "obeying \"resize W H\" and \"destroy\" lines meanwhile; with --stay until it is\n"
    "stopped (SIGTERM, SIGINT) or the window is destroyed; with --seconds N for N seconds.\n";

volatile std::sig_atomic_t stopped = 0;
extern "C" void onStop(int) { stopped = 1; }

bool parseSeconds(const char* text, double& seconds) {
    char* end = nullptr;
    errno = 0;
    seconds = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0' && seconds > 0 && seconds <= 86400 * 365;
}

// Waits, handling the window's events, until the deadline (none with a
// negative number of seconds), a stop signal, or the window's destruction.
void stay(Display* display, Window window, double seconds) {
    const auto due = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds < 0 ? 0 : seconds);
    struct sigaction action {};
    action.sa_handler = onStop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (!stopped) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == DestroyNotify && event.xdestroywindow.window == window) return;
        }
        int wait = 1000;
        if (seconds >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due -
                                                                                    std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            wait = static_cast<int>(std::min<long long>(left.count(), 1000));
        }
        poll(&connection, 1, wait);
    }
    XDestroyWindow(display, window);
    XSync(display, False);
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, "orvanta-testhost", kUsage,
                                                          {{"--stay", false}, {"--seconds", true}}))
        return *status;
    bool stays = false;
    double seconds = -1;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--stay") == 0) {
            stays = true;
        } else if (std::strcmp(argv[i], "--seconds") == 0) {
            if (++i >= argc || !parseSeconds(argv[i], seconds)) {
                std::fprintf(stderr, "orvanta-testhost: --seconds needs a number of seconds above 0\n");
                return 2;
            }
        } else {
            operands.push_back(argv[i]);
        }
    }
    if (operands.size() != 2 && operands.size() != 4) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const int width = std::atoi(operands[0]), height = std::atoi(operands[1]);
    const int x = operands.size() == 4 ? std::atoi(operands[2]) : 0;
    const int y = operands.size() == 4 ? std::atoi(operands[3]) : 0;
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "orvanta-testhost: the size must be positive\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "orvanta-testhost: cannot open the X display\n");
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
    if (stays || seconds > 0) {
        stay(display, window, stays && seconds <= 0 ? -1 : seconds);
        XCloseDisplay(display);
        return 0;
    }

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
