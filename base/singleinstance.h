#pragma once
// The single-instance guard "OrvantaIsOn": an advisory lock on a per-user,
// per-display file, held for the whole show or preview. The kernel releases
// it when the process ends, crash included.
//
// The file lives in a folder that only the user can enter, so that no other
// user can create it first or hold its lock: $XDG_RUNTIME_DIR when that is
// the user's own and closed to others, else ${TMPDIR:-/tmp}/orvanta-<uid>,
// made for the purpose. When no such folder or file can be had, the run goes
// on without the guard, as it would where the named event cannot be made.
#include <string>

#include "base/lockedfile.h"

namespace orvanta {

class SingleInstance {
public:
    SingleInstance() = default;
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // <folder>/orvanta-<uid>-<display>.lock, or "" when no private folder can
    // be had. The display is DISPLAY named without its screen (":41.0" is
    // ":41"); where no X display is set, the Wayland display of
    // WAYLAND_DISPLAY (displayKey).
    static std::string lockPath();
    // The display part of the lock's name: the X display when one is named,
    // else "wl-" and the Wayland display (a socket name, or a path with its
    // slashes made underscores), else "none".
    static std::string displayKey(const std::string& xDisplay, const std::string& waylandDisplay);
    // The X display of DISPLAY as the guard names it: the screen number
    // dropped, "unix:" read as the local display.
    static std::string displayName(const std::string& display);
    // True when another process holds the lock.
    static bool heldElsewhere();
    // Takes the lock. False only when another process holds it; true when
    // the lock is held now, and also when it cannot be made at all (the run
    // goes on unguarded; held() says which).
    bool acquire();
    void release();
    bool held() const { return lock_.held(); }

private:
    enum class Outcome { Held, HeldElsewhere, Unavailable };
    Outcome take();

    FileLock lock_;
};

}  // namespace orvanta
