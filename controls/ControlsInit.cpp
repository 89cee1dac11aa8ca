#include "controls/ControlsInit.h"

#include "controls/OwGDIP.h"
#include "controls/OwPageControl.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"

void ControlsInitialize() {
  OwGDIPInitialize();
  RegisterOwTrackBar();
  RegisterZqControls();
  RegisterOwPageControl();
}

void ControlsFinalize() {
  OwGDIPFinalize();
}
