// Reinstalling over a read-only file, run by a user for whom the read-only
// attribute is enforced (tools/wine-unprivileged.sh): the file step must clear it
// before writing, the undo must put the file back read-only with its old
// contents, and the clean-up must still delete the read-only saved copy.
#include <windows.h>

#include "engine/install_driver.h"
#include "startup/setup_session.h"
#include "tests/engine/install_fixture.h"

namespace {

constexpr LPARAM kReadyPage = 112;
constexpr LPARAM kFinishPage = 114;
constexpr int kKvrStep = 2;
constexpr int kUninstallerStep = 4;

// Each way the engine writes over an existing file, tried without clearing the
// attribute first.
enum class Overwrite { openForWriting, createAlways, copyOver };

DWORD overwriteResult(Overwrite how, const std::string& target, const std::string& source) {
    if (how == Overwrite::copyOver) {
        return CopyFileA(source.c_str(), target.c_str(), FALSE) ? ERROR_SUCCESS : GetLastError();
    }
    const DWORD disposition = how == Overwrite::createAlways ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(file);
    return ERROR_SUCCESS;
}

class ReadOnlyTargetTest : public InstallTest {
protected:
    std::string target(int k) const { return installFolder_ + "\\" + installedFiles()[k].name; }
    std::string kvrPath() const { return target(kKvrStep); }
    std::string stagingFolder() const { return gSession.choices.stagingFolder.text(); }
    std::string contentsOf(const std::string& path) {
        std::string contents;
        EXPECT_TRUE(readFile(path, &contents)) << path;
        return contents;
    }
    void writeEarlierReadOnlyKvr() {
        createFolders(installFolder_);
        writeFile(kvrPath(), "earlier kvr.exe");
        ASSERT_TRUE(SetFileAttributesA(kvrPath().c_str(), FILE_ATTRIBUTE_READONLY));
    }
    // The saved copy of kvr.exe, once its file step has run.
    std::string savedCopyOfKvr() const {
        return gSession.progress.backupList[kKvrStep].backupPath.text();
    }
};

TEST_F(ReadOnlyTargetTest, ThisUserCannotWriteOverAReadOnlyFile) {
    const std::string source = root_ + "source.txt";
    const std::string readOnly = root_ + "read-only.txt";
    writeFile(source, "new");
    for (Overwrite how :
         {Overwrite::openForWriting, Overwrite::createAlways, Overwrite::copyOver}) {
        SCOPED_TRACE(static_cast<int>(how));
        writeFile(readOnly, "kept");
        ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
        EXPECT_EQ(overwriteResult(how, readOnly, source), static_cast<DWORD>(ERROR_ACCESS_DENIED))
            << "read-only files are writable here: run this program as an unprivileged user";
        EXPECT_EQ(contentsOf(readOnly), "kept");
        ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL));
    }
}

TEST_F(ReadOnlyTargetTest, ReinstallReplacesTheReadOnlyFileAndLeavesNoCopyBehind) {
    ASSERT_NO_FATAL_FAILURE(writeEarlierReadOnlyKvr());
    driveUntilStep(1 + kKvrStep + 1);
    ASSERT_FALSE(gSession.progress.installFailed) << boxes_.shown().size() << " box(es) shown";
    const std::string copy = savedCopyOfKvr();
    EXPECT_EQ(contentsOf(copy), "earlier kvr.exe");
    EXPECT_TRUE(attributesOf(copy) & FILE_ATTRIBUTE_READONLY);
    const std::string staging = stagingFolder();

    driveToEnd();
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kFinishPage});
    EXPECT_TRUE(boxes_.shown().empty());
    EXPECT_TRUE(contentsOf(kvrPath()) == installedFiles()[kKvrStep].contents);
    EXPECT_FALSE(attributesOf(kvrPath()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(pathExists(copy));
    EXPECT_FALSE(pathExists(staging));
}

TEST_F(ReadOnlyTargetTest, ReinstallFailingLaterPutsTheReadOnlyFileBackAsItWas) {
    ASSERT_NO_FATAL_FAILURE(writeEarlierReadOnlyKvr());
    HANDLE held = CreateFileA(target(kUninstallerStep).c_str(), GENERIC_READ, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    driveUntilStep(1 + kKvrStep + 1);
    const std::string copy = savedCopyOfKvr();
    const std::string staging = stagingFolder();
    EXPECT_TRUE(contentsOf(kvrPath()) == installedFiles()[kKvrStep].contents);

    driveToEnd();
    CloseHandle(held);
    EXPECT_EQ(gSession.progress.stepIndex, 1 + kUninstallerStep);
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kReadyPage});
    const std::vector<ShownBox> boxes = boxes_.shown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "ERROR: (32) Cannot install the following file:\n\n" + target(kUninstallerStep));
    EXPECT_TRUE(contentsOf(kvrPath()) == "earlier kvr.exe") << "kvr.exe was not put back";
    EXPECT_TRUE(attributesOf(kvrPath()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(pathExists(target(0)));
    EXPECT_FALSE(pathExists(copy));
    EXPECT_FALSE(pathExists(staging));
}

}  // namespace
