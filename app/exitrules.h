#pragma once
// How every run ends: endShow, the exit request, the close rules, teardown,
// and the signals with which the system stops the show.
namespace orvanta {

class Form1;

inline constexpr const char* kProgramErrorTitle = "Orvanta Program Error";
// The no-pictures notice: four pieces joined without separators.
extern const char* const kNoPicturesText;

// Ends the run: sets the ended flag, shows the no-pictures notice where it
// applies (not when the system stopped the show: nobody would answer it),
// writes LastImage, makes the end-of-show wallpaper (WallpaperLast, in a run
// over the primary monitor only), and closes the form.
void endShow(Form1& form, bool stoppedBySystem = false);
// Leaves the show on user input: sets the exit request, which stops a running
// transition, and ends the run. True when the run was ended (always here: the
// desktop's locker, not the show, asks for a password).
bool requestExit(Form1& form);

// Connects CloseEvent (refused while the ended flag is clear) and DestroyEvent
// (teardown, then the application quits with exit code 0).
void installCloseRules(Form1& form);
// SIGTERM, SIGINT and SIGHUP end the run through endShow.
void installTerminationSignals(Form1& form);

}  // namespace orvanta
