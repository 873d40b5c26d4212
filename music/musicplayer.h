#pragma once
// What the music of a show needs from the platform: a player of one piece at
// a time that reports each piece's end, a single-shot timer for the pause
// between pieces, and the audio-CD drive. The show's logic over them is
// music/musicplayback.h; the real ones live in the framework, and tests
// script them.
#include <optional>
#include <string>

namespace orvanta {

// How a piece came to its end. The show goes on to the next piece alike in
// every case; only Failed (the piece never started: unreadable file, unknown
// format, missing decoder) counts toward giving up on music altogether.
enum class PlayOutcome { Ended, Stopped, Failed };

class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;
    // Starts the music file at path. False when it cannot be opened at all;
    // otherwise exactly one notification follows (the owner passes it to
    // MusicPlayback::onNotification), unless close() comes first.
    virtual bool playFile(const std::string& path) = 0;
    // Starts track `track` (1..trackCount) of the disc in drive, to the start
    // of the next track; the last track plays to the end of the disc. As playFile.
    virtual bool playCdTrack(const std::string& drive, int track, int trackCount) = 0;
    // Stops the piece that plays; its notification (Stopped) follows. When
    // nothing plays, nothing happens and no notification comes.
    virtual void stop() = 0;
    // Stops without a notification and releases the output. Idempotent.
    virtual void close() = 0;
};

// A single-shot timer: start() (re)arms it, and the owner calls
// MusicPlayback::onGapElapsed when it fires; cancel() disarms it.
class GapTimer {
public:
    virtual ~GapTimer() = default;
    virtual void start(int milliseconds) = 0;
    virtual void cancel() = 0;
};

class CdDrive {
public:
    virtual ~CdDrive() = default;
    // True when drive (a device path) holds a disc whose first track is audio;
    // false for a missing drive, no permission, no disc or a data disc.
    virtual bool holdsAudioCd(const std::string& drive) = 0;
    // The number of tracks on the disc, or nullopt when its table of contents
    // cannot be read.
    virtual std::optional<int> trackCount(const std::string& drive) = 0;
};

}  // namespace orvanta
