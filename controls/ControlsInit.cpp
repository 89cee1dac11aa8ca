#include "controls/ControlsInit.h"

#include "controls/ACXPVS.h"
#include "controls/APXPVS.h"
#include "controls/ImagePicker.h"
#include "controls/OwGDIP.h"
#include "controls/OwGlassButton.h"
#include "controls/OwMenus.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/OwXPVS.h"
#include "controls/rtflabel.h"
#include "controls/zq/zqButtons.h"
#include "controls/zq/zqCheckCtrls.h"

void ControlsInitialize() {
  OwGDIPInitialize();
  ThemeApiInitialize();
  OwThemeApiInitialize();
  ApThemeApiInitialize();
  OwMenuUtilInitialize();
  MenuAnimationOff();
  RegisterOwTrackBar();
  RegisterZqControls();
  RegisterZqButtons();
  RegisterOwPageControl();
  RegisterImagePicker();
  RegisterOwMenus();
  RegisterOwGlassButton();
  RegisterRTFLabel();
}

void ControlsFinalize() {
  MenuAnimationRestore();
  ApThemeApiFinalize();
  OwThemeApiFinalize();
  ThemeApiFinalize();
  OwGDIPFinalize();
}
