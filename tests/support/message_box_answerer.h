// Answers every message box that the code under test opens in this process and
// records it as it was shown, so that no test can hang on one. A box is a visible
// "#32770" window with the static text control 0xFFFF. Boxes of the thread that
// made the answerer are answered as soon as they are activated (a CBT hook, fast
// enough for hundreds of boxes); a second thread answers any other box. Each box
// gets the next button of the list; the last one repeats. A test may have each of
// its own thread's boxes run some code while the box is open (callWhileOpen).
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct ShownBox {
    HWND owner = nullptr;
    std::string text;     // the message: static control 0xFFFF
    std::string caption;  // the window title
    RECT rect = {};       // screen rectangle when answered
    HICON icon = nullptr;
    int defaultButton = 0;  // the button focused first; 0 for another thread's box
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
    // Runs `code` on the box's thread, after recording the box and before answering
    // it, for every box of the thread that made the answerer; boxes that `code`
    // opens are answered (and recorded) too.
    void callWhileOpen(std::function<void()> code);
    // Waits until at least `count` boxes have been recorded; false at the time-out.
    bool waitForBoxes(size_t count, DWORD timeoutMs = 10000);

private:
    static DWORD WINAPI watch(void* self);
    static BOOL CALLBACK visit(HWND window, LPARAM self);
    static LRESULT CALLBACK activation(int code, WPARAM wParam, LPARAM lParam);
    void answer(HWND box, bool mustBeVisible);
    void noteFocus(HWND control);

    std::vector<int> buttons_;
    std::vector<ShownBox> shown_;
    std::vector<HWND> answered_;
    // Each box's first focused button, and the index of its record in shown_.
    std::vector<std::pair<HWND, int>> firstFocus_;
    std::vector<std::pair<HWND, size_t>> records_;
    std::function<void()> whileOpen_;
    std::atomic<bool> callsWhileOpen_{false};
    std::atomic<int> callDepth_{0};
    DWORD threadId_ = GetCurrentThreadId();
    CRITICAL_SECTION lock_;
    MessageBoxAnswerer* outer_;  // the answerer that was active before this one
    HHOOK hook_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};

// The icons that the system's message boxes show.
HICON informationIcon();
HICON errorIcon();
