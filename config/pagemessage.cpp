#include "config/pagemessage.h"

namespace orvanta {

QEvent::Type PageMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace orvanta
