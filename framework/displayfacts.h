#pragma once
// The display side of the support report (settings/supportreport.h): the
// monitors and the primary screen from Qt's screens in device pixels, and the
// screen saver from xscreensaver when it runs, otherwise from the X server's
// own screen saver. Needs a QGuiApplication; without an X server the screen
// saver reads as disabled.
#include "settings/supportreport.h"

namespace orvanta {

DisplayFacts currentDisplayFacts();

}  // namespace orvanta
