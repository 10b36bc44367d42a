// The file step's saving of replaced files and the undo's handling of copies that
// cannot be made, cannot be put back, or are read-only; the preparation running out
// of memory for the install records.
#include <climits>
#include <vector>

#include "engine/install_driver.h"
#include "engine/rollback.h"
#include "engine/staging.h"
#include "install_fixture.h"
#include "startup/setup_session.h"

namespace {

// This program's calls of HeapAlloc (the text buffers' only allocator) go through a
// stand-in while an object lives: it counts them and refuses every call from the
// `failFrom`-th on. The program's import slots for HeapAlloc point at the stand-in.
class HeapAllocLimit {
public:
    HeapAllocLimit() {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* module =
                 reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             module->Name != 0; ++module) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), "kernel32.dll") !=
                0) {
                continue;
            }
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
            auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
            for (; name->u1.AddressOfData != 0; ++name, ++slot) {
                if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                    lstrcmpA(reinterpret_cast<const char*>(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(
                                                               base + name->u1.AddressOfData)
                                                               ->Name),
                             "HeapAlloc") != 0) {
                    continue;
                }
                real_ = reinterpret_cast<HeapAllocFunction>(slot->u1.Function);
                slots_.push_back(&slot->u1.Function);
                point(slots_.back(), reinterpret_cast<ULONG_PTR>(&limitedHeapAlloc));
            }
        }
        calls_ = 0;
        failFrom_ = LONG_MAX;
    }
    ~HeapAllocLimit() {
        for (auto* slot : slots_) {
            point(slot, reinterpret_cast<ULONG_PTR>(real_));
        }
    }
    HeapAllocLimit(const HeapAllocLimit&) = delete;
    HeapAllocLimit& operator=(const HeapAllocLimit&) = delete;

    bool installed() const { return !slots_.empty(); }
    long calls() const { return calls_; }
    void restart(long failFrom) {
        calls_ = 0;
        failFrom_ = failFrom;
    }

private:
    using HeapAllocFunction = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);

    static LPVOID WINAPI limitedHeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
        return ++calls_ >= failFrom_ ? nullptr : real_(heap, flags, bytes);
    }
    static void point(decltype(IMAGE_THUNK_DATA{}.u1.Function) * slot, ULONG_PTR target) {
        DWORD protection = 0;
        VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
        *slot = target;
        VirtualProtect(slot, sizeof *slot, protection, &protection);
    }

    static inline HeapAllocFunction real_ = nullptr;
    static inline long calls_ = 0;
    static inline long failFrom_ = LONG_MAX;
    std::vector<decltype(IMAGE_THUNK_DATA{}.u1.Function)*> slots_;
};

class StagingRollbackTest : public InstallTest {
protected:
    // An earlier "kvr.exe" (file step 2) and "uninst_kvr.exe" (file step 4), then
    // the preparation and the first `files` file steps.
    void installOverEarlierFiles(int files, DWORD kvrAttributes = FILE_ATTRIBUTE_NORMAL) {
        createFolders(installFolder_);
        writeFile(kvrPath(), "earlier kvr.exe");
        SetFileAttributesA(kvrPath().c_str(), kvrAttributes);
        writeFile(uninstallerPath(), "earlier uninst_kvr.exe");
        driveUntilStep(1 + files);
        ASSERT_FALSE(gSession.progress.installFailed);
    }
    std::string kvrPath() const { return installFolder_ + "\\kvr.exe"; }
    std::string uninstallerPath() const { return installFolder_ + "\\uninst_kvr.exe"; }
    std::string contentsOf(const std::string& path) {
        std::string contents;
        EXPECT_TRUE(readFile(path, &contents)) << path;
        return contents;
    }
    const InstallRecord* recordFor(const std::string& target) {
        for (int i = 0; i < gSession.progress.backupCount; ++i) {
            if (target == gSession.progress.backupList[i].targetPath.text()) {
                return &gSession.progress.backupList[i];
            }
        }
        return nullptr;
    }
};

TEST_F(StagingRollbackTest, CopyBackThatFailsKeepsTheSavedCopyAndSaysWhereItIs) {
    installOverEarlierFiles(5);
    const InstallRecord* record = recordFor(kvrPath());
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->state, backedUp);
    const std::string copy = record->backupPath.text();
    const std::string staging = gSession.choices.stagingFolder.text();

    HANDLE held =
        CreateFileA(kvrPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(rollBackInstallation(page_.handle()), -1);
    EXPECT_FALSE(cleanUpStaging(true));
    CloseHandle(held);

    // The other earlier file is back; the saved copy and its folder stay.
    EXPECT_EQ(contentsOf(uninstallerPath()), "earlier uninst_kvr.exe");
    EXPECT_EQ(contentsOf(copy), "earlier kvr.exe");
    EXPECT_TRUE(pathExists(staging));
    const std::vector<ShownBox> boxes = boxes_.shown();
    ASSERT_EQ(boxes.size(), 1u);
    const std::string& text = boxes[0].text;
    EXPECT_NE(text.find(kvrPath()), std::string::npos) << text;
    EXPECT_NE(text.find(copy), std::string::npos) << text;
    EXPECT_EQ(text.find(uninstallerPath()), std::string::npos) << text;

    // Once the file is free, the next undo puts it back and the copy goes.
    EXPECT_EQ(rollBackInstallation(page_.handle()), 1);
    EXPECT_TRUE(cleanUpStaging(true));
    EXPECT_EQ(contentsOf(kvrPath()), "earlier kvr.exe");
    EXPECT_FALSE(pathExists(copy));
    EXPECT_FALSE(pathExists(staging));
    EXPECT_EQ(boxes_.shown().size(), 1u);
}

// New files that are locked when the undo runs stay; the undo goes on with the
// rest, and only a saved copy that cannot be put back makes it fail and is named.
TEST_F(StagingRollbackTest, LockedFilesDuringTheUndo) {
    const std::string newFile = installFolder_ + "\\__cdca.lx";
    const struct {
        bool holdProgram;
        int result;
    } cases[] = {{false, 1}, {true, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.holdProgram);
        removeTree(installFolder_);
        gSession.progress.reset();
        boxes_.clear();
        installOverEarlierFiles(5);
        const std::string copy = recordFor(kvrPath())->backupPath.text();
        HANDLE heldNew =
            CreateFileA(newFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(heldNew, INVALID_HANDLE_VALUE);
        HANDLE heldProgram = c.holdProgram ? CreateFileA(kvrPath().c_str(), GENERIC_READ, 0,
                                                         nullptr, OPEN_EXISTING, 0, nullptr)
                                           : INVALID_HANDLE_VALUE;
        EXPECT_EQ(rollBackInstallation(page_.handle()), c.result);
        CloseHandle(heldNew);
        if (heldProgram != INVALID_HANDLE_VALUE) {
            CloseHandle(heldProgram);
        }

        EXPECT_TRUE(pathExists(newFile));
        EXPECT_FALSE(pathExists(installFolder_ + "\\__cdcb.lx"));
        EXPECT_EQ(contentsOf(uninstallerPath()), "earlier uninst_kvr.exe");
        const std::vector<ShownBox> boxes = boxes_.shown();
        if (!c.holdProgram) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(contentsOf(kvrPath()), "earlier kvr.exe");
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  "ERROR: Cannot restore the following files. Their previous versions are kept "
                  "in these copies...\n\n" +
                      kvrPath() + "\n    saved as: " + copy + "\n");
        EXPECT_EQ(boxes[0].icon, errorIcon());
        EXPECT_EQ(boxes[0].defaultButton, IDOK);
        EXPECT_EQ(rollBackInstallation(page_.handle()), 1);
        EXPECT_TRUE(cleanUpStaging(true));
    }
}

// With a file where the staging folder should be, neither a copy nor the undo
// journal can be written: every step fails before it changes its target.
TEST_F(StagingRollbackTest, FileThatCannotBeSavedOrJournalledIsNotTouched) {
    createFolders(installFolder_);
    writeFile(kvrPath(), "earlier kvr.exe");
    driveUntilStep(1);
    ASSERT_EQ(gSession.progress.stepIndex, 1);
    std::string staging = gSession.choices.stagingFolder.text();
    staging.pop_back();
    removeTree(staging);
    writeFile(staging, "in the way");
    const std::string probe = staging + "\\probe.081";
    ASSERT_FALSE(CopyFileA(kvrPath().c_str(), probe.c_str(), FALSE));
    const DWORD expectedCode = GetLastError();

    TextBuffer error;
    bool offerFeedback = false;
    EXPECT_FALSE(installFile(page_.handle(), 0, error, offerFeedback));
    EXPECT_EQ(std::string(error.text()),
              "ERROR: Cannot write the record that lets this installation be undone:\n\n" +
                  staging + "\\undo.jnl");
    EXPECT_EQ(gSession.progress.failureCode, expectedCode);
    EXPECT_FALSE(pathExists(installFolder_ + "\\__cdcb.lx"));
    EXPECT_FALSE(installFile(page_.handle(), 2, error, offerFeedback));
    EXPECT_FALSE(offerFeedback);
    EXPECT_EQ(std::string(error.text()), "ERROR: (" + std::to_string(expectedCode) +
                                             ") Cannot install the following file:\n\n" +
                                             kvrPath());
    EXPECT_EQ(contentsOf(kvrPath()), "earlier kvr.exe");
    EXPECT_EQ(gSession.progress.backupList[2].state, notRecorded);
    EXPECT_EQ(gSession.progress.backupList[2].targetPath.visibleLength(), 0u);

    EXPECT_EQ(rollBackInstallation(page_.handle()), 0);
    EXPECT_EQ(contentsOf(kvrPath()), "earlier kvr.exe");
    DeleteFileA(staging.c_str());
}

TEST_F(StagingRollbackTest, ReadOnlyFileReplacedByASuccessfulInstallLeavesNoCopyBehind) {
    installOverEarlierFiles(5, FILE_ATTRIBUTE_READONLY);
    const InstallRecord* record = recordFor(kvrPath());
    ASSERT_NE(record, nullptr);
    const std::string copy = record->backupPath.text();
    EXPECT_TRUE(attributesOf(copy) & FILE_ATTRIBUTE_READONLY);
    const std::string staging = gSession.choices.stagingFolder.text();

    driveToEnd();
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{114});
    EXPECT_EQ(contentsOf(kvrPath()), installedFiles()[2].contents);
    EXPECT_FALSE(pathExists(copy));
    EXPECT_FALSE(pathExists(staging));
}

TEST_F(StagingRollbackTest, ReadOnlyFileIsBackReadOnlyAfterTheUndo) {
    installOverEarlierFiles(5, FILE_ATTRIBUTE_READONLY);
    const std::string copy = recordFor(kvrPath())->backupPath.text();
    const std::string staging = gSession.choices.stagingFolder.text();
    EXPECT_EQ(contentsOf(kvrPath()), installedFiles()[2].contents);

    EXPECT_EQ(rollBackInstallation(page_.handle()), 1);
    EXPECT_TRUE(cleanUpStaging(true));
    EXPECT_EQ(contentsOf(kvrPath()), "earlier kvr.exe");
    EXPECT_TRUE(attributesOf(kvrPath()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(pathExists(copy));
    EXPECT_FALSE(pathExists(staging));
    SetFileAttributesA(kvrPath().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(StagingRollbackTest, UndoWithoutRecordsOnlyReportsAndRemovesTheEmptyStagingFolder) {
    const std::string staging = root_ + "empty staging";
    CreateDirectoryA(staging.c_str(), nullptr);
    gSession.choices.stagingFolder.assign(staging.c_str());
    EXPECT_EQ(rollBackInstallation(page_.handle()), 0);
    EXPECT_EQ(statusText(), "Restoring previous files...");
    EXPECT_TRUE(cleanUpStaging(true));
    EXPECT_FALSE(pathExists(staging));
}

// The install records are the preparation's last allocations, two text buffers per
// file: refusing the heap half-way through them (counted in a first, whole run) ends
// the preparation with "Low on memory" instead of ending the process.
TEST_F(StagingRollbackTest, RunningOutOfMemoryForTheInstallRecordsSaysLowOnMemory) {
    HeapAllocLimit heap;
    ASSERT_TRUE(heap.installed());
    TextBuffer error;
    bool offerFeedback = false;
    ASSERT_TRUE(prepareInstallation(page_.handle(), error, offerFeedback)) << error.text();
    const long wholeRun = heap.calls();
    const int records = gSession.progress.backupCount;
    ASSERT_GT(records, 50);

    // The same preparation again from the same start: a fresh staging folder name.
    const std::string staging = gSession.choices.stagingFolder.text();
    gSession.progress.reset();
    RemoveDirectoryA(staging.c_str());
    RemoveDirectoryA(installFolder_.c_str());
    gSession.choices.stagingFolder.clear();

    heap.restart(wholeRun - records);
    const bool prepared = prepareInstallation(page_.handle(), error, offerFeedback);
    const long refused = heap.calls() - (wholeRun - records) + 1;
    heap.restart(LONG_MAX);
    EXPECT_FALSE(prepared);
    EXPECT_STREQ(error.text(), "Low on memory");
    EXPECT_FALSE(offerFeedback);
    EXPECT_GE(refused, 1);
    EXPECT_EQ(gSession.progress.backupList, nullptr);
    EXPECT_EQ(gSession.progress.backupCount, 0);
}

TEST_F(StagingRollbackTest, UniqueTempNameAvoidsOccupiedNames) {
    const std::string folder = root_ + "names";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < 50; ++i) {
        TextBuffer name = makeUniqueTempName((folder + "\\").c_str(), "081");
        const std::string path = name.text();
        ASSERT_EQ(path.size(), folder.size() + 1 + 12 + 4) << path;
        EXPECT_EQ(path.substr(0, folder.size() + 1), folder + "\\");
        EXPECT_EQ(path.substr(path.size() - 4), ".081");
        for (size_t c = folder.size() + 1; c < path.size() - 4; ++c) {
            EXPECT_TRUE(isxdigit(static_cast<unsigned char>(path[c])) && !islower(path[c])) << path;
        }
        ASSERT_FALSE(pathExists(path));
        writeFile(path, "");
    }
}

}  // namespace
