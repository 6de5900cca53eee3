// The tags that open a file's blocks, read from a file of the test's own.
#include <gtest/gtest.h>
#include "graph/window/file_tags.h"
#include <cstring>

namespace {

TEST(FileTags, FileTagsMatchOrLeaveThePositionAlone) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    ASSERT_TRUE(GetTempFileNameA(dir, "gws", 0, path));
    HANDLE f =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f, "ABCDWXYZ", 8, &written, nullptr));
    auto tag = [](const char* s) {
        uint32_t t;
        std::memcpy(&t, s, 4);
        return t;
    };
    auto position = [f] { return SetFilePointer(f, 0, nullptr, FILE_CURRENT); };
    SetFilePointer(f, 0, nullptr, FILE_BEGIN);
    EXPECT_EQ(MatchFileTag(f, tag("WXYZ")), 0);
    EXPECT_EQ(position(), 0u);
    EXPECT_EQ(MatchFileTag(f, tag("ABCD")), 1);
    EXPECT_EQ(position(), 4u);
    EXPECT_EQ(MatchFileTag(f, tag("ABCD")), 0);
    EXPECT_EQ(position(), 4u);
    EXPECT_EQ(MatchFileTag(f, tag("WXYZ")), 1);
    EXPECT_EQ(position(), 8u);
    // At the end there is nothing to match.
    EXPECT_EQ(MatchFileTag(f, tag("WXYZ")), 0);
    EXPECT_EQ(position(), 8u);
    CloseHandle(f);
    DeleteFileA(path);
}

}  // namespace
