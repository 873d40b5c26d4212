#include "framework/mainloop.h"

#include <csignal>
#include <glib-unix.h>
#include <glib.h>

namespace orvanta::mainloop {

namespace {
GMainLoop* loop() {
    static GMainLoop* const theLoop = g_main_loop_new(nullptr, FALSE);
    return theLoop;
}
std::function<void()> signalHandler;
}  // namespace

void run() { g_main_loop_run(loop()); }

void quit() { g_main_loop_quit(loop()); }

void onTerminationSignals(std::function<void()> handler) {
    signalHandler = std::move(handler);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        g_unix_signal_add(
            sig,
            [](gpointer) -> gboolean {
                if (signalHandler) signalHandler();
                return G_SOURCE_CONTINUE;
            },
            nullptr);
}

}  // namespace orvanta::mainloop
