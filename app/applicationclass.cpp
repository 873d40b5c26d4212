#include "app/applicationclass.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <xcb/xcb.h>

#include "app/form1.h"
#include "app/hackmode.h"
#include "app/startup.h"
#include "base/parentdeath.h"
#include "base/singleinstance.h"
#include "base/version.h"
#include "commandline/arguments.h"
#include "framework/sessionbus.h"
#include "framework/waylandplatform.h"

namespace orvanta {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The platform Qt will open: QT_QPA_PLATFORM, where "a;b" is a list tried in
// order and "name:options" carries options; empty when Qt chooses.
std::string requestedPlatform() { return trimBlanks(environment("QT_QPA_PLATFORM")); }

// Only a plain X run is checked here: another platform (offscreen, minimal,
// a list that falls back to one), or Qt's own choice in a Wayland session,
// is Qt's to open.
bool needsXServer() {
    const std::string platform = requestedPlatform();
    if (platform.empty()) return environment("WAYLAND_DISPLAY").empty();
    return platform.find(';') == std::string::npos && platform.substr(0, platform.find(':')) == "xcb";
}

// While the application object is made, Qt's messages are held back: when
// no platform opens, Qt reports it in several lines and then aborts, and the
// one line of ours replaces them all; otherwise they are passed on as they came.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};
std::vector<HeldMessage> heldMessages;
QtMessageHandler passedOn = nullptr;

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, context.category ? context.category : "", text});
        return;
    }
    // Qt's own reason is the last thing it said before giving up; its closing
    // words only advise reinstalling.
    const QString reason = (heldMessages.empty() ? text : heldMessages.back().text).section('\n', 0, 0);
    const std::string platform = requestedPlatform();
    const auto named = [](const char* name) {
        const std::string value = environment(name);
        return std::string(name) + (value.empty() ? " not set" : "=\"" + value + "\"");
    };
    std::fprintf(stderr, "orvanta: no display could be opened (Qt platform %s; %s, %s): %s\n",
                 platform.empty() ? "of its own choice" : ("\"" + platform + "\"").c_str(), named("DISPLAY").c_str(),
                 named("WAYLAND_DISPLAY").c_str(), qPrintable(reason));
    std::fflush(stderr);
    std::_Exit(1);  // no core: nothing here is the program's fault
}

// Installed by the member made before the application object, released once
// that exists.
struct PlatformGuard {
    PlatformGuard() { passedOn = qInstallMessageHandler(holdMessage); }
    void release() {
        qInstallMessageHandler(passedOn);
        for (const HeldMessage& m : heldMessages) {
            const QMessageLogContext context(nullptr, 0, nullptr, m.category.empty() ? nullptr : m.category.c_str());
            qt_message_output(m.type, context, m.text);
        }
        heldMessages.clear();
    }
};

// What only an X display offers: another program's window to draw into.
const char* x11OnlyRequest(bool hack, RunMode mode) {
    if (hack) return "the display mode draws into a screen saver daemon's X window (--window-id, XSCREENSAVER_WINDOW)";
    if (mode == RunMode::Preview) return "the preview (/p) draws into another program's X window";
    return nullptr;
}

}  // namespace

std::optional<int> ApplicationClass::checkDisplay(std::ostream& err) {
    if (!needsXServer()) return std::nullopt;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        err << "orvanta: no X display could be opened: DISPLAY is " << (display ? "empty" : "not set") << "\n";
        return 1;
    }
    // The same connection Qt would make, closed again at once: it prints
    // nothing of its own, and Qt opens its own right after.
    xcb_connection_t* connection = xcb_connect(display, nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error == 0) return std::nullopt;
    err << "orvanta: no X display could be opened at DISPLAY=\"" << display << "\"\n";
    return 1;
}

struct ApplicationClass::Impl {
    // The argument text is taken from the command line as written, before Qt
    // sees it: Qt would take out what it reads as its own options
    // ("-reverse", "-session x", "-display d"), and "orvanta -reverse /s" must
    // not start a show. Qt gets the program name only.
    Impl(int argc, char** argv)
        : argumentText(rawArgumentText(argc, argv)), qtArgv{argv[0], nullptr}, app(qtArgc, qtArgv) {}
    std::string argumentText;
    int qtArgc = 1;
    char* qtArgv[2];
    PlatformGuard platformGuard;
    QApplication app;
    std::unique_ptr<Form1> form;
};

ApplicationClass::ApplicationClass(int argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv)) {
    impl_->platformGuard.release();
    QApplication::setApplicationName("Orvanta");
    QApplication::setApplicationVersion(kProgramVersion);
    // No session bus of our own making may outlive the run (a daemon's
    // display mode under a bare X session, a show from an idle launcher).
    keepSessionBusUnlaunched();
    // Message boxes close; the run ends only through the form's close.
    QApplication::setQuitOnLastWindowClosed(false);
}

ApplicationClass::~ApplicationClass() = default;

int ApplicationClass::run() {
    const int status = runEvents();
    if (onWaylandPlatform()) {
        // Qt's Wayland connection can deadlock while it is taken down (its
        // event thread waits on a read the main thread prepared, while the
        // main thread waits for that thread to finish). Everything the run
        // keeps is written and closed by now, so the process ends here.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

int ApplicationClass::runEvents() {
    // A daemon's display mode is no show of its own, whatever the arguments:
    // it runs beside others and is stopped by the daemon.
    const bool hack = requestedHackWindow(impl_->argumentText).has_value();
    // StartEvent: a second show ends at once while another runs.
    if (!hack && isShowSpelling(impl_->argumentText) && SingleInstance::heldElsewhere()) return 0;
    const RunMode mode = runModeOf(trimBlanks(impl_->argumentText));
    if (const char* request = x11OnlyRequest(hack, mode); request && onWaylandPlatform()) {
        std::fprintf(stderr, "orvanta: %s, which a Wayland display does not have; run it on X11\n", request);
        return 1;
    }
    // A show started by an idle launcher ends when the launcher's shell is stopped.
    if (!hack && mode == RunMode::Show) hangUpWithParent();
    try {
        impl_->form = std::make_unique<Form1>();
    } catch (...) {
        return -1;
    }
    // CreateEvent of Form1: its handlers and the start-up.
    Form1& form = *impl_->form;
    int startStatus = 0;
    form.window().CreateEvent.connect([&form, &startStatus, this] {
        startStatus = startUp(form, impl_->argumentText);
        return false;  // the default creation processing goes on in every case
    });
    form.window().CreateEvent.raise();
    // RunEvent: the message loop, unless the run already ended during start-up.
    int code = 0;
    if (!form.window().destroyed()) code = QApplication::exec();
    // EndEvent.
    impl_->form.reset();
    // A run that could not start ends through the same close, which quits
    // with 0: the status says why.
    return startStatus != 0 ? startStatus : code;
}

}  // namespace orvanta
