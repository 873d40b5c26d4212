#pragma once
// The run state of a show, and the one place that decides what a step may do.
//
// Decoding, composing and every transition step let pending events run, so
// any input handler can run inside any other. A step (the show timer's tick,
// a step key, a manual mouse button) is therefore never started by hand: it
// is admitted here. While a decode runs, a step is remembered and carried out
// once the decode and the picture change around it have returned; while a
// picture is being changed otherwise (composing, the transition), a step is
// dropped; once the run has ended nothing starts again.
#include <optional>

namespace orvanta {

// What the show is asked to do. In a timed show Tick and Forward both show
// the next picture at once; Back steps back one picture. Resize follows a
// new size of the window: the canvases are made again and the picture on
// view is composed anew.
enum class Step { Tick, Forward, Back, Resize };

class ShowState {
public:
    enum class Admission { Start, Remembered, Dropped };

    // The run is ending: every loop stops and no step starts. Never cleared.
    bool ended() const { return ended_; }
    void end() { ended_ = true; }

    // The pictures are shown from now on; before this, steps are dropped.
    void beginShow() { showing_ = true; }
    bool showing() const { return showing_; }

    // The catalogue found nothing to show, or every picture failed to load.
    bool noPictures() const { return noPictures_; }
    void setNoPictures() { noPictures_ = true; }
    // Loads and picture changes may go on: the run has not ended and has pictures.
    bool picturesGoOn() const { return !ended_ && !noPictures_; }

    // User input asked to leave; a running transition stops after its step.
    bool exitRequested() const { return exitRequested_; }
    void setExitRequested() { exitRequested_ = true; }
    // What a transition checks after each of its steps.
    bool stopRequested() const { return ended_ || exitRequested_; }

    // A picture change (a step) is under way.
    bool changing() const { return changing_; }
    // A picture is being decoded.
    bool loading() const { return loading_; }
    // No picture change or decode is under way and the run goes on: keys
    // such as pause and favourite act only then.
    bool idle() const { return !ended_ && !changing_ && !loading_; }

    // Whether `step` may start now; a remembered step replaces an earlier
    // remembered one, except that a tick never replaces a key's step.
    // Resize is never dropped while the run goes on, nor does it replace a
    // step or wait for the pictures to be shown: it is remembered on its own
    // during any picture change or decode and starts at once otherwise.
    Admission admit(Step step);
    // The step remembered during a decode, if any, a resize first; it is
    // forgotten here.
    std::optional<Step> takeRemembered();

    // Marks a picture change for its lifetime. It starts with the exit
    // request cleared; the changing mark stays set when the run ended meanwhile.
    class Change {
    public:
        explicit Change(ShowState& state);
        ~Change();
        Change(const Change&) = delete;
        Change& operator=(const Change&) = delete;

    private:
        ShowState& state_;
        bool outer_;
    };

    // Marks a decode for its lifetime.
    class Loading {
    public:
        explicit Loading(ShowState& state);
        ~Loading();
        Loading(const Loading&) = delete;
        Loading& operator=(const Loading&) = delete;

    private:
        ShowState& state_;
        bool outer_;
    };

private:
    bool ended_ = false;
    bool showing_ = false;
    bool noPictures_ = false;
    bool exitRequested_ = false;
    bool changing_ = false;
    bool loading_ = false;
    std::optional<Step> remembered_;
    bool resizeRemembered_ = false;
};

}  // namespace orvanta
