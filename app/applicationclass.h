#pragma once
// The application object: StartEvent (the single-instance shortcut for a
// second show, then the creation of Form1, whose creation runs startUp),
// RunEvent (the message loop) and EndEvent (Form1 destroyed).
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace orvanta {

class Form1;

class ApplicationClass {
public:
    ApplicationClass(int argc, char** argv);
    ~ApplicationClass();
    // Runs StartEvent, RunEvent and EndEvent; returns the exit code.
    int run();

    // Asked before the application object exists, which would abort the
    // process when there is no display: with no X server to reach, writes
    // one line naming DISPLAY to err and returns the exit status 1. Nothing
    // when the run can go on, and for the platforms left to Qt to open
    // (QT_QPA_PLATFORM naming another than xcb, or a Wayland session); a
    // failure there ends the run the same way, with one line and status 1.
    static std::optional<int> checkDisplay(std::ostream& err);

private:
    int runEvents();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvanta
