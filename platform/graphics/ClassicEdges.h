// The classic three-dimensional edges and frame controls of the windowing
// system, drawn with the system colours: DrawEdge and the combo box's
// drop-down button of DrawFrameControl.
#pragma once

#include "platform/graphics/Gdi.h"

enum : UINT {
  BDR_RAISEDOUTER = 0x0001,
  BDR_SUNKENOUTER = 0x0002,
  BDR_RAISEDINNER = 0x0004,
  BDR_SUNKENINNER = 0x0008,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
  EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
  EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
  BF_LEFT = 0x0001,
  BF_TOP = 0x0002,
  BF_RIGHT = 0x0004,
  BF_BOTTOM = 0x0008,
  BF_RECT = 0x000F,
  BF_MIDDLE = 0x0800,
  BF_FLAT = 0x4000,
  BF_ADJUST = 0x2000,
};
enum : UINT { DFC_SCROLL = 3 };
enum : UINT {
  DFCS_SCROLLLEFT = 0x0002,
  DFCS_SCROLLRIGHT = 0x0003,
  DFCS_SCROLLCOMBOBOX = 0x0005,
  DFCS_INACTIVE = 0x0100,
  DFCS_PUSHED = 0x0200,
  DFCS_FLAT = 0x4000
};

/// Draws the edges of `rect`; with BF_ADJUST the rectangle shrinks by the
/// width drawn. BF_FLAT draws each edge in one flat colour.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);
/// The drop-down button of a combo box (DFC_SCROLL, DFCS_SCROLLCOMBOBOX) and
/// the left and right scroll buttons (DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT).
BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state);
