#pragma once
// The state of one run of the show, and the one place that decides what may
// run now.
//
// Long work (decoding, composing, every transition step, the list build)
// lets pending events in through the event pump, so input handlers run
// inside it. Nothing is started by a handler directly: a step (the show
// timer's tick, a step key, a manual mouse button, a new window size) asks
// admit(), which starts it, queues it, or drops it, from the run's phase and
// from whether the request arrived inside a pump:
//
//   phase      a step (Tick, Forward, Back)      Resize
//   Starting   dropped                           at once; queued inside a pump
//   Idle       at once; queued inside a pump     at once; queued inside a pump
//   Changing   dropped                           queued
//   Loading    queued                            queued
//   Ended      dropped                           dropped
//
// A run without pictures drops every step but Resize. The queue keeps one
// step and one resize: a later key replaces an earlier queued step, a tick
// only fills an empty place, and the resize is carried out first. So a held
// key (hundreds of requests during one decode) is one step afterwards, and
// no step ever starts inside another.
#include <optional>

namespace orvanta {

// What the show is asked to do. In a timed show Tick and Forward both show
// the next picture at once; Back steps back one picture. Resize follows a new
// size of the window: the canvases are made again and the picture on view is
// composed anew.
enum class Step { Tick, Forward, Back, Resize };

enum class RunPhase {
    Starting,  // settings, lists and music being prepared; no picture shown yet
    Idle,      // a picture is on view (or none can be) and nothing is under way
    Changing,  // a step is under way: composing, the transition, the overlays
    Loading,   // a picture is decoded (or the splash waited for) during a step
    Ended,     // the run is ending: nothing starts again; never left
};

// Whether the phase may go from `from` to `to`. Ended is reached from every
// phase and never left; the others only along the edges a run takes.
bool phaseMayChange(RunPhase from, RunPhase to);

// The steps asked for while the show could not take them, at most one step
// and one resize (see above).
class StepQueue {
public:
    void push(Step step);
    // The next step to carry out, a resize first; it is forgotten here.
    std::optional<Step> take();
    bool empty() const { return !step_ && !resize_; }
    void clear() { *this = StepQueue(); }

private:
    std::optional<Step> step_;
    bool resize_ = false;
};

class RunState {
public:
    enum class Admission { Start, Queued, Dropped };

    RunPhase phase() const { return phase_; }

    // The run is ending: every loop stops and no step starts. Never undone.
    bool ended() const { return phase_ == RunPhase::Ended; }
    void end();

    // The pictures are shown from now on; before this, steps are dropped.
    void beginShow();

    // The catalogue found nothing to show, or every picture failed to load.
    bool noPictures() const { return noPictures_; }
    void setNoPictures() { noPictures_ = true; }
    // Loads and picture changes may go on: the run has not ended and has pictures.
    bool picturesGoOn() const { return !ended() && !noPictures_; }

    // A key leaves a manual show: it then reaches the key handler as in a
    // timed show, which leaves.
    void leaveManualShow() { leavingManualShow_ = true; }
    bool leavingManualShow() const { return leavingManualShow_; }

    // User input asked to leave; a running transition stops after its step.
    bool exitRequested() const { return exitRequested_; }
    void setExitRequested() { exitRequested_ = true; }
    // What a transition checks after each of its steps.
    bool stopRequested() const { return ended() || exitRequested_; }

    // A picture change (a step) is under way, a decode within it included.
    bool changing() const { return phase_ == RunPhase::Changing || phase_ == RunPhase::Loading || changedBeforeEnd_; }
    // A picture is being decoded.
    bool loading() const { return phase_ == RunPhase::Loading; }
    // Nothing is under way and the run goes on: keys such as pause and
    // favourite act only then.
    bool idle() const { return phase_ == RunPhase::Starting || phase_ == RunPhase::Idle; }
    // The window may close: only once the run has ended.
    bool mayClose() const { return ended(); }

    // Whether `step`, asked for now, starts, is queued, or is dropped;
    // `insidePump` says that the request arrives from a handler that runs
    // inside long work.
    Admission admit(Step step, bool insidePump);
    // The step queued meanwhile, if any, a resize first; it is forgotten here.
    std::optional<Step> takeQueued() { return queue_.take(); }

    // Holds the run in a phase for its lifetime: the phase is entered where
    // that is an edge of the run, and left for the one before afterwards
    // unless the run ended meanwhile (an ended run stays ended while it closes).
    class PhaseHold {
    public:
        PhaseHold(const PhaseHold&) = delete;
        PhaseHold& operator=(const PhaseHold&) = delete;

    protected:
        PhaseHold(RunState& state, RunPhase phase);
        ~PhaseHold();

    private:
        RunState& state_;
        RunPhase phase_;
        std::optional<RunPhase> before_;
    };

    // A picture change (a step); the exit request is cleared as it starts.
    class Change : public PhaseHold {
    public:
        explicit Change(RunState& state) : PhaseHold(state, RunPhase::Changing) { state.exitRequested_ = false; }
    };

    // A decode (or the wait for the splash) within a change.
    class Loading : public PhaseHold {
    public:
        explicit Loading(RunState& state) : PhaseHold(state, RunPhase::Loading) {}
    };

private:
    // Moves to `to` when that is an edge of the run; false (nothing changes)
    // otherwise.
    bool enter(RunPhase to);

    RunPhase phase_ = RunPhase::Starting;
    bool showing_ = false;
    bool noPictures_ = false;
    bool exitRequested_ = false;
    bool leavingManualShow_ = false;
    // The run ended during a change: it stays "changing" while it closes.
    bool changedBeforeEnd_ = false;
    StepQueue queue_;
};

}  // namespace orvanta
