#pragma once
// The command line: the argument text and the run mode it names.
#include <optional>
#include <string>

#include "base/WString.h"

namespace orvanta {

enum class RunMode { PasswordChange, RemoveSettings, Preview, Show, SettingsWithOwner, SettingsNoOwner, Other };

// The arguments after the program name joined with single blanks, untrimmed.
std::string rawArgumentText(int argc, const char* const* argv);

// The mode of a trimmed argument text, by the first two characters or the
// whole text, all comparisons case-sensitive. The single-instance check comes
// between RemoveSettings and the others at dispatch. A mode's letter stands
// alone or before a blank, a colon or a digit (where a window handle
// follows): a word that only begins with it, such as "-update" (which would
// delete the settings) or "-platform", is no mode.
RunMode runModeOf(const std::string& text);
// True when the text is exactly one of "s", "S", "/s", "/S", "-s", "-S".
bool isShowSpelling(const std::string& text);

// The window handle from the fourth character on (the third is skipped
// whatever it is), at most 12 characters, a signed decimal; 0 when none.
long long windowHandleOf(const std::string& text);

// The host window id of a preview argument text (trimmed): read from the
// fourth character on like every window handle, and also as hexadecimal
// when it starts with "0x" or "0X", the way X tools print ids. 0 when none.
long long previewHandleOf(const std::string& text);

// An X window id written as X tools and xscreensaver write them: decimal, or
// hexadecimal after "0x" or "0X" (at most 8 digits); the whole text must be
// the number, blanks around it aside. 0 when it is none or above 32 bits.
unsigned long windowIdOf(const std::string& text);

// The window a screen-saver daemon hands over for its display mode: the
// value of XSCREENSAVER_WINDOW when that is set and not empty, whatever the
// arguments; otherwise the id after a "--window-id" or "-window-id" argument
// ("--window-id ID" or "--window-id=ID") in the argument text. Nothing when
// neither is given; 0 when the one given is not a window id.
std::optional<unsigned long> hackWindowOf(const std::string& argumentText, const char* xscreensaverWindow);

// What a command line asks for, decided before anything opens: something
// this program does, xscreensaver's "-root" (or "--root") with no window
// named for it, or an argument text that names nothing.
enum class CommandLineKind { Run, RootWithoutWindow, Unknown };
CommandLineKind commandLineKindOf(const std::string& argumentText, const char* xscreensaverWindow);

}  // namespace orvanta
