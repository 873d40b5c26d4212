#include "app/input.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cmath>

#include "app/showcommands.h"
#include "framework/WMessageFilter.h"
#include "framework/WShowWindow.h"
#include "framework/WTimer.h"
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
    case KeyAction::Back: ports_.commands.request(Step::Back); return true;
    case KeyAction::Forward: ports_.commands.request(Step::Forward); return true;
    case KeyAction::Favourite:
        if (ports_.state.idle()) ports_.commands.addFavourite();
        return true;
    case KeyAction::MusicSkip: ports_.commands.skipMusic(); return true;
    case KeyAction::MusicReplay: ports_.commands.replayMusic(); return true;
    case KeyAction::Pause:
        if (ports_.state.idle()) ports_.commands.pause();
        return true;
    case KeyAction::Other: return false;
    }
    return false;
}

// Keys of a manual show. The steps go through the mouse-button handlers, as
// the buttons step too; P does nothing.
bool ShowInput::manualShowKey(KeyAction action) {
    switch (action) {
    case KeyAction::Back: ports_.window.LeftButtonDownEvent.raise(QPoint()); return true;
    case KeyAction::Forward: ports_.window.RightButtonDownEvent.raise(QPoint()); return true;
    case KeyAction::Pause: return true;
    case KeyAction::MusicSkip: ports_.commands.skipMusic(); return true;
    case KeyAction::MusicReplay: ports_.commands.replayMusic(); return true;
    case KeyAction::Favourite:
    case KeyAction::Other:
        // Keys pressed while a picture changes reach the key handler, which
        // ignores them in a manual show.
        if (!ports_.state.idle()) return false;
        if (action == KeyAction::Favourite) {
            ports_.commands.addFavourite();
            return true;
        }
        // Any other key leaves: it reaches the key handler as in a timed show.
        ports_.leaveManualShow();
        return false;
    }
    return false;
}

void ShowInput::onMouseMove(QPoint at) {
    if (ports_.state.ended() || !ports_.window.isVisible() || ports_.options.settings().IgnoreMouse) return;
    ++mouseMoveCount_;
    if (mouseMoveCount_ == 1) return;  // the first movement after start-up is ignored
    if (mouseMoveCount_ == 2) {
        mouseOrigin_ = at;
        return;
    }
    if (ports_.mode.preview || !timed()) return;
    const double dx = at.x() - mouseOrigin_.x();
    const double dy = at.y() - mouseOrigin_.y();
    if (std::sqrt(dx * dx + dy * dy) > kMouseTravelLimit) ports_.commands.requestExit();
}

// Left and right buttons: a manual show steps, any other show is left.
void ShowInput::onButton(bool back) {
    if (ports_.mode.preview) return;
    if (timed() || ports_.state.noPictures()) ports_.commands.requestExit();
    else ports_.commands.request(back ? Step::Back : Step::Forward);
}

bool ShowInput::filter(QObject* target, QEvent* event) {
    const QEvent::Type type = event->type();
    const RunState& state = ports_.state;
    // The close request from outside ends the run only with the close code,
    // and then without any of endShow's steps (no LastImage, no notice).
    if (type == WCloseRequestEvent::eventType()) {
        if (state.ended()) return false;
        if (static_cast<WCloseRequestEvent*>(event)->code == x11::kCloseCode) {
            ports_.commands.endWithoutFarewell();
            return false;
        }
        return true;
    }
    // The monitor going to low power or off ends the show.
    if (type == WMonitorPowerEvent::eventType()) {
        const int level = static_cast<WMonitorPowerEvent*>(event)->level;
        if ((level == 1 || level == 2) && !ports_.mode.preview && !state.ended()) ports_.commands.requestExit();
        return false;
    }
    if (type != QEvent::KeyPress || target != &ports_.window) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return false;  // system keys
    const KeyAction action = actionOf(key->key());
    return timed() ? timedShowKey(action) : manualShowKey(action);
}

void ShowInput::installHandlers() {
    WShowWindow& window = ports_.window;
    window.KeyDownEvent.connect([this](int, bool) {
        if (!ports_.mode.preview && timed()) ports_.commands.requestExit();
        return true;
    });
    window.SystemKeyDownEvent.connect([](int) { return true; });
    window.MiddleButtonDownEvent.connect([this](QPoint) {
        if (!ports_.mode.preview && timed()) ports_.commands.requestExit();
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
    WShowWindow& window = ports_.window;
    window.PaintEvent.connect([this] {
        ports_.commands.repaint();
        return true;
    });
    ports_.timer.TimerEvent.connect([this] {
        ports_.commands.request(Step::Tick);
        return true;
    });
}

void ShowInput::startWatching() {
    keyFilterId_ = installMessageFilter(kKeyFilterPriority,
                                        [this](QObject* target, QEvent* event) { return filter(target, event); });
    WShowWindow* window = &ports_.window;
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
