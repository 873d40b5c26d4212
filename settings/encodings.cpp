#include "settings/encodings.h"

#include <cctype>
#include <climits>
#include <cstdio>

namespace orvanta {

int readInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

std::string writeInteger(int value) { return std::to_string(value); }

bool readBoolean(std::string_view text) { return readInteger(text) != 0; }

std::string writeBoolean(bool value) { return value ? "1" : "0"; }

Rgb readColour(std::string_view text) {
    auto piece = [&](std::size_t start) -> std::uint8_t {
        if (start >= text.size()) return 0;
        return static_cast<std::uint8_t>(readInteger(text.substr(start, 3)));
    };
    return {piece(0), piece(3), piece(6)};
}

std::string writeColour(Rgb colour) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%3u%3u%3u", unsigned{colour.red}, unsigned{colour.green},
                  unsigned{colour.blue});
    return buffer;
}

void readTransitions(std::string_view text, int count, int* switches) {
    for (int i = 0; i < count && static_cast<std::size_t>(i) < text.size(); ++i)
        switches[i] = readInteger(text.substr(static_cast<std::size_t>(i), 1));
}

std::string writeTransitions(const int* switches, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += std::to_string(switches[i]);
    return out;
}

}  // namespace orvanta
