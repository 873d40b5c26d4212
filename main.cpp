#include <iostream>

#include "app/applicationclass.h"
#include "commandline/informationrequest.h"

int main(int argc, char** argv) {
    // --help and --version are answered before the application object opens the display.
    if (const auto status = orvanta::answerInformationRequest(argc, argv, std::cout, std::cerr)) return *status;
    orvanta::ApplicationClass application(argc, argv);
    return application.run();
}
