#pragma once
// The text forms of stored settings values.
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace orvanta {

// Leading white space, an optional sign, then decimal digits up to the first
// other character; no digits give 0. Values beyond the int range saturate.
int readInteger(std::string_view text);
std::string writeInteger(int value);  // "%i"

bool readBoolean(std::string_view text);  // any integer other than 0 is true
std::string writeBoolean(bool value);     // "1" or "0"

// "%3u%3u%3u" of red, green, blue, read back in three-character pieces; a
// short string reads 0 for each missing component.
Rgb readColour(std::string_view text);
std::string writeColour(Rgb colour);

// One character per transition: character i read as an integer gives switch
// i; only the first `count` characters are read (34 or 35).
void readTransitions(std::string_view text, int count, int* switches);
std::string writeTransitions(const int* switches, int count);

}  // namespace orvanta
