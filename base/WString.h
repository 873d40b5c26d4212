#pragma once
// String helpers of the framework: trimming, ASCII case folding and
// comparison without regard to ASCII letter case, hexadecimal digits.
#include <string>
#include <string_view>

namespace orvanta {

// Leading and trailing blanks (the space character) removed.
inline std::string trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// Leading and trailing blanks and tabs removed.
inline std::string trimWhiteSpace(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// A-Z turned to a-z; every other byte (those of UTF-8 sequences included)
// kept. Names, extensions and registry keys compare in this folded form.
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string asciiLowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = asciiLower(c);
    return out;
}

inline bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

inline bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

// The value of a hexadecimal digit (0-9, a-f, A-F); -1 for any other byte.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char l = asciiLower(c);
    return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

}  // namespace orvanta
