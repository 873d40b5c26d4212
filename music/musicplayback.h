#pragma once
// Music during a show: the music list (or the audio CD's tracks) built at
// start-up, the order of pieces, and the chain play -> notification -> pause
// -> next play, over the platform pieces of music/musicplayer.h.
//
// The mode is the settings record's MusicOption (0 none, 1 files, 2 CD) as
// the show starts; any failure that makes music impossible sets the mode to 0
// for the rest of the show. The settings record itself is only read.
// One thread: every method runs on the show's thread, and notifications and
// the pause timer reach it as events.
#include <string>
#include <vector>

#include "base/WFilePath.h"
#include "base/WSortableVector.h"
#include "base/mt19937.h"
#include "catalogue/directoryscan.h"
#include "music/musicplayer.h"
#include "settings/settings.h"

namespace orvanta {

class MusicPlayback {
public:
    static constexpr int kGapMilliseconds = 1200;

    // All four outlive this object. rng is the show's one generator.
    MusicPlayback(const Settings& settings, Mt19937& rng, MusicPlayer& player, GapTimer& gap);

    // --- start-up, in this order; each returns false when the pump reported
    // the show ended (music is then off), true otherwise, also when a failure
    // switched music off.
    // Files: the music directories in use. CD: checkAudioCd, then countCdTracks.
    bool prepare(CdDrive& cd, const PumpEvents& pump);
    // Files: the counting pass; no music file switches music off.
    bool countMusic(const PumpEvents& pump);
    // Files: the music list and its order array, of the counted size. CD: the
    // order array 1..n, shuffled when CDRandom is set.
    bool buildMusicList(const PumpEvents& pump);

    // True when music is not possible (no drive, no disc, a data disc): mode 0.
    bool checkAudioCd(CdDrive& cd);
    // True on failure (mode 0); otherwise the track count is stored.
    bool countCdTracks(CdDrive& cd);

    // --- the show ---
    // Once the first picture is on screen: the first piece, or mode 0.
    void startMusic();
    void playNextFile();
    void playNextTrack();
    // The player's report that the current piece ended, was stopped or failed.
    void onNotification(PlayOutcome outcome);
    // The pause after a piece is over: the next piece.
    void onGapElapsed();
    // The M key: stop the piece; the next follows after the pause.
    void skip();
    // The R key: stop the piece; the same one starts again after the pause.
    void replay();
    // The show window closes: the player is stopped and released, and
    // nothing plays any more.
    void stopMusic();

    int mode() const {
        if (off_) return 0;
        return settings_.MusicOption == 1 || settings_.MusicOption == 2 ? settings_.MusicOption : 0;
    }
    const std::vector<std::string>& directories() const { return directories_; }
    const WSortableVector<WFilePath>& musicList() const { return musicList_; }
    int trackCount() const { return trackCount_; }
    const std::string& drive() const { return drive_; }
    const std::vector<int>& order() const { return order_; }
    int position() const { return position_; }
    int lastOfPreviousCycle() const { return lastOfPreviousCycle_; }

private:
    int pieceCount() const;
    void musicOff();
    // The piece at the position, with the cycle-boundary and repeat rules;
    // a new cycle reshuffles the order array (from the identity when reset).
    int choosePiece(int n, bool reset);
    // After a piece (or a failed start): next position, then the pause.
    void afterPiece(PlayOutcome outcome);

    const Settings& settings_;
    bool off_ = false;  // music became impossible during this show
    Mt19937& rng_;
    MusicPlayer& player_;
    GapTimer& gap_;

    std::vector<std::string> directories_;
    std::size_t counted_ = 0;
    WSortableVector<WFilePath> musicList_;
    int trackCount_ = 0;
    std::string drive_;
    std::vector<int> order_;
    int position_ = 0;
    int current_ = -1;
    int lastOfPreviousCycle_ = -1;
    bool replay_ = false;
    bool playing_ = false;          // a piece was started and its notification is due
    bool repeatedAtStart_ = false;  // this cycle's first position plays order[n-1]
    // Pieces that failed to start since the last one that played.
    std::vector<char> failedSinceLastPlay_;
    int failedCount_ = 0;
    bool closed_ = false;
};

}  // namespace orvanta
