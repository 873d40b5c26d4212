#pragma once
// What a page of the settings dialog may tell the dialog, and through it
// another page. A page posts its message to the dialog, which passes it on,
// posted again, to the page that takes it (configpages.h says which): a
// message is handled after the handler that sent it has returned, and
// messages arrive in the order they were sent.
#include <QEvent>

#include "config/stretchmode.h"

namespace orvanta {

enum class PageMessageKind {
    // The stretching options of Picture Settings changed (or were loaded);
    // Picture Selection sizes its wallpapers by them.
    StretchModeChanged,
};

struct PageMessage {
    PageMessageKind kind;
    StretchMode stretchMode;  // StretchModeChanged: the options as they are checked now
};

inline PageMessage stretchModeChanged(StretchMode mode) { return {PageMessageKind::StretchModeChanged, mode}; }

// The posted event that carries a message.
class PageMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit PageMessageEvent(const PageMessage& pageMessage) : QEvent(eventType()), message(pageMessage) {}
    PageMessage message;
};

}  // namespace orvanta
