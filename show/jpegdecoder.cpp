#include "show/jpegdecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "framework/regularfile.h"

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back into runDecode, a function that owns nothing with a destructor,
// and decodeJpeg then releases the decoder, the file and the half-made
// bitmap. Everything that must survive the jump lives in the Session, in
// memory the jump does not touch.
//
// Hostile files are stopped early: the picture size is checked after the
// output dimensions are known and before anything is allocated, the
// decoder's own arrays are capped, the progress monitor counts scans, and
// warnings (corrupt data the library recovers from) are counted rather than
// printed, with a cap so that a file made of them cannot run on forever.

namespace orvanta {

namespace {

constexpr long kMaxWarnings = 10000;
// Progressive files keep every coefficient in memory (2 bytes per sample):
// enough for any ordinary photo, not for a crafted 65,535-square header.
constexpr long kDecoderMemoryLimit = 1L << 30;
constexpr int kRowsPerPump = 100;
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
    long calls;
};

struct Session {
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    ProgressMonitor progress;
    std::FILE* file;
    const JpegRequest* request;
    WBitmap* out;
    bool reduced;
    bool abandoned;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (++error->warnings > kMaxWarnings) errorExit(cinfo);
}

bool pump(Session& s) {
    if (s.request->pumpEvents && s.request->pumpEvents()) s.abandoned = true;
    return s.abandoned;
}

// Called before each chunk of input a multi-scan file absorbs during
// jpeg_start_decompress, which is where progressive files do all their work.
void progressMonitor(j_common_ptr common) {
    auto* monitor = reinterpret_cast<ProgressMonitor*>(common->progress);
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxJpegScans) errorExit(common);
    if (++monitor->calls % kRowsPerPump == 0 && pump(*monitor->session)) errorExit(common);
}

JpegStatus runDecode(Session& s) {
    j_decompress_ptr cinfo = &s.cinfo;
    if (setjmp(s.error.jump)) return s.abandoned ? JpegStatus::Abandoned : JpegStatus::Failed;

    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kDecoderMemoryLimit;
    cinfo->progress = &s.progress.pub;
    jpeg_stdio_src(cinfo, s.file);
    if (pump(s)) return JpegStatus::Abandoned;

    jpeg_read_header(cinfo, TRUE);
    if (pump(s)) return JpegStatus::Abandoned;

    const int denominator = jpegScaleDenominator(cinfo->image_width, cinfo->image_height,
                                                 s.request->screenWidth, s.request->screenHeight);
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
        return JpegStatus::Failed;

    jpeg_calc_output_dimensions(cinfo);
    if (!WBitmap::sizeAllowed(cinfo->output_width, cinfo->output_height)) return JpegStatus::Failed;
    const int bitCount = cinfo->output_components == 3 ? 24 : 8;
    if (!s.out->create(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height), bitCount))
        return JpegStatus::Failed;

    jpeg_start_decompress(cinfo);
    if (pump(s)) return JpegStatus::Abandoned;
    if (cinfo->output_width != static_cast<JDIMENSION>(s.out->width()) ||
        cinfo->output_height != static_cast<JDIMENSION>(s.out->height()) ||
        cinfo->output_components * 8 != bitCount)
        return JpegStatus::Failed;

    // Several rows per call, straight into the bitmap: no row buffer, no copy.
    JSAMPROW rows[kRowsPerRead];
    JDIMENSION nextPump = kRowsPerPump;
    while (cinfo->output_scanline < cinfo->output_height) {
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerRead, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = s.out->row(static_cast<int>(first + i));
        if (jpeg_read_scanlines(cinfo, rows, count) == 0) return JpegStatus::Failed;
        if (cinfo->output_scanline >= nextPump) {
            nextPump = cinfo->output_scanline + kRowsPerPump;
            if (pump(s)) return JpegStatus::Abandoned;
        }
    }

    if (bitCount == 8) {
        std::vector<RgbQuad>& table = s.out->colorTable();
        if (cinfo->quantize_colors) {
            if (cinfo->actual_number_of_colors > 256 || cinfo->colormap == nullptr) return JpegStatus::Failed;
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
    return JpegStatus::Decoded;
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

JpegStatus decodeJpeg(const std::string& path, const JpegRequest& request, WBitmap& out, bool& reducedOnDecode) {
    out.reset();
    reducedOnDecode = false;
    auto session = std::make_unique<Session>();
    Session& s = *session;
    std::memset(&s.cinfo, 0, sizeof s.cinfo);
    s.cinfo.err = jpeg_std_error(&s.error.pub);
    s.error.pub.error_exit = errorExit;
    s.error.pub.emit_message = emitMessage;
    s.error.warnings = 0;
    s.progress.pub.progress_monitor = progressMonitor;
    s.progress.session = &s;
    s.progress.calls = 0;
    s.request = &request;
    s.out = &out;
    s.reduced = false;
    s.abandoned = false;

    if (request.pumpEvents && request.pumpEvents()) return JpegStatus::Abandoned;
    s.file = fopenRegularFile(path);
    if (s.file == nullptr) return JpegStatus::Failed;
    const JpegStatus status = runDecode(s);
    jpeg_destroy_decompress(&s.cinfo);
    std::fclose(s.file);
    if (status != JpegStatus::Decoded) {
        out.reset();
        return status;
    }
    reducedOnDecode = s.reduced;
    return status;
}

}  // namespace orvanta
