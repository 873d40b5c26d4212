#include "catalogue/pictureorder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace orvanta {

namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i - 'A' + 'a' : i);
    return t;
}
constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

// The sort key of a path byte: A-Z folded to lower case, every value doubled,
// and the separator "/" placed just after the backslash (92), which is where
// the backslash separator of the picture folders' original platform sorts:
// after the digits and capitals, before "_" and the lower-case letters. So a
// folder "2003" sorts after the file "20031225.bmp" beside it, as it always
// has, and a literal backslash in a name stays distinct from the separator.
constexpr std::array<std::uint16_t, 256> makeSortKeys() {
    std::array<std::uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint16_t>(2 * kFold[i]);
    t['/'] = 2 * '\\' + 1;
    return t;
}
constexpr std::array<std::uint16_t, 256> kSortKey = makeSortKeys();

}  // namespace

std::string lowerExtension(std::string_view fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot <= start) return {};
    std::string ext(fileName.substr(dot));
    for (char& c : ext) c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    return ext;
}

bool isPictureExtension(std::string_view e) {
    return e == ".jpg" || e == ".jpeg" || e == ".jpe" || e == ".jif" || e == ".bmp" || e == ".png";
}

bool isShortcutExtension(std::string_view e) { return e == ".lnk"; }

EntryKind entryKind(std::string_view fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot <= start) return EntryKind::Other;
    const std::size_t len = fileName.size() - dot;
    char buf[5];  // the longest extension of interest, ".jpeg"
    if (len > sizeof buf) return EntryKind::Other;
    for (std::size_t i = 0; i < len; ++i) buf[i] = static_cast<char>(kFold[static_cast<unsigned char>(fileName[dot + i])]);
    const std::string_view ext(buf, len);
    if (isPictureExtension(ext)) return EntryKind::Picture;
    if (isShortcutExtension(ext)) return EntryKind::Shortcut;
    return EntryKind::Other;
}

// Only A-Z fold: bytes above 127 (UTF-8 sequences) keep their value, so
// every name with an accented letter sorts after the plain letters.
// Paths in one list share long leading parts ("/photos/2003/summer/IMG_"),
// so the identical run is skipped eight bytes at a time first: bytes that are
// equal are equal after folding too.
int comparePicturePaths(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i + 8 <= n) {
        std::uint64_t wa, wb;
        std::memcpy(&wa, a.data() + i, 8);
        std::memcpy(&wb, b.data() + i, 8);
        if (wa != wb) break;
        i += 8;
    }
    for (; i < n; ++i) {
        const int ca = kSortKey[static_cast<unsigned char>(a[i])];
        const int cb = kSortKey[static_cast<unsigned char>(b[i])];
        if (ca != cb) return ca - cb;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Equal times are broken by the path order so that the same folder gives the
// same show whatever order the file system enumerates it in.
void sortByDate(std::vector<FileNameTime>& entries, bool newestFirst) {
    std::sort(entries.begin(), entries.end(), [newestFirst](const FileNameTime& x, const FileNameTime& y) {
        if (x.time != y.time) return newestFirst ? y.time < x.time : x.time < y.time;
        return comparePicturePaths(x.path, y.path) < 0;
    });
}

}  // namespace orvanta
