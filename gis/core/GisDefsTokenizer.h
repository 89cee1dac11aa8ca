// Splitting of texts into tokens and delimited fields.
#pragma once

#include <string>

#include "platform/rtl/StringList.h"

class TGIS_Tokenizer {
public:
  /// Splits the trimmed text on any of the separator characters; a run of
  /// separators makes one break, a leading separator an empty first token, a
  /// trailing one no token. With quote protection, separators between double
  /// quotes do not split. Each token is trimmed and loses one pair of matching
  /// single quotes, then one pair of matching double quotes.
  void Execute(const std::string& text, const std::string& separators, bool quoteProtection);
  /// Splits one line into fields at a single separator: blanks (codes 1-32,
  /// sparing a TAB separator) are skipped before the first field and after
  /// each field and separator; empty fields are kept; a field beginning with
  /// the quote character runs to the next lone one (a doubled quote inside
  /// it is one quote character).
  void ExecuteFields(const std::string& text, char separator, char quote);
  /// The tokens of the last split.
  TStringList& Result() { return result_; }
  const TStringList& Result() const { return result_; }

private:
  TStringList result_;
};
