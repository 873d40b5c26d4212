#include "app/exitrules.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/endofshowwallpaper.h"
#include "app/showroutine.h"
#include "catalogue/picturecatalogue.h"
#include "framework/WShowWindow.h"
#include "framework/messagebox.h"
#include "framework/showcursor.h"
#include "framework/x11platform.h"
#include "settings/settingsstore.h"

namespace orvanta {

const char* const kNoPicturesText =
    "There were no pictures to display!  "
    "The picture directory may not be available, or it contains no pictures, "
    "or no directory has been selected.  "
    "Check Orvanta settings.";

void ShowEnding::endShow(bool stoppedBySystem) {
    RunState& state = ports_.state;
    const bool alreadyEnded = state.ended();
    state.end();
    if (!ports_.mode.settingsMode) {
        if (state.noPictures() && !stoppedBySystem && !alreadyEnded) {
            ports_.cursor.show();
            showMessageBox(&ports_.window, kProgramErrorTitle, kNoPicturesText);
        }
        // Runs that never loaded the settings (another instance running, an
        // unknown argument) leave the stored LastImage as it is.
        const bool loaded = ports_.options.loaded();
        if (loaded && !alreadyEnded) writeLastImage(ports_.show.shownPath());
        // The wallpaper is the size of the screen: a daemon's preview or its
        // show on another monitor leaves it to the show over the primary one.
        if (loaded && !alreadyEnded && ports_.options.settings().WallpaperLast && ports_.mode.coversPrimaryMonitor)
            saveWallpaper(ports_.show, ports_.options.settings());
    }
    // The close goes through the queue like any other; the ended phase lets
    // it through the key filter and CloseEvent.
    QCoreApplication::postEvent(&ports_.window, new WCloseRequestEvent(0));
}

void ShowEnding::requestExit() {
    ports_.state.setExitRequested();
    endShow();
}

void ShowEnding::memoryError() {
    ports_.cursor.show();
    showMessageBox(&ports_.window, kMemoryErrorTitle, kMemoryErrorText);
    endShow();
}

void ShowEnding::installCloseRules() {
    ports_.window.CloseEvent.connect([this] { return !ports_.state.mayClose(); });
    ports_.window.DestroyEvent.connect([this] {
        // Teardown: minimise and hide, stop the show's machinery, then quit.
        // A window inside a daemon's window is only hidden; the X server's
        // blanking was never touched then.
        if (!ports_.mode.hack) ports_.window.showMinimized();
        ports_.window.hide();
        if (ports_.teardown) ports_.teardown();  // no sound outlives the show window
        if (!ports_.mode.hack) x11::suspendScreenBlanking(false);
        ports_.cursor.show();
        QCoreApplication::exit(0);
        return true;
    });
}

namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t graceRunning = 0;

// How long the orderly end may take once a termination signal came. Whatever
// the run is caught in (a library call that does not return, a display
// connection that stalls), the process ends by then.
constexpr unsigned kTerminationGraceSeconds = 5;

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
    if (!graceRunning) {
        graceRunning = 1;
        ::alarm(kTerminationGraceSeconds);
    }
}

extern "C" void onGraceOver(int) { ::_exit(0); }

}  // namespace

void ShowEnding::installTerminationSignals() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &ports_.window);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (!ports_.state.ended()) {
            endShow(true);
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();  // a notice nobody will answer must not keep the run alive
        }
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
    struct sigaction grace {};
    grace.sa_handler = onGraceOver;
    sigemptyset(&grace.sa_mask);
    sigaction(SIGALRM, &grace, nullptr);
}

}  // namespace orvanta
