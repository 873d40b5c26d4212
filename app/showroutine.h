#pragma once
// The show itself: building the picture list, loading pictures, the
// per-picture routine with its transition and overlays, the timer tick,
// stepping, pause, favourites and repainting.
#include <QString>
#include <functional>

namespace orvanta {

class Form1;

// Builds the picture list from the loaded settings. False when the run ended
// (the user left, or the memory notice was shown and the show ended).
bool buildPictureList(Form1& form, const std::function<bool()>& pump);
void resetShowCounters(Form1& form);
// The first picture of the run, after the splash.
void firstPicture(Form1& form);
void waitForSplash(Form1& form);

// Decodes the picture at the show position. On failure the position moves
// on; after a whole cycle of failures the show behaves as if it had found no
// pictures. Events keep flowing throughout.
bool loadPicture(Form1& form);
// Repeats loadPicture until one loads, the run ends or no picture is left.
void loadUntilSuccess(Form1& form);
// The per-picture sequence: compose, transition, overlays, advance.
void showRoutine(Form1& form);
void onTimerTick(Form1& form);

void stepBackPosition(Form1& form);
void stepBackManual(Form1& form);
void stepForwardManual(Form1& form);
void pauseShow(Form1& form);
void addFavourite(Form1& form);
void drawStatusText(Form1& form, const QString& text);
void repaintFromBackBuffer(Form1& form);

}  // namespace orvanta
