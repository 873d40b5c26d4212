#pragma once
// The music of a show: the music list built during loading, the first piece
// once the first picture is on screen, the M and R keys, and the player
// released when the show window closes. The logic is the core's
// MusicPlayback; this file gives it the GStreamer player, the libcdio drive,
// a Qt single-shot timer for the pause between pieces, and the show window's
// queue for the player's notifications.
#include <functional>
#include <memory>

class QObject;

namespace orvanta {

class Mt19937;
struct Settings;
class ShowMusic;

class RunMusic {
public:
    // The player reports to `window`, which outlives this object.
    explicit RunMusic(QObject& window);
    ~RunMusic();
    RunMusic(const RunMusic&) = delete;
    RunMusic& operator=(const RunMusic&) = delete;

    // After the picture list was built (with pictures found): the music
    // directories or the CD check, the counting pass and the music list, for
    // the run's settings (which outlive the music). Music that cannot play is
    // switched off silently. False when the run ended meanwhile (`pump` said so);
    // without music nothing is pumped.
    bool prepare(const Settings& settings, Mt19937& random, const std::function<bool()>& pump);
    // Once the first picture is on screen and the run goes on.
    void start();
    // The M key: the piece stops and the next follows after the pause.
    void skip();
    // The R key: the piece stops and starts again after the pause.
    void replay();
    // The show window closes: nothing plays any more and the output is released.
    void stop();

private:
    QObject& window_;
    std::unique_ptr<ShowMusic> music_;  // made by prepare() when the settings ask for music
};

}  // namespace orvanta
