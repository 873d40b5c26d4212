#pragma once
// A font written as text: point size and "." (left out when 0), the face name,
// then "."-separated attributes: "Height=n" (only with point size 0),
// "Width =n", a weight name or "Weight=n", "Italic", "Underline",
// "Strikeout" ("StrikeOut" is read too) and "CharSet=n".
// Example: "14.Times New Roman.Bold" is 14 points, weight 700.
// Numbers read are clamped to what a font chooser gives: up to 512 points, a
// height or width of up to 683 pixels (512 points at 96 dots per inch), a
// weight of 0 to 1000, a character set of 0 to 255.
//
// Reading never gives a font without a face: a foundry tag after the face
// ("DejaVu Sans [UKWN]", as font lists name a family offered by several
// foundries) is no part of it, a description whose face is empty is the
// default font "14.Times New Roman.Bold", and a negative point size (which
// no chooser gives) is the default size of 14 points.
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

inline constexpr int kMaxFontPoints = 512;
inline constexpr int kMaxFontPixels = 683;
inline constexpr const char* kDefaultFontDescription = "14.Times New Roman.Bold";
inline constexpr const char* kDefaultFontFace = "Times New Roman";
inline constexpr int kDefaultFontPoints = 14;

// The face name without a trailing foundry tag and without surrounding blanks.
std::string faceWithoutFoundry(std::string_view face);

struct FontDescription {
    int pointSize = 0;
    std::string face;
    int height = 0;
    int width = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int charSet = 0;
    std::vector<std::string> unknown;  // tokens this version does not know, kept as read

    static FontDescription parse(const std::string& text);
    std::string toString() const;
    bool operator==(const FontDescription&) const = default;
};

}  // namespace orvanta
