#pragma once
// Input during the show: the key filter that sees every event first, the
// form's key, mouse, paint and timer handlers, and the monitor's power state.
#include <QPoint>
#include <functional>

#include "show/run/runoptions.h"
#include "show/run/runstate.h"

class QEvent;
class QObject;
class QTimer;

namespace orvanta {

class ShowCommands;
class WShowWindow;
class WTimer;

// Mouse travel beyond this distance from the origin ends a timed show.
inline constexpr double kMouseTravelLimit = 75.0;

// What the input handlers read and whom they ask; each outlives them.
struct ShowInputPorts {
    const RunState& state;
    const RunOptions& options;  // fixed once the run begins
    const RunKind& mode;
    WShowWindow& window;  // whose events are handled
    WTimer& timer;        // the show timer, whose ticks are steps
    ShowCommands& commands;
    // A key leaves a manual show (see RunState::leaveManualShow).
    std::function<void()> leaveManualShow;
};

class ShowInput {
public:
    explicit ShowInput(ShowInputPorts ports) : ports_(std::move(ports)) {}
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
    // A timed show, or a manual one being left.
    bool timed() const { return ports_.options.timed() || ports_.state.leavingManualShow(); }

    ShowInputPorts ports_;
    QPoint mouseOrigin_;
    int mouseMoveCount_ = 0;
    int keyFilterId_ = -1;
    QTimer* powerWatch_ = nullptr;
};

}  // namespace orvanta
