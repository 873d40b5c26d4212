#include "catalogue/pictureorder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "base/WString.h"
#include "catalogue/directoryscan.h"

#include <sys/stat.h>

#include <unordered_set>

namespace orvanta {

namespace {

// The sort key of a path byte: A-Z folded to lower case, every value doubled,
// and the separator "/" placed just after the backslash (92), which is where
// the backslash separator of the picture folders' original platform sorts:
// after the digits and capitals, before "_" and the lower-case letters. So a
// folder "2003" sorts after the file "20031225.bmp" beside it, as it always
// has, and a literal backslash in a name stays distinct from the separator.
constexpr std::array<std::uint16_t, 256> makeSortKeys() {
    std::array<std::uint16_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        const auto folded = static_cast<unsigned char>(asciiLower(static_cast<char>(i)));
        t[i] = static_cast<std::uint16_t>(2 * folded);
    }
    t['/'] = 2 * '\\' + 1;
    return t;
}
constexpr std::array<std::uint16_t, 256> kSortKey = makeSortKeys();

// Each byte's place among the distinct sort keys, from 1 (0 stands for "past
// the end", which sorts before any byte): eight of them fit a 64-bit key that
// compares as the bytes do.
constexpr std::array<std::uint8_t, 256> makeRanks() {
    std::array<bool, 512> used{};
    for (int i = 0; i < 256; ++i) used[kSortKey[i]] = true;
    std::array<std::uint8_t, 512> rankOfKey{};
    int rank = 0;
    for (int k = 0; k < 512; ++k)
        if (used[k]) rankOfKey[k] = static_cast<std::uint8_t>(++rank);
    std::array<std::uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = rankOfKey[kSortKey[i]];
    return t;
}
constexpr std::array<std::uint8_t, 256> kRank = makeRanks();

}  // namespace

bool isJpegExtension(std::string_view e) { return e == ".jpg" || e == ".jpeg" || e == ".jpe" || e == ".jif"; }

bool isPictureExtension(std::string_view e) {
    for (const char* other : {".bmp", ".png", ".heic", ".heif", ".avif", ".webp", ".tif", ".tiff", ".gif", ".jxl"})
        if (e == other) return true;
    return isJpegExtension(e) || isRawExtension(e);
}

bool isRawExtension(std::string_view e) {
    for (const char* raw : {".cr2", ".cr3", ".nef", ".arw", ".orf", ".rw2", ".dng", ".raf"})
        if (e == raw) return true;
    return false;
}

bool isPairedRaw(const std::string& dirBase, std::string_view name) {
    const std::string_view ext = extensionOf(name);
    if (!isRawExtension(asciiLowered(ext))) return false;
    // The names (before the extension, in lower case) of the folder's other
    // pictures, for the folder as it was when last listed.
    thread_local struct {
        std::string dir;
        struct stat st {};
        std::unordered_set<std::string> stems;
    } seen;
    struct stat st {};
    if (stat(dirBase.c_str(), &st) != 0) return false;
    if (seen.dir != dirBase || st.st_ino != seen.st.st_ino || st.st_dev != seen.st.st_dev ||
        st.st_mtim.tv_sec != seen.st.st_mtim.tv_sec || st.st_mtim.tv_nsec != seen.st.st_mtim.tv_nsec) {
        seen.dir = dirBase;
        seen.st = st;
        seen.stems.clear();
        listDirectory(dirBase, [](const char* entry, int) {
            const std::string_view e(entry), x = extensionOf(e);
            const std::string lower = asciiLowered(x);
            if (isPictureExtension(lower) && !isRawExtension(lower))
                seen.stems.insert(asciiLowered(e.substr(0, e.size() - x.size())));
            return true;
        });
    }
    const std::string_view file = name.substr(name.rfind('/') + 1);
    return seen.stems.count(asciiLowered(file.substr(0, file.size() - ext.size()))) != 0;
}

bool isShortcutExtension(std::string_view e) { return e == ".lnk"; }

EntryKind entryKind(std::string_view fileName) {
    const std::string_view ext = extensionOf(fileName);
    char buf[5];  // the longest extension of interest, ".jpeg"
    if (ext.empty() || ext.size() > sizeof buf) return EntryKind::Other;
    for (std::size_t i = 0; i < ext.size(); ++i) buf[i] = asciiLower(ext[i]);
    const std::string_view lower(buf, ext.size());
    if (isPictureExtension(lower)) return EntryKind::Picture;
    if (isShortcutExtension(lower)) return EntryKind::Shortcut;
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

namespace {

struct KeyedPath {
    std::uint64_t key;    // ranks of eight bytes from the current offset, 0 past the end
    std::uint32_t index;  // in the list
};

std::uint64_t keyAt(const std::string& p, std::size_t offset) {
    std::uint64_t key = 0;
    for (std::size_t k = 0; k < 8; ++k) {
        const std::size_t at = offset + k;
        key = (key << 8) | (at < p.size() ? kRank[static_cast<unsigned char>(p[at])] : 0u);
    }
    return key;
}

// Sorts items whose paths agree (in rank) before `offset`: by the key of the
// next eight bytes, then each run of equal keys by the eight after, and so
// on. A run whose paths all ended inside the key compares equal and goes by
// the paths' bytes.
// Orders items by key: a radix sort, 16 bits a pass from the lowest, for
// long runs (the first level of a big list), std::sort for short ones.
void sortKeys(KeyedPath* first, KeyedPath* last, std::vector<KeyedPath>& spare) {
    const std::size_t n = static_cast<std::size_t>(last - first);
    if (n < 4096) {
        std::sort(first, last, [](const KeyedPath& x, const KeyedPath& y) { return x.key < y.key; });
        return;
    }
    spare.resize(n);
    KeyedPath* from = first;
    KeyedPath* to = spare.data();
    std::vector<std::size_t> counts(65536);
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(counts.begin(), counts.end(), 0);
        for (std::size_t i = 0; i < n; ++i) ++counts[(from[i].key >> shift) & 0xFFFF];
        if (counts[(from[0].key >> shift) & 0xFFFF] == n) continue;  // one digit for all: nothing to move
        std::size_t sum = 0;
        for (std::size_t& c : counts) sum += std::exchange(c, sum);
        for (std::size_t i = 0; i < n; ++i) to[counts[(from[i].key >> shift) & 0xFFFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != first) std::copy(from, from + n, first);
}

void sortByKeys(const WSortableVector<WFilePath>& list, KeyedPath* first, KeyedPath* last, std::size_t offset,
                std::vector<KeyedPath>& spare) {
    for (KeyedPath* it = first; it != last; ++it) it->key = keyAt(list[it->index].path(), offset);
    sortKeys(first, last, spare);
    for (KeyedPath* run = first; run != last;) {
        KeyedPath* end = run + 1;
        while (end != last && end->key == run->key) ++end;
        if (end - run > 1) {
            if ((run->key & 0xFF) == 0) {
                std::sort(run, end, [&list](const KeyedPath& x, const KeyedPath& y) {
                    return list[x.index].path() < list[y.index].path();
                });
            } else {
                sortByKeys(list, run, end, offset + 8, spare);
            }
        }
        run = end;
    }
}

}  // namespace

void sortPicturePaths(WSortableVector<WFilePath>& list) {
    const std::size_t n = list.size();
    if (n < 2) return;
    // The bytes every path shares are skipped: the keys start after them.
    std::size_t common = list[0].path().size();
    for (std::size_t i = 1; i < n && common > 0; ++i) {
        const std::string& a = list[0].path();
        const std::string& b = list[i].path();
        std::size_t k = 0;
        const std::size_t limit = std::min({common, a.size(), b.size()});
        while (k < limit && a[k] == b[k]) ++k;
        common = k;
    }
    std::vector<KeyedPath> items(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {0, static_cast<std::uint32_t>(i)};
    std::vector<KeyedPath> spare;
    sortByKeys(list, items.data(), items.data() + n, common, spare);
    // Entry i takes the path now at items[i].index, cycle by cycle.
    std::vector<std::uint32_t> from(n);
    for (std::size_t i = 0; i < n; ++i) from[i] = items[i].index;
    items = std::vector<KeyedPath>();
    for (std::size_t i = 0; i < n; ++i) {
        if (from[i] == i) continue;
        WFilePath held = std::move(list[i]);
        std::size_t j = i;
        for (;;) {
            const std::size_t k = from[j];
            from[j] = static_cast<std::uint32_t>(j);
            if (k == i) {
                list[j] = std::move(held);
                break;
            }
            list[j] = std::move(list[k]);
            j = k;
        }
    }
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
