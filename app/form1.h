#pragma once
// The show form: the one top-level form of every run. It creates the run's
// collaborators and connects them, and does nothing else:
//   - the window, the stored settings record and the run mode;
//   - the run's options, fixed from the loaded settings when the run begins;
//   - RunState: the phase of the run and the steps queued meanwhile;
//   - the event pump through which long work lets events in;
//   - SlideShow: the pictures, the canvases, the show timer and the routine;
//   - ShowInput: the key filter and the mouse, key, paint and timer handlers;
//   - RunMusic and ShowEnding: the music and how the run ends.
// In the display mode of a screen-saver daemon it also holds the daemon's
// window the show is drawn into.
#include <memory>

#include "app/exitrules.h"
#include "app/input.h"
#include "app/showcommands.h"
#include "app/showmusic.h"
#include "app/showroutine.h"
#include "base/singleinstance.h"
#include "framework/WShowWindow.h"
#include "framework/qteventpump.h"
#include "framework/showcursor.h"
#include "settings/settings.h"
#include "show/run/runoptions.h"
#include "show/run/runstate.h"

namespace orvanta {

class HackWindow;

class Form1 {
public:
    Form1();
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    WShowWindow& window() { return window_; }
    // The stored settings, as start-up loads them; the run reads its options
    // instead, and nothing writes here once the run has begun.
    Settings& settings() { return settings_; }
    // Fixes the run's options from the loaded settings and the run mode.
    void beginRun() { options_ = RunOptions(settings_, mode_); }
    const RunOptions& options() const { return options_; }
    // The run mode, as start-up finds it.
    RunKind& mode() { return mode_; }
    const RunKind& mode() const { return mode_; }

    RunState& state() { return state_; }
    const RunState& state() const { return state_; }
    EventPump& pump() { return pump_; }
    SlideShow& show() { return show_; }
    ShowInput& input() { return input_; }
    RunMusic& music() { return music_; }
    ShowEnding& ending() { return ending_; }
    ShowCursor& cursor() { return cursor_; }
    SingleInstance& singleInstance() { return singleInstance_; }

    // The display mode of a screen-saver daemon: the show is drawn into the
    // daemon's window, which the form owns from then on. No input is read.
    void setHack(std::unique_ptr<HackWindow> window);

private:
    // What input may ask, passed on to the show, the music and the ending.
    class Commands final : public ShowCommands {
    public:
        explicit Commands(Form1& form) : form_(form) {}
        void request(Step step) override { form_.show_.request(step); }
        void pause() override { form_.show_.pause(); }
        void addFavourite() override { form_.show_.addFavourite(); }
        void skipMusic() override { form_.music_.skip(); }
        void replayMusic() override { form_.music_.replay(); }
        void repaint() override { form_.show_.repaint(); }
        void requestExit() override { form_.ending_.requestExit(); }
        void endWithoutFarewell() override { form_.state_.end(); }

    private:
        Form1& form_;
    };

    void teardown();

    WShowWindow window_;
    Settings settings_;
    RunKind mode_;
    RunOptions options_;
    RunState state_;
    QtEventPump pump_{[this] { return state_.ended(); }};
    ShowCursor cursor_;
    SlideShow show_{{state_, pump_, options_, mode_, window_, [this] { ending_.memoryError(); }}};
    Commands commands_{*this};
    ShowInput input_{
        {state_, options_, mode_, window_, show_.timer(), commands_, [this] { state_.leaveManualShow(); }}};
    ShowEnding ending_{{state_, options_, mode_, show_, window_, cursor_, [this] { teardown(); }}};
    SingleInstance singleInstance_;  // "OrvantaIsOn"
    // Declared after the window: released before the window it reports to.
    RunMusic music_{window_};
    // Last, so that it lets go of the window before the window goes.
    std::unique_ptr<HackWindow> hackWindow_;
};

}  // namespace orvanta
