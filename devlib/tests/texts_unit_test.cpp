// The unit's name written into the stored messages, built from the library's objects to reach
// the driver probe that decides the model.
#include <gtest/gtest.h>

#include <string>

#include "devlib/acquisition/model/device.h"
#include "devlib/vk40.h"

namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(VK40TextsUnitName, TextsNameTheConnectedUnitAndKeepIt) {
    const char* const key = "KEY Check connections and power";
    ProbeUnitDriver("\\\\.\\VKUSB");
    const std::string before = getMsgBoxText(key);
    EXPECT_EQ(Count(before, "VK40"), 2);

    ProbeUnitDriver("\\\\.\\vkusb45");
    const struct {
        const char* key;
        const char* expected;
    } cases[] = {
        {"VK40", "VK45"},
        {"VK40 Internal Buffer size: ", "VK45 Internal Buffer size: "},
        {"VK%d Information not available", "VK%d Information not available"},
        {"Show output channel settings", "Show output channel settings"},
    };
    for (const auto& c : cases) EXPECT_STREQ(getMsgBoxText(c.key), c.expected) << c.key;
    std::string after = getMsgBoxText(key);
    EXPECT_EQ(Count(after, "VK40"), 0);
    EXPECT_EQ(Count(after, "VK45"), 2);
    std::string expected = before;
    for (size_t at = expected.find("VK40"); at != std::string::npos; at = expected.find("VK40")) expected[at + 3] = '5';
    EXPECT_EQ(after, expected);

    // The edit is made on the stored text: it stays when a model 40 unit is probed later.
    ProbeUnitDriver("\\\\.\\VKUSB");
    EXPECT_EQ(std::string(getMsgBoxText(key)), after);
    EXPECT_EQ(setMsgBoxText("VK40 Error", "Fehler VK40"), 1);
    EXPECT_STREQ(getMsgBoxText("VK40 Error"), "Fehler VK40");
}

}  // namespace
