// Text prompts and file choosers: the dialogs beside the message boxes of
// Forms.h, run in the same dialog frame (RunDialogWindow) and answerable by
// tests in the same way. With no answerer of their own but a message-box
// answerer set (SetDialogAnswerer), that one is asked with MB_OKCANCEL: IDOK
// takes the prompt's given value or no files, so an unattended run never
// blocks on one of these either.
#pragma once

#include <functional>
#include <string>
#include <vector>

/// What a text prompt asks; the answerer sets Value.
struct TInputRequest {
  std::string Caption;
  std::string Prompt;
  std::string Value;
};
/// Answers prompts without showing them: true is OK (Value the text).
using TInputAnswerer = std::function<bool(TInputRequest&)>;
void SetInputAnswerer(TInputAnswerer answerer);

/// A modal prompt for one line of text, value given and returned; true on OK.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

/// What a file chooser asks; the answerer fills Files.
struct TOpenFilesRequest {
  std::string Caption;
  bool Multiple = false;
  std::vector<std::string> Files;
};
/// Answers file choosers without showing them: true with the chosen files.
using TOpenFilesAnswerer = std::function<bool(TOpenFilesRequest&)>;
void SetOpenFilesAnswerer(TOpenFilesAnswerer answerer);

/// The modal chooser of existing files (one, or several with multiple);
/// true when at least one file was chosen.
bool PromptForFiles(const std::string& caption, bool multiple, std::vector<std::string>& files);
