#include "platform/forms/Shell.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::function<bool(const std::string&)>& launcher() {
  static std::function<bool(const std::string&)> l;
  return l;
}

std::function<std::string(const std::string&, const std::string&)>& chooser() {
  static std::function<std::string(const std::string&, const std::string&)> c;
  return c;
}

bool looksLikeUrl(const std::string& s) {
  size_t colon = s.find("://");
  if (colon == std::string::npos || colon < 2) return s.rfind("mailto:", 0) == 0;
  for (size_t i = 0; i < colon; ++i) {
    char c = s[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' || c == '-' || c == '.'))
      return false;
  }
  return true;
}

std::vector<std::string> splitList(const std::string& s) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (c == ';' || c == '|') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

fs::path freeName(const fs::path& target) {
  if (!fs::exists(target)) return target;
  fs::path dir = target.parent_path();
  std::string name = target.filename().string();
  fs::path candidate = dir / ("Copy of " + name);
  for (int n = 2; fs::exists(candidate); ++n) {
    char digits[16];
    int len = 0;
    for (int v = n; v > 0; v /= 10)
      digits[len++] = char('0' + v % 10);
    std::string num(digits, digits + len);
    num.assign(num.rbegin(), num.rend());
    candidate = dir / ("Copy (" + num + ") of " + name);
  }
  return candidate;
}

} // namespace

void SetShellLauncher(std::function<bool(const std::string&)> l) {
  launcher() = std::move(l);
}

std::intptr_t ShellExecute(HWND /*owner*/, const std::string& operation, const std::string& file,
                           const std::string& /*parameters*/, const std::string& directory,
                           int /*show*/) {
  if (!operation.empty() && operation != "open") return 31;
  std::string target = file;
  bool url = looksLikeUrl(file);
  if (!url) {
    fs::path p(file);
    if (p.is_relative() && !directory.empty()) p = fs::path(directory) / p;
    if (!fs::exists(p)) return 2;
    target = p.string();
  }
  bool ok =
      launcher()
          ? launcher()(target)
          : QDesktopServices::openUrl(url ? QUrl(QString::fromStdString(target))
                                          : QUrl::fromLocalFile(QString::fromStdString(target)));
  return ok ? 42 : 31;
}

void SetFolderChooser(std::function<std::string(const std::string&, const std::string&)> c) {
  chooser() = std::move(c);
}

std::string BrowseForFolder(const std::string& caption, const std::string& start) {
  std::string begin = fs::is_directory(start) ? start : std::string();
  std::string chosen;
  if (chooser()) {
    chosen = chooser()(caption, begin);
  } else {
    chosen = QFileDialog::getExistingDirectory(
                 nullptr, QString::fromStdString(caption), QString::fromStdString(begin),
                 QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog)
                 .toStdString();
  }
  if (chosen.empty() || !fs::is_directory(chosen)) return {};
  return chosen;
}

int SHFileOperation(UINT operation, const std::string& from, const std::string& to,
                    std::uint16_t flags) {
  std::error_code ec;
  std::vector<std::string> sources = splitList(from);
  if (sources.empty()) return 0x7C; // nothing named
  for (const std::string& s : sources) {
    fs::path src(s);
    if (!fs::exists(src, ec)) return 2;
    if ((flags & FOF_FILESONLY) && fs::is_directory(src, ec)) continue;
    if (operation == FO_DELETE) {
      fs::remove_all(src, ec);
      if (ec) return 5;
      continue;
    }
    fs::path dest(to);
    if (operation != FO_RENAME && fs::is_directory(dest, ec)) dest /= src.filename();
    if (flags & FOF_RENAMEONCOLLISION) dest = freeName(dest);
    switch (operation) {
    case FO_COPY:
      fs::copy(src, dest, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
      break;
    case FO_MOVE:
    case FO_RENAME:
      fs::rename(src, dest, ec);
      if (ec) { // across file systems: copy, then remove
        ec.clear();
        fs::copy(src, dest, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        if (!ec) fs::remove_all(src, ec);
      }
      break;
    default:
      return 0x7C;
    }
    if (ec) return 5;
  }
  return 0;
}
