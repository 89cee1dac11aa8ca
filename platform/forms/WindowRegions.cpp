// Reading a window's region back (SetWindowRgn is in Painting.cpp).
#include <QWidget>

#include "platform/forms/Controls.h"
#include "platform/forms/Windows.h"
#include "platform/graphics/QtBridge.h"

int GetWindowRgn(HWND h, HRGN rgn) {
  TWinControl* control = FindControl(h);
  if (!control || !control->Widget() || control->Widget()->mask().isEmpty()) return 0;
  return SetRegionFromQRegion(rgn, control->Widget()->mask()) ? 2 : 0; // SIMPLEREGION
}
