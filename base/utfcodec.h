#pragma once
// UTF-8 and UTF-16, as the files the program reads and writes hold them:
// registry exports in UTF-16 and shell-link strings on one side, this
// platform's UTF-8 strings on the other. Reading UTF-16 never fails (what is
// not well-formed becomes U+FFFD); UTF-8 that is not well-formed is refused,
// so that each caller decides what its bytes become.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvanta {

// Appends the UTF-8 form of the code point `cp` (at most U+10FFFF).
void appendUtf8(std::string& out, char32_t cp);

// Whether `text` is well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(std::string_view text);

// `text` in UTF-16 code units; nothing when it is not well-formed UTF-8.
std::optional<std::u16string> utf8ToUtf16(std::string_view text);

enum class ByteOrder : unsigned char { LittleEndian, BigEndian };

struct Utf16Reading {
    ByteOrder order = ByteOrder::LittleEndian;
    bool stopAtNul = false;  // the text ends at the first zero unit
    // The output stops before the next code point once it holds this many
    // bytes (so it may pass the cap by up to three).
    std::size_t maxBytes = std::string::npos;
};

// UTF-16 `bytes` in UTF-8. A surrogate without its partner becomes U+FFFD;
// an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes, const Utf16Reading& reading = {});

}  // namespace orvanta
