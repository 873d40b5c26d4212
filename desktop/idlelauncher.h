#pragma once
// The idle launcher's decisions, apart from where the idle time comes from
// and how the show is run: when to start the show, when to count the idle
// time again, and how the launcher ends.
//
// A source of idle time tells when the session has been idle for the
// launcher's time ("idled"), once per idle spell: the next one comes only
// after input and the whole time again. After every show the count starts
// again from the show's end, so that a show never follows the one the user
// has just left.
#include <chrono>

namespace orvanta {

enum class LauncherEvent {
    Idled,      // the idle time reached the launcher's time
    ShowEnded,  // the show the launcher started has ended (or could not start)
    Stop,       // SIGTERM, SIGINT or SIGHUP reached the launcher, or its source went away
};

enum class LauncherAction {
    Nothing,
    StartShow,     // run the show
    RestartCount,  // count the idle time from now on
    StopShow,      // end the running show (LauncherEvent::ShowEnded follows)
    End,           // the launcher ends, no show of its own running
};

class IdleLauncher {
public:
    // `showElsewhere`: a show started by other means runs now (asked only
    // when the idle time is reached). Then no second one starts.
    LauncherAction on(LauncherEvent event, bool showElsewhere = false);
    bool showRunning() const { return showRunning_; }

private:
    bool showRunning_ = false;
    bool stopping_ = false;
};

// Idle spells from an idle time that is read rather than announced (the X
// screen saver extension's). All times in milliseconds of one steady clock.
class PolledIdle {
public:
    explicit PolledIdle(std::chrono::milliseconds time) : time_(time) {}
    // One reading: `idle` since the last input, `inhibited` when something
    // holds blanking off now. True once per spell, when the idle time
    // counted since the last input, the last restart and the last inhibited
    // reading (and the first one after those) has reached the launcher's time.
    bool read(std::chrono::milliseconds now, std::chrono::milliseconds idle, bool inhibited);
    // Idle time before `now` no longer counts.
    void restart(std::chrono::milliseconds now);
    // How long after the last reading the next one is due: the time still
    // missing, or a short interval within a spell to notice the input that
    // ends it. Never below 100 ms.
    std::chrono::milliseconds nextReading() const { return next_; }

private:
    std::chrono::milliseconds time_;
    std::chrono::milliseconds countFrom_{0};
    std::chrono::milliseconds next_{100};
    bool restarted_ = false;
    bool inSpell_ = false;
    bool wasInhibited_ = false;
};

// One reading of the X screen saver extension: its state, the idle time,
// and the X server's own screen saver time (0 when switched off).
struct SaverReading {
    enum class State { Off, On, Disabled };
    State state = State::Off;
    std::chrono::milliseconds idle{0};
    std::chrono::milliseconds serverTime{0};
};
// Whether a client holds the X server's blanking off. HeldOff: its own
// screen saver time has run out, by a second, without the saver coming on
// (a client has suspended it; the extension reports a suspension no other
// way), or the saver has been switched off since the launcher started
// (`disabledAtStart` false). Unsure: within that second, when the server's
// timer may be about to fire; a reading a second later tells.
enum class Blanking { Free, HeldOff, Unsure };
Blanking blankingOf(const SaverReading& reading, bool disabledAtStart);

}  // namespace orvanta
