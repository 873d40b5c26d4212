#include "commandline/arguments.h"

#include <cctype>
#include <sstream>

namespace orvanta {

std::string rawArgumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

bool isShowSpelling(const std::string& text) {
    return text == "s" || text == "S" || text == "/s" || text == "/S" || text == "-s" || text == "-S";
}

namespace {
// The letter of a mode after "/" (when allowed) or "-", in either case,
// alone or followed by what carries a window handle: a blank, a colon or a
// digit. A word that merely begins with it ("-preview", "-update") is none.
bool isLetterMode(const std::string& text, char lower, bool slash = true) {
    if (text.size() < 2 || !(text[0] == '-' || (slash && text[0] == '/'))) return false;
    if (text[1] != lower && text[1] != std::toupper(static_cast<unsigned char>(lower))) return false;
    return text.size() == 2 || text[2] == ' ' || text[2] == ':' || std::isdigit(static_cast<unsigned char>(text[2]));
}
}  // namespace

RunMode runModeOf(const std::string& text) {
    if (isLetterMode(text, 'a')) return RunMode::PasswordChange;
    if (isLetterMode(text, 'u', false)) return RunMode::RemoveSettings;
    if (isLetterMode(text, 'p') || isLetterMode(text, 'l')) return RunMode::Preview;
    if (isShowSpelling(text)) return RunMode::Show;
    if (isLetterMode(text, 'c') || text == "c" || text == "C") return RunMode::SettingsWithOwner;
    if (text.empty()) return RunMode::SettingsNoOwner;
    return RunMode::Other;
}

long long windowHandleOf(const std::string& text) {
    if (text.size() <= 3) return 0;
    const std::string digits = text.substr(3, 12);
    std::size_t i = 0;
    while (i < digits.size() && std::isspace(static_cast<unsigned char>(digits[i]))) ++i;
    bool negative = false;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
    long long value = 0;
    bool any = false;
    for (; i < digits.size() && std::isdigit(static_cast<unsigned char>(digits[i])); ++i) {
        value = value * 10 + (digits[i] - '0');
        any = true;
    }
    if (!any) return 0;
    return negative ? -value : value;
}

long long previewHandleOf(const std::string& text) {
    std::size_t i = 3;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        hexDigitValue(text[i + 2]) >= 0) {
        long long value = 0;
        // Window ids have at most 8 hexadecimal digits; more is not a window.
        for (std::size_t j = i + 2, digits = 0; j < text.size() && hexDigitValue(text[j]) >= 0; ++j) {
            if (++digits > 8) return 0;
            value = value * 16 + hexDigitValue(text[j]);
        }
        return value;
    }
    return windowHandleOf(text);
}

unsigned long windowIdOf(const std::string& text) {
    const std::string t = trimBlanks(text);
    const bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    const std::string digits = hex ? t.substr(2) : t;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return 0;
    unsigned long long value = 0;
    for (const char c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0 || (!hex && digit > 9)) return 0;
        value = value * (hex ? 16 : 10) + static_cast<unsigned long long>(digit);
    }
    return value <= 0xFFFFFFFFull ? static_cast<unsigned long>(value) : 0;
}

std::optional<unsigned long> hackWindowOf(const std::string& argumentText, const char* xscreensaverWindow) {
    // The daemon names its window in the environment and may add options of
    // its own ("-root"): the variable decides, whatever else is given.
    if (xscreensaverWindow && *xscreensaverWindow) return windowIdOf(xscreensaverWindow);
    std::istringstream words(argumentText);
    for (std::string word; words >> word;) {
        // xscreensaver's own spelling has one dash, the long-option one two.
        const std::string option = word.starts_with("--") ? word.substr(1) : word;
        if (option == "-window-id") {
            std::string id;
            words >> id;
            return windowIdOf(id);
        }
        if (option.starts_with("-window-id=")) return windowIdOf(option.substr(11));
    }
    return std::nullopt;
}

CommandLineKind commandLineKindOf(const std::string& argumentText, const char* xscreensaverWindow) {
    // A daemon's display mode takes whatever else the daemon adds.
    if (hackWindowOf(argumentText, xscreensaverWindow)) return CommandLineKind::Run;
    const std::string text = trimBlanks(argumentText);
    if (text == "-root" || text == "--root") return CommandLineKind::RootWithoutWindow;
    return runModeOf(text) == RunMode::Other ? CommandLineKind::Unknown : CommandLineKind::Run;
}

}  // namespace orvanta
