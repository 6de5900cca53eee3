// Files written through a temporary file: the target is replaced only by a complete file, and a
// failed write leaves the old file as it was, no partial new file and no temporary file behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/safe_file.h"
#include "tests/base/file_text.h"

namespace {

class SafeFile : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "safe_file_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        SetFileWriteFailureForTests(0);
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = folder + "\\" + found.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
    }
    std::string File(const char* name) const { return folder + "\\" + name; }
    static std::string Read(const std::string& path) { return ReadFileText(path, "<none>"); }
    // The names in the folder other than the ones the test made.
    int FileCount() const {
        int count = 0;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return 0;
        do count += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
        while (FindNextFileA(find, &found));
        FindClose(find);
        return count;
    }
    std::string folder;
};

TEST_F(SafeFile, ANewFileAndAReplacedOneHoldExactlyTheNewBytes) {
    const std::string path = File("notes.txt");
    ASSERT_EQ(WriteBytesThroughTemporary(path.c_str(), "first text, longer than the next", 32), 0u);
    EXPECT_EQ(Read(path), "first text, longer than the next");
    ASSERT_EQ(WriteBytesThroughTemporary(path.c_str(), "second", 6), 0u);
    EXPECT_EQ(Read(path), "second");
    ASSERT_EQ(WriteBytesThroughTemporary(path.c_str(), "", 0), 0u);
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(FileCount(), 1) << "no temporary file is left";
}

// Every way a write can fail keeps the old file whole and tells the system's cause.
TEST_F(SafeFile, AFailedWriteKeepsTheOldFileAndLeavesNothingElse) {
    const std::string old(20 * 1024, 'k');
    struct Case {
        const char* what;
        const char* name;  // in the test's folder
        bool exists;       // an old file is there
        bool readOnly;
        DWORD injected;  // the failure the writer meets, 0 for none
        DWORD expected;  // 0: the system's own code for the case, whichever it is
    } cases[] = {
        {"full disk over a file", "journal.txt", true, false, ERROR_DISK_FULL, ERROR_DISK_FULL},
        {"full disk, new name", "fresh.txt", false, false, ERROR_DISK_FULL, ERROR_DISK_FULL},
        {"device error", "vars.txt", true, false, ERROR_WRITE_FAULT, ERROR_WRITE_FAULT},
        {"read-only file", "locked.txt", true, true, 0, ERROR_ACCESS_DENIED},
        {"missing folder", "gone\\x.txt", false, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = File(c.name);
        if (c.exists) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ASSERT_EQ(WriteBytesThroughTemporary(path.c_str(), old.data(), old.size()), 0u);
            if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        }
        const int before = FileCount();
        SetFileWriteFailureForTests(c.injected);
        const std::string fresh(30 * 1024, 'n');
        const DWORD error = WriteBytesThroughTemporary(path.c_str(), fresh.data(), fresh.size());
        if (c.expected)
            EXPECT_EQ(error, c.expected);
        else
            EXPECT_NE(error, 0u);
        SetFileWriteFailureForTests(0);
        EXPECT_EQ(Read(path), c.exists ? old : "<none>");
        EXPECT_EQ(FileCount(), before) << "no partial or temporary file is left";
    }
}

}  // namespace
