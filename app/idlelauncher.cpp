#include "app/idlelauncher.h"

#include <functional>
#include <memory>
#include <string>

#include "base/singleinstance.h"
#include "desktop/idlelauncher.h"
#include "framework/childprocess.h"
#include "framework/idlewatch.h"
#include "framework/mainloop.h"

namespace orvanta {

namespace {
// How long a show has to end after SIGTERM (it writes its last picture and
// may set the wallpaper) before it is killed.
constexpr auto kShowGrace = std::chrono::seconds(5);
}  // namespace

int runIdleLauncher(std::chrono::milliseconds time, const char* argv0, std::ostream& err) {
    IdleLauncher decisions;
    ChildProcess show;
    std::unique_ptr<IdleWatch> watch;
    int status = 0;

    std::function<void(LauncherEvent)> handle = [&](LauncherEvent event) {
        // A show started by hand holds the single-instance lock.
        const bool elsewhere = event == LauncherEvent::Idled && !decisions.showRunning() &&
                               SingleInstance::heldElsewhere();
        switch (decisions.on(event, elsewhere)) {
        case LauncherAction::StartShow:
            if (!show.start(argv0, {"/s"}, [&] { handle(LauncherEvent::ShowEnded); })) handle(LauncherEvent::ShowEnded);
            break;
        case LauncherAction::RestartCount:
            if (watch) watch->restartCount();
            break;
        case LauncherAction::StopShow:
            show.stop(kShowGrace);
            handle(LauncherEvent::ShowEnded);
            break;
        case LauncherAction::End: mainloop::quit(); break;
        case LauncherAction::Nothing: break;
        }
    };

    mainloop::onTerminationSignals([&] { handle(LauncherEvent::Stop); });
    IdleHandlers handlers;
    handlers.idled = [&] { handle(LauncherEvent::Idled); };
    handlers.lost = [&](const std::string& why) {
        err << "orvanta: --idle: " << why << "\n";
        err.flush();
        status = 1;
        handle(LauncherEvent::Stop);
    };
    std::string whyNot;
    watch = openIdleWatch(time, handlers, whyNot);
    if (!watch) {
        err << "orvanta: --idle: no idle time to watch: " << whyNot << "\n";
        return 1;
    }
    mainloop::run();
    watch.reset();
    return status;
}

}  // namespace orvanta
