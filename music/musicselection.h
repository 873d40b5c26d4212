#pragma once
// What the Music Selection page of the settings dialog computes without its
// widgets: the music files of a directory and their count, the walk that adds
// a directory's subdirectories, the track list of an audio CD, and the page's
// status texts. Music files are those of the show (isMusicFile).
#include <string>
#include <vector>

#include "catalogue/directoryscan.h"
#include "music/musicplayer.h"

namespace orvanta {

inline constexpr const char* kNoMusicSelectedText = "No music selected.";
inline constexpr const char* kNoAudioCdText = "No CD in drive or no audio tracks.";

// "Selected directory has %i music files."
std::string musicFileCountText(int count);
// "Selected CD has %i audio tracks."
std::string cdTrackCountText(int count);
// "Track %d"
std::string cdTrackText(int track);

// The names of the music files in the plain listing of directory (trimmed of
// blanks, "/" added when missing), in listing order; empty when it cannot be
// listed. Subdirectories and shortcuts are not looked into.
std::vector<std::string> musicFileNames(const std::string& directory);
// Their number, for the folder chooser's status line.
int musicFileCount(const std::string& directory);
// The full path of a listed file: the directory trimmed of blanks, "/" when
// it does not end in one, and the name.
std::string musicFilePath(const std::string& directory, const std::string& name);

struct SubdirectoryWalk {
    std::vector<std::string> directories;  // full paths, without the start directory
    bool ended = false;                    // the pump reported the dialog's end; the list is partial
};

// Every directory below top, breadth first: the children of top in listing
// order, then their children, and so on, with no limit on the count. Links
// to directories are followed, but no directory (device and inode) is listed
// twice, so a link loop ends. Recycle and trash folders are listed like any
// other. The pump runs after each listing.
SubdirectoryWalk musicSubdirectories(const std::string& top, const PumpEvents& pump);

struct CdTrackList {
    bool usable = false;             // an audio disc whose tracks could be counted
    int trackCount = 0;              // 0 when not usable
    std::vector<std::string> items;  // "Track 1" ... "Track n"
    std::string status;              // the page's status line for it
};

// The CD check and track list of the drive: no drive, no disc, a data disc or
// an unreadable table of contents give an empty, unusable list with the
// "No CD" status.
CdTrackList readCdTrackList(CdDrive& cd, const std::string& drive);

}  // namespace orvanta
