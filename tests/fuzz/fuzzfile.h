#pragma once
// The decoders read from a path: each input is written over one scratch file
// of this process, kept open between inputs.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzz {

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

}  // namespace fuzz
