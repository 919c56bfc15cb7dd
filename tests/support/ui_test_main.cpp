// main() of the test areas that use the dialog layer: the application object lives for the whole
// run, on the main thread, like the console's.
#include "platform/ui/application.h"

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Offscreen unless the caller chose a platform (putenv exists on every system we build for).
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        putenv(const_cast<char*>("QT_QPA_PLATFORM=offscreen"));
    testing::InitGoogleTest(&argc, argv);
    ui::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
