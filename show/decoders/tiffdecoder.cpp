#include "show/decoders/tiffdecoder.h"

#include "base/regularfile.h"
#include "show/decoders/rgbrows.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <tiffio.h>

namespace orvanta {

namespace {

// The band of rows read at once: a strip or a row of tiles, within this.
constexpr std::size_t kMaxBandBytes = std::size_t{64} << 20;
constexpr std::size_t kBandBytes = std::size_t{4} << 20;
// What libtiff may allocate at once (a strip, a tile, a table).
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{256} << 20;

// libtiff's messages are not the user's business: a damaged file is skipped.
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffSession {
    TIFF* tiff = nullptr;
    TIFFRGBAImage image{};
    bool begun = false;
    ~TiffSession() {
        if (begun) TIFFRGBAImageEnd(&image);
        if (tiff != nullptr) TIFFClose(tiff);
    }
};

// Every strip or tile within the file's bytes.
bool stripsInsideFile(TIFF* tiff, std::uint64_t fileBytes) {
    const std::uint32_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        int error = 0;
        const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tiff, i, &error);
        if (error != 0) return false;
        const std::uint64_t bytes = TIFFGetStrileByteCountWithErr(tiff, i, &error);
        if (error != 0 || offset > fileBytes || bytes > fileBytes - offset) return false;
    }
    return true;
}

// How a strip too large to decode at once is read instead: row by row, as
// stored, for the plain layouts scanners and editors write (grey or RGB, 8 or
// 16 bits, an alpha sample at most, samples interleaved, no JPEG inside).
struct ScanlineLayout {
    SampleLayout samples;
    int bytesPerSample = 1;
    bool inverted = false;  // 0 is white
};

std::optional<ScanlineLayout> scanlineLayoutOf(TIFF* tiff) {
    std::uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, compression = 0, format = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) return std::nullopt;
    if (TIFFIsTiled(tiff) || planar != PLANARCONFIG_CONTIG || (bits != 8 && bits != 16) ||
        format != SAMPLEFORMAT_UINT || compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG)
        return std::nullopt;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    if (!grey && photometric != PHOTOMETRIC_RGB) return std::nullopt;
    const int colours = grey ? 1 : 3;
    if (samples != colours && samples != colours + 1) return std::nullopt;
    ScanlineLayout layout;
    layout.samples.channels = samples;
    layout.bytesPerSample = bits / 8;
    layout.inverted = photometric == PHOTOMETRIC_MINISWHITE;
    if (samples > colours) {
        std::uint16_t extras = 0;
        std::uint16_t* kinds = nullptr;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extras, &kinds);
        layout.samples.premultiplied = extras > 0 && kinds != nullptr && kinds[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return layout;
}

// Reads the rows one at a time: libtiff then decodes each strip as it goes,
// holding only what the file holds of it, and events run between the rows.
DecodeStatus readScanlines(TIFF* tiff, const ScanlineLayout& layout, int width, int height, RgbPictureSink& sink,
                           DecodePump& pump) {
    const tmsize_t stored = TIFFScanlineSize(tiff);
    const std::size_t samples = std::size_t{static_cast<unsigned>(width)} * layout.samples.channels;
    if (stored < 0 || static_cast<std::size_t>(stored) < samples * layout.bytesPerSample) return DecodeStatus::Failed;
    std::vector<std::uint8_t> row, bytes(samples);
    try {
        row.resize(static_cast<std::size_t>(stored));
    } catch (const std::bad_alloc&) {
        return DecodeStatus::Failed;
    }
    const bool alpha = layout.samples.channels == 2 || layout.samples.channels == 4;
    for (int y = 0; y < height && sink.wantsRow(y); ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        if (TIFFReadScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) < 0) return DecodeStatus::Failed;
        for (std::size_t i = 0; i < samples; ++i) {
            std::uint8_t v = row[i];
            if (layout.bytesPerSample == 2) {
                std::uint16_t wide;
                std::memcpy(&wide, row.data() + 2 * i, 2);  // in the machine's order already
                v = static_cast<std::uint8_t>(wide >> 8);
            }
            const bool isAlpha = alpha && i % layout.samples.channels == layout.samples.channels - 1u;
            bytes[i] = layout.inverted && !isAlpha ? static_cast<std::uint8_t>(255 - v) : v;
        }
        sink.putRow(y, bytes.data(), layout.samples);
    }
    return DecodeStatus::Decoded;
}

}  // namespace

DecodeStatus decodeTiff(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        int& orientation) {
    std::optional<DecodePump> started = beginDecode(request, out, reduced, orientation);
    if (!started) return DecodeStatus::Abandoned;
    DecodePump& pump = *started;
    const int fd = openRegularFile(path);
    if (fd < 0) return DecodeStatus::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return DecodeStatus::Failed;
    }
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        ::close(fd);
        return DecodeStatus::Failed;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    TiffSession s;
    // "m": no memory mapping, so that a file cut short meanwhile is a read
    // error and not a fault. libtiff closes the descriptor.
    s.tiff = TIFFFdOpenExt(fd, path.c_str(), "rm", options);
    TIFFOpenOptionsFree(options);
    if (s.tiff == nullptr) return DecodeStatus::Failed;

    std::uint32_t width = 0, height = 0;
    std::uint16_t tag = ORIENTATION_TOPLEFT;
    TIFFGetField(s.tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(s.tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(s.tiff, TIFFTAG_ORIENTATION, &tag);
    if (!sourceSizeAllowed(width, height)) return DecodeStatus::Failed;
    if (!stripsInsideFile(s.tiff, static_cast<std::uint64_t>(st.st_size))) return DecodeStatus::Failed;
    orientation = tag >= 1 && tag <= 8 ? tag : 1;
    if (pump.now()) return DecodeStatus::Abandoned;

    const int w = static_cast<int>(width), h = static_cast<int>(height);
    // A strip larger than a band (a scanner's whole page in one strip) would
    // be decoded whole for every band, and past the allocation limit not at
    // all; libtiff's conversion drops the alpha of 16-bit grey. Such pictures
    // are read row by row where the layout allows.
    if (const std::optional<ScanlineLayout> layout = scanlineLayoutOf(s.tiff))
        if (static_cast<std::uint64_t>(TIFFStripSize64(s.tiff)) > kMaxBandBytes ||
            (layout->samples.channels == 2 && layout->bytesPerSample == 2)) {
            RgbPictureSink sink;
            if (!sink.start(w, h, planTurned(w, h, request, orientation >= 5), request.background))
                return DecodeStatus::Failed;
            const DecodeStatus status = readScanlines(s.tiff, *layout, w, h, sink, pump);
            if (status != DecodeStatus::Decoded) return status;
            return sink.finish(out, reduced) ? DecodeStatus::Decoded : DecodeStatus::Failed;
        }

    char message[1024];
    if (!TIFFRGBAImageOK(s.tiff, message) || !TIFFRGBAImageBegin(&s.image, s.tiff, 1, message))
        return DecodeStatus::Failed;
    s.begun = true;
    // Rows as stored, top first: the orientation is the caller's to apply.
    s.image.req_orientation = ORIENTATION_TOPLEFT;
    s.image.orientation = ORIENTATION_TOPLEFT;

    RgbPictureSink sink;
    if (!sink.start(w, h, planTurned(w, h, request, orientation >= 5), request.background)) return DecodeStatus::Failed;
    // A band is one strip or one row of tiles where that is not too large,
    // so that each is decoded once (libtiff decodes a strip from its start
    // for every band that reads part of it). Events run between bands and
    // between the rows of a band.
    std::uint32_t unit = 0;
    if (TIFFIsTiled(s.tiff)) TIFFGetField(s.tiff, TIFFTAG_TILELENGTH, &unit);
    else TIFFGetFieldDefaulted(s.tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    const std::size_t rowBytes = std::size_t{width} * 4;
    std::size_t band = std::clamp<std::size_t>(unit, 1, height);
    if (band * rowBytes > kMaxBandBytes) band = std::max<std::size_t>(1, kBandBytes / rowBytes);
    std::vector<std::uint32_t> raster;
    try {
        raster.resize(band * width);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::Failed;
    }
    SampleLayout layout{4};
    // libtiff multiplies a colour picture's separate alpha into its samples,
    // but hands out a grey one's as stored.
    const bool grey = s.image.photometric == PHOTOMETRIC_MINISBLACK || s.image.photometric == PHOTOMETRIC_MINISWHITE;
    layout.premultiplied = s.image.alpha == EXTRASAMPLE_ASSOCALPHA ||
                           (s.image.alpha == EXTRASAMPLE_UNASSALPHA && !grey);
    // The RGBA words hold R, G, B, A from the lowest byte up.
    static_assert(TIFFGetR(0x04030201u) == 1 && TIFFGetA(0x04030201u) == 4);
    std::vector<std::uint8_t> bytes(rowBytes);
    for (int y = 0; y < h && sink.wantsRow(y); y += static_cast<int>(band)) {
        if (pump.due()) return DecodeStatus::Abandoned;
        const std::uint32_t rows = std::min<std::uint32_t>(static_cast<std::uint32_t>(band),
                                                           height - static_cast<std::uint32_t>(y));
        s.image.row_offset = y;
        s.image.col_offset = 0;
        if (!TIFFRGBAImageGet(&s.image, raster.data(), width, rows)) return DecodeStatus::Failed;
        for (std::uint32_t r = 0; r < rows; ++r) {
            if (pump.due()) return DecodeStatus::Abandoned;
            const std::uint32_t* words = raster.data() + std::size_t{r} * width;
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t v = words[x];
                std::uint8_t* p = bytes.data() + 4 * std::size_t{x};
                p[0] = static_cast<std::uint8_t>(TIFFGetR(v)), p[1] = static_cast<std::uint8_t>(TIFFGetG(v));
                p[2] = static_cast<std::uint8_t>(TIFFGetB(v)), p[3] = static_cast<std::uint8_t>(TIFFGetA(v));
            }
            sink.putRow(y + static_cast<int>(r), bytes.data(), layout);
        }
    }
    if (!sink.finish(out, reduced)) return DecodeStatus::Failed;
    return DecodeStatus::Decoded;
}

}  // namespace orvanta
