#pragma once
// `orvanta --idle TIME`: the built-in idle launcher. Without any window, it
// runs the show (this program with "/s") each time the session has been idle
// for TIME, until SIGTERM, SIGINT or SIGHUP ends it and its show.
#include <chrono>
#include <ostream>

namespace orvanta {

// Runs until ended by a signal (status 0) or until the idle source goes
// away (status 1, said in one line on `err`). Status 1 at once, with one
// line, when the session offers no idle time at all.
int runIdleLauncher(std::chrono::milliseconds time, const char* argv0, std::ostream& err);

}  // namespace orvanta
