#pragma once
// The show as a child process of the idle launcher: this same program run
// again with other arguments, watched from the launcher's main loop.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orvanta {

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();  // stops a child still running

    // Runs this program (/proc/self/exe) with `args` after argv[0], in the
    // same environment, with every signal at its default and none blocked.
    // `ended` is called in the main loop once it has ended by itself. False
    // when it could not be started (or one still runs).
    bool start(const std::string& argv0, const std::vector<std::string>& args, std::function<void()> ended);
    bool running() const { return pid_ > 0; }
    // Ends a running child: SIGTERM, up to `grace` for it to end, then
    // SIGKILL. Returns once it has been reaped; `ended` is not called.
    void stop(std::chrono::milliseconds grace);

private:
    friend struct ChildWatch;
    bool checkEnded();  // true once reaped
    void reaped();
    int pid_ = -1;
    int pidfd_ = -1;
    unsigned source_ = 0;
    std::function<void()> ended_;
};

}  // namespace orvanta
