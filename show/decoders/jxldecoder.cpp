#include "show/decoders/jxldecoder.h"

#include "show/decoders/rgbrows.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

namespace orvanta {

namespace {

constexpr std::size_t kMaxJxlFileBytes = std::size_t{512} << 20;
constexpr std::size_t kChunkBytes = 64 << 10;

struct JxlSession {
    JxlDecoder* decoder = nullptr;
    void* runner = nullptr;
    ~JxlSession() {
        if (decoder != nullptr) JxlDecoderDestroy(decoder);
        if (runner != nullptr) JxlThreadParallelRunnerDestroy(runner);
    }
};

}  // namespace

DecodeStatus decodeJxl(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       int& orientation) {
    std::optional<DecodePump> started = beginDecode(request, out, reduced, orientation);
    if (!started) return DecodeStatus::Abandoned;
    DecodePump& pump = *started;
    std::vector<std::uint8_t> bytes;
    const DecodeStatus read = readWholeFile(path, pump, kMaxJxlFileBytes, bytes);
    if (read != DecodeStatus::Decoded) return read;

    JxlSession s;
    s.decoder = JxlDecoderCreate(nullptr);
    if (s.decoder == nullptr) return DecodeStatus::Failed;
    s.runner = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    if (s.runner != nullptr &&
        JxlDecoderSetParallelRunner(s.decoder, JxlThreadParallelRunner, s.runner) != JXL_DEC_SUCCESS)
        return DecodeStatus::Failed;
    // The orientation is applied by the show, as for the other formats.
    if (JxlDecoderSetKeepOrientation(s.decoder, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(s.decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS)
        return DecodeStatus::Failed;

    JxlBasicInfo info{};
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<std::uint8_t> pixels;
    std::size_t fed = std::min(kChunkBytes, bytes.size());
    if (JxlDecoderSetInput(s.decoder, bytes.data(), fed) != JXL_DEC_SUCCESS) return DecodeStatus::Failed;
    if (fed == bytes.size()) JxlDecoderCloseInput(s.decoder);
    for (bool done = false; !done;) {
        if (pump.due()) return DecodeStatus::Abandoned;
        switch (JxlDecoderProcessInput(s.decoder)) {
        case JXL_DEC_NEED_MORE_INPUT: {
            if (fed == bytes.size()) return DecodeStatus::Failed;  // cut short
            const std::size_t unread = JxlDecoderReleaseInput(s.decoder);
            const std::size_t from = fed - unread;
            fed = std::min(bytes.size(), fed + kChunkBytes);
            if (JxlDecoderSetInput(s.decoder, bytes.data() + from, fed - from) != JXL_DEC_SUCCESS)
                return DecodeStatus::Failed;
            if (fed == bytes.size()) JxlDecoderCloseInput(s.decoder);
            break;
        }
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(s.decoder, &info) != JXL_DEC_SUCCESS ||
                !WBitmap::sizeAllowed(info.xsize, info.ysize))
                return DecodeStatus::Failed;
            orientation = std::clamp(static_cast<int>(info.orientation), 1, 8);
            if (info.alpha_bits > 0) format.num_channels = 4;
            break;
        case JXL_DEC_COLOR_ENCODING: {
            // A lossy picture is stored in an absolute colour space; asked for
            // nothing, the library hands out linear light whenever the file
            // carries an ICC profile (a wide-gamut camera or editor export),
            // which would show far too dark. The screen takes sRGB. A
            // losslessly stored picture keeps its own colours (the request is
            // then only a preference the library may decline).
            JxlColorEncoding srgb{};
            srgb.color_space = info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
            srgb.white_point = JXL_WHITE_POINT_D65;
            srgb.primaries = JXL_PRIMARIES_SRGB;
            srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
            srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
            JxlDecoderSetPreferredColorProfile(s.decoder, &srgb);
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t size = 0;
            if (JxlDecoderImageOutBufferSize(s.decoder, &format, &size) != JXL_DEC_SUCCESS ||
                size != std::size_t{info.xsize} * info.ysize * format.num_channels)
                return DecodeStatus::Failed;
            try {
                pixels.resize(size);
            } catch (const std::bad_alloc&) {
                return DecodeStatus::Failed;
            }
            if (JxlDecoderSetImageOutBuffer(s.decoder, &format, pixels.data(), size) != JXL_DEC_SUCCESS)
                return DecodeStatus::Failed;
            break;
        }
        case JXL_DEC_FULL_IMAGE: done = true; break;        // the first frame is all the show needs
        case JXL_DEC_SUCCESS: return DecodeStatus::Failed;  // no frame
        case JXL_DEC_ERROR: return DecodeStatus::Failed;
        default: break;
        }
    }
    if (pixels.empty()) return DecodeStatus::Failed;
    const int width = static_cast<int>(info.xsize), height = static_cast<int>(info.ysize);
    RgbPictureSink sink;
    if (!sink.start(width, height, planTurned(width, height, request, orientation >= 5), request.background))
        return DecodeStatus::Failed;
    SampleLayout layout{static_cast<int>(format.num_channels)};
    layout.premultiplied = info.alpha_premultiplied != 0;
    const std::size_t stride = std::size_t{info.xsize} * format.num_channels;
    for (int y = 0; y < height && sink.wantsRow(y); ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        sink.putRow(y, pixels.data() + stride * static_cast<std::size_t>(y), layout);
    }
    if (!sink.finish(out, reduced)) return DecodeStatus::Failed;
    return DecodeStatus::Decoded;
}

}  // namespace orvanta
