// The print-preview component: its published settings, glyph, placement and
// the viewer reference that clears when the viewer goes.
#include <gtest/gtest.h>

#include "gis/core/GisKernel.h"
#include "gis/core/GisResource.h"
#include "gis/viewer/GisControlPrintPreview.h"
#include "gis/viewer/GisViewer.h"
#include "platform/forms/Properties.h"

TEST(GisControlPrintPreview, PublishesItsSettingsWithTheirDefaults) {
  GisKernelInit();
  TForm form(nullptr);
  auto* prev = new TGIS_ControlPrintPreviewSimple(&form);
  prev->SetName("prev");
  struct TRow {
    const char* name;
    const char* text;
  } rows[] = {{"Caption", "Print Preview"},
              {"WindowState", "wsMaximized"},
              {"WindowPosition", "poDesigned"},
              {"WindowLeft", "0"},
              {"WindowTop", "0"},
              {"WindowWidth", "640"},
              {"WindowHeight", "480"}};
  for (const TRow& row : rows) {
    EXPECT_EQ(GetPropText(*prev, row.name), row.text) << row.name;
    const TPropInfo* info = GetPropInfo(*prev, row.name);
    ASSERT_NE(info, nullptr) << row.name;
    EXPECT_FALSE(IsStoredProp(*prev, *info)) << row.name; // defaults are not stored
  }
  EXPECT_EQ(GIS_RS_PREVIEW_DLG, "Print Preview");

  // written by name, as stored definitions do
  SetComponentPropText(form, "prev.WindowState", "wsNormal");
  SetComponentPropText(form, "prev.WindowPosition", "poScreenCenter");
  SetComponentPropText(form, "prev.WindowWidth", "800");
  SetComponentPropText(form, "prev.Caption", "Vorschau");
  EXPECT_EQ(prev->WindowState(), TWindowState::wsNormal);
  EXPECT_EQ(prev->WindowPosition(), TPosition::poScreenCenter);
  EXPECT_EQ(prev->WindowWidth(), 800);
  EXPECT_EQ(prev->Caption(), "Vorschau");
  EXPECT_TRUE(IsStoredProp(*prev, *GetPropInfo(*prev, "WindowWidth")));

  // creatable by class name
  TComponent* made = CreateComponentByClassName("TGIS_ControlPrintPreviewSimple", &form);
  ASSERT_NE(dynamic_cast<TGIS_ControlPrintPreviewSimple*>(made), nullptr);
}

TEST(GisControlPrintPreview, SitsInItsOwnerSizedToItsGlyphAndHidden) {
  GisKernelInit();
  TForm form(nullptr);
  auto* prev = new TGIS_ControlPrintPreviewSimple(&form);
  EXPECT_EQ(prev->Parent(), &form);
  EXPECT_FALSE(prev->Visible());
  ASSERT_FALSE(prev->Glyph()->Empty());
  EXPECT_EQ(prev->Width(), prev->Glyph()->Width());
  EXPECT_EQ(prev->Height(), prev->Glyph()->Height());
  EXPECT_TRUE(prev->Glyph()->Transparent());
  EXPECT_EQ(prev->Glyph()->TransparentColor(), TColor(0xFF00FF));

  // an owner without a window: no parent
  TComponent plain(nullptr);
  auto* loose = new TGIS_ControlPrintPreviewSimple(&plain);
  EXPECT_EQ(loose->Parent(), nullptr);
  EXPECT_FALSE(loose->Visible());
}

TEST(GisControlPrintPreview, ForgetsAViewerThatIsFreed) {
  GisKernelInit();
  TForm form(nullptr);
  auto* prev = new TGIS_ControlPrintPreviewSimple(&form);
  auto* viewer = new TGIS_Viewer(&form);
  viewer->SetName("gis");
  prev->SetName("prev");
  SetPropValue(*prev, "GIS_Viewer", TPropValue(static_cast<TPersistent*>(viewer)));
  EXPECT_EQ(prev->GIS_Viewer(), viewer);
  EXPECT_EQ(GetPropValue(*prev, "GIS_Viewer").AsObject(), viewer);
  delete viewer;
  EXPECT_EQ(prev->GIS_Viewer(), nullptr);

  // a viewer outliving the component is not told about a dead one
  auto* other = new TGIS_Viewer(nullptr);
  {
    TGIS_ControlPrintPreviewSimple transient(nullptr);
    transient.SetGIS_Viewer(other);
  }
  delete other;
}
