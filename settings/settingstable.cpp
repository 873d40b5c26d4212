#include "settings/settingstable.h"

#include <algorithm>
#include <array>

#include "settings/encodings.h"

namespace orvanta {

namespace {

using E = Encoding;
using S = Settings;

const std::array<SettingDef, 46> kTable{{
    {"Duration", "20", E::Integer, &S::Duration, 0, kMaxDuration, 1},
    {"Count", "0", E::Integer, &S::Count, 0, kMaxPictureDirs},
    {"Randomize", "1", E::Boolean, &S::Randomize},
    {"AlphaSort", "0", E::Boolean, &S::AlphaSort},
    {"DateSort", "0", E::Boolean, &S::DateSort},
    {"DateRevSort", "0", E::Boolean, &S::DateRevSort},
    {"AlphaMemory", "1", E::Boolean, &S::AlphaMemory},
    {"LastImage", "", E::Text, &S::LastImage},
    {"AutoSubDir", "0", E::Boolean, &S::AutoSubDir},
    {"Stretch", "0", E::Boolean, &S::Stretch},
    {"Proportional", "1", E::Boolean, &S::Proportional},
    {"PropLimit", "0", E::Integer, &S::PropLimit, 0, kMaxPropLimit, 0, 0},  // outside: no limit, as 0
    {"Shrink", "0", E::Boolean, &S::Shrink},
    {"Tiled", "0", E::Boolean, &S::Tiled},
    {"RanLocDisp", "0", E::Boolean, &S::RanLocDisp},
    {"BackColor", "  0  0  0", E::Colour, &S::BackColor},
    {"Effects", "1", E::Boolean, &S::Effects},
    {"Transitions", nullptr, E::Transitions, {}},  // one "1" per available transition
    {"Delay", "10", E::Integer, &S::Delay, 0, kMaxDelay},
    {"Message", "0", E::Boolean, &S::Message},
    {"MsgText", "Place your message here...", E::Text, &S::MsgText},
    {"MsgPlace", "5", E::Integer, &S::MsgPlace, 0, kMaxMsgPlace, 1, 1},  // outside: top left, as 1
    {"TextFont", "14.Times New Roman.Bold", E::Font, &S::TextFont},
    {"TextColor", "255255255", E::Colour, &S::TextColor},
    {"Captions", "0", E::Boolean, &S::Captions},
    {"CaptionPlace", "4", E::Integer, &S::CaptionPlace, 0, kMaxCaptionPlace, 3, 3},  // outside: bottom left, as 3
    {"CaptionDate", "0", E::Boolean, &S::CaptionDate},
    {"CaptionFullPath", "0", E::Boolean, &S::CaptionFullPath},
    {"CaptionFont", "14.Times New Roman.Bold", E::Font, &S::CaptionFont},
    {"CaptionColor", "255255255", E::Colour, &S::CaptionColor},
    {"CaptionTrans", "1", E::Boolean, &S::CaptionTrans},
    {"CaptionBackColor", "  0  0  0", E::Colour, &S::CaptionBackColor},
    {"Splash", "1", E::Boolean, &S::Splash},
    {"IgnoreMouse", "0", E::Boolean, &S::IgnoreMouse},
    {"WallpaperLast", "0", E::Boolean, &S::WallpaperLast},
    {"CurrentFavDir", nullptr, E::Text, &S::CurrentFavDir},  // computed on first load
    {"LastAddedDir", "", E::Text, &S::LastAddedDir},
    {"MusicOption", "0", E::Integer, &S::MusicOption},
    {"NumMusicDirs", "0", E::Integer, &S::NumMusicDirs, 0, kMaxMusicDirs},
    {"CDDrvStr", "", E::Text, &S::CDDrvStr},
    {"CDRandom", "1", E::Boolean, &S::CDRandom},
    {"LastMusicDir", "", E::Text, &S::LastMusicDir},
    // The indexed entries, described for completeness; their rows are never
    // looked up by these names (the order lists expand them).
    {"ImageDir%i", nullptr, E::Text, {}},
    {"DirSet%i", nullptr, E::Boolean, {}},
    {"MusicDir%i", nullptr, E::Text, {}},
    {"MusicDirSet%i", nullptr, E::Boolean, {}},
}};

constexpr auto kDefaultsOrder = std::to_array<std::string_view>(
    {kUnnamed,       "Duration",    "Count",         "Randomize",        "AlphaSort",       "DateSort",
     "DateRevSort",  "AlphaMemory", "LastImage",     "Stretch",          "Proportional",    "PropLimit",
     "Tiled",        "Effects",     "Delay",         "Message",          "MsgText",         "MsgPlace",
     "Splash",       "IgnoreMouse", "WallpaperLast", "Transitions",      "Shrink",          "TextFont",
     "TextColor",    "Captions",    "CaptionPlace",  "CaptionDate",      "CaptionFullPath", "CaptionFont",
     "CaptionColor", "BackColor",   "CaptionTrans",  "CaptionBackColor", "MusicOption",     "NumMusicDirs",
     "CDDrvStr",     "CDRandom",    "AutoSubDir",    "RanLocDisp"});

constexpr auto kLoadOrder = std::to_array<std::string_view>(
    {kUnnamed,      "Duration",     "Count",         "Randomize",        "AlphaSort",    "DateSort",
     "DateRevSort", "AlphaMemory",  "LastImage",     "Stretch",          "Proportional", "PropLimit",
     "Tiled",       "Effects",      "Delay",         "Message",          "MsgPlace",     "MsgText",
     "Splash",      "IgnoreMouse",  "WallpaperLast", "BackColor",        "Transitions",  "Shrink",
     "TextFont",    "TextColor",    "Captions",      "CaptionPlace",     "CaptionDate",  "CaptionFullPath",
     "CaptionFont", "CaptionColor", "CaptionTrans",  "CaptionBackColor", "CurrentFavDir"});

constexpr auto kSaveOrder = std::to_array<std::string_view>(
    {kUnnamed,          "Duration",      "Count",         "Randomize",    "AlphaSort",        "DateSort",
     "DateRevSort",     "AlphaMemory",   "LastImage",     "Stretch",      "Proportional",     "PropLimit",
     "Tiled",           "Effects",       "Delay",         "Message",      "MsgText",          "MsgPlace",
     "Splash",          "IgnoreMouse",   "WallpaperLast", "BackColor",    kImageDirPairs,     "Transitions",
     "Shrink",          "TextFont",      "TextColor",     "Captions",     "CaptionPlace",     "CaptionDate",
     "CaptionFullPath", "CaptionFont",   "CaptionColor",  "CaptionTrans", "CaptionBackColor", "LastAddedDir",
     "MusicOption",     "NumMusicDirs",  "CDDrvStr",      "CDRandom",     "LastMusicDir",     kMusicDirPairs,
     "AutoSubDir",      "CurrentFavDir", "RanLocDisp"});

}  // namespace

std::span<const SettingDef> settingsTable() { return kTable; }

int settingInRange(const SettingDef& def, int value) {
    if (value < def.minimum) return def.belowMinimum.value_or(def.minimum);
    if (value > def.maximum) return def.aboveMaximum.value_or(def.maximum);
    return value;
}

const SettingDef* findSetting(std::string_view name) {
    for (const SettingDef& def : kTable)
        if (def.name == name) return &def;
    return nullptr;
}

std::span<const std::string_view> defaultsOrder() { return kDefaultsOrder; }
std::span<const std::string_view> loadOrder() { return kLoadOrder; }
std::span<const std::string_view> saveOrder() { return kSaveOrder; }

float propLimitFactor(int index) {
    switch (index) {
    case 1: return 1.5f;
    case 2: return 2.0f;
    case 3: return 3.0f;
    case 4: return 4.0f;
    case 5: return 5.0f;
    default: return 5000.0f;
    }
}

std::string formatSetting(const SettingDef& def, const Settings& settings, int transitionCount) {
    if (def.encoding == Encoding::Transitions) return writeTransitions(settings.transitions.data(), transitionCount);
    return std::visit(
        [&](auto member) -> std::string {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, int Settings::*>) return writeInteger(settings.*member);
            else if constexpr (std::is_same_v<M, bool Settings::*>) return writeBoolean(settings.*member);
            else if constexpr (std::is_same_v<M, std::string Settings::*>) return settings.*member;
            else if constexpr (std::is_same_v<M, Rgb Settings::*>) return writeColour(settings.*member);
            else if constexpr (std::is_same_v<M, FontDescription Settings::*>) return (settings.*member).toString();
            else return std::string();
        },
        def.member);
}

void parseSetting(const SettingDef& def, Settings& settings, const std::string& text, int transitionCount) {
    if (def.encoding == Encoding::Transitions) {
        readTransitions(text, transitionCount, settings.transitions.data());
        return;
    }
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, int Settings::*>) settings.*member = settingInRange(def, readInteger(text));
            else if constexpr (std::is_same_v<M, bool Settings::*>) settings.*member = readBoolean(text);
            else if constexpr (std::is_same_v<M, std::string Settings::*>) settings.*member = text;
            else if constexpr (std::is_same_v<M, Rgb Settings::*>) settings.*member = readColour(text);
            else if constexpr (std::is_same_v<M, FontDescription Settings::*>)
                settings.*member = FontDescription::parse(text);
        },
        def.member);
}

}  // namespace orvanta
