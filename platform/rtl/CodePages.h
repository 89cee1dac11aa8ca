// Code pages.
//
// Text inside the system is UTF-8. Files and databases may hold text in a
// Windows code page (1250, 1252 ...); these functions convert at that
// boundary over iconv. Nothing here throws:
// - equal code pages give the bytes unchanged;
// - an unknown code page gives '';
// - a byte that a single-byte code page leaves undefined (0x98 in 1251)
//   decodes on its own to the character of the same number, and encodes back
//   to that byte; the rest of the text decodes in its page;
// - text that is not valid in a multi-byte code page (UTF-8, 932 ...): the
//   whole text is decoded as Windows-1252 instead, which maps every byte, so
//   that a round trip through 1252 keeps every byte;
// - characters that the target code page cannot encode become '?'.
// The system code page (GetACP) comes from the environment's locale and
// defaults to 65001 (UTF-8).
#pragma once

#include <string>

constexpr int CP_ACP = 0; ///< stands for the system code page
constexpr int CP_UTF8 = 65001;

/// The system code page.
int GetACP();
/// Sets the system code page (tests and start-up settings).
void SetACP(int codePage);
/// Back to the code page of the environment.
void ResetACP();
/// The code page named by a locale text such as "de_DE.ISO-8859-1" or
/// "ru_RU.CP1251"; 65001 when it names none we know.
int CodePageFromLocale(const std::string& locale);

/// The iconv name of a code page ("UTF-8", "ISO-8859-1", "MACINTOSH",
/// "CP<n>").
std::string CodePageName(int codePage);
/// True when text can be converted from and to the code page.
bool IsCodePageSupported(int codePage);

std::string ConvertCodePage(const std::string& text, int fromCodePage, int toCodePage);
std::string CodePageToUtf8(const std::string& text, int codePage);
std::string Utf8ToCodePage(const std::string& text, int codePage);
std::u16string CodePageToWide(const std::string& text, int codePage);
std::string WideToCodePage(const std::u16string& text, int codePage);

/// UTF-8 to UTF-16 (invalid UTF-8 is read as Windows-1252).
std::u16string Utf8ToUtf16(const std::string& text);
/// UTF-16 to UTF-8 (an unpaired surrogate becomes '?').
std::string Utf16ToUtf8(const std::u16string& text);

/// The GDI character set of a code page (1252 gives 0, 1250 gives 238 ...);
/// 1 (DEFAULT_CHARSET) for a code page without one.
int CodePageToCharset(int codePage);
