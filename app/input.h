#pragma once
// Input during the show: the key filter that sees every event first, and the
// form's key, mouse, paint and timer handlers.
class QEvent;
class QObject;

namespace orvanta {

class Form1;

// True when the event was handled (it is then discarded).
bool keyFilter(Form1& form, QObject* target, QEvent* event);
void installShowHandlers(Form1& form);

// Mouse travel beyond this distance from the origin ends a timed show.
inline constexpr double kMouseTravelLimit = 75.0;

}  // namespace orvanta
