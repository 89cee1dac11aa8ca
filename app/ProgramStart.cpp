#include "app/ProgramStart.h"

#include "app/UnitFearth1.h"
#include "app/UnitSkorvaplinth.h"
#include "browser/WebHostIntf.h"
#include "platform/forms/Forms.h"

TFSkorvaplinth* CreateProgramWindows() {
  TFSkorvaplinth* tool = nullptr;
  Application()->CreateForm(tool);
  Application()->SetMainForm(tool);
  // The map window's creation step opens the start page through the tool window.
  new TFEarth1(Application(), tool, ProgramCaptureLayers());
  tool->Show();
  return tool;
}

int RunProgram() {
  CreateProgramWindows();
  Application()->Run();
  return 0;
}
