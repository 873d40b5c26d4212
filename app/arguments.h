#pragma once
// The command line: the argument text and the run mode it names.
#include <string>

#include "framework/WString.h"

namespace orvanta {

enum class RunMode { PasswordChange, RemoveSettings, Preview, Show, SettingsWithOwner, SettingsNoOwner, Other };

// The arguments after the program name joined with single blanks, untrimmed.
std::string rawArgumentText(int argc, const char* const* argv);

// The mode of a trimmed argument text, by the first two characters or the
// whole text, all comparisons case-sensitive. The single-instance check comes
// between RemoveSettings and the others at dispatch.
RunMode runModeOf(const std::string& text);
// True when the text is exactly one of "s", "S", "/s", "/S", "-s", "-S".
bool isShowSpelling(const std::string& text);

// The window handle from the fourth character on (the third is skipped
// whatever it is), at most 12 characters, a signed decimal; 0 when none.
long long windowHandleOf(const std::string& text);

}  // namespace orvanta
