// The controls of the application's windows as their stored definitions
// give them (shared by the tests and the demo).
#pragma once

// The tool window's zoom bar as stored: Min 2 … Max 18 at 6, 159 × 43, a
// pointer thumb 17 × 20 with the colours of preset 3, a rounded slider 6
// high, ticks below it, "zoom: %d" centred under them. Slider.Offset 7 and
// TickMark.Spacing 4 keep the thumb and the label inside the 43 pixels.
inline const char* const kToolControlsDefinition = R"(object Tool: TForm
  object Egzoom: TOwTrackBar
    Left = 10
    Top = 20
    Width = 159
    Height = 43
    Min = 2
    Max = 18
    Position = 6
    TrackHint = True
    Thumb.Width = 17
    Thumb.Size = 20
    Thumb.Shape = tsPointer
    Thumb.Color = 16777215
    Thumb.ColorTo = 13226453
    Thumb.ColorMirror = 16777215
    Thumb.ColorMirrorTo = 13226453
    Thumb.BorderColor = 0
    Thumb.ColorHot = 15465983
    Thumb.ColorHotTo = 11332863
    Thumb.ColorMirrorHot = 5888767
    Thumb.ColorMirrorHotTo = 10807807
    Thumb.BorderColorHot = 10079963
    Thumb.ColorDown = 7778289
    Thumb.ColorDownTo = 4296947
    Thumb.ColorMirrorDown = 946929
    Thumb.ColorMirrorDownTo = 5021693
    Thumb.BorderColorDown = 4548219
    Thumb.Gradient = ggVertical
    Thumb.GradientMirror = ggVertical
    Slider.Size = 6
    Slider.Rounded = True
    Slider.Offset = 7
    Slider.Color = 16777215
    Slider.ColorTo = 13226453
    Slider.Direction = gdVertical
    Slider.BorderColor = 9598070
    TickMark.Position = tmBottomRight
    TickMark.Spacing = 4
    TickMark.Color = 9598070
    TrackLabel.Visible = True
    TrackLabel.Format = 'zoom: %d'
    TrackLabel.Position = lpBottomCenter
    TrackLabel.Spacing = 2
  end
end
)";

// The tool window's two check boxes (both checked in the stored form), and
// the map window's style manager, with which no control registers.
inline const char* const kCheckBoxesDefinition = R"(object Tool: TForm
  object Cstayontop: TzqCheckbox
    Left = 10
    Top = 80
    Width = 150
    Height = 17
    Caption = 'Stay on top'
    Checked = True
  end
  object cdescr: TzqCheckbox
    Left = 10
    Top = 100
    Width = 150
    Height = 17
    Caption = 'Create description file '
    Checked = True
  end
  object zqStyleManager1: TzqStyleManager
  end
end
)";

// The tool window's page control: filling the window below its 45-pixel
// top panel, five sheets, the Navigation page active. The window's font is
// Tahoma 8 points (height -11), the face of the active tab's font: the tabs
// are measured in the window's font and the active one is drawn in
// ActiveFont, so the two must agree for an active caption to fit its tab.
inline const char* const kPageControlDefinition = R"(object Tool: TForm
  Font.Name = 'Tahoma'
  Font.Height = -11
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 320
    Height = 45
    Align = alTop
  end
  object OwPageControl1: TOwPageControl
    Left = 0
    Top = 45
    Width = 320
    Height = 150
    Align = alClient
    ActivePage = TabSheet3
    DefaultTabColor = 14342874
    ActiveColor = 16777215
    TabBackGroundColor = 16777215
    TabMargin.RightMargin = 0
    TabOverlap = 0
    ActiveFont.Name = 'Tahoma'
    ActiveFont.Height = -11
    Version = '1.5.0.8'
    object TabSheet1: TOwTabSheet
      Caption = ' Map position '
      Color = 16777215
      ColorTo = 536870911
      TabColor = 14342874
      TabColorTo = 536870911
    end
    object TabSheet2: TOwTabSheet
      Caption = ' Map size '
      Color = 16777215
      ColorTo = 536870911
      TabColor = 14342874
      TabColorTo = 536870911
    end
    object TabSheet3: TOwTabSheet
      Caption = ' Navigation '
      Color = 16777215
      ColorTo = 536870911
      TabColor = 14342874
      TabColorTo = 536870911
    end
    object TabSheet4: TOwTabSheet
      Caption = ' Settings '
      Color = 16777215
      ColorTo = 536870911
      TabColor = 14342874
      TabColorTo = 536870911
    end
    object TabSheet5: TOwTabSheet
      Caption = ' About '
      Color = 16777215
      ColorTo = 536870911
      TabColor = 14342874
      TabColorTo = 536870911
    end
  end
end
)";

// The tool window's map-source picker (its nine items and images are added
// by the program).
inline const char* const kPickerDefinition = R"(object Tool: TForm
  object mapPick: TImagePicker
    Left = 170
    Top = 80
    Width = 150
    Height = 24
    Flat = True
    Color = 16777215
    ShowCaption = True
  end
end
)";

/// The picker's nine items, as the program adds them: three services in
/// three views each, items 0-2 with image 0, 3-5 with image 1, 6-8 with 2.
inline const char* const kPickerCaptions[9] = {"Google Normal", "Google Satelite", "Google Hybrid",
                                               "VE Normal",     "VE Staelite",     "VE Hybrid",
                                               "Yahoo Normal",  "Yahoo Satelite",  "Yahoo Hybrid"};

// The map window's styler and its two popup menus. Its glyph bitmaps are
// the styler's own (drawn to the same shapes).
inline const char* const kMapMenusDefinition = R"(object Map: TForm
  object OwMenuStyler1: TOwMenuStyler
    AntiAlias = aaNone
    Background.Position = bpCenter
    SideBar.Image.Position = bpCenter
    SideBar.Background.Position = bpCenter
    SideBar.SplitterColorTo = 0
    Separator.GradientType = gtBoth
    Font.Charset = 1
    Font.Name = 'Tahoma'
    Font.Height = -11
    Font.Color = -16777209
    Font.Style = []
    NotesFont.Charset = 1
    NotesFont.Name = 'Tahoma'
    NotesFont.Height = -8
    NotesFont.Color = 8421504
    NotesFont.Style = []
    SelectedItem.Font.Charset = 1
    SelectedItem.Font.Name = 'Tahoma'
    SelectedItem.Font.Height = -11
    SelectedItem.Font.Color = -16777208
    SelectedItem.Font.Style = []
    SelectedItem.NotesFont.Charset = 1
    SelectedItem.NotesFont.Name = 'Tahoma'
    SelectedItem.NotesFont.Height = -8
    SelectedItem.NotesFont.Color = -16777208
    SelectedItem.NotesFont.Style = []
    RootItem.Font.Charset = 1
    RootItem.Font.Name = 'Tahoma'
    RootItem.Font.Height = -11
    RootItem.Font.Color = -16777209
    RootItem.Font.Style = []
    SideBar.Font.Charset = 1
    SideBar.Font.Name = 'Tahoma'
    SideBar.Font.Height = -19
    SideBar.Font.Color = 16777215
    SideBar.Font.Style = [fsBold, fsItalic]
    ButtonAppearance.CaptionFont.Charset = 1
    ButtonAppearance.CaptionFont.Name = 'Tahoma'
    ButtonAppearance.CaptionFont.Height = -11
    ButtonAppearance.CaptionFont.Color = -16777208
    ButtonAppearance.CaptionFont.Style = []
  end
  object p: TOwPopupMenu
    MenuStyler = OwMenuStyler1
    Version = '2.5.2.0'
    object Hitrost1: TMenuItem
      Caption = 'Copy Lat. and Lon to clipboard'
    end
    object CopyUTMtoclipboard1: TMenuItem
      Caption = 'Copy UTM to clipboard'
    end
  end
  object pmap: TOwPopupMenu
    MenuStyler = OwMenuStyler1
    Version = '2.5.2.0'
    object Google1: TMenuItem
      Caption = 'Google'
    end
    object Yahoo1: TMenuItem
      Caption = 'Yahoo'
    end
    object VE1: TMenuItem
      Caption = 'VE'
    end
  end
end
)";
