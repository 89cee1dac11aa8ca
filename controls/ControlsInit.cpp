#include "controls/ControlsInit.h"

#include "controls/OwGDIP.h"
#include "controls/OwTrackBar.h"

void ControlsInitialize() {
  OwGDIPInitialize();
  RegisterOwTrackBar();
}

void ControlsFinalize() {
  OwGDIPFinalize();
}
