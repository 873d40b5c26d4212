#include "show/decoders/webpdecoder.h"

#include "show/decoders/rgbrows.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

namespace orvanta {

namespace {

constexpr std::size_t kMaxWebPFileBytes = std::size_t{256} << 20;
constexpr std::size_t kChunkBytes = 64 << 10;

struct WebPSession {
    WebPDemuxer* demux = nullptr;
    WebPIterator frame{};
    bool haveFrame = false;
    WebPDecoderConfig config{};
    bool configured = false;
    WebPIDecoder* decoder = nullptr;
    ~WebPSession() {
        if (decoder != nullptr) WebPIDelete(decoder);
        if (configured) WebPFreeDecBuffer(&config.output);
        if (haveFrame) WebPDemuxReleaseIterator(&frame);
        if (demux != nullptr) WebPDemuxDelete(demux);
    }
};

}  // namespace

DecodeStatus decodeWebP(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        int& orientation) {
    std::optional<DecodePump> started = beginDecode(request, out, reduced, orientation);
    if (!started) return DecodeStatus::Abandoned;
    DecodePump& pump = *started;
    std::vector<std::uint8_t> bytes;
    DecodeStatus status = readWholeFile(path, pump, kMaxWebPFileBytes, bytes);
    if (status != DecodeStatus::Decoded) return status;

    WebPSession s;
    const WebPData data{bytes.data(), bytes.size()};
    s.demux = WebPDemux(&data);
    if (s.demux == nullptr) return DecodeStatus::Failed;
    if ((WebPDemuxGetI(s.demux, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG) != 0) {
        WebPChunkIterator exif;
        if (WebPDemuxGetChunk(s.demux, "EXIF", 1, &exif)) {
            orientation = std::max(1, tiffBlockOrientation(exif.chunk.bytes, exif.chunk.size));
            WebPDemuxReleaseChunkIterator(&exif);
        }
    }
    // The first frame: the whole picture of a still file.
    s.haveFrame = WebPDemuxGetFrame(s.demux, 1, &s.frame) != 0;
    if (!s.haveFrame || s.frame.fragment.bytes == nullptr) return DecodeStatus::Failed;
    const std::uint8_t* frame = s.frame.fragment.bytes;
    const std::size_t frameBytes = s.frame.fragment.size;

    if (!WebPInitDecoderConfig(&s.config)) return DecodeStatus::Failed;
    s.configured = true;
    if (WebPGetFeatures(frame, frameBytes, &s.config.input) != VP8_STATUS_OK) return DecodeStatus::Failed;
    const int width = s.config.input.width, height = s.config.input.height;
    if (!sourceSizeAllowed(width, height)) return DecodeStatus::Failed;
    const bool alpha = s.config.input.has_alpha != 0;
    const DecodePlan plan = planTurned(width, height, request, orientation >= 5);
    if (!WBitmap::sizeAllowed(plan.width, plan.height)) return DecodeStatus::Failed;
    WebPDecoderOptions& options = s.config.options;
    if (plan.kind == DecodePlan::Kind::Reduced) {
        options.use_scaling = 1;
        options.scaled_width = plan.width;
        options.scaled_height = plan.height;
    } else if (plan.kind == DecodePlan::Kind::Corner) {
        options.use_cropping = 1;
        options.crop_width = plan.width;
        options.crop_height = plan.height;
    }
    // The filtering of a lossy picture runs on a thread of its own.
    options.use_threads = 1;
    s.config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    s.decoder = WebPIDecode(nullptr, 0, &s.config);
    if (s.decoder == nullptr) return DecodeStatus::Failed;
    // The file is in memory already: the decoder is shown more of it at each
    // step (appending would copy it into a buffer of the decoder's own).
    for (std::size_t at = 0;;) {
        if (pump.due()) return DecodeStatus::Abandoned;
        if (at >= frameBytes) return DecodeStatus::Failed;  // cut short
        at += std::min(kChunkBytes, frameBytes - at);
        const VP8StatusCode code = WebPIUpdate(s.decoder, frame, at);
        if (code == VP8_STATUS_OK) break;
        if (code != VP8_STATUS_SUSPENDED) return DecodeStatus::Failed;
    }
    const WebPRGBABuffer& rgba = s.config.output.u.RGBA;
    if (s.config.output.width != plan.width || s.config.output.height != plan.height || rgba.rgba == nullptr)
        return DecodeStatus::Failed;
    RgbPictureSink sink;
    if (!sink.start(plan.width, plan.height, {DecodePlan::Kind::Whole, plan.width, plan.height}, request.background))
        return DecodeStatus::Failed;
    SampleLayout layout{alpha ? 4 : 3};
    layout.bgr = true;
    for (int y = 0; y < plan.height; ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        sink.putRow(y, rgba.rgba + static_cast<std::size_t>(rgba.stride) * y, layout);
    }
    bool unused = false;
    if (!sink.finish(out, unused)) return DecodeStatus::Failed;
    reduced = plan.kind == DecodePlan::Kind::Reduced;
    return DecodeStatus::Decoded;
}

}  // namespace orvanta
