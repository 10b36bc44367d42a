// The licence page: Next only after accepting, the year in the agreement, and the
// view that scrolls but takes no edits, clicks or selections.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <string>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/wizard_driver.h"

namespace {

class LicencePage : public ::testing::Test {
protected:
    void SetUp() override {
        gSession.moduleInstance = GetModuleHandleA(nullptr);
        gSession.wizardCentred = 0;
    }

    // Runs `script` on the licence page, then leaves the wizard.
    void onLicencePage(const std::function<void(WizardDriver&)>& script) {
        MessageBoxAnswerer answerer({IDYES});
        WizardDriver::run([&](WizardDriver& wizard) {
            if (!wizard.waitForPage(IDD_WELCOME) || !wizard.walkTo(IDD_LICENCE)) {
                ADD_FAILURE() << "the licence page was not reached";
                return;
            }
            script(wizard);
            wizard.press(PSBTN_CANCEL);
        });
    }

    SettingsKeyGuard settings;
};

TEST_F(LicencePage, NextIsAvailableOnlyWhileTheAgreementIsAccepted) {
    onLicencePage([](WizardDriver& wizard) {
        EXPECT_FALSE(wizard.isChecked(IDC_LICENCE_RAD_ACCEPT));
        EXPECT_FALSE(wizard.isChecked(IDC_LICENCE_RAD_DECLINE));
        EXPECT_TRUE(wizard.sheetButtonEnabled(WizardDriver::kBack));
        EXPECT_FALSE(wizard.sheetButtonEnabled(WizardDriver::kNext));
        const struct {
            int click;
            bool nextAvailable;
        } steps[] = {{IDC_LICENCE_RAD_ACCEPT, true},
                     {IDC_LICENCE_RAD_DECLINE, false},
                     {IDC_LICENCE_RAD_ACCEPT, true}};
        for (const auto& step : steps) {
            wizard.click(step.click);
            EXPECT_TRUE(WizardDriver::waitFor([&] {
                return wizard.isChecked(step.click) &&
                       wizard.sheetButtonEnabled(WizardDriver::kNext) == step.nextAvailable;
            })) << "after clicking "
                << step.click;
            EXPECT_TRUE(wizard.sheetButtonEnabled(WizardDriver::kBack));
        }
    });
}

TEST_F(LicencePage, AgreementCarriesTheCurrentYearWhereverTheTokenStood) {
    std::string text;
    onLicencePage([&](WizardDriver& wizard) { text = wizard.text(IDC_LICENCE_VW_TEXT); });
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string year = std::to_string(now.wYear);
    EXPECT_EQ(0u, text.find("KESTROVA END-USER LICENSE AGREEMENT"));
    EXPECT_NE(std::string::npos,
              text.find("Copyright (C) 2004-" + year + " Velmora Software. All rights reserved."));
    EXPECT_NE(std::string::npos, text.find("Kestrova (C) " + year + " Velmora Software."));
    std::string upper = text;
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_EQ(std::string::npos, upper.find("#YR#"));
}

CHARRANGE selectionOf(HWND view) {
    CHARRANGE range = {-1, -1};
    SendMessageA(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

TEST_F(LicencePage, ViewRefusesTypingAndClicksButScrollsWithThePageKeys) {
    onLicencePage([](WizardDriver& wizard) {
        HWND view = wizard.control(IDC_LICENCE_VW_TEXT);
        const std::string before = wizard.text(IDC_LICENCE_VW_TEXT);
        const CHARRANGE selection = selectionOf(view);
        const LPARAM inText = MAKELPARAM(60, 30);
        const struct {
            UINT message;
            WPARAM wParam;
            LPARAM lParam;
        } refused[] = {{WM_KEYDOWN, 'X', 0},
                       {WM_CHAR, 'x', 0},
                       {WM_KEYDOWN, VK_DELETE, 0},
                       {WM_LBUTTONDOWN, MK_LBUTTON, inText},
                       {WM_LBUTTONUP, 0, inText},
                       {WM_LBUTTONDBLCLK, MK_LBUTTON, inText},
                       {WM_RBUTTONDOWN, MK_RBUTTON, inText},
                       {WM_RBUTTONUP, 0, inText}};
        for (const auto& input : refused) {
            SendMessageA(view, input.message, input.wParam, input.lParam);
            const CHARRANGE now = selectionOf(view);
            EXPECT_EQ(selection.cpMin, now.cpMin) << "message " << input.message;
            EXPECT_EQ(selection.cpMax, now.cpMax) << "message " << input.message;
        }
        EXPECT_EQ(before, wizard.text(IDC_LICENCE_VW_TEXT));

        EXPECT_EQ(0, SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0));
        for (int press = 0; press < 2; ++press)
            SendMessageA(view, WM_KEYDOWN, VK_NEXT, 0);
        EXPECT_GT(SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        const LRESULT scrolled = SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageA(view, WM_KEYDOWN, VK_PRIOR, 0);
        EXPECT_LT(SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0), scrolled);
    });
}

}  // namespace
