// The About box and the System Information dialog, and the queries behind them.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "common/locale.h"

// ShowAboutDialog is declared with the Help menu (shell/help.h), whose last item opens it.
void ShowSystemInfoDialog(HWND owner);

// The mains frequency in Hz from the machine's localisation key; 60 when it cannot be read.
uint32_t QueryLineFrequencyHz();
// Test seam: another key of HKEY_LOCAL_MACHINE read in its place.
void SetLocalizationKey(const char* key);

// The Windows version's name and build text of a version record (extended: the record has the
// service-pack numbers, suite mask and product type); 1 when it is a version they know.
int WindowsVersionName(const OSVERSIONINFOEXA& v, int extended, char* out, size_t size);
int WindowsBuildText(const OSVERSIONINFOEXA& v, char* out, size_t size);
// The same of the running system; *platform receives its platform id.
int GetWindowsVersionName(char* out, size_t size, DWORD* platform);
int GetWindowsBuildText(char* out, size_t size);

// The registered owner and organisation: the product's own key first, the system's when the
// product key lacks either.
constexpr char kProductKey[] = "SOFTWARE\\Norvane\\Norvane Tessaly v.3.6\\3.6.1";
void ReadRegisteredOwner(HKEY productRoot, const char* productKey, DWORD platform, char* owner, char* organisation);
