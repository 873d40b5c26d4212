#include "show/decoders/gifdecoder.h"

#include "base/regularfile.h"
#include "show/decoders/rgbrows.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <gif_lib.h>

namespace orvanta {

namespace {

struct GifSession {
    GifFileType* gif = nullptr;
    ~GifSession() {
        if (gif != nullptr) DGifCloseFile(gif, nullptr);
    }
};

}  // namespace

DecodeStatus decodeGif(const std::string& path, const DecodeRequest& request, WBitmap& out, bool& reduced,
                       int& orientation) {
    std::optional<DecodePump> started = beginDecode(request, out, reduced, orientation);
    if (!started) return DecodeStatus::Abandoned;
    DecodePump& pump = *started;
    const int fd = openRegularFile(path);
    if (fd < 0) return DecodeStatus::Failed;
    GifSession s;
    int error = 0;
    s.gif = DGifOpenFileHandle(fd, &error);  // owns the descriptor from here, also when it fails
    if (s.gif == nullptr) return DecodeStatus::Failed;

    // Up to the first frame: its graphic control block says which index is transparent.
    int transparent = NO_TRANSPARENT_COLOR;
    for (bool found = false; !found;) {
        if (pump.due()) return DecodeStatus::Abandoned;
        GifRecordType type;
        if (DGifGetRecordType(s.gif, &type) == GIF_ERROR) return DecodeStatus::Failed;
        switch (type) {
        case IMAGE_DESC_RECORD_TYPE:
            if (DGifGetImageDesc(s.gif) == GIF_ERROR) return DecodeStatus::Failed;
            found = true;
            break;
        case EXTENSION_RECORD_TYPE: {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(s.gif, &code, &block) == GIF_ERROR) return DecodeStatus::Failed;
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
                GraphicsControlBlock control;
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
            }
            while (block != nullptr)
                if (DGifGetExtensionNext(s.gif, &block) == GIF_ERROR) return DecodeStatus::Failed;
            break;
        }
        case TERMINATE_RECORD_TYPE: return DecodeStatus::Failed;
        default: break;
        }
    }
    const GifImageDesc& frame = s.gif->Image;
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : s.gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr || frame.Width <= 0 || frame.Height <= 0 || frame.Left < 0 ||
        frame.Top < 0)
        return DecodeStatus::Failed;
    const std::int64_t canvasWidth = std::max<std::int64_t>(s.gif->SWidth, std::int64_t{frame.Left} + frame.Width);
    const std::int64_t canvasHeight = std::max<std::int64_t>(s.gif->SHeight, std::int64_t{frame.Top} + frame.Height);
    if (!sourceSizeAllowed(canvasWidth, canvasHeight)) return DecodeStatus::Failed;
    const int width = static_cast<int>(canvasWidth), height = static_cast<int>(canvasHeight);
    if (frame.Interlace && !WBitmap::sizeAllowed(frame.Width, frame.Height)) return DecodeStatus::Failed;

    std::vector<RgbQuad> colours(256,
                                 RgbQuad{request.background.blue, request.background.green, request.background.red, 0});
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
        if (i != transparent) colours[i] = {map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};

    PictureBuilder builder;
    if (!builder.start(width, height, RowFormat{}, planDecode(width, height, request), false))
        return DecodeStatus::Failed;
    std::vector<std::uint8_t> background, row, indexes;
    try {
        background.resize(static_cast<std::size_t>(width) * 3);
        for (int x = 0; x < width; ++x) {
            background[3 * x] = request.background.blue;
            background[3 * x + 1] = request.background.green;
            background[3 * x + 2] = request.background.red;
        }
        row = background;
        indexes.resize(frame.Interlace ? static_cast<std::size_t>(frame.Width) * frame.Height
                                       : static_cast<std::size_t>(frame.Width));
    } catch (const std::bad_alloc&) {
        return DecodeStatus::Failed;
    }
    if (frame.Interlace) {
        // Passes of rows 0, 4, 2, 1 apart, from rows 0, 4, 2, 1.
        static constexpr int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < frame.Height; y += step[pass]) {
                if (pump.due()) return DecodeStatus::Abandoned;
                if (DGifGetLine(s.gif, indexes.data() + static_cast<std::size_t>(y) * frame.Width, frame.Width) ==
                    GIF_ERROR)
                    return DecodeStatus::Failed;
            }
    }
    builder.putRows(0, frame.Top, background.data());
    for (int y = 0; y < frame.Height && builder.wantsRow(frame.Top + y); ++y) {
        if (pump.due()) return DecodeStatus::Abandoned;
        std::uint8_t* line = indexes.data();
        if (frame.Interlace) line += static_cast<std::size_t>(y) * frame.Width;
        else if (DGifGetLine(s.gif, line, frame.Width) == GIF_ERROR) return DecodeStatus::Failed;
        std::uint8_t* p = row.data() + static_cast<std::size_t>(frame.Left) * 3;
        for (int x = 0; x < frame.Width; ++x, p += 3) {
            const RgbQuad& c = colours[line[x]];
            p[0] = c.blue, p[1] = c.green, p[2] = c.red;
        }
        builder.putRows(frame.Top + y, 1, row.data());
    }
    builder.putRows(frame.Top + frame.Height, height - frame.Top - frame.Height, background.data());
    if (!builder.finish(out)) return DecodeStatus::Failed;
    reduced = builder.plan().kind == DecodePlan::Kind::Reduced;
    return DecodeStatus::Decoded;
}

}  // namespace orvanta
