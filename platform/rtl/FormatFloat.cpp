#include "platform/rtl/FormatDecimal.h"

#include "platform/rtl/Strings.h"

#include <algorithm>
#include <vector>

using namespace rtl_detail;

namespace {

// Splits a picture into its sections at ';' outside quotes.
std::vector<std::string_view> pictureSections(std::string_view picture) {
  std::vector<std::string_view> sections;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      sections.push_back(picture.substr(start, i - start));
      start = i + 1;
    }
  }
  sections.push_back(picture.substr(start));
  return sections;
}

struct PictureInfo {
  int integerPlaceholders = 0; // '0' and '#' before the point
  int integerZeros = 0;        // placeholders from the first '0' before the point on
  int decimalZeros = 0;        // position of the last '0' after the point (count)
  int decimalPlaceholders = 0; // '0' and '#' after the point
  bool hasPoint = false;
  bool grouped = false;
  bool scientific = false;
  int exponentZeros = 0;
};

bool isExponentMark(std::string_view s, std::size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

PictureInfo analysePicture(std::string_view s) {
  PictureInfo info;
  char quote = 0;
  bool seenIntegerZero = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (!info.scientific && isExponentMark(s, i)) {
      info.scientific = true;
      std::size_t k = i + 2;
      while (k < s.size() && s[k] == '0') {
        ++info.exponentZeros;
        ++k;
      }
      i = k - 1;
    } else if (c == '.' && !info.hasPoint && !info.scientific) {
      info.hasPoint = true;
    } else if (c == ',' && !info.hasPoint && !info.scientific) {
      info.grouped = true;
    } else if ((c == '0' || c == '#') && !info.scientific) {
      if (info.hasPoint) {
        ++info.decimalPlaceholders;
        if (c == '0') info.decimalZeros = info.decimalPlaceholders;
      } else {
        ++info.integerPlaceholders;
        if (c == '0') seenIntegerZero = true;
        if (seenIntegerZero) ++info.integerZeros;
      }
    }
  }
  return info;
}

// The digits a section prints, before they are laid into the picture.
struct PictureDigits {
  std::string integer;  // padded to the '0' placeholders
  std::string fraction; // between decimalZeros and decimalPlaceholders digits
  int exponent = 0;     // scientific only
};

PictureDigits pictureDigits(Decimal d, const PictureInfo& info, int maxPrec) {
  PictureDigits out;
  if (info.scientific) {
    const int integerDigits = std::max(info.integerPlaceholders, 1);
    const int significant = std::min(integerDigits + info.decimalPlaceholders, maxPrec);
    roundAtDigit(d, significant);
    out.exponent = d.isZero() ? 0 : d.exponent - integerDigits;
    std::string all = d.digits;
    all.resize(static_cast<std::size_t>(integerDigits + info.decimalPlaceholders), '0');
    out.integer = all.substr(0, static_cast<std::size_t>(integerDigits));
    out.fraction = all.substr(static_cast<std::size_t>(integerDigits));
    if (info.integerPlaceholders == 0) out.integer.clear();
  } else {
    roundAtDigit(d, std::min(d.exponent + info.decimalPlaceholders, maxPrec));
    out.integer = d.exponent > 0 ? integerPart(d) : std::string();
    out.fraction = fractionPart(d, info.decimalPlaceholders);
    if (static_cast<int>(out.integer.size()) < info.integerZeros)
      out.integer.insert(0, static_cast<std::size_t>(info.integerZeros) - out.integer.size(), '0');
  }
  while (static_cast<int>(out.fraction.size()) > info.decimalZeros && !out.fraction.empty() &&
         out.fraction.back() == '0')
    out.fraction.pop_back();
  return out;
}

bool roundsToZero(const Decimal& d, const PictureInfo& info, int maxPrec) {
  Decimal r = d;
  if (info.scientific) return d.isZero();
  roundAtDigit(r, std::min(r.exponent + info.decimalPlaceholders, maxPrec));
  return r.isZero();
}

std::string layPicture(std::string_view s, const PictureInfo& info, const PictureDigits& digits,
                       const TFormatSettings& fs) {
  std::string out;
  char quote = 0;
  bool inFraction = false;
  int integerSeen = 0;
  int fractionSeen = 0;
  const int integerCount = static_cast<int>(digits.integer.size());
  const int extra = integerCount - info.integerPlaceholders;
  auto emitIntegerDigit = [&](int index) {
    out.push_back(digits.integer[static_cast<std::size_t>(index)]);
    const int remaining = integerCount - index - 1;
    if (info.grouped && !info.scientific && remaining > 0 && remaining % 3 == 0)
      out.push_back(fs.ThousandSeparator);
  };
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out.push_back(c);
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (isExponentMark(s, i) && info.scientific) {
      out.push_back(c);
      if (digits.exponent < 0)
        out.push_back('-');
      else if (s[i + 1] == '+')
        out.push_back('+');
      std::string e = IntToStr(digits.exponent < 0 ? -digits.exponent : digits.exponent);
      if (static_cast<int>(e.size()) < info.exponentZeros)
        e.insert(0, static_cast<std::size_t>(info.exponentZeros) - e.size(), '0');
      out += e;
      std::size_t k = i + 2;
      while (k < s.size() && s[k] == '0')
        ++k;
      // The remaining picture after the exponent is literal text.
      for (; k < s.size(); ++k) {
        if (quote) {
          if (s[k] == quote)
            quote = 0;
          else
            out.push_back(s[k]);
        } else if (s[k] == '\'' || s[k] == '"') {
          quote = s[k];
        } else {
          out.push_back(s[k]);
        }
      }
      return out;
    } else if (c == '.' && !inFraction) {
      inFraction = true;
      // A picture without integer placeholders still shows the integer digits.
      if (info.integerPlaceholders == 0 && !info.scientific)
        for (int j = 0; j < integerCount; ++j)
          emitIntegerDigit(j);
      if (!digits.fraction.empty()) out.push_back(fs.DecimalSeparator);
    } else if (c == ',' && !inFraction) {
      // grouping marker, not printed itself
    } else if (c == '0' || c == '#') {
      if (!inFraction) {
        const int k = integerSeen++;
        if (k == 0)
          for (int j = 0; j < extra; ++j)
            emitIntegerDigit(j);
        const int index = k + extra;
        if (index >= 0) emitIntegerDigit(index);
      } else {
        const int k = fractionSeen++;
        if (k < static_cast<int>(digits.fraction.size()))
          out.push_back(digits.fraction[static_cast<std::size_t>(k)]);
      }
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Chooses the section: the negative one (without minus sign) for a negative
// value when present, and the zero one for a value that rounds to zero under
// the chosen section (else the first section, also without minus sign). An
// empty chosen section gives the general format.
std::string formatPicture(std::string_view picture, const Decimal& value, int maxPrec,
                          const TFormatSettings& fs) {
  if (value.cls != Decimal::Finite) return nonFinite(value);
  const std::vector<std::string_view> sections = pictureSections(picture);
  auto present = [&](std::size_t k) { return sections.size() > k && !sections[k].empty(); };
  std::size_t chosen = 0;
  bool writeMinus = value.negative;
  if (value.negative && present(1)) {
    chosen = 1;
    writeMinus = false;
  }
  PictureInfo info = analysePicture(sections[chosen]);
  if (value.isZero() || roundsToZero(value, info, maxPrec)) {
    chosen = present(2) ? 2 : 0;
    writeMinus = false;
    info = analysePicture(sections[chosen]);
  }
  const std::string_view section = sections[chosen];
  if (section.empty()) {
    Decimal general = value;
    if (!writeMinus) general.negative = false;
    return generalText(general, maxPrec > 18 ? 19 : 15, 0, fs);
  }
  const PictureDigits digits = pictureDigits(value, info, maxPrec);
  std::string out = layPicture(section, info, digits, fs);
  return writeMinus ? "-" + out : out;
}

} // namespace

std::string FormatFloat(std::string_view picture, double value) {
  return FormatFloat(picture, value, FormatSettings());
}
std::string FormatFloat(std::string_view picture, double value, const TFormatSettings& settings) {
  return formatPicture(picture, decomposeDouble(value), 18, settings);
}
std::string FormatFloat(std::string_view picture, Extended value) {
  return FormatFloat(picture, value, FormatSettings());
}
std::string FormatFloat(std::string_view picture, Extended value, const TFormatSettings& settings) {
  return formatPicture(picture, decomposeExtended(value, 18), 18, settings);
}
std::string FormatCurr(std::string_view picture, Currency value) {
  return FormatCurr(picture, value, FormatSettings());
}
std::string FormatCurr(std::string_view picture, Currency value, const TFormatSettings& settings) {
  return formatPicture(picture, decomposeCurrency(value), 19, settings);
}
