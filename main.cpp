#include <cstdlib>
#include <iostream>

#include "app/applicationclass.h"
#include "commandline/informationrequest.h"

int main(int argc, char** argv) {
    // --help, --version and a command line that cannot run are answered
    // before the application object opens the display; then a display that
    // cannot be opened is reported instead of letting the toolkit abort.
    if (const auto status = orvanta::answerInformationRequest(argc, argv, std::cout, std::cerr)) return *status;
    if (const auto status = orvanta::refuseCommandLine(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), std::cerr))
        return *status;
    if (const auto status = orvanta::ApplicationClass::checkDisplay(std::cerr)) return *status;
    orvanta::ApplicationClass application(argc, argv);
    return application.run();
}
