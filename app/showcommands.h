#pragma once
// What input may ask of a running show. The input handlers see only this;
// the show form connects it to the slide show, the music and the run's end.
#include "show/run/runstate.h"

namespace orvanta {

class ShowCommands {
public:
    virtual ~ShowCommands() = default;
    // A step; whether it starts now, after the decode under way, or not at
    // all is the run state's to decide.
    virtual void request(Step step) = 0;
    // P: the show timer stops and " Pause" is shown.
    virtual void pause() = 0;
    // F: a shortcut to the picture on screen in the favourites folder.
    virtual void addFavourite() = 0;
    // M and R: the music piece is skipped, or played again.
    virtual void skipMusic() = 0;
    virtual void replayMusic() = 0;
    // The window has to be drawn again.
    virtual void repaint() = 0;
    // User input asks to leave: a running transition stops and the run ends.
    virtual void requestExit() = 0;
    // The close message from outside: the run ends at once, without any of
    // the farewells of a show that ends (LastImage, notices, wallpaper).
    virtual void endWithoutFarewell() = 0;
};

}  // namespace orvanta
