#pragma once
// One table describes every stored value: its name, its stored default (the
// text written when the key is created), its encoding and the member of the
// settings record it fills. The orders in which values are written and read
// are lists of names over that table.
#include <climits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/settings.h"

namespace orvanta {

inline constexpr const char* kSettingsKeyPath = "Software\\Quorrin\\Orvanta\\4.0";
inline constexpr const char* kUnnamedValueText = "(value not set)";

enum class Encoding { Integer, Boolean, Text, Colour, Font, Transitions };

struct SettingDef {
    std::string_view name;
    const char* storedDefault;  // nullptr: no stored default (computed or written elsewhere)
    Encoding encoding;
    std::variant<std::monostate, int Settings::*, bool Settings::*, std::string Settings::*, Rgb Settings::*,
                 FontDescription Settings::*>
        member;
    // An integer read from the key is kept to this range: what the settings
    // dialog can show and produce, and what the show can compute with
    // (Duration x 1000 milliseconds, Delay x pause units) without overflowing.
    int minimum = INT_MIN;
    int maximum = INT_MAX;
    // What a value below the minimum or above the maximum reads as, when not
    // the bound itself: the code the show treats it as (a position code
    // outside its list places the text as one of the list does), or the
    // nearest value of the same kind (a negative duration is a timed show of
    // one second, not the manual show that only 0 asks for).
    std::optional<int> belowMinimum{};
    std::optional<int> aboveMaximum{};
};

// The integer the record holds for a number read from the key.
int settingInRange(const SettingDef& def, int value);

// Every value of the settings key but the indexed directory entries.
std::span<const SettingDef> settingsTable();
// The row of a value (names compared exactly), or nullptr.
const SettingDef* findSetting(std::string_view name);

// Pseudo-names inside the order lists: the unnamed value, and the places where
// the directory pairs ImageDir%i/DirSet%i and MusicDir%i/MusicDirSet%i go.
inline constexpr std::string_view kUnnamed = "";
inline constexpr std::string_view kImageDirPairs = "ImageDir%i";
inline constexpr std::string_view kMusicDirPairs = "MusicDir%i";

std::span<const std::string_view> defaultsOrder();  // writeDefaultSettings
std::span<const std::string_view> loadOrder();      // loadSettings, first reading group
std::span<const std::string_view> saveOrder();      // saveSettings

// The value's text as stored from the record, and the record's member set
// from a stored text (with the encoding of the table). `transitionCount` is
// 35 when blending is available, else 34.
std::string formatSetting(const SettingDef& def, const Settings& settings, int transitionCount);
void parseSetting(const SettingDef& def, Settings& settings, const std::string& text, int transitionCount);

// The enlargement limit of a PropLimit index: 1.5, 2, 3, 4, 5; anything else 5000.
float propLimitFactor(int index);

}  // namespace orvanta
