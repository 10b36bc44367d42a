// Answers the message boxes that the code under test opens, from a second
// thread, so that no test can hang on one. Every visible "#32770" window of this
// process is answered with the next button of the list (the last one repeats) and
// recorded as it was shown.
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

    // Stops watching and returns the boxes answered, in order. Call it after the
    // code under test has returned: by then every box it opened is closed.
    std::vector<ShownBox> finish();

private:
    static DWORD WINAPI watch(void* self);
    void answer(HWND box);

    std::vector<int> buttons_;
    std::vector<ShownBox> shown_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
};

// The icons that the system's message boxes show.
HICON informationIcon();
HICON errorIcon();
