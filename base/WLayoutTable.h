#pragma once
// A form's layout table: the form itself and its controls in creation order,
// each with id, name, kind, position and size in dialog units, flags and
// text. Tables are text, one row per line, fields separated by "|":
//
//   font | "8.MS Sans Serif"
//   form | TabForm1 | page | 8,18 | 395x220 | | ""
//   101  | label_1  | label | 15,26 | 44x8 | | "Duration (sec)"
//   116  | ProportCombo | combo | 56,142 | 44x77 | group | "Screen" "1.5 X" "2 X"
//
// The text field holds one or more double-quoted strings (several for the
// items of combo boxes and list boxes); inside quotes \" and \\ are escapes.
// Flags are comma-separated words, a few with a value ("font=9.MS Sans
// Serif.Bold"). Blank lines and lines starting with "#" are ignored.
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

struct LayoutControl {
    int id = 0;
    std::string name;
    std::string kind;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    std::vector<std::string> flags;
    std::vector<std::string> texts;  // the caption, or the items of a list

    bool hasFlag(const std::string& flag) const;
    // The value of a "name=value" flag, or "" when absent.
    std::string flagValue(const std::string& flagName) const;
    std::string text() const { return texts.empty() ? std::string() : texts.front(); }
};

struct LayoutTable {
    std::string font;    // font description of the form, e.g. "8.MS Sans Serif"
    LayoutControl form;  // the form's own row (id 0)
    std::vector<LayoutControl> controls;

    const LayoutControl* find(const std::string& name) const;

    // Parses a table; nullopt with a message naming the line when it is malformed.
    static std::optional<LayoutTable> parse(const std::string& text, std::string* error = nullptr);
};

}  // namespace orvanta
