#pragma once
// A window of another program that one of ours draws inside: a screen-saver
// daemon's window, or the preview area of a settings program. The host is
// watched through the X server itself: its size is read when attaching and
// followed through its configure notices, and its destruction is seen the
// moment the server reports it, whoever destroys it and however.
#include <QRect>
#include <QSize>
#include <memory>

#include "framework/WEvent.h"

class QWindow;

namespace orvanta {

class WHostWindow {
public:
    // Attaches to the X window with that id. isValid() is false when there is
    // no X connection or no such window (nothing is reported on the way).
    explicit WHostWindow(unsigned long id);
    // Takes a still embedded child out of the host first (its native window
    // is destroyed; the QWindow object itself stays the caller's).
    ~WHostWindow();
    WHostWindow(const WHostWindow&) = delete;
    WHostWindow& operator=(const WHostWindow&) = delete;

    bool isValid() const;
    unsigned long id() const;
    // The host's size in device pixels, kept current.
    QSize size() const;
    bool destroyed() const;
    // Where the host is on the screen: its rectangle in the root window's
    // coordinates (device pixels), asked of the server now. Empty when the
    // host is gone.
    QRect rootGeometry() const;

    // Makes child a child window of the host at (0, 0) covering it, shows it,
    // and keeps it covering the host through every resize. The host becomes
    // child's QObject parent in Qt; the caller still owns child and deletes it
    // before this object (or lets this object take it out of the host).
    void embed(QWindow* child);

    // Raised from the event loop (never inside another handler's call):
    WEvent<QSize> ResizeEvent;  // the host's new size, after the child was made to cover it
    WEvent<> DestroyEvent;      // the host window no longer exists

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvanta
