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
#include "app/form1.h"
#include "app/showmusic.h"
#include "framework/messagebox.h"
#include "framework/x11platform.h"
#include "settings/settingsstore.h"

namespace orvanta {

const char* const kNoPicturesText =
    "There were no pictures to display!  "
    "The picture directory may not be available, or it contains no pictures, "
    "or no directory has been selected.  "
    "Check Orvanta settings.";

void endShow(Form1& form, bool stoppedBySystem) {
    ShowState& state = form.state();
    const bool alreadyEnded = state.ended();
    state.end();
    if (!form.settingsMode()) {
        if (state.noPictures() && !stoppedBySystem && !alreadyEnded) {
            form.showCursor();
            showMessageBox(&form.window(), kProgramErrorTitle, kNoPicturesText);
        }
        // Runs that never loaded the settings (another instance running, an
        // unknown argument) leave the stored LastImage as it is.
        if (form.settingsLoaded() && !alreadyEnded) writeLastImage(form.show().shownPath());
        // The wallpaper is the size of the screen: a daemon's preview or its
        // show on another monitor leaves it to the show over the primary one.
        if (form.settingsLoaded() && !alreadyEnded && form.settings().WallpaperLast && form.coversPrimaryMonitor())
            saveWallpaper(form);
    }
    // The close goes through the queue like any other; the ended flag lets it
    // through the key filter and CloseEvent.
    QCoreApplication::postEvent(&form.window(), new WCloseRequestEvent(0));
}

bool requestExit(Form1& form) {
    form.state().setExitRequested();
    endShow(form);
    return true;
}

void installCloseRules(Form1& form) {
    form.window().CloseEvent.connect([&form] { return !form.state().ended(); });
    form.window().DestroyEvent.connect([&form] {
        // Teardown: minimise and hide, stop the show's machinery, then quit.
        // A window inside a daemon's window is only hidden; the X server's
        // blanking was never touched then.
        if (!form.hack()) form.window().showMinimized();
        form.window().hide();
        form.input().stopWatching();
        stopMusic(form);  // no sound outlives the show window
        if (!form.hack()) x11::suspendScreenBlanking(false);
        form.showCursor();
        form.show().timer().stop();
        form.show().timer().TimerEvent.disconnectAll();
        QCoreApplication::exit(0);
        return true;
    });
}

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
}

}  // namespace

void installTerminationSignals(Form1& form) {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &form.window());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&form] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (!form.state().ended()) {
            endShow(form, true);
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();  // a notice nobody will answer must not keep the run alive
        }
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace orvanta
