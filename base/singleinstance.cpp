#include "base/singleinstance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace orvanta {

namespace {

// A folder of the user's that nobody else may enter.
bool isPrivateDirectory(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

std::string privateDirectory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
        if (isPrivateDirectory(runtime)) return runtime;
    }
    std::string base = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && tmp[0] == '/') base = tmp;
    const std::string dir = base + "/orvanta-" + std::to_string(::geteuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
    // One of ours left open to others is closed again; anything else there is
    // somebody else's and is not used.
    struct stat st {};
    if (::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::chmod(dir.c_str(), 0700);
    return isPrivateDirectory(dir) ? dir : std::string();
}

}  // namespace

std::string SingleInstance::displayName(const std::string& display) {
    if (display.empty()) return "none";
    std::string name = display;
    // [host]:display[.screen]: every screen of a display is the same show.
    const std::size_t colon = name.rfind(':');
    if (colon != std::string::npos) {
        const std::size_t dot = name.find('.', colon);
        if (dot != std::string::npos) name.erase(dot);
        if (name.compare(0, colon, "unix") == 0) name.erase(0, colon);
    }
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

std::string SingleInstance::displayKey(const std::string& xDisplay, const std::string& waylandDisplay) {
    if (!xDisplay.empty() || waylandDisplay.empty()) return displayName(xDisplay);
    std::string name = "wl-" + waylandDisplay;
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

std::string SingleInstance::lockPath() {
    const std::string dir = privateDirectory();
    if (dir.empty()) return std::string();
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return dir + "/orvanta-" + std::to_string(::geteuid()) + "-" +
           displayKey(display ? display : "", wayland ? wayland : "") + ".lock";
}

bool SingleInstance::heldElsewhere() {
    SingleInstance probe;
    return probe.take() == Outcome::HeldElsewhere;  // a lock taken by the probe is released again at once
}

bool SingleInstance::acquire() { return take() != Outcome::HeldElsewhere; }

SingleInstance::Outcome SingleInstance::take() {
    if (lock_.held()) return Outcome::Held;
    const std::string path = lockPath();
    if (path.empty()) return Outcome::Unavailable;
    // Only a regular file of the user's is a lock; a link, FIFO or folder in
    // its place is never followed, waited on or used. Never waited for: a
    // held lock means another show.
    switch (lock_.acquire(path, std::chrono::milliseconds(0), false, false)) {
    case FileLock::Result::Acquired: return Outcome::Held;
    case FileLock::Result::Busy: return Outcome::HeldElsewhere;
    case FileLock::Result::Failed: break;
    }
    return Outcome::Unavailable;
}

void SingleInstance::release() { lock_.release(); }

}  // namespace orvanta
