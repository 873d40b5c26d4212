#include "framework/singleinstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace orvanta {

std::string SingleInstance::lockPath() {
    std::string dir = "/tmp";
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) dir = runtime;
    std::string display = "none";
    if (const char* d = std::getenv("DISPLAY"); d && *d) display = d;
    for (char& c : display)
        if (c == '/') c = '_';
    return dir + "/orvanta-" + std::to_string(getuid()) + "-" + display + ".lock";
}

bool SingleInstance::heldElsewhere() {
    SingleInstance probe;
    if (probe.acquire()) return false;  // released again at once
    return errno == EWOULDBLOCK;
}

bool SingleInstance::acquire() {
    if (fd_ >= 0) return true;
    const int fd = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return false;
    }
    fd_ = fd;
    return true;
}

void SingleInstance::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the descriptor releases the lock
    fd_ = -1;
}

}  // namespace orvanta
