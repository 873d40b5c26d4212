#include "app/showmusic.h"

#include <QTimer>

#include "app/form1.h"
#include "framework/WMessageFilter.h"
#include "framework/cddrive.h"
#include "framework/gstmusicplayer.h"
#include "music/musicplayback.h"

namespace orvanta {

namespace {

// Ahead of the key filter: a notification is the music's own business.
constexpr int kMusicFilterPriority = 32;

class QtGapTimer final : public GapTimer {
public:
    explicit QtGapTimer(std::function<void()> elapsed) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
        QObject::connect(&timer_, &QTimer::timeout, [elapsed = std::move(elapsed)] { elapsed(); });
    }
    void start(int milliseconds) override { timer_.start(milliseconds); }
    void cancel() override { timer_.stop(); }

private:
    QTimer timer_;
};

}  // namespace

class ShowMusic {
public:
    explicit ShowMusic(Form1& form)
        : player(&form.window()),
          gap([this] { playback.onGapElapsed(); }),
          playback(form.settings(), form.show().random(), player, gap) {
        QObject* window = &form.window();
        filterId = installMessageFilter(kMusicFilterPriority, [this, window](QObject* target, QEvent* event) {
            if (event->type() != WMusicNotifyEvent::eventType() || target != window) return false;
            if (const std::optional<PlayOutcome> outcome = player.accept(*static_cast<WMusicNotifyEvent*>(event)))
                playback.onNotification(*outcome);
            return true;
        });
    }
    ~ShowMusic() { close(); }
    ShowMusic(const ShowMusic&) = delete;
    ShowMusic& operator=(const ShowMusic&) = delete;

    void close() {
        playback.stopMusic();
        if (filterId >= 0) removeMessageFilter(filterId);
        filterId = -1;
    }

    GstMusicPlayer player;
    QtGapTimer gap;
    CdioDrive cd;
    MusicPlayback playback;
    int filterId = -1;
};

void ShowMusicDeleter::operator()(ShowMusic* music) const { delete music; }

bool prepareShowMusic(Form1& form, const std::function<bool()>& pump) {
    Settings& settings = form.settings();
    if (settings.MusicOption != 1 && settings.MusicOption != 2) {
        settings.MusicOption = 0;
        return !form.state().ended();
    }
    form.music().reset(new ShowMusic(form));
    ShowMusic& music = *form.music();
    // Without GStreamer nothing can play: the show is silent.
    if (!music.player.available()) settings.MusicOption = 0;
    MusicPlayback& playback = music.playback;
    return playback.prepare(music.cd, pump) && playback.countMusic(pump) && playback.buildMusicList(pump);
}

void startMusic(Form1& form) {
    if (form.music() && form.state().picturesGoOn()) form.music()->playback.startMusic();
}

void skipMusic(Form1& form) {
    if (form.music()) form.music()->playback.skip();
}

void replayMusic(Form1& form) {
    if (form.music()) form.music()->playback.replay();
}

void stopMusic(Form1& form) {
    if (form.music()) form.music()->close();
}

}  // namespace orvanta
