#include "formstate/FormState.h"

#include "formstate/EditGlyphs.h"
#include "formstate/GridBitmaps.h"
#include "formstate/IconClipboard.h"
#include "formstate/OrxUtils.h"
#include "formstate/Placement.h"
#include "formstate/SettingsStore.h"
#include "formstate/UxHook.h"
#include "formstate/VisUtils.h"

void FormStateInit() {
  UxCursorsInit();
  RegisterFormStateClasses();
  OrxUtilsInit();
  IconClipboardInit();
  HookListInstance();
}

void FormStateDone() {
  FreeHookList();
  ReleaseEditGlyphs();
  GridBitmapsDone();
  IconClipboardDone();
  OrxUtilsDone();
  RegistryCompanyKey.clear();
}

void FormStateResetForTests() {
  FormStateDone();
  FormStateInit();
}
