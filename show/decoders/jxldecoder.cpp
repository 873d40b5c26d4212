#include "show/decoders/jxldecoder.h"

#include "show/decoders/rgbrows.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

namespace orvanta {

namespace {

constexpr std::size_t kMaxJxlFileBytes = std::size_t{512} << 20;

// Everything the decode uses, shared with the thread that decodes the frame
// (which may outlive the call when the show ends meanwhile).
struct JxlSession {
    JxlDecoder* decoder = nullptr;
    void* runner = nullptr;
    std::vector<std::uint8_t> bytes;
    // Left uninitialised: only what the file really holds is ever written,
    // and pages never written cost no memory.
    std::unique_ptr<std::uint8_t[]> pixels;
    JxlDecoderStatus status = JXL_DEC_ERROR;  // of the last step
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
    auto session = std::make_shared<JxlSession>();
    JxlSession& s = *session;
    const DecodeStatus read = readWholeFile(path, pump, kMaxJxlFileBytes, s.bytes);
    if (read != DecodeStatus::Decoded) return read;

    s.decoder = JxlDecoderCreate(nullptr);
    if (s.decoder == nullptr) return DecodeStatus::Failed;
    s.runner = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    if (s.runner != nullptr &&
        JxlDecoderSetParallelRunner(s.decoder, JxlThreadParallelRunner, s.runner) != JXL_DEC_SUCCESS)
        return DecodeStatus::Failed;
    // The orientation is applied by the show, as for the other formats.
    if (JxlDecoderSetKeepOrientation(s.decoder, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSubscribeEvents(s.decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(s.decoder, s.bytes.data(), s.bytes.size()) != JXL_DEC_SUCCESS)
        return DecodeStatus::Failed;
    JxlDecoderCloseInput(s.decoder);  // all of it: a file cut short is an error, not a wait

    // Each step of the library (a header, then the whole frame with all its
    // threads) runs on a thread of its own while events run here.
    const auto step = [&pump, session] {
        return runPumped(pump, [session] {
            session->status = JxlDecoderProcessInput(session->decoder);
            return true;
        });
    };
    JxlBasicInfo info{};
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (bool ready = false; !ready;) {
        if (const DecodeStatus ran = step(); ran != DecodeStatus::Decoded) return ran;
        switch (s.status) {
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
                s.pixels = std::make_unique_for_overwrite<std::uint8_t[]>(size);
            } catch (const std::bad_alloc&) {
                return DecodeStatus::Failed;
            }
            if (JxlDecoderSetImageOutBuffer(s.decoder, &format, s.pixels.get(), size) != JXL_DEC_SUCCESS)
                return DecodeStatus::Failed;
            ready = true;
            break;
        }
        default: return DecodeStatus::Failed;  // an error, a file cut short, or no frame
        }
    }
    // The first frame is all the show needs.
    if (const DecodeStatus ran = step(); ran != DecodeStatus::Decoded) return ran;
    if (s.status != JXL_DEC_FULL_IMAGE) return DecodeStatus::Failed;
    const std::uint8_t* pixels = s.pixels.get();
    if (pixels == nullptr) return DecodeStatus::Failed;
    const int width = static_cast<int>(info.xsize), height = static_cast<int>(info.ysize);
    RgbPictureSink sink;
    if (!sink.start(width, height, planTurned(width, height, request, orientation >= 5), request.background))
        return DecodeStatus::Failed;
    SampleLayout layout{static_cast<int>(format.num_channels)};
    layout.premultiplied = info.alpha_premultiplied != 0;
    const std::size_t stride = std::size_t{info.xsize} * format.num_channels;
    for (int y = 0; y < height && sink.wantsRow(y); ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        sink.putRow(y, pixels + stride * static_cast<std::size_t>(y), layout);
    }
    if (!sink.finish(out, reduced)) return DecodeStatus::Failed;
    return DecodeStatus::Decoded;
}

}  // namespace orvanta
