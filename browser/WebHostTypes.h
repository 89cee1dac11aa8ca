// Types of the browser control: the option enumerations with their flag
// values, result codes, command groups and the host-information record.
//
// The browser control (module WebHostCore: TCustomWebHost; module WebHost:
// TWebHost) keeps the host's side of the embedded browser's hosting protocol.
// Files of the control:
//   WebHostTypes.h/.cpp   this file: enumerations, flag sums, result codes
//   WebDocument.h/.cpp    the nullable page document (HTML test, scripts)
//   WebHostCore.h/.cpp    TCustomWebHost
//   WebHostOptions.h/.cpp the option objects of TWebHost
//   WebHost.h/.cpp        TWebHost (load step, dialogs, settings, snapshot)
//   WebSnapshot.cpp       TWebHost::Snapshot, SnapshotDocument, IsHtmlDocument
//   WebHostIntf.h/.cpp    IWebHost, what the application uses of the browser, and
//                         TWebHostAdapter over TWebHost (a stand-in for tests is
//                         tests/browser/FakeWebHost.h)
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/forms/Sets.h"

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
inline constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = HRESULT(0x80020003u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = HRESULT(0x80020006u);
/// The dispatch id given for a name that is not known.
inline constexpr int DISPID_UNKNOWN = -1;
inline constexpr HRESULT OLECMDERR_E_NOTSUPPORTED = HRESULT(0x80040100u);

/// Command groups of the command target, as GUID text.
inline constexpr const char* CGID_Explorer = "{000214D0-0000-0000-C000-000000000046}";
inline constexpr const char* CGID_DocHostCommandHandler = "{F38BC242-B950-11D1-8918-00C04FC2C836}";
/// Services the host answers from its own interfaces.
inline constexpr const char* SID_INewWindowManager = "{D2BC4C84-3F72-4A52-A604-7BCBF3982CBB}";
inline constexpr const char* SID_IDownloadManager = "{988934A4-064B-11D3-BB80-00104B35E7F9}";
inline constexpr const char* SID_IHTMLOMWindowServices = "{3050F5FC-98B5-11CF-BB82-00AA00BDCE0B}";

/// Command ids of the command target.
enum : std::uint32_t {
  kCmdUnload = 37,          // CGID_Explorer
  kCmdShowScriptError = 40, // CGID_DocHostCommandHandler
  kCmdRefresh = 2300,
  kCmdRefresh2 = 6041,
  kCmdRefresh3 = 6042,
};

/// Ambient property ids.
enum : int { DISPID_AMBIENT_DLCONTROL = -5512, DISPID_AMBIENT_USERMODE = -709 };

/// A small variant for command and dispatch arguments.
using TWebVariant = std::variant<std::monostate, bool, std::int64_t, std::string>;

// ---- download control ----------------------------------------------------------

enum class TDownloadControlOption {
  DownloadImages,         // DLCTL_DLIMAGES          0x10
  DownloadVideos,         // DLCTL_VIDEOS            0x20
  DownloadBGSounds,       // DLCTL_BGSOUNDS          0x40
  DontExecuteScripts,     // DLCTL_NO_SCRIPTS        0x80
  NoJava,                 // DLCTL_NO_JAVA           0x100
  NoRunActiveXCtls,       // DLCTL_NO_RUNACTIVEXCTLS 0x200
  NoDlActiveXCtls,        // DLCTL_NO_DLACTIVEXCTLS  0x400
  DownloadOnly,           // DLCTL_DOWNLOADONLY      0x800
  NoFrameDownload,        // DLCTL_NO_FRAMEDOWNLOAD  0x1000
  Resynchronize,          // DLCTL_RESYNCHRONIZE     0x2000
  PragmaNoCache,          // DLCTL_PRAGMA_NO_CACHE   0x4000
  NoBehaviors,            // DLCTL_NO_BEHAVIORS      0x8000
  NoMetaCharset,          // DLCTL_NO_METACHARSET    0x10000
  UrlEncodingDisableUtf8, // DLCTL_URL_ENCODING_DISABLE_UTF8 0x20000
  UrlEncodingEnableUtf8,  // DLCTL_URL_ENCODING_ENABLE_UTF8  0x40000
  ForceOffline,           // DLCTL_FORCEOFFLINE      0x10000000
  NoClientPull,           // DLCTL_NO_CLIENTPULL     0x20000000
  Silent,                 // DLCTL_SILENT            0x40000000
  WorkOffline,            // DLCTL_OFFLINE           0x80000000
};
inline constexpr int kDownloadControlOptionCount = 19;
using TDownloadControlOptions = TSet<TDownloadControlOption>;

/// The flag of each option, by ordinal.
extern const std::uint32_t kDownloadControlFlags[kDownloadControlOptionCount];
/// The sum of the flags of the chosen options.
std::uint32_t DownloadControlFlags(TDownloadControlOptions options);

// ---- host UI -------------------------------------------------------------------

enum class TUserInterfaceOption {
  DisableTextSelect,          // DOCHOSTUIFLAG_DIALOG 0x1
  DisableHelpMenu,            // 0x2
  No3DBorder,                 // 0x4
  ScrollNo,                   // 0x8
  DisableScriptInactive,      // 0x10
  OpenNewWin,                 // 0x20
  DisableOffscreen,           // 0x40
  FlatScrollBar,              // 0x80
  DivBlockDefault,            // 0x100
  ActivateClientHitOnly,      // 0x200
  OverrideBehaviorFactory,    // 0x400
  CodePageLinkedFonts,        // 0x800
  UrlEncodingDisableUtf8,     // 0x1000
  UrlEncodingEnableUtf8,      // 0x2000
  EnableFormsAutoComplete,    // 0x4000
  EnableInPlaceNavigation,    // 0x10000 (0x8000 has no option)
  ImeEnableReconversion,      // 0x20000
  Theme,                      // 0x40000
  NoTheme,                    // 0x80000
  NoPics,                     // 0x100000
  No3DOuterBorder,            // 0x200000
  DisableEditNsFixup,         // 0x400000
  LocalMachineAccessCheck,    // 0x800000
  DisableUntrustedProtocol,   // 0x1000000
  HostNavigates,              // 0x2000000
  EnableRedirectNotification, // 0x4000000
  UseWindowlessSelectControl, // 0x8000000
  UseWindowedSelectControl,   // 0x10000000
  ForceUserActivationOn,      // DOCHOSTUIFLAG_ENABLE_ACTIVEX_INACTIVATE_MODE 0x20000000
};
inline constexpr int kUserInterfaceOptionCount = 29;
using TUserInterfaceOptions = TSet<TUserInterfaceOption>;

extern const std::uint32_t kUserInterfaceFlags[kUserInterfaceOptionCount];
std::uint32_t UserInterfaceFlags(TUserInterfaceOptions options);

/// What GetHostInfo fills in.
struct TDocHostUIInfo {
  std::uint32_t cbSize = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwDoubleClick = 0;
  std::string pchHostCss;
  std::string pchHostNS;
};

// ---- drag and drop, context menus, script errors ----------------------------------

enum class TDragDropHandlingType { ddtMS, ddtMy, ddtCustom, ddtNo };

enum class TIEPopupMenu {
  rcmDefault,
  rcmImage,
  rcmControl,
  rcmTable,
  rcmSelText,
  rcmAnchor,
  rcmUnKnown,
  rcmImageArt,
  rcmImgDynSrc,
  rcmDebug,
  rcmAll,
};
using TIEPopupMenus = TSet<TIEPopupMenu>;

/// True when the context menu of that id is disabled by the set.
bool IsPopupMenuDisabled(TIEPopupMenus disabled, int contextId);

enum class TIEPopupMenuItem {
  rcsBack,
  rcsForward,
  rcsSavePageBkg,
  rcsSetAsBkg,
  rcsCopyBkg,
  rcsSetAsDeskT,
  rcsSelectAll,
  rcsPaste,
  rcsCreateSC,
  rcsAddToFav,
  rcsEncoding,
  rcsRefresh,
  rcsViewSource,
  rcsProperties,
  rcsPrint,
  rcsOpenNWindow,
  rcsOpenLink,
};
inline constexpr int kPopupMenuItemCount = 17;
using TIEPopupMenuItems = TSet<TIEPopupMenuItem>;
/// The menu command id of each item, by ordinal.
extern const int kPopupMenuItemIds[kPopupMenuItemCount];

enum class TScriptErrorAction { eaContinue, eaCancel, eaAskUser };

/// Names by ordinal, for the property registry.
extern const char* const kDownloadControlOptionNames[kDownloadControlOptionCount];
extern const char* const kUserInterfaceOptionNames[kUserInterfaceOptionCount];
extern const char* const kPopupMenuNames[11];
extern const char* const kPopupMenuItemNames[kPopupMenuItemCount];

/// Compares GUID texts, ignoring case.
bool SameGuid(const std::string& a, const std::string& b);
