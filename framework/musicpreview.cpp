#include "framework/musicpreview.h"

#include "framework/gstmusicplayer.h"
#include "music/musicfiles.h"

namespace orvanta {

MusicPreview::MusicPreview() : player_(std::make_unique<GstMusicPlayer>(this)) {}

MusicPreview::~MusicPreview() { player_->close(); }

bool MusicPreview::playFile(const std::string& path) {
    close();
    const std::size_t slash = path.rfind('/');
    if (!isMusicFile(slash == std::string::npos ? path : path.substr(slash + 1))) return false;
    playing_ = player_->playFile(path);
    return playing_;
}

bool MusicPreview::playCdTrack(const std::string& drive, int track, int trackCount) {
    close();
    if (track < 1 || track > trackCount) return false;
    playing_ = player_->playCdTrack(drive, track, trackCount);
    return playing_;
}

void MusicPreview::stop() {
    player_->stop();
    playing_ = false;
}

void MusicPreview::close() {
    player_->close();
    playing_ = false;
}

bool MusicPreview::event(QEvent* e) {
    if (e->type() != WMusicNotifyEvent::eventType()) return QObject::event(e);
    if (const std::optional<PlayOutcome> outcome = player_->accept(*static_cast<WMusicNotifyEvent*>(e))) {
        if (*outcome == PlayOutcome::Failed) playing_ = false;
        if (pieceOver_) pieceOver_(*outcome);
    }
    return true;
}

}  // namespace orvanta
