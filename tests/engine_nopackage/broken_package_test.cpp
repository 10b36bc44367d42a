// The install driver in a program that carries no main package: the first tick
// fails with the broken-package message, returns to the ready page and opens the
// feedback page. The shell's "open" command for https is pointed at this program
// itself ("--record-open URL FILE"), which writes the URL it was given to FILE.
#include <windows.h>

#include <gtest/gtest.h>
#include <prsht.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/install_driver.h"
#include "engine/install_page_ids.h"
#include "engine/staging.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_watcher.h"

namespace {

constexpr const char* kBrokenText =
    "FATAL ERROR: Installation package is broken...\n(Please report it to our technical "
    "support.)";
constexpr const char* kHttpsCommandKey = "Software\\Classes\\https\\shell\\open\\command";

LRESULT CALLBACK wizardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PSM_SETCURSELID) {
        reinterpret_cast<std::vector<LPARAM>*>(GetWindowLongPtrA(window, GWLP_USERDATA))
            ->push_back(lParam);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::string readText(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[1024];
        size_t read = std::fread(buffer, 1, sizeof buffer, file);
        text.assign(buffer, read);
        std::fclose(file);
    }
    return text;
}

// Points the https "open" command at this program for the test's lifetime.
class OpenCommandRecorder {
public:
    explicit OpenCommandRecorder(const std::string& recordFile) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHttpsCommandKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr);
        char previous[1024] = {};
        DWORD size = sizeof previous;
        had_ = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(previous),
                                &size) == ERROR_SUCCESS;
        previous_ = previous;
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        const std::string command =
            std::string("\"") + self + "\" --record-open \"%1\" \"" + recordFile + "\"";
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
        RegCloseKey(key);
    }
    ~OpenCommandRecorder() {
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHttpsCommandKey, 0, KEY_WRITE, &key);
        if (had_) {
            RegSetValueExA(key, nullptr, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(previous_.c_str()),
                           static_cast<DWORD>(previous_.size() + 1));
        } else {
            RegDeleteValueA(key, nullptr);
        }
        RegCloseKey(key);
    }

private:
    bool had_ = false;
    std::string previous_;
};

class BrokenPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        page_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                instance, nullptr);
        for (int id : {kInstallDetailLine, kInstallStatusLine}) {
            CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 300, 20, page_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        }
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = wizardProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = "KvrBrokenPackageWizard";
        RegisterClassA(&windowClass);
        wizard_ = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, instance, nullptr);
        SetWindowLongPtrA(wizard_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pageRequests_));
        gSession.progress.reset();
        gSession.stepRunning = 0;
        gSession.sheetWindow = wizard_;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        installFolder_ = std::string(temp) + "kvr_broken_package_install";
        gSession.choices.installFolder.assign(installFolder_.c_str());
        gSession.choices.stagingFolder.clear();
    }
    void TearDown() override {
        gSession.progress.reset();
        gSession.sheetWindow = nullptr;
        DestroyWindow(wizard_);
        DestroyWindow(page_);
    }

    HWND page_ = nullptr;
    HWND wizard_ = nullptr;
    std::vector<LPARAM> pageRequests_;
    std::string installFolder_;
};

TEST_F(BrokenPackageTest, PreparationReportsTheBrokenPackageAndAsksForFeedback) {
    TextBuffer error;
    bool offerFeedback = false;
    EXPECT_FALSE(prepareInstallation(page_, error, offerFeedback));
    EXPECT_STREQ(error.text(), kBrokenText);
    EXPECT_TRUE(offerFeedback);
    EXPECT_EQ(gSession.progress.packageEntries, nullptr);
    EXPECT_EQ(gSession.progress.stepTotals[0], 0);
    EXPECT_EQ(gSession.choices.stagingFolder.visibleLength(), 0u);
    EXPECT_FALSE(PathFileExistsA(installFolder_.c_str()));
}

TEST_F(BrokenPackageTest, FirstTickFailsReturnsToTheReadyPageAndOpensTheFeedbackPage) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string recordFile = std::string(temp) + "kvr_broken_package_opened.txt";
    DeleteFileA(recordFile.c_str());
    std::vector<std::string> texts;
    {
        OpenCommandRecorder recorder(recordFile);
        MessageBoxWatcher boxes;
        runInstallStep(page_);
        texts = boxes.texts();
        for (int wait = 0; wait < 500 && !PathFileExistsA(recordFile.c_str()); ++wait) {
            Sleep(20);
        }
    }
    EXPECT_EQ(gSession.progress.installFailed, 1);
    EXPECT_EQ(gSession.progress.stepIndex, 0);
    EXPECT_EQ(gSession.stepRunning, 0);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], kBrokenText);
    EXPECT_EQ(pageRequests_, std::vector<LPARAM>{112});
    const std::string opened = readText(recordFile);
    EXPECT_NE(opened.find("/php/dwnld_fdbk.php?what=glitch&name=KVR&ver=1.2.7.1"),
              std::string::npos)
        << opened;
    DeleteFileA(recordFile.c_str());

    // Later ticks do nothing.
    runInstallStep(page_);
    EXPECT_EQ(pageRequests_.size(), 1u);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--record-open") == 0) {
        if (FILE* file = std::fopen(argv[3], "wb")) {
            std::fputs(argv[2], file);
            std::fclose(file);
        }
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
