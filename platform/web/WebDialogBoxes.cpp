#include "platform/web/WebDialogBoxes.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"

namespace web {

WebDialogAnswer ShowWebDialogBox(const WebDialogRequest& request, const std::string& caption) {
  WebDialogAnswer answer;
  switch (request.Kind) {
  case WebDialogKind::Alert:
    ShowMessageBox(request.Message, caption, MB_OK | MB_ICONWARNING);
    answer.Accepted = true;
    break;
  case WebDialogKind::Confirm:
    answer.Accepted =
        ShowMessageBox(request.Message, caption, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    break;
  case WebDialogKind::Prompt: {
    std::string value = request.DefaultText;
    answer.Accepted = InputQuery(caption, request.Message, value);
    if (answer.Accepted) answer.Text = value;
    break;
  }
  case WebDialogKind::ChooseFiles:
    answer.Accepted = PromptForFiles(caption, request.MultipleFiles, answer.Files);
    break;
  }
  return answer;
}

} // namespace web
