// Drives the real wizard in the test's own process: runWizard runs on the test's
// thread while a script on a second thread acts as the user, reading and setting
// the pages' controls by their ids and pressing the sheet's buttons. Message boxes
// are answered by a MessageBoxAnswerer that the test makes before run().
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class WizardDriver {
public:
    WizardDriver() = default;
    // Drives the wizard window of another process (see tests/e2e).
    explicit WizardDriver(HWND sheet) : sheet_(sheet), attached_(true) {}

    // Runs runWizard() with `script` beside it and returns when both have ended.
    // Loads the rich-edit library that the licence page's view needs, as start-up does.
    // When the script ends with the wizard still open (a failed expectation), the
    // wizard is closed by force so that no test hangs. False when that was needed.
    static bool run(const std::function<void(WizardDriver&)>& script);

    // Waits until the wizard shows the page with this dialog id.
    bool waitForPage(int dialogId, DWORD timeoutMs = 10000);
    // Walks from the current page to `dialogId` with Next and the default choices,
    // accepting the licence on the way. False when a page kept the wizard.
    bool walkTo(int dialogId);
    // Polls `condition` until it holds (true) or the time is up (false).
    static bool waitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
    // Waits until the wizard has closed.
    bool waitForClose(DWORD timeoutMs = 10000);
    // The current page's dialog id, 0 when there is none.
    int pageId();
    HWND sheet() const { return sheet_; }
    HWND page();
    HWND control(int id);

    std::string text(int id);
    void setText(int id, const std::string& text);
    // Clicks a control of the current page (posted, so a box it opens cannot block).
    void click(int id);
    bool isEnabled(int id);
    bool isVisible(int id);
    bool isChecked(int id);

    // The sheet's buttons: kBack, kNext, kFinish, IDCANCEL.
    static constexpr int kBack = 0x3023;
    static constexpr int kNext = 0x3024;
    static constexpr int kFinish = 0x3025;
    bool sheetButtonEnabled(int buttonId);
    // PSM_PRESSBUTTON with PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH or PSBTN_CANCEL (posted).
    void press(int psbtn);
    // Returns once no message box is open and the current page has stayed the same
    // for about 150 ms, so that a handler that showed a box has finished.
    void settle();
    // The sheet's title and the header's title and subtitle are drawn from the
    // page description; these read them back for the current page.
    std::string sheetTitle();
    // The header band's title and subtitle as the sheet draws them: the sheet is
    // repainted and the first two texts that it draws are read back. Empty texts
    // when nothing was drawn.
    struct HeaderTexts {
        std::string title;
        std::string subtitle;
    };
    HeaderTexts headerTexts();

private:
    // The wizard: the attached window, or this process's gSession.sheetWindow.
    HWND sheetWindow();

    HWND sheet_ = nullptr;
    bool attached_ = false;
};
