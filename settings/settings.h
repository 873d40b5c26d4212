#pragma once
// The settings record: the in-memory copy of every value of the settings key
// "Software\Quorrin\Orvanta\4.0". Member names are the value names. The member
// initialisers are the built-in initial values, which matter only for a value
// that is absent from an existing key; the stored defaults are in
// settings/settingstable.h.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/fontdescription.h"

namespace orvanta {

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb&) const = default;
};

struct DirectoryEntry {
    std::string path;
    bool inUse = true;
    bool operator==(const DirectoryEntry&) const = default;
};

constexpr int kTransitionCount = 35;  // with blending available
constexpr int kMaxPictureDirs = 10000;
constexpr int kMaxMusicDirs = 100;
// Seconds: the longest duration whose milliseconds still fit an int. The
// duration box takes any number typed into it.
constexpr int kMaxDuration = 2147483;
constexpr int kMaxDelay = 20;        // the speed slider runs from 0 to 20
constexpr int kMaxPropLimit = 5;     // enlargement limits 0 (none) to 5
constexpr int kMaxMsgPlace = 9;      // message positions 0 "Random" to 9 "Bottom Right"
constexpr int kMaxCaptionPlace = 5;  // caption positions 0 "Top Left" to 5 "Bottom Right"

struct Settings {
    int Duration = 20;
    int Count = 0;
    std::vector<DirectoryEntry> imageDirs;  // ImageDir%i / DirSet%i
    bool Randomize = true;
    bool AlphaSort = false;
    bool DateSort = false;
    bool DateRevSort = false;
    bool AlphaMemory = false;
    std::string LastImage;
    bool AutoSubDir = false;
    bool Stretch = false;
    bool Proportional = true;
    int PropLimit = 0;                // the stored index 0..5
    float propLimitFactor = 5000.0f;  // derived from PropLimit when loaded
    bool Shrink = false;
    bool Tiled = false;
    bool RanLocDisp = false;
    bool centred = false;  // derived: neither RanLocDisp nor Tiled
    Rgb BackColor{0, 0, 0};
    bool Effects = true;
    std::array<int, kTransitionCount> transitions{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                  1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int Delay = 10;
    bool Message = false;
    std::string MsgText = "Place your message here...";
    int MsgPlace = 5;
    FontDescription TextFont = FontDescription::parse("14.Times New Roman.Bold");
    Rgb TextColor{255, 255, 255};
    bool Captions = false;
    int CaptionPlace = 3;
    bool CaptionDate = false;
    bool CaptionFullPath = false;
    FontDescription CaptionFont = FontDescription::parse("14.Times New Roman.Bold");
    Rgb CaptionColor{255, 255, 255};
    bool CaptionTrans = true;
    Rgb CaptionBackColor{0, 0, 0};
    bool Splash = false;
    bool IgnoreMouse = false;
    bool WallpaperLast = false;
    std::string CurrentFavDir;
    std::string LastAddedDir;
    int MusicOption = 0;
    int NumMusicDirs = 0;
    std::vector<DirectoryEntry> musicDirs;  // MusicDir%i / MusicDirSet%i
    std::string CDDrvStr;
    bool CDRandom = true;
    std::string LastMusicDir;
};

}  // namespace orvanta
