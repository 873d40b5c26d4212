#pragma once
// Play and Stop of the Music Selection page: one piece at a time through the
// show's GStreamer player (framework/gstmusicplayer.h), a music file or one
// track of an audio CD. The player's end-of-piece notices come back to this
// object and change nothing but a failed start: a preview that ended on its
// own still counts as playing, so that choosing another entry plays it.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "music/musicplayer.h"

namespace orvanta {

class GstMusicPlayer;

class MusicPreview final : public QObject {
public:
    MusicPreview();
    ~MusicPreview() override;  // stops and releases the output
    MusicPreview(const MusicPreview&) = delete;
    MusicPreview& operator=(const MusicPreview&) = delete;

    // Stops what plays, then plays the file at path from its start when its
    // extension names a music file (".wav", ".mid", ".midi", ".rmi", ".mp3",
    // ".wma", any case). True when it started; a file that cannot be opened
    // plays nothing and says nothing.
    bool playFile(const std::string& path);
    // Stops what plays, then plays track (1..trackCount) of the disc in drive
    // (a device path or disc image) from its start to the start of the next
    // track; the last track plays to the end of the disc.
    bool playCdTrack(const std::string& drive, int track, int trackCount);
    // Stops the piece; the preview no longer counts as playing.
    void stop();
    // Stops and releases the output (a mode switch, the page's end).
    void close();

    // From a successful play until stop, close, or a piece that failed to start.
    bool playing() const { return playing_; }
    // Called with each piece's end (Ended, Stopped or Failed), after the
    // preview has taken note of it.
    void setPieceOverHandler(std::function<void(PlayOutcome)> handler) { pieceOver_ = std::move(handler); }

protected:
    bool event(QEvent* e) override;

private:
    std::unique_ptr<GstMusicPlayer> player_;
    bool playing_ = false;
    std::function<void(PlayOutcome)> pieceOver_;
};

}  // namespace orvanta
