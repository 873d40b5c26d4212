// The play chain. A piece is started; the player reports its end (whether it
// ended, was stopped by a key, or never started) as one notification; the
// position moves on and a 1200 ms single-shot timer runs; when it fires the
// next piece starts. The show keeps running during that pause: it is a timer,
// never a sleep.
//
// Files always play in a shuffled order, fresh for each cycle; a CD plays in
// order or in an order reshuffled from the previous one for each cycle. In
// both shuffled cases the first piece of a cycle is never the piece that
// ended the cycle before: when the shuffle puts that piece first, the piece
// at the last position plays first instead (and so twice in that cycle), and
// the order array itself is left unchanged.
//
// The replay key moves the position back by one and stops the piece, so that
// the notification's step forward lands on the same position; the replay flag
// keeps the order from being reshuffled there.
#include "music/musicplayback.h"

#include <climits>
#include <new>
#include <numeric>
#include <stdexcept>

#include "base/WString.h"
#include "base/shuffleorder.h"
#include "music/musicfiles.h"

namespace orvanta {

MusicPlayback::MusicPlayback(const Settings& settings, Mt19937& rng, MusicPlayer& player, GapTimer& gap)
    : settings_(settings), rng_(rng), player_(player), gap_(gap) {}

int MusicPlayback::pieceCount() const {
    if (mode() == 1) return static_cast<int>(musicList_.size());
    if (mode() == 2) return trackCount_;
    return 0;
}

void MusicPlayback::musicOff() {
    off_ = true;
    gap_.cancel();
    player_.close();
    playing_ = false;
}

bool MusicPlayback::prepare(CdDrive& cd, const PumpEvents& pump) {
    directories_.clear();
    counted_ = 0;
    trackCount_ = 0;
    if (mode() == 1) {
        DirectoryListResult used = usableMusicDirectories(settings_.musicDirs, pump);
        directories_ = std::move(used.directories);
        if (used.ended) {
            musicOff();
            return false;
        }
    } else if (mode() == 2) {
        if (!checkAudioCd(cd)) countCdTracks(cd);
    }
    return true;
}

bool MusicPlayback::checkAudioCd(CdDrive& cd) {
    player_.close();
    drive_ = trimBlanks(settings_.CDDrvStr);
    if (drive_.empty() || !cd.holdsAudioCd(drive_)) {
        musicOff();
        return true;
    }
    return false;
}

bool MusicPlayback::countCdTracks(CdDrive& cd) {
    player_.close();
    drive_ = trimBlanks(settings_.CDDrvStr);
    const std::optional<int> n = drive_.empty() ? std::nullopt : cd.trackCount(drive_);
    if (!n || *n < 1) {
        musicOff();
        return true;
    }
    trackCount_ = *n;
    return false;
}

bool MusicPlayback::countMusic(const PumpEvents& pump) {
    if (mode() != 1) return true;
    const MusicCount counted = countMusicFiles(directories_, pump);
    if (counted.ended) {
        musicOff();
        return false;
    }
    // Positions and the order array are 32-bit.
    counted_ = std::min<std::size_t>(counted.count, INT_MAX);
    if (counted_ == 0) musicOff();
    return true;
}

bool MusicPlayback::buildMusicList(const PumpEvents& pump) {
    if (mode() == 1) {
        try {
            if (!musicList_.reserve(counted_)) {
                musicOff();
                return true;
            }
            order_.assign(counted_, 0);
        } catch (const std::bad_alloc&) {
            musicOff();
            return true;
        } catch (const std::length_error&) {
            musicOff();
            return true;
        }
        if (!fillMusicList(directories_, counted_, musicList_, pump)) {
            musicOff();
            return false;
        }
        // Files removed since the count leave the list shorter.
        if (musicList_.empty()) {
            musicOff();
            return true;
        }
        order_.resize(musicList_.size());
        std::iota(order_.begin(), order_.end(), 0);
    } else if (mode() == 2) {
        try {
            order_.resize(static_cast<std::size_t>(trackCount_));
        } catch (const std::bad_alloc&) {
            musicOff();
            return true;
        }
        std::iota(order_.begin(), order_.end(), 1);
        if (settings_.CDRandom) shuffleOrder(order_.data(), trackCount_, false, rng_);
    }
    return true;
}

void MusicPlayback::startMusic() {
    if (closed_) return;
    position_ = 0;
    lastOfPreviousCycle_ = -1;
    failedSinceLastPlay_.clear();
    failedCount_ = 0;
    replay_ = false;
    repeatedAtStart_ = false;
    if (mode() == 1) playNextFile();
    else if (mode() == 2) playNextTrack();
    else off_ = true;
}

int MusicPlayback::choosePiece(int n, bool reset) {
    // Compared unsigned: a negative position (replay at the first piece) wraps too.
    if (static_cast<unsigned>(position_) >= static_cast<unsigned>(n)) position_ = 0;
    if (position_ == 0 && !replay_) shuffleOrder(order_.data(), n, reset, rng_);
    int piece = order_[static_cast<std::size_t>(position_)];
    if (position_ == 0) {
        // A replay of the first piece keeps the choice the repeat rule made,
        // so that the piece that was playing is the one that starts again.
        if (!replay_) repeatedAtStart_ = piece == lastOfPreviousCycle_;
        if (repeatedAtStart_) piece = order_[static_cast<std::size_t>(n - 1)];
    }
    if (position_ == n - 1) lastOfPreviousCycle_ = piece;
    return piece;
}

void MusicPlayback::playNextFile() {
    if (closed_ || mode() != 1) return;
    const int n = static_cast<int>(musicList_.size());
    if (n == 0 || order_.size() != musicList_.size()) {
        musicOff();
        return;
    }
    current_ = choosePiece(n, true);
    replay_ = false;
    player_.close();
    playing_ = true;
    if (!player_.playFile(musicList_[static_cast<std::size_t>(current_)].path())) afterPiece(PlayOutcome::Failed);
}

void MusicPlayback::playNextTrack() {
    if (closed_ || mode() != 2) return;
    const int n = trackCount_;
    if (n <= 0 || order_.size() != static_cast<std::size_t>(n)) {
        musicOff();
        return;
    }
    if (settings_.CDRandom) {
        current_ = choosePiece(n, false);
    } else {
        if (static_cast<unsigned>(position_) >= static_cast<unsigned>(n)) position_ = 0;
        current_ = position_ + 1;
    }
    replay_ = false;
    player_.close();
    playing_ = true;
    if (!player_.playCdTrack(drive_, current_, n)) afterPiece(PlayOutcome::Failed);
}

void MusicPlayback::afterPiece(PlayOutcome outcome) {
    playing_ = false;
    if (closed_ || mode() == 0) return;
    ++position_;
    // Nothing of the list plays: once every piece has failed to start, with
    // none playing in between (a whole cycle of failures), music is given up
    // for the show instead of being retried forever. Failures are counted by
    // piece, not by attempt, so that bad files at the end of one cycle and
    // the start of the next never silence a list in which one file plays.
    const int n = pieceCount();
    if (outcome == PlayOutcome::Failed) {
        if (failedSinceLastPlay_.size() != static_cast<std::size_t>(n))
            failedSinceLastPlay_.assign(static_cast<std::size_t>(n), 0);
        const int index = mode() == 2 ? current_ - 1 : current_;
        if (index >= 0 && index < n && !failedSinceLastPlay_[static_cast<std::size_t>(index)]) {
            failedSinceLastPlay_[static_cast<std::size_t>(index)] = 1;
            ++failedCount_;
        }
        if (failedCount_ >= n) {
            musicOff();
            return;
        }
    } else if (failedCount_ > 0) {
        failedSinceLastPlay_.assign(failedSinceLastPlay_.size(), 0);
        failedCount_ = 0;
    }
    gap_.start(kGapMilliseconds);
}

void MusicPlayback::onNotification(PlayOutcome outcome) {
    // Only the piece that was started reports; anything else is stale.
    if (!playing_) return;
    afterPiece(outcome);
}

void MusicPlayback::onGapElapsed() {
    if (closed_) return;
    if (mode() == 1) playNextFile();
    else if (mode() == 2) playNextTrack();
}

void MusicPlayback::skip() {
    if (closed_ || mode() == 0) return;
    player_.stop();
}

void MusicPlayback::replay() {
    if (closed_ || mode() == 0) return;
    // A replay already on its way is not moved back further.
    if (replay_) return;
    replay_ = true;
    --position_;
    player_.stop();
}

void MusicPlayback::stopMusic() {
    closed_ = true;
    gap_.cancel();
    player_.close();
    playing_ = false;
}

}  // namespace orvanta
