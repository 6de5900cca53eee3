// The ".ACQ" graph file's fixed records, field by field: offsets and widths of the graph header
// and of a channel header, little-endian and without alignment. The records are coded field by
// field into byte arrays of these sizes, never copied as memory images of a structure (whose
// layout differs between builds); the asserts keep every field's end at the next one's start.
#pragma once
#include <cstdint>
#include "outputs/framework/out_block.h"  // the output panels code their own block

namespace acqfile {

// The versions from which the header's later fields are read.
constexpr uint32_t kVersionTaggedBlocks = 34;   // blocks after the markers; doc words 4-8, channel word 2
constexpr uint32_t kVersionMeasureRows = 35;    // 40 measurement rows with units, the grid setting
constexpr uint32_t kVersionMeasureCalcs = 36;   // the measurements' calculation fields
constexpr uint32_t kVersionDocSettings = 37;    // the document settings, the long channel label
constexpr uint32_t kVersionLateSettings = 42;   // settings 12 and 13
constexpr uint32_t kVersionWritten = kVersionLateSettings;
constexpr uint32_t kVersionTemplate = kVersionDocSettings;
constexpr uint32_t kMaxSwappedVersion = kVersionMeasureRows;  // the byte-swapped variant ended there
constexpr uint32_t kHeaderBytes = 2976;
constexpr uint32_t kChannelHeaderBytes = 252;
constexpr uint32_t kTypeEntryBytes = 4;  // uint16 sample size, uint16 sample type
constexpr uint32_t kMarkerHeadBytes = 8;
constexpr uint32_t kMarkerFixedBytes = 12;
constexpr uint32_t kMarkerWideFixedBytes = 20;
constexpr uint32_t kMarkerSwappedFixedBytes = 10;
constexpr uint32_t kMarkerLabelField = 128;
constexpr uint16_t kForeignTag = 100;
constexpr uint32_t kForeignHeadBytes = 4;
constexpr uint32_t kCurveSettingsBytes = 28;
constexpr uint32_t kMeasureRows = 40;
constexpr uint32_t kOldMeasureRows = 6;
constexpr uint32_t kMeasureUnitBytes = 20;

constexpr uint32_t kJournalTag = 0x11223344;
constexpr uint32_t kMarkerManagerTag = 0x08102002;
using ::kOutputPanelsTag;
constexpr uint32_t kGraphItemsTag = 0x22333322;

// Graph header.
namespace gh {
constexpr uint32_t FirstWord = 0;         // uint16
constexpr uint32_t Version = 2;           // uint32
constexpr uint32_t HeaderLength = 6;      // uint32
constexpr uint32_t ChannelsInUse = 10;    // uint16
constexpr uint32_t HUnit = 12;            // uint16
constexpr uint32_t SelectedChannel = 14;  // uint16
constexpr uint32_t SampleInterval = 16;   // double
constexpr uint32_t ViewStart = 24;        // double
constexpr uint32_t HScale = 32;           // double
constexpr uint32_t SelStart = 40;         // double
constexpr uint32_t SelEnd = 48;           // double
constexpr uint32_t WindowRect = 56;       // 4 x int16
constexpr uint32_t OldMeasureTypes = 64;  // 6 x uint16, versions below 35
constexpr uint32_t DisplayWord1 = 76;     // int16
constexpr uint32_t TimeValue1 = 78;       // double
constexpr uint32_t DisplayWord2 = 86;     // int16
constexpr uint32_t DocText1 = 88;         // char[40]
constexpr uint32_t DocText2 = 128;        // char[10]
constexpr uint32_t DocWord1 = 138;        // int16
constexpr uint32_t DocWord2 = 140;        // uint16
constexpr uint32_t OldMarkerBar = 142;    // uint16, before version 34
constexpr uint32_t DocWord3 = 144;        // int16
constexpr uint32_t DisplayMode = 146;     // uint16
constexpr uint32_t Reserved = 148;        // int16
constexpr uint32_t DocWord4 = 150;        // int16, from 34
constexpr uint32_t DocWord5 = 152;
constexpr uint32_t DocWord6 = 154;
constexpr uint32_t MarkerBar = 156;
constexpr uint32_t JournalShown = 158;
constexpr uint32_t DocWord7 = 160;
constexpr uint32_t DocWord8 = 162;
constexpr uint32_t GridSetting = 164;   // uint16, from 35
constexpr uint32_t MeasureType = 166;   // 40 x uint16, from 35
constexpr uint32_t MeasureChan = 246;   // 40 x uint16 (6 before 35)
constexpr uint32_t MeasureCalc1 = 326;  // 40 x uint16, from 36
constexpr uint32_t MeasureCalc2 = 406;
constexpr uint32_t MeasureCalc3 = 486;
constexpr uint32_t MeasureK = 566;      // 40 x double, from 36
constexpr uint32_t Setting1 = 886;      // uint32, from 37
constexpr uint32_t DocColour = 890;     // uint32
constexpr uint32_t Setting2 = 894;      // uint32
constexpr uint32_t Settings3to6 = 898;  // 4 x uint16
constexpr uint32_t Setting7 = 906;      // uint32
constexpr uint32_t Setting8 = 910;
constexpr uint32_t Setting9 = 914;
constexpr uint32_t Setting10 = 918;
constexpr uint32_t PerChanValue1 = 922;   // 60 x double
constexpr uint32_t HScaleFactor = 1402;   // double
constexpr uint32_t PerChanValue2 = 1410;  // 60 x double
constexpr uint32_t Setting11 = 1890;      // uint32
constexpr uint32_t ProgramWord = 1894;    // int16, every version
constexpr uint32_t DocWord9 = 1896;       // int16, every version; 0xFFFF keeps
constexpr uint32_t MeasureUnits = 1898;   // 40 x char[20], from 35
constexpr uint32_t DocWord10 = 2698;      // int16, every version; 0 keeps
constexpr uint32_t PerChanWord1 = 2700;   // 60 x int16, every version; 0 keeps
constexpr uint32_t CurveSettings = 2820;  // 28 bytes, every version; all zero keeps
constexpr uint32_t PerChanWord2 = 2848;   // 60 x int16, every version; 0xFFFF keeps
constexpr uint32_t Setting12 = 2968;      // uint32, from 42
constexpr uint32_t Setting13 = 2972;      // uint32, from 42
constexpr uint32_t End = 2976;

static_assert(Version == FirstWord + 2 && HeaderLength == Version + 4 && ChannelsInUse == HeaderLength + 4, "");
static_assert(HUnit == ChannelsInUse + 2 && SelectedChannel == HUnit + 2 && SampleInterval == SelectedChannel + 2, "");
static_assert(ViewStart == SampleInterval + 8 && HScale == ViewStart + 8 && SelStart == HScale + 8, "");
static_assert(SelEnd == SelStart + 8 && WindowRect == SelEnd + 8 && OldMeasureTypes == WindowRect + 4 * 2, "");
static_assert(DisplayWord1 == OldMeasureTypes + 6 * 2 && TimeValue1 == DisplayWord1 + 2, "");
static_assert(DisplayWord2 == TimeValue1 + 8 && DocText1 == DisplayWord2 + 2 && DocText2 == DocText1 + 40, "");
static_assert(DocWord1 == DocText2 + 10 && DocWord2 == DocWord1 + 2 && OldMarkerBar == DocWord2 + 2, "");
static_assert(DocWord3 == OldMarkerBar + 2 && DisplayMode == DocWord3 + 2 && Reserved == DisplayMode + 2, "");
static_assert(DocWord4 == Reserved + 2 && DocWord5 == DocWord4 + 2 && DocWord6 == DocWord5 + 2, "");
static_assert(MarkerBar == DocWord6 + 2 && JournalShown == MarkerBar + 2 && DocWord7 == JournalShown + 2, "");
static_assert(DocWord8 == DocWord7 + 2 && GridSetting == DocWord8 + 2 && MeasureType == GridSetting + 2, "");
static_assert(MeasureChan == MeasureType + kMeasureRows * 2 && MeasureCalc1 == MeasureChan + kMeasureRows * 2, "");
static_assert(MeasureCalc2 == MeasureCalc1 + kMeasureRows * 2 && MeasureCalc3 == MeasureCalc2 + kMeasureRows * 2, "");
static_assert(MeasureK == MeasureCalc3 + kMeasureRows * 2 && Setting1 == MeasureK + kMeasureRows * 8, "");
static_assert(DocColour == Setting1 + 4 && Setting2 == DocColour + 4 && Settings3to6 == Setting2 + 4, "");
static_assert(Setting7 == Settings3to6 + 4 * 2 && Setting8 == Setting7 + 4 && Setting9 == Setting8 + 4, "");
static_assert(Setting10 == Setting9 + 4 && PerChanValue1 == Setting10 + 4, "");
static_assert(HScaleFactor == PerChanValue1 + 60 * 8 && PerChanValue2 == HScaleFactor + 8, "");
static_assert(Setting11 == PerChanValue2 + 60 * 8 && ProgramWord == Setting11 + 4 && DocWord9 == ProgramWord + 2, "");
static_assert(MeasureUnits == DocWord9 + 2 && DocWord10 == MeasureUnits + kMeasureRows * kMeasureUnitBytes, "");
static_assert(PerChanWord1 == DocWord10 + 2 && CurveSettings == PerChanWord1 + 60 * 2, "");
static_assert(PerChanWord2 == CurveSettings + kCurveSettingsBytes && Setting12 == PerChanWord2 + 60 * 2, "");
static_assert(Setting13 == Setting12 + 4 && End == Setting13 + 4 && End == kHeaderBytes, "");
}  // namespace gh

// Channel header (one per channel in use).
namespace ch {
constexpr uint32_t Length = 0;       // uint32
constexpr uint32_t Slot = 4;         // int16
constexpr uint32_t Label = 6;        // char[40]
constexpr uint32_t Colour = 46;      // uint32
constexpr uint32_t Flags = 50;       // int16
constexpr uint32_t VDisplay1 = 52;   // double
constexpr uint32_t VDisplay2 = 60;   // double
constexpr uint32_t Units = 68;       // char[20]
constexpr uint32_t Count = 88;       // uint32
constexpr uint32_t Scale = 92;       // double
constexpr uint32_t Offset = 100;     // double
constexpr uint32_t Number = 108;     // int16
constexpr uint32_t Word1 = 110;      // int16
constexpr uint32_t Word2 = 112;      // uint16, from 34
constexpr uint32_t Value3 = 114;     // double, from 34
constexpr uint32_t LongLabel = 122;  // char[128], from 37
constexpr uint32_t Reserved = 250;   // 2 bytes
constexpr uint32_t End = 252;
// The smallest stored length that still names the slot.
constexpr uint32_t MinLength = Slot + 2;

static_assert(Slot == Length + 4 && Label == Slot + 2 && Colour == Label + 40 && Flags == Colour + 4, "");
static_assert(VDisplay1 == Flags + 2 && VDisplay2 == VDisplay1 + 8 && Units == VDisplay2 + 8, "");
static_assert(Count == Units + 20 && Scale == Count + 4 && Offset == Scale + 8 && Number == Offset + 8, "");
static_assert(Word1 == Number + 2 && Word2 == Word1 + 2 && Value3 == Word2 + 2 && LongLabel == Value3 + 8, "");
static_assert(Reserved == LongLabel + 128 && End == Reserved + 2 && End == kChannelHeaderBytes, "");
}  // namespace ch

// The byte-swapped variant's channel header, read field by field from the header's start.
namespace sch {
constexpr uint32_t Length = 0, Slot = 4, Label = 6, Colour = 46, Flags = 50, VDisplay1 = 52, VDisplay2 = 60;
constexpr uint32_t Units = 68, Count = 88, Scale = 92, Offset = 100, Number = 108, Word1 = 110;
constexpr uint32_t ColourParts = 112;  // 3 x uint16, from 34
constexpr uint32_t Word2 = 118;        // uint16, from 34
constexpr uint32_t Skipped = 120;      // 3 x uint32, from 34
constexpr uint32_t End = 132;
static_assert(Word2 == ColourParts + 3 * 2 && Skipped == Word2 + 2 && End == Skipped + 3 * 4, "");
}  // namespace sch

// A marker record's fixed fields; the label and its NUL follow.
namespace mk {
constexpr uint32_t Position = 0, LabelOpen = 4, Word1 = 6, Word2 = 8, LabelLength = 10, End = 12;  // uint32, 4 x uint16
static_assert(End == kMarkerFixedBytes, "");
}  // namespace mk

// The version-35 wide form: the four 16-bit fields in 32 bits each.
namespace wmk {
constexpr uint32_t Position = 0, LabelOpen = 4, Word1 = 8, Word2 = 12, LabelLength = 16, End = 20;
static_assert(End == kMarkerWideFixedBytes, "");
}  // namespace wmk

// The byte-swapped form: position, three single bytes and one skipped, the label's length; the
// label follows without its NUL.
namespace smk {
constexpr uint32_t Position = 0, LabelOpen = 4, Word1 = 5, Word2 = 6, LabelLength = 8, End = 10;
static_assert(End == kMarkerSwappedFixedBytes, "");
}  // namespace smk

}  // namespace acqfile
