// The engine tests' entry point: also the stand-in browser of OpenedPageRecorder.
#include <gtest/gtest.h>

#include "install_fixture.h"
#include "tests/support/opened_page_recorder.h"

int main(int argc, char** argv) {
    if (recordOpenedPage(argc, argv) || runInstallationChild(argc, argv)) {
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
