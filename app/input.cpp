#include "app/input.h"

#include <QKeyEvent>
#include <cmath>

#include "app/exitrules.h"
#include "app/form1.h"
#include "app/showmusic.h"
#include "app/showroutine.h"
#include "framework/x11platform.h"

namespace orvanta {

namespace {

enum class KeyAction { Back, Forward, Favourite, MusicSkip, MusicReplay, Pause, Other };

KeyAction actionOf(int key) {
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

bool timedShow(const Form1& form) { return form.settings.Duration != 0; }

// Keys of a timed show: each is discarded after its action, also when the
// action was skipped.
bool timedShowKey(Form1& form, KeyAction action) {
    switch (action) {
    case KeyAction::Back:
        if (!form.changing && !form.noPictures) {
            form.showTimer.stop();
            stepBackPosition(form);
            loadUntilSuccess(form);
            if (!form.ended) form.showTimer.fireNow();
        }
        return true;
    case KeyAction::Forward:
        if (!form.changing) {
            form.showTimer.stop();
            form.showTimer.fireNow();
        }
        return true;
    case KeyAction::Favourite:
        if (!form.changing) addFavourite(form);
        return true;
    case KeyAction::MusicSkip:
        skipMusic(form);
        return true;
    case KeyAction::MusicReplay:
        replayMusic(form);
        return true;
    case KeyAction::Pause:
        if (!form.changing) pauseShow(form);
        return true;
    case KeyAction::Other: return false;
    }
    return false;
}

bool manualShowKey(Form1& form, KeyAction action) {
    switch (action) {
    case KeyAction::Back:
        form.window.LeftButtonDownEvent.raise(QPoint());
        return true;
    case KeyAction::Forward:
        form.window.RightButtonDownEvent.raise(QPoint());
        return true;
    case KeyAction::Favourite:
        addFavourite(form);
        return true;
    case KeyAction::MusicSkip:
        skipMusic(form);
        return true;
    case KeyAction::MusicReplay:
        replayMusic(form);
        return true;
    case KeyAction::Pause:
        return true;
    case KeyAction::Other:
        // Let the key reach KeyDownEvent as if the show were timed, so that it leaves.
        form.settings.Duration = 999999;
        return false;
    }
    return false;
}

void onMouseMove(Form1& form, QPoint at) {
    if (form.ended || !form.window.isVisible() || form.settings.IgnoreMouse) return;
    ++form.mouseMoveCount;
    if (form.mouseMoveCount == 1) return;  // the first movement after start-up is ignored
    if (form.mouseMoveCount == 2) {
        form.mouseOrigin = at;
        return;
    }
    if (form.previewFlag || !timedShow(form)) return;
    const double dx = at.x() - form.mouseOrigin.x();
    const double dy = at.y() - form.mouseOrigin.y();
    if (std::sqrt(dx * dx + dy * dy) > kMouseTravelLimit) form.exitRequested = requestExit(form);
}

}  // namespace

bool keyFilter(Form1& form, QObject* target, QEvent* event) {
    const QEvent::Type type = event->type();
    // 1. The close request from outside: only with the close code, and then
    // without any of endShow's steps.
    if (type == WCloseRequestEvent::eventType()) {
        if (form.ended) return false;
        if (static_cast<WCloseRequestEvent*>(event)->code == x11::kCloseCode) {
            form.ended = true;
            return false;
        }
        return true;
    }
    // 3. The monitor going to low power or off ends the show.
    if (type == WMonitorPowerEvent::eventType()) {
        const int level = static_cast<WMonitorPowerEvent*>(event)->level;
        if ((level == 1 || level == 2) && !form.previewFlag && !form.ended) form.exitRequested = requestExit(form);
        return false;
    }
    if (type != QEvent::KeyPress || target != &form.window || form.passwordDialog) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::AltModifier) || key->key() == Qt::Key_F10) return false;  // system keys
    const KeyAction action = actionOf(key->key());
    // 4. Timed show.
    if (timedShow(form)) return timedShowKey(form, action);
    // 5. P in a manual show does nothing.
    if (action == KeyAction::Pause) return true;
    // 6. Manual show, unless a picture change is under way (keys are then lost).
    if (!form.changing) return manualShowKey(form, action);
    return false;
}

void installShowHandlers(Form1& form) {
    Form1* f = &form;
    form.window.KeyDownEvent.connect([f](int, bool) {
        if (!f->previewFlag && timedShow(*f)) f->exitRequested = requestExit(*f);
        return true;
    });
    form.window.SystemKeyDownEvent.connect([](int) { return true; });
    form.window.MiddleButtonDownEvent.connect([f](QPoint) {
        if (!f->previewFlag && timedShow(*f)) f->exitRequested = requestExit(*f);
        return true;
    });
    form.window.LeftButtonDownEvent.connect([f](QPoint) {
        if (f->previewFlag) return true;
        if (timedShow(*f) || f->noPictures) f->exitRequested = requestExit(*f);
        else stepBackManual(*f);
        return true;
    });
    form.window.RightButtonDownEvent.connect([f](QPoint) {
        if (f->previewFlag) return true;
        if (timedShow(*f) || f->noPictures) f->exitRequested = requestExit(*f);
        else stepForwardManual(*f);
        return true;
    });
    form.window.MouseMoveEvent.connect([f](QPoint at) {
        onMouseMove(*f, at);
        return true;
    });
    form.window.PaintEvent.connect([f] {
        if (!f->firstPaintDone) {
            // The first paint does not copy the back buffer (it holds nothing
            // yet); it only puts on screen what has been drawn so far.
            f->firstPaintDone = true;
            f->window.canvas().flushAll();
            return true;
        }
        repaintFromBackBuffer(*f);
        return true;
    });
    form.showTimer.TimerEvent.connect([f] {
        onTimerTick(*f);
        return true;
    });
}

}  // namespace orvanta
