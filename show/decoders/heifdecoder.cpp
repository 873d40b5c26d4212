#include "show/decoders/heifdecoder.h"

#include "show/decoders/rgbrows.h"

#include <memory>
#include <vector>

#include <libheif/heif.h>

namespace orvanta {

namespace {

// No HEIF photo comes near this; a file that does is not read into memory.
constexpr std::size_t kMaxHeifFileBytes = std::size_t{512} << 20;

struct HeifSession {
    std::vector<std::uint8_t> bytes;
    heif_context* context = nullptr;
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    bool alpha = false;
    ~HeifSession() {
        if (image != nullptr) heif_image_release(image);
        if (handle != nullptr) heif_image_handle_release(handle);
        if (context != nullptr) heif_context_free(context);
    }
};

// Decodes the whole primary picture: 8 bits per sample, R,G,B(,A).
bool decodeImage(HeifSession& s) {
    heif_decoding_options* options = heif_decoding_options_alloc();
    if (options == nullptr) return false;
    options->convert_hdr_to_8bit = 1;
    const heif_error error = heif_decode_image(s.handle, &s.image, heif_colorspace_RGB,
                                               s.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                               options);
    heif_decoding_options_free(options);
    return error.code == heif_error_Ok && s.image != nullptr;
}

}  // namespace

DecodeStatus decodeHeif(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                        int& orientation) {
    std::optional<DecodePump> started = beginDecode(request, out, reduced, orientation);
    if (!started) return DecodeStatus::Abandoned;
    DecodePump& pump = *started;
    auto s = std::make_shared<HeifSession>();
    DecodeStatus status = readWholeFile(path, pump, kMaxHeifFileBytes, s->bytes);
    if (status != DecodeStatus::Decoded) return status;

    s->context = heif_context_alloc();
    if (s->context == nullptr) return DecodeStatus::Failed;
    heif_context_set_maximum_image_size_limit(s->context, WBitmap::kMaxSide);
    if (heif_context_read_from_memory_without_copy(s->context, s->bytes.data(), s->bytes.size(), nullptr).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(s->context, &s->handle).code != heif_error_Ok)
        return DecodeStatus::Failed;
    // The size as shown, after the file's own turns and crop.
    const int width = heif_image_handle_get_width(s->handle), height = heif_image_handle_get_height(s->handle);
    if (!WBitmap::sizeAllowed(width, height)) return DecodeStatus::Failed;
    s->alpha = heif_image_handle_has_alpha_channel(s->handle) != 0;
    if (pump.now()) return DecodeStatus::Abandoned;

    status = runPumped(pump, [s] { return decodeImage(*s); });
    if (status != DecodeStatus::Decoded) return status;

    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(s->image, heif_channel_interleaved, &stride);
    if (plane == nullptr || heif_image_get_width(s->image, heif_channel_interleaved) != width ||
        heif_image_get_height(s->image, heif_channel_interleaved) != height)
        return DecodeStatus::Failed;
    RgbPictureSink sink;
    if (!sink.start(width, height, planDecode(width, height, request), request.background)) return DecodeStatus::Failed;
    const SampleLayout layout{s->alpha ? 4 : 3};
    for (int y = 0; y < height && sink.wantsRow(y); ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        sink.putRow(y, plane + static_cast<std::size_t>(stride) * y, layout);
    }
    if (!sink.finish(out, reduced)) return DecodeStatus::Failed;
    return DecodeStatus::Decoded;
}

}  // namespace orvanta
