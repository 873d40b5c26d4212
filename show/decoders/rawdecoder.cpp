#include "show/decoders/rawdecoder.h"

#include "show/decoders/jpegdecoder.h"
#include "show/decoders/rgbrows.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <libraw/libraw.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/regularfile.h"

namespace orvanta {

namespace {

constexpr std::size_t kMaxRawFileBytes = std::size_t{1} << 30;
// Even the best lossless coding spends more than a bit on every few sensor
// pixels: a file that claims more pixels than this per byte is refused.
constexpr std::int64_t kRawPixelsPerFileByte = 16;
constexpr std::int64_t kFreeRawPixels = std::int64_t{1} << 20;

struct RawSession {
    int fd = -1;
    std::unique_ptr<LibRaw> raw;
    libraw_processed_image_t* image = nullptr;
    int width = 0, height = 0;  // of the demosaiced picture
    WBitmap picture;            // a demosaiced picture shown whole, copied in by libraw
    std::atomic<bool> cancelled{false};
    ~RawSession() {
        if (image != nullptr) LibRaw::dcraw_clear_mem(image);
        raw.reset();
        if (fd >= 0) ::close(fd);
    }
};

int progress(void* data, LibRaw_progress, int, int) { return static_cast<RawSession*>(data)->cancelled.load() ? 1 : 0; }

// The camera's flip (bit 0 mirrors left-right, bit 1 top-bottom, bit 2
// swaps the axes first) as an Exif orientation.
int orientationOf(int flip) {
    static constexpr int kOrientation[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return flip >= 0 && flip < 8 ? kOrientation[flip] : 1;
}

// The sensor data unpacked and demosaiced, to be given as 8-bit R,G,B.
bool demosaic(RawSession& s) {
    if (s.raw->unpack() != LIBRAW_SUCCESS || s.raw->dcraw_process() != LIBRAW_SUCCESS) return false;
    int colors = 0, bits = 0;
    s.raw->get_mem_image_format(&s.width, &s.height, &colors, &bits);
    return colors == 3 && bits == 8;
}

// An 8-bit R,G,B picture of width x height into the planned picture.
DecodeStatus build(const std::uint8_t* data, int width, int height, const DecodeRequest& request, int orientation,
                   DecodePump& pump, WBitmap& out, bool& reduced) {
    if (!WBitmap::sizeAllowed(width, height)) return DecodeStatus::Failed;
    RgbPictureSink sink;
    if (!sink.start(width, height, planTurned(width, height, request, orientation >= 5), request.background))
        return DecodeStatus::Failed;
    const SampleLayout layout{3};
    for (int y = 0; y < height && sink.wantsRow(y); ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        sink.putRow(y, data + std::size_t{3} * static_cast<std::size_t>(width) * static_cast<std::size_t>(y), layout);
    }
    return sink.finish(out, reduced) ? DecodeStatus::Decoded : DecodeStatus::Failed;
}

}  // namespace

DecodeStatus decodeRaw(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       int& orientation) {
    std::optional<DecodePump> started = beginDecode(request, out, reduced, orientation);
    if (!started) return DecodeStatus::Abandoned;
    DecodePump& pump = *started;
    auto s = std::make_shared<RawSession>();
    // The library reads the file it is given by name as it needs it: it is
    // given the regular file opened here, through its descriptor, so that
    // nothing put in its place meanwhile (a FIFO) is ever opened.
    s->fd = openRegularFile(path);
    struct stat st {};
    if (s->fd < 0 || ::fstat(s->fd, &st) != 0 || st.st_size <= 0 ||
        static_cast<std::uint64_t>(st.st_size) > kMaxRawFileBytes)
        return DecodeStatus::Failed;
    try {
        s->raw = std::make_unique<LibRaw>();
    } catch (const std::bad_alloc&) {
        return DecodeStatus::Failed;
    }
    s->raw->set_progress_handler(progress, s.get());
    const std::string byDescriptor = "/proc/self/fd/" + std::to_string(s->fd);
    if (s->raw->open_file(byDescriptor.c_str()) != LIBRAW_SUCCESS) return DecodeStatus::Failed;
    const libraw_image_sizes_t& sizes = s->raw->imgdata.sizes;
    const std::int64_t sensorPixels = std::int64_t{sizes.raw_width} * sizes.raw_height;
    if (!WBitmap::sizeAllowed(sizes.width, sizes.height) || !WBitmap::sizeAllowed(sizes.raw_width, sizes.raw_height) ||
        sensorPixels > std::max(kFreeRawPixels, kRawPixelsPerFileByte * static_cast<std::int64_t>(st.st_size)))
        return DecodeStatus::Failed;
    orientation = orientationOf(sizes.flip);
    if (pump.now()) return DecodeStatus::Abandoned;

    // The size the show needs, in the sensor's orientation.
    const DecodePlan plan = planTurned(sizes.width, sizes.height, request, orientation >= 5);
    DecodeStatus status = DecodeStatus::Failed;
    if (s->raw->unpack_thumb() == LIBRAW_SUCCESS) {
        const libraw_thumbnail_t& thumb = s->raw->imgdata.thumbnail;
        if (thumb.twidth >= plan.width && thumb.theight >= plan.height && thumb.thumb != nullptr) {
            if (thumb.tformat == LIBRAW_THUMBNAIL_JPEG) {
                std::FILE* file = fmemopen(thumb.thumb, thumb.tlength, "rb");
                if (file != nullptr) {
                    status = decodeJpeg(file, thumb.tlength, request, out, reduced);
                    std::fclose(file);
                    if (status != DecodeStatus::Failed) return status;
                }
            } else if (thumb.tformat == LIBRAW_THUMBNAIL_BITMAP &&
                       thumb.tlength >= std::size_t{3} * thumb.twidth * thumb.theight) {
                status = build(reinterpret_cast<const std::uint8_t*>(thumb.thumb), thumb.twidth, thumb.theight, request,
                               orientation, pump, out, reduced);
                if (status != DecodeStatus::Failed) return status;
            }
        }
        if (pump.now()) return DecodeStatus::Abandoned;
    }

    libraw_output_params_t& params = s->raw->imgdata.params;
    params.use_camera_wb = 1;
    params.user_flip = 0;  // turned by the caller
    params.output_bps = 8;
    params.half_size = sizes.width / 2 >= plan.width && sizes.height / 2 >= plan.height && plan.width < sizes.width;
    const bool half = params.half_size != 0;
    const auto pumped = [&pump, s](std::function<bool(RawSession&)> work) {
        const DecodeStatus ran = runPumped(pump, [s, work = std::move(work)] { return work(*s); });
        if (ran == DecodeStatus::Abandoned) s->cancelled = true;
        return ran;
    };
    status = pumped(demosaic);
    if (status != DecodeStatus::Decoded) return status;
    const int width = s->width, height = s->height;
    if (planTurned(width, height, request, orientation >= 5).kind == DecodePlan::Kind::Whole) {
        // Shown whole: libraw writes its B,G,R rows straight into the picture.
        if (!WBitmap::sizeAllowed(width, height)) return DecodeStatus::Failed;
        status = pumped([width, height](RawSession& r) {
            return r.picture.create(width, height, 24) &&
                   r.raw->copy_mem_image(r.picture.bits(), static_cast<int>(r.picture.stride()), 1) == LIBRAW_SUCCESS;
        });
        if (status != DecodeStatus::Decoded) return status;
        out = std::move(s->picture);
        reduced = half;
        return DecodeStatus::Decoded;
    }
    status = pumped([](RawSession& r) {
        int error = 0;
        r.image = r.raw->dcraw_make_mem_image(&error);
        return r.image != nullptr && error == LIBRAW_SUCCESS && r.image->type == LIBRAW_IMAGE_BITMAP;
    });
    if (status != DecodeStatus::Decoded) return status;
    status = build(s->image->data, s->image->width, s->image->height, request, orientation, pump, out, reduced);
    if (half) reduced = true;
    return status;
}

}  // namespace orvanta
