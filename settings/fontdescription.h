#pragma once
// A font written as text: point size and "." (left out when 0), the face name,
// then "."-separated attributes: "Height=n" (only with point size 0),
// "Width =n", a weight name or "Weight=n", "Italic", "Underline",
// "Strikeout" ("StrikeOut" is read too) and "CharSet=n".
// Example: "14.Times New Roman.Bold" is 14 points, weight 700.
// Numbers read are clamped to what a font chooser gives: up to 512 points, a
// height or width of up to 683 pixels (512 points at 96 dots per inch), a
// weight of 0 to 1000, a character set of 0 to 255.
#include <string>
#include <vector>

namespace orvanta {

inline constexpr int kMaxFontPoints = 512;
inline constexpr int kMaxFontPixels = 683;

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
