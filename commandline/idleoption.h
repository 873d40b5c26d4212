#pragma once
// `orvanta --idle TIME`: the built-in idle launcher's command line.
#include <chrono>
#include <string_view>

namespace orvanta {

// TIME: whole minutes ("10"), or whole seconds with an "s" ("30s"), from 1 s
// to 24 h; plain decimal digits only. 0 ms when the text is no such time.
std::chrono::milliseconds idleTimeOf(std::string_view text);

// What a command line says about the launcher: nothing (it is another
// mode), a launcher with its time, or a launcher that cannot run because
// TIME is missing, bad or followed by more arguments.
enum class IdleCommand { None, Run, Bad };
struct IdleRequest {
    IdleCommand command = IdleCommand::None;
    std::chrono::milliseconds time{0};
};
// A launcher is "--idle TIME" or "--idle=TIME" as the only arguments.
IdleRequest idleRequestOf(int argc, const char* const* argv);

// The one line printed on standard error for a bad launcher command line.
inline constexpr const char* kIdleUsage =
    "usage: orvanta --idle TIME (minutes, or seconds with an s: --idle 10, --idle 30s)\n";

}  // namespace orvanta
