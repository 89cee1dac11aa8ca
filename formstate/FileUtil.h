// File and folder helpers of the form-state library: the folder test, path
// separators, creating a folder path, the chunked file copy with progress,
// the shell-style file operation component, the folder-browse dialog, long
// and short names, and the registry of progress-control properties.
//
// Paths accept '/' and '\' and are written with '/'; "/" stands where a
// drive root would. There are no 8.3 names here: the long and short name
// functions return their argument.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/Components.h"
#include "platform/forms/Controls.h"

class TControl;

bool FolderExists(const std::string& path);
/// '' stays ''; a text ending in '/' or '\' stays; otherwise '/' is added.
std::string AppendPathSeparator(const std::string& path);
/// Removes one trailing separator from a text longer than one character.
std::string DropPathSeparator(const std::string& path);
/// Creates the folder and its missing parents; failures are not reported.
void CreateFolderPath(const std::string& path);
/// The item's attributes (fa* flags of Files.h) hold every bit of `mask`.
bool HasFileAttributes(const std::string& path, int mask);

/// Copies `source` to `target` (into it, under the source's name, when it is
/// a folder), 8192 bytes at a time, driving the progress control when one is
/// given. The target is written as a temporary file beside it and renamed
/// over the old one when complete, with the source's modification time, so a
/// failed copy leaves the old target as it was. Errors: EFOpenError "Cannot
/// open file <source>", EFCreateError "Cannot create file <target>" (also for
/// a read-only target and for the source itself), EReadError "Stream read
/// error", EWriteError "Stream write error".
void FileCopy(const std::string& source, const std::string& target, TControl* progress = nullptr);
/// With `clearReadOnly` a read-only target is made writable first; with
/// `shellDialog` the copy goes through ShellCopyOrMove.
void FileCopyChunked(const std::string& source, const std::string& target, bool clearReadOnly,
                     TControl* progress, bool shellDialog);
/// A copy, a move or (within one folder) a rename through TUxFileOperator;
/// a failed or cancelled operation raises the silent EAbort.
void ShellCopyOrMove(const std::string& source, const std::string& target, bool confirm,
                     bool allowUndo, bool move);

std::string LongNameOf(const std::string& path);
std::string ShortNameOf(const std::string& path);
std::string LongPathOf(const std::string& path);
std::string ShortPathOf(const std::string& path);

// ---- file operations ------------------------------------------------------------------

enum class TFileOperation { foCopy, foDelete, foMove, foRename };
enum class TFileOperFlag {
  flAllowUndo,
  flConfirmMouse,
  flFilesOnly,
  flMultiDest,
  flNoConfirmation,
  flNoConfirmMkDir,
  flRenameOnCollision,
  flSilent,
  flSimpleProgress,
  flNoErrorUI
};
using TFileOperFlags = TSet<TFileOperFlag>;

/// Copies, moves, renames or deletes the items of Source (several separated
/// by ';' or '|') to Destination. A rename never replaces an existing item;
/// a copy or move onto an existing file asks first unless flNoConfirmation
/// ("No" aborts) and then replaces it in one step; a delete with
/// flAllowUndo moves the items to the trash.
class TUxFileOperator : public TComponent {
  SK_CLASS(TUxFileOperator, TComponent)
public:
  explicit TUxFileOperator(TComponent* owner);

  TFileOperation Operation() const { return operation_; }
  void SetOperation(TFileOperation v) { operation_ = v; }
  TFileOperFlags Options() const { return options_; }
  void SetOptions(TFileOperFlags v) { options_ = v; }
  const std::string& ProgressTitle() const { return progressTitle_; }
  void SetProgressTitle(const std::string& v) { progressTitle_ = v; }
  const std::string& Source() const { return source_; }
  void SetSource(const std::string& v) { source_ = v; }
  const std::string& Destination() const { return destination_; }
  void SetDestination(const std::string& v) { destination_ = v; }
  bool Aborted() const { return aborted_; }

  /// True when every item was handled.
  virtual bool Run();

private:
  bool runOne(const std::string& from, const std::string& to);
  bool confirmReplace(const std::string& target);
  bool aborted_ = false;
  TFileOperation operation_ = TFileOperation::foCopy;
  TFileOperFlags options_{TFileOperFlag::flAllowUndo, TFileOperFlag::flNoConfirmMkDir};
  std::string progressTitle_, source_, destination_;
};

// ---- the folder-browse dialog ------------------------------------------------------------

enum class TBrowseKind { bfFolders, bfComputers };
enum class TDialogPosition { dpDefault, dpScreenCenter };

/// The folder dialog through the windowing layer's folder chooser: the start
/// folder (FolderName, when it exists) is preselected, only existing folders
/// are accepted. Browsing network computers and the help button are not
/// offered on this platform.
class TBrowseFolderDlg : public TComponent {
  SK_CLASS(TBrowseFolderDlg, TComponent)
public:
  explicit TBrowseFolderDlg(TComponent* owner);

  TBrowseKind BrowseKind() const { return browseKind_; }
  void SetBrowseKind(TBrowseKind v) { browseKind_ = v; }
  bool DesktopRoot() const { return desktopRoot_; }
  void SetDesktopRoot(bool v) { desktopRoot_ = v; }
  const std::string& DialogText() const { return dialogText_; }
  void SetDialogText(const std::string& v) { dialogText_ = v; }
  const std::string& FolderName() const { return folderName_; }
  void SetFolderName(const std::string& v) { folderName_ = v; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v) { helpContext_ = v; }
  TDialogPosition Position() const { return position_; }
  void SetPosition(TDialogPosition v) { position_ = v; }
  const std::string& SelectedName() const { return selectedName_; }

  /// True when the user chose a folder (then FolderName holds it).
  bool Browse();

  TNotifyEvent OnInitialized;
  TNotifyEvent OnSelChanged;

private:
  TBrowseKind browseKind_ = TBrowseKind::bfFolders;
  bool desktopRoot_ = true;
  std::string dialogText_, folderName_, selectedName_;
  int helpContext_ = 0;
  TDialogPosition position_ = TDialogPosition::dpScreenCenter;
};

/// Lets the user pick a folder starting at `folder`; true (and `folder`
/// changed) when one was chosen.
bool BrowseForFolder(std::string& folder, const std::string& caption, int helpContext);

// ---- progress controls --------------------------------------------------------------------

/// Which published integer properties of a control class hold the maximum,
/// minimum and position of a progress display. Built in: TProgressBar (Max,
/// Min, Position) and TGauge (MaxValue, MinValue, Progress).
class TProgressList {
public:
  TProgressList();
  void Add(const std::string& className, const std::string& maxName, const std::string& minName,
           const std::string& positionName);
  /// The last entry whose class the control's class derives from; null when none.
  const std::vector<std::string>* FindFor(const TControl& control) const;

private:
  struct Entry {
    std::string className;
    std::vector<std::string> names; // maximum, minimum, position
  };
  std::vector<Entry> entries_;
};
TProgressList& ProgressListInstance();

/// Set the role's property; false when the control has no such property.
bool SetProgressMax(TControl* control, int value);
bool SetProgressMin(TControl* control, int value);
bool SetProgressPosition(TControl* control, int value);
