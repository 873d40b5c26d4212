#include "app/applicationclass.h"

#include <QApplication>

#include "app/form1.h"
#include "app/hackmode.h"
#include "app/startup.h"
#include "base/parentdeath.h"
#include "base/singleinstance.h"
#include "commandline/arguments.h"
#include "framework/sessionbus.h"

namespace orvanta {

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
    QApplication app;
    std::unique_ptr<Form1> form;
};

ApplicationClass::ApplicationClass(int argc, char** argv) : impl_(std::make_unique<Impl>(argc, argv)) {
    QApplication::setApplicationName("Orvanta");
    QApplication::setApplicationVersion("4.9");
    // No session bus of our own making may outlive the run (a daemon's
    // display mode under a bare X session, a show from an idle launcher).
    keepSessionBusUnlaunched();
    // Message boxes close; the run ends only through the form's close.
    QApplication::setQuitOnLastWindowClosed(false);
}

ApplicationClass::~ApplicationClass() = default;

int ApplicationClass::run() {
    // A daemon's display mode is no show of its own, whatever the arguments:
    // it runs beside others and is stopped by the daemon.
    const bool hack = requestedHackWindow(impl_->argumentText).has_value();
    // StartEvent: a second show ends at once while another runs.
    if (!hack && isShowSpelling(impl_->argumentText) && SingleInstance::heldElsewhere()) return 0;
    // A show started by an idle launcher ends when the launcher's shell is stopped.
    if (!hack && runModeOf(trimBlanks(impl_->argumentText)) == RunMode::Show) hangUpWithParent();
    try {
        impl_->form = std::make_unique<Form1>();
    } catch (...) {
        return -1;
    }
    // CreateEvent of Form1: its handlers and the start-up.
    Form1& form = *impl_->form;
    form.window().CreateEvent.connect([&form, this] {
        startUp(form, impl_->argumentText);
        return false;  // the default creation processing goes on in every case
    });
    form.window().CreateEvent.raise();
    // RunEvent: the message loop, unless the run already ended during start-up.
    int code = 0;
    if (!form.window().destroyed()) code = QApplication::exec();
    // EndEvent.
    impl_->form.reset();
    return code;
}

}  // namespace orvanta
