#include "tests/formstate/FormStateTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "formstate/VisUtils.h"
#include "platform/rtl/Format.h"

namespace fs = std::filesystem;

void UseCommaLocaleWhenAsked() {
  if (std::getenv("SK_COMMA_LOCALE") != nullptr) {
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ThousandSeparator = '.';
  }
}

bool CommaLocale() {
  return FormatSettings().DecimalSeparator == ',';
}

TTempFolder::TTempFolder() {
  std::string pattern = (fs::temp_directory_path() / "formstate-XXXXXX").string();
  path_ = mkdtemp(pattern.data());
}

TTempFolder::~TTempFolder() {
  std::error_code ec;
  // Read-only entries left by a test must not stop the clean-up.
  for (auto& e : fs::recursive_directory_iterator(path_, ec))
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
}

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(path))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TTestEnvironment::TTestEnvironment() {
  TScreenMetrics m;
  m.Width = 1280;
  m.Height = 1024;
  m.PixelsPerInch = 96;
  m.WorkArea = TRect(0, 0, 1280, 1024);
  SetScreenMetricsForTests(m);
  SetDialogAnswerer([this](const TDialogRequest& r) {
    Boxes.push_back(r.Text);
    return Answer;
  });
  Application()->OnException = [this](TPersistent*, const Exception& e) {
    Errors.push_back(e.Message());
  };
  SetBeepRecorder([this] { ++Beeps; });
}

TTestEnvironment::~TTestEnvironment() {
  SetBeepRecorder(nullptr);
  Application()->OnException = nullptr;
  SetDialogAnswerer([](const TDialogRequest& r) {
    ADD_FAILURE() << "unexpected message box: " << r.Text;
    return 2;
  });
  SetScreenMetricsForTests(std::nullopt);
}
