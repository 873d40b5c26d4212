#include <cstdlib>
#include <iostream>

#include "app/applicationclass.h"
#include "app/idlelauncher.h"
#include "commandline/idleoption.h"
#include "commandline/informationrequest.h"

int main(int argc, char** argv) {
    // --help, --version and a command line that cannot run are answered
    // before the application object opens the display; then a display that
    // cannot be opened is reported instead of letting the toolkit abort.
    if (const auto status = orvanta::answerInformationRequest(argc, argv, std::cout, std::cerr)) return *status;
    // The idle launcher opens no display of the toolkit's: it needs none to start.
    const orvanta::IdleRequest idle = orvanta::idleRequestOf(argc, argv);
    if (idle.command == orvanta::IdleCommand::Bad) {
        std::cerr << orvanta::kIdleUsage;
        return 2;
    }
    if (idle.command == orvanta::IdleCommand::Run) return orvanta::runIdleLauncher(idle.time, argv[0], std::cerr);
    if (const auto status = orvanta::refuseCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), std::cerr))
        return *status;
    if (const auto status = orvanta::ApplicationClass::checkDisplay(std::cerr)) return *status;
    orvanta::ApplicationClass application(argc, argv);
    return application.run();
}
