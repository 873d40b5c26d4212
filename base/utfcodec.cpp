#include "base/utfcodec.h"

#include <algorithm>

namespace orvanta {

namespace {

// The code point of the well-formed UTF-8 sequence at text[at], its length
// in `length`; nothing when the bytes there are not one.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
    const auto b = static_cast<unsigned char>(text[at]);
    if (b < 0x80) {
        length = 1;
        return b;
    }
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte, which rules out overlong forms,
    char32_t cp = 0;                        // surrogates and code points past U+10FFFF
    if (b >= 0xC2 && b <= 0xDF) n = 1, cp = b & 0x1F;
    else if (b == 0xE0) n = 2, cp = b & 0x0F, low = 0xA0;
    else if (b == 0xED) n = 2, cp = b & 0x0F, high = 0x9F;
    else if (b >= 0xE1 && b <= 0xEF) n = 2, cp = b & 0x0F;
    else if (b == 0xF0) n = 3, cp = b & 0x07, low = 0x90;
    else if (b == 0xF4) n = 3, cp = b & 0x07, high = 0x8F;
    else if (b >= 0xF1 && b <= 0xF3) n = 3, cp = b & 0x07;
    else return std::nullopt;
    if (text.size() - at <= n) return std::nullopt;
    for (std::size_t k = 1; k <= n; ++k) {
        const auto c = static_cast<unsigned char>(text[at + k]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return std::nullopt;
        cp = cp << 6 | (c & 0x3F);
    }
    length = n + 1;
    return cp;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0, length = 0; i < text.size(); i += length)
        if (!decodeUtf8(text, i, length)) return false;
    return true;
}

std::optional<std::u16string> utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        const std::optional<char32_t> cp = decodeUtf8(text, i, length);
        if (!cp) return std::nullopt;
        if (*cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((*cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((*cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(*cp);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::string_view bytes, const Utf16Reading& reading) {
    const bool big = reading.order == ByteOrder::BigEndian;
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return big ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
    };
    std::string out;
    out.reserve(std::min(bytes.size() + bytes.size() / 2, reading.maxBytes));
    const std::size_t n = bytes.size() / 2 * 2;
    for (std::size_t i = 0; i < n && out.size() < reading.maxBytes; i += 2) {
        char32_t u = unit(i);
        if (reading.stopAtNul && u == 0) break;
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < n) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

}  // namespace orvanta
