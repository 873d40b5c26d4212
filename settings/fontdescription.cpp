#include "settings/fontdescription.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "settings/encodings.h"

namespace orvanta {

namespace {

constexpr std::array<std::pair<std::string_view, int>, 9> kWeights{{{"Thin", 100},
                                                                    {"ExtraLight", 200},
                                                                    {"Light", 300},
                                                                    {"Normal", 400},
                                                                    {"Medium", 500},
                                                                    {"SemiBold", 600},
                                                                    {"Bold", 700},
                                                                    {"ExtraBold", 800},
                                                                    {"Heavy", 900}}};

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::vector<std::string> splitDots(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts;
}

// Decimal digits after an optional sign.
bool isNumber(std::string_view s) {
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

std::string faceWithoutFoundry(std::string_view face) {
    if (face.size() >= 2 && face.back() == ']') {
        const std::size_t open = face.rfind('[');
        if (open != std::string_view::npos && open + 2 < face.size() &&
            face.find_first_of("[]", open + 1) == face.size() - 1)
            face = face.substr(0, open);
    }
    const std::size_t first = face.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(face.substr(first, face.find_last_not_of(' ') - first + 1));
}

FontDescription FontDescription::parse(const std::string& text) {
    FontDescription font;
    std::vector<std::string> parts = splitDots(text);
    std::size_t i = 0;
    if (isNumber(parts[0])) {
        const int size = readInteger(parts[0]);
        font.pointSize = size < 0 ? kDefaultFontPoints : std::min(size, kMaxFontPoints);
        i = 1;
    }
    if (i < parts.size()) font.face = faceWithoutFoundry(parts[i++]);
    if (font.face.empty()) return parse(kDefaultFontDescription);
    for (; i < parts.size(); ++i) {
        const std::string& token = parts[i];
        if (startsWith(token, "Height=")) {
            font.height = std::clamp(readInteger(token.substr(7)), -kMaxFontPixels, kMaxFontPixels);
        } else if (startsWith(token, "Width =")) {
            font.width = std::clamp(readInteger(token.substr(7)), 0, kMaxFontPixels);
        } else if (startsWith(token, "Weight=")) {
            font.weight = std::clamp(readInteger(token.substr(7)), 0, 1000);
        } else if (token == "Italic") {
            font.italic = true;
        } else if (token == "Underline") {
            font.underline = true;
        } else if (token == "Strikeout" || token == "StrikeOut") {
            font.strikeout = true;
        } else if (startsWith(token, "CharSet=")) {
            font.charSet = std::clamp(readInteger(token.substr(8)), 0, 255);
        } else {
            bool weightName = false;
            for (const auto& [name, weight] : kWeights) {
                if (token == name) {
                    font.weight = weight;
                    weightName = true;
                }
            }
            if (!weightName && !token.empty()) font.unknown.push_back(token);
        }
    }
    return font;
}

std::string FontDescription::toString() const {
    std::string out;
    if (pointSize != 0) out = std::to_string(pointSize) + ".";
    out += face;
    if (pointSize == 0 && height != 0) out += ".Height=" + std::to_string(height);
    if (width > 0) out += ".Width =" + std::to_string(width);
    if (weight != 400) {
        std::string name;
        for (const auto& [n, w] : kWeights)
            if (w == weight) name = n;
        out += name.empty() ? ".Weight=" + std::to_string(weight) : "." + name;
    }
    if (italic) out += ".Italic";
    if (underline) out += ".Underline";
    if (strikeout) out += ".Strikeout";
    if (charSet != 0) out += ".CharSet=" + std::to_string(charSet);
    for (const std::string& token : unknown) out += "." + token;
    return out;
}

}  // namespace orvanta
