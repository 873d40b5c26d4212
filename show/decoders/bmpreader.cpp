#include "show/decoders/bmpreader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "base/regularfile.h"

// Every number in a BMP file is untrusted: offsets and lengths are checked
// against the bytes really there, in 64 bits, and the picture's size against
// the limits before anything is allocated. Files the show cannot represent
// faithfully (embedded JPEG/PNG, OS/2 Huffman and RLE24, 64-bit pixels) are
// refused, which skips the picture.
//
// The file is judged by its first few kilobytes (headers, masks and colour
// table all lie there) before anything else is read. Rows are then read one
// at a time, in file order, and handed to a PictureBuilder: only the rows the
// plan needs are read, and a run of rows inside a hole of a sparse file is
// known to be zeros without reading it. RLE data is decoded row by row; the
// rows it leaves out (after the end-of-bitmap code, or jumped over) are index
// 0 and are handed over as one run.

namespace orvanta {

namespace {

enum : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::int32_t getSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(get32(p)); }

struct Layout {
    std::int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t masks[3] = {};
    bool fileMasks = false;
    std::uint64_t paletteOffset = 0, paletteCount = 0, paletteEntrySize = 4;
    std::uint64_t bitsOffset = 0;
};

bool knownHeaderSize(std::uint32_t size) {
    switch (size) {
    case 12:   // OS/2 version 1
    case 16:   // OS/2 version 2, short form
    case 40:   // Windows version 3 (or OS/2 version 2 cut to 40)
    case 52:   // version 3 with colour masks
    case 56:   // version 3 with colour and alpha masks
    case 64:   // OS/2 version 2
    case 108:  // Windows version 4
    case 124:  // Windows version 5
        return true;
    default: return false;
    }
}

// Colour masks must be non-empty runs of bits inside the pixel that do not
// overlap; anything else has no sensible reading.
bool masksUsable(const std::uint32_t (&masks)[3], int bitCount) {
    const std::uint64_t pixelBits = (std::uint64_t{1} << bitCount) - 1;
    std::uint32_t seen = 0;
    for (std::uint32_t m : masks) {
        if (m == 0 || (m & ~pixelBits) != 0 || (m & seen) != 0) return false;
        const std::uint32_t shifted = m >> std::countr_zero(m);
        if ((shifted & (shifted + 1)) != 0) return false;  // not contiguous
        seen |= m;
    }
    return true;
}

// data holds the first size bytes of a file of fileSize bytes.
bool parseLayout(const std::uint8_t* data, std::size_t size, std::uint64_t fileSize, Layout& l) {
    if (size < 14 + 16 || data[0] != 'B' || data[1] != 'M') return false;
    l.bitsOffset = get32(data + 10);
    const std::uint32_t headerSize = get32(data + 14);
    if (!knownHeaderSize(headerSize) || 14 + std::uint64_t{headerSize} > size) return false;
    const std::uint8_t* ih = data + 14;
    int planes = 0;
    std::uint32_t colorsUsed = 0;
    if (headerSize == 12) {
        l.width = get16(ih + 4);
        l.height = get16(ih + 6);
        planes = get16(ih + 8);
        l.bitCount = get16(ih + 10);
        l.paletteEntrySize = 3;
    } else {
        l.width = getSigned32(ih + 4);
        l.height = getSigned32(ih + 8);
        planes = get16(ih + 12);
        l.bitCount = get16(ih + 14);
        if (headerSize >= 20) l.compression = get32(ih + 16);
        if (headerSize >= 36) colorsUsed = get32(ih + 32);
    }
    // OS/2 version 2 numbers its Huffman 1D and RLE24 compressions 3 and 4;
    // neither is supported.
    if ((headerSize == 16 || headerSize == 64) && l.compression != kRgb && l.compression != kRle8 &&
        l.compression != kRle4)
        return false;
    if (planes != 1 || l.width <= 0 || l.height == 0) return false;
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height;
    }
    if (!sourceSizeAllowed(l.width, l.height)) return false;

    switch (l.compression) {
    case kRgb:
        if (l.bitCount != 1 && l.bitCount != 2 && l.bitCount != 4 && l.bitCount != 8 && l.bitCount != 16 &&
            l.bitCount != 24 && l.bitCount != 32)
            return false;
        break;
    case kRle8:
        if (l.bitCount != 8 || l.topDown) return false;
        break;
    case kRle4:
        if (l.bitCount != 4 || l.topDown) return false;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (l.bitCount != 16 && l.bitCount != 32) return false;
        break;
    default: return false;
    }

    l.paletteOffset = 14 + std::uint64_t{headerSize};
    if (l.bitCount == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
    } else if (l.bitCount == 32) {
        l.masks[0] = 0xFF0000, l.masks[1] = 0x00FF00, l.masks[2] = 0x0000FF;
    }
    if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
        const std::uint8_t* m = nullptr;
        if (headerSize >= 52) {
            m = ih + 40;
        } else if (headerSize == 40) {
            // The masks follow a version 3 header, before the colour table.
            const std::uint64_t maskBytes = l.compression == kAlphaBitFields ? 16 : 12;
            if (l.paletteOffset + maskBytes > size) return false;
            m = data + l.paletteOffset;
            l.paletteOffset += maskBytes;
        } else {
            return false;
        }
        l.masks[0] = get32(m), l.masks[1] = get32(m + 4), l.masks[2] = get32(m + 8);
        l.fileMasks = true;
    }
    if ((l.bitCount == 16 || l.bitCount == 32) && !masksUsable(l.masks, l.bitCount)) return false;

    if (l.bitsOffset < l.paletteOffset || l.bitsOffset >= fileSize) return false;
    if (l.bitCount <= 8) {
        const std::uint64_t maxEntries = std::uint64_t{1} << l.bitCount;
        l.paletteCount = (colorsUsed == 0 || colorsUsed > maxEntries) ? maxEntries : colorsUsed;
        // A short colour table (seen from OS/2 writers) ends where the pixels start.
        const std::uint64_t room = (l.bitsOffset - l.paletteOffset) / l.paletteEntrySize;
        if (l.paletteCount > room) l.paletteCount = room;
        if (l.paletteOffset + l.paletteCount * l.paletteEntrySize > size) return false;
    }
    return true;
}

std::vector<RgbQuad> colourTable(const std::uint8_t* data, const Layout& l) {
    std::vector<RgbQuad> table;
    const std::uint8_t* p = data + l.paletteOffset;
    for (std::uint64_t i = 0; i < l.paletteCount; ++i, p += l.paletteEntrySize) table.push_back({p[0], p[1], p[2], 0});
    return table;
}

// Where the bytes come from: a file, read where needed and whose holes are
// known, or memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads n bytes at offset; false when they are not all there.
    virtual bool read(std::uint64_t offset, std::size_t n, std::uint8_t* to) = 0;
    // The first offset at or after offset that may hold anything but zeros;
    // size() when nothing does.
    virtual std::uint64_t nextData(std::uint64_t offset) { return offset; }
};

class MemorySource : public ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, std::size_t n, std::uint8_t* to) override {
        if (offset > size_ || n > size_ - offset) return false;
        std::memcpy(to, data_ + offset, n);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

class FileSource : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool read(std::uint64_t offset, std::size_t n, std::uint8_t* to) override {
        if (offset > size_ || n > size_ - offset) return false;
        while (n > 0) {
            const ssize_t got = ::pread(fd_, to, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            to += got, offset += static_cast<std::uint64_t>(got), n -= static_cast<std::size_t>(got);
        }
        return true;
    }
    std::uint64_t nextData(std::uint64_t offset) override {
        if (offset >= dataStart_ && offset < dataEnd_) return offset;
        if (offset >= holeStart_ && offset < dataStart_) return dataStart_;
        // Without hole support the whole file counts as data.
        holeStart_ = offset;
        const off_t data = ::lseek(fd_, static_cast<off_t>(offset), SEEK_DATA);
        if (data < 0) {
            dataStart_ = errno == ENXIO ? size_ : offset;
            dataEnd_ = size_;
            if (errno != ENXIO) holeStart_ = dataStart_;
            return dataStart_;
        }
        const off_t hole = ::lseek(fd_, data, SEEK_HOLE);
        dataStart_ = static_cast<std::uint64_t>(data);
        dataEnd_ = hole < 0 ? size_ : static_cast<std::uint64_t>(hole);
        return dataStart_;
    }

private:
    int fd_;
    std::uint64_t size_;
    std::uint64_t holeStart_ = 0, dataStart_ = 0, dataEnd_ = 0;
};

// The decode of one file: its layout, the builder and the pump.
struct BmpDecode {
    ByteSource& source;
    const Layout& l;
    PictureBuilder& builder;
    DecodePump& pump;
    int width() const { return static_cast<int>(l.width); }
    int height() const { return static_cast<int>(l.height); }
};

// A 2-bit row with each index moved into a nibble (no 2-bit depth in the show).
void widenTwoBitRow(const std::uint8_t* src, int width, std::uint8_t* dst, std::size_t dstBytes) {
    std::memset(dst, 0, dstBytes);
    for (int x = 0; x < width; ++x) {
        const int index = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        dst[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? index : index << 4);
    }
}

DecodeStatus readUncompressed(BmpDecode& d, bool widenTwoBits) {
    const Layout& l = d.l;
    const std::uint64_t size = d.source.size();
    const std::uint64_t srcStride = (static_cast<std::uint64_t>(l.width) * l.bitCount + 31) / 32 * 4;
    const std::uint64_t lastRowBytes = (static_cast<std::uint64_t>(l.width) * l.bitCount + 7) / 8;
    // Writers that leave out the final row's padding are common, so only the
    // pixel bytes of the last row must be present.
    const std::uint64_t needed = srcStride * static_cast<std::uint64_t>(l.height - 1) + lastRowBytes;
    if (needed > size - l.bitsOffset) return DecodeStatus::Failed;

    const int width = d.width(), height = d.height();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(srcStride));
    std::vector<std::uint8_t> wide(widenTwoBits ? WBitmap::strideFor(width, 4) : 0);
    const std::vector<std::uint8_t> zeros(std::max(row.size(), wide.size()));
    auto yOf = [&](std::int64_t fileRow) { return static_cast<int>(l.topDown ? fileRow : height - 1 - fileRow); };

    // The file rows the plan needs: the rows of a corner are the first of a
    // top-down file and the last of a bottom-up one.
    std::int64_t fileRow = 0, end = height;
    while (fileRow < end && !d.builder.wantsRow(yOf(fileRow))) ++fileRow;
    while (end > fileRow && !d.builder.wantsRow(yOf(end - 1))) --end;
    while (fileRow < end) {
        if (d.pump.due()) return DecodeStatus::Abandoned;
        const std::uint64_t offset = l.bitsOffset + static_cast<std::uint64_t>(fileRow) * srcStride;
        const std::uint64_t data = d.source.nextData(offset);
        if (data >= offset + srcStride) {
            const std::int64_t run = std::min<std::int64_t>(static_cast<std::int64_t>((data - offset) / srcStride),
                                                            end - fileRow);
            const int first = l.topDown ? yOf(fileRow) : yOf(fileRow + run - 1);
            d.builder.putRows(first, static_cast<int>(run), zeros.data());
            fileRow += run;
            continue;
        }
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(srcStride, size - offset));
        if (!d.source.read(offset, n, row.data())) return DecodeStatus::Failed;
        std::fill(row.begin() + static_cast<std::ptrdiff_t>(n), row.end(), 0);
        if (widenTwoBits) widenTwoBitRow(row.data(), width, wide.data(), wide.size());
        d.builder.putRows(yOf(fileRow), 1, widenTwoBits ? wide.data() : row.data());
        ++fileRow;
    }
    return DecodeStatus::Decoded;
}

// Sequential reading of the RLE codes.
class CodeReader {
public:
    CodeReader(ByteSource& source, std::uint64_t from) : source_(source), pos_(from) {}
    bool get(std::uint8_t* to, std::size_t n) {
        while (n > 0) {
            if (at_ == buffer_.size()) {
                const std::uint64_t left = source_.size() - pos_;
                if (left == 0) return false;
                buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, kChunk)));
                if (!source_.read(pos_, buffer_.size(), buffer_.data())) return false;
                pos_ += buffer_.size();
                at_ = 0;
            }
            const std::size_t take = std::min(n, buffer_.size() - at_);
            std::memcpy(to, buffer_.data() + at_, take);
            at_ += take, to += take, n -= take;
        }
        return true;
    }

private:
    static constexpr std::uint64_t kChunk = 1 << 16;
    ByteSource& source_;
    std::uint64_t pos_;
    std::vector<std::uint8_t> buffer_;
    std::size_t at_ = 0;
};

// RLE8 and RLE4. Rows run bottom-up; a run or literal that would leave its
// row, a jump outside the picture, or data that ends before the
// end-of-bitmap code refuses the file: such files are built to overrun
// decoders, and a clipped guess would show garbage. Pixels a jump skips keep
// index 0.
DecodeStatus readRle(BmpDecode& d) {
    const Layout& l = d.l;
    const bool four = l.compression == kRle4;
    const int width = d.width(), height = d.height();
    std::vector<std::uint8_t> row(WBitmap::strideFor(width, four ? 4 : 8)), zeros(row.size());
    CodeReader codes(d.source, l.bitsOffset);

    auto put = [&](std::int64_t x, unsigned index) {
        std::uint8_t* r = row.data();
        if (!four) r[x] = static_cast<std::uint8_t>(index);
        else if (x & 1) r[x >> 1] = static_cast<std::uint8_t>((r[x >> 1] & 0xF0) | (index & 0x0F));
        else r[x >> 1] = static_cast<std::uint8_t>((r[x >> 1] & 0x0F) | (index << 4));
    };
    // Hands over the row in hand (file row y) and the n rows of index 0
    // after it, and starts the next row.
    std::int64_t x = 0, y = 0;
    auto endRows = [&](std::int64_t n) {
        if (y < height) d.builder.putRows(static_cast<int>(height - 1 - y), 1, row.data());
        const std::int64_t empty = std::min<std::int64_t>(n - 1, height - 1 - y);
        if (empty > 0)
            d.builder.putRows(static_cast<int>(height - 1 - y - empty), static_cast<int>(empty), zeros.data());
        std::fill(row.begin(), row.end(), 0);
        y += n;
    };

    std::uint8_t code[2], bytes[256];
    bool rowEnded = false;
    for (std::uint32_t count = 0;; ++count) {
        // Events get their turn after each row and every few thousand codes.
        if ((rowEnded || (count & 0xFFF) == 0) && d.pump.due()) return DecodeStatus::Abandoned;
        rowEnded = false;
        if (!codes.get(code, 2)) break;
        const unsigned a = code[0], b = code[1];
        if (a > 0) {
            if (y >= height || x + a > width) return DecodeStatus::Failed;
            for (unsigned i = 0; i < a; ++i) put(x++, !four ? b : (i & 1) ? (b & 0x0F) : (b >> 4));
        } else if (b == 0) {
            if (y >= height) return DecodeStatus::Failed;
            endRows(1);
            x = 0;
            rowEnded = true;
        } else if (b == 1) {
            if (y < height) endRows(height - y);
            return DecodeStatus::Decoded;
        } else if (b == 2) {
            std::uint8_t delta[2];
            if (!codes.get(delta, 2)) return DecodeStatus::Failed;
            x += delta[0];
            if (delta[1] > 0) {
                if (y + delta[1] > height) return DecodeStatus::Failed;
                endRows(delta[1]);
                rowEnded = true;
            }
            if (x > width) return DecodeStatus::Failed;
        } else {
            const std::size_t n = four ? (b + 1) / 2 : b;
            const std::size_t padded = (n + 1) & ~std::size_t{1};
            if (y >= height || x + b > width || !codes.get(bytes, padded)) return DecodeStatus::Failed;
            for (unsigned i = 0; i < b; ++i) {
                const std::uint8_t byte = bytes[four ? i / 2 : i];
                put(x++, !four ? byte : (i & 1) ? (byte & 0x0F) : (byte >> 4));
            }
        }
    }
    // Some writers stop without the end-of-bitmap code once every row is done.
    return y >= height ? DecodeStatus::Decoded : DecodeStatus::Failed;
}

DecodeStatus decodeFrom(ByteSource& source, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        std::vector<RgbQuad>* fileColours) {
    out.reset();
    reduced = false;
    if (fileColours != nullptr) fileColours->clear();
    DecodePump pump(request.pumpEvents, request.pumpInterval);
    if (pump.now()) return DecodeStatus::Abandoned;

    // Headers, masks and the largest colour table all lie in the first 2 KiB.
    std::uint8_t head[2048];
    const std::size_t headSize = static_cast<std::size_t>(std::min<std::uint64_t>(source.size(), sizeof head));
    Layout l;
    if (!source.read(0, headSize, head) || !parseLayout(head, headSize, source.size(), l)) return DecodeStatus::Failed;

    const DecodePlan plan = planDecode(l.width, l.height, request);
    const bool rle = l.compression == kRle8 || l.compression == kRle4;
    RowFormat format;
    format.bitCount = rle ? (l.compression == kRle4 ? 4 : 8) : l.bitCount;
    if (l.bitCount <= 8) format.table = colourTable(head, l);
    std::copy(std::begin(l.masks), std::end(l.masks), format.masks);
    format.fileMasks = l.fileMasks;
    const bool widenTwoBits = format.bitCount == 2 && plan.kind != DecodePlan::Kind::Reduced;
    if (widenTwoBits) format.bitCount = 4;

    PictureBuilder builder;
    if (!builder.start(static_cast<int>(l.width), static_cast<int>(l.height), format, plan, !l.topDown))
        return DecodeStatus::Failed;
    if (pump.now()) return DecodeStatus::Abandoned;
    BmpDecode d{source, l, builder, pump};
    const DecodeStatus status = rle ? readRle(d) : readUncompressed(d, widenTwoBits);
    if (status != DecodeStatus::Decoded || !builder.finish(out)) {
        out.reset();
        return status == DecodeStatus::Decoded ? DecodeStatus::Failed : status;
    }
    reduced = plan.kind == DecodePlan::Kind::Reduced;
    if (fileColours != nullptr && format.bitCount == 8) *fileColours = format.table;
    return DecodeStatus::Decoded;
}

}  // namespace

DecodeStatus decodeBmp(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       std::vector<RgbQuad>* fileColours) {
    out.reset();
    reduced = false;
    const int fd = openRegularFile(path);
    if (fd < 0) return DecodeStatus::Failed;
    const off_t size = ::lseek(fd, 0, SEEK_END);
    DecodeStatus status = DecodeStatus::Failed;
    if (size > 0) {
        FileSource source(fd, static_cast<std::uint64_t>(size));
        status = decodeFrom(source, request, out, reduced, fileColours);
    }
    ::close(fd);
    return status;
}

DecodeStatus readBmp(const std::uint8_t* data, std::size_t size, const DecodeRequest& request, WBitmap& out,
                     bool& reduced) {
    out.reset();
    reduced = false;
    if (data == nullptr) return DecodeStatus::Failed;
    MemorySource source(data, size);
    return decodeFrom(source, request, out, reduced, nullptr);
}

bool readBmp(const std::uint8_t* data, std::size_t size, WBitmap& out) {
    bool reduced = false;
    return readBmp(data, size, DecodeRequest{}, out, reduced) == DecodeStatus::Decoded;
}

bool loadBmp(const std::string& path, WBitmap& out) {
    bool reduced = false;
    return decodeBmp(path, DecodeRequest{}, out, reduced) == DecodeStatus::Decoded;
}

}  // namespace orvanta
