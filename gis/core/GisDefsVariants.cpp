#include "gis/core/GisDefsVariants.h"

#include "gis/core/GisDefsCodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace {

[[noreturn]] void VariantIndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

bool IsWideText(TVarType type) {
  return type == varOleStr || type == varStrArg;
}

} // namespace

Variant TGIS_VariantList::Get(int index) const {
  if (index < 0 || index >= Count()) VariantIndexError(index);
  return items_[static_cast<std::size_t>(index)].Value;
}

void TGIS_VariantList::Put(int index, const Variant& value) {
  if (index < 0 || index >= Count()) VariantIndexError(index);
  items_[static_cast<std::size_t>(index)].Value = value;
}

void TGIS_VariantList::Add(const Variant& value) {
  items_.push_back({value});
}

void GisVariantToCodePage(const Variant& value, int fromCodePage, int toCodePage, Variant& out) {
  const TVarType type = value.VarType();
  if (IsWideText(type)) {
    out = Variant(GisWideToString(value.AsOleStr(), toCodePage));
  } else if (type == varString && fromCodePage != toCodePage) {
    out = Variant(GisConvertCodePage(value.AsString(), fromCodePage, toCodePage));
  } else {
    out = value;
  }
}

void GisVariantToWide(const Variant& value, int codePage, Variant& out) {
  if (value.VarType() != varString) return;
  out = Variant(GisStringToWide(value.AsString(), codePage));
}

void GisAdoFieldToVariant(const TGIS_AdoField& field, int layerCodePage, int outputCodePage,
                          Variant& out) {
  using namespace GisAdo;
  const Variant value = field.Value();
  if (value.IsNull()) {
    out = Null();
    return;
  }
  switch (field.DataType()) {
  case adBSTR:
  case adWChar:
  case adVarWChar:
  case adLongVarWChar:
    // UTF-8 text wanted as UTF-8 is itself: no round trip through UTF-16.
    if (outputCodePage == 65001 && value.VarType() == varString) {
      std::string text = value.AsString();
      if (IsValidUtf8(text)) {
        out = Variant(std::move(text));
        return;
      }
    }
    out = Variant(GisWideToString(value.AsOleStr(), outputCodePage));
    return;
  case adChar:
  case adVarChar:
  case adLongVarChar: {
    std::string text = value.AsString();
    if (layerCodePage != outputCodePage)
      text = GisConvertCodePage(text, layerCodePage, outputCodePage);
    out = Variant(TrimRight(text));
    return;
  }
  case adDecimal:
  case adNumeric:
  case adVarNumeric:
    if (field.NumericScale() != 0) {
      out = Variant(value.AsDouble());
      return;
    }
    try {
      out = Variant(value.AsInteger());
    } catch (const EVariantError&) {
      out = Variant(value.AsDouble());
    }
    return;
  default:
    out = value;
    return;
  }
}

void GisDefaultFieldValue(std::uint8_t fieldType, Variant& value) {
  switch (fieldType & 0x7F) {
  case gisFieldTypeString:
    value = Variant(std::string());
    break;
  case gisFieldTypeNumber:
  case gisFieldTypeFloat:
    value = Variant(0.0);
    break;
  case gisFieldTypeBoolean:
    value = Variant(false);
    break;
  case gisFieldTypeDate:
    value = Variant::FromDate(EncodeDate(1900, 1, 1));
    break;
  default:
    break;
  }
}
