#include "show/decoders/decodepump.h"

namespace orvanta {

DecodePump::DecodePump(const std::function<bool()>& pump, std::chrono::milliseconds interval)
    : pump_(pump), interval_(interval), last_(Clock::now()) {}

bool DecodePump::now() {
    if (ended_) return true;
    if (!pump_) return false;
    ended_ = pump_();
    last_ = Clock::now();
    return ended_;
}

}  // namespace orvanta
