// The licence page: Next only after accepting, the year in the agreement, and the
// view that scrolls but takes no edits, clicks or selections.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <initializer_list>
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

    // Runs `script` on the licence page, then leaves the wizard. Message boxes get
    // `answers` in turn; the last one (Yes) lets the wizard close.
    void onLicencePage(const std::function<void(WizardDriver&)>& script,
                       std::vector<int> answers = {IDYES}) {
        MessageBoxAnswerer answerer(std::move(answers));
        answerer_ = &answerer;
        WizardDriver::run([&](WizardDriver& wizard) {
            if (!wizard.waitForPage(IDD_WELCOME) || !wizard.walkTo(IDD_LICENCE)) {
                ADD_FAILURE() << "the licence page was not reached";
                return;
            }
            script(wizard);
            wizard.press(PSBTN_CANCEL);
        });
        answerer_ = nullptr;
    }

    SettingsKeyGuard settings;
    // The answerer of the running onLicencePage.
    MessageBoxAnswerer* answerer_ = nullptr;
};

// Presses keys as the keyboard would: this thread shares the wizard thread's input
// state, so the modifiers are down in the state that the wizard reads, and the key
// messages are posted to the focused control and go through the sheet's message
// loop (IsDialogMessage, TranslateMessage) like a real keypress.
class Keyboard {
public:
    explicit Keyboard(HWND sheet)
        : wizardThread_(GetWindowThreadProcessId(sheet, nullptr)),
          attached_(AttachThreadInput(GetCurrentThreadId(), wizardThread_, TRUE) != FALSE),
          handled_(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          hook_(SetWindowsHookExA(WH_GETMESSAGE, noteMarker, nullptr, wizardThread_)) {
        gHandled = handled_;
    }
    ~Keyboard() {
        if (hook_ != nullptr)
            UnhookWindowsHookEx(hook_);
        gHandled = nullptr;
        CloseHandle(handled_);
        if (attached_)
            AttachThreadInput(GetCurrentThreadId(), wizardThread_, FALSE);
    }
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    bool ready() const { return attached_ && hook_ != nullptr; }
    void focus(HWND control) { SetFocus(control); }
    HWND focused() const { return GetFocus(); }

    // Presses and releases `key` `times` times with `modifiers` held; returns once the
    // wizard has taken every message of the presses from its queue and handled it.
    bool press(WORD key, std::initializer_list<WORD> modifiers = {}, int times = 1) {
        BYTE state[256];
        GetKeyboardState(state);
        for (WORD modifier : modifiers)
            state[modifier] |= 0x80;
        SetKeyboardState(state);
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
        bool handled = true;
        for (int press = 0; press < times && handled; ++press) {
            HWND target = GetFocus();
            PostMessageA(target, WM_KEYDOWN, key, scan | 1);
            PostMessageA(target, WM_KEYUP, key, scan | 0xC0000001);
            PostMessageA(target, kMarker, 0, 0);
            handled = WaitForSingleObject(handled_, 5000) == WAIT_OBJECT_0;
        }
        for (WORD modifier : modifiers)
            state[modifier] &= ~0x80;
        SetKeyboardState(state);
        return handled;
    }

private:
    // The marker follows a press in the queue: once the wizard takes it, the press
    // has been handled.
    static LRESULT CALLBACK noteMarker(int code, WPARAM removed, LPARAM message) {
        const MSG& taken = *reinterpret_cast<const MSG*>(message);
        if (code == HC_ACTION && removed == PM_REMOVE && taken.message == kMarker &&
            gHandled != nullptr)
            SetEvent(gHandled);
        return CallNextHookEx(nullptr, code, removed, message);
    }

    static constexpr UINT kMarker = WM_APP + 0x4B;
    static inline HANDLE gHandled = nullptr;
    DWORD wizardThread_;
    bool attached_;
    HANDLE handled_;
    HHOOK hook_;
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

TEST_F(LicencePage, TabAndShiftTabLeaveTheView) {
    onLicencePage([](WizardDriver& wizard) {
        Keyboard keyboard(wizard.sheet());
        ASSERT_TRUE(keyboard.ready());
        HWND view = wizard.control(IDC_LICENCE_VW_TEXT);
        const struct {
            std::initializer_list<WORD> modifiers;
            HWND expected;
        } moves[] = {{{}, wizard.control(IDC_LICENCE_RAD_ACCEPT)},
                     {{VK_SHIFT}, GetNextDlgTabItem(wizard.sheet(), view, TRUE)}};
        for (const auto& move : moves) {
            keyboard.focus(view);
            ASSERT_EQ(view, keyboard.focused());
            ASSERT_TRUE(keyboard.press(VK_TAB, move.modifiers));
            EXPECT_NE(view, keyboard.focused()) << "modifiers " << move.modifiers.size();
            EXPECT_EQ(move.expected, keyboard.focused()) << "modifiers " << move.modifiers.size();
        }
        EXPECT_EQ(IDD_LICENCE, wizard.pageId());
    });
}

TEST_F(LicencePage, EscapeInTheViewAsksWhetherToLeave) {
    onLicencePage(
        [&](WizardDriver& wizard) {
            Keyboard keyboard(wizard.sheet());
            ASSERT_TRUE(keyboard.ready());
            keyboard.focus(wizard.control(IDC_LICENCE_VW_TEXT));
            ASSERT_TRUE(keyboard.press(VK_ESCAPE));
            EXPECT_TRUE(answerer_->waitForBoxes(1, 3000));
            wizard.settle();
            const std::vector<ShownBox> shown = answerer_->shown();
            ASSERT_EQ(1u, shown.size());
            EXPECT_EQ(0u, shown[0].text.find("Setup is not complete."));
            EXPECT_EQ(IDD_LICENCE, wizard.pageId());
            EXPECT_TRUE(IsWindowVisible(wizard.sheet()));
        },
        {IDNO, IDYES});
}

TEST_F(LicencePage, EnterInTheViewPressesNextOnceAccepted) {
    onLicencePage([](WizardDriver& wizard) {
        Keyboard keyboard(wizard.sheet());
        ASSERT_TRUE(keyboard.ready());
        wizard.click(IDC_LICENCE_RAD_ACCEPT);
        ASSERT_TRUE(
            WizardDriver::waitFor([&] { return wizard.sheetButtonEnabled(WizardDriver::kNext); }));
        keyboard.focus(wizard.control(IDC_LICENCE_VW_TEXT));
        ASSERT_TRUE(keyboard.press(VK_RETURN));
        EXPECT_TRUE(wizard.waitForPage(IDD_DESTINATION, 3000));
    });
}

LRESULT firstVisibleLine(HWND view) {
    return SendMessageA(view, EM_GETFIRSTVISIBLELINE, 0, 0);
}

TEST_F(LicencePage, ArrowAndPageKeysScrollTheFocusedView) {
    onLicencePage([](WizardDriver& wizard) {
        Keyboard keyboard(wizard.sheet());
        ASSERT_TRUE(keyboard.ready());
        HWND view = wizard.control(IDC_LICENCE_VW_TEXT);
        keyboard.focus(view);
        ASSERT_EQ(0, firstVisibleLine(view));
        // Each step scrolls down (+1), up (-1) or back to the top (0); Home and End
        // reach the ends of the text with Ctrl, as they do in every editor.
        const struct {
            WORD key;
            std::initializer_list<WORD> modifiers;
            int times;
            int direction;
        } steps[] = {{VK_NEXT, {}, 2, +1},          {VK_PRIOR, {}, 1, -1},
                     {VK_DOWN, {}, 40, +1},         {VK_UP, {}, 60, -1},
                     {VK_END, {VK_CONTROL}, 1, +1}, {VK_HOME, {VK_CONTROL}, 1, 0}};
        for (const auto& step : steps) {
            const LRESULT before = firstVisibleLine(view);
            ASSERT_TRUE(keyboard.press(step.key, step.modifiers, step.times));
            const LRESULT after = firstVisibleLine(view);
            if (step.direction > 0)
                EXPECT_GT(after, before) << "key " << step.key;
            else if (step.direction < 0)
                EXPECT_LT(after, before) << "key " << step.key;
            else
                EXPECT_EQ(0, after) << "key " << step.key;
            EXPECT_EQ(view, keyboard.focused()) << "key " << step.key;
        }
        // Left and Right move the caret along the text.
        SendMessageA(view, EM_SETSEL, 5, 5);
        ASSERT_TRUE(keyboard.press(VK_RIGHT));
        EXPECT_EQ(6, selectionOf(view).cpMin);
        ASSERT_TRUE(keyboard.press(VK_LEFT, {}, 2));
        EXPECT_EQ(4, selectionOf(view).cpMin);
        // With Shift the same keys would select: they do nothing.
        for (WORD key : {VK_RIGHT, VK_DOWN, VK_NEXT, VK_END}) {
            ASSERT_TRUE(keyboard.press(key, {VK_SHIFT}));
            const CHARRANGE selection = selectionOf(view);
            EXPECT_EQ(4, selection.cpMin) << "Shift+key " << key;
            EXPECT_EQ(4, selection.cpMax) << "Shift+key " << key;
        }
    });
}

void putOnClipboard(const char* text) {
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    const size_t size = lstrlenA(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block != nullptr) {
        CopyMemory(GlobalLock(block), text, size);
        GlobalUnlock(block);
        if (SetClipboardData(CF_TEXT, block) == nullptr)
            GlobalFree(block);
    }
    CloseClipboard();
}

TEST_F(LicencePage, EditingKeysInTheFocusedViewChangeNothing) {
    onLicencePage([](WizardDriver& wizard) {
        Keyboard keyboard(wizard.sheet());
        ASSERT_TRUE(keyboard.ready());
        HWND view = wizard.control(IDC_LICENCE_VW_TEXT);
        const std::string before = wizard.text(IDC_LICENCE_VW_TEXT);
        putOnClipboard("pasted");
        keyboard.focus(view);
        const struct {
            WORD key;
            std::initializer_list<WORD> modifiers;
        } edits[] = {{'X', {}},           {'7', {VK_SHIFT}},       {VK_SPACE, {}},
                     {VK_BACK, {}},       {VK_DELETE, {}},         {'V', {VK_CONTROL}},
                     {'X', {VK_CONTROL}}, {VK_INSERT, {VK_SHIFT}}, {VK_DELETE, {VK_SHIFT}}};
        for (const auto& edit : edits) {
            // A selection, made as the program may, gives the cutting keys something to take.
            SendMessageA(view, EM_SETSEL, 10, 20);
            ASSERT_TRUE(keyboard.press(edit.key, edit.modifiers));
            EXPECT_EQ(before, wizard.text(IDC_LICENCE_VW_TEXT)) << "key " << edit.key;
            EXPECT_EQ(view, keyboard.focused()) << "key " << edit.key;
        }
        EXPECT_EQ(IDD_LICENCE, wizard.pageId());
    });
}

}  // namespace
