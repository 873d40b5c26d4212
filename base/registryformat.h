#pragma once
// The text of a registry file, as the registry editor exports and imports it
// and as the store writes it:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Quorrin\Orvanta\4.0]
//   @="(value not set)"
//   "Duration"="20"
//
// Read: both headers ("REGEDIT4" and "Windows Registry Editor Version
// 5.00"), UTF-16 with a byte-order mark or UTF-8 with or without one, LF,
// CRLF or CR line ends, indented lines, blanks around "=", "; comments" on
// their own line or after a value, "dword:" and "hex:"/"hex(n):" values (hex
// lines may continue with a trailing backslash), "name"=- and [-key]
// deletions, a key named in several sections. Lines that cannot be understood
// are kept, in place, and written back as they were; so is a section of
// another root, with its lines.
//
// Written: always REGEDIT4 in UTF-8 with LF line ends. Strings are quoted
// with "\\", "\"", "\n" and "\r" escaped, so that a value stays on one line;
// every other byte is written as it is. A string that is not well-formed
// UTF-8 (a file name in Latin-1, say) is written as hex(1): its bytes and a
// closing zero, which read back as the same bytes. A value read as a dword
// or as hex data keeps that form while it is unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvanta {

struct RegistryValue {
    enum class Form : std::uint8_t { String, Dword, Hex };

    std::string name;  // "" is the key's unnamed value
    // What a string read gives: the string itself; a number (dword, hex(4),
    // hex(5), hex(b)) as unsigned decimal text; other data (binary, multi-
    // string) as its bytes up to the first zero byte.
    std::string text;
    Form form = Form::String;
    std::uint32_t dword = 0;  // Form::Dword
    unsigned hexType = 3;     // Form::Hex: the n of hex(n); plain "hex:" is 3
    // Form::Hex: the data bytes; for the string types (1, 2, 7) as UTF-8,
    // whatever the encoding of the file they came from.
    std::string bytes;
    std::string trailer;  // a "; comment" after the value, with the blanks before it

    // The value as a plain string, as every write of the store makes it.
    static RegistryValue string(std::string name, std::string text);
};

struct RegistryKeptLine {
    std::size_t beforeValue;  // written before the value with this position (or after the last one)
    std::string line;
};

struct RegistrySection {
    // The key's path below the root ("" is the root itself), case kept; for a
    // foreign section, the section line as it was.
    std::string name;
    // A section this store does not own (another root, a malformed name, a
    // key deletion followed by lines): it keeps its lines and is never looked at.
    bool foreign = false;
    std::vector<RegistryValue> values;   // unique names (compared without regard to ASCII case)
    std::vector<RegistryKeptLine> kept;  // comments and lines not understood, in file order
};

struct RegistryHive {
    std::vector<std::string> leading;       // comments and lines not understood before the first section
    std::vector<RegistrySection> sections;  // in file order; own section names are unique
};

struct RegistryFileProblem {
    std::size_t line;  // 1-based, the first line of a continued line
    std::string text;
};

struct ParsedRegistryFile {
    RegistryHive hive;
    // False when nothing in the text is registry text: no header, no section,
    // no value. An empty or blank text counts as recognised (an empty hive).
    bool recognised = false;
    // The lines that were kept without being understood; at most
    // kMaxReportedProblems of them, `moreProblems` counts the rest.
    std::vector<RegistryFileProblem> problems;
    std::size_t moreProblems = 0;
};

inline constexpr std::size_t kMaxReportedProblems = 20;

// The file's bytes as text of the hive named rootName ("HKEY_CURRENT_USER";
// "HKCU" is read as the same root). Never fails; see `recognised`.
ParsedRegistryFile parseRegistryFile(std::string_view bytes, std::string_view rootName);
// The text of a hive in the store's own form (see above).
std::string formatRegistryFile(const RegistryHive& hive, std::string_view rootName);

// A key path below a root: components separated by "\", none empty, no
// control characters; "" is the root.
bool validRegistryKeyPath(std::string_view path);

}  // namespace orvanta
