// The compiled attribute expressions that style sections hold.
//
// The query language itself lives with the vector data model
// (gis/vector/GisSqlQuery.h), which depends on this library; the parameter
// classes here reach it through this interface and a factory that the vector
// library installs (GisSqlQueryInstall in gis/vector/GisSqlQuery.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Variant.h"

class TGIS_ShapeAbstract;

/// What a query needs of a layer: field numbers by name and field values of
/// a shape. The vector layer implements it.
class TGIS_SqlFieldSource {
public:
  virtual ~TGIS_SqlFieldSource() = default;
  /// The field number of a name: 0..count-1 for the layer's fields, the
  /// virtual field numbers (100000 and up) for the virtual fields, -1 for a
  /// name the layer does not have.
  virtual int FindField(const std::string& name) = 0;
  /// The value of field `field` of `shape`; an unassigned Variant ends the
  /// evaluation (False or 0).
  virtual Variant GetFieldValue(TGIS_ShapeAbstract* shape, int field) = 0;
};

/// A compiled attribute expression.
class TGIS_SqlQueryAbstract {
public:
  virtual ~TGIS_SqlQueryAbstract() = default;
  virtual const std::string& Text() const = 0;
  /// Stores and compiles the text; raises EGIS_Exception 0020 when it does
  /// not compile.
  virtual void SetText(const std::string& text) = 0;
  virtual void ResetFieldCache() = 0;
  virtual bool EvaluateBoolean(TGIS_ShapeAbstract* shape, bool defaultValue,
                               TGIS_SqlFieldSource& layer) = 0;
  virtual double EvaluateNumber(TGIS_ShapeAbstract* shape, double defaultValue,
                                TGIS_SqlFieldSource& layer) = 0;
};

using TGIS_SqlQueryFactory = std::function<std::unique_ptr<TGIS_SqlQueryAbstract>()>;

/// Installs the maker of queries (null removes it).
void GisSetSqlQueryFactory(TGIS_SqlQueryFactory factory);

/// A new query compiled from `text`. Raises EGIS_Exception 0020 when the
/// text does not compile, or when no query language is installed.
std::unique_ptr<TGIS_SqlQueryAbstract> GisCompileSqlQuery(const std::string& text);
