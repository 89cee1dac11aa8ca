// Shared helpers of the form-state tests: a temporary folder, file contents,
// the injected screen, the locale switch and the message-box guard.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/rtl/Format.h"

/// Switches to the decimal comma when SK_COMMA_LOCALE is set.
void UseCommaLocaleWhenAsked();

/// A fresh folder under the system's temporary folder, removed afterwards.
class TTempFolder {
public:
  TTempFolder();
  ~TTempFolder();
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::string& Path() const { return path_; }
  /// Path() + "/" + name.
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& contents);
/// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& path);

/// The screen the tests see (1280 x 1024, 96 pixels per inch) for the
/// guard's lifetime; every message box fails the test unless answered.
class TTestEnvironment {
public:
  TTestEnvironment();
  ~TTestEnvironment();
  TTestEnvironment(const TTestEnvironment&) = delete;
  TTestEnvironment& operator=(const TTestEnvironment&) = delete;
  /// The texts of message boxes shown (answered with `answer`).
  std::vector<std::string> Boxes;
  int Answer = 1; // IDOK
  /// Messages the application's exception handler showed.
  std::vector<std::string> Errors;
  /// Beeps heard.
  int Beeps = 0;

private:
  TFormatSettingsGuard settings_;
};

/// Frees a form (forms are freed through their own delete).
struct TFormFree {
  void operator()(TForm* f) const { delete f; }
};

/// True when the comma-locale run is active (decimal separator ',').
bool CommaLocale();
