// Long graph files opened for review stay on disk: the reader leaves their samples in the file
// and the sample store pages them in; writing such a document copies its samples from its file.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "graph/document/sample_store.h"
#include "documents/stored_blocks.h"
#include "base/byte_stream.h"
#include "base/app.h"
#include "base/device.h"
#include "documents/measurements/measurements.h"

namespace {

constexpr int kLong = 50000;

AcqRecipe LongRecipe() {
    AcqRecipe recipe;
    AcqChannel a, b, c;
    a.slot = 1;
    a.scale = 0.5;
    b.slot = 2;
    b.type = 1;
    b.size = 8;
    c.slot = 7;
    for (int i = 0; i < kLong; ++i) {
        a.raw.push_back(static_cast<int16_t>(i % 30000));
        b.values.push_back(i * 0.25);
    }
    for (int i = 0; i < kLong / 2; ++i) c.raw.push_back(static_cast<int16_t>(-i));
    recipe.channels = {a, b, c};
    recipe.markers = {{100, "start"}, {40000, "late"}};
    return recipe;
}

// Reads the file as File Open does: the document names its file.
int ReadFromDisk(TestDoc& d, const std::string& path, stGraphReadReport* report) {
    lstrcpynA(d.gs->filePath, path.c_str(), sizeof d.gs->filePath);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    int read = ReadGraphFileReport(d.gs, &file, report);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);  // the reader closed it
    return read;
}

size_t BlockBytes(const void* p) { return p ? GlobalSize(GlobalHandle(p)) : 0; }

TEST(GraphFilePaging, ALongFileStaysOnDiskAndIsPagedIn) {
    TempFolder folder("kymora-paging");
    const std::string path = folder.File("long.acq");
    const Bytes file = BuildAcq(LongRecipe());
    ASSERT_TRUE(WriteWholeFile(path, file));
    TestDoc d;
    stGraphReadReport report{};
    ASSERT_EQ(ReadFromDisk(d, path, &report), 1);
    EXPECT_EQ(report.paged, 1);
    EXPECT_EQ(d.gs->storageKind, kStoreDiskPaged);
    EXPECT_EQ(d.gs->totalSamples, kLong);
    for (int s : {1, 2, 7}) EXPECT_EQ(d.gs->chanBlock[s], nullptr) << s;
    EXPECT_EQ(StoredMarkerCount(d.gs), 2u);
    double v = 0;
    ASSERT_EQ(GetChannelSample(d.gs, 40001, 1, &v), 1);
    EXPECT_EQ(v, (40001 % 30000) * 0.5);
    ASSERT_EQ(GetChannelSample(d.gs, 40001, 2, &v), 1);
    EXPECT_EQ(v, 40001 * 0.25);
    EXPECT_EQ(GetChannelSample(d.gs, 40001, 7, &v), 0);  // that channel ended at 25,000
    ASSERT_EQ(GetChannelSample(d.gs, 24999, 7, &v), 1);
    EXPECT_EQ(v, -24999 * (10.0 / 32768.0));
    // Only the window is in memory.
    EXPECT_LE(BlockBytes(d.gs->chanBlock[2]), static_cast<size_t>(kPagingWindow) * 8);
    EXPECT_EQ(d.gs->storageKind, kStoreDiskPaged);
}

TEST(GraphFilePaging, APagedDocumentIsWrittenFromItsFile) {
    TempFolder folder("kymora-pagedwrite");
    const std::string path = folder.File("long.acq");
    const Bytes file = BuildAcq(LongRecipe());
    ASSERT_TRUE(WriteWholeFile(path, file));
    TestDoc d;
    ASSERT_EQ(ReadFromDisk(d, path, nullptr), 1);
    double v;
    ASSERT_EQ(GetChannelSample(d.gs, 20000, 1, &v), 1);  // a window in the middle changes nothing
    CByteWriter out;
    ASSERT_EQ(WriteGraphStream(d.gs, out, kWriteWhole, 0), 1);
    const Bytes& again = out.Bytes();
    ASSERT_GT(again.size(), file.size());
    EXPECT_EQ(std::memcmp(again.data(), file.data(), file.size()), 0);
    EXPECT_EQ(d.gs->storageKind, kStoreDiskPaged);

    // Its selection too: samples 30,000 to 30,009 of every channel that reaches them.
    d.gs->selStart = 30000 * 0.5;
    d.gs->selEnd = 30010 * 0.5;
    CByteWriter part;
    ASSERT_EQ(WriteGraphStream(d.gs, part, kWriteSelection, 0), 1);
    TestDoc e;
    ASSERT_EQ(ReadGraphBuffer(e.gs, part.Bytes().data(), part.Bytes().size(), nullptr), 1);
    EXPECT_EQ(e.gs->chanCount[1], 10u);
    EXPECT_EQ(e.gs->chanCount[7], 0u);
    EXPECT_EQ(static_cast<const int16_t*>(e.gs->chanBlock[1])[3], 3);
    EXPECT_EQ(static_cast<const double*>(e.gs->chanBlock[2])[9], 30009 * 0.25);
}

TEST(GraphFilePaging, ASwappedLongFileIsPagedAndWrittenLittleEndian) {
    TempFolder folder("kymora-swappaged");
    const std::string path = folder.File("mac.acq");
    AcqRecipe recipe = LongRecipe();
    recipe.version = 35;
    ASSERT_TRUE(WriteWholeFile(path, BuildSwappedAcq(recipe)));
    TestDoc d;
    stGraphReadReport report{};
    ASSERT_EQ(ReadFromDisk(d, path, &report), 1);
    EXPECT_EQ(report.swapped, 1);
    EXPECT_EQ(report.paged, 1);
    double v;
    ASSERT_EQ(GetChannelSample(d.gs, 33333, 2, &v), 1);
    EXPECT_EQ(v, 33333 * 0.25);
    CByteWriter out;
    ASSERT_EQ(WriteGraphStream(d.gs, out, kWriteWhole, 0), 1);
    EXPECT_EQ(d.gs->byteSwapped, 1u);  // it still pages from its swapped file
    TestDoc e;
    ASSERT_EQ(ReadGraphBuffer(e.gs, out.Bytes().data(), out.Bytes().size(), nullptr), 1);
    EXPECT_EQ(e.gs->byteSwapped, 0u);
    EXPECT_EQ(static_cast<const double*>(e.gs->chanBlock[2])[33333], 33333 * 0.25);
    EXPECT_EQ(static_cast<const int16_t*>(e.gs->chanBlock[7])[24999], -24999);
}

TEST(GraphFilePaging, AFileThatFitsTheWindowIsReadWhole) {
    TempFolder folder("kymora-short");
    const std::string path = folder.File("short.acq");
    AcqRecipe recipe;
    AcqChannel a;
    a.slot = 0;
    for (int i = 0; i < static_cast<int>(kPagingWindow); ++i) a.raw.push_back(static_cast<int16_t>(i));
    recipe.channels = {a};
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(recipe)));
    TestDoc d;
    stGraphReadReport report{};
    ASSERT_EQ(ReadFromDisk(d, path, &report), 1);
    EXPECT_EQ(report.paged, 0);
    EXPECT_EQ(d.gs->storageKind, kStoreMemory);
    EXPECT_EQ(static_cast<const int16_t*>(d.gs->chanBlock[0])[8191], 8191);
}

}  // namespace

// Measurements read a paged document through the program's sample accessor, window by window.
TEST(GraphFilePaging, MeasurementsReadAPagedDocumentWholly) {
    TempFolder folder("kymora-pagedmeasure");
    const std::string path = folder.File("long.acq");
    ASSERT_TRUE(WriteWholeFile(path, BuildAcq(LongRecipe())));
    stApp* saved = g_app;
    auto* app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
    g_app = app;
    const hostcb::GetChannelSample savedSampler = DeviceBindingForTests().hostCallbacks.getChannelSample;
    DeviceBindingForTests().hostCallbacks.getChannelSample = [](tagGS* gs, int32_t i, int32_t slot,
                                                                double* out) -> int32_t {
        return GetChannelSample(gs, i, slot, out);
    };
    {
        TestDoc d;
        ASSERT_EQ(ReadFromDisk(d, path, nullptr), 1);
        ASSERT_EQ(d.gs->storageKind, kStoreDiskPaged);
        const double dt = d.gs->sampleInterval, at = d.gs->hOffset;
        struct Case {
            int slot;
            int32_t first, last;
            Measure which;
            double expected;
        };
        const Case cases[] = {
            {1, 0, kLong - 1, Measure::Max, 29999 * 0.5},
            {1, 0, kLong - 1, Measure::MaxTime, 29999 * dt + at},  // the only sample at the top
            {1, 0, kLong - 1, Measure::Min, 0.0},
            {1, 0, kLong - 1, Measure::MinTime, 30000 * dt + at},  // the later of the two zeros
            {2, 10000, 20000, Measure::Mean, 15000 * 0.25},
            {2, 40000, kLong - 1, Measure::DeltaSamples, 10000.0},
            {2, 100, 49000, Measure::Median, (100 + 48900 / 2) * 0.25},
        };
        for (const Case& c : cases) {
            d.gs->selStart = c.first * dt;
            d.gs->selEnd = c.last * dt;
            double v = -1;
            ASSERT_EQ(MeasureSelection(d.gs, c.slot, c.which, &v), 1);
            EXPECT_DOUBLE_EQ(v, c.expected) << "slot " << c.slot << " measure " << static_cast<int>(c.which);
        }
    }
    DeviceBindingForTests().hostCallbacks.getChannelSample = savedSampler;
    g_app = saved;
    HeapFree(GetProcessHeap(), 0, app);
}
