#pragma once
// Start-up: the argument text, the run mode, and for a show the whole
// start-up sequence up to the first picture on screen.
#include <QImage>
#include <string>

#include "app/displaygeometry.h"

namespace orvanta {

class Form1;

// The creation handler of Form1: font, colour, text, the event handlers of
// the show, then the mode dispatch for the argument text (untrimmed). Returns
// the exit status of a run that could not start (1: a preview without a
// window, reported in one line on standard error), else 0.
int startUp(Form1& form, const std::string& rawArgumentText);

// The show's start-up once its window is on screen at the size of
// `geometry`: the canvases, the "Loading pictures..." notice, the settings
// and the picture list, the splash banner and the first picture.
void runShow(Form1& form, const ShowGeometry& geometry);

// The splash banner: a 310 x 44 picture of the product's name.
QImage splashBanner();

}  // namespace orvanta
