#include "app/showmusic.h"

#include <QTimer>

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
    ShowMusic(QObject& owner, const Settings& settings, Mt19937& random)
        : player(&owner), gap([this] { playback.onGapElapsed(); }), playback(settings, random, player, gap) {
        QObject* window = &owner;
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

RunMusic::RunMusic(QObject& window) : window_(window) {}

RunMusic::~RunMusic() = default;

bool RunMusic::prepare(const Settings& settings, Mt19937& random, const std::function<bool()>& pump) {
    if (settings.MusicOption != 1 && settings.MusicOption != 2) return true;
    music_ = std::make_unique<ShowMusic>(window_, settings, random);
    // Without GStreamer nothing can play: the show is silent.
    if (!music_->player.available()) {
        music_.reset();
        return true;
    }
    MusicPlayback& playback = music_->playback;
    return playback.prepare(music_->cd, pump) && playback.countMusic(pump) && playback.buildMusicList(pump);
}

void RunMusic::start() {
    if (music_) music_->playback.startMusic();
}

void RunMusic::skip() {
    if (music_) music_->playback.skip();
}

void RunMusic::replay() {
    if (music_) music_->playback.replay();
}

void RunMusic::stop() {
    if (music_) music_->close();
}

}  // namespace orvanta
