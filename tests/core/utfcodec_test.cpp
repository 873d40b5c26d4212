#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/utfcodec.h"

namespace orvanta {
namespace {

TEST(UtfCodec, Utf8IsTakenOnlyWhenWellFormed) {
    struct Row {
        std::string utf8;
        std::optional<std::u16string> units;
    };
    const Row rows[] = {
        {"", u""},
        {"A~", u"A~"},
        {"\xC3\xA9", u"\u00E9"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"\xC0\x80", std::nullopt},                  // overlong NUL
        {"\xC1\xBF", std::nullopt},                  // overlong
        {"\xE0\x80\xAF", std::nullopt},              // overlong "/"
        {"\xF0\x8F\xBF\xBF", std::nullopt},          // overlong
        {"\xED\xA0\x80", std::nullopt},              // a surrogate
        {"\xF4\x90\x80\x80", std::nullopt},          // past U+10FFFF
        {"\xF5\x80\x80\x80", std::nullopt},          //
        {"\xFF", std::nullopt},                      //
        {"a\x80", std::nullopt},                     // stray continuation byte
        {"\xC3", std::nullopt},                      // cut short
        {"\xE2\x82", std::nullopt},                  //
        {"\xC3(", std::nullopt},                     // not a continuation byte
        {"\xE2\x82\xAC\xE2\x28\xAC", std::nullopt},  // a good sequence, then a bad one
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(utf8ToUtf16(row.utf8), row.units) << testing::PrintToString(row.utf8);
        EXPECT_EQ(isUtf8(row.utf8), row.units.has_value()) << testing::PrintToString(row.utf8);
    }
}

TEST(UtfCodec, Utf16IsAlwaysReadUnpairedSurrogatesAsReplacement) {
    const std::string replacement = "\xEF\xBF\xBD";
    const Utf16Reading big{ByteOrder::BigEndian};
    const Utf16Reading toNul{ByteOrder::LittleEndian, true};
    struct Row {
        std::string bytes;
        Utf16Reading reading;
        std::string utf8;
    };
    const Row rows[] = {
        {std::string("A\0\xE9\0", 4), {}, "A\xC3\xA9"},
        {std::string("\0A\x20\xAC", 4), big, "A\xE2\x82\xAC"},
        {std::string("=\xD8\0\xDE", 4), {}, "\xF0\x9F\x98\x80"},
        {std::string("\xD8=\xDE\0", 4), big, "\xF0\x9F\x98\x80"},
        {"=\xD8", {}, replacement},                   // high surrogate at the end
        {std::string("\0\xDE", 2), {}, replacement},  // low surrogate alone
        {std::string("=\xD8"
                     "A\0",
                     4),
         {},
         replacement + "A"},                // high surrogate before a letter
        {std::string("A\0B", 3), {}, "A"},  // odd last byte
        {std::string("A\0\0\0B\0", 6), toNul, "A"},
        {std::string("A\0\0\0B\0", 6), {}, std::string("A\0B", 3)},
        {std::string("A\0B\0C\0", 6), {ByteOrder::LittleEndian, false, 2}, "AB"},
        {std::string("\xE9\0\xE9\0", 4), {ByteOrder::LittleEndian, false, 1}, "\xC3\xA9"},  // past the cap by one
        {"", {}, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(utf16ToUtf8(row.bytes, row.reading), row.utf8) << testing::PrintToString(row.bytes);
}

// Every code point there is, through UTF-8, UTF-16 and back, in both byte orders.
TEST(UtfCodec, EveryCodePointRoundTrips) {
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp < 0xE000) continue;
        std::string utf8;
        appendUtf8(utf8, cp);
        const std::optional<std::u16string> units = utf8ToUtf16(utf8);
        ASSERT_TRUE(units) << std::hex << static_cast<unsigned>(cp);
        std::string little, bigEndian;
        for (const char16_t u : *units) {
            little += static_cast<char>(u & 0xFF);
            little += static_cast<char>(u >> 8);
            bigEndian += static_cast<char>(u >> 8);
            bigEndian += static_cast<char>(u & 0xFF);
        }
        ASSERT_EQ(utf16ToUtf8(little), utf8) << std::hex << static_cast<unsigned>(cp);
        ASSERT_EQ(utf16ToUtf8(bigEndian, {ByteOrder::BigEndian}), utf8) << std::hex << static_cast<unsigned>(cp);
    }
}

}  // namespace
}  // namespace orvanta
