#pragma once
// The show form's window: a frameless, stay-on-top raster window whose Qt
// events are raised as the form's named events. Handlers return true when
// they handled the event (no default processing follows).
#include <QEvent>
#include <QPoint>
#include <QWindow>
#include <memory>

#include "framework/WEvent.h"
#include "framework/WScreenCanvas.h"

namespace orvanta {

// Posted events of the framework: a user event with one integer code, the
// close request sent from outside (carrying its code), and a change of the
// monitor's power state (1 low power, 2 off, -1 on).
class WUserEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit WUserEvent(int userCode) : QEvent(eventType()), code(userCode) {}
    int code;
};

class WCloseRequestEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit WCloseRequestEvent(long closeCode) : QEvent(eventType()), code(closeCode) {}
    long code;
};

class WMonitorPowerEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit WMonitorPowerEvent(int powerLevel) : QEvent(eventType()), level(powerLevel) {}
    int level;
};

class WShowWindow : public QWindow {
public:
    WShowWindow();
    ~WShowWindow() override;

    WScreenCanvas& canvas() { return *canvas_; }
    // Posts a user event with one integer code through the queue.
    void postUserEvent(int code);
    // Destroys the window after a close was let through; raises DestroyEvent once.
    void destroyForm();
    bool destroyed() const { return destroyed_; }

    WEvent<> CreateEvent;  // raised once by whoever creates the form
    WEvent<> CloseEvent;   // true refuses the close
    WEvent<> DestroyEvent;
    WEvent<> PaintEvent;
    WEvent<int, bool> KeyDownEvent;  // Qt key, auto-repeat
    WEvent<int> SystemKeyDownEvent;
    WEvent<QPoint> LeftButtonDownEvent;
    WEvent<QPoint> RightButtonDownEvent;
    WEvent<QPoint> MiddleButtonDownEvent;
    WEvent<QPoint> MouseMoveEvent;
    WEvent<int> UserEvent;

protected:
    bool event(QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void handleClose(QEvent* event);
    std::unique_ptr<WScreenCanvas> canvas_;
    bool destroyed_ = false;
};

}  // namespace orvanta
