// The pure parts of a disk recording: the file's records of a frame and the name Save As proposes.
#include <gtest/gtest.h>

#include <cstring>

#include "common/stAcq.h"
#include "devlib/acquisition/run/disk_run.h"

namespace {

TEST(DiskRun, RecordsHoldEachRunChannelInOrderAtItsWidthFromTheRing) {
    stAcqRun run{};
    run.analogCount = 1;
    run.digitalCount = 1;
    run.calcCount = 1;
    uint16_t analog[4] = {0x1111, 0x2222, 0x3333, 0x4444};
    uint16_t digital[4] = {0, 0x4000, 0, 0x4000};
    double calc[4] = {0.5, 1.5, 2.5, 3.5};
    void* blocks[] = {analog, digital, calc};
    const uint16_t widths[] = {2, 2, 8};
    uint8_t out[3 * 12] = {};
    // Frames 3, 0 and 1 of a ring of four: the ring wraps within the batch.
    ASSERT_EQ(PackFileRecords(run, blocks, widths, 3, 4, 3, out), 36u);
    const uint32_t frames[] = {3, 0, 1};
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const uint8_t* record = out + 12 * f;
        EXPECT_EQ(record[0] | record[1] << 8, analog[frames[f]]);  // little-endian in the file
        EXPECT_EQ(record[2] | record[3] << 8, digital[frames[f]]);
        double value = 0;
        std::memcpy(&value, record + 4, 8);
        EXPECT_EQ(value, calc[frames[f]]);
    }
}

TEST(DiskRun, SaveAsProposesTheTitleWithTheFileExtension) {
    const struct {
        const char* title;
        const char* name;
    } cases[] = {
        {"Untitled", "Untitled.ACQ"},
        {"Untitled3", "Untitled3.ACQ"},
        {"heart.acq", "heart.acq"},
        {"C:\\runs.2026\\heart", "C:\\runs.2026\\heart.ACQ"},  // a dot in a folder is no extension
        {"", "Untitled.ACQ"},
    };
    for (const auto& c : cases) {
        char name[64];
        DiskRecordingName(c.title, name, sizeof name);
        EXPECT_STREQ(name, c.name) << c.title;
    }
    char small[8];
    DiskRecordingName("Untitled", small, sizeof small);
    EXPECT_STREQ(small, "Untitle") << "cut to the room, with no extension that does not fit";
}

}  // namespace
