// The program as a user starts it: exit codes, the single instance, the frame after start-up.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <cstring>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "process_util.h"

namespace {

using kymora_test::Process;
using kymora_test::DialogShown;

std::string IniValue(const char* key) {
    char buf[128] = "";
    GetPrivateProfileStringA("Wavemind", key, "<none>", buf, sizeof buf, "NORVANE.INI");
    return buf;
}

// The DLLs named in a program file's import directory: the loader maps them before WinMain.
std::vector<std::string> LoadTimeImports(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> names;
    if (image.size() < sizeof(IMAGE_DOS_HEADER)) return names;
    const auto& dos = *reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto& nt = *reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos.e_lfanew);
    const IMAGE_SECTION_HEADER* sections = IMAGE_FIRST_SECTION(&nt);
    auto offset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& sec = sections[i];
            if (rva >= sec.VirtualAddress && rva < sec.VirtualAddress + sec.SizeOfRawData)
                return rva - sec.VirtualAddress + sec.PointerToRawData;
        }
        return 0;
    };
    const DWORD importRva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    auto* desc = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.data() + offset(importRva));
    for (; desc->Name; ++desc) {
        std::string name(image.data() + offset(desc->Name));
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

TEST(Program, LoadsTheDialogAndShellLibrariesOnlyWhenUsed) {
    // The common dialogs bring the shell and the print spooler with them: loading them up front,
    // by the program or by the device library it loads at start, slowed every start.
    const std::string program = kymora_test::ProgramPath();
    const std::string folder = program.substr(0, program.find_last_of("\\/") + 1);
    for (const std::string& file : {program, folder + "VK40.dll"}) {
        const std::vector<std::string> imports = LoadTimeImports(file);
        ASSERT_FALSE(imports.empty()) << file;
        EXPECT_NE(std::find(imports.begin(), imports.end(), "user32.dll"), imports.end()) << file;
        for (const char* lazy : {"comdlg32.dll", "shell32.dll", "winspool.drv"})
            EXPECT_EQ(std::find(imports.begin(), imports.end(), lazy), imports.end()) << file << ": " << lazy;
    }
}

// A visible dialog of the process other than its frame, waiting for it to appear.
HWND WaitForDialog(DWORD pid) {
    for (int tries = 0; tries < 600; ++tries) {
        if (HWND found = DialogShown(pid)) return found;
        Sleep(50);
    }
    return nullptr;
}

// Whether the process shows any message box or dialog now.
bool ShowsABox(DWORD pid) { return DialogShown(pid) != nullptr; }

TEST(Program, PrinterSetUpOpensItsDialog) {
    Process p;
    ASSERT_TRUE(p.started);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(p.AnswerNoUnit());
    PostMessageA(frame, WM_COMMAND, 263, 0);  // File, Print Setup
    HWND dialog = WaitForDialog(p.pi.dwProcessId);
    ASSERT_TRUE(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    for (int tries = 0; tries < 200 && IsWindow(dialog); ++tries) Sleep(50);
    EXPECT_FALSE(IsWindow(dialog));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
}

TEST(Program, AnyArgumentEndsAtOnceWithZero) {
    for (const char* args : {"x", "/?", "file.acq"}) {
        Process p(args);
        ASSERT_TRUE(p.started);
        EXPECT_EQ(p.Wait(30000), 0) << args;
    }
}

TEST(Program, StartsMaximisedAndClosesCleanly) {
    Process p;
    ASSERT_TRUE(p.started);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(p.AnswerNoUnit());
    char title[160] = "";
    GetWindowTextA(frame, title, sizeof title);
    EXPECT_EQ(std::string(title), std::string("Norvane Tessaly") + static_cast<char>(0xAE));
    EXPECT_TRUE(IsZoomed(frame));
    HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    ASSERT_TRUE(client);
    EXPECT_TRUE(FindWindowExA(client, nullptr, "acqchild", nullptr));
    EXPECT_TRUE(FindWindowExA(frame, nullptr, "acqToolbar", nullptr));
    HANDLE ev = OpenEventA(SYNCHRONIZE, FALSE, "TVX LESSONS");
    EXPECT_TRUE(ev);
    if (ev) CloseHandle(ev);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
    int v[5];
    ASSERT_EQ(std::sscanf(IniValue("Window").c_str(), "%d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4]), 5);
    EXPECT_EQ(v[4], 3);  // closed while maximised
}

// Whether the process has the module of that name loaded.
bool HasModule(HANDLE process, const char* name) {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!K32EnumProcessModules(process, modules, sizeof modules, &bytes)) return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        char base[MAX_PATH] = "";
        if (K32GetModuleBaseNameA(process, modules[i], base, sizeof base) && lstrcmpiA(base, name) == 0) return true;
    }
    return false;
}

TEST(Program, StartsWithoutTheJournalsTextControlUntilTheJournalIsShown) {
    // The first graph's journal is hidden and empty: its rich edit control and library wait.
    constexpr int kJournalEdit = 401, kJournalPrint = 407, kShowJournal = 2091;
    Process p;
    ASSERT_TRUE(p.started);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(p.AnswerNoUnit());
    HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    HWND graph = client ? FindWindowExA(client, nullptr, "acqchild", nullptr) : nullptr;
    ASSERT_TRUE(graph);
    EXPECT_TRUE(HasModule(p.pi.hProcess, "user32.dll")) << "the module list is readable";
    EXPECT_TRUE(GetDlgItem(graph, kJournalPrint)) << "the buttons come with the window";
    EXPECT_FALSE(GetDlgItem(graph, kJournalEdit));
    EXPECT_FALSE(HasModule(p.pi.hProcess, "riched32.dll"));
    EXPECT_FALSE(HasModule(p.pi.hProcess, "riched20.dll"));
    SendMessageA(frame, WM_COMMAND, kShowJournal, 0);
    EXPECT_TRUE(GetDlgItem(graph, kJournalEdit));
    EXPECT_TRUE(HasModule(p.pi.hProcess, "riched32.dll"));
    // Showing the journal changed the untitled graph: its save question would hold the close.
}

TEST(Program, SecondStartLeavesTheFirstUntouched) {
    Process first;
    ASSERT_TRUE(first.started);
    HWND frame = first.Frame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(first.AnswerNoUnit());
    ShowWindow(frame, SW_MINIMIZE);
    Process second;
    ASSERT_TRUE(second.started);
    EXPECT_EQ(second.Wait(30000), 0);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_TRUE(IsIconic(frame));  // not restored, not focused
    EXPECT_EQ(first.Wait(0), -1);  // still running
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(30000), 0);
}

// Without a unit the start-up lesson's unit check asks what to do, holding the whole program
// until answered. Retry asks again at the next idle turn; Cancel works on without the unit and
// never asks again.
TEST(Program, WithoutAUnitAsksOnceMoreOnRetryAndNeverAfterCancel) {
    Process p;
    ASSERT_TRUE(p.started);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    HWND box = p.Box(kymora_test::kNoUnitQuestion);
    ASSERT_TRUE(box);
    char caption[32] = "", text[512] = "";
    GetWindowTextA(box, caption, sizeof caption);
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(caption, "VK40");
    EXPECT_EQ(std::string(text),
              "The Program cannot find the VK40 hardware.\n\nTo analyze saved data (using software only), click "
              "Cancel.\n\nTo record data, check connections and power and click Retry.");
    EXPECT_TRUE(GetDlgItem(box, IDRETRY));
    EXPECT_TRUE(GetDlgItem(box, IDCANCEL));
    EXPECT_FALSE(IsWindowEnabled(frame));  // task-modal: the frame waits for the answer
    ASSERT_TRUE(p.AnswerNoUnit(IDRETRY));
    ASSERT_TRUE(p.AnswerNoUnit(IDCANCEL));
    // Each message handled lets the loop run its idle step before the next; a question asked by
    // any of them would be up by the last.
    for (int i = 0; i < 5; ++i) {
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result));
    }
    EXPECT_FALSE(ShowsABox(p.pi.dwProcessId));
    EXPECT_TRUE(IsWindowEnabled(frame));
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
}

// A copy of the program and its device library in a folder of their own, without the button
// library or with a damaged one.
class ProgramWithoutButtons : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        m_folder = std::string(temp) + "kymora_nobuttons_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        const std::string bin = kymora_test::ProgramPath().substr(0, kymora_test::ProgramPath().find_last_of('\\') + 1);
        for (const char* file : {"Kymora.exe", "VK40.dll", "StartUp"})
            ASSERT_TRUE(CopyFileA((bin + file).c_str(), (m_folder + "\\" + file).c_str(), FALSE)) << file;
    }
    void TearDown() override {
        for (const char* file : {"Kymora.exe", "VK40.dll", "Lumikey.dll", "StartUp"})
            DeleteFileA((m_folder + "\\" + file).c_str());
        RemoveDirectoryA(m_folder.c_str());
    }
    std::string m_folder;
};

TEST_P(ProgramWithoutButtons, SaysTheButtonLibraryIsMissingOrDamaged) {
    if (*GetParam()) {  // a file of that name that is no library
        HANDLE f =
            CreateFileA((m_folder + "\\Lumikey.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, GetParam(), static_cast<DWORD>(std::strlen(GetParam())), &written, nullptr);
        CloseHandle(f);
    }
    Process p("", m_folder + "\\Kymora.exe", m_folder.c_str());
    ASSERT_TRUE(p.started);
    HWND box = p.Window("#32770");
    ASSERT_TRUE(box);
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_EQ(std::string(text),
              "The button library Lumikey.dll is missing or damaged, so no graph can be shown.\n"
              "Please install Norvane Tessaly again.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    // The program goes on without a graph and closes as usual.
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    ASSERT_TRUE(p.AnswerNoUnit());
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
}

INSTANTIATE_TEST_SUITE_P(Lumikey, ProgramWithoutButtons, ::testing::Values("", "MZ not a library"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param ? "Damaged" : "Absent");
                         });

}  // namespace

namespace {

// A copy of the program, its libraries and, when given, a start-up script of the test's own, in
// a folder of their own: the program reads "StartUp" from the folder it starts in.
class ProgramWithStartUpScript : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        m_folder = std::string(temp) + "kymora_startup_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        const std::string bin = kymora_test::ProgramPath().substr(0, kymora_test::ProgramPath().find_last_of('\\') + 1);
        for (const char* file : kFiles)
            ASSERT_TRUE(CopyFileA((bin + file).c_str(), (m_folder + "\\" + file).c_str(), FALSE)) << file;
    }
    void TearDown() override {
        for (const char* file : kFiles) DeleteFileA((m_folder + "\\" + file).c_str());
        for (const char* file : {"StartUp", "ran.txt"}) DeleteFileA((m_folder + "\\" + file).c_str());
        RemoveDirectoryA(m_folder.c_str());
    }
    void WriteStartUp(const char* text) {
        FILE* f = std::fopen((m_folder + "\\StartUp").c_str(), "wb");
        ASSERT_TRUE(f);
        std::fputs(text, f);
        std::fclose(f);
    }
    static constexpr const char* kFiles[] = {"Kymora.exe", "VK40.dll", "Lumikey.dll"};
    std::string m_folder;
};

TEST_F(ProgramWithStartUpScript, RunsOnOpenFileOfTheStartUpScriptBesideIt) {
    WriteStartUp(
        "start-up of the test\r\nOnOpenFile\r\nA = 6*7\r\nA$ = \"started\" + \" here\"\r\nSAVEAVARS \"ran.txt\"\r\n"
        "SET ReadConnectionStatus Enable\r\nEND\r\n");
    Process p("", m_folder + "\\Kymora.exe", m_folder.c_str());
    ASSERT_TRUE(p.started);
    ASSERT_TRUE(p.Frame());
    // The unit question the script turned on comes at the first idle turn, after the script ran.
    ASSERT_TRUE(p.AnswerNoUnit());
    std::string saved;
    if (FILE* f = std::fopen((m_folder + "\\ran.txt").c_str(), "rb")) {
        char buf[4096];
        saved.assign(buf, std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
    }
    EXPECT_NE(saved.find("A = 42\r"), std::string::npos) << saved;
    EXPECT_NE(saved.find("A$ = \"started here\"\r"), std::string::npos) << saved;
    PostMessageA(p.Frame(), WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
}

TEST_F(ProgramWithStartUpScript, WarnsWhenThereIsNoStartUpScriptAndGoesOn) {
    Process p("", m_folder + "\\Kymora.exe", m_folder.c_str());
    ASSERT_TRUE(p.started);
    HWND box = p.Box("The StartUp script has not been found.");
    ASSERT_TRUE(box);
    char caption[64] = "";
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ(caption, "Warning");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    // Without a start-up script nothing turns the unit check on; the program goes on to its loop.
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &answer), 0);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
}

}  // namespace
