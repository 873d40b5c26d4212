#pragma once
// The music of the show form: the music list built during loading, the
// first piece once the first picture is on screen, the M and R keys, and the
// player released when the show window closes. The logic is the core's
// MusicPlayback; this file gives it the GStreamer player, the libcdio drive,
// a Qt single-shot timer for the pause between pieces, and the show window's
// queue for the player's notifications.
#include <functional>

namespace orvanta {

class Form1;
class ShowMusic;
struct ShowMusicDeleter {
    void operator()(ShowMusic* music) const;
};

// After the picture list was built (with pictures found): the music
// directories or the CD check, the counting pass and the music list. Music
// that cannot play is switched off silently. False when the run ended meanwhile.
bool prepareShowMusic(Form1& form, const std::function<bool()>& pump);
// Once the first picture is on screen and the run goes on.
void startMusic(Form1& form);
// The M key: the piece stops and the next follows after the pause.
void skipMusic(Form1& form);
// The R key: the piece stops and starts again after the pause.
void replayMusic(Form1& form);
// The show window closes: nothing plays any more and the output is released.
void stopMusic(Form1& form);

}  // namespace orvanta
