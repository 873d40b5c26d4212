#include "base/WLayoutTable.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "base/WString.h"

namespace orvanta {

bool LayoutControl::hasFlag(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::string LayoutControl::flagValue(const std::string& flagName) const {
    const std::string prefix = flagName + "=";
    for (const std::string& flag : flags)
        if (flag.compare(0, prefix.size(), prefix) == 0) return flag.substr(prefix.size());
    return {};
}

const LayoutControl* LayoutTable::find(const std::string& name) const {
    for (const LayoutControl& control : controls)
        if (control.name == name) return &control;
    return nullptr;
}

namespace {

// Splits at "|" outside double quotes.
std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size()) {
            fields.back() += c;
            fields.back() += line[++i];
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (c == '|' && !quoted) {
            fields.emplace_back();
            continue;
        }
        fields.back() += c;
    }
    for (std::string& field : fields) field = trimWhiteSpace(field);
    return fields;
}

bool parseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool parsePair(const std::string& text, char separator, int& a, int& b) {
    const std::size_t at = text.find(separator);
    return at != std::string::npos && parseInt(text.substr(0, at), a) && parseInt(text.substr(at + 1), b);
}

// One or more "..." strings separated by blanks.
bool parseTexts(const std::string& field, std::vector<std::string>& out) {
    std::size_t i = 0;
    while (i < field.size()) {
        if (field[i] == ' ' || field[i] == '\t') {
            ++i;
            continue;
        }
        if (field[i] != '"') return false;
        std::string text;
        for (++i;; ++i) {
            if (i >= field.size()) return false;
            if (field[i] == '\\' && i + 1 < field.size()) {
                text += field[++i];
            } else if (field[i] == '"') {
                ++i;
                break;
            } else {
                text += field[i];
            }
        }
        out.push_back(std::move(text));
    }
    return true;
}

std::vector<std::string> parseFlags(const std::string& field) {
    std::vector<std::string> flags;
    std::stringstream stream(field);
    std::string flag;
    while (std::getline(stream, flag, ','))
        if (std::string trimmed = trimWhiteSpace(flag); !trimmed.empty()) flags.push_back(trimmed);
    return flags;
}

}  // namespace

std::optional<LayoutTable> LayoutTable::parse(const std::string& text, std::string* error) {
    LayoutTable table;
    bool haveForm = false;
    std::stringstream stream(text);
    std::string line;
    int lineNumber = 0;
    auto fail = [&](const std::string& why) -> std::optional<LayoutTable> {
        if (error) *error = "line " + std::to_string(lineNumber) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(stream, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = trimWhiteSpace(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        const std::vector<std::string> fields = splitFields(trimmed);
        if (fields[0] == "font") {
            std::vector<std::string> texts;
            if (fields.size() != 2 || !parseTexts(fields[1], texts) || texts.size() != 1)
                return fail("a font row is: font | \"description\"");
            table.font = texts[0];
            continue;
        }
        if (fields.size() != 7) return fail("expected 7 fields, found " + std::to_string(fields.size()));
        LayoutControl control;
        if (fields[0] == "form") {
            if (haveForm) return fail("a second form row");
        } else if (!parseInt(fields[0], control.id) || control.id <= 0) {
            return fail("bad id \"" + fields[0] + "\"");
        }
        control.name = fields[1];
        control.kind = fields[2];
        if (control.name.empty() || control.kind.empty()) return fail("a name and a kind are needed");
        if (!parsePair(fields[3], ',', control.x, control.y)) return fail("bad position \"" + fields[3] + "\"");
        if (!parsePair(fields[4], 'x', control.width, control.height) || control.width < 0 || control.height < 0)
            return fail("bad size \"" + fields[4] + "\"");
        control.flags = parseFlags(fields[5]);
        if (!parseTexts(fields[6], control.texts)) return fail("bad text field");
        if (fields[0] == "form") {
            table.form = std::move(control);
            haveForm = true;
        } else {
            if (table.find(control.name)) return fail("the name " + control.name + " is used twice");
            table.controls.push_back(std::move(control));
        }
    }
    if (!haveForm) return fail("no form row");
    return table;
}

}  // namespace orvanta
