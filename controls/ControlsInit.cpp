#include "controls/ControlsInit.h"

#include "controls/ACXPVS.h"
#include "controls/ImagePicker.h"
#include "controls/OwGDIP.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"

void ControlsInitialize() {
  OwGDIPInitialize();
  ThemeApiInitialize();
  RegisterOwTrackBar();
  RegisterZqControls();
  RegisterOwPageControl();
  RegisterImagePicker();
}

void ControlsFinalize() {
  ThemeApiFinalize();
  OwGDIPFinalize();
}
