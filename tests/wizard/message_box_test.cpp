// Message boxes: text, caption, owner, centring, the hook's lifetime; the
// centring arithmetic; the wait cursor.
#include <gtest/gtest.h>

#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "wizard/message_box.h"

namespace {

// A plain visible pop-up window at an exact screen position.
class TestWindow {
public:
    TestWindow(int left, int top, int width, int height) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KvrTestWindow";
        RegisterClassA(&windowClass);
        window_ =
            CreateWindowExA(0, "KvrTestWindow", "owner", WS_POPUP | WS_VISIBLE, left, top, width,
                            height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() { DestroyWindow(window_); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND get() const { return window_; }
    RECT rect() const {
        RECT r = {};
        GetWindowRect(window_, &r);
        return r;
    }

private:
    HWND window_ = nullptr;
};

void expectCentredOver(const RECT& box, const RECT& owner) {
    const int boxWidth = box.right - box.left;
    const int boxHeight = box.bottom - box.top;
    EXPECT_EQ(box.left, owner.left + ((owner.right - owner.left) - boxWidth) / 2);
    EXPECT_EQ(box.top, owner.top + ((owner.bottom - owner.top) - boxHeight) / 2);
}

TEST(ShowMessage, ShowsTextAndCaptionAndReturnsTheButton) {
    // The style combinations that the setup's boxes use.
    struct Case {
        UINT style;
        int button;
        const char* caption;
        const char* expectedCaption;
        HICON icon;
        bool yesNo;
        int defaultButton;
    } cases[] = {
        {MB_OK | MB_ICONERROR, IDOK, nullptr, kSetupCaption, errorIcon(), false, IDOK},
        {MB_OK | MB_ICONINFORMATION, IDOK, "Other caption", "Other caption", informationIcon(),
         false, IDOK},
        {MB_YESNO | MB_ICONERROR, IDYES, nullptr, kSetupCaption, errorIcon(), true, IDYES},
        {MB_YESNO | MB_ICONERROR | MB_DEFBUTTON2, IDNO, nullptr, kSetupCaption, errorIcon(), true,
         IDNO},
        {MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2, IDNO, nullptr, kSetupCaption,
         informationIcon(), true, IDNO},
        {MB_YESNOCANCEL | MB_ICONERROR, IDCANCEL, nullptr, kSetupCaption, errorIcon(), true, IDYES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        MessageBoxAnswerer answerer({c.button});
        EXPECT_EQ(showMessage("Line one...\nLine two...", c.style, nullptr, c.caption), c.button);
        const std::vector<ShownBox> boxes = answerer.shown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Line one...\nLine two...");
        EXPECT_EQ(boxes[0].caption, c.expectedCaption);
        EXPECT_EQ(boxes[0].icon, c.icon);
        EXPECT_EQ(boxes[0].hasYes, c.yesNo);
        EXPECT_EQ(boxes[0].hasNo, c.yesNo);
        EXPECT_EQ(boxes[0].defaultButton, c.defaultButton);
        EXPECT_EQ(boxes[0].owner, nullptr);
        EXPECT_EQ(gSession.messageBoxHook, nullptr);
    }
}

TEST(ShowMessage, BoxIsCentredOverTheGivenOwner) {
    TestWindow owner(100, 150, 700, 500);
    MessageBoxAnswerer answerer;
    showMessage("Centred over its owner...", MB_OK | MB_ICONERROR, owner.get());
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, owner.get());
    expectCentredOver(boxes[0].rect, owner.rect());
}

TEST(ShowMessage, TwoBoxesInARowAreEachCentredOverTheWizard) {
    TestWindow wizard(40, 60, 900, 700);
    gSession.sheetWindow = wizard.get();
    MessageBoxAnswerer answerer;
    showMessage("First...", MB_OK | MB_ICONERROR);
    EXPECT_EQ(gSession.messageBoxHook, nullptr);
    showMessage("Second...", MB_OK | MB_ICONERROR);
    EXPECT_EQ(gSession.messageBoxHook, nullptr);
    gSession.sheetWindow = nullptr;

    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        SCOPED_TRACE(box.text);
        EXPECT_EQ(box.owner, wizard.get());
        expectCentredOver(box.rect, wizard.rect());
    }
}

// A box without owner keeps the centring hook for its whole life (there is
// nothing to centre it over); a box opened while it is open installs no second
// hook, and none survives either box.
TEST(ShowMessage, BoxOpenedFromInsideAnotherInstallsNoSecondHook) {
    MessageBoxAnswerer answerer;
    HHOOK outerHook = nullptr;
    int inner = 0;
    answerer.callWhileOpen([&] {
        if (outerHook == nullptr) {
            outerHook = gSession.messageBoxHook;
            inner = showMessage("Inner...", MB_OK | MB_ICONERROR);
            EXPECT_EQ(gSession.messageBoxHook, nullptr);
        }
    });
    EXPECT_EQ(showMessage("Outer...", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(inner, IDOK);
    ASSERT_NE(outerHook, nullptr);
    EXPECT_EQ(gSession.messageBoxHook, nullptr);
    EXPECT_FALSE(UnhookWindowsHookEx(outerHook)) << "the first box's hook was left installed";
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Outer...");
    EXPECT_EQ(boxes[1].text, "Inner...");
}

TEST(CentreWindow, PlacesTheWindowOverTheReference) {
    TestWindow reference(0, 0, 800, 640);
    struct Case {
        int width;
        int height;
        int left;
        int top;
    } cases[] = {
        {400, 200, 200, 220},
        {800, 640, 0, 0},
        // Larger than the reference: truncation toward zero, not flooring.
        {1001, 701, -100, -30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        TestWindow window(5, 5, c.width, c.height);
        EXPECT_TRUE(centreWindow(window.get(), reference.get()));
        const RECT placed = window.rect();
        EXPECT_EQ(placed.left, c.left);
        EXPECT_EQ(placed.top, c.top);
        EXPECT_EQ(placed.right - placed.left, c.width);
        EXPECT_EQ(placed.bottom - placed.top, c.height);
    }
}

TEST(CentreWindow, WithoutReferenceUsesTheWorkAreaAndNullMeansTheWizard) {
    RECT area;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    TestWindow wizard(3, 3, 400, 200);
    gSession.sheetWindow = wizard.get();
    EXPECT_TRUE(centreWindow(nullptr, nullptr));
    gSession.sheetWindow = nullptr;
    expectCentredOver(wizard.rect(), area);
}

TEST(CentreWindow, WindowWithoutRectangleIsNotMoved) {
    TestWindow reference(0, 0, 800, 640);
    HWND gone = TestWindow(1, 1, 10, 10).get();
    EXPECT_FALSE(centreWindow(gone, reference.get()));
}

TEST(WaitCursor, ShowsTheHourglassAndRestoresTheCursor) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    {
        WaitCursor wait;
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    }
    EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
