#pragma once
// Start-up: the argument text, the run mode, and for a show the whole
// start-up sequence up to the first picture on screen.
#include <QImage>
#include <string>

namespace orvanta {

class Form1;

// The creation handler of Form1: font, colour, text, the event handlers of
// the show, then the mode dispatch for the argument text (untrimmed).
void startUp(Form1& form, const std::string& rawArgumentText);

// The splash banner: a 310 x 44 picture of the product's name.
QImage splashBanner();

}  // namespace orvanta
