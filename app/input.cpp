#include "app/input.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>

#include "app/exitrules.h"
#include "app/form1.h"
#include "app/showmusic.h"
#include "framework/WMessageFilter.h"
#include "framework/x11platform.h"

namespace orvanta {

namespace {

// The key filter runs before the other application filters.
constexpr int kKeyFilterPriority = 64;

}  // namespace

ShowInput::KeyAction ShowInput::actionOf(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_B: return KeyAction::Back;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_C: return KeyAction::Forward;
    case Qt::Key_F: return KeyAction::Favourite;
    case Qt::Key_M: return KeyAction::MusicSkip;
    case Qt::Key_R: return KeyAction::MusicReplay;
    case Qt::Key_P: return KeyAction::Pause;
    default: return KeyAction::Other;
    }
}

// Keys of a timed show: each is discarded after its action, also when the
// action was skipped. Whether a step starts is the show state's to decide.
bool ShowInput::timedShowKey(KeyAction action) {
    switch (action) {
    case KeyAction::Back: form_.show().request(Step::Back); return true;
    case KeyAction::Forward: form_.show().request(Step::Forward); return true;
    case KeyAction::Favourite:
        if (form_.state().idle()) form_.show().addFavourite();
        return true;
    case KeyAction::MusicSkip: skipMusic(form_); return true;
    case KeyAction::MusicReplay: replayMusic(form_); return true;
    case KeyAction::Pause:
        if (form_.state().idle()) form_.show().pause();
        return true;
    case KeyAction::Other: return false;
    }
    return false;
}

// Keys of a manual show. The steps go through the mouse-button handlers, as
// the buttons step too; P does nothing.
bool ShowInput::manualShowKey(KeyAction action) {
    switch (action) {
    case KeyAction::Back: form_.window().LeftButtonDownEvent.raise(QPoint()); return true;
    case KeyAction::Forward: form_.window().RightButtonDownEvent.raise(QPoint()); return true;
    case KeyAction::Pause: return true;
    case KeyAction::MusicSkip: skipMusic(form_); return true;
    case KeyAction::MusicReplay: replayMusic(form_); return true;
    case KeyAction::Favourite:
    case KeyAction::Other:
        // Keys pressed while a picture changes reach the key handler, which
        // ignores them in a manual show.
        if (!form_.state().idle()) return false;
        if (action == KeyAction::Favourite) {
            form_.show().addFavourite();
            return true;
        }
        // Any other key leaves: it reaches the key handler as in a timed show.
        form_.settings().Duration = kLeavingManualShow;
        return false;
    }
    return false;
}

void ShowInput::onMouseMove(QPoint at) {
    if (form_.state().ended() || !form_.window().isVisible() || form_.settings().IgnoreMouse) return;
    ++mouseMoveCount_;
    if (mouseMoveCount_ == 1) return;  // the first movement after start-up is ignored
    if (mouseMoveCount_ == 2) {
        mouseOrigin_ = at;
        return;
    }
    if (form_.preview() || !form_.timed()) return;
    const double dx = at.x() - mouseOrigin_.x();
    const double dy = at.y() - mouseOrigin_.y();
    if (std::sqrt(dx * dx + dy * dy) > kMouseTravelLimit) requestExit(form_);
}

// Left and right buttons: a manual show steps, any other show is left.
void ShowInput::onButton(bool back) {
    if (form_.preview()) return;
    if (form_.timed() || form_.state().noPictures()) requestExit(form_);
    else form_.show().request(back ? Step::Back : Step::Forward);
}

bool ShowInput::filter(QObject* target, QEvent* event) {
    const QEvent::Type type = event->type();
    ShowState& state = form_.state();
    // The close request from outside ends the run only with the close code,
    // and then without any of endShow's steps (no LastImage, no notice).
    if (type == WCloseRequestEvent::eventType()) {
        if (state.ended()) return false;
        if (static_cast<WCloseRequestEvent*>(event)->code == x11::kCloseCode) {
            state.end();
            return false;
        }
        return true;
    }
    // The monitor going to low power or off ends the show.
    if (type == WMonitorPowerEvent::eventType()) {
        const int level = static_cast<WMonitorPowerEvent*>(event)->level;
        if ((level == 1 || level == 2) && !form_.preview() && !state.ended()) requestExit(form_);
        return false;
    }
    if (type != QEvent::KeyPress || target != &form_.window()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return false;  // system keys
    const KeyAction action = actionOf(key->key());
    return form_.timed() ? timedShowKey(action) : manualShowKey(action);
}

void ShowInput::installHandlers() {
    WShowWindow& window = form_.window();
    window.KeyDownEvent.connect([this](int, bool) {
        if (!form_.preview() && form_.timed()) requestExit(form_);
        return true;
    });
    window.SystemKeyDownEvent.connect([](int) { return true; });
    window.MiddleButtonDownEvent.connect([this](QPoint) {
        if (!form_.preview() && form_.timed()) requestExit(form_);
        return true;
    });
    window.LeftButtonDownEvent.connect([this](QPoint) {
        onButton(true);
        return true;
    });
    window.RightButtonDownEvent.connect([this](QPoint) {
        onButton(false);
        return true;
    });
    window.MouseMoveEvent.connect([this](QPoint at) {
        onMouseMove(at);
        return true;
    });
    installDisplayHandlers();
}

void ShowInput::installDisplayHandlers() {
    WShowWindow& window = form_.window();
    window.PaintEvent.connect([this] {
        form_.show().repaint();
        return true;
    });
    form_.show().timer().TimerEvent.connect([this] {
        form_.show().request(Step::Tick);
        return true;
    });
}

void ShowInput::startWatching() {
    keyFilterId_ = installMessageFilter(kKeyFilterPriority,
                                        [this](QObject* target, QEvent* event) { return filter(target, event); });
    WShowWindow* window = &form_.window();
    x11::setCloseMessageHandler(
        [window](unsigned long, long code) { QCoreApplication::postEvent(window, new WCloseRequestEvent(code)); });
    // The X server reports the monitor's power state; it is polled while the
    // show runs and reaches the key filter as a posted event.
    powerWatch_ = new QTimer(window);
    QObject::connect(powerWatch_, &QTimer::timeout, window, [window] {
        const x11::MonitorPower power = x11::monitorPower();
        if (power == x11::MonitorPower::Standby || power == x11::MonitorPower::Suspend)
            QCoreApplication::postEvent(window, new WMonitorPowerEvent(1));
        else if (power == x11::MonitorPower::Off) QCoreApplication::postEvent(window, new WMonitorPowerEvent(2));
    });
    powerWatch_->start(1000);
}

void ShowInput::stopWatching() {
    if (keyFilterId_ >= 0) removeMessageFilter(keyFilterId_);
    keyFilterId_ = -1;
    if (powerWatch_) powerWatch_->stop();
}

}  // namespace orvanta
