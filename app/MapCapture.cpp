#include "app/MapCapture.h"

#include "app/AppFiles.h"
#include "app/MapPage.h"
#include "browser/WebHostIntf.h"
#include "platform/forms/Timers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Ticks.h"

TMapCapture::TMapCapture(TCaptureEnvironment environment)
    : env_(std::move(environment)), timer_(std::make_unique<TTimer>(nullptr)) {
  timer_->SetEnabled(false);
  timer_->SetInterval(300);
  timer_->SetOnTimer([this](TPersistent*) { googleTimerTimer(); });
  if (env_.Web) env_.Web->OnDownloadComplete = [this] { webDownloadComplete(); };
}

TMapCapture::~TMapCapture() {
  if (env_.Web) env_.Web->OnDownloadComplete = nullptr;
}

void TMapCapture::ResumeCapture() {
  timer_->SetEnabled(false);
  timer_->SetInterval(schedule_.Interval());
  timer_->SetEnabled(schedule_.TimerMayRun());
}

void TMapCapture::BeginDrag() {
  schedule_.BeginDrag();
  ResumeCapture();
}

void TMapCapture::EndDrag() {
  schedule_.EndDrag();
  ResumeCapture();
}

void TMapCapture::Terminate() {
  schedule_.Terminate();
  ResumeCapture();
}

void TMapCapture::OpenStartPage(int zoom) {
  MapSource = "yahoo";
  MapType = "YAHOO_MAP_REG";
  const std::string startPage = env_.AppDir + "gmaps.htm";
  if (!FileExists(startPage)) {
    if (env_.ShowMessage) env_.ShowMessage("SDatoteka ne obstaja: gmaps.htm!");
    return;
  }
  if (env_.ShowMapWindow) env_.ShowMapWindow();
  env_.Web->Navigate(startPage);
  MapZoom = zoom;
  BtInicClick();
  RecentrePending = true;
  ApplyPosition();
}

void TMapCapture::BtInicClick() {
  if (schedule_.InRebuild()) {
    rebuildAgain_ = true;
    return;
  }
  schedule_.BeginRebuild();
  timer_->SetEnabled(false);
  if (env_.BeforeRebuild) env_.BeforeRebuild();
  bool loaded = false;
  {
    auto endRebuild = ScopeExit([&] {
      schedule_.EndRebuild(loaded);
      if (env_.Terminated && env_.Terminated()) schedule_.Terminate();
      BuildingPage = false;
      ResumeCapture();
    });
    do {
      rebuildAgain_ = false;
      loaded = BuildMapPage();
    } while (rebuildAgain_ && !(env_.Terminated && env_.Terminated()));
    endRebuild.Run();
  }
  if (loaded && RecentrePending) ApplyPosition();
}

bool TMapCapture::BuildMapPage() {
  timer_->SetEnabled(false);
  const std::string templateName = env_.AppDir + "mapgd.htm";
  if (!FileExists(templateName)) {
    if (env_.ShowMessage) env_.ShowMessage("Script ne obstaja: mapgd.htm!");
    return false;
  }
  TStringList lines;
  lines.LoadFromFile(templateName);
  KeepPositionOnPage();
  TMapPageValues values;
  values.Width = env_.Web->Width() - 30;
  values.Height = env_.Web->Height() - 30;
  values.Lat = MapLat;
  values.Lon = MapLon;
  values.MapZoom = MapZoom;
  values.Source = MapSource;
  values.MapType = MapType;
  const std::string page = env_.AppDir + "mapg.htm";
  SaveTextReplacing(page, FillMapTemplate(lines.Text(), values));

  DownloadCount = 0;
  const Cardinal t0 = GetTickCount();
  env_.Web->Navigate(page);
  CaptureWidth = values.Width;
  CaptureHeight = values.Height;
  while (static_cast<Cardinal>(GetTickCount() - t0) < 15000 && DownloadCount <= 2 &&
         !(env_.Terminated && env_.Terminated()))
    env_.ProcessMessages();
  BuildingPage = false;
  return true;
}

void TMapCapture::KeepPositionOnPage() {
  const TPagePosition p = KeepOnPage(MapSource, {MapLat, MapLon, MapZoom});
  MapLat = p.Lat;
  MapLon = p.Lon;
  MapZoom = p.MapZoom;
}

void TMapCapture::ApplyPosition() {
  // The page does not move to a position outside what it shows; every
  // capture's world file names the position the page was sent.
  KeepPositionOnPage();
  captureBitmap_.reset();
  if (!RecentrePending || schedule_.InRebuild()) return;
  ExecuteScript(PositionScript(MapLat, MapLon, MapZoom, MapSource));
  RecentrePending = false;
  SentLat = MapLat;
  SentLon = MapLon;
  schedule_.RestartAfterPosition();
  ResumeCapture();
}

void TMapCapture::ExecuteScript(const std::string& text) {
  if (text.empty() || !env_.Web->HasDocument()) return;
  env_.Web->ExecScript(text);
}
