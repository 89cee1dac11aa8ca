#include "formstate/FileUtil.h"

#include <filesystem>

#include "formstate/FsGuards.h"
#include "formstate/VisUtils.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Properties.h"
#include "platform/forms/Shell.h"
#include "platform/forms/Trash.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/SafeFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

#include <cerrno>

namespace fs = std::filesystem;

// ---- folders and paths ---------------------------------------------------------------

bool FolderExists(const std::string& path) {
  return !path.empty() && DirectoryExists(ToSlashes(path));
}

std::string AppendPathSeparator(const std::string& path) {
  if (path.empty()) return path;
  const std::string p = ToSlashes(path);
  return p.back() == '/' ? p : p + "/";
}

std::string DropPathSeparator(const std::string& path) {
  const std::string p = ToSlashes(path);
  if (p.size() > 1 && p.back() == '/') return p.substr(0, p.size() - 1);
  return p;
}

void CreateFolderPath(const std::string& path) {
  if (path.empty()) return;
  std::string p = ToSlashes(path);
  if (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.empty() || p == "/" || FolderExists(p)) return;
  const std::string parent = ExtractFilePath(p);
  if (parent != p && !parent.empty()) CreateFolderPath(parent);
  CreateDir(p);
}

bool HasFileAttributes(const std::string& path, int mask) {
  TSearchRec rec;
  const std::string p = DropPathSeparator(ExpandFileName(ToSlashes(path)));
  if (p == "/") return (mask & ~faDirectory) == 0;
  int attr = -1;
  if (FindFirst(p, faAnyFile, rec) == 0) attr = rec.Attr;
  FindClose(rec);
  return attr >= 0 && (attr & mask) == mask;
}

// ---- copying -------------------------------------------------------------------------

namespace {

constexpr int kCopyBufferSize = 8192;

std::unique_ptr<TFileStream> openSource(const std::string& source) {
  try {
    return std::make_unique<TFileStream>(source, fmOpenRead | fmShareDenyWrite);
  } catch (const EStreamError&) {
    throw EFOpenError(Format(ResourceText("Cannot open file %s"), {source}));
  }
}

[[noreturn]] void cannotCreate(const std::string& target) {
  throw EFCreateError(Format(ResourceText("Cannot create file %s"), {target}));
}

// A target we may not replace: the source itself, or a read-only file.
void checkTarget(const std::string& source, const std::string& target, bool clearReadOnly) {
  if (SameFileIdentity(source, target)) cannotCreate(target);
  if (FileExists(target) && FileIsReadOnly(target)) {
    if (!clearReadOnly || !SetFileReadOnly(target, false)) cannotCreate(target);
  }
  if (DirectoryExists(target)) cannotCreate(target);
}

void copyChunks(TStream& in, TStream& out, TControl* progress) {
  std::vector<char> buffer(kCopyBufferSize);
  Int64 total = 0;
  for (;;) {
    const int64_t n = in.Read(buffer.data(), kCopyBufferSize);
    if (n < 0) throw EReadError(ResourceText("Stream read error"));
    if (n > 0 && out.Write(buffer.data(), n) != n)
      throw EWriteError(ResourceText("Stream write error"));
    total += n;
    if (progress != nullptr) SetProgressPosition(progress, int(total));
    if (n < kCopyBufferSize) break;
  }
}

void commit(TReplacingFile& out, const std::string& target) {
  if (out.Commit()) return;
  const int err = GetLastError();
  if (err == EISDIR || err == EACCES || err == EPERM || err == ENOTDIR || err == EEXIST)
    cannotCreate(target);
  throw EWriteError(ResourceText("Stream write error"));
}

} // namespace

void FileCopyChunked(const std::string& source, const std::string& target, bool clearReadOnly,
                     TControl* progress, bool shellDialog) {
  if (shellDialog) {
    ShellCopyOrMove(source, target, !clearReadOnly, false, false);
    return;
  }
  std::string dest = target;
  if (HasFileAttributes(dest, faDirectory))
    dest = AppendPathSeparator(dest) + ExtractFileName(ToSlashes(source));
  const int64_t size = FileSizeOf(source);
  std::unique_ptr<TFileStream> in = openSource(source);
  auto resetProgress = ScopeExit([progress] {
    if (progress != nullptr) SetProgressPosition(progress, 0);
  });
  if (progress != nullptr) {
    SetProgressMax(progress, int(std::uint32_t(std::uint64_t(size) & 0xFFFFFFFFu)));
    SetProgressMin(progress, 0);
    SetProgressPosition(progress, 0);
  }
  CreateFolderPath(ExtractFilePath(ToSlashes(dest)));
  checkTarget(source, dest, clearReadOnly);
  std::unique_ptr<TReplacingFile> out;
  try {
    out = std::make_unique<TReplacingFile>(dest);
  } catch (const EStreamError&) {
    cannotCreate(dest);
  }
  copyChunks(*in, out->Stream(), progress);
  out->CopyModifiedTime(source);
  commit(*out, dest);
}

void FileCopy(const std::string& source, const std::string& target, TControl* progress) {
  FileCopyChunked(source, target, false, progress, false);
}

void ShellCopyOrMove(const std::string& source, const std::string& target, bool confirm,
                     bool allowUndo, bool move) {
  TUxFileOperator op(nullptr);
  op.SetSource(source);
  op.SetDestination(target);
  if (!move)
    op.SetOperation(TFileOperation::foCopy);
  else if (AnsiSameText(ExtractFilePath(ToSlashes(source)), ExtractFilePath(ToSlashes(target))))
    op.SetOperation(TFileOperation::foRename);
  else
    op.SetOperation(TFileOperation::foMove);
  TFileOperFlags options = op.Options();
  if (!allowUndo) options.Exclude(TFileOperFlag::flAllowUndo);
  if (!confirm) options.Include(TFileOperFlag::flNoConfirmation);
  op.SetOptions(options);
  if (!op.Run() || op.Aborted()) Abort();
}

std::string LongNameOf(const std::string& path) {
  return path;
}
std::string ShortNameOf(const std::string& path) {
  return path;
}
std::string LongPathOf(const std::string& path) {
  return path;
}
std::string ShortPathOf(const std::string& path) {
  return path;
}

// ---- TUxFileOperator -----------------------------------------------------------------------

namespace {

std::vector<std::string> splitNames(const std::string& list) {
  std::vector<std::string> names;
  std::string current;
  for (char c : list) {
    if (c == ';' || c == '|') {
      if (!current.empty()) names.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

} // namespace

TUxFileOperator::TUxFileOperator(TComponent* owner) : TComponent(owner) {}

bool TUxFileOperator::confirmReplace(const std::string& target) {
  if (options_.Contains(TFileOperFlag::flNoConfirmation)) return true;
  const std::string caption = progressTitle_.empty() ? Application()->Title() : progressTitle_;
  if (ShowMessageBox(Format("Replace the existing file %s?", {target}), caption,
                     MB_YESNO | MB_ICONQUESTION) == IDYES)
    return true;
  aborted_ = true;
  return false;
}

bool TUxFileOperator::runOne(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!fs::exists(fs::path(from), ec)) return false;
  if (options_.Contains(TFileOperFlag::flFilesOnly) && fs::is_directory(fs::path(from), ec))
    return true;
  if (operation_ == TFileOperation::foDelete) {
    if (options_.Contains(TFileOperFlag::flAllowUndo)) return MoveToTrash(from);
    return fs::remove_all(fs::path(from), ec) > 0 && !ec;
  }
  if (operation_ == TFileOperation::foRename) return RenameFile(from, to);
  std::string target = to;
  if (DirectoryExists(target)) target = AppendPathSeparator(target) + ExtractFileName(from);
  if (SameFileIdentity(from, target)) return false;
  if (fs::is_directory(fs::path(from), ec)) {
    if (operation_ == TFileOperation::foMove && RenameFile(from, target)) return true;
    fs::copy(fs::path(from), fs::path(target), fs::copy_options::recursive, ec);
    if (ec) return false;
    return operation_ == TFileOperation::foCopy || fs::remove_all(fs::path(from), ec) > 0;
  }
  if (FileExists(target) && !confirmReplace(target)) return false;
  if (operation_ == TFileOperation::foMove && RenameFile(from, target)) return true;
  try {
    FileCopy(from, target);
  } catch (const Exception&) {
    return false;
  }
  return operation_ == TFileOperation::foCopy || DeleteFile(from);
}

bool TUxFileOperator::Run() {
  aborted_ = false;
  const std::vector<std::string> sources = splitNames(source_);
  const std::vector<std::string> targets = splitNames(destination_);
  if (sources.empty()) return false;
  const bool multi = options_.Contains(TFileOperFlag::flMultiDest);
  std::vector<HWND> disabled;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TForm* f = Screen()->Forms(i);
    if (f->HandleAllocated() && IsWindowEnabled(f->Handle())) {
      disabled.push_back(f->Handle());
      EnableWindow(f->Handle(), false);
    }
  }
  auto enableAgain = ScopeExit([&disabled] {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, true);
  });
  bool ok = true;
  for (size_t i = 0; i < sources.size() && ok && !aborted_; ++i) {
    std::string to;
    if (!targets.empty()) to = multi && i < targets.size() ? targets[i] : targets.front();
    if (operation_ != TFileOperation::foDelete && to.empty()) return false;
    ok = runOne(sources[i], to);
  }
  return ok && !aborted_;
}

// ---- the folder dialog ---------------------------------------------------------------------

TBrowseFolderDlg::TBrowseFolderDlg(TComponent* owner) : TComponent(owner) {}

bool TBrowseFolderDlg::Browse() {
  if (browseKind_ == TBrowseKind::bfComputers) return false;
  if (OnInitialized) OnInitialized(this);
  const std::string start = FolderExists(folderName_) ? folderName_ : std::string();
  const std::string chosen = ::BrowseForFolder(dialogText_, start);
  if (chosen.empty()) return false;
  selectedName_ = chosen;
  if (OnSelChanged) OnSelChanged(this);
  folderName_ = DropPathSeparator(chosen);
  selectedName_ = folderName_;
  return true;
}

bool BrowseForFolder(std::string& folder, const std::string& caption, int helpContext) {
  TBrowseFolderDlg dialog(nullptr);
  dialog.SetDialogText(caption);
  dialog.SetFolderName(folder);
  dialog.SetHelpContext(helpContext);
  const bool chosen = dialog.Browse();
  if (chosen) folder = dialog.FolderName();
  return chosen;
}

// ---- progress controls -----------------------------------------------------------------------

TProgressList::TProgressList() {
  Add("TProgressBar", "Max", "Min", "Position");
  Add("TGauge", "MaxValue", "MinValue", "Progress");
}

void TProgressList::Add(const std::string& className, const std::string& maxName,
                        const std::string& minName, const std::string& positionName) {
  entries_.push_back(
      {className, {maxName.substr(0, 63), minName.substr(0, 63), positionName.substr(0, 63)}});
}

const std::vector<std::string>* TProgressList::FindFor(const TControl& control) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (control.InheritsFrom(it->className)) return &it->names;
  return nullptr;
}

TProgressList& ProgressListInstance() {
  static TProgressList list;
  return list;
}

namespace {

bool setProgressProp(TControl* control, int role, int value) {
  if (control == nullptr) return false;
  const std::vector<std::string>* names = ProgressListInstance().FindFor(*control);
  if (names == nullptr) return false;
  const TPropInfo* info = GetPropInfo(*control, (*names)[size_t(role)]);
  if (info == nullptr || !info->Set) return false;
  if (info->Kind == TTypeKind::tkInteger || info->Kind == TTypeKind::tkInt64)
    info->Set(*control, TPropValue(value));
  else if (info->Kind == TTypeKind::tkFloat)
    info->Set(*control, TPropValue(static_cast<long double>(value)));
  else
    return false;
  return true;
}

} // namespace

bool SetProgressMax(TControl* control, int value) {
  return setProgressProp(control, 0, value);
}
bool SetProgressMin(TControl* control, int value) {
  return setProgressProp(control, 1, value);
}
bool SetProgressPosition(TControl* control, int value) {
  return setProgressProp(control, 2, value);
}
