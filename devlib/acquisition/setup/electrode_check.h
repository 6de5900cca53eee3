// The model-40 electrode checker: the impedance between the electrodes, read through unit
// command 59, shown as a meter and a number in a modeless window refreshed from the idle step.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;

constexpr uint8_t kCmdElectrodeVK40 = 59;
constexpr double kElectrodeMaxShownKOhm = 99.9;  // the meter's full scale
constexpr int32_t kElectrodeTimerMs = 500;  // both checkers read again this often

// The checker's last readings: what the unit last answered and what the window last showed.
struct stElectrodeReadout {
    double lastRead = 0;   // kept when the unit does not answer
    double lastShown = 0;  // 0 until the first reading that differs
};
extern stElectrodeReadout g_electrodeReadout;

// The unit's signed reply as kilo-ohms, 0..99.9: the voltage over the electrodes (2.5 V at 0,
// limited below the 3.85 V ceiling so the divisor never reaches 0) against the ceiling.
double ElectrodeImpedanceFromReply(int16_t reply);
// Asks the unit; without a reply (or while a recording runs) the previous value stays.
double ReadElectrodeImpedance(stAcq* acq);
// The share of the meter an impedance fills: full at 99.9 kilo-ohms.
double ElectrodeMeterFraction(double kiloOhms);
// The meter's place in the window's client area: less 30 pixels at the bottom and 2 at the top.
RECT ElectrodeMeterRect(const RECT& client);
// Draws the meter at a fraction: a frame, quarter ticks and the filled share from the left.
void DrawElectrodeMeter(HDC dc, const RECT& meter, double fraction);

void PrepareElectrodeChecker(HGLOBAL hAcq);
HWND ElectrodeCheckerWindow(HGLOBAL hAcq);
void ShowElectrodeChecker(HGLOBAL hAcq, int32_t show);
// The checker's title again after its texts were translated (the first model's checker only).
void RetitleElectrodeChecker(HWND checker);

// ---- The second model's check of two electrode inputs (dialog 183) ----

// The text of one input's impedance: "> 100 kW" from 100 on, else "%5.2f kW" ("kW" is kilo-ohms
// in the Symbol font); 0 and no text for an input without a reading.
int32_t ElectrodeValueText(double kiloOhms, char* text, size_t size);
// The bar's position: the value's integer part, 0 without a reading.
int32_t ElectrodeBarPosition(double kiloOhms);
// Unit command 187 with the data bytes 0 and `second`, its two big-endian readings.
int32_t QueryElectrodeUnit(void* context, uint8_t second, int32_t readings[2]);
// Settles the references, measures both inputs and shows them in the dialog.
void MeasureAndShowElectrodes(HWND dlg);
HWND CreateDualElectrodeChecker(HWND frame);
