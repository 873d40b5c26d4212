#include "framework/showcursor.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

#include "framework/waylandplatform.h"

namespace orvanta {

namespace {

// On Wayland a cursor is the pointer's, given to the surface it has entered;
// Qt hands an unchanged override cursor on at the next enter only when its
// shape changes, so a show whose cursor was hidden before its window had the
// pointer would keep the compositor's arrow. Every enter into a window of
// ours sets the blank cursor anew there.
class EnterWatch : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Enter && qobject_cast<QWindow*>(target)) {
            QGuiApplication::changeOverrideCursor(QCursor(Qt::ArrowCursor));
            QGuiApplication::changeOverrideCursor(QCursor(Qt::BlankCursor));
        }
        return false;
    }
};

EnterWatch* enterWatch = nullptr;

}  // namespace

void ShowCursor::hide() {
    if (hidden_) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    if (onWaylandPlatform() && !enterWatch) {
        enterWatch = new EnterWatch;
        qGuiApp->installEventFilter(enterWatch);
    }
    hidden_ = true;
}

void ShowCursor::show() {
    if (!hidden_) return;
    if (enterWatch) {
        qGuiApp->removeEventFilter(enterWatch);
        delete enterWatch;
        enterWatch = nullptr;
    }
    QGuiApplication::restoreOverrideCursor();
    hidden_ = false;
}

}  // namespace orvanta
