#include "app/console_app.h"

int main(int argc, char** argv) {
    CConsoleApp app;
    return app.InitInstance(argc, argv);
}
