// The Exif orientation reader: the public examples, and a table of made
// segments that covers byte orders, segment placement and malformed blocks.
#include "show/decoders/exiforientation.h"
#include "tests/core/support/testenv.h"

#include <string>
#include <vector>

namespace orvanta {
namespace {

std::string be16(unsigned v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// A TIFF block whose first directory holds the given (tag, value) entries.
std::string tiff(bool little, const std::vector<std::pair<unsigned, unsigned>>& entries, unsigned offset = 8) {
    auto w16 = little ? le16 : be16;
    auto w32 = [&](unsigned v) { return little ? le16(v & 0xFFFF) + le16(v >> 16) : be16(v >> 16) + be16(v & 0xFFFF); };
    std::string t = little ? std::string("II\x2A\x00", 4) : std::string("MM\x00\x2A", 4);
    t += w32(offset);
    t.resize(offset, '\0');
    t += w16(static_cast<unsigned>(entries.size()));
    for (const auto& [tag, value] : entries) t += w16(tag) + w16(3) + w32(1) + w16(value) + w16(0);
    return t + w32(0);
}

std::string segment(unsigned char marker, const std::string& payload) {
    return std::string("\xFF", 1) + static_cast<char>(marker) + be16(static_cast<unsigned>(payload.size() + 2)) +
           payload;
}

std::string exifSegment(const std::string& tiffBlock) { return segment(0xE1, std::string("Exif\0\0", 6) + tiffBlock); }

const std::string kSoi("\xFF\xD8", 2);
const std::string kJfif = segment(0xE0, std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
const std::string kSos = segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6)) + "scan data";

int orientationOf(const std::string& bytes) {
    // An exact-size copy, so that the sanitizer sees any read past the end.
    const std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    return readExifOrientation(copy.data(), copy.size());
}

TEST(ExifOrientation, MadeSegments) {
    const struct {
        const char* what;
        std::string bytes;
        int expected;
    } cases[] = {
        {"little-endian at offset 2", kSoi + exifSegment(tiff(true, {{0x0112, 6}})) + kSos, 6},
        {"big-endian at offset 2", kSoi + exifSegment(tiff(false, {{0x0112, 8}})) + kSos, 8},
        {"after a JFIF segment", kSoi + kJfif + exifSegment(tiff(false, {{0x0112, 3}})) + kSos, 3},
        {"after XMP in another APP1",
         kSoi + segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>") + exifSegment(tiff(true, {{0x0112, 5}})) + kSos, 5},
        {"third entry", kSoi + exifSegment(tiff(true, {{0x010F, 1}, {0x0110, 2}, {0x0112, 7}})) + kSos, 7},
        {"directory further on", kSoi + exifSegment(tiff(true, {{0x0112, 2}}, 40)) + kSos, 2},
        {"fill bytes before a marker", kSoi + "\xFF\xFF" + exifSegment(tiff(true, {{0x0112, 4}})) + kSos, 4},
        {"no orientation tag", kSoi + exifSegment(tiff(true, {{0x010F, 6}})) + kSos, 0},
        {"value 9", kSoi + exifSegment(tiff(true, {{0x0112, 9}})) + kSos, 0},
        {"upper byte set", kSoi + exifSegment(tiff(true, {{0x0112, 0x0106}})) + kSos, 0},
        {"Exif after the scan", kSoi + kJfif + kSos + exifSegment(tiff(true, {{0x0112, 6}})), 0},
        {"not a JPEG", "\x89PNG" + exifSegment(tiff(true, {{0x0112, 6}})), 0},
        {"wrong byte-order mark", kSoi + exifSegment("IM\x2A\x00\x08\x00\x00\x00" + std::string(20, '\0')), 0},
        {"directory offset past the block",
         kSoi + exifSegment(tiff(true, {{0x0112, 6}}, 8).replace(4, 1, "\x40")) + kSos, 0},
        {"directory offset's upper half set", kSoi + exifSegment(tiff(false, {{0x0112, 6}}, 0x10008)) + kSos, 0},
        {"segment too short for the entry", kSoi + exifSegment(tiff(true, {{0x0112, 6}}).substr(0, 8 + 2 + 11)) + kSos,
         0},
        {"empty", "", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(orientationOf(c.bytes), c.expected) << c.what;
}

// Every prefix of a file with Exif is read without going past its end, and
// gives either nothing or the right value.
TEST(ExifOrientation, TruncatedFilesNeverReadPastTheirEnd) {
    const std::string whole = kSoi + kJfif + exifSegment(tiff(false, {{0x010F, 1}, {0x0112, 6}})) + kSos;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        const int value = orientationOf(whole.substr(0, cut));
        EXPECT_TRUE(value == 0 || value == 6) << cut;
    }
    // A count claiming many entries in a short segment stops at its end.
    std::string many = tiff(true, {{0x0100, 1}});
    many[8] = '\xFF';
    many[9] = '\xFF';
    EXPECT_EQ(orientationOf(kSoi + exifSegment(many) + kSos), 0);
}

TEST(ExifOrientation, PublicExamples) {
    ORVANTA_REQUIRE_CORPORA();
    const std::string dir = test::corporaDir() + "/exif-orientation/";
    for (const char* shape : {"Landscape", "Portrait"})
        for (int n = 0; n <= 8; ++n) {
            const std::string path = dir + shape + "_" + std::to_string(n) + ".jpg";
            EXPECT_EQ(readExifOrientation(path), n) << path;
            const std::string bytes = test::readFile(path);
            EXPECT_EQ(orientationOf(bytes), n) << path;
        }
    test::TempDir temp;
    EXPECT_EQ(readExifOrientation(temp.str() + "/absent.jpg"), 0);
}

}  // namespace
}  // namespace orvanta
