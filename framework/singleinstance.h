#pragma once
// The single-instance guard "OrvantaIsOn": an advisory lock on a per-user,
// per-display file in the runtime directory, held for the whole show or
// preview. The kernel releases it when the process ends, crash included.
#include <string>

namespace orvanta {

class SingleInstance {
public:
    SingleInstance() = default;
    ~SingleInstance() { release(); }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The lock file: ${XDG_RUNTIME_DIR:-/tmp}/orvanta-<uid>-<display>.lock.
    static std::string lockPath();
    // True when another process holds the lock (the design's "the event opens").
    static bool heldElsewhere();
    // Takes the lock; false when another process holds it.
    bool acquire();
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace orvanta
