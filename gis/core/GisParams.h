// Rendering parameters: a layer's style sections and the parameter groups in
// them.
//
// Files:
//   GisParams.h            every class of the module (this file)
//   GisParams.cpp          the class roots, the sections and the section list
//   GisParamsFeature.cpp   line, area, marker, label and chart parameters
//   GisParamsRender.cpp    thematic render and pixel parameters
//   GisParamsQuery.h/.cpp  the compiled expressions the sections hold
//   GisParamsItems.h       (private) the ':'-separated item lists of chart texts
//
// Every object carries a change counter, Serial, which is 1 after creation
// (never changed) and rises with every change; a change of a parameter object
// raises its section's counter as well. Setters compare first: storing an
// equal value changes nothing.
//
// Per-shape styles: when a section is reached through a shape (its current
// shape is set), a change of its vector parameters goes to the shape's own
// section, made on the first such change as a copy of the layer's section
// (without query and render values). A render change through a shape whose
// own section has no render object goes to a copy that the section holds
// aside and never uses: render values are per layer section.
//
// Ini keys: the section keys ("Style", "Visible", "MinZoom", "MaxZoom",
// "MinScale", "MaxScale", "Legend", "Query"), then the groups' keys with the
// prefixes "Render.", "Line.", "Area.", "Marker.", "Label.", "Chart." and
// "Pixel.". Keys read with the current value as default.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisCanvasTypes.h"
#include "gis/core/GisDefsBitmap.h"
#include "gis/core/GisDefsStyles.h"
#include "gis/core/GisParamsQuery.h"
#include "platform/rtl/StringList.h"

class TGIS_Ini;
class TGIS_SymbolAbstract;
class TGIS_ParamsSection;
class TGIS_ParamsSectionVector;

/// What the parameters need of a shape that carries its own style: its own
/// section, which it owns. The shape classes implement it.
class TGIS_ParamsShape {
public:
  virtual ~TGIS_ParamsShape() = default;
  /// The shape's own style section; null when it has none.
  virtual TGIS_ParamsSectionVector* GetOwnSection() = 0;
  /// Gives the shape its own section (the shape owns it).
  virtual void SetOwnSection(std::unique_ptr<TGIS_ParamsSectionVector> section) = 0;
};

/// The label's font as the parameters keep it: a plain value, turned into a
/// drawing font only when a label is drawn.
struct TGIS_ParamsFont {
  std::string Name = "Arial";
  int32_t Size = 8; // points
  TFontStyles Style = 0;
  uint32_t Color = 0x010101;
  bool operator==(const TGIS_ParamsFont&) const = default;
};

// ------------------------------------------------------------------- roots

class TGIS_ParamsAbstract {
public:
  TGIS_ParamsAbstract() = default;
  virtual ~TGIS_ParamsAbstract() = default;
  TGIS_ParamsAbstract(const TGIS_ParamsAbstract&) = delete;
  TGIS_ParamsAbstract& operator=(const TGIS_ParamsAbstract&) = delete;

  /// Copies the values; the root step marks the object assigned and raises
  /// Serial.
  virtual void Assign(const TGIS_ParamsAbstract& source);
  /// A new object of the same class with its defaults.
  virtual std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const = 0;
  /// A new object of the same class holding a copy of the values.
  std::unique_ptr<TGIS_ParamsAbstract> CreateCopy() const;
  virtual void Change();
  virtual void LoadFromIni(TGIS_Ini& ini) = 0;
  virtual void SaveToIni(TGIS_Ini& ini) = 0;

  int32_t Serial() const { return serial_; }
  /// Sets the change counter back to a value it had: a temporary change that
  /// was undone (thematic rendering) does not count.
  void RestoreSerial(int32_t serial) { serial_ = serial; }
  bool IsAssigned() const { return assigned_; }

protected:
  void AssignRoot();

private:
  bool assigned_ = false;
  int32_t serial_ = 1;
};

class TGIS_ParamsSpecific : public TGIS_ParamsAbstract {
public:
  /// The owning section; null for a free-standing object.
  TGIS_ParamsSection* Section() const { return section_; }
  void SetSection(TGIS_ParamsSection* section) { section_ = section; }
  /// Raises this object's Serial and its section's.
  void Change() override;
  /// Reads the keys from key=value lines; the caller's list is left as it was.
  virtual void LoadFromStrings(TStrings& lines);
  /// Writes the keys as key=value lines.
  virtual void SaveToStrings(TStrings& lines);

private:
  TGIS_ParamsSection* section_ = nullptr;
};

class TGIS_ParamsVector : public TGIS_ParamsSpecific {
public:
  /// The object a change must go to: itself, or the object of the same kind
  /// in the shape's own section when the section was reached through a shape.
  TGIS_ParamsVector* GetWritable();
  /// Copies every value from an object of the same class.
  virtual void CopyFrom(const TGIS_ParamsVector& source);
  void Assign(const TGIS_ParamsAbstract& source) override;
  /// The section that a change made through a shape goes to; null when the
  /// owning section has no current shape.
  TGIS_ParamsSectionVector* EnsureShapeSection();

protected:
  /// The object of this kind held by `section`, null when it holds none.
  virtual TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const = 0;

  /// The setter rule: on the writable object, store a differing value and
  /// count the change.
  template <class C, class T> void SetMember(T C::*member, const T& value) {
    C* w = static_cast<C*>(GetWritable());
    if (!(w->*member == value)) {
      w->*member = value;
      w->Change();
    }
  }
};

// ---------------------------------------------------------- render, pixel

class TGIS_ParamsRender : public TGIS_ParamsVector {
public:
  TGIS_ParamsRender();
  ~TGIS_ParamsRender() override;
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void CopyFrom(const TGIS_ParamsVector& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  /// The expression's text, '' without one.
  std::string GetExpression() const;
  /// Compiles the text (EGIS_Exception 0020 when it does not compile).
  void SetExpression(const std::string& text);
  TGIS_SqlQueryAbstract* Expression() const { return expression_.get(); }
  const std::string& Chart() const { return chart_; }
  void SetChart(const std::string& text);
  /// The compiled chart expressions; entries may be null.
  const std::vector<std::unique_ptr<TGIS_SqlQueryAbstract>>& ChartQueries() const {
    return chartQueries_;
  }

  double MinVal() const { return minVal_; }
  double MaxVal() const { return maxVal_; }
  int32_t Zones() const { return zones_; }
  double MinValEx() const { return minValEx_; }
  double MaxValEx() const { return maxValEx_; }
  int32_t ZonesEx() const { return zonesEx_; }
  int32_t SizeDefault() const { return sizeDefault_; }
  uint32_t ColorDefault() const { return colorDefault_; }
  int32_t StartSize() const { return startSize_; }
  int32_t EndSize() const { return endSize_; }
  uint32_t StartColor() const { return startColor_; }
  uint32_t EndColor() const { return endColor_; }
  int32_t StartSizeEx() const { return startSizeEx_; }
  int32_t EndSizeEx() const { return endSizeEx_; }
  uint32_t StartColorEx() const { return startColorEx_; }
  uint32_t EndColorEx() const { return endColorEx_; }
  int32_t Round() const { return round_; }

  void SetMinVal(double v) { SetMember(&TGIS_ParamsRender::minVal_, v); }
  void SetMaxVal(double v) { SetMember(&TGIS_ParamsRender::maxVal_, v); }
  void SetZones(int32_t v) { SetMember(&TGIS_ParamsRender::zones_, v); }
  void SetMinValEx(double v) { SetMember(&TGIS_ParamsRender::minValEx_, v); }
  void SetMaxValEx(double v) { SetMember(&TGIS_ParamsRender::maxValEx_, v); }
  void SetZonesEx(int32_t v) { SetMember(&TGIS_ParamsRender::zonesEx_, v); }
  void SetSizeDefault(int32_t v) { SetMember(&TGIS_ParamsRender::sizeDefault_, v); }
  void SetColorDefault(uint32_t v);
  void SetStartSize(int32_t v) { SetMember(&TGIS_ParamsRender::startSize_, v); }
  void SetEndSize(int32_t v) { SetMember(&TGIS_ParamsRender::endSize_, v); }
  void SetStartColor(uint32_t v);
  void SetEndColor(uint32_t v);
  void SetStartSizeEx(int32_t v) { SetMember(&TGIS_ParamsRender::startSizeEx_, v); }
  void SetEndSizeEx(int32_t v) { SetMember(&TGIS_ParamsRender::endSizeEx_, v); }
  void SetStartColorEx(uint32_t v);
  void SetEndColorEx(uint32_t v);
  void SetRound(int32_t v) { SetMember(&TGIS_ParamsRender::round_, v); }

protected:
  TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const override;

private:
  std::unique_ptr<TGIS_SqlQueryAbstract> expression_;
  std::string chart_;
  std::vector<std::unique_ptr<TGIS_SqlQueryAbstract>> chartQueries_;
  double minVal_ = 0, maxVal_ = 0;
  int32_t zones_ = 0;
  double minValEx_ = 0, maxValEx_ = 0;
  int32_t zonesEx_ = 0;
  int32_t sizeDefault_ = 120;
  uint32_t colorDefault_ = 0x800000;
  int32_t startSize_ = 1, endSize_ = 480;
  uint32_t startColor_ = 0xFFFFFF, endColor_ = 0x008000;
  int32_t startSizeEx_ = 1, endSizeEx_ = 480;
  uint32_t startColorEx_ = 0x0000FF, endColorEx_ = 0xFFFFFF;
  int32_t round_ = 0;
};

class TGIS_ParamsPixel : public TGIS_ParamsSpecific {
public:
  TGIS_ParamsPixel();
  ~TGIS_ParamsPixel() override;
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void Assign(const TGIS_ParamsAbstract& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  int32_t Page() const { return page_; }
  int32_t RedBand() const { return redBand_; }
  int32_t GreenBand() const { return greenBand_; }
  int32_t BlueBand() const { return blueBand_; }
  int32_t GridBand() const { return gridBand_; }
  double GridNoValue() const { return gridNoValue_; }
  int32_t Red() const { return red_; }
  int32_t Green() const { return green_; }
  int32_t Blue() const { return blue_; }
  int32_t Brightness() const { return brightness_; }
  int32_t Contrast() const { return contrast_; }
  bool Inversion() const { return inversion_; }
  bool GrayScale() const { return grayScale_; }
  bool Histogram() const { return histogram_; }
  const std::string& HistogramPath() const { return histogramPath_; }

  /// Negative becomes 0.
  void SetPage(int32_t v);
  /// Negative bands become -1.
  void SetRedBand(int32_t v);
  void SetGreenBand(int32_t v);
  void SetBlueBand(int32_t v);
  void SetGridBand(int32_t v);
  void SetGridNoValue(double v);
  /// Percentages are clamped to -100..100.
  void SetRed(int32_t v);
  void SetGreen(int32_t v);
  void SetBlue(int32_t v);
  void SetBrightness(int32_t v);
  void SetContrast(int32_t v);
  void SetInversion(bool v);
  void SetGrayScale(bool v);
  void SetHistogram(bool v);
  void SetHistogramPath(const std::string& v);

  /// The zone lists, one zone per line; every change of a list counts as a
  /// change of the object.
  TStringList& TransparentZone() { return *zones_[0]; }
  TStringList& GrayMapZone() { return *zones_[1]; }
  TStringList& RedMapZone() { return *zones_[2]; }
  TStringList& GreenMapZone() { return *zones_[3]; }
  TStringList& BlueMapZone() { return *zones_[4]; }
  TStringList& FullRGBMapZone() { return *zones_[5]; }
  TStringList& AltitudeMapZone() { return *zones_[6]; }

private:
  template <class T> void Store(T& field, const T& value) {
    if (!(field == value)) {
      field = value;
      Change();
    }
  }
  int32_t page_ = 0, redBand_ = 0, greenBand_ = 0, blueBand_ = 0, gridBand_ = 0;
  double gridNoValue_ = 32768;
  int32_t red_ = 0, green_ = 0, blue_ = 0, brightness_ = 0, contrast_ = 0;
  bool inversion_ = false, grayScale_ = false, histogram_ = false;
  std::string histogramPath_;
  std::unique_ptr<TStringList> zones_[7];
};

// ----------------------------------------------------------------- features

class TGIS_ParamsFeature : public TGIS_ParamsVector {
public:
  TGIS_ParamsFeature();
  ~TGIS_ParamsFeature() override;
  void CopyFrom(const TGIS_ParamsVector& source) override;

  bool ShowLegend() const { return showLegend_; }
  int32_t SmartSize() const { return smartSize_; }
  const std::string& SmartSizeField() const { return smartSizeField_; }
  uint32_t Color() const { return color_; }
  TGIS_Bitmap* GetBitmap() const { return bitmap_.get(); }
  TBrushStyle Pattern() const { return pattern_; }
  TPenStyle OutlineStyle() const { return outlineStyle_; }
  int32_t OutlineWidth() const { return outlineWidth_; }
  uint32_t OutlineColor() const { return outlineColor_; }
  TGIS_Bitmap* GetOutlineBitmap() const { return outlineBitmap_.get(); }
  TBrushStyle OutlinePattern() const { return outlinePattern_; }

  void SetShowLegend(bool v) { SetMember(&TGIS_ParamsFeature::showLegend_, v); }
  void SetSmartSize(int32_t v) { SetMember(&TGIS_ParamsFeature::smartSize_, v); }
  void SetSmartSizeField(const std::string& v) {
    SetMember(&TGIS_ParamsFeature::smartSizeField_, v);
  }
  /// Black (0) is stored as $010101.
  void SetColor(uint32_t v);
  /// Holds an own copy of the picture (none for null).
  void SetBitmap(const TGIS_Bitmap* bitmap);
  void SetPattern(TBrushStyle v) { SetMember(&TGIS_ParamsFeature::pattern_, v); }
  void SetOutlineStyle(TPenStyle v) { SetMember(&TGIS_ParamsFeature::outlineStyle_, v); }
  void SetOutlineWidth(int32_t v) { SetMember(&TGIS_ParamsFeature::outlineWidth_, v); }
  void SetOutlineColor(uint32_t v);
  void SetOutlineBitmap(const TGIS_Bitmap* bitmap);
  void SetOutlinePattern(TBrushStyle v) { SetMember(&TGIS_ParamsFeature::outlinePattern_, v); }

protected:
  // Reading and writing of the shared keys under the class's prefix.
  void ReadCommon(TGIS_Ini& ini, const char* key);
  void WriteCommon(TGIS_Ini& ini, const char* key);

  bool showLegend_ = false;
  int32_t smartSize_ = 0;
  std::string smartSizeField_;
  uint32_t color_ = 0x010101;
  std::unique_ptr<TGIS_Bitmap> bitmap_;
  TBrushStyle pattern_ = bsSolid;
  TPenStyle outlineStyle_ = psSolid;
  int32_t outlineWidth_ = 0;
  uint32_t outlineColor_ = 0x010101;
  std::unique_ptr<TGIS_Bitmap> outlineBitmap_;
  TBrushStyle outlinePattern_ = bsSolid;

private:
  void SetPicture(std::unique_ptr<TGIS_Bitmap> TGIS_ParamsFeature::*member,
                  const TGIS_Bitmap* bitmap);
};

class TGIS_ParamsLine : public TGIS_ParamsFeature {
public:
  TGIS_ParamsLine();
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void CopyFrom(const TGIS_ParamsVector& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  TPenStyle Style() const { return style_; }
  int32_t Width() const { return width_; }
  TGIS_SymbolAbstract* Symbol() const { return symbol_; }
  int32_t SymbolGap() const { return symbolGap_; }
  double SymbolRotate() const { return symbolRotate_; }
  void SetStyle(TPenStyle v) { SetMember(&TGIS_ParamsLine::style_, v); }
  void SetWidth(int32_t v) { SetMember(&TGIS_ParamsLine::width_, v); }
  void SetSymbol(TGIS_SymbolAbstract* v) { SetMember(&TGIS_ParamsLine::symbol_, v); }
  void SetSymbolGap(int32_t v) { SetMember(&TGIS_ParamsLine::symbolGap_, v); }
  void SetSymbolRotate(double v) { SetMember(&TGIS_ParamsLine::symbolRotate_, v); }

protected:
  TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const override;

private:
  TPenStyle style_ = psSolid;
  int32_t width_ = 1;
  TGIS_SymbolAbstract* symbol_ = nullptr;
  int32_t symbolGap_ = 0;
  double symbolRotate_ = 0;
};

class TGIS_ParamsArea : public TGIS_ParamsFeature {
public:
  TGIS_ParamsArea();
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void CopyFrom(const TGIS_ParamsVector& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  TGIS_SymbolAbstract* Symbol() const { return symbol_; }
  int32_t SymbolSize() const { return symbolSize_; }
  int32_t SymbolGap() const { return symbolGap_; }
  double SymbolRotate() const { return symbolRotate_; }
  TGIS_SymbolAbstract* OutlineSymbol() const { return outlineSymbol_; }
  int32_t OutlineGap() const { return outlineGap_; }
  double OutlineRotate() const { return outlineRotate_; }
  void SetSymbol(TGIS_SymbolAbstract* v) { SetMember(&TGIS_ParamsArea::symbol_, v); }
  void SetSymbolSize(int32_t v) { SetMember(&TGIS_ParamsArea::symbolSize_, v); }
  void SetSymbolGap(int32_t v) { SetMember(&TGIS_ParamsArea::symbolGap_, v); }
  void SetSymbolRotate(double v) { SetMember(&TGIS_ParamsArea::symbolRotate_, v); }
  void SetOutlineSymbol(TGIS_SymbolAbstract* v) { SetMember(&TGIS_ParamsArea::outlineSymbol_, v); }
  void SetOutlineGap(int32_t v) { SetMember(&TGIS_ParamsArea::outlineGap_, v); }
  void SetOutlineRotate(double v) { SetMember(&TGIS_ParamsArea::outlineRotate_, v); }

protected:
  TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const override;

private:
  TGIS_SymbolAbstract* symbol_ = nullptr;
  int32_t symbolSize_ = 120, symbolGap_ = 120;
  double symbolRotate_ = 0;
  TGIS_SymbolAbstract* outlineSymbol_ = nullptr;
  int32_t outlineGap_ = 0;
  double outlineRotate_ = 0;
};

class TGIS_ParamsMarker : public TGIS_ParamsFeature {
public:
  TGIS_ParamsMarker();
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void CopyFrom(const TGIS_ParamsVector& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  TGIS_MarkerStyle Style() const { return style_; }
  int32_t Size() const { return size_; }
  TGIS_SymbolAbstract* Symbol() const { return symbol_; }
  double SymbolRotate() const { return symbolRotate_; }
  void SetStyle(TGIS_MarkerStyle v) { SetMember(&TGIS_ParamsMarker::style_, v); }
  void SetSize(int32_t v) { SetMember(&TGIS_ParamsMarker::size_, v); }
  void SetSymbol(TGIS_SymbolAbstract* v) { SetMember(&TGIS_ParamsMarker::symbol_, v); }
  void SetSymbolRotate(double v) { SetMember(&TGIS_ParamsMarker::symbolRotate_, v); }

protected:
  TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const override;

private:
  TGIS_MarkerStyle style_ = gisMarkerStyleBox;
  int32_t size_ = 100;
  TGIS_SymbolAbstract* symbol_ = nullptr;
  double symbolRotate_ = 0;
};

class TGIS_ParamsLabel : public TGIS_ParamsFeature {
public:
  TGIS_ParamsLabel();
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void CopyFrom(const TGIS_ParamsVector& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  bool Visible() const { return visible_; }
  bool Allocator() const { return allocator_; }
  bool Duplicates() const { return duplicates_; }
  const std::string& Field() const { return field_; }
  const std::string& Value() const { return value_; }
  /// The font; its values have no change rule (they are stored directly).
  TGIS_ParamsFont& Font() { return font_; }
  const TGIS_ParamsFont& Font() const { return font_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  TGIS_LabelPositions Position() const { return position_; }
  TGIS_LabelAlignment Alignment() const { return alignment_; }
  double Rotate() const { return rotate_; }
  void SetVisible(bool v) { SetMember(&TGIS_ParamsLabel::visible_, v); }
  void SetAllocator(bool v) { SetMember(&TGIS_ParamsLabel::allocator_, v); }
  void SetDuplicates(bool v) { SetMember(&TGIS_ParamsLabel::duplicates_, v); }
  void SetField(const std::string& v) { SetMember(&TGIS_ParamsLabel::field_, v); }
  void SetValue(const std::string& v) { SetMember(&TGIS_ParamsLabel::value_, v); }
  void SetWidth(int32_t v) { SetMember(&TGIS_ParamsLabel::width_, v); }
  void SetHeight(int32_t v) { SetMember(&TGIS_ParamsLabel::height_, v); }
  void SetPosition(TGIS_LabelPositions v) { SetMember(&TGIS_ParamsLabel::position_, v); }
  void SetAlignment(TGIS_LabelAlignment v) { SetMember(&TGIS_ParamsLabel::alignment_, v); }
  /// Stored directly, without the change rule.
  void SetRotate(double v) { rotate_ = v; }

protected:
  TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const override;

private:
  bool visible_ = true, allocator_ = true, duplicates_ = true;
  std::string field_, value_;
  TGIS_ParamsFont font_;
  int32_t width_ = 1500, height_ = 1500;
  TGIS_LabelPositions position_ = 4;
  TGIS_LabelAlignment alignment_ = gisLabelAlignmentSingle;
  double rotate_ = 0;
};

class TGIS_ParamsChart : public TGIS_ParamsFeature {
public:
  TGIS_ParamsChart();
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void CopyFrom(const TGIS_ParamsVector& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  TGIS_ChartStyle Style() const { return style_; }
  int32_t Size() const { return size_; }
  /// Items 0 and 1 are the scale's minimum and maximum; 1.7e308 marks a
  /// missing value.
  const std::vector<double>& Values() const { return values_; }
  /// The values joined by ":".
  std::string GetValues() const;
  void SetValues(const std::string& text);
  /// Stores values computed for one shape by the thematic renderer, on this
  /// object and without the change rule (they are no change of the style).
  void SetRenderedValues(std::vector<double> values) { values_ = std::move(values); }
  const std::string& Legend() const { return legend_; }
  void SetLegend(const std::string& text);
  void SetStyle(TGIS_ChartStyle v) { SetMember(&TGIS_ParamsChart::style_, v); }
  void SetSize(int32_t v) { SetMember(&TGIS_ParamsChart::size_, v); }

protected:
  TGIS_ParamsVector* KindIn(TGIS_ParamsSectionVector& section) const override;

private:
  TGIS_ChartStyle style_ = gisChartStylePie;
  int32_t size_ = 250;
  std::vector<double> values_;
  std::string legend_;
};

// ------------------------------------------------------------------ sections

class TGIS_ParamsSection : public TGIS_ParamsAbstract {
public:
  TGIS_ParamsSection() = default;
  /// Copies the section fields when the source is a section.
  void Assign(const TGIS_ParamsAbstract& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  /// Set while the section is reached through a shape.
  TGIS_ParamsShape* CurrentShape() const { return currentShape_; }
  void SetCurrentShape(TGIS_ParamsShape* shape) { currentShape_ = shape; }

  const std::string& Style() const { return style_; }
  bool Visible() const { return visible_; }
  double MinZoom() const { return minZoom_; }
  double MaxZoom() const { return maxZoom_; }
  double MinScale() const { return minScale_; }
  double MaxScale() const { return maxScale_; }
  const std::string& Legend() const { return legend_; }
  void SetStyle(const std::string& v) { Store(style_, v); }
  void SetVisible(bool v) { Store(visible_, v); }
  void SetMinZoom(double v) { Store(minZoom_, v); }
  void SetMaxZoom(double v) { Store(maxZoom_, v); }
  void SetMinScale(double v) { Store(minScale_, v); }
  void SetMaxScale(double v) { Store(maxScale_, v); }
  void SetLegend(const std::string& v) { Store(legend_, v); }

private:
  template <class T> void Store(T& field, const T& value) {
    if (!(field == value)) {
      field = value;
      Change();
    }
  }
  TGIS_ParamsShape* currentShape_ = nullptr;
  std::string style_;
  bool visible_ = true;
  double minZoom_ = 0, maxZoom_ = 1.7e308, minScale_ = 0, maxScale_ = 1.7e308;
  std::string legend_;
};

class TGIS_ParamsSectionVector : public TGIS_ParamsSection {
public:
  TGIS_ParamsSectionVector();
  ~TGIS_ParamsSectionVector() override;
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  /// Copies into the shape's own section when reached through a shape.
  void Assign(const TGIS_ParamsAbstract& source) override;
  /// The section's copy: query and render only when this section has no
  /// current shape; then the five feature groups and the section fields.
  void CopyFromSection(const TGIS_ParamsSection& source);
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;

  /// The query's text, '' without one.
  std::string GetQuery() const;
  /// Compiles the text (EGIS_Exception 0020 when it does not compile); an
  /// equal text changes nothing; clearing does not count as a change.
  void SetQuery(const std::string& text);
  TGIS_SqlQueryAbstract* Query() const { return query_.get(); }

  // The parameter groups, made on first access.
  TGIS_ParamsRender& GetRender();
  TGIS_ParamsLine& GetLine();
  TGIS_ParamsArea& GetArea();
  TGIS_ParamsMarker& GetMarker();
  TGIS_ParamsLabel& GetLabel();
  TGIS_ParamsChart& GetChart();
  bool HasRender() const { return render_ != nullptr; }
  bool HasLine() const { return line_ != nullptr; }
  bool HasArea() const { return area_ != nullptr; }
  bool HasMarker() const { return marker_ != nullptr; }
  bool HasLabel() const { return label_ != nullptr; }
  bool HasChart() const { return chart_ != nullptr; }

  /// Holds `copy` aside as the target of a change that this section keeps no
  /// object for (a render change through a shape); the previous one is freed.
  TGIS_ParamsVector* HoldAside(std::unique_ptr<TGIS_ParamsAbstract> copy);

private:
  template <class P> P& Make(std::unique_ptr<P>& slot) {
    if (!slot) {
      slot = std::make_unique<P>();
      slot->SetSection(this);
    }
    return *slot;
  }
  std::unique_ptr<TGIS_SqlQueryAbstract> query_;
  std::unique_ptr<TGIS_ParamsRender> render_;
  std::unique_ptr<TGIS_ParamsLine> line_;
  std::unique_ptr<TGIS_ParamsArea> area_;
  std::unique_ptr<TGIS_ParamsMarker> marker_;
  std::unique_ptr<TGIS_ParamsLabel> label_;
  std::unique_ptr<TGIS_ParamsChart> chart_;
  std::unique_ptr<TGIS_ParamsAbstract> aside_;
};

class TGIS_ParamsSectionPixel : public TGIS_ParamsSection {
public:
  TGIS_ParamsSectionPixel();
  ~TGIS_ParamsSectionPixel() override;
  std::unique_ptr<TGIS_ParamsAbstract> CreateNew() const override;
  void Assign(const TGIS_ParamsAbstract& source) override;
  void LoadFromIni(TGIS_Ini& ini) override;
  void SaveToIni(TGIS_Ini& ini) override;
  TGIS_ParamsPixel& GetPixel();

private:
  std::unique_ptr<TGIS_ParamsPixel> pixel_;
};

// --------------------------------------------------------------------- list

class TGIS_ParamsList {
public:
  /// `ownerSection`: the owner's current-section variable, kept pointing at
  /// the current section; may be null.
  explicit TGIS_ParamsList(TGIS_ParamsSection** ownerSection = nullptr);
  virtual ~TGIS_ParamsList();
  TGIS_ParamsList(const TGIS_ParamsList&) = delete;
  TGIS_ParamsList& operator=(const TGIS_ParamsList&) = delete;

  int GetCount() const { return static_cast<int>(sections_.size()); }
  int Current() const { return current_; }
  /// A negative index is ignored.
  void SetCurrent(int index);
  /// Section `index` with its current shape cleared.
  TGIS_ParamsSection& GetItem(int index);
  /// Appends the first section; the list must be empty.
  void AddDefault(std::unique_ptr<TGIS_ParamsSection> section);
  /// Frees every section but the first and makes the first current.
  void Clear();
  /// Appends a copy of the first section and makes it current.
  void Add();
  void LoadFromIni(TGIS_Ini& ini);
  void SaveToIni(TGIS_Ini& ini);
  virtual void SaveToStrings(TStrings& lines);

private:
  std::vector<std::unique_ptr<TGIS_ParamsSection>> sections_;
  int current_ = 0;
  TGIS_ParamsSection** ownerSection_;
};
