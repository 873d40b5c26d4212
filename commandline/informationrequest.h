#pragma once
// The two requests answered before anything else starts: `--help` and
// `--version`. They need no display and touch no settings.
#include <optional>
#include <ostream>
#include <string>

namespace orvanta {

// The program's version (kProgramVersion, from the build).
const char* orvantaVersion();

// The text printed for `--help` and for `--version`.
std::string usageText();
std::string versionText();

// When the command line is exactly `orvanta --help` or `orvanta --version`,
// writes the text to out and returns the exit status: 0, or 1 when the text
// could not be written (a message then goes to err). Every other command line
// returns nothing and writes nothing: it is a run mode or refused below.
std::optional<int> answerInformationRequest(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// A command line that cannot run, refused before any display opens: one line
// on err naming the argument, and the exit status, 2 for an argument that
// names nothing this program does, 1 for "-root" with no window named for it.
// Nothing, and nothing written, for every command line that runs.
std::optional<int> refuseCommandLine(int argc, const char* const* argv, const char* xscreensaverWindow,
                                     std::ostream& err);

}  // namespace orvanta
