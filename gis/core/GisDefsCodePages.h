// Re-encoding of text between Windows code pages, and the character set of a
// code page. Kernel text is UTF-8 (code page 65001); an unknown code page
// gives empty text.
#pragma once

#include <string>

/// Equal code pages: the text unchanged; otherwise decoded from the first and
/// encoded into the second.
std::string GisConvertCodePage(const std::string& text, int fromCodePage, int toCodePage);
/// UTF-16 text of a text in the code page.
std::u16string GisStringToWide(const std::string& text, int codePage);
/// The UTF-16 text encoded in the code page (65001 gives UTF-8).
std::string GisWideToString(const std::u16string& text, int codePage);
/// The text with one pair of the quote character removed when, trimmed, it
/// both starts and ends with it (a lone quote character gives '').
std::string GisDequote(const std::string& text, char quote);
/// The system code page: 65001 unless the environment names another.
int GisSystemCodePage();
/// The GDI character set of a code page; DEFAULT_CHARSET (1) for any other.
int GisCodePageToCharset(int codePage);
