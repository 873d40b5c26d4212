#include "framework/childprocess.h"

#include <csignal>
#include <glib-unix.h>
#include <glib.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace orvanta {

// The child's end, seen from the main loop: its pidfd turns readable, or,
// where the kernel has no pidfd, a look every 250 ms.
struct ChildWatch {
    static gboolean readable(gint, GIOCondition, gpointer self) { return ended(self); }
    static gboolean poll(gpointer self) { return ended(self); }
    static gboolean ended(gpointer self) {
        auto* child = static_cast<ChildProcess*>(self);
        if (!child->checkEnded()) return G_SOURCE_CONTINUE;
        // The source is gone with the child; the handler may start the next.
        std::function<void()> ended = std::move(child->ended_);
        if (ended) ended();
        return G_SOURCE_REMOVE;
    }
};

ChildProcess::~ChildProcess() {
    if (running()) stop(std::chrono::seconds(5));
}

bool ChildProcess::start(const std::string& argv0, const std::vector<std::string>& args, std::function<void()> ended) {
    if (running()) return false;
    std::vector<std::string> words{argv0};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    // The loop's signal handling blocks nothing, but a launcher started with
    // signals ignored or blocked must not hand that on to the show.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, "/proc/self/exe", nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) return false;

    pid_ = pid;
    ended_ = std::move(ended);
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    source_ = pidfd_ >= 0 ? g_unix_fd_add(pidfd_, G_IO_IN, ChildWatch::readable, this)
                          : g_timeout_add(250, ChildWatch::poll, this);
    return true;
}

bool ChildProcess::checkEnded() {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno != ECHILD)) return false;
    source_ = 0;  // the caller's source ends with this call
    reaped();
    return true;
}

void ChildProcess::reaped() {
    if (source_ != 0) g_source_remove(source_);
    source_ = 0;
    if (pidfd_ >= 0) ::close(pidfd_);
    pidfd_ = -1;
    pid_ = -1;
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
    if (!running()) return;
    ::kill(pid_, SIGTERM);
    const auto due = std::chrono::steady_clock::now() + grace;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= due) {
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ended_ = nullptr;
    reaped();
}

}  // namespace orvanta
