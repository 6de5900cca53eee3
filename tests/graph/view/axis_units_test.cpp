// Unit choice, axis number format, clock-time text and colour numbers.
#include "graph/view/axis_units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "devlib/vk40.h"
#include "common/tagGS.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A zeroed graph record on the heap (it is large).
std::unique_ptr<tagGS> ZeroedGraph() {
    auto gs = std::make_unique<tagGS>();
    memset(gs.get(), 0, sizeof(tagGS));
    return gs;
}

struct UnitRow {
    double value;
    const char* longName;
    const char* shortName;
    double size;
};

void ExpectUnit(const tagGS* gs, uint32_t kind, const UnitRow& row) {
    for (uint32_t shortFlag : {0u, 1u}) {
        char name[kUnitNameLen];
        double size = -1.0;
        ASSERT_EQ(ChooseTimeUnits(gs, row.value, name, kind, &size, shortFlag), 1) << row.value;
        EXPECT_STREQ(name, shortFlag ? row.shortName : row.longName) << "value " << row.value << " short " << shortFlag;
        EXPECT_EQ(size, row.size) << "value " << row.value;
    }
}

TEST(AxisUnitsChoice, TimeSpansPickTheFirstRowThatHolds) {
    const UnitRow rows[] = {
        {0.0, "nanoseconds", "ns", 1e-6},
        {-250.0, "nanoseconds", "ns", 1e-6},
        {-kInf, "nanoseconds", "ns", 1e-6},
        {0.0001, "nanoseconds", "ns", 1e-6},
        {0.00010001, "microseconds", "micro-s", 0.001},
        {0.1, "microseconds", "micro-s", 0.001},
        {0.1000001, "milliseconds", "ms", 1.0},
        {100.0, "milliseconds", "ms", 1.0},
        {100.0001, "seconds", "sec", 1000.0},
        {100000.0, "seconds", "sec", 1000.0},
        {100000.5, "minutes", "min", 60000.0},
        {6e6, "minutes", "min", 60000.0},
        {6000000.5, "hours", "hrs", 3.6e6},
        {1e300, "hours", "hrs", 3.6e6},
        {kInf, "hours", "hrs", 3.6e6},
        // A span that is not a number stays in the unit it is kept in.
        {kNaN, "milliseconds", "ms", 1.0},
    };
    auto gs = ZeroedGraph();
    for (const UnitRow& row : rows) ExpectUnit(gs.get(), kHUnitTime, row);
}

TEST(AxisUnitsChoice, FrequenciesPickTheirRowAndIgnoreTheShortFlag) {
    const UnitRow rows[] = {
        {1000.0, "MHz", "MHz", 1000.0}, {2.5e6, "MHz", "MHz", 1000.0},        {999.99, "KHz", "KHz", 1.0},
        {1.0, "KHz", "KHz", 1.0},       {0.9999, "Hz", "Hz", 0.001},          {0.0001, "Hz", "Hz", 0.001},
        {0.0, "Hz", "Hz", 0.001},       {0.00009999, "mHz", "mHz", 1e-6},     {0.00005, "mHz", "mHz", 1e-6},
        {1e-6, "mHz", "mHz", 1e-6},     {5e-7, "micro-Hz", "micro-Hz", 1e-9}, {-1.0, "micro-Hz", "micro-Hz", 1e-9},
        {kNaN, "KHz", "KHz", 1.0},
    };
    auto gs = ZeroedGraph();
    for (const UnitRow& row : rows) ExpectUnit(gs.get(), kHUnitFrequency, row);
}

TEST(AxisUnitsChoice, ClockAndUserUnitsDoNotDependOnTheValue) {
    auto gs = ZeroedGraph();
    strcpy(gs->hUnitName, "beats");
    strcpy(gs->hUnitAbbrev, "bt");
    for (double v : {0.0, 0.05, 5e7, -3.0}) {
        ExpectUnit(gs.get(), kHUnitClock, {v, "Time", "", 1000.0});
        ExpectUnit(gs.get(), kHUnitUser, {v, "beats", "bt", 1.0});
    }
    // A stored name that fills all 40 characters has no NUL: the copy stops at 39.
    memset(gs->hUnitName, 'x', sizeof gs->hUnitName);
    char name[kUnitNameLen];
    double size = 0.0;
    ASSERT_EQ(ChooseTimeUnits(gs.get(), 1.0, name, kHUnitUser, &size, 0), 1);
    EXPECT_EQ(std::string(name), std::string(39, 'x'));
}

TEST(AxisUnitsChoice, UnknownKindsWriteNothing) {
    auto gs = ZeroedGraph();
    for (uint32_t kind : {4u, 99u, 0xFFFFFFFFu}) {
        char name[kUnitNameLen] = "untouched";
        double size = 7.0;
        EXPECT_EQ(ChooseTimeUnits(gs.get(), 1.0, name, kind, &size, 0), 0);
        EXPECT_EQ(GetTimeUnitByIndex(gs.get(), 1.0, name, kind, &size, 0), 0);
        EXPECT_STREQ(name, "untouched");
        EXPECT_EQ(size, 7.0);
    }
    char name[kUnitNameLen] = "untouched";
    double size = 7.0;
    EXPECT_EQ(ChooseTimeUnits(nullptr, 1.0, name, kHUnitUser, &size, 0), 0);
    EXPECT_STREQ(name, "untouched");
}

TEST(AxisUnitsChoice, NamesComeThroughTheDeviceLibrarysTexts) {
    auto gs = ZeroedGraph();
    ASSERT_EQ(setHLabelText("minutes", "Minuten"), 1);
    char name[kUnitNameLen];
    double size = 0.0;
    ChooseTimeUnits(gs.get(), 200000.0, name, kHUnitTime, &size, 0);
    setHLabelText("minutes", "minutes");
    EXPECT_STREQ(name, "Minuten");

    // The fixed time unit is looked up among the messages, not the axis labels.
    ASSERT_EQ(setMsgBoxText("seconds", "Sekunden"), 1);
    GetTimeUnitByIndex(gs.get(), 0.0, name, kHUnitTime, &size, 0);
    setMsgBoxText("seconds", "seconds");
    EXPECT_STREQ(name, "Sekunden");
    EXPECT_EQ(size, 1000.0);
}

TEST(AxisUnitsChoice, FixedUnitOfEachKind) {
    struct Row {
        uint32_t kind;
        uint32_t shortFlag;
        const char* name;
        double size;
    } const rows[] = {
        {kHUnitTime, 0, "seconds", 1000.0}, {kHUnitTime, 1, "sec", 1000.0},   {kHUnitFrequency, 0, "Hz", 0.001},
        {kHUnitFrequency, 1, "Hz", 0.001},  {kHUnitClock, 0, "Time", 1000.0}, {kHUnitClock, 1, "", 1000.0},
        {kHUnitUser, 0, "volts", 1.0},      {kHUnitUser, 1, "V", 1.0},
    };
    auto gs = ZeroedGraph();
    strcpy(gs->hUnitName, "volts");
    strcpy(gs->hUnitAbbrev, "V");
    for (const Row& r : rows) {
        // The value is not read: a span that would pick hours still gives the fixed unit.
        char name[kUnitNameLen];
        double size = -1.0;
        ASSERT_EQ(GetTimeUnitByIndex(gs.get(), 1e9, name, r.kind, &size, r.shortFlag), 1);
        EXPECT_STREQ(name, r.name) << "kind " << r.kind << " short " << r.shortFlag;
        EXPECT_EQ(size, r.size);
    }
}

TEST(AxisUnitsFormat, AxisNumbersInFixedExponentAndZeroForms) {
    struct Row {
        double value;
        int16_t decimals;
        const char* text;
    } const rows[] = {
        // Fixed point inside [0.001, 999999] either side of 0, and 0 itself.
        {0.0, 2, "0.00"},
        {0.0, 0, "0"},
        {-0.0, 1, "0.0"},
        {1.234, 2, "1.23"},
        {1.005, 2, "1.01"},  // the bias lifts a value stored just below the step
        {2.5, 0, "3"},
        {-1.5, 1, "-1.5"},
        {0.001, 3, "0.001"},
        {123456.789, 1, "123456.8"},
        {999999.0, 2, "999999.00"},
        {-999999.0, 1, "-999999.0"},
        // Exponent form, cut to 9 characters.
        {1000000.0, 2, "1.0E+06"},
        {-1000000.0, 1, "-1.0E+06"},
        {0.0009, 3, "9.0E-04"},
        {-0.0009, 2, "-9.0E-04"},
        {1e-10, 2, "1.0E-10"},
        {-1e300, 2, "-1.0E+300"},
        {1.5e300, 1, "1.5E+300"},
        {2.5e-10, 3, "2.5E-10"},
        // Closer to 0 than 1e-10: the first d + 1 characters of the zeros.
        {1e-12, 3, "0.00"},
        {9e-11, 2, "0.0"},
        {-5e-11, 0, "0"},
        {1e-12, 12, "0.000000000"},
        // Decimals outside what a double carries are brought into range.
        {12.7, -3, "13"},
        {1.0, 40, "1.000000000000000"},
        {-999999.0, 15, "-999999.000000000000000"},
        // Values that are not numbers.
        {kNaN, 2, "NAN"},
        {kInf, 2, "INF"},
        {-kInf, 2, "-INF"},
    };
    for (const Row& r : rows) {
        char text[kAxisNumberLen];
        memset(text, '#', sizeof text);
        FormatAxisNumber(text, r.value, r.decimals);
        EXPECT_STREQ(text, r.text) << "value " << r.value << " decimals " << r.decimals;
    }
}

TEST(AxisUnitsFormat, ClockTimeReplacesTheBuffer) {
    struct Row {
        int32_t seconds;
        const char* text;
    } const rows[] = {
        {0, "00:00:00  "},
        {59, "00:00:59  "},
        {60, "00:01:00  "},
        {3599, "00:59:59  "},
        {3600, "01:00:00  "},
        {3725, "01:02:05  "},
        {90061, "25:01:01  "},  // hours go on past 24
        {-3725, "-01:02:05  "},
        {2147483647, "596523:14:07  "},
        {-2147483647 - 1, "-596523:14:08  "},
    };
    for (const Row& r : rows) {
        char text[kTimeHMSLen];
        strcpy(text, "left over text");
        FormatTimeHMS(r.seconds, text);
        EXPECT_STREQ(text, r.text) << r.seconds;
    }
}

TEST(AxisUnitsFormat, ColourNumbers) {
    struct Row {
        uint32_t number;
        COLORREF color;
    } const rows[] = {
        {0, 0x000000}, {1, 0x000000}, {2, 0x0000FF}, {3, 0x008000}, {4, 0xFF0000},
        {5, 0xFFFF00}, {6, 0xFF00FF}, {7, 0x800080}, {8, 0x000000}, {0xFFFFFFFF, 0x000000},
    };
    for (const Row& r : rows) EXPECT_EQ(WaveColorFromIndex(r.number), r.color) << r.number;
}

}  // namespace
