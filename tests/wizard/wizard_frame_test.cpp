#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/wizard_driver.h"

namespace {

constexpr const char* kExitQuestion =
    "Setup is not complete. If you exit now, the program will not be installed.\n\nYou may run "
    "Setup again at another time to complete the installation.\n\nExit Setup?";

TEST(WizardFrame, CancelAsksOnceAndNoKeepsThePage) {
    gSession.moduleInstance = GetModuleHandleA(nullptr);
    MessageBoxAnswerer answerer({IDNO, IDYES});
    bool stayed = false;
    bool closed = false;
    std::string title;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(106))
            return;
        title = wizard.sheetTitle();
        wizard.press(PSBTN_CANCEL);
        Sleep(300);
        stayed = wizard.pageId() == 106;
        wizard.press(PSBTN_CANCEL);
        closed = wizard.waitForClose();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(closed);
    EXPECT_EQ("Kestrova 1.2.7.1 - Setup", title);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(2u, boxes.size());
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(kExitQuestion, box.text);
        EXPECT_TRUE(box.hasYes && box.hasNo && !box.hasCancel);
        EXPECT_EQ(informationIcon(), box.icon);
    }
    EXPECT_EQ(nullptr, gSession.sheetWindow);
}

}  // namespace
