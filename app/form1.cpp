#include "app/form1.h"

#include "app/hackmode.h"

namespace orvanta {

Form1::Form1() = default;

Form1::~Form1() {
    // Teardown runs while every collaborator still exists.
    window_.destroyForm();
}

void Form1::setHack(std::unique_ptr<HackWindow> window) {
    mode_.hack = window != nullptr;
    hackWindow_ = std::move(window);
}

void Form1::teardown() {
    input_.stopWatching();
    music_.stop();
    show_.timer().stop();
    show_.timer().TimerEvent.disconnectAll();
}

}  // namespace orvanta
