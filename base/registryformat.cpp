#include "base/registryformat.h"

// Reading is forgiving by line: every line is either understood (a header, a
// section, a value, a deletion, a comment, a blank) or kept as it is, where it
// was, and reported. So a line written by another tool, or one this version
// does not know, never costs the values around it, and it survives every
// rewrite. A line ending in a backslash is joined with the following line when
// that one holds only hex data, which is how the registry editor wraps long
// hex values; the lines of such a group are kept together. Kept lines are
// written back verbatim and in the same context, and a blank line is put
// between a line that ends in a backslash and a following hex-looking line
// that did not continue it, so reading the written text gives the same hive.

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "base/WString.h"
#include "base/utfcodec.h"

namespace orvanta {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\0'; }

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) { return trimRight(trimLeft(s)); }

// --- encodings ---

// The file's text in UTF-8: UTF-16 when it starts with a byte-order mark (or,
// without one, when the second byte is zero, which no UTF-8 registry text
// has); otherwise the bytes as they are, a UTF-8 mark removed.
std::string decodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return utf16ToUtf8(bytes.substr(2));
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF)
        return utf16ToUtf8(bytes.substr(2), {ByteOrder::BigEndian});
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.size() >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[3] == 0) return utf16ToUtf8(bytes);
    return std::string(bytes);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// --- quoted strings ---

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (const char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    out += '"';
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing
// quote. False for an unterminated string or an unknown escape.
bool readQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= s.size()) return false;
        switch (s[pos++]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return false;
}

// --- values ---

std::string upToZero(std::string_view bytes) { return std::string(bytes.substr(0, bytes.find('\0'))); }

std::uint64_t littleEndian(std::string_view bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) v = v << 8 | static_cast<unsigned char>(bytes[i]);
    return v;
}

std::string textOfHex(unsigned type, const std::string& bytes) {
    if ((type == 4 || type == 5) && bytes.size() == 4) {
        std::uint64_t v = littleEndian(bytes);
        if (type == 5) v = (v & 0xFF) << 24 | (v & 0xFF00) << 8 | (v >> 8 & 0xFF00) | v >> 24;
        return std::to_string(v);
    }
    if (type == 11 && bytes.size() == 8) return std::to_string(littleEndian(bytes));
    return upToZero(bytes);
}

// "01,ab, 2" into bytes; a trailing comma is allowed, an empty item elsewhere is not.
bool readHexBytes(std::string_view list, std::string& out) {
    out.clear();
    list = trim(list);
    if (list.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::string_view item = trim(list.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (item.empty()) return comma == std::string_view::npos && start > 0;
        if (item.size() > 2) return false;
        int value = 0;
        for (const char c : item) {
            const int d = hexDigitValue(c);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out += static_cast<char>(value);
        if (comma == std::string_view::npos) return true;
        start = comma + 1;
    }
}

enum class LineKind { Value, Deletion, Bad };

struct ParsedLine {
    LineKind kind = LineKind::Bad;
    RegistryValue value;
};

// One value line (indentation already removed): name, "=", data, and an
// optional comment. Hex data of the string types is UTF-16 in files with the
// version 5 header and is turned into UTF-8 here.
ParsedLine parseValueLine(std::string_view line, bool utf16Strings) {
    ParsedLine result;
    RegistryValue& v = result.value;
    std::size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (!readQuoted(line, pos, v.name)) {
        return result;
    }
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return result;
    ++pos;
    while (pos < line.size() && isBlank(line[pos])) ++pos;
    std::string_view rest = line.substr(pos);

    LineKind kind = LineKind::Value;
    std::size_t end = 0;  // length of the data in rest
    if (!rest.empty() && rest[0] == '-') {
        kind = LineKind::Deletion;
        end = 1;
    } else if (!rest.empty() && rest[0] == '"') {
        if (!readQuoted(rest, end, v.text)) return result;
    } else if (startsWithNoCase(rest, "dword:")) {
        end = 6;
        std::uint32_t n = 0;
        std::size_t digits = 0;
        for (; end < rest.size() && hexDigitValue(rest[end]) >= 0; ++end, ++digits)
            n = n << 4 | static_cast<std::uint32_t>(hexDigitValue(rest[end]));
        if (digits == 0 || digits > 8) return result;
        v.form = RegistryValue::Form::Dword;
        v.dword = n;
        v.text = std::to_string(n);
    } else if (startsWithNoCase(rest, "hex")) {
        end = 3;
        unsigned type = 3;
        if (end < rest.size() && rest[end] == '(') {
            ++end;
            type = 0;
            std::size_t digits = 0;
            for (; end < rest.size() && hexDigitValue(rest[end]) >= 0; ++end, ++digits)
                type = type << 4 | static_cast<unsigned>(hexDigitValue(rest[end]));
            if (digits == 0 || digits > 8 || end >= rest.size() || rest[end] != ')') return result;
            ++end;
        }
        if (end >= rest.size() || rest[end] != ':') return result;
        ++end;
        const std::size_t comment = rest.find(';', end);
        std::size_t stop = comment == std::string_view::npos ? rest.size() : comment;
        while (stop > end && isBlank(rest[stop - 1])) --stop;  // the blanks before a comment go with it
        if (!readHexBytes(rest.substr(end, stop - end), v.bytes)) return result;
        end = stop;
        if (utf16Strings && (type == 1 || type == 2 || type == 7)) v.bytes = utf16ToUtf8(v.bytes);
        v.form = RegistryValue::Form::Hex;
        v.hexType = type;
        v.text = textOfHex(type, v.bytes);
        // A string of bytes that are not UTF-8 and one closing zero is what
        // writing a string of them gives: it is read as that string.
        if (type == 1 && !v.bytes.empty() && v.bytes.find('\0') == v.bytes.size() - 1 && !isUtf8(v.text)) {
            v.form = RegistryValue::Form::String;
            v.hexType = 3;
            v.bytes.clear();
        }
    } else {
        return result;
    }
    const std::string_view after = rest.substr(end);
    const std::string_view tail = trimLeft(after);
    if (!tail.empty() && tail[0] != ';') return result;
    if (!tail.empty() && kind == LineKind::Value) v.trailer = std::string(trimRight(after));
    result.kind = kind;
    return result;
}

// A continuation of a hex value: only hex digits, commas and blanks, perhaps
// continued itself.
bool isHexContinuation(std::string_view line) {
    line = trim(line);
    if (line.empty()) return false;
    if (line.back() == '\\') line.remove_suffix(1);
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return hexDigitValue(c) >= 0 || c == ',' || isBlank(c); });
}

void appendHexBytes(std::string& out, std::string_view bytes, bool wrap) {
    // Wrapped like the registry editor wraps: lines of up to about 80
    // characters, continued with ",\" and indented by two blanks. A value with
    // a comment after it stays on one line, since a continuation holds hex only.
    std::size_t column = out.size() - std::min(out.size(), out.rfind('\n') + 1);
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i > 0) {
            out += ',';
            ++column;
            if (wrap && column > 75) {
                out += "\\\n  ";
                column = 2;
            }
        }
        out += digits[b >> 4];
        out += digits[b & 15];
        column += 2;
    }
}

// --- parsing state ---

// Deletions only mark what they remove, and the hive is compacted once at the
// end, so that a file of many deletions costs no more than one of many values.
struct Builder {
    RegistryHive hive;
    std::map<std::string, std::size_t> sectionIndex;  // folded own path -> position; ordered for subtrees
    std::vector<bool> sectionGone;
    std::vector<std::unordered_map<std::string, std::size_t>> valueIndex;  // per section
    std::vector<std::vector<bool>> valueGone;
    std::size_t current = kNone;

    std::size_t addSection(RegistrySection section) {
        hive.sections.push_back(std::move(section));
        sectionGone.push_back(false);
        valueIndex.emplace_back();
        valueGone.emplace_back();
        return hive.sections.size() - 1;
    }

    std::size_t ownSection(std::string_view path) {
        const std::string folded = asciiLowered(path);
        const auto it = sectionIndex.find(folded);
        if (it != sectionIndex.end()) return it->second;
        const std::size_t s = addSection({std::string(path), false, {}, {}});
        sectionIndex.emplace(folded, s);
        return s;
    }

    std::size_t foreignSection(std::string_view line) { return addSection({std::string(line), true, {}, {}}); }

    void keep(std::string_view line) {
        if (current == kNone) hive.leading.emplace_back(line);
        else hive.sections[current].kept.push_back({hive.sections[current].values.size(), std::string(line)});
    }

    void setValue(RegistryValue value) {
        RegistrySection& section = hive.sections[current];
        const auto [it, added] = valueIndex[current].emplace(asciiLowered(value.name), section.values.size());
        if (added) {
            section.values.push_back(std::move(value));
            valueGone[current].push_back(false);
        } else {
            value.name = std::move(section.values[it->second].name);  // the first spelling stays
            section.values[it->second] = std::move(value);
        }
    }

    void deleteValue(const std::string& name) {
        auto& index = valueIndex[current];
        const auto it = index.find(asciiLowered(name));
        if (it == index.end()) return;
        valueGone[current][it->second] = true;
        index.erase(it);
    }

    // True when the key exists: named by a section or the parent of one.
    bool keyKnown(const std::string& folded) const {
        if (sectionIndex.count(folded)) return true;
        const auto below = sectionIndex.lower_bound(folded + "\\");
        return below != sectionIndex.end() && below->first.compare(0, folded.size() + 1, folded + "\\") == 0;
    }

    // Removes a key and everything below it; the parent stays, as the registry keeps it.
    void deleteKey(std::string_view path) {
        const std::string folded = asciiLowered(path);
        std::size_t first = kNone;
        const auto remove = [&](std::map<std::string, std::size_t>::iterator it) {
            sectionGone[it->second] = true;
            first = std::min(first, it->second);
            return sectionIndex.erase(it);
        };
        if (const auto it = sectionIndex.find(folded); it != sectionIndex.end()) remove(it);
        // The paths below it are exactly those from the path and a backslash
        // up to the path and "]", the character after the backslash.
        auto below = sectionIndex.lower_bound(folded + "\\");
        const auto end = sectionIndex.lower_bound(folded + "]");
        while (below != end) below = remove(below);
        if (first == kNone) return;
        const std::size_t cut = path.rfind('\\');
        if (cut == std::string_view::npos) return;
        const std::string parent = asciiLowered(path.substr(0, cut));
        if (keyKnown(parent)) return;
        // The parent takes the place of the first key removed.
        hive.sections[first] = RegistrySection{std::string(path.substr(0, cut)), false, {}, {}};
        sectionGone[first] = false;
        valueIndex[first].clear();
        valueGone[first].clear();
        sectionIndex.emplace(parent, first);
    }

    RegistryHive finish() {
        std::vector<RegistrySection> live;
        live.reserve(hive.sections.size());
        for (std::size_t s = 0; s < hive.sections.size(); ++s) {
            if (sectionGone[s]) continue;
            RegistrySection& section = hive.sections[s];
            // Drops deleted values; a kept line stays before the value it preceded.
            std::vector<std::size_t> liveBefore(section.values.size() + 1, 0);
            std::vector<RegistryValue> values;
            for (std::size_t v = 0; v < section.values.size(); ++v) {
                liveBefore[v] = values.size();
                if (!valueGone[s][v]) values.push_back(std::move(section.values[v]));
            }
            liveBefore[section.values.size()] = values.size();
            for (RegistryKeptLine& kept : section.kept)
                kept.beforeValue = liveBefore[std::min(kept.beforeValue, section.values.size())];
            section.values = std::move(values);
            live.push_back(std::move(section));
        }
        hive.sections = std::move(live);
        return std::move(hive);
    }
};

enum class SectionKind { Own, Deletion, OtherRoot, Bad };

struct SectionLine {
    SectionKind kind = SectionKind::Bad;
    std::string_view path;
};

// "[ROOT\path]" or "[-ROOT\path]", perhaps followed by a comment.
SectionLine parseSectionLine(std::string_view line, std::string_view rootName) {
    SectionLine result;
    std::size_t close = line.rfind(']');
    while (close != std::string_view::npos) {
        const std::string_view after = trimLeft(line.substr(close + 1));
        if (after.empty() || after[0] == ';') break;
        close = close == 0 ? std::string_view::npos : line.rfind(']', close - 1);
    }
    if (close == std::string_view::npos || close == 0) return result;
    std::string_view inner = line.substr(1, close - 1);
    const bool deletion = !inner.empty() && inner[0] == '-';
    if (deletion) inner.remove_prefix(1);

    const std::size_t cut = inner.find('\\');
    const std::string root = asciiLowered(inner.substr(0, cut));
    std::string_view path = cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1);
    if (cut != std::string_view::npos && path.empty()) return result;
    const std::string ownRoot = asciiLowered(rootName);
    const bool own = root == ownRoot || (root == "hkcu" && ownRoot == "hkey_current_user") ||
                     (root == "hklm" && ownRoot == "hkey_local_machine");
    if (!own) {
        if (root.compare(0, 5, "hkey_") == 0 || root == "hkcu" || root == "hklm") result.kind = SectionKind::OtherRoot;
        return result;
    }
    if (!validRegistryKeyPath(path)) return result;
    if (deletion && path.empty()) return result;  // a root cannot be deleted
    result.kind = deletion ? SectionKind::Deletion : SectionKind::Own;
    result.path = path;
    return result;
}

}  // namespace

RegistryValue RegistryValue::string(std::string name, std::string text) {
    RegistryValue v;
    v.name = std::move(name);
    v.text = std::move(text);
    return v;
}

bool validRegistryKeyPath(std::string_view path) {
    if (path.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty()) return false;
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

ParsedRegistryFile parseRegistryFile(std::string_view bytes, std::string_view rootName) {
    ParsedRegistryFile parsed;
    const std::string text = decodeText(bytes);
    const std::vector<std::string_view> lines = splitLines(text);

    Builder b;
    bool recognised = true;  // until a non-blank line says otherwise
    bool sawContent = false;
    bool utf16Strings = false;            // hex string data is UTF-16 under the version 5 header
    bool inDeletion = false;              // lines after a [-key] belong to no key
    std::size_t pendingDeletion = kNone;  // its line, made a foreign section once a line follows it

    const auto problem = [&](std::size_t lineNumber, std::string_view line) {
        if (parsed.problems.size() < kMaxReportedProblems) parsed.problems.push_back({lineNumber, std::string(line)});
        else ++parsed.moreProblems;
    };

    for (std::size_t i = 0; i < lines.size();) {
        const std::size_t first = i;
        std::string logical(trim(lines[i]));
        ++i;
        // Joins the lines of a wrapped hex value.
        while (!logical.empty() && logical.back() == '\\' && i < lines.size() && isHexContinuation(lines[i])) {
            logical.pop_back();
            logical += trim(lines[i]);
            ++i;
        }
        const auto group = [&](std::size_t from) {
            std::string kept;
            for (std::size_t k = from; k < i; ++k) {
                if (k > from) kept += '\n';
                kept += lines[k];
            }
            return kept;
        };
        const auto keepAll = [&] { b.keep(group(first)); };
        if (logical.empty()) continue;
        if (!sawContent) {
            sawContent = true;
            recognised = false;
        }

        if (logical == "REGEDIT4" || logical == "Windows Registry Editor Version 5.00") {
            utf16Strings = logical != "REGEDIT4";
            recognised = true;
            continue;
        }
        if (logical[0] == '[') {
            inDeletion = false;
            pendingDeletion = kNone;
            const SectionLine section = parseSectionLine(logical, rootName);
            switch (section.kind) {
            case SectionKind::Own:
                recognised = true;
                b.current = b.ownSection(section.path);
                break;
            case SectionKind::Deletion:
                recognised = true;
                b.deleteKey(section.path);
                b.current = kNone;
                inDeletion = true;
                pendingDeletion = first;
                break;
            case SectionKind::OtherRoot: recognised = true; [[fallthrough]];
            case SectionKind::Bad:
                problem(first + 1, lines[first]);
                b.current = b.foreignSection(lines[first]);
                if (i > first + 1) b.keep(group(first + 1));
                break;
            }
            continue;
        }
        if (inDeletion) {
            if (pendingDeletion != kNone) {
                b.current = b.foreignSection(lines[pendingDeletion]);
                pendingDeletion = kNone;
            }
            if (logical[0] != ';') problem(first + 1, lines[first]);
            keepAll();
            continue;
        }
        if (b.current != kNone && b.hive.sections[b.current].foreign) {
            keepAll();
            continue;
        }
        if (logical[0] == ';') {
            keepAll();
            continue;
        }
        ParsedLine value;
        if ((logical[0] == '@' || logical[0] == '"') && b.current != kNone)
            value = parseValueLine(logical, utf16Strings);
        switch (value.kind) {
        case LineKind::Value: b.setValue(std::move(value.value)); break;
        case LineKind::Deletion: b.deleteValue(value.value.name); break;
        case LineKind::Bad:
            problem(first + 1, lines[first]);
            keepAll();
            break;
        }
    }
    parsed.hive = b.finish();
    parsed.recognised = recognised;
    return parsed;
}

std::string formatRegistryFile(const RegistryHive& hive, std::string_view rootName) {
    std::string out = "REGEDIT4\n\n";
    // Appends lines that belong together; a blank line first when the text so
    // far would otherwise continue into them.
    const auto emit = [&out](std::string_view lines) {
        const std::string_view firstLine = lines.substr(0, lines.find('\n'));
        const std::string_view written(out.data(), out.size() - 1);  // without the last line end
        const std::string_view lastLine = trimRight(written.substr(written.rfind('\n') + 1));
        if (!lastLine.empty() && lastLine.back() == '\\' && isHexContinuation(firstLine)) out += '\n';
        out += lines;
        out += '\n';
    };
    for (const std::string& lines : hive.leading) emit(lines);
    if (!hive.leading.empty()) out += '\n';
    std::string line;
    for (const RegistrySection& section : hive.sections) {
        if (section.foreign) {
            emit(section.name);
        } else {
            out += '[';
            out += rootName;
            if (!section.name.empty()) {
                out += '\\';
                out += section.name;
            }
            out += "]\n";
        }
        std::size_t k = 0;
        for (std::size_t v = 0; v <= section.values.size(); ++v) {
            for (; k < section.kept.size() && (section.kept[k].beforeValue <= v || v == section.values.size()); ++k)
                emit(section.kept[k].line);
            if (v == section.values.size()) break;
            const RegistryValue& value = section.values[v];
            line.clear();
            if (value.name.empty()) line += '@';
            else appendQuoted(line, value.name);
            line += '=';
            switch (value.form) {
            case RegistryValue::Form::String:
                // Text that is not UTF-8 (a file name from a Latin-1 disk) goes
                // as the bytes of a string value, which read back unchanged
                // and keep the file UTF-8; other text stays readable.
                if (isUtf8(value.text) || value.text.find('\0') != std::string::npos) {
                    appendQuoted(line, value.text);
                } else {
                    line += "hex(1):";
                    appendHexBytes(line, std::string(value.text) + '\0', value.trailer.empty());
                }
                break;
            case RegistryValue::Form::Dword: {
                static const char digits[] = "0123456789abcdef";
                line += "dword:";
                for (int shift = 28; shift >= 0; shift -= 4) line += digits[(value.dword >> shift) & 15];
                break;
            }
            case RegistryValue::Form::Hex: {
                if (value.hexType == 3) {
                    line += "hex:";
                } else {
                    char type[16];
                    std::snprintf(type, sizeof type, "hex(%x):", value.hexType);
                    line += type;
                }
                appendHexBytes(line, value.bytes, value.trailer.empty());
                break;
            }
            }
            line += value.trailer;
            emit(line);
        }
        out += '\n';
    }
    return out;
}

}  // namespace orvanta
