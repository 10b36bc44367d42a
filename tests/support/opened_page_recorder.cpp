#include "tests/support/opened_page_recorder.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kHttpsCommandKey = "Software\\Classes\\https\\shell\\open\\command";
constexpr int kWaitSteps = 500;
constexpr DWORD kWaitStep = 20;

}  // namespace

OpenedPageRecorder::OpenedPageRecorder(const std::string& recordFile)
    : savedCommand_(HKEY_LOCAL_MACHINE, kHttpsCommandKey), recordFile_(recordFile) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    writeRawText(HKEY_LOCAL_MACHINE, kHttpsCommandKey, nullptr,
                 std::string("\"") + self + "\" --record-open \"%1\" \"" + recordFile_ + "\"");
}

std::string OpenedPageRecorder::waitForPage() const {
    for (int wait = 0; wait < kWaitSteps && !fileExists(recordFile_); ++wait) {
        Sleep(kWaitStep);
    }
    std::string page;
    // The recorder may still be writing: read until the text stops growing.
    for (std::string previous = "-"; previous != page; Sleep(kWaitStep)) {
        previous = page;
        readFile(recordFile_, &page);
    }
    return page;
}

bool recordOpenedPage(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], "--record-open") != 0) {
        return false;
    }
    if (FILE* file = std::fopen(argv[3], "wb")) {
        std::fputs(argv[2], file);
        std::fclose(file);
    }
    return true;
}
