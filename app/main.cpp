// The program: start-up, the tool window and the map window, the message
// loop, and the finalisation in reverse order.
#include "app/ProgramStart.h"
#include "codecs/ImageCodecs.h"
#include "browser/WebHostIntf.h"
#include "controls/ControlsInit.h"
#include "formstate/FormState.h"
#include "gis/coords/GisProjectionList.h"
#include "gis/core/GisKernel.h"
#include "gis/database/GisDatabaseLayers.h"
#include "gis/formats/GisFileTAB.h"
#include "gis/formats/GisFormatsLayers.h"
#include "gis/raster/GisRasterLayers.h"
#include "gis/vector/GisSqlQuery.h"
#include "gis/viewer/GisStyleBitmap.h"
#include "gis/viewer/GisSymbol.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ProgramApplication.h"
#include "platform/web/WebEngineEnvironment.h"

int main(int argc, char** argv) {
  web::PrepareWebEngineEnvironment();
  TProgramApplication app(argc, argv);
  RegisterImageCodecs();
  GisKernelInit();
  GisSqlQueryInstall();
  GisCoordsRegisterUnit();
  GisSymbolsRegisterUnit();
  GisStyleBitmapsRegisterUnit();
  GisRasterRegisterLayers();
  GisRegisterRasterRegistration();
  GisFormatsRegisterLayers();
  GisDatabaseRegisterLayers();
  FormStateInit();
  ControlsInitialize();
  int exitCode = 0;
  try {
    exitCode = RunProgram();
  } catch (const EHalt& halt) {
    exitCode = halt.ExitCode();
  }
  ControlsFinalize();
  FormStateDone();
  GisKernelDone();
  UnregisterImageCodecs();
  return exitCode;
}
