// The lesson list through VK40.dll's exports, over real "Lessons" trees in a temporary folder.
// The list lives as long as the library, so each case looks only at the lessons of its own tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "devlib/vk40.h"

namespace {

// A fresh folder under the temporary folder, removed with everything in it.
class CTempTree {
public:
    explicit CTempTree(const char* tag) {
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        static int serial = 0;
        m_root =
            std::string(temp) + "vk40" + tag + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
        m_ok = CreateDirectoryA(m_root.c_str(), nullptr) != 0;
    }
    ~CTempTree() { RemoveTree(m_root); }
    bool ok() const { return m_ok; }
    const std::string& root() const { return m_root; }

    bool Folder(const std::string& name) { return CreateDirectoryA((m_root + "\\" + name).c_str(), nullptr) != 0; }
    bool File(const std::string& name) {
        HANDLE file = CreateFileA((m_root + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    }

    // The sub-folders in the order the system lists them.
    std::vector<std::string> FoldersAsFound() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((m_root + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            const std::string name = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

private:
    static void RemoveTree(const std::string& dir) {
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") continue;
                const std::string path = dir + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(dir.c_str());
    }

    std::string m_root;
    bool m_ok = false;
};

// Every script path of the list, first to last.
std::vector<std::string> AllLessonFiles() {
    std::vector<std::string> files;
    for (const char* file = GetFirstLessonFile(); file && files.size() <= 128; file = GetNextLessonFile(file))
        files.push_back(file);
    return files;
}

std::vector<std::string> LessonFilesUnder(const std::string& root) {
    std::vector<std::string> mine;
    for (const std::string& file : AllLessonFiles()) {
        if (file.compare(0, root.size() + 1, root + "\\") == 0) mine.push_back(file);
    }
    return mine;
}

std::string ScriptPath(const std::string& root, const std::string& name) { return root + "\\" + name + "\\" + name; }

std::string Upper(std::string text) {
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

TEST(VK40Lessons, FoldersAreListedInTheOrderFoundAndFilesIgnored) {
    CTempTree tree("order");
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.Folder("OrderAlpha"));
    ASSERT_TRUE(tree.Folder("OrderBeta"));
    ASSERT_TRUE(tree.File("notes.txt"));
    ASSERT_TRUE(tree.File("OrderGamma"));  // a file named like a lesson
    const std::vector<std::string> found = tree.FoldersAsFound();
    ASSERT_EQ(found.size(), 2u);

    EXPECT_EQ(FillUpLessonDescriptions(tree.root().c_str()), 1);
    const std::vector<std::string> expected = {ScriptPath(tree.root(), found[0]), ScriptPath(tree.root(), found[1])};
    EXPECT_EQ(LessonFilesUnder(tree.root()), expected);
    EXPECT_EQ(GetNextLessonFile(expected[1].c_str()), nullptr) << "the newest lesson is the last one";
    EXPECT_EQ(GetNextLessonFile("C:\\Nowhere\\X\\X"), nullptr);
    EXPECT_EQ(GetNextLessonFile(nullptr), nullptr);

    for (const std::string& name : found) {
        SCOPED_TRACE(name);
        EXPECT_STREQ(GetLessonFileName(name.c_str()), ScriptPath(tree.root(), name).c_str());
        EXPECT_STREQ(GetLessonWorkingDirectory(name.c_str()), (tree.root() + "\\" + name).c_str());
        EXPECT_STREQ(GetDisplayNameByWorkingName(Upper(ScriptPath(tree.root(), name)).c_str()), name.c_str());
    }
    EXPECT_EQ(GetLessonFileName("OrderGamma"), nullptr);

    // The list box shows the same names in the same order.
    HWND list = CreateWindowExA(0, "LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    EXPECT_EQ(ReFreshLessonsList(list), 1);
    std::vector<std::string> shown;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH] = {};
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < MAX_PATH)
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        if (std::string(text).compare(0, 5, "Order") == 0) shown.push_back(text);
    }
    EXPECT_EQ(shown, found);
    EXPECT_EQ(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("stale")),
              LB_ERR);
    DestroyWindow(list);
    EXPECT_EQ(ReFreshLessonsList(nullptr), 0);
}

TEST(VK40Lessons, RenamedLessonIsFoundByItsNewNameAndRefillRestoresTheFolderName) {
    CTempTree tree("rename");
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.Folder("RenameReflex"));
    ASSERT_EQ(FillUpLessonDescriptions(tree.root().c_str()), 1);
    const std::string script = ScriptPath(tree.root(), "RenameReflex");

    EXPECT_EQ(SetDisplayNameByDisplayName("renamereflex", "Reflexe & Reaktion"), 1);
    EXPECT_STREQ(GetLessonFileName("Reflexe & Reaktion"), script.c_str());
    EXPECT_EQ(GetLessonFileName("REFLEXE & REAKTION"), nullptr) << "the script is found by the exact name";
    EXPECT_STREQ(GetLessonWorkingDirectory("REFLEXE & REAKTION"), (tree.root() + "\\RenameReflex").c_str());
    EXPECT_EQ(GetLessonFileName("RenameReflex"), nullptr);
    EXPECT_STREQ(GetDisplayNameByWorkingName(script.c_str()), "Reflexe & Reaktion");
    EXPECT_EQ(SetDisplayNameByDisplayName("No such lesson", "X"), 0);
    EXPECT_EQ(SetDisplayNameByDisplayName(nullptr, "X"), 0);
    EXPECT_EQ(SetDisplayNameByDisplayName("Reflexe & Reaktion", nullptr), 0);

    const std::string longName(400, 'n');
    EXPECT_EQ(SetDisplayNameByDisplayName("Reflexe & Reaktion", longName.c_str()), 1);
    EXPECT_EQ(std::string(GetDisplayNameByWorkingName(script.c_str())), std::string(259, 'n'));

    // The same folder again updates the entry instead of adding one.
    ASSERT_EQ(FillUpLessonDescriptions(tree.root().c_str()), 1);
    EXPECT_EQ(LessonFilesUnder(tree.root()), std::vector<std::string>{script});
    EXPECT_STREQ(GetDisplayNameByWorkingName(script.c_str()), "RenameReflex");
}

TEST(VK40Lessons, FoldersThatCannotBeSearchedAddNothing) {
    CTempTree tree("plain");
    ASSERT_TRUE(tree.ok());
    ASSERT_TRUE(tree.File("OnlyAFile.txt"));
    const std::vector<std::string> before = AllLessonFiles();

    const std::string tooLong = tree.root() + "\\" + std::string(300, 'x');
    const std::string file = tree.root() + "\\OnlyAFile.txt";
    const std::string missing = tree.root() + "\\Missing";
    struct stCase {
        const char* what;
        const char* folder;
        int32_t result;
    } cases[] = {
        {"null", nullptr, 0},
        {"missing folder", missing.c_str(), 0},
        {"a file, not a folder", file.c_str(), 0},
        {"longer than a path", tooLong.c_str(), 0},
        {"only files inside", tree.root().c_str(), 1},
    };
    for (const stCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FillUpLessonDescriptions(c.folder), c.result);
        EXPECT_EQ(AllLessonFiles(), before);
    }
    EXPECT_EQ(GetLessonFileName(nullptr), nullptr);
    EXPECT_EQ(GetLessonWorkingDirectory(nullptr), nullptr);
    EXPECT_EQ(GetDisplayNameByWorkingName(nullptr), nullptr);
}

TEST(VK40Lessons, OddAndLongNamesAreListedWholeOrNotAtAll) {
    CTempTree tree("odd");
    ASSERT_TRUE(tree.ok());
    const std::vector<std::string> odd = {"100% & more", "Lesson %s %n", "Dots.in.name", "Sign #1 (copy)"};
    for (const std::string& name : odd) ASSERT_TRUE(tree.Folder(name)) << name;
    // Script paths of exactly 258 or 259 characters fit; two characters more do not.
    const size_t fits = (259 - tree.root().size() - 2) / 2;
    const std::string longFits(fits, 'L');
    const std::string longTooMuch(fits + 1, 'M');
    ASSERT_TRUE(tree.Folder(longFits));
    ASSERT_TRUE(tree.Folder(longTooMuch));
    // A name the narrow character set cannot hold comes back with substitutes, and stays harmless.
    const std::wstring wide = std::wstring(tree.root().begin(), tree.root().end()).append(L"\\\u4e2d\u6587");
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr));

    ASSERT_EQ(FillUpLessonDescriptions(tree.root().c_str()), 1);
    for (const std::string& name : odd) {
        SCOPED_TRACE(name);
        EXPECT_STREQ(GetLessonFileName(name.c_str()), ScriptPath(tree.root(), name).c_str());
        EXPECT_STREQ(GetDisplayNameByWorkingName(ScriptPath(tree.root(), name).c_str()), name.c_str());
    }
    EXPECT_STREQ(GetLessonFileName(longFits.c_str()), ScriptPath(tree.root(), longFits).c_str());
    EXPECT_EQ(GetLessonFileName(longTooMuch.c_str()), nullptr);

    // Every listed script path leads back to its own entry.
    for (const std::string& file : LessonFilesUnder(tree.root())) {
        SCOPED_TRACE(file);
        EXPECT_LT(file.size(), 260u);
        const char* display = GetDisplayNameByWorkingName(file.c_str());
        ASSERT_NE(display, nullptr);
        EXPECT_STREQ(GetLessonFileName(display), file.c_str());
    }
    RemoveDirectoryW(wide.c_str());
}

// Runs last: it fills the list to the end.
TEST(VK40Lessons, LessonsBeyondTheTableAreNotListed) {
    CTempTree tree("full");
    ASSERT_TRUE(tree.ok());
    for (int i = 0; i < 130; ++i) ASSERT_TRUE(tree.Folder("Full" + std::to_string(i))) << i;
    const size_t before = AllLessonFiles().size();
    ASSERT_EQ(FillUpLessonDescriptions(tree.root().c_str()), 1);

    const std::vector<std::string> found = tree.FoldersAsFound();
    const std::vector<std::string> mine = LessonFilesUnder(tree.root());
    ASSERT_EQ(mine.size(), 128u - before);
    for (size_t i = 0; i < mine.size(); ++i)
        EXPECT_EQ(mine[i], ScriptPath(tree.root(), found[i])) << "the first ones found are listed";
    EXPECT_EQ(AllLessonFiles().size(), 128u);
    EXPECT_EQ(GetLessonFileName(found.back().c_str()), nullptr);

    // Refilling a full list still updates the lessons it has.
    ASSERT_EQ(FillUpLessonDescriptions(tree.root().c_str()), 1);
    EXPECT_EQ(LessonFilesUnder(tree.root()), mine);
}

}  // namespace
