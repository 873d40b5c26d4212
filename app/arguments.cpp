#include "app/arguments.h"

#include <cctype>

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
bool beginsWith(const std::string& text, char letter) {
    return text.size() >= 2 && (text[0] == '/' || text[0] == '-') && text[1] == letter;
}
bool beginsWithEither(const std::string& text, char lower) {
    return beginsWith(text, lower) || beginsWith(text, static_cast<char>(std::toupper(lower)));
}
}  // namespace

RunMode runModeOf(const std::string& text) {
    if (beginsWithEither(text, 'a')) return RunMode::PasswordChange;
    if (text.size() >= 2 && text[0] == '-' && (text[1] == 'u' || text[1] == 'U')) return RunMode::RemoveSettings;
    if (beginsWithEither(text, 'p') || beginsWithEither(text, 'l')) return RunMode::Preview;
    if (isShowSpelling(text)) return RunMode::Show;
    if (beginsWithEither(text, 'c') || text == "c" || text == "C") return RunMode::SettingsWithOwner;
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

}  // namespace orvanta
