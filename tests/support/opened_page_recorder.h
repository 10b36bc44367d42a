// Web pages that the code under test opens, caught instead of opened: the shell's
// "open" command for https points, while a recorder lives, at this test program
// itself with "--record-open URL FILE", and the program writes the URL to FILE.
// A test program that uses it lets recordOpenedPage handle its command line first.
#pragma once

#include <string>

#include "tests/support/test_environment.h"

class OpenedPageRecorder {
public:
    // `recordFile` must not exist yet.
    explicit OpenedPageRecorder(const std::string& recordFile);
    OpenedPageRecorder(const OpenedPageRecorder&) = delete;
    OpenedPageRecorder& operator=(const OpenedPageRecorder&) = delete;

    // The address that was opened, waiting up to 10 s for it; empty if none.
    std::string waitForPage() const;

private:
    KeySnapshot savedCommand_;
    std::string recordFile_;
};

// For main: true (after writing the file) for "--record-open URL FILE".
bool recordOpenedPage(int argc, char** argv);
