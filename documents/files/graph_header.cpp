// The graph header and the channel headers, coded field by field between the document and the
// little-endian records of the file. The file's neutral fields (display and document words and
// settings, per-channel values and words) carry these document fields:
//   display word 1 draftCompressed, time value 1 hOffset, display word 2 gridShown, document
//   texts 1 and 2 hUnitName and hUnitAbbrev, document words 1-8 precisionDigits, measureShown,
//   segmentsShown, viewFlags1, viewFlags2, waveformRegionResize, outPanelsShown, autoscaleMode,
//   settings 1-10 gridOptions2, gridColor (the document colour), gridMinorColor, gridOptions[4],
//   gridLocked, gridExtra, plotBackColor, toolsWhileRecording, per-channel values 1 and 2
//   chanVDivisions and chanVOffsetDiv, the horizontal scale factor hDivisions, document word 9
//   xyXChan, document word 10 viewFlags0, per-channel word 1 chanViewWord, settings 12 and 13
//   lessonFlags; in a channel header the vertical display values chanVPerDiv and chanVCenter,
//   channel words 1 and 2 chanPlotStyle and chanDecimals, channel value 3 chanVCenterRef.
// The rest (setting 11, the program-wide word, per-channel word 2, channel numbers) is carried
// in fields of its own.
#include "documents/files/graph_header.h"
#include "common/tagGS.h"
#include "base/byte_stream.h"
#include "documents/stored_blocks.h"
#include <cmath>
#include <cstring>

namespace {
using namespace acqfile;

constexpr uint16_t kKeep = 0xFFFF;
constexpr uint32_t kMeasureColumns = 5;

void PutText(uint8_t* p, const char* text, size_t field) {
    size_t n = strnlen(text, field - 1);
    std::memcpy(p, text, n);
    std::memset(p + n, 0, field - n);
}

void GetText(char* out, size_t outSize, const uint8_t* p, size_t field) {
    size_t limit = field < outSize - 1 ? field : outSize - 1;
    size_t n = strnlen(reinterpret_cast<const char*>(p), limit);
    std::memcpy(out, p, n);
    out[n] = 0;
}

int16_t Clamp16(LONG v) { return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

void TakeFinite(double v, double* field) {
    if (std::isfinite(v)) *field = v;
}
void TakePositive(double v, double* field) {
    if (std::isfinite(v) && v > 0.0) *field = v;
}

constexpr uint8_t kStoredValue1 = 1, kStoredVDisplay1 = 2;

// A stored value the display can use becomes the slot's; one it cannot is kept beside the
// slot's own value, which stays.
void TakeCarried(tagGS* gs, int s, double v, bool usable, uint8_t bit, double* field, double* stored, double* left) {
    if (usable) {
        *field = v;
        gs->chanStoredUnused[s] = static_cast<uint8_t>(gs->chanStoredUnused[s] & ~bit);
        return;
    }
    gs->chanStoredUnused[s] = static_cast<uint8_t>(gs->chanStoredUnused[s] | bit);
    *stored = v;
    *left = *field;
}

// A header without per-channel values 1 (older and byte-swapped files) leaves none kept.
void ForgetStoredValue1(tagGS* gs) {
    for (uint8_t& bits : gs->chanStoredUnused) bits = static_cast<uint8_t>(bits & ~kStoredValue1);
}

// What goes back into the file: the kept stored value while the slot's value is the one it left.
double Carried(const tagGS* gs, int s, uint8_t bit, double field, double stored, double left) {
    return (gs->chanStoredUnused[s] & bit) && field == left ? stored : field;
}

// A stored slot number, 0xFFFF for none.
uint32_t TakeSlot(uint16_t stored, uint32_t current) {
    if (stored == 0xFFFF) return 0xFFFFFFFFu;
    return stored < kMaxChannels ? stored : current;
}

int16_t TakeMeasureChannel(uint16_t stored) {
    return stored < kMaxChannels ? static_cast<int16_t>(stored) : static_cast<int16_t>(-1);
}

// Measurement boxes the header describes: rows of five, at most its 40 entries.
uint32_t MeasureBoxes(const tagGS* gs) {
    uint32_t boxes = static_cast<uint32_t>(gs->measureRows) * kMeasureColumns;
    return boxes < kMeasureRows ? boxes : kMeasureRows;
}

// Older files stored the window anywhere; it is brought onto the screen keeping its size.
void KeepOnScreen(RECT* rc, int screenWidth, int screenHeight) {
    if (rc->left == -1 && rc->right == -1) return;  // maximised
    const LONG maxLeft = static_cast<LONG>(0.8 * screenWidth);
    const LONG maxTop = static_cast<LONG>(0.8 * screenHeight);
    LONG left = rc->left < 0 ? 0 : rc->left > maxLeft ? maxLeft : rc->left;
    LONG top = rc->top < 0 ? 0 : rc->top > maxTop ? maxTop : rc->top;
    OffsetRect(rc, left - rc->left, top - rc->top);
}

void EncodeMeasurements(const tagGS* gs, uint8_t* out) {
    const uint32_t boxes = MeasureBoxes(gs);
    PutLeU16(out + gh::GridSetting, gs->measureRows);
    for (uint32_t i = 0; i < kMeasureRows; ++i) {
        const bool used = i < boxes;
        PutLeU16(out + gh::MeasureType + 2 * i, used ? gs->measureType[i] : 0);
        PutLeU16(out + gh::MeasureChan + 2 * i, used ? static_cast<uint16_t>(gs->measureChan[i]) : kKeep);
        if (!used) continue;
        PutLeU16(out + gh::MeasureCalc1 + 2 * i, gs->measureCalc[0][i]);
        PutLeU16(out + gh::MeasureCalc2 + 2 * i, gs->measureCalc[1][i]);
        PutLeU16(out + gh::MeasureCalc3 + 2 * i, gs->measureCalc[2][i]);
        PutLeF64(out + gh::MeasureK + 8 * i, gs->measureConstant[i]);
        PutText(out + gh::MeasureUnits + kMeasureUnitBytes * i, gs->measureLabel[i], kMeasureUnitBytes);
    }
}

void DecodeMeasurements(const uint8_t* in, uint32_t version, tagGS* gs) {
    if (version < kVersionMeasureRows) {
        for (uint32_t i = 0; i < kOldMeasureRows; ++i) {
            gs->measureType[i] = ConvertMeasureType(GetLeU16(in + gh::OldMeasureTypes + 2 * i), version);
            gs->measureChan[i] = TakeMeasureChannel(GetLeU16(in + gh::MeasureChan + 2 * i));
        }
        return;
    }
    uint16_t rows = GetLeU16(in + gh::GridSetting);
    gs->measureRows = rows <= kMeasureRows / kMeasureColumns ? rows : kMeasureRows / kMeasureColumns;
    for (uint32_t i = 0; i < kMeasureRows; ++i) {
        gs->measureType[i] = ConvertMeasureType(GetLeU16(in + gh::MeasureType + 2 * i), version);
        gs->measureChan[i] = TakeMeasureChannel(GetLeU16(in + gh::MeasureChan + 2 * i));
        const bool settings = version >= kVersionMeasureCalcs;
        gs->measureCalc[0][i] = settings ? GetLeU16(in + gh::MeasureCalc1 + 2 * i) : 0;
        gs->measureCalc[1][i] = settings ? GetLeU16(in + gh::MeasureCalc2 + 2 * i) : 0;
        gs->measureCalc[2][i] = settings ? GetLeU16(in + gh::MeasureCalc3 + 2 * i) : 0;
        gs->measureConstant[i] = settings ? GetLeF64(in + gh::MeasureK + 8 * i) : 0.0;
        if (!std::isfinite(gs->measureConstant[i])) gs->measureConstant[i] = 0.0;
        GetText(gs->measureLabel[i], sizeof gs->measureLabel[i], in + gh::MeasureUnits + kMeasureUnitBytes * i,
                kMeasureUnitBytes);
    }
}

void EncodeDocumentSettings(const tagGS* gs, uint8_t* out) {
    PutLeU32(out + gh::Setting1, gs->gridOptions2);
    PutLeU32(out + gh::DocColour, gs->gridColor);
    PutLeU32(out + gh::Setting2, gs->gridMinorColor);
    for (int i = 0; i < 4; ++i) PutLeU16(out + gh::Settings3to6 + 2 * i, gs->gridOptions[i]);
    PutLeU32(out + gh::Setting7, gs->gridLocked);
    PutLeU32(out + gh::Setting8, gs->gridExtra);
    PutLeU32(out + gh::Setting9, gs->plotBackColor);
    PutLeU32(out + gh::Setting10, gs->toolsWhileRecording);
    for (int s = 0; s < kMaxChannels; ++s) {
        PutLeF64(out + gh::PerChanValue1 + 8 * s, Carried(gs, s, kStoredValue1, gs->chanVDivisions[s],
                                                          gs->chanStoredValue1[s], gs->chanLeftValue1[s]));
        PutLeF64(out + gh::PerChanValue2 + 8 * s, gs->chanVOffsetDiv[s]);
    }
    PutLeF64(out + gh::HScaleFactor, gs->hDivisions);
    PutLeU32(out + gh::Setting11, gs->fileSetting11);
}

void DecodeDocumentSettings(const uint8_t* in, tagGS* gs) {
    gs->gridOptions2 = GetLeU32(in + gh::Setting1);
    gs->gridColor = GetLeU32(in + gh::DocColour);
    gs->gridMinorColor = GetLeU32(in + gh::Setting2);
    for (int i = 0; i < 4; ++i) gs->gridOptions[i] = GetLeU16(in + gh::Settings3to6 + 2 * i);
    gs->gridLocked = GetLeU32(in + gh::Setting7);
    gs->gridExtra = GetLeU32(in + gh::Setting8);
    gs->plotBackColor = GetLeU32(in + gh::Setting9);
    gs->toolsWhileRecording = GetLeU32(in + gh::Setting10);
    for (int s = 0; s < kMaxChannels; ++s) {
        const double value1 = GetLeF64(in + gh::PerChanValue1 + 8 * s);
        TakeCarried(gs, s, value1, std::isfinite(value1) && value1 > 0.0, kStoredValue1, &gs->chanVDivisions[s],
                    &gs->chanStoredValue1[s], &gs->chanLeftValue1[s]);
        TakeFinite(GetLeF64(in + gh::PerChanValue2 + 8 * s), &gs->chanVOffsetDiv[s]);
    }
    TakePositive(GetLeF64(in + gh::HScaleFactor), &gs->hDivisions);
    gs->fileSetting11 = GetLeU32(in + gh::Setting11);
}

// The fields read at every version, several of which keep the document's value when unset.
void DecodeEveryVersionTail(const uint8_t* in, uint32_t version, tagGS* gs) {
    gs->fileProgramWord = GetLeI16(in + gh::ProgramWord);
    uint16_t word9 = GetLeU16(in + gh::DocWord9);
    if (word9 != kKeep) gs->xyXChan = TakeSlot(word9, gs->xyXChan);
    uint16_t word10 = GetLeU16(in + gh::DocWord10);
    if (word10 != 0) gs->viewFlags0 = word10;
    for (int s = 0; s < kMaxChannels; ++s) {
        uint16_t w1 = GetLeU16(in + gh::PerChanWord1 + 2 * s);
        if (w1 != 0) gs->chanViewWord[s] = w1;
        uint16_t w2 = GetLeU16(in + gh::PerChanWord2 + 2 * s);
        if (w2 != kKeep) gs->chanFileWord[s] = static_cast<int16_t>(w2);
    }
    const bool late = version >= kVersionLateSettings;
    gs->lessonFlags[0] = late ? GetLeU32(in + gh::Setting12) : 1;
    gs->lessonFlags[1] = late ? GetLeU32(in + gh::Setting13) : 1;
}

}  // namespace

uint16_t ConvertMeasureType(uint16_t type, uint32_t version) {
    if (version >= kVersionDocSettings) return type;
    if (version < kVersionMeasureRows) return type == 11 ? 12 : type;
    if (type >= 1 && type <= 10) return type;
    if (version == kVersionMeasureRows) return type >= 12 && type <= 17 ? static_cast<uint16_t>(type + 3) : 0;
    if (type == 12) return 13;
    return type >= 14 && type <= 24 ? static_cast<uint16_t>(type + 1) : 0;
}

uint32_t SwappedColourCode(uint32_t code) {
    static const struct {
        uint32_t code, colour;
    } kCodes[] = {{33, 0x000000},  {69, 0x800080},  {137, 0xFF00FF}, {205, 0x0000FF},
                  {273, 0xFFFF00}, {341, 0x00FF00}, {409, 0xFF0000}};
    for (const auto& c : kCodes)
        if (c.code == code) return c.colour;
    return code;
}

void EncodeGraphHeader(const tagGS* gs, const stHeaderOptions& o, uint8_t out[kHeaderBytes]) {
    std::memset(out, 0, kHeaderBytes);
    PutLeU32(out + gh::Version, o.version);
    PutLeU32(out + gh::HeaderLength, kHeaderBytes);
    PutLeU16(out + gh::ChannelsInUse, o.channels);
    PutLeU16(out + gh::HUnit, static_cast<uint16_t>(gs->hUnitKind));
    PutLeU16(out + gh::SelectedChannel, static_cast<uint16_t>(gs->selectedChan));
    PutLeF64(out + gh::SampleInterval, gs->sampleInterval);
    PutLeF64(out + gh::ViewStart, o.zeroView || o.ringStart ? 0.0 : gs->hStart);
    PutLeF64(out + gh::HScale, gs->hPerDiv);
    PutLeF64(out + gh::SelStart, o.zeroView ? 0.0 : gs->selStart);
    PutLeF64(out + gh::SelEnd, o.zeroView ? 0.0 : gs->selEnd);
    PutLeU16(out + gh::WindowRect, static_cast<uint16_t>(Clamp16(gs->winPlacement.left)));
    PutLeU16(out + gh::WindowRect + 2, static_cast<uint16_t>(Clamp16(gs->winPlacement.top)));
    PutLeU16(out + gh::WindowRect + 4, static_cast<uint16_t>(Clamp16(gs->winPlacement.right)));
    PutLeU16(out + gh::WindowRect + 6, static_cast<uint16_t>(Clamp16(gs->winPlacement.bottom)));
    PutLeU16(out + gh::DisplayWord1, static_cast<uint16_t>(gs->draftCompressed));
    double time1 = o.zeroView ? 0.0 : o.ringStart ? gs->winFirst * gs->sampleInterval : gs->hOffset;
    PutLeF64(out + gh::TimeValue1, time1);
    PutLeU16(out + gh::DisplayWord2, static_cast<uint16_t>(gs->gridShown));
    PutText(out + gh::DocText1, gs->hUnitName, 40);
    PutText(out + gh::DocText2, gs->hUnitAbbrev, 10);
    PutLeU16(out + gh::DocWord1, gs->precisionDigits);
    PutLeU16(out + gh::DocWord2, static_cast<uint16_t>(gs->measureShown));
    PutLeU16(out + gh::DocWord3, static_cast<uint16_t>(gs->segmentsShown));
    PutLeU16(out + gh::DisplayMode, static_cast<uint16_t>(gs->displayMode));
    PutLeU16(out + gh::DocWord4, static_cast<uint16_t>(gs->viewFlags1));
    PutLeU16(out + gh::DocWord5, static_cast<uint16_t>(gs->viewFlags2));
    PutLeU16(out + gh::DocWord6, static_cast<uint16_t>(gs->waveformRegionResize));
    PutLeU16(out + gh::MarkerBar, static_cast<uint16_t>(gs->markerBarShown));
    PutLeU16(out + gh::JournalShown, static_cast<uint16_t>(gs->journalShown));
    PutLeU16(out + gh::DocWord7, gs->outPanelsShown);
    PutLeU16(out + gh::DocWord8, static_cast<uint16_t>(gs->autoscaleMode));
    EncodeMeasurements(gs, out);
    EncodeDocumentSettings(gs, out);
    PutLeU16(out + gh::ProgramWord, static_cast<uint16_t>(gs->fileProgramWord));
    PutLeU16(out + gh::DocWord9, static_cast<uint16_t>(gs->xyXChan));
    PutLeU16(out + gh::DocWord10, static_cast<uint16_t>(gs->viewFlags0));
    CurveSettingsToBytes(gs, out + gh::CurveSettings);
    for (int s = 0; s < kMaxChannels; ++s) {
        PutLeU16(out + gh::PerChanWord1 + 2 * s, static_cast<uint16_t>(gs->chanViewWord[s]));
        PutLeU16(out + gh::PerChanWord2 + 2 * s, o.zeroChannelWords ? 0 : static_cast<uint16_t>(gs->chanFileWord[s]));
    }
    PutLeU32(out + gh::Setting12, gs->lessonFlags[0]);
    PutLeU32(out + gh::Setting13, gs->lessonFlags[1]);
}

void DecodeGraphHeader(const uint8_t in[kHeaderBytes], uint32_t version, tagGS* gs, int screenWidth, int screenHeight) {
    ForgetStoredValue1(gs);
    uint16_t hUnit = GetLeU16(in + gh::HUnit);
    if (hUnit <= kHUnitUser) gs->hUnitKind = hUnit;
    gs->selectedChan = TakeSlot(GetLeU16(in + gh::SelectedChannel), gs->selectedChan);
    gs->sampleInterval = GetLeF64(in + gh::SampleInterval);  // the reader checks it
    TakeFinite(GetLeF64(in + gh::ViewStart), &gs->hStart);
    TakePositive(GetLeF64(in + gh::HScale), &gs->hPerDiv);
    TakeFinite(GetLeF64(in + gh::SelStart), &gs->selStart);
    TakeFinite(GetLeF64(in + gh::SelEnd), &gs->selEnd);
    gs->winPlacement = RECT{GetLeI16(in + gh::WindowRect), GetLeI16(in + gh::WindowRect + 2),
                            GetLeI16(in + gh::WindowRect + 4), GetLeI16(in + gh::WindowRect + 6)};
    if (version < kVersionDocSettings) KeepOnScreen(&gs->winPlacement, screenWidth, screenHeight);
    gs->draftCompressed = GetLeU16(in + gh::DisplayWord1);
    TakeFinite(GetLeF64(in + gh::TimeValue1), &gs->hOffset);
    gs->gridShown = GetLeU16(in + gh::DisplayWord2);
    GetText(gs->hUnitName, sizeof gs->hUnitName, in + gh::DocText1, 40);
    GetText(gs->hUnitAbbrev, sizeof gs->hUnitAbbrev, in + gh::DocText2, 10);
    gs->precisionDigits = GetLeU16(in + gh::DocWord1);
    gs->measureShown = GetLeU16(in + gh::DocWord2);
    if (version < kVersionTaggedBlocks) gs->markerBarShown = GetLeU16(in + gh::OldMarkerBar);
    gs->segmentsShown = GetLeU16(in + gh::DocWord3);
    uint16_t mode = GetLeU16(in + gh::DisplayMode);
    if (mode <= kModeXY) gs->displayMode = mode;
    if (version >= kVersionTaggedBlocks) {
        gs->viewFlags1 = GetLeU16(in + gh::DocWord4);
        gs->viewFlags2 = GetLeU16(in + gh::DocWord5);
        gs->waveformRegionResize = GetLeU16(in + gh::DocWord6);
        gs->markerBarShown = GetLeU16(in + gh::MarkerBar);
        gs->journalShown = GetLeU16(in + gh::JournalShown);
        gs->outPanelsShown = GetLeU16(in + gh::DocWord7);
        gs->autoscaleMode = GetLeU16(in + gh::DocWord8);
    }
    DecodeMeasurements(in, version, gs);
    if (version >= kVersionDocSettings) DecodeDocumentSettings(in, gs);
    DecodeEveryVersionTail(in, version, gs);
    CurveSettingsFromBytes(gs, in + gh::CurveSettings);
}

void DecodeSwappedHeader(const uint8_t in[kHeaderBytes], uint32_t version, tagGS* gs) {
    ForgetStoredValue1(gs);
    uint16_t hUnit = GetBeU16(in + 12);
    if (hUnit <= kHUnitUser) gs->hUnitKind = hUnit;
    gs->selectedChan = TakeSlot(GetBeU16(in + 14), gs->selectedChan);
    gs->sampleInterval = GetBeF64(in + 16);
    TakeFinite(GetBeF64(in + 24), &gs->hStart);
    TakePositive(GetBeF64(in + 32), &gs->hPerDiv);
    TakeFinite(GetBeF64(in + 40), &gs->selStart);
    TakeFinite(GetBeF64(in + 48), &gs->selEnd);
    gs->winPlacement = RECT{static_cast<int16_t>(GetBeU16(in + 56)), static_cast<int16_t>(GetBeU16(in + 58)),
                            static_cast<int16_t>(GetBeU16(in + 60)), static_cast<int16_t>(GetBeU16(in + 62))};
    gs->draftCompressed = in[76];
    TakeFinite(GetBeF64(in + 78), &gs->hOffset);
    gs->gridShown = GetBeU16(in + 86);
    GetText(gs->hUnitName, sizeof gs->hUnitName, in + 88, 40);
    GetText(gs->hUnitAbbrev, sizeof gs->hUnitAbbrev, in + 128, 10);
    gs->precisionDigits = GetBeU16(in + 138);
    gs->measureShown = in[140];
    gs->segmentsShown = GetBeU16(in + 142);
    if (in[144] <= kModeXY) gs->displayMode = in[144];
    if (version >= kVersionTaggedBlocks) {
        gs->viewFlags1 = GetBeU16(in + 148);
        gs->viewFlags2 = GetBeU16(in + 150);
        gs->waveformRegionResize = GetBeU16(in + 152);
        gs->markerBarShown = GetBeU16(in + 154);
        gs->outPanelsShown = GetBeU16(in + 156);
        gs->autoscaleMode = GetBeU16(in + 158);
    }
    if (version >= kVersionMeasureRows) {
        uint16_t rows = GetBeU16(in + 160);
        gs->measureRows = rows <= kMeasureRows / kMeasureColumns ? rows : kMeasureRows / kMeasureColumns;
        for (uint32_t i = 0; i < kMeasureRows; ++i) {
            gs->measureType[i] = ConvertMeasureType(GetBeU16(in + 162 + 2 * i), version);
            gs->measureChan[i] = TakeMeasureChannel(GetBeU16(in + 242 + 2 * i));
        }
    }
}

void EncodeChannelHeader(const tagGS* gs, int s, uint32_t count, uint8_t out[kChannelHeaderBytes]) {
    std::memset(out, 0, kChannelHeaderBytes);
    PutLeU32(out + ch::Length, kChannelHeaderBytes);
    PutLeU16(out + ch::Slot, static_cast<uint16_t>(s));
    PutText(out + ch::Label, gs->chanLabel[s], 40);  // byte 45 stays 0
    PutLeU32(out + ch::Colour, gs->chanColor[s]);
    PutLeU16(out + ch::Flags, static_cast<uint16_t>(gs->chanFlags[s]));
    PutLeF64(out + ch::VDisplay1, Carried(gs, s, kStoredVDisplay1, gs->chanVPerDiv[s], gs->chanStoredVDisplay1[s],
                                          gs->chanLeftVDisplay1[s]));
    PutLeF64(out + ch::VDisplay2, gs->chanVCenter[s]);
    PutText(out + ch::Units, gs->chanUnits[s], 20);  // byte 87 stays 0
    PutLeU32(out + ch::Count, count);
    PutLeF64(out + ch::Scale, gs->chanScale[s]);
    PutLeF64(out + ch::Offset, gs->chanOffset[s]);
    PutLeU16(out + ch::Number, static_cast<uint16_t>(gs->chanNumber[s]));
    PutLeU16(out + ch::Word1, static_cast<uint16_t>(gs->chanPlotStyle[s]));
    PutLeU16(out + ch::Word2, gs->chanDecimals[s]);
    PutLeF64(out + ch::Value3, gs->chanVCenterRef[s]);
    PutText(out + ch::LongLabel, gs->chanDescription[s], 128);
}

// The flags mark the slot in use whatever the file says: its header and samples are there.
static uint32_t InUseFlags(uint16_t stored) {
    return (stored & kChanSlotMask) < 2 ? static_cast<uint32_t>((stored & ~kChanSlotMask) | 2) : stored;
}

void DecodeChannelHeader(const uint8_t in[kChannelHeaderBytes], uint32_t version, tagGS* gs, int s) {
    GetText(gs->chanLabel[s], sizeof gs->chanLabel[s], in + ch::Label, 40);
    gs->chanColor[s] = GetLeU32(in + ch::Colour);
    gs->chanFlags[s] = InUseFlags(GetLeU16(in + ch::Flags));
    const double display1 = GetLeF64(in + ch::VDisplay1);
    TakeCarried(gs, s, display1, std::isfinite(display1) && display1 != 0.0, kStoredVDisplay1, &gs->chanVPerDiv[s],
                &gs->chanStoredVDisplay1[s], &gs->chanLeftVDisplay1[s]);
    TakeFinite(GetLeF64(in + ch::VDisplay2), &gs->chanVCenter[s]);
    GetText(gs->chanUnits[s], sizeof gs->chanUnits[s], in + ch::Units, 20);
    gs->chanCount[s] = GetLeU32(in + ch::Count);
    TakeFinite(GetLeF64(in + ch::Scale), &gs->chanScale[s]);
    TakeFinite(GetLeF64(in + ch::Offset), &gs->chanOffset[s]);
    gs->chanNumber[s] = GetLeI16(in + ch::Number);
    gs->chanPlotStyle[s] = GetLeU16(in + ch::Word1);
    if (version >= kVersionTaggedBlocks) {
        gs->chanDecimals[s] = GetLeU16(in + ch::Word2);
        TakeFinite(GetLeF64(in + ch::Value3), &gs->chanVCenterRef[s]);
    }
    if (version >= kVersionDocSettings)
        GetText(gs->chanDescription[s], sizeof gs->chanDescription[s], in + ch::LongLabel, 128);
    else
        lstrcpynA(gs->chanDescription[s], gs->chanLabel[s], sizeof gs->chanDescription[s]);
}

void DecodeSwappedChannelHeader(const uint8_t in[kChannelHeaderBytes], uint32_t version, tagGS* gs, int s) {
    GetText(gs->chanLabel[s], sizeof gs->chanLabel[s], in + sch::Label, 40);
    uint32_t colour = GetBeU32(in + sch::Colour);
    gs->chanFlags[s] = InUseFlags(GetBeU16(in + sch::Flags));
    const double display1 = GetBeF64(in + sch::VDisplay1);
    TakeCarried(gs, s, display1, std::isfinite(display1) && display1 != 0.0, kStoredVDisplay1, &gs->chanVPerDiv[s],
                &gs->chanStoredVDisplay1[s], &gs->chanLeftVDisplay1[s]);
    TakeFinite(GetBeF64(in + sch::VDisplay2), &gs->chanVCenter[s]);
    GetText(gs->chanUnits[s], sizeof gs->chanUnits[s], in + sch::Units, 20);
    gs->chanCount[s] = GetBeU32(in + sch::Count);
    TakeFinite(GetBeF64(in + sch::Scale), &gs->chanScale[s]);
    TakeFinite(GetBeF64(in + sch::Offset), &gs->chanOffset[s]);
    gs->chanNumber[s] = static_cast<int16_t>(GetBeU16(in + sch::Number));
    gs->chanPlotStyle[s] = GetBeU16(in + sch::Word1);
    if (version >= kVersionTaggedBlocks) {
        colour = (GetBeU16(in + sch::ColourParts) & 0xFF) | (GetBeU16(in + sch::ColourParts + 2) & 0xFF) << 8 |
                 (GetBeU16(in + sch::ColourParts + 4) & 0xFF) << 16;
        gs->chanDecimals[s] = GetBeU16(in + sch::Word2);
    } else {
        colour = SwappedColourCode(colour);
    }
    gs->chanColor[s] = colour;
    lstrcpynA(gs->chanDescription[s], gs->chanLabel[s], sizeof gs->chanDescription[s]);
}
