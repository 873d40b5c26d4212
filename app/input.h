#pragma once
// Input during the show: the key filter that sees every event first, the
// form's key, mouse, paint and timer handlers, and the monitor's power state.
#include <QPoint>

class QEvent;
class QObject;
class QTimer;

namespace orvanta {

class Form1;

// Mouse travel beyond this distance from the origin ends a timed show.
inline constexpr double kMouseTravelLimit = 75.0;
// Duration while a manual show is being left: the key that leaves then reaches
// the key handler as in a timed show.
inline constexpr int kLeavingManualShow = 999999;

class ShowInput {
public:
    explicit ShowInput(Form1& form) : form_(form) {}
    ShowInput(const ShowInput&) = delete;
    ShowInput& operator=(const ShowInput&) = delete;

    // Connects the form's key, mouse, paint and timer handlers.
    void installHandlers();
    // Only the paint and timer handlers: a show that reads no input (drawn
    // into a daemon's window, which owns the keyboard and mouse).
    void installDisplayHandlers();
    // Show mode: the key filter, the close message and the monitor's power state.
    void startWatching();
    // Teardown: no filter and no watching any more.
    void stopWatching();

    // The key filter: true when the event was handled (it is then discarded).
    bool filter(QObject* target, QEvent* event);

private:
    enum class KeyAction { Back, Forward, Favourite, MusicSkip, MusicReplay, Pause, Other };
    static KeyAction actionOf(int key);
    bool timedShowKey(KeyAction action);
    bool manualShowKey(KeyAction action);
    void onMouseMove(QPoint at);
    void onButton(bool back);

    Form1& form_;
    QPoint mouseOrigin_;
    int mouseMoveCount_ = 0;
    int keyFilterId_ = -1;
    QTimer* powerWatch_ = nullptr;
};

}  // namespace orvanta
