#include "app/applicationclass.h"

int main(int argc, char** argv) {
    orvanta::ApplicationClass application(argc, argv);
    return application.run();
}
