// The attribute query language: the WHERE-clause part of a query over a
// shape's attributes.
//
// A text is compiled once (SetText) into a list of tokens; every evaluation
// fetches the values of the fields the text names through the layer and runs
// an operator-precedence pass with two stacks, giving a Boolean or a number.
// Evaluation errors never propagate: the caller's default is returned.
//
// Files: GisSqlQuery.cpp (compiling and evaluating), GisSqlQueryValues.*
// (the value type, comparisons and arithmetic), GisSqlQueryLike.* (the LIKE
// matcher), GisSqlQueryVariant.cpp (field values from the runtime's Variant).
// The field-source interface, TGIS_SqlFieldSource, is declared with the
// abstract query in gis/core/GisParamsQuery.h.
//
// Operator precedence, tightest first: unary minus; IN; "/" "*" "-" "+";
// LIKE; the comparisons; NOT; OR; AND; BETWEEN. So "a AND b OR c" is
// "a AND (b OR c)". A sign after "," belongs to the next item of an IN list.
// An AND or OR at the outer level whose left side is the constant FALSE or
// TRUE ends the evaluation at once, unless a looser operator follows it.
//
// Texts: "=", "<>" and the orderings ignore letter case (Unicode simple case
// folding, code-point order); IN and BETWEEN compare with case. Floats are
// equal when their 32-bit values are, and "<>" is exactly "not =". LIKE:
// "%" any run, "_" one character, the whole text must match, an empty text
// never matches.
#pragma once

#include <memory>
#include <string>

#include "gis/core/GisParamsQuery.h"

class T_SqlParser;

class TGIS_SqlQuery : public TGIS_SqlQueryAbstract {
public:
  TGIS_SqlQuery();
  ~TGIS_SqlQuery() override;
  TGIS_SqlQuery(const TGIS_SqlQuery&) = delete;
  TGIS_SqlQuery& operator=(const TGIS_SqlQuery&) = delete;

  const std::string& Text() const override { return text_; }
  /// Stores and compiles the text; a text that does not compile raises
  /// EGIS_Exception "0020 Wrong expression" with the text (the text stays
  /// stored, the query then evaluates to the default). An empty text compiles
  /// to nothing and evaluates to the default.
  void SetText(const std::string& text) override;

  /// Forgets the field numbers looked up so far (after the layer's fields
  /// changed).
  void ResetFieldCache() override;

  bool EvaluateBoolean(TGIS_ShapeAbstract* shape, bool defaultValue,
                       TGIS_SqlFieldSource& layer) override;
  double EvaluateNumber(TGIS_ShapeAbstract* shape, double defaultValue,
                        TGIS_SqlFieldSource& layer) override;

private:
  std::string text_;
  std::unique_ptr<T_SqlParser> parser_;
};

/// Makes this query language the one the style sections compile their
/// expressions with (GisCompileSqlQuery). Call once at start-up, after the
/// kernel has started.
void GisSqlQueryInstall();
