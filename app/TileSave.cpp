#include "app/TileSave.h"

#include "app/AppFiles.h"
#include "app/MapPage.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

#include <exception>

namespace {

std::string DescriptionText(const TTileSaveRequest& r) {
  std::string text = r.Template;
  ReplaceToken("<#WX>", r.Wleft, text);
  ReplaceToken("<#WY>", r.Wtop, text);
  ReplaceToken("<#UX>", r.Utmleft, text);
  ReplaceToken("<#UY>", r.Utmtop, text);
  return text;
}

} // namespace

std::string TileBaseName(const TTileSaveRequest& r) {
  return r.StoreFolder + "/" + r.Prefix + "_" + GeneralNumber(r.Nx) + "_" + GeneralNumber(r.Ny);
}

TTileSaveResult SaveTile(const TTileSaveRequest& r) {
  TTileSaveResult result;
  try {
    const std::string capture = r.AppDir + "image1.bmp";
    if (!FileExists(capture)) return result;
    if (!DirectoryExists(r.StoreFolder)) {
      result.Message = "Folder: " + r.StoreFolder +
                       " not exists. Before saving - create or select store directory ... ";
      return result;
    }
    const std::string base = TileBaseName(r);
    if (FileExists(base + ".bmp")) {
      result.Message =
          "File: " + base + ".bmp already exists. To save new file first remove old one. ";
      return result;
    }
    if (!CopyFile(capture, base + ".bmp", true)) throw Exception("Cannot copy to " + base + ".bmp");
    result.ResultLine = base + ".bmp file created at: " + FormatDateTime("hh:nn:ss", Now());
    if (r.WithDescription) {
      // The memo's lines, each ending in CR LF.
      std::string text = DescriptionText(r);
      if (!text.empty() && text.back() != '\n') text += "\r\n";
      SaveTextReplacing(base + ".jgw", text);
    }
  } catch (const std::exception& e) {
    result.Message = std::string("Picture is not saved, please repeat procedure: ") + e.what();
  }
  return result;
}
