#pragma once
// The application object: StartEvent (the single-instance shortcut for a
// second show, then the creation of Form1, whose creation runs startUp),
// RunEvent (the message loop) and EndEvent (Form1 destroyed).
#include <memory>
#include <string>

namespace orvanta {

class Form1;

class ApplicationClass {
public:
    ApplicationClass(int argc, char** argv);
    ~ApplicationClass();
    // Runs StartEvent, RunEvent and EndEvent; returns the exit code.
    int run();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvanta
