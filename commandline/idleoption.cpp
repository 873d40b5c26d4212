#include "commandline/idleoption.h"

#include <string>

namespace orvanta {

std::chrono::milliseconds idleTimeOf(std::string_view text) {
    using std::chrono::milliseconds;
    const bool seconds = !text.empty() && text.back() == 's';
    if (seconds) text.remove_suffix(1);
    // Six digits are more than a day in either unit: longer texts are refused
    // before they could overflow.
    if (text.empty() || text.size() > 6) return milliseconds(0);
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return milliseconds(0);
        value = value * 10 + (c - '0');
    }
    const milliseconds time = seconds ? std::chrono::seconds(value) : std::chrono::minutes(value);
    return time >= std::chrono::seconds(1) && time <= std::chrono::hours(24) ? time : milliseconds(0);
}

IdleRequest idleRequestOf(int argc, const char* const* argv) {
    if (argc < 2) return {};
    const std::string_view first = argv[1];
    std::string_view time;
    int used = 2;
    if (first == "--idle") {
        if (argc >= 3) time = argv[2];
        used = 3;
    } else if (first.starts_with("--idle=")) {
        time = first.substr(7);
    } else {
        return {};
    }
    const std::chrono::milliseconds ms = idleTimeOf(time);
    if (argc != used || ms.count() == 0) return {IdleCommand::Bad, ms};
    return {IdleCommand::Run, ms};
}

}  // namespace orvanta
