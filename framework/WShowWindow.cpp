#include "framework/WShowWindow.h"

#include <QCloseEvent>
#include <QExposeEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace orvanta {

QEvent::Type WUserEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
QEvent::Type WCloseRequestEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
QEvent::Type WMonitorPowerEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WShowWindow::WShowWindow() {
    setSurfaceType(QSurface::RasterSurface);
    setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    canvas_ = std::make_unique<WScreenCanvas>(this);
}

WShowWindow::~WShowWindow() { destroyForm(); }

void WShowWindow::postUserEvent(int code) { QCoreApplication::postEvent(this, new WUserEvent(code)); }

void WShowWindow::destroyForm() {
    if (destroyed_) return;
    destroyed_ = true;
    DestroyEvent.raise();
}

void WShowWindow::handleClose(QEvent* event) {
    if (CloseEvent.raise()) {
        event->ignore();
        return;
    }
    event->accept();
    hide();
    destroyForm();
}

bool WShowWindow::event(QEvent* e) {
    const QEvent::Type type = e->type();
    if (type == WUserEvent::eventType()) {
        UserEvent.raise(static_cast<WUserEvent*>(e)->code);
        return true;
    }
    if (type == WCloseRequestEvent::eventType()) {
        handleClose(e);
        return true;
    }
    if (type == WMonitorPowerEvent::eventType()) return true;
    switch (type) {
    case QEvent::Close: handleClose(e); return true;
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(e);
        // Alt combinations and F10 are system keys: consumed, never a shortcut or a close.
        if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10 || key->key() == Qt::Key_Alt) {
            SystemKeyDownEvent.raise(key->key());
            return true;
        }
        KeyDownEvent.raise(key->key(), key->isAutoRepeat());
        return true;
    }
    case QEvent::ShortcutOverride:
        e->accept();  // no shortcut of any kind acts on the show
        return true;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(e);
        const QPoint at = mouse->position().toPoint();
        if (mouse->button() == Qt::LeftButton) LeftButtonDownEvent.raise(at);
        else if (mouse->button() == Qt::RightButton) RightButtonDownEvent.raise(at);
        else if (mouse->button() == Qt::MiddleButton) MiddleButtonDownEvent.raise(at);
        return true;
    }
    case QEvent::MouseMove: MouseMoveEvent.raise(static_cast<QMouseEvent*>(e)->position().toPoint()); return true;
    default: return QWindow::event(e);
    }
}

void WShowWindow::exposeEvent(QExposeEvent*) {
    if (isExposed()) PaintEvent.raise();
}

void WShowWindow::resizeEvent(QResizeEvent*) {
    const qreal ratio = devicePixelRatio();
    canvas_->resize(QSize(qRound(width() * ratio), qRound(height() * ratio)));
}

}  // namespace orvanta
