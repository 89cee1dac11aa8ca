// A reader of the rich text format, as much of it as a label needs: groups,
// control words and symbols, the font and colour tables, bold, italic,
// underline, font size, text colour, paragraph alignment, paragraph and line
// breaks, tabs, hex-escaped bytes in the document's or the font's code page
// and Unicode escapes with their fallback counts. Destinations it does not
// know (\* groups, pictures, the stylesheet, document information ...) are
// skipped whole.
//
// The reader never fails and never crashes on damaged input: unbalanced
// braces, cut-off control words, absurd numbers, references to missing
// fonts or colours and groups nested past the limit are read as well as they
// can be, and each kind of damage is named once in Problems. Its work is
// linear in the input's length.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/graphics/Colors.h"

enum class TRtfAlign { Left, Center, Right };

struct TRtfCharFormat {
  int Font = -1; // the \f number; -1: the default font
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  int HalfPoints = 24; // \fs
  int Color = 0;       // colour table index; 0: automatic
  friend bool operator==(const TRtfCharFormat&, const TRtfCharFormat&) = default;
};

struct TRtfRun {
  TRtfCharFormat Format;
  std::string Text; // UTF-8; "\t" is a tab, "\n" a line break
};

struct TRtfParagraph {
  TRtfAlign Align = TRtfAlign::Left;
  std::vector<TRtfRun> Runs;
  /// The format of the paragraph mark (sizes an empty paragraph).
  TRtfCharFormat MarkFormat;
  std::string PlainText() const;
};

struct TRtfFont {
  std::string Name;
  int Charset = 0;
};

struct TRtfDocument {
  std::map<int, TRtfFont> Fonts; // by \f number
  int DefaultFont = 0;           // \deff
  /// Entry 0 is usually automatic (no colour).
  std::vector<std::optional<TColor>> Colors;
  std::vector<TRtfParagraph> Paragraphs;
  /// What was damaged, one line per kind, in the order first met.
  std::vector<std::string> Problems;

  /// The face of a font number (the default font's for -1 or a missing one);
  /// empty when the table has neither.
  std::string FaceOf(int font) const;
  /// The colour of a table index; nullopt for automatic or a missing entry.
  std::optional<TColor> ColorOf(int index) const;
  /// The paragraphs' text joined with CR LF.
  std::string PlainText() const;
};

/// True when the bytes begin as rich text ("{\rtf").
bool LooksLikeRtf(std::string_view bytes);
/// Reads rich text; bytes that are not rich text become plain paragraphs
/// (split at CR LF, LF or CR).
TRtfDocument ReadRtf(std::string_view bytes);
