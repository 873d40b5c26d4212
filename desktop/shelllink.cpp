// Shell-link files.
//
// A shortcut is a fixed 76-byte header followed by optional sections whose
// presence the header's link flags announce, in this order: the target's
// item-ID list (shell items, each prefixed by its size), the link info (the
// target as a volume plus a local base path, or a network share plus a path
// suffix, addressed by offsets inside the section), five counted strings
// (name, relative path, working directory, arguments, icon location; UTF-16
// when the link is Unicode) and extra-data blocks ending with a block of size
// less than 4.
//
// Shortcuts found in picture folders come from anywhere, and the format is all
// offsets and sizes: every read goes through Span, which refuses anything that
// does not lie wholly inside the buffer, and every string is bounded by the
// section it lives in. The target is taken, in order of preference, from the
// link info (local path, then network path), the item-ID list (drive and file
// entries), the environment-variable block, and the relative path string.
//
// Our own shortcuts store this platform's "/" path as the local base path
// (raw bytes) and, when the path is not plain ASCII, in UTF-16 as well, so
// that both ANSI-only and Unicode-aware readers find the same target.
#include "desktop/shelllink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/atomicfile.h"
#include "base/regularfile.h"
#include "base/utfcodec.h"

namespace orvanta {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum LinkFlag : std::uint32_t {
    HasLinkTargetIdList = 0x1,
    HasLinkInfo = 0x2,
    HasName = 0x4,
    HasRelativePath = 0x8,
    HasWorkingDir = 0x10,
    HasArguments = 0x20,
    HasIconLocation = 0x40,
    IsUnicode = 0x80,
    ForceNoLinkInfo = 0x100,
};

constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x2;
constexpr std::uint32_t kEnvironmentBlock = 0xA0000001;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeNormal = 0x80;

constexpr std::size_t kMaxLinkFile = 1 << 20;
constexpr std::size_t kMaxPathBytes = 32767;

// A bounds-checked view of part of the file.
struct Span {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    bool has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
    std::optional<std::uint16_t> u16(std::size_t offset) const {
        if (!has(offset, 2)) return std::nullopt;
        return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
    }
    std::optional<std::uint32_t> u32(std::size_t offset) const {
        if (!has(offset, 4)) return std::nullopt;
        return static_cast<std::uint32_t>(data[offset]) | static_cast<std::uint32_t>(data[offset + 1]) << 8 |
               static_cast<std::uint32_t>(data[offset + 2]) << 16 | static_cast<std::uint32_t>(data[offset + 3]) << 24;
    }
    std::optional<Span> sub(std::size_t offset, std::size_t count) const {
        if (!has(offset, count)) return std::nullopt;
        return Span{data + offset, count};
    }
};

// UTF-16LE code units [offset, offset + 2 * count) to UTF-8, as far as they
// lie inside the span; a lone surrogate becomes U+FFFD. Stops at a NUL when stopAtNul.
std::string utf16Text(Span s, std::size_t offset, std::size_t count, bool stopAtNul) {
    if (offset > s.size) return {};
    const std::size_t bytes = std::min(s.size - offset, 2 * count);
    return utf16ToUtf8(std::string_view(reinterpret_cast<const char*>(s.data) + offset, bytes),
                       {ByteOrder::LittleEndian, stopAtNul, kMaxPathBytes});
}

// A NUL-terminated UTF-16 string starting at offset, ending at the span's end
// at the latest.
std::string utf16z(Span s, std::size_t offset) {
    if (offset > s.size) return {};
    return utf16Text(s, offset, (s.size - offset) / 2, true);
}

// A NUL-terminated byte string starting at offset, bounded by the span. Bytes
// are kept as they are: our own links hold this platform's path bytes, and a
// Windows path in its code page is only judged by its extension.
std::string bytesz(Span s, std::size_t offset) {
    if (offset >= s.size) return {};
    const auto* begin = s.data + offset;
    const std::size_t limit = std::min(s.size - offset, kMaxPathBytes);
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(begin, 0, limit));
    return std::string(reinterpret_cast<const char*>(begin), end ? static_cast<std::size_t>(end - begin) : limit);
}

std::string joinSuffix(std::string base, const std::string& suffix) {
    if (suffix.empty()) return base;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    return base + suffix;
}

// The target from the link info: local base path (+ common path suffix), or
// the network share name + suffix.
std::string targetFromLinkInfo(Span info) {
    const auto headerSize = info.u32(4);
    const auto flags = info.u32(8);
    if (!headerSize || !flags || *headerSize < 0x1C || *headerSize > info.size) return {};
    const bool unicode = *headerSize >= 0x24;
    const auto field = [&](std::size_t at) -> std::uint32_t {
        if (at + 4 > *headerSize) return 0;
        return info.u32(at).value_or(0);
    };
    // Offsets point inside the section, past its header.
    const auto valid = [&](std::uint32_t offset) { return offset >= *headerSize && offset < info.size; };
    const std::uint32_t suffixOffset = field(0x18);
    const std::uint32_t suffixUnicode = unicode ? field(0x20) : 0;
    std::string suffix = valid(suffixUnicode)  ? utf16z(info, suffixUnicode)
                         : valid(suffixOffset) ? bytesz(info, suffixOffset)
                                               : "";

    if (*flags & kVolumeIdAndLocalBasePath) {
        const std::uint32_t localUnicode = unicode ? field(0x1C) : 0;
        const std::uint32_t local = field(0x10);
        std::string base = valid(localUnicode) ? utf16z(info, localUnicode) : valid(local) ? bytesz(info, local) : "";
        if (!base.empty()) return joinSuffix(std::move(base), suffix);
    }
    if (*flags & kCommonNetworkRelativeLinkAndPathSuffix) {
        const std::uint32_t netOffset = field(0x14);
        if (!valid(netOffset)) return {};
        const auto netSize = info.u32(netOffset);
        if (!netSize || *netSize < 0x14) return {};
        const auto net = info.sub(netOffset, *netSize);
        if (!net) return {};
        const std::uint32_t nameOffset = net->u32(8).value_or(0);
        const std::uint32_t nameUnicode = nameOffset > 0x14 ? net->u32(0x14).value_or(0) : 0;
        const auto netValid = [&](std::uint32_t o) { return o >= 0x14 && o < net->size; };
        std::string share = netValid(nameUnicode)  ? utf16z(*net, nameUnicode)
                            : netValid(nameOffset) ? bytesz(*net, nameOffset)
                                                   : "";
        if (!share.empty()) return joinSuffix(std::move(share), suffix);
    }
    return {};
}

// The long name of a file entry from its 0xBEEF0004 extension block, which
// starts at the first even offset after the short primary name.
std::string longNameOf(Span item, std::size_t extensionOffset) {
    const auto blockSize = item.u16(extensionOffset);
    if (!blockSize) return {};
    const auto block = item.sub(extensionOffset, *blockSize);
    if (!block) return {};
    const auto version = block->u16(2);
    const auto signature = block->u32(4);
    if (!version || signature != 0xBEEF0004u || *version < 3) return {};
    std::size_t at = 18;
    if (*version >= 7) at += 18;
    at += 2;  // size of the long string
    if (*version >= 9) at += 4;
    if (*version >= 8) at += 4;
    return utf16z(*block, at);
}

// Best effort over the item-ID list: a volume item ("C:\") followed by file
// entry items gives a path; anything else (network places, virtual folders)
// gives nothing.
std::string targetFromIdList(Span list) {
    std::string path;
    bool haveRoot = false;
    std::size_t at = 0;
    for (int items = 0; items < 512; ++items) {
        const auto itemSize = list.u16(at);
        if (!itemSize || *itemSize == 0) break;
        const auto item = list.sub(at, *itemSize);
        if (!item || item->size < 3) return {};
        at += *itemSize;
        const std::uint8_t type = item->data[2];
        if (type == 0x1F) continue;   // root folder (this computer, ...)
        if ((type & 0x70) == 0x20) {  // volume
            std::string drive = bytesz(*item, 3);
            if (drive.size() < 2 || drive[1] != ':') return {};
            path = drive;
            haveRoot = true;
            continue;
        }
        if ((type & 0x70) == 0x30 && haveRoot) {  // file entry
            constexpr std::size_t kNameOffset = 14;
            std::string name;
            if (type & 0x04) {  // the primary name is already the Unicode long name
                name = utf16z(*item, kNameOffset);
            } else {  // a short name; the long one follows in the extension block
                name = bytesz(*item, kNameOffset);
                std::size_t extension = kNameOffset + name.size() + 1;
                extension += extension % 2;
                std::string longName = longNameOf(*item, extension);
                if (!longName.empty()) name = std::move(longName);
            }
            if (name.empty()) return {};
            if (!path.empty() && path.back() != '\\') path += '\\';
            path += name;
            if (path.size() > kMaxPathBytes) return {};
            continue;
        }
        return {};
    }
    return haveRoot ? path : std::string{};
}

struct Parsed {
    std::uint32_t flags = 0;
    std::uint32_t attributes = 0;
    Span idList, linkInfo;
    std::string strings[5];  // name, relative path, working dir, arguments, icon
    std::string environmentTarget;
};

// Splits the file into its sections; false when the header is not a shell
// link header. Sections that run past the end are left empty.
bool split(Span file, Parsed& p) {
    if (file.size < kHeaderSize || file.u32(0) != kHeaderSize || std::memcmp(file.data + 4, kLinkClsid, 16) != 0)
        return false;
    p.flags = *file.u32(0x14);
    p.attributes = *file.u32(0x18);
    std::size_t at = kHeaderSize;
    if (p.flags & HasLinkTargetIdList) {
        const auto listSize = file.u16(at);
        if (!listSize) return true;
        if (const auto list = file.sub(at + 2, *listSize)) p.idList = *list;
        else return true;
        at += 2 + *listSize;
    }
    if (p.flags & HasLinkInfo) {
        const auto infoSize = file.u32(at);
        if (!infoSize || *infoSize < 4) return true;
        if (const auto info = file.sub(at, *infoSize)) p.linkInfo = *info;
        else return true;
        at += *infoSize;
    }
    const bool unicode = p.flags & IsUnicode;
    const std::uint32_t stringFlags[5] = {HasName, HasRelativePath, HasWorkingDir, HasArguments, HasIconLocation};
    for (int i = 0; i < 5; ++i) {
        if (!(p.flags & stringFlags[i])) continue;
        const auto count = file.u16(at);
        if (!count) return true;
        const std::size_t bytes = unicode ? 2u * *count : *count;
        const auto text = file.sub(at + 2, bytes);
        if (!text) return true;
        p.strings[i] = unicode ? utf16Text(*text, 0, *count, false)
                               : std::string(reinterpret_cast<const char*>(text->data), std::min(bytes, kMaxPathBytes));
        at += 2 + bytes;
    }
    for (int blocks = 0; blocks < 64; ++blocks) {
        const auto blockSize = file.u32(at);
        if (!blockSize || *blockSize < 8) break;
        const auto block = file.sub(at, *blockSize);
        if (!block) break;
        if (block->u32(4) == kEnvironmentBlock && block->size >= 8 + 260 + 520) {
            p.environmentTarget = utf16Text(*block, 8 + 260, 260, true);
            if (p.environmentTarget.empty()) p.environmentTarget = bytesz(*block->sub(8, 260), 0);
        }
        at += *blockSize;
    }
    return true;
}

// Bytes that are not UTF-8 still go into the description, one code point
// per byte, rather than being dropped.
std::u16string descriptionUnits(const std::string& text) {
    if (auto units = utf8ToUtf16(text)) return *units;
    std::u16string out;
    for (unsigned char c : text) out += static_cast<char16_t>(c);
    return out;
}

class Writer {
public:
    void u8(std::uint8_t v) { bytes_.push_back(v); }
    void u16(std::uint32_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void u64(std::uint64_t v) {
        u32(static_cast<std::uint32_t>(v));
        u32(static_cast<std::uint32_t>(v >> 32));
    }
    void raw(const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// 100 ns intervals since 1 January 1601; 0 (no time) before that.
std::uint64_t fileTime(const struct timespec& t) {
    constexpr std::int64_t kEpochDifference = 11644473600;
    const std::int64_t seconds = static_cast<std::int64_t>(t.tv_sec) + kEpochDifference;
    if (seconds < 0) return 0;
    return static_cast<std::uint64_t>(seconds) * 10000000u + static_cast<std::uint64_t>(t.tv_nsec) / 100u;
}

std::vector<std::uint8_t> buildLink(const std::string& target, const struct stat& st, bool writable,
                                    const std::string& description) {
    Writer w;
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
    if (!writable) attributes |= kAttributeReadOnly;

    w.u32(kHeaderSize);
    w.raw(kLinkClsid, sizeof kLinkClsid);
    w.u32(HasLinkInfo | HasName | IsUnicode);
    w.u32(attributes);
    // No birth time in struct stat: the creation time is the status-change time.
    w.u64(fileTime(st.st_ctim));
    w.u64(fileTime(st.st_atim));
    w.u64(fileTime(st.st_mtim));
    w.u32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(st.st_size)));
    w.u32(0);  // icon index
    w.u32(1);  // show normally
    w.u16(0);  // hot key
    w.u16(0);
    w.u32(0);
    w.u32(0);

    bool ascii = true;
    for (unsigned char c : target) ascii = ascii && c < 0x80;
    const auto unicodePath = ascii ? std::nullopt : utf8ToUtf16(target);
    const std::uint32_t headerSize = unicodePath ? 0x24 : 0x1C;

    const std::size_t infoStart = w.size();
    w.u32(0);  // size, patched below
    w.u32(headerSize);
    w.u32(kVolumeIdAndLocalBasePath);
    w.u32(headerSize);  // volume ID right after the header
    const std::size_t localOffsetAt = w.size();
    w.u32(0);
    w.u32(0);  // no network link
    const std::size_t suffixOffsetAt = w.size();
    w.u32(0);
    std::size_t localUnicodeAt = 0, suffixUnicodeAt = 0;
    if (unicodePath) {
        localUnicodeAt = w.size();
        w.u32(0);
        suffixUnicodeAt = w.size();
        w.u32(0);
    }
    // Volume ID: fixed drive, the device number as serial, empty label.
    w.u32(0x11);
    w.u32(3);
    w.u32(static_cast<std::uint32_t>(st.st_dev));
    w.u32(0x10);
    w.u8(0);
    const auto here = [&] { return static_cast<std::uint32_t>(w.size() - infoStart); };
    w.patch32(localOffsetAt, here());
    w.raw(target.data(), target.size());
    w.u8(0);
    w.patch32(suffixOffsetAt, here());
    w.u8(0);
    if (unicodePath) {
        w.patch32(localUnicodeAt, here());
        for (char16_t unit : *unicodePath) w.u16(unit);
        w.u16(0);
        w.patch32(suffixUnicodeAt, here());
        w.u16(0);
    }
    w.patch32(infoStart, here());

    auto units = descriptionUnits(description);
    if (units.size() > 0xFFFF) {
        units.resize(0xFFFF);
        if (units.back() >= 0xD800 && units.back() <= 0xDBFF) units.pop_back();  // keep pairs whole
    }
    w.u16(static_cast<std::uint32_t>(units.size()));
    for (char16_t unit : units) w.u16(unit);
    w.u32(0);  // terminal block
    return w.bytes();
}

}  // namespace

int createShortcut(const std::string& target, const std::string& link, const std::string& description) {
    if (target.empty() || link.empty()) return EINVAL;
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(target, ec).lexically_normal().string();
    if (ec) return ec.value() ? ec.value() : EINVAL;
    struct stat st {};
    if (::stat(absolute.c_str(), &st) != 0) return errno ? errno : ENOENT;
    // A file nobody may write counts as read-only even for a user (root) whom
    // access() lets write anything.
    const bool writable = ::access(absolute.c_str(), W_OK) == 0 && (st.st_mode & 0222) != 0;
    const auto bytes = buildLink(absolute, st, writable, description);

    // A reader never sees a half-written shortcut, and an existing one (or a
    // symbolic link in its place) is replaced in one step. The new file gets
    // the permissions open() gives: 0666 less the umask.
    const ReplaceOptions options{0666, ModeRule::LessUmask, false, TemporaryNames::Hidden};
    return replaceFile(link, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), options);
}

std::uint32_t parseShortcut(const std::uint8_t* data, std::size_t size, std::string& target) {
    target.clear();
    if (data == nullptr) return 0;
    Parsed p;
    if (!split(Span{data, size}, p)) return 0;
    std::string found;
    if ((p.flags & HasLinkInfo) && !(p.flags & ForceNoLinkInfo) && p.linkInfo.size > 0)
        found = targetFromLinkInfo(p.linkInfo);
    if (found.empty() && p.idList.size > 0) found = targetFromIdList(p.idList);
    if (found.empty()) found = p.environmentTarget;
    if (found.empty()) found = p.strings[1];
    if (found.empty() || found.size() > kMaxPathBytes) return 0;
    target = std::move(found);
    return p.attributes != 0 ? p.attributes : kAttributeNormal;
}

bool shortcutDescription(const std::uint8_t* data, std::size_t size, std::string& description) {
    description.clear();
    Parsed p;
    if (data == nullptr || !split(Span{data, size}, p) || !(p.flags & HasName)) return false;
    description = std::move(p.strings[0]);
    return true;
}

std::uint32_t resolveShortcut(const std::string& link, std::string& target) {
    target.clear();
    const int fd = openRegularFile(link);
    if (fd < 0) return 0;
    struct stat st {};
    std::vector<std::uint8_t> bytes;
    if (::fstat(fd, &st) == 0) {
        bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), kMaxLinkFile));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return parseShortcut(bytes.data(), bytes.size(), target);
}

}  // namespace orvanta
