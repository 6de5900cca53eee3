// The measurement and marker names of expressions, over a measurement module of the test's own:
// these definitions take the place of the program's.
#include <gtest/gtest.h>
#include <cfloat>
#include <string>
#include <vector>
#include "transforms/expression/expression.h"
#include "documents/measurements/measurements.h"
#include "tests/transforms/expression_doc.h"

namespace {
tagGS* g_askedDoc = nullptr;
int g_askedChan = -1;
bool g_noValue = false;
// Each measurement answers 100 + its number, except those the cases below need in a unit.
double FakeMeasure(Measure which) {
    switch (which) {
    case Measure::Frequency: return 0.002;
    case Measure::HAbs: return 250.0;
    case Measure::DeltaH: return 40.0;
    default: return 100 + static_cast<int>(which);
    }
}
const uint32_t kMarkers[] = {10, 40, 90};
}  // namespace

int MeasureSelection(tagGS* gs, int chan, Measure which, double* out) {
    g_askedDoc = gs;
    g_askedChan = chan;
    if (which == Measure::Correlate) return 0;  // cannot be made here
    *out = g_noValue ? DBL_MAX : FakeMeasure(which);
    return 1;
}

// As the marker list counts: from 1, and 0 for the last marker.
int MarkerSampleByNumber(tagGS*, int32_t n, uint32_t* pos) {
    if (n == 0) n = 3;
    if (n < 1 || n > 3) return 0;
    *pos = kMarkers[n - 1];
    return 1;
}

namespace {

constexpr int kOk = -1;

struct Case {
    std::string text;
    double value;
    int position;
};

void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        int16_t position = 1234;
        double value = EvaluateExpression(c.text.c_str(), &position);
        EXPECT_EQ(position, c.position) << "\"" << c.text << "\"";
        if (c.position == kOk) {
            EXPECT_DOUBLE_EQ(value, c.value) << "\"" << c.text << "\"";
        }
    }
}

double M(Measure which) { return 100 + static_cast<int>(which); }

class ExpressionNames : public ::testing::Test {
protected:
    void SetUp() override {
        doc_.gs->selectedChan = 7;
        doc_.gs->sampleInterval = 5.0;
        doc_.gs->hUnitKind = kHUnitTime;
        g_noValue = false;
        SetExpressionContext(doc_.gs, 3);
    }
    ExpressionDoc doc_;
};

// Every measurement name reads its own measurement of the selected channel; a longer name is
// tried before the shorter one it begins with.
TEST_F(ExpressionNames, MeasurementNames) {
    ExpectCases({
        {"VALUE", M(Measure::Value), kOk},
        {"DELTA", M(Measure::Delta), kOk},
        {"PtoP", M(Measure::PeakToPeak), kOk},
        {"MIN", M(Measure::Min), kOk},
        {"MAX", M(Measure::Max), kOk},
        {"MEAN", M(Measure::Mean), kOk},
        {"STDDEV", M(Measure::StdDev), kOk},
        {"INTEGRAL", M(Measure::Integral), kOk},
        {"SUM", M(Measure::Sum), kOk},
        {"AREA", M(Measure::Area), kOk},
        {"SLOPE", M(Measure::Slope), kOk},
        {"LIN_REG", M(Measure::LinReg), kOk},
        {"SAMPLES", M(Measure::SampleNumber), kOk},
        {"DELTAS", M(Measure::DeltaSamples), kOk},
        {"MAXT", M(Measure::MaxTime), kOk},
        {"MINT", M(Measure::MinTime), kOk},
        {"MEDIAN", M(Measure::Median), kOk},
        {"MEDIANT", M(Measure::MedianTime), kOk},
        {"FREQUENCY", 0.002, kOk},
        {"FREQ", 3 * 5.0 / 1000, kOk},  // FREQ is the current sample's time
        {"BPM", 0.002 * 60000, kOk},
        {"HABS", 250.0 / 1000, kOk},
        {"DELTAH", 40.0 / 1000, kOk},
        {"MAX-MIN", M(Measure::Max) - M(Measure::Min), kOk},
        {"CORRELATE", 0, 0},
        {"PTOP", 0, 0},
        {"MAXIMUM", 0, 3},  // MAX, then a name that does not exist
    });
    EXPECT_EQ(g_askedDoc, doc_.gs);
    EXPECT_EQ(g_askedChan, 7) << "measurements are of the selected channel";
}

TEST_F(ExpressionNames, HorizontalMeasurementsInTheAxisUnit) {
    struct Unit {
        uint32_t kind;
        double factor;
    };
    for (Unit u :
         {Unit{kHUnitTime, 0.001}, Unit{kHUnitFrequency, 1000.0}, Unit{kHUnitClock, 0.001}, Unit{kHUnitUser, 1.0}}) {
        doc_.gs->hUnitKind = u.kind;
        SCOPED_TRACE(u.kind);
        ExpectCases({{"HABS", 250 * u.factor, kOk}, {"DELTAH", 40 * u.factor, kOk}, {"SLOPE", M(Measure::Slope), kOk}});
    }
}

// A measurement without a value is DBL_MAX and is carried as a number; a result that overflowed
// is 0.
TEST_F(ExpressionNames, NoValueIsCarriedUntilItOverflows) {
    g_noValue = true;
    ExpectCases({{"MIN", DBL_MAX, kOk}, {"MIN-MAX", 0, kOk}, {"MIN*2", 0, kOk}, {"BPM", 0, kOk}});
}

// MARKER(n): the n-th marker's time in seconds, for n from 1 to the count; 0 otherwise.
TEST_F(ExpressionNames, MarkerTimes) {
    ExpectCases({
        {"MARKER(1)", 10 * 5.0 / 1000, kOk},
        {"MARKER(3)", 90 * 5.0 / 1000, kOk},
        {"MARKER(2.9)", 40 * 5.0 / 1000, kOk},
        {"MARKER(1+1)*1000", 40 * 5.0, kOk},
        {"MARKER(4)", 0, kOk},
        {"MARKER(0)", 0, kOk},  // not the last marker
        {"MARKER(0.5)", 0, kOk},
        {"MARKER(0-1)", 0, kOk},
        {"MARKER(1E10)", 0, kOk},
        {"MARKER(0-1E10)", 0, kOk},
        {"MARKER(SQRT(0-1))", 0, kOk},
        {"MARKER 1", 0, 8},
    });
}

}  // namespace
