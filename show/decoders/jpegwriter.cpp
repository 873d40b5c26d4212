#include "show/decoders/jpegwriter.h"

#include <csetjmp>

namespace orvanta {
namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// libjpeg's default error exit ends the process; ours jumps back to encode().
[[noreturn]] void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }

// Owns nothing with a destructor, so that the jump out of libjpeg skips no
// clean-up; the caller owns the file.
bool encode(std::FILE* file, const std::uint8_t* pixels, int width, int height, int components, std::size_t stride,
            const JpegWriteOptions& options) {
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : options.bgr ? JCS_EXT_BGR : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    if (options.scans != nullptr && !options.scans->empty()) {
        info.scan_info = options.scans->data();
        info.num_scans = static_cast<int>(options.scans->size());
    }
    jpeg_start_compress(&info, TRUE);  // writes the JFIF segment
    if (options.app1 != nullptr)
        jpeg_write_marker(&info, JPEG_APP0 + 1, options.app1->data(), static_cast<unsigned>(options.app1->size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + stride * info.next_scanline);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool writeJpegFile(const std::string& path, const std::uint8_t* pixels, int width, int height, int components,
                   const JpegWriteOptions& options) {
    if (pixels == nullptr || width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION ||
        (components != 1 && components != 3))
        return false;
    const std::size_t packed = static_cast<std::size_t>(width) * static_cast<std::size_t>(components);
    const std::size_t stride = options.stride == 0 ? packed : options.stride;
    // A marker segment's length field counts itself: 65535 - 2 bytes of data at most.
    if (stride < packed || (options.app1 != nullptr && options.app1->size() > 65533)) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = encode(file, pixels, width, height, components, stride, options);
    ok = ok && std::fflush(file) == 0 && !std::ferror(file);
    return std::fclose(file) == 0 && ok;
}

}  // namespace orvanta
