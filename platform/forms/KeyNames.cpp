// The keyboard layout's scan codes and key names: one fixed US English
// layout (scan code set 1), as a table of rows.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/forms/Windows.h"

namespace {
struct TKeyRow {
  UINT vk;
  UINT scan;
  const char* name;         // without the extended bit
  const char* extendedName; // with it (null: the same name)
};

// Virtual keys of the letters and digits are their characters; the function
// keys follow the table.
const TKeyRow kKeys[] = {
    {0x08, 0x0E, "Backspace", nullptr}, {0x09, 0x0F, "Tab", nullptr},
    {0x0D, 0x1C, "Enter", "Num Enter"}, {0x10, 0x2A, "Shift", nullptr},
    {0x11, 0x1D, "Ctrl", "Right Ctrl"}, {0x12, 0x38, "Alt", "Right Alt"},
    {0x13, 0x45, "Pause", nullptr},     {0x14, 0x3A, "Caps Lock", nullptr},
    {0x1B, 0x01, "Esc", nullptr},       {0x20, 0x39, "Space", nullptr},
    {0x21, 0x49, "Num 9", "Page Up"},   {0x22, 0x51, "Num 3", "Page Down"},
    {0x23, 0x4F, "Num 1", "End"},       {0x24, 0x47, "Num 7", "Home"},
    {0x25, 0x4B, "Num 4", "Left"},      {0x26, 0x48, "Num 8", "Up"},
    {0x27, 0x4D, "Num 6", "Right"},     {0x28, 0x50, "Num 2", "Down"},
    {0x2C, 0x54, "Sys Req", nullptr},   {0x2D, 0x52, "Num 0", "Insert"},
    {0x2E, 0x53, "Num Del", "Delete"},  {0x60, 0x52, "Num 0", "Insert"},
    {0x61, 0x4F, "Num 1", "End"},       {0x62, 0x50, "Num 2", "Down"},
    {0x63, 0x51, "Num 3", "Page Down"}, {0x64, 0x4B, "Num 4", "Left"},
    {0x65, 0x4C, "Num 5", "Clear"},     {0x66, 0x4D, "Num 6", "Right"},
    {0x67, 0x47, "Num 7", "Home"},      {0x68, 0x48, "Num 8", "Up"},
    {0x69, 0x49, "Num 9", "Page Up"},   {0x6A, 0x37, "Num *", "Prnt Scrn"},
    {0x6B, 0x4E, "Num +", nullptr},     {0x6D, 0x4A, "Num -", nullptr},
    {0x6E, 0x53, "Num Del", "Delete"},  {0x6F, 0x35, "/", "Num /"},
    {0x90, 0x45, "Pause", "Num Lock"},  {0x91, 0x46, "Scroll Lock", nullptr},
    {0xBA, 0x27, ";", nullptr},         {0xBB, 0x0D, "=", nullptr},
    {0xBC, 0x33, ",", nullptr},         {0xBD, 0x0C, "-", nullptr},
    {0xBE, 0x34, ".", nullptr},         {0xBF, 0x35, "/", "Num /"},
    {0xC0, 0x29, "`", nullptr},         {0xDB, 0x1A, "[", nullptr},
    {0xDC, 0x2B, "\\", nullptr},        {0xDD, 0x1B, "]", nullptr},
    {0xDE, 0x28, "'", nullptr},
};

// Scan codes of the letters A … Z and the digits 0 … 9 in the US layout.
const UINT kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                              0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                              0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
const UINT kDigitScan[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
// F1 … F10 are 0x3B … 0x44; F11 and F12 0x57 and 0x58.
UINT FunctionScan(int n) {
  return n <= 10 ? UINT(0x3A + n) : UINT(0x57 + n - 11);
}

std::string NameOfScan(UINT scan, bool extended) {
  for (int i = 0; i < 26; ++i)
    if (kLetterScan[i] == scan) return std::string(1, char('A' + i));
  for (int i = 0; i < 10; ++i)
    if (kDigitScan[i] == scan) return std::string(1, char('0' + i));
  static const char* const kFunctionNames[12] = {"F1", "F2", "F3", "F4",  "F5",  "F6",
                                                 "F7", "F8", "F9", "F10", "F11", "F12"};
  for (int n = 1; n <= 12; ++n)
    if (FunctionScan(n) == scan) return kFunctionNames[n - 1];
  // The first row of a scan code names it (the numeric pad's rows for the
  // shared codes come first without the extended bit).
  const TKeyRow* found = nullptr;
  for (const TKeyRow& row : kKeys)
    if (row.scan == scan && (!found || (extended && row.extendedName && !found->extendedName)))
      found = &row;
  if (!found) return {};
  return extended && found->extendedName ? found->extendedName : found->name;
}
} // namespace

UINT MapVirtualKeyA(UINT code, UINT mapType) {
  if (mapType != 0) return 0;
  if (code >= 'A' && code <= 'Z') return kLetterScan[code - 'A'];
  if (code >= '0' && code <= '9') return kDigitScan[code - '0'];
  if (code >= 0x70 && code <= 0x7B) return FunctionScan(int(code - 0x70 + 1));
  for (const TKeyRow& row : kKeys)
    if (row.vk == code) return row.scan;
  return 0;
}

int GetKeyNameTextA(LONG lParam, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const UINT scan = (UINT(lParam) >> 16) & 0xFF;
  const bool extended = (UINT(lParam) & 0x01000000u) != 0;
  const std::string name = scan ? NameOfScan(scan, extended) : std::string();
  const int n = std::min(int(name.size()), size - 1);
  std::memcpy(buffer, name.data(), std::size_t(n));
  buffer[n] = 0;
  return n;
}
