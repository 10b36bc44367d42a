// Answers every message box that the code under test opens in this process and
// records it as it was shown, so that no test can hang on one. A box is a visible
// "#32770" window with the static text control 0xFFFF. Boxes of the thread that
// made the answerer are answered as soon as they are activated (a CBT hook, fast
// enough for hundreds of boxes); a second thread answers any other box. Each box
// gets the next button of the list; the last one repeats.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ShownBox {
    HWND owner = nullptr;
    std::string text;     // the message: static control 0xFFFF
    std::string caption;  // the window title
    RECT rect = {};       // screen rectangle when answered
    HICON icon = nullptr;
    bool hasOk = false;
    bool hasYes = false;
    bool hasNo = false;
    bool hasCancel = false;
};

class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::vector<int> buttons = {IDOK});
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The boxes recorded so far, oldest first. A box is recorded before it is
    // answered, so once the code under test has returned every box it opened is here.
    std::vector<ShownBox> shown();
    // Forgets the boxes recorded so far; the button list goes on where it was.
    void clear();
    // Waits until at least `count` boxes have been recorded; false at the time-out.
    bool waitForBoxes(size_t count, DWORD timeoutMs = 10000);

private:
    static DWORD WINAPI watch(void* self);
    static BOOL CALLBACK visit(HWND window, LPARAM self);
    static LRESULT CALLBACK activation(int code, WPARAM wParam, LPARAM lParam);
    void answer(HWND box, bool mustBeVisible);

    std::vector<int> buttons_;
    std::vector<ShownBox> shown_;
    std::vector<HWND> answered_;
    CRITICAL_SECTION lock_;
    MessageBoxAnswerer* outer_;  // the answerer that was active before this one
    HHOOK hook_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};

// The icons that the system's message boxes show.
HICON informationIcon();
HICON errorIcon();
