#include "framework/idlewatch.h"

namespace orvanta {

std::unique_ptr<IdleWatch> openIdleWatch(std::chrono::milliseconds time, IdleHandlers handlers, std::string& whyNot) {
    using Open = std::unique_ptr<IdleWatch> (*)(std::chrono::milliseconds, IdleHandlers&, std::string&);
    whyNot.clear();
    for (const Open open : {openWaylandIdle, openMutterIdle, openX11Idle}) {
        std::string why;
        if (auto watch = open(time, handlers, why)) return watch;
        whyNot += (whyNot.empty() ? "" : "; ") + why;
    }
    return nullptr;
}

}  // namespace orvanta
