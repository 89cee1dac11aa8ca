#include "controls/ControlsInit.h"

#include "controls/ACXPVS.h"
#include "controls/ImagePicker.h"
#include "controls/OwGDIP.h"
#include "controls/OwMenus.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"

void ControlsInitialize() {
  OwGDIPInitialize();
  ThemeApiInitialize();
  MenuAnimationOff();
  RegisterOwTrackBar();
  RegisterZqControls();
  RegisterOwPageControl();
  RegisterImagePicker();
  RegisterOwMenus();
}

void ControlsFinalize() {
  MenuAnimationRestore();
  ThemeApiFinalize();
  OwGDIPFinalize();
}
