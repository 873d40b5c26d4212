#pragma once
// How every run ends: the end of the show, the exit request, the close rules,
// teardown, and the signals with which the system stops the show.
#include <functional>

#include "show/run/runoptions.h"
#include "show/run/runstate.h"

namespace orvanta {

class ShowCursor;
class SlideShow;
class WShowWindow;

inline constexpr const char* kProgramErrorTitle = "Orvanta Program Error";
// The no-pictures notice: four pieces joined without separators.
extern const char* const kNoPicturesText;

// What the end of a run reads and touches; each outlives it.
struct ShowEndingPorts {
    RunState& state;
    const RunOptions& options;  // fixed once the run begins
    const RunKind& mode;
    const SlideShow& show;  // the picture on screen, for LastImage and the wallpaper
    WShowWindow& window;
    ShowCursor& cursor;
    // Stops the show's machinery as the window goes: input, music, the timer.
    std::function<void()> teardown;
};

class ShowEnding {
public:
    explicit ShowEnding(ShowEndingPorts ports) : ports_(std::move(ports)) {}

    // Ends the run: sets the ended phase, shows the no-pictures notice where
    // it applies (not when the system stopped the show: nobody would answer
    // it), writes LastImage, makes the end-of-show wallpaper (WallpaperLast,
    // in a run over the primary monitor only), and closes the form.
    void endShow(bool stoppedBySystem = false);
    // Leaves the show on user input: sets the exit request, which stops a
    // running transition, and ends the run (the desktop's locker, not the
    // show, asks for a password).
    void requestExit();
    // The list build ran out of memory: the user is told, and the run ends.
    void memoryError();

    // Connects CloseEvent (refused until the run has ended) and DestroyEvent
    // (teardown, then the application quits with exit code 0).
    void installCloseRules();
    // SIGTERM, SIGINT and SIGHUP end the run through endShow.
    void installTerminationSignals();

private:
    ShowEndingPorts ports_;
};

}  // namespace orvanta
