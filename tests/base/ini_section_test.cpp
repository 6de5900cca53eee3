// A section read at once answers every key as the profile call itself does.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/ini_section.h"

namespace {

std::string FixturePath() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "ini_section_" + std::to_string(GetCurrentProcessId()) + ".ini";
}

TEST(IniSection, AnswersEveryKeyAsTheProfileCallDoes) {
    const std::string path = FixturePath();
    const std::string text =
        "[Other]\r\nWindow=9 9 9 9 9\r\n"
        "[Wavemind]\r\n"
        "Window=10 20 300 200 3\r\n"
        "clipboard = Color \r\n"
        "Quoted=\"in quotes\"\r\n"
        "Single='one'\r\n"
        "HalfQuoted=\"open\r\n"
        "Empty=\r\n"
        "Long=abcdefghijklmnopqrstuvwxyz0123456789\r\n"
        "Twice=first\r\nTwice=second\r\n"
        "[Font Information]\r\nFontFace=Arial\r\n";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);

    const CIniSection ini("Wavemind", path.c_str());
    EXPECT_TRUE(ini.HasKeys());
    const struct {
        const char* key;
        const char* byDefault;
        DWORD size;
    } kCases[] = {
        {"Window", "0 0 0 0 1", 63}, {"WINDOW", "", 63},   {"Clipboard", "Mono", 63}, {"Metafile", "Color", 63},
        {"Quoted", "", 63},          {"Single", "", 63},   {"HalfQuoted", "", 63},    {"Empty", "x", 63},
        {"Long", "", 63},            {"Long", "", 8},      {"Missing", "dflt", 3},    {"Twice", "", 63},
        {"FontFace", "none", 63},
    };
    for (const auto& c : kCases) {
        char expected[64] = "", got[64] = "";
        const DWORD expectedCount = GetPrivateProfileStringA("Wavemind", c.key, c.byDefault, expected, c.size, path.c_str());
        const DWORD gotCount = ini.Get(c.key, c.byDefault, got, c.size);
        EXPECT_STREQ(got, expected) << c.key << " in " << c.size;
        EXPECT_EQ(gotCount, expectedCount) << c.key << " in " << c.size;
    }
    EXPECT_FALSE(CIniSection("Nowhere", path.c_str()).HasKeys());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    DeleteFileA(path.c_str());
}

TEST(IniSection, SplitsTheBlockAtItsTerminators) {
    const char block[] = "a=1\0b\0c==2\0\0";
    const auto entries = ParseIniSection(block, sizeof block - 2);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], std::make_pair(std::string("a"), std::string("1")));
    EXPECT_EQ(entries[1], std::make_pair(std::string("b"), std::string()));
    EXPECT_EQ(entries[2], std::make_pair(std::string("c"), std::string("=2")));
    EXPECT_TRUE(ParseIniSection("", 0).empty());
}

}  // namespace
