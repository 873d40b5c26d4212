#include "show/decoders/jpegdecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <sys/stat.h>

#include "base/regularfile.h"

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back into runDecode, a function that owns nothing with a destructor,
// and decodeJpeg then releases the decoder, the file and the half-made
// bitmap. Everything that must survive the jump lives in the Session, in
// memory the jump does not touch.
//
// Hostile files are stopped early: the blocks the header claims are weighed
// against the bytes of the file and the output size against the limits
// before anything is allocated, the decoder's own arrays are capped, the
// progress monitor counts scans and the blocks they visit, and warnings
// (corrupt data the library recovers from) are counted rather than printed,
// with a cap so that a file made of them cannot run on forever.
//
// The progress monitor is called for every row of blocks that a multi-scan
// file absorbs and the output loop returns every few rows; both let pending
// events run when the pump is due, so no stretch of decoding runs longer than
// the pump interval plus one row of blocks.

namespace orvanta {

namespace {

constexpr long kMaxWarnings = 10000;
// Progressive files keep every coefficient in memory (2 bytes per sample):
// enough for any ordinary photo, not for a crafted 65,535-square header.
constexpr long kDecoderMemoryLimit = 1L << 30;
constexpr int kRowsPerRead = 16;

struct Session;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    long warnings;
};

struct ProgressMonitor {
    jpeg_progress_mgr pub;
    Session* session;
    int scan;              // the last scan counted
    std::int64_t visited;  // blocks visited by the scans so far
};

struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    ProgressMonitor progress;
    std::FILE* file;
    std::int64_t fileBytes;
    const DecodeRequest* request;
    DecodePump* pump;
    WBitmap* out;
    bool reduced;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (++error->warnings > kMaxWarnings) errorExit(cinfo);
}

// All blocks of all components: what the file claims to hold.
std::int64_t claimedBlocks(const jpeg_decompress_struct& cinfo) {
    std::int64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks += std::int64_t{cinfo.comp_info[i].width_in_blocks} * cinfo.comp_info[i].height_in_blocks;
    return blocks;
}

// Called before each chunk of input a multi-scan file absorbs during
// jpeg_start_decompress, which is where progressive files do all their work,
// and before each call for output rows. A new scan is charged its blocks as
// it starts.
void progressMonitor(j_common_ptr common) {
    auto* monitor = reinterpret_cast<ProgressMonitor*>(common->progress);
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    Session& s = *monitor->session;
    if (cinfo->input_scan_number > kMaxJpegScans) errorExit(common);
    if (cinfo->inputctl != nullptr && cinfo->input_scan_number != monitor->scan && cinfo->comps_in_scan > 0) {
        monitor->scan = cinfo->input_scan_number;
        monitor->visited += std::int64_t{cinfo->MCUs_per_row} * cinfo->MCU_rows_in_scan *
                            std::max(cinfo->blocks_in_MCU, 1);
        if (monitor->visited > std::max(kFreeJpegScanBlocks, kJpegScanBlocksPerFileByte * s.fileBytes))
            errorExit(common);
    }
    if (s.pump->due()) errorExit(common);
}

DecodeStatus runDecode(Session& s) {
    j_decompress_ptr cinfo = &s.cinfo;
    if (setjmp(s.error.jump)) return s.pump->ended() ? DecodeStatus::Abandoned : DecodeStatus::Failed;

    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kDecoderMemoryLimit;
    jpeg_stdio_src(cinfo, s.file);
    if (s.pump->now()) return DecodeStatus::Abandoned;

    jpeg_read_header(cinfo, TRUE);
    if (s.pump->now()) return DecodeStatus::Abandoned;
    if (claimedBlocks(*cinfo) > std::max(kFreeJpegBlocks, kJpegBlocksPerFileByte * s.fileBytes))
        return DecodeStatus::Failed;
    cinfo->progress = &s.progress.pub;

    const int denominator = jpegScaleDenominator(cinfo->image_width, cinfo->image_height, s.request->screenWidth,
                                                 s.request->screenHeight);
    cinfo->scale_num = 1;
    cinfo->scale_denom = static_cast<unsigned>(denominator);
    s.reduced = denominator > 1;
    if (s.request->fast) {
        cinfo->dct_method = JDCT_IFAST;
        cinfo->dither_mode = JDITHER_NONE;
    }
    if (s.request->quantize) {
        // Two-pass quantizing with Floyd-Steinberg dithering: the defaults.
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 256;
    } else if (cinfo->out_color_space == JCS_RGB) {
        // The library writes B,G,R straight into the bitmap rows.
        cinfo->out_color_space = JCS_EXT_BGR;
    }
    if (cinfo->out_color_space != JCS_GRAYSCALE && cinfo->out_color_space != JCS_RGB &&
        cinfo->out_color_space != JCS_EXT_BGR)
        return DecodeStatus::Failed;

    jpeg_calc_output_dimensions(cinfo);
    if (!WBitmap::sizeAllowed(cinfo->output_width, cinfo->output_height)) return DecodeStatus::Failed;
    const int bitCount = cinfo->output_components == 3 ? 24 : 8;
    if (!s.out->create(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height), bitCount))
        return DecodeStatus::Failed;

    jpeg_start_decompress(cinfo);
    if (s.pump->now()) return DecodeStatus::Abandoned;
    if (cinfo->output_width != static_cast<JDIMENSION>(s.out->width()) ||
        cinfo->output_height != static_cast<JDIMENSION>(s.out->height()) || cinfo->output_components * 8 != bitCount)
        return DecodeStatus::Failed;

    // Several rows per call, straight into the bitmap: no row buffer, no copy.
    JSAMPROW rows[kRowsPerRead];
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = s.out->row(static_cast<int>(first + i));
        if (jpeg_read_scanlines(cinfo, rows, count) == 0) return DecodeStatus::Failed;
    }

    if (bitCount == 8) {
        std::vector<RgbQuad>& table = s.out->colorTable();
        if (cinfo->quantize_colors) {
            if (cinfo->actual_number_of_colors > 256 || cinfo->colormap == nullptr) return DecodeStatus::Failed;
            const bool colour = cinfo->out_color_components == 3;
            for (int i = 0; i < cinfo->actual_number_of_colors; ++i) {
                const JSAMPLE r = cinfo->colormap[0][i];
                table[i] = colour ? RgbQuad{cinfo->colormap[2][i], cinfo->colormap[1][i], r, 0} : RgbQuad{r, r, r, 0};
            }
        } else {
            for (int i = 0; i < 256; ++i) {
                const auto v = static_cast<std::uint8_t>(i);
                table[i] = RgbQuad{v, v, v, 0};
            }
        }
    }
    // The rows are complete. jpeg_finish_decompress would only read on to the
    // end marker, which costs time on files with trailing data and adds
    // nothing; destroying the decoder releases it just the same.
    return DecodeStatus::Decoded;
}

}  // namespace

int jpegScaleDenominator(std::int64_t imageWidth, std::int64_t imageHeight, int screenWidth, int screenHeight) {
    if (screenWidth <= 0 || screenHeight <= 0) return 1;
    int denominator = 1;
    for (int d : {2, 4, 8})
        if (imageWidth >= std::int64_t{d} * screenWidth || imageHeight >= std::int64_t{d} * screenHeight)
            denominator = d;
    return denominator;
}

DecodeStatus decodeJpeg(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reducedOnDecode) {
    out.reset();
    reducedOnDecode = false;
    std::FILE* file = fopenRegularFile(path);
    if (file == nullptr) return DecodeStatus::Failed;
    struct stat st {};
    const std::int64_t bytes = ::fstat(::fileno(file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
    const DecodeStatus status = decodeJpeg(file, bytes, request, out, reducedOnDecode);
    std::fclose(file);
    return status;
}

DecodeStatus decodeJpeg(std::FILE* file, std::int64_t fileBytes, const DecodeRequest& request, WBitmap& out,
                        bool& reducedOnDecode) {
    out.reset();
    reducedOnDecode = false;
    DecodePump pump(request.pumpEvents, request.pumpInterval);
    auto session = std::make_unique<Session>();
    Session& s = *session;
    std::memset(&s.cinfo, 0, sizeof s.cinfo);
    s.cinfo.err = jpeg_std_error(&s.error.pub);
    s.error.pub.error_exit = errorExit;
    s.error.pub.emit_message = emitMessage;
    s.error.warnings = 0;
    s.progress.pub.progress_monitor = progressMonitor;
    s.progress.session = &s;
    s.progress.scan = 0;
    s.progress.visited = 0;
    s.request = &request;
    s.pump = &pump;
    s.out = &out;
    s.reduced = false;

    if (pump.now()) return DecodeStatus::Abandoned;
    s.file = file;
    s.fileBytes = fileBytes;
    const DecodeStatus status = runDecode(s);
    jpeg_destroy_decompress(&s.cinfo);
    if (status != DecodeStatus::Decoded) {
        out.reset();
        return status;
    }
    reducedOnDecode = s.reduced;
    return status;
}

}  // namespace orvanta
