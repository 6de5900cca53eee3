// The library started in the test process over a frame of the test's own, with the recording
// host callbacks, and shut down again after the test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

#include "common/binding.h"
#include "devlib/binding/binding.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

namespace vk40test {

class LibraryOnFrame : public ::testing::Test {
protected:
    void SetUp() override {
        frame = CreateFrameWithMenu();
        ASSERT_NE(frame, nullptr);
        host = MakeRecordingHost(nullptr);
        ASSERT_EQ(vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1), 1);
    }
    void TearDown() override {
        ShutdownDriver();
        DestroyWindow(frame);
    }

    HWND frame = nullptr;
    stHostCallbacks host{};
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
};

}  // namespace vk40test
