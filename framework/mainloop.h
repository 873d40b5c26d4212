#pragma once
// The idle launcher's one main loop: GLib's default context, which the idle
// sources, the show's end and the termination signals all attach to. Nothing
// here needs a display.
#include <chrono>
#include <functional>

namespace orvanta::mainloop {

// Runs the loop until quit() is called from one of its handlers.
void run();
void quit();

// Calls `handler` in the loop for every SIGTERM, SIGINT and SIGHUP.
void onTerminationSignals(std::function<void()> handler);

}  // namespace orvanta::mainloop
