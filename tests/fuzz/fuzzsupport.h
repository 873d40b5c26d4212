#pragma once
// What the picture decoders' fuzz targets share: a scratch file for decoders
// that read from a path, and a read of every decoded pixel.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/WBitmap.h"

namespace fuzz {

// Writes the input over one scratch file of this process, kept open between
// inputs, and returns its path.
inline const std::string& scratchFile(const std::uint8_t* data, std::size_t size, const char* extension) {
    static const std::string path = [&] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/orvanta-fuzz-" + std::to_string(::getpid()) + extension;
    }();
    static const int fd = [] {
        const int opened = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (opened < 0) std::abort();
        std::atexit([] { ::unlink(path.c_str()); });
        return opened;
    }();
    if (::ftruncate(fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    return path;
}

inline volatile unsigned pixelSum;  // keeps the pixel reads from being optimised away

// Reads every pixel, so that a wrong stride, size or colour table shows up.
inline void touchPixels(const orvanta::WBitmap& bitmap) {
    unsigned total = 0;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) total += bitmap.pixel(x, y).red;
    pixelSum = total;
}

}  // namespace fuzz
