#pragma once
// The music player over GStreamer: one playbin, one piece at a time, music
// files by their file URI and audio-CD tracks as cdda://N on the chosen
// device. The end of each piece (end of stream, stop, or an error) is posted
// to the target object as one WMusicNotifyEvent; whoever receives it passes
// it to accept(), which turns it into the piece's outcome exactly once.
//
// The output is GStreamer's automatic audio sink, or the pipeline that the
// environment variable ORVANTA_AUDIO_SINK describes in gst-launch-1.0 syntax.
#include <QEvent>
#include <QObject>
#include <memory>
#include <optional>

#include "music/musicplayer.h"

namespace orvanta {

class WMusicNotifyEvent : public QEvent {
public:
    static QEvent::Type eventType();
    WMusicNotifyEvent(quint64 playId, PlayOutcome how) : QEvent(eventType()), play(playId), outcome(how) {}
    quint64 play;
    PlayOutcome outcome;
};

class GstMusicPlayer final : public MusicPlayer {
public:
    // Notifications go to target, which must outlive the player.
    explicit GstMusicPlayer(QObject* target);
    ~GstMusicPlayer() override;
    GstMusicPlayer(const GstMusicPlayer&) = delete;
    GstMusicPlayer& operator=(const GstMusicPlayer&) = delete;

    // False when GStreamer cannot be started or has no playbin; every play
    // then fails at once.
    bool available() const;

    bool playFile(const std::string& path) override;
    bool playCdTrack(const std::string& drive, int track, int trackCount) override;
    void stop() override;
    void close() override;

    // The outcome of the current piece when event reports its end; nullopt
    // for a report that is stale (an earlier piece) or repeated.
    std::optional<PlayOutcome> accept(const WMusicNotifyEvent& event);

    // A piece that has not started to play this long after play* is taken as
    // one that cannot be opened (a stalled source or sink must not end the music).
    static constexpr int kStartTimeoutMilliseconds = 10000;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvanta
