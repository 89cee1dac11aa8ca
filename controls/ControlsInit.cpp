#include "controls/ControlsInit.h"

#include "controls/OwGDIP.h"
#include "controls/OwTrackBar.h"
#include "controls/zq/zqCheckCtrls.h"

void ControlsInitialize() {
  OwGDIPInitialize();
  RegisterOwTrackBar();
  RegisterZqControls();
}

void ControlsFinalize() {
  OwGDIPFinalize();
}
