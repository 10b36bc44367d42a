// Answers the message boxes that the code under test opens in this process: a
// watcher thread looks every 10 ms for visible "#32770" windows of the process,
// records the text of their static control 0xFFFF and presses `button` in them.
// Destroying the answerer stops the watcher.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class DialogAnswerer {
public:
    explicit DialogAnswerer(int button = IDOK);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Texts of the boxes answered so far, in order.
    std::vector<std::string> texts();

private:
    static DWORD WINAPI watch(void* self);
    static BOOL CALLBACK answerIfBox(HWND window, LPARAM self);
    void answer(HWND box);

    int button_;
    HANDLE stop_;
    HANDLE thread_;
    CRITICAL_SECTION lock_;
    std::vector<std::string> texts_;
    std::vector<HWND> pressed_;
};
