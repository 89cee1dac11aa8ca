#include "browser/WebHostTypes.h"

#include <cctype>

const std::uint32_t kDownloadControlFlags[kDownloadControlOptionCount] = {
    0x10,    0x20,       0x40,       0x80,       0x100,      0x200,   0x400,
    0x800,   0x1000,     0x2000,     0x4000,     0x8000,     0x10000, 0x20000,
    0x40000, 0x10000000, 0x20000000, 0x40000000, 0x80000000,
};

const std::uint32_t kUserInterfaceFlags[kUserInterfaceOptionCount] = {
    0x1,       0x2,       0x4,       0x8,        0x10,       0x20,     0x40,     0x80,
    0x100,     0x200,     0x400,     0x800,      0x1000,     0x2000,   0x4000,   0x10000,
    0x20000,   0x40000,   0x80000,   0x100000,   0x200000,   0x400000, 0x800000, 0x1000000,
    0x2000000, 0x4000000, 0x8000000, 0x10000000, 0x20000000,
};

const int kPopupMenuItemIds[kPopupMenuItemCount] = {
    2282, 2283, 2263, 2264, 2265, 2278, 31, 26, 2266, 2261, 2292, 2300, 2139, 28, 27, 2137, 2136,
};

const char* const kDownloadControlOptionNames[kDownloadControlOptionCount] = {
    "DownloadImages",
    "DownloadVideos",
    "DownloadBGSounds",
    "DontExecuteScripts",
    "NoJava",
    "NoRunActiveXCtls",
    "NoDlActiveXCtls",
    "DownloadOnly",
    "NoFrameDownload",
    "Resynchronize",
    "PragmaNoCache",
    "NoBehaviors",
    "NoMetaCharset",
    "UrlEncodingDisableUtf8",
    "UrlEncodingEnableUtf8",
    "ForceOffline",
    "NoClientPull",
    "Silent",
    "WorkOffline",
};

const char* const kUserInterfaceOptionNames[kUserInterfaceOptionCount] = {
    "DisableTextSelect",
    "DisableHelpMenu",
    "No3DBorder",
    "ScrollNo",
    "DisableScriptInactive",
    "OpenNewWin",
    "DisableOffscreen",
    "FlatScrollBar",
    "DivBlockDefault",
    "ActivateClientHitOnly",
    "OverrideBehaviorFactory",
    "CodePageLinkedFonts",
    "UrlEncodingDisableUtf8",
    "UrlEncodingEnableUtf8",
    "EnableFormsAutoComplete",
    "EnableInPlaceNavigation",
    "ImeEnableReconversion",
    "Theme",
    "NoTheme",
    "NoPics",
    "No3DOuterBorder",
    "DisableEditNsFixup",
    "LocalMachineAccessCheck",
    "DisableUntrustedProtocol",
    "HostNavigates",
    "EnableRedirectNotification",
    "UseWindowlessSelectControl",
    "UseWindowedSelectControl",
    "ForceUserActivationOn",
};

const char* const kPopupMenuNames[11] = {
    "rcmDefault", "rcmImage",    "rcmControl",   "rcmTable", "rcmSelText", "rcmAnchor",
    "rcmUnKnown", "rcmImageArt", "rcmImgDynSrc", "rcmDebug", "rcmAll",
};

const char* const kPopupMenuItemNames[kPopupMenuItemCount] = {
    "rcsBack",        "rcsForward",   "rcsSavePageBkg", "rcsSetAsBkg",   "rcsCopyBkg",
    "rcsSetAsDeskT",  "rcsSelectAll", "rcsPaste",       "rcsCreateSC",   "rcsAddToFav",
    "rcsEncoding",    "rcsRefresh",   "rcsViewSource",  "rcsProperties", "rcsPrint",
    "rcsOpenNWindow", "rcsOpenLink",
};

std::uint32_t DownloadControlFlags(TDownloadControlOptions options) {
  std::uint32_t sum = 0;
  for (int i = 0; i < kDownloadControlOptionCount; ++i)
    if (options.Contains(static_cast<TDownloadControlOption>(i))) sum += kDownloadControlFlags[i];
  return sum;
}

std::uint32_t UserInterfaceFlags(TUserInterfaceOptions options) {
  std::uint32_t sum = 0;
  for (int i = 0; i < kUserInterfaceOptionCount; ++i)
    if (options.Contains(static_cast<TUserInterfaceOption>(i))) sum += kUserInterfaceFlags[i];
  return sum;
}

bool IsPopupMenuDisabled(TIEPopupMenus disabled, int contextId) {
  if (disabled.Contains(TIEPopupMenu::rcmAll)) return true;
  return contextId >= 0 && contextId < 10 &&
         disabled.Contains(static_cast<TIEPopupMenu>(contextId));
}

bool SameGuid(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}
