// Answers every message box that the code under test opens in this process and
// keeps their texts for the test to check. A box is a "#32770" window with a static
// text control 0xFFFF. Boxes of the thread that made the watcher are answered as
// soon as they are activated (a CBT hook of that thread); a second thread answers
// any other visible box of the process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class MessageBoxWatcher {
public:
    // `answer` is the button pressed in every box (IDOK, IDYES, IDNO...).
    explicit MessageBoxWatcher(int answer = IDOK);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // The texts of the boxes answered so far, oldest first.
    std::vector<std::string> texts();
    void clear();

private:
    static DWORD WINAPI watch(void* self);
    static BOOL CALLBACK visit(HWND window, LPARAM self);
    static LRESULT CALLBACK activation(int code, WPARAM wParam, LPARAM lParam);
    void answer(HWND window, bool mustBeVisible);

    int answer_;
    HANDLE stop_;
    HANDLE thread_;
    HHOOK hook_;
    CRITICAL_SECTION lock_;
    std::vector<std::string> texts_;
    std::vector<HWND> answered_;
};
