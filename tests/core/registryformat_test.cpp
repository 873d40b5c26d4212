#include "base/registryformat.h"

#include "base/WString.h"
#include "base/registrystore.h"
#include "tests/core/support/testenv.h"

#include <gtest/gtest.h>

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace orvanta {
namespace {

const std::string kRoot = "HKEY_CURRENT_USER";

// UTF-16 bytes of UTF-8 text, with a byte-order mark as the registry editor writes it.
std::string utf16(const std::string& text, bool bigEndian = false, bool mark = true) {
    std::string out = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (const char16_t unit : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU16String()) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

const RegistrySection* section(const RegistryHive& hive, const std::string& name) {
    for (const RegistrySection& s : hive.sections)
        if (!s.foreign && asciiLowered(s.name) == asciiLowered(name)) return &s;
    return nullptr;
}

std::optional<std::string> valueOf(const RegistryHive& hive, const std::string& key, const std::string& name) {
    const RegistrySection* s = section(hive, key);
    if (!s) return std::nullopt;
    for (const RegistryValue& v : s->values)
        if (asciiLowered(v.name) == asciiLowered(name)) return v.text;
    return std::nullopt;
}

std::vector<std::string> valueNames(const RegistrySection& s) {
    std::vector<std::string> names;
    for (const RegistryValue& v : s.values) names.push_back(v.name);
    return names;
}

// --- every form the registry editor exports or imports ---

struct FormCase {
    const char* label;
    std::string bytes;
    std::optional<std::string> x;  // the value "X" of key K afterwards
};

class RegistryFileForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(RegistryFileForms, ReadWithoutProblemsAndRewrittenTheSame) {
    const FormCase& c = GetParam();
    const ParsedRegistryFile parsed = parseRegistryFile(c.bytes, kRoot);
    ASSERT_TRUE(parsed.recognised);
    EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front().line << ": " << parsed.problems.front().text;
    EXPECT_EQ(valueOf(parsed.hive, "K", "X"), c.x);
    // What is written reads back to the same value, and is written the same.
    const std::string written = formatRegistryFile(parsed.hive, kRoot);
    const ParsedRegistryFile again = parseRegistryFile(written, kRoot);
    EXPECT_TRUE(again.problems.empty()) << written;
    EXPECT_EQ(valueOf(again.hive, "K", "X"), c.x) << written;
    EXPECT_EQ(formatRegistryFile(again.hive, kRoot), written);
}

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryFileForms,
    ::testing::Values(
        FormCase{"regedit4", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"X\"=\"1\"\n", "1"},
        FormCase{"version5_utf16le",
                 utf16(kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=\"F\xC3\xBC\x72 \xE2\x82\xAC\"\r\n\r\n"),
                 "F\xC3\xBCr \xE2\x82\xAC"},
        FormCase{"version5_utf16be", utf16(kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=\"2\"\r\n", true), "2"},
        FormCase{"version5_utf16le_without_mark",
                 utf16(kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=\"3\"\r\n", false, false), "3"},
        FormCase{"version5_utf8", kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=\"4\"\r\n", "4"},
        FormCase{"utf8_with_mark", "\xEF\xBB\xBFREGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=\"\xE6\x97\xA5\"\n",
                 "\xE6\x97\xA5"},
        FormCase{"surrogate_pair", utf16(kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=\"\xF0\x9F\x93\xB7\"\r\n"),
                 "\xF0\x9F\x93\xB7"},
        FormCase{"comment_lines", "REGEDIT4\n; exported\n[HKEY_CURRENT_USER\\K]\n; the value\n\"X\"=\"5\"\n", "5"},
        FormCase{"comment_after_value", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=\"a;b\" ; not part of it\n", "a;b"},
        FormCase{"comment_after_section", "REGEDIT4\n[HKEY_CURRENT_USER\\K] ; ours\n\"X\"=\"6\"\n", "6"},
        FormCase{"value_deleted", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=\"7\"\n\"Y\"=\"y\"\n\"x\"=-\n",
                 std::nullopt},
        FormCase{"deleted_then_set", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=-\n\"X\"=\"8\"\n", "8"},
        FormCase{"dword", kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=dword:00000014\r\n", "20"},
        FormCase{"dword_upper_and_short", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=DWORD:FF\n", "255"},
        FormCase{"dword_all_ones", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=dword:ffffffff\n", "4294967295"},
        FormCase{"hex2_utf16",
                 kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n",
                 "%HOME%"},
        FormCase{"hex1_regedit4_bytes", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex(1):61,62,00\n", "ab"},
        FormCase{"hex1_latin1", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex(1):63,61,66,e9,00 ; ok\n", "caf\xE9"},
        FormCase{"quoted_latin1", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=\"caf\xE9\"\n", "caf\xE9"},
        FormCase{"hex_binary", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex:41,42,00,43\n", "AB"},
        FormCase{"hex_empty", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex:\n", ""},
        FormCase{"hex4_dword", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex(4):14,00,00,00\n", "20"},
        FormCase{"hex5_big_endian", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex(5):00,00,01,00\n", "256"},
        FormCase{"hexb_qword", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=hex(b):00,00,00,00,01,00,00,00\n",
                 "4294967296"},
        FormCase{"hex7_multi", kV5 + "[HKEY_CURRENT_USER\\K]\r\n\"X\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n", "a"},
        FormCase{
            "hex_continued",
            kV5 +
                "[HKEY_CURRENT_USER\\K]\r\n\"X\"=hex(2):25,00,48,00,4f,00,\\\r\n  4d,00,45,00,\\\r\n  25,00,00,00\r\n",
            "%HOME%"},
        FormCase{"blanks_around_equals", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\" = \"9\"\n", "9"},
        FormCase{"indented", "REGEDIT4\n  [HKEY_CURRENT_USER\\K]\n\t  \"X\"=\"10\"   \n", "10"},
        FormCase{"cr_only", "REGEDIT4\r\r[HKEY_CURRENT_USER\\K]\r\"X\"=\"11\"\r", "11"},
        FormCase{"crlf", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"X\"=\"12\"\r\n", "12"},
        FormCase{"second_section",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"X\"=\"1\"\n[HKEY_CURRENT_USER\\L]\n\"X\"=\"2\"\n"
                 "[hkey_current_user\\k]\n\"x\"=\"13\"\n",
                 "13"},
        FormCase{"short_root_name", "REGEDIT4\n[HKCU\\K]\n\"X\"=\"14\"\n", "14"},
        FormCase{"unnamed_and_escapes", "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n@=\"d\"\n\"X\"=\"C:\\\\a \\\"b\\\"\"\n",
                 "C:\\a \"b\""},
        FormCase{"empty_file", "", std::nullopt}, FormCase{"header_only", kV5, std::nullopt}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

TEST(RegistryFile, AWindowsExportKeepsEveryValueAndItsForm) {
    // As the registry editor of Windows exports the key: UTF-16LE with a mark,
    // CRLF, the version 5 header, a value the user changed to a dword, a
    // wrapped expandable string and a blank line at the end.
    const std::string exported = utf16(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\r\n"
        "@=\"(value not set)\"\r\n"
        "\"Duration\"=dword:0000002d\r\n"
        "\"Count\"=\"1\"\r\n"
        "\"ImageDir0\"=\"C:\\\\Users\\\\J\xC3\xBCrgen\\\\Pictures\"\r\n"
        "\"DirSet0\"=\"1\"\r\n"
        "\"MsgText\"=hex(2):25,00,55,00,53,00,45,00,52,00,4e,00,41,00,4d,00,45,00,25,00,20,\\\r\n"
        "  00,70,00,69,00,63,00,74,00,75,00,72,00,65,00,73,00,00,00\r\n"
        "\"TextFont\"=\"14.Times New Roman.Bold\"\r\n\r\n");
    const ParsedRegistryFile parsed = parseRegistryFile(exported, kRoot);
    ASSERT_TRUE(parsed.recognised);
    EXPECT_TRUE(parsed.problems.empty());
    const std::string key = "Software\\Quorrin\\Orvanta\\4.0";
    EXPECT_EQ(valueOf(parsed.hive, key, ""), "(value not set)");
    EXPECT_EQ(valueOf(parsed.hive, key, "Duration"), "45");
    EXPECT_EQ(valueOf(parsed.hive, key, "ImageDir0"), "C:\\Users\\J\xC3\xBCrgen\\Pictures");
    EXPECT_EQ(valueOf(parsed.hive, key, "MsgText"), "%USERNAME% pictures");
    ASSERT_TRUE(section(parsed.hive, key));
    EXPECT_EQ(valueNames(*section(parsed.hive, key)),
              (std::vector<std::string>{"", "Duration", "Count", "ImageDir0", "DirSet0", "MsgText", "TextFont"}));

    // Written in the store's own form: REGEDIT4, UTF-8, LF; the dword stays a
    // dword, the expandable string a hex(2) of UTF-8 bytes.
    const std::string written = formatRegistryFile(parsed.hive, kRoot);
    EXPECT_EQ(written.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorrin\\Orvanta\\4.0]\n@=", 0), 0u) << written;
    EXPECT_EQ(written.find('\r'), std::string::npos);
    EXPECT_NE(written.find("\n\"Duration\"=dword:0000002d\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\"ImageDir0\"=\"C:\\\\Users\\\\J\xC3\xBCrgen\\\\Pictures\"\n"), std::string::npos);
    EXPECT_NE(written.find("\"MsgText\"=hex(2):25,55,53,45,52,4e,41,4d,45,25,20,70,69,63,74,75,72,65,73,00\n"),
              std::string::npos)
        << written;
    const ParsedRegistryFile again = parseRegistryFile(written, kRoot);
    EXPECT_EQ(valueOf(again.hive, key, "MsgText"), "%USERNAME% pictures");
    EXPECT_EQ(valueOf(again.hive, key, "Duration"), "45");
}

TEST(RegistryFile, LinesNotUnderstoodAreKeptInPlaceAndReportedWithTheirNumbers) {
    const std::string text =
        "REGEDIT4\n"                // 1
        "garbage before any key\n"  // 2
        "[HKEY_CURRENT_USER\\K]\n"  // 3
        "\"A\"=\"1\"\n"             // 4
        "\"B\"=\"unterminated\n"    // 5
        "\"C\"=\"2\"\n"             // 6
        "\"D\"=dword:123456789\n"   // 7: nine digits
        "  \"E\"=\"\\q\"\n"         // 8: unknown escape
        "\"F\"=hex:0g\n"            // 9
        "\"G\"=\"3\"x\n"            // 10
        "\"H\" \"4\"\n"             // 11
        "\"I\"=hex:01,\\\n"         // 12: continued by nothing
        "; a comment stays too\n"   // 13
        "\"J\"=\"5\"\n";            // 14
    const ParsedRegistryFile parsed = parseRegistryFile(text, kRoot);
    ASSERT_TRUE(parsed.recognised);
    std::vector<std::size_t> lines;
    for (const auto& p : parsed.problems) lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<std::size_t>{2, 5, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(parsed.problems[2].text, "\"D\"=dword:123456789");
    ASSERT_TRUE(section(parsed.hive, "K"));
    EXPECT_EQ(valueNames(*section(parsed.hive, "K")), (std::vector<std::string>{"A", "C", "J"}));

    const std::string written = formatRegistryFile(parsed.hive, kRoot);
    EXPECT_EQ(written,
              "REGEDIT4\n\n"
              "garbage before any key\n\n"
              "[HKEY_CURRENT_USER\\K]\n"
              "\"A\"=\"1\"\n"
              "\"B\"=\"unterminated\n"
              "\"C\"=\"2\"\n"
              "\"D\"=dword:123456789\n"
              "  \"E\"=\"\\q\"\n"
              "\"F\"=hex:0g\n"
              "\"G\"=\"3\"x\n"
              "\"H\" \"4\"\n"
              "\"I\"=hex:01,\\\n"
              "; a comment stays too\n"
              "\"J\"=\"5\"\n\n");
    // Read again, the same lines are kept and nothing else changes.
    const ParsedRegistryFile again = parseRegistryFile(written, kRoot);
    EXPECT_EQ(again.problems.size(), parsed.problems.size());
    EXPECT_EQ(formatRegistryFile(again.hive, kRoot), written);
}

TEST(RegistryFile, ManyBadLinesAreCountedBeyondTheReportedOnes) {
    std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n";
    for (int i = 0; i < 50; ++i) text += "bad " + std::to_string(i) + "\n";
    const ParsedRegistryFile parsed = parseRegistryFile(text, kRoot);
    EXPECT_EQ(parsed.problems.size(), kMaxReportedProblems);
    EXPECT_EQ(parsed.moreProblems, 50 - kMaxReportedProblems);
    EXPECT_EQ(section(parsed.hive, "K")->kept.size(), 50u);
}

TEST(RegistryFile, OnlyTextWithNothingOfARegistryFileIsUnrecognised) {
    for (const std::string& text : {std::string("hello world\nsecond line\n"), std::string("; only a comment\n"),
                                    std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), std::string("[not a key]\n")})
        EXPECT_FALSE(parseRegistryFile(text, kRoot).recognised) << text;
    for (const std::string& text :
         {std::string(), std::string("\n\r\n  \n"), std::string("REGEDIT4"),
          std::string("hello\n[HKEY_CURRENT_USER\\K]\n"), std::string("[HKEY_LOCAL_MACHINE\\Other]\n\"A\"=\"1\"\n")})
        EXPECT_TRUE(parseRegistryFile(text, kRoot).recognised) << text;
}

TEST(RegistryFile, SectionsOfOtherRootsAndBadSectionsKeepTheirLinesToThemselves) {
    const std::string text =
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\Software\\X]\n\"A\"=\"machine\"\n\"B\"=\"2\"\n"
        "[HKEY_CURRENT_USER\\A\\\\B]\n\"C\"=\"3\"\n"
        "[HKEY_CURRENT_USER\\K]\n\"D\"=\"4\"\n";
    const ParsedRegistryFile parsed = parseRegistryFile(text, kRoot);
    // Nothing of the foreign sections reaches K.
    EXPECT_EQ(valueNames(*section(parsed.hive, "K")), (std::vector<std::string>{"A", "D"}));
    EXPECT_EQ(valueOf(parsed.hive, "K", "A"), "1");
    ASSERT_EQ(parsed.problems.size(), 2u);
    EXPECT_EQ(parsed.problems[0].line, 4u);
    EXPECT_EQ(parsed.problems[1].line, 7u);
    const std::string written = formatRegistryFile(parsed.hive, kRoot);
    EXPECT_NE(written.find("[HKEY_LOCAL_MACHINE\\Software\\X]\n\"A\"=\"machine\"\n\"B\"=\"2\"\n\n"), std::string::npos)
        << written;
    EXPECT_NE(written.find("[HKEY_CURRENT_USER\\A\\\\B]\n\"C\"=\"3\"\n\n"), std::string::npos) << written;
}

TEST(RegistryFile, KeyDeletionsRemoveTheKeyAndItsSubkeysButKeepTheParent) {
    const std::string text =
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\P\\K]\n\"A\"=\"1\"\n"
        "[HKEY_CURRENT_USER\\P\\K\\Sub]\n\"B\"=\"2\"\n"
        "[HKEY_CURRENT_USER\\Q]\n\"C\"=\"3\"\n"
        "[-HKEY_CURRENT_USER\\P\\K]\n"
        "[HKEY_CURRENT_USER\\P\\K\\New]\n\"D\"=\"4\"\n";
    const ParsedRegistryFile parsed = parseRegistryFile(text, kRoot);
    EXPECT_TRUE(parsed.problems.empty());
    EXPECT_FALSE(valueOf(parsed.hive, "P\\K", "A"));
    EXPECT_FALSE(valueOf(parsed.hive, "P\\K\\Sub", "B"));
    EXPECT_TRUE(section(parsed.hive, "P"));  // kept, as the registry keeps a parent
    EXPECT_EQ(valueOf(parsed.hive, "Q", "C"), "3");
    EXPECT_EQ(valueOf(parsed.hive, "P\\K\\New", "D"), "4");
    EXPECT_EQ(formatRegistryFile(parsed.hive, kRoot),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\P]\n\n[HKEY_CURRENT_USER\\Q]\n\"C\"=\"3\"\n\n"
              "[HKEY_CURRENT_USER\\P\\K\\New]\n\"D\"=\"4\"\n\n");

    // A deletion of a key that is not there changes nothing (it once emptied every section).
    const ParsedRegistryFile missing = parseRegistryFile(
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"A\"=\"1\"\n[HKEY_CURRENT_USER\\K]\n\"B\"=\"2\"\n[-HKEY_CURRENT_USER\\Gone]\n",
        kRoot);
    EXPECT_EQ(valueOf(missing.hive, "K", "B"), "2");
    EXPECT_EQ(formatRegistryFile(missing.hive, kRoot),
              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n\"A\"=\"1\"\n\n[HKEY_CURRENT_USER\\K]\n\"B\"=\"2\"\n\n");

    // Values after a deletion belong to no key: kept under it, never applied.
    const ParsedRegistryFile orphan = parseRegistryFile(
        "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n[-HKEY_CURRENT_USER\\K]\n\"B\"=\"2\"\n", kRoot);
    EXPECT_FALSE(section(orphan.hive, "K"));
    ASSERT_EQ(orphan.problems.size(), 1u);
    EXPECT_EQ(orphan.problems[0].line, 5u);
    EXPECT_EQ(formatRegistryFile(orphan.hive, kRoot), "REGEDIT4\n\n[-HKEY_CURRENT_USER\\K]\n\"B\"=\"2\"\n\n");
}

TEST(RegistryFile, AFileOfManyDeletionsIsReadInOnePass) {
    // 100,000 keys and values, every other one deleted again: each deletion
    // must cost little, or such a file would stall the start of a show.
    constexpr int n = 100000;
    std::string text = "REGEDIT4\n";
    for (int i = 0; i < n; ++i) text += "[HKEY_CURRENT_USER\\K\\" + std::to_string(i) + "]\n";
    text += "[HKEY_CURRENT_USER\\V]\n";
    for (int i = 0; i < n; ++i) text += "\"" + std::to_string(i) + "\"=\"x\"\n";
    for (int i = 0; i < n; i += 2) text += "\"" + std::to_string(i) + "\"=-\n";
    for (int i = 0; i < n; i += 2) text += "[-HKEY_CURRENT_USER\\K\\" + std::to_string(i) + "]\n";
    const ParsedRegistryFile parsed = parseRegistryFile(text, kRoot);
    EXPECT_TRUE(parsed.problems.empty());
    ASSERT_EQ(parsed.hive.sections.size(), std::size_t{n / 2 + 1});
    EXPECT_EQ(parsed.hive.sections[0].name, "K\\1");
    ASSERT_EQ(section(parsed.hive, "V")->values.size(), std::size_t{n / 2});
    EXPECT_EQ(section(parsed.hive, "V")->values[0].name, "1");
}

TEST(RegistryFile, LongHexDataIsWrappedAsTheRegistryEditorDoesAndReadBack) {
    RegistryHive hive;
    RegistryValue v;
    v.name = "Blob";
    v.form = RegistryValue::Form::Hex;
    for (int i = 0; i < 200; ++i) v.bytes += static_cast<char>(i);
    hive.sections.push_back({"K", false, {v}, {}});
    const std::string written = formatRegistryFile(hive, kRoot);
    std::size_t lines = 0, start = 0;
    for (std::size_t nl; (nl = written.find('\n', start)) != std::string::npos; start = nl + 1, ++lines)
        EXPECT_LE(nl - start, 80u) << written.substr(start, nl - start);
    EXPECT_GT(lines, 8u);
    const ParsedRegistryFile parsed = parseRegistryFile(written, kRoot);
    ASSERT_EQ(section(parsed.hive, "K")->values.size(), 1u);
    EXPECT_EQ(section(parsed.hive, "K")->values[0].bytes, v.bytes);
    EXPECT_TRUE(parsed.problems.empty());

    // With a comment after it the value stays on one line, since a continuation
    // holds hex only (wrapped, it once read back as kept lines; found by the fuzzer).
    hive.sections[0].values[0].trailer = " ; raw";
    const std::string commented = formatRegistryFile(hive, kRoot);
    const ParsedRegistryFile again = parseRegistryFile(commented, kRoot);
    ASSERT_EQ(section(again.hive, "K")->values.size(), 1u) << commented;
    EXPECT_EQ(section(again.hive, "K")->values[0].bytes, v.bytes);
    EXPECT_EQ(section(again.hive, "K")->values[0].trailer, " ; raw");
}

TEST(RegistryFile, AKeptLineEndingInABackslashNeverSwallowsWhatFollows) {
    // Line 3 is kept; after the deletion of Y its neighbour would be the hex
    // looking line 6, which must not become its continuation when read again.
    const std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"Z\"=hex:01,\\\n\"Y\"=\"2\"\n\"Y\"=-\n02\n";
    const ParsedRegistryFile parsed = parseRegistryFile(text, kRoot);
    EXPECT_FALSE(valueOf(parsed.hive, "K", "Z"));
    const std::string written = formatRegistryFile(parsed.hive, kRoot);
    const ParsedRegistryFile again = parseRegistryFile(written, kRoot);
    EXPECT_FALSE(valueOf(again.hive, "K", "Z")) << written;
    EXPECT_EQ(formatRegistryFile(again.hive, kRoot), written);

    // The same when the backslash is followed by blanks and the line between is blank (found by the fuzzer).
    const char raw[] = "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"Z\"=hex:01,\\\0 \n\0\n02\n";
    const std::string blanks(raw, sizeof raw - 1);
    const ParsedRegistryFile first = parseRegistryFile(blanks, kRoot);
    const std::string once = formatRegistryFile(first.hive, kRoot);
    EXPECT_EQ(section(parseRegistryFile(once, kRoot).hive, "K")->kept.size(), 2u) << once;
    EXPECT_EQ(formatRegistryFile(parseRegistryFile(once, kRoot).hive, kRoot), once);
}

// --- file names that are bytes, not text ---

struct NameCase {
    const char* label;
    std::string path;
    bool quoted;  // written as a plain quoted string, as every UTF-8 text is
};

class RegistryFileNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(RegistryFileNames, ReadBackByteForByteFromAFileThatStaysUtf8) {
    const NameCase& c = GetParam();
    test::IsolatedHome home;
    const std::string key = "Software\\Quorrin\\Orvanta\\4.0";
    {
        RegistryStore store(home.registryFile(), kRoot);
        ASSERT_TRUE(store.setValue(key, "ImageDir0", c.path));
        ASSERT_TRUE(store.setValue(key, "Count", "1"));  // a later write keeps it as it is
    }
    const std::string file = test::readFile(home.registryFile());
    EXPECT_EQ(QString::fromUtf8(file.data(), static_cast<qsizetype>(file.size())).toStdString(), file);
    EXPECT_EQ(file.find("\"ImageDir0\"=hex(1):") == std::string::npos, c.quoted) << file;
    RegistryStore fresh(home.registryFile(), kRoot);
    EXPECT_EQ(fresh.value(key, "ImageDir0"), c.path) << file;
    const ParsedRegistryFile parsed = parseRegistryFile(file, kRoot);
    EXPECT_TRUE(parsed.problems.empty()) << file;
    EXPECT_EQ(formatRegistryFile(parsed.hive, kRoot), file);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryFileNames,
    ::testing::Values(NameCase{"latin1", "/media/old/caf\xE9", false},
                      NameCase{"latin1_quotes_backslashes", "/m/\"caf\xE9\" \\x\\", false},
                      NameCase{"latin1_long_wrapped", "/media/" + std::string(90, 'a') + "/\xC4\xD6\xDC", false},
                      NameCase{"stray_continuation", "/m/\x80x", false}, NameCase{"cut_sequence", "/m/\xE2\x82", false},
                      NameCase{"overlong_slash", "/m/\xC0\xAF", false},
                      NameCase{"encoded_surrogate", "/m/\xED\xA0\x80", false},
                      NameCase{"beyond_unicode", "/m/\xF4\x90\x80\x80", false},
                      NameCase{"utf8_unchanged", "/home/me/Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x93\xB7", true},
                      NameCase{"utf8_quotes_backslashes", "/m/\"q\" \\x\\ ;c", true},
                      NameCase{"ascii", "/home/me/Pictures", true}),
    [](const auto& testInfo) { return std::string(testInfo.param.label); });

}  // namespace
}  // namespace orvanta
