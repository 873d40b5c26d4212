#include "app/exitrules.h"

#include <QCoreApplication>
#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/form1.h"
#include "app/showmusic.h"
#include "framework/WMessageFilter.h"
#include "framework/messagebox.h"
#include "framework/x11platform.h"
#include "settings/settingsstore.h"

namespace orvanta {

const char* const kNoPicturesText =
    "There were no pictures to display!  "
    "The picture directory may not be available, or it contains no pictures, "
    "or no directory has been selected.  "
    "Check Orvanta settings.";

void hideCursor(Form1& form) {
    if (form.cursorHidden) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    form.cursorHidden = true;
}

void showCursor(Form1& form) {
    if (!form.cursorHidden) return;
    QGuiApplication::restoreOverrideCursor();
    form.cursorHidden = false;
}

void endShow(Form1& form, bool stoppedBySystem) {
    const bool alreadyEnded = form.ended;
    form.ended = true;
    if (!form.settingsMode) {
        if (form.noPictures && !stoppedBySystem && !alreadyEnded) {
            showCursor(form);
            showMessageBox(&form.window, kProgramErrorTitle, kNoPicturesText);
        }
        // Runs that never loaded the settings (another instance running, an
        // unknown argument) leave the stored LastImage as it is.
        if (form.settingsLoaded && !alreadyEnded) writeLastImage(form.currentPicturePath);
    }
    // The close is posted, as the design's WM_CLOSE is; the ended flag lets it
    // through the key filter and CloseEvent.
    QCoreApplication::postEvent(&form.window, new WCloseRequestEvent(0));
}

bool requestExit(Form1& form) {
    // No password services exist here: the desktop's locker asks for one.
    endShow(form);
    form.exitRequested = true;
    return true;
}

void installCloseRules(Form1& form) {
    form.window.CloseEvent.connect([&form] { return !form.ended; });
    form.window.DestroyEvent.connect([&form] {
        // Teardown: minimise and hide, stop the show's machinery, then quit.
        form.window.showMinimized();
        form.window.hide();
        if (form.keyFilterId >= 0) removeMessageFilter(form.keyFilterId);
        form.keyFilterId = -1;
        if (form.powerWatch) form.powerWatch->stop();
        stopMusic(form);  // no sound outlives the show window
        x11::suspendScreenBlanking(false);
        showCursor(form);
        form.showTimer.stop();
        form.showTimer.TimerEvent.disconnectAll();
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
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &form.window);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&form] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (!form.ended) {
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
