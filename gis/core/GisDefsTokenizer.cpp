#include "gis/core/GisDefsTokenizer.h"

#include "platform/rtl/Strings.h"

namespace {

std::string StripPair(const std::string& s, char quote) {
  if (s.size() >= 2 && s.front() == quote && s.back() == quote) return s.substr(1, s.size() - 2);
  return s;
}

// Trimmed, then one pair of matching single quotes, then one pair of matching
// double quotes removed.
std::string CleanToken(const std::string& token) {
  return StripPair(StripPair(Trim(token), '\''), '"');
}

bool IsBlank(char c, char separator) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 1 || code > 32) return false;
  return !(c == '\t' && separator == '\t');
}

} // namespace

void TGIS_Tokenizer::Execute(const std::string& text, const std::string& separators,
                             bool quoteProtection) {
  result_.Clear();
  const std::string s = Trim(text);
  std::string token;
  bool afterBreak = false;
  bool inQuotes = false;
  for (const char c : s) {
    if (quoteProtection && c == '"') inQuotes = !inQuotes;
    const bool isSeparator = separators.find(c) != std::string::npos;
    if (isSeparator && !(quoteProtection && inQuotes)) {
      if (afterBreak) continue; // a run of separators makes one break
      result_.Add(CleanToken(token));
      token.clear();
      afterBreak = true;
      continue;
    }
    token += c;
    afterBreak = false;
  }
  if (!token.empty()) result_.Add(CleanToken(token));
}

void TGIS_Tokenizer::ExecuteFields(const std::string& text, char separator, char quote) {
  result_.Clear();
  const std::size_t n = text.size();
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < n && IsBlank(text[i], separator))
      ++i;
  };
  skipBlanks();
  while (i < n) {
    if (text[i] == quote) {
      // A quoted field runs to the next lone quote; a doubled quote inside
      // it stands for one quote character.
      std::string field;
      std::size_t from = i + 1;
      for (;;) {
        const std::size_t close = text.find(quote, from);
        if (close == std::string::npos) {
          field.append(text, from, n - from);
          i = n;
          break;
        }
        field.append(text, from, close - from);
        if (close + 1 < n && text[close + 1] == quote) {
          field += quote;
          from = close + 2;
          continue;
        }
        i = close + 1;
        break;
      }
      result_.Add(field);
    } else {
      std::size_t end = text.find(separator, i);
      if (end == std::string::npos) end = n;
      result_.Add(text.substr(i, end - i));
      i = end;
    }
    skipBlanks();
    if (i < n && text[i] == separator) {
      if (i + 1 == n) result_.Add(std::string());
      ++i;
      skipBlanks();
    }
  }
}
