#include "platform/web/WebEngineHost.h"

#include "platform/web/WebEngineEnvironment.h"
#include "platform/web/WebEngineQt.h"
#include "platform/web/WebWatchdog.h"

#include <QAuthenticator>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMimeDatabase>
#include <QNetworkProxy>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace web {

namespace {

const char* const kHostStyleScript = "sk-host-style-sheet";

bool SameUrl(const QUrl& a, const QUrl& b) {
  const auto opts = QUrl::NormalizePathSegments | QUrl::StripTrailingSlash;
  return a.adjusted(opts) == b.adjusted(opts);
}

/// The engine actions behind the menu item ids.
struct MenuItemAction {
  int id;
  QWebEnginePage::WebAction action;
};
constexpr MenuItemAction kMenuItemActions[] = {
    {wmiBack, QWebEnginePage::Back},
    {wmiForward, QWebEnginePage::Forward},
    {wmiReload, QWebEnginePage::Reload},
    {wmiViewSource, QWebEnginePage::ViewSource},
    {wmiSelectAll, QWebEnginePage::SelectAll},
    {wmiPaste, QWebEnginePage::Paste},
    {wmiOpenLink, QWebEnginePage::OpenLinkInThisWindow},
    {wmiOpenLinkInNewWindow, QWebEnginePage::OpenLinkInNewWindow},
    {wmiInspectElement, QWebEnginePage::InspectElement},
};

std::optional<std::string> VariantText(const QVariant& v) {
  if (!v.isValid() || v.isNull()) return std::nullopt;
  switch (v.typeId()) {
  case QMetaType::QVariantMap:
  case QMetaType::QVariantList:
  case QMetaType::QStringList:
    return QJsonDocument::fromVariant(v).toJson(QJsonDocument::Compact).toStdString();
  case QMetaType::Bool:
    return std::string(v.toBool() ? "true" : "false");
  default:
    return v.toString().toStdString();
  }
}

/// One row of opaque 32-bit pixels (B, G, R, A in memory) into B, G, R:
/// four pixels at a time as three 32-bit words.
void PackRowPlain(const uint8_t* src, uint8_t* dst, int width) {
  int x = 0;
  for (; x + 4 <= width; x += 4, src += 16, dst += 12) {
    uint32_t p0, p1, p2, p3;
    std::memcpy(&p0, src, 4);
    std::memcpy(&p1, src + 4, 4);
    std::memcpy(&p2, src + 8, 4);
    std::memcpy(&p3, src + 12, 4);
    const uint32_t w0 = (p0 & 0xFFFFFFu) | (p1 << 24);
    const uint32_t w1 = ((p1 >> 8) & 0xFFFFu) | (p2 << 16);
    const uint32_t w2 = ((p2 >> 16) & 0xFFu) | (p3 << 8);
    std::memcpy(dst, &w0, 4);
    std::memcpy(dst + 4, &w1, 4);
    std::memcpy(dst + 8, &w2, 4);
  }
  for (; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

#if defined(__x86_64__) || defined(__i386__)
/// The same sixteen pixels at a time with byte shuffles: four 16-byte loads
/// give exactly three 16-byte stores.
__attribute__((target("ssse3"))) void PackRowSsse3(const uint8_t* src, uint8_t* dst, int width) {
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  for (; x + 16 <= width; x += 16, src += 64, dst += 48) {
    const __m128i a =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), drop);
    const __m128i b =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16)), drop);
    const __m128i c =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32)), drop);
    const __m128i d =
        _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 48)), drop);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16),
                     _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32),
                     _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  PackRowPlain(src, dst, width - x);
}
#endif

using PackRowFunction = void (*)(const uint8_t*, uint8_t*, int);

PackRowFunction PackRow() {
#if defined(__x86_64__) || defined(__i386__)
  static const PackRowFunction chosen =
      __builtin_cpu_supports("ssse3") ? PackRowSsse3 : PackRowPlain;
  return chosen;
#else
  return PackRowPlain;
#endif
}

/// The engine's picture as opaque 32-bit pixels at exactly width x height;
/// a null image when there is none.
QImage PreparedImage(QImage image, int width, int height) {
  if (image.isNull() || width <= 0 || height <= 0) return {};
  // (Only when needed: setting it copies the engine's picture.)
  if (image.devicePixelRatio() != 1.0) image.setDevicePixelRatio(1.0);
  if (image.width() != width || image.height() != height)
    image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // 32-bit pixels are B, G, R, A in memory on little-endian machines; the
  // page is opaque, so dropping A gives the rows of a device-independent
  // bitmap (24-bit B, G, R) directly.
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32 &&
      image.format() != QImage::Format_ARGB32_Premultiplied)
    image.convertTo(QImage::Format_RGB32);
  if (image.width() != width || image.height() != height) return {};
  return image;
}

/// Packs the first height rows, width pixels each, into the rows row(y) gives.
void PackRows(const QImage& image, int width, int height,
              const std::function<uint8_t*(int y)>& row) {
  const PackRowFunction pack = PackRow();
  for (int y = 0; y < height; ++y)
    pack(image.constScanLine(y), row(y), width);
}

} // namespace

uint32_t WebSnapshot::Rgb(int x, int y) const {
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * 3;
  return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

// ---------------------------------------------------------------------------
// WebEngineHostImpl

WebEngineHostImpl::WebEngineHostImpl(WebEngineHost& ownerHost) : owner(ownerHost) {
  widget = new WebHostWidget(*this);
  QWebEngineView* view = widget->View();
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(view, &QWidget::customContextMenuRequested, view,
                   [this](const QPoint& pos) { ShowContextMenu(pos); });
  CreatePage();
  watchdog = std::make_unique<WebWatchdog>(*this);
}

void WebEngineHostImpl::CreatePage() {
  QWebEngineView* view = widget->View();
  WebEnginePage* old = page;
  page = new WebEnginePage(WebProfile(), view, *this);
  view->setPage(page);
  if (old) {
    // The new page starts empty.
    delete old;
    hasDocument = false;
    loadState = WebLoadState::None;
  }
  QObject::connect(page, &QWebEnginePage::loadingChanged, page,
                   [this](const QWebEngineLoadingInfo& info) { OnLoadingChanged(info); });
  QObject::connect(page, &QWebEnginePage::loadProgress, page, [this](int percent) {
    if (owner.OnLoadProgress) owner.OnLoadProgress(percent);
  });
  QObject::connect(page, &QWebEnginePage::titleChanged, page, [this](const QString& title) {
    if (owner.OnTitleChanged) owner.OnTitleChanged(title.toStdString());
  });
  QObject::connect(page, &QWebEnginePage::renderProcessTerminated, page,
                   [this](QWebEnginePage::RenderProcessTerminationStatus, int) {
                     hasDocument = false;
                     if (watchdog) watchdog->RenderProcessEnded();
                     if (owner.OnRenderProcessTerminated) owner.OnRenderProcessTerminated();
                   });
  QObject::connect(page, &QWebEnginePage::urlChanged, page, [this](const QUrl&) {
    if (watchdog) watchdog->DocumentChanged();
  });
  QObject::connect(page, &QWebEnginePage::selectionChanged, page, [this] {
    if (owner.OnSelectionChanged) owner.OnSelectionChanged();
  });
  QObject::connect(page, &QWebEnginePage::geometryChangeRequested, page, [this](const QRect& r) {
    if (owner.OnGeometryChangeRequested)
      owner.OnGeometryChangeRequested(r.x(), r.y(), r.width(), r.height());
  });
  QObject::connect(page, &QWebEnginePage::newWindowRequested, page,
                   [this](QWebEngineNewWindowRequest& request) {
                     // Not opening the request refuses it.
                     const QUrl url = request.requestedUrl();
                     if (owner.OnNewWindow &&
                         owner.OnNewWindow(url.toString().toStdString(), request.isUserInitiated()))
                       QDesktopServices::openUrl(url);
                   });
  // Authentication is cancelled by leaving the authenticator empty; the
  // proxy's comes from the process's proxy settings.
  QObject::connect(page, &QWebEnginePage::proxyAuthenticationRequired, page,
                   [](const QUrl&, QAuthenticator* auth, const QString&) {
                     const WebProxy proxy = CurrentWebProxy();
                     if (proxy.UserName.empty()) return;
                     auth->setUser(QString::fromStdString(proxy.UserName));
                     auth->setPassword(QString::fromStdString(proxy.Password));
                   });
  QObject::connect(page, &QWebEnginePage::certificateError, page,
                   [](QWebEngineCertificateError error) { error.rejectCertificate(); });
  QObject::connect(page->profile(), &QWebEngineProfile::downloadRequested, page,
                   [this](QWebEngineDownloadRequest* download) {
                     if (download->page() != page) return;
                     std::string path;
                     if (owner.OnDownload)
                       path = owner.OnDownload(download->url().toString().toStdString(),
                                               download->suggestedFileName().toStdString());
                     if (path.empty()) {
                       download->cancel();
                       return;
                     }
                     const QFileInfo info(QString::fromStdString(path));
                     download->setDownloadDirectory(info.absolutePath());
                     download->setDownloadFileName(info.fileName());
                     download->accept();
                   });
  ApplyOptions();
}

WebEngineHostImpl::~WebEngineHostImpl() {
  if (lastMenu) delete lastMenu.data();
  // The page goes before the view that parents it, as the engine asks.
  if (widget) {
    widget->View()->setPage(nullptr);
    delete page;
    delete widget.data();
  }
  // A page that goes answers its waiting script calls (with nothing): the
  // watchdog that watches them goes after it.
  watchdog.reset();
}

void WebEngineHostImpl::ApplyOptions() {
  QWebEngineSettings* s = page->settings();
  s->setAttribute(QWebEngineSettings::AutoLoadImages, options.AutoLoadImages);
  s->setAttribute(QWebEngineSettings::JavascriptEnabled, options.JavascriptEnabled);
  s->setAttribute(QWebEngineSettings::PluginsEnabled, options.PluginsEnabled);
  s->setAttribute(QWebEngineSettings::ShowScrollBars, options.ShowScrollBars);
  if (options.DefaultFontSize > 0)
    s->setFontSize(QWebEngineSettings::DefaultFontSize, options.DefaultFontSize);
  else
    s->resetFontSize(QWebEngineSettings::DefaultFontSize);

  QWebEngineScriptCollection& scripts = page->scripts();
  InstallWindowBridge(scripts);
  for (const QWebEngineScript& old : scripts.find(kHostStyleScript))
    scripts.remove(old);
  if (!options.UserStyleSheet.empty()) {
    const QByteArray css = QJsonDocument(QJsonArray{QString::fromStdString(options.UserStyleSheet)})
                               .toJson(QJsonDocument::Compact);
    QWebEngineScript script;
    script.setName(kHostStyleScript);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(
        QStringLiteral("(function(){var s=document.createElement('style');"
                       "s.textContent=%1[0];"
                       "(document.head||document.documentElement).appendChild(s);})();")
            .arg(QString::fromUtf8(css)));
    scripts.insert(script);
  }
  if (widget) widget->View()->setAcceptDrops(options.DropHandling != WebDropHandling::None);
}

void WebEngineHostImpl::OnLoadingChanged(const QWebEngineLoadingInfo& info) {
  if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
    watchdog->LoadStarted();
    ++contentTypeSerial;
    if (hasDocument && owner.OnUnload) owner.OnUnload();
    loadState = WebLoadState::Loading;
    if (owner.OnLoadStarted) owner.OnLoadStarted();
    return;
  }
  // A load that ends while a newer navigation is pending was replaced by it.
  if (navigationPending && !SameUrl(info.url(), pendingUrl) &&
      !SameUrl(page->requestedUrl(), pendingUrl))
    return;
  // The load of a render process the watchdog ended: the page loads again.
  if (watchdog->SwallowLoadEnd()) return;
  navigationPending = false;
  watchdog->LoadEnded();
  bool ok = false;
  switch (info.status()) {
  case QWebEngineLoadingInfo::LoadSucceededStatus:
    ok = true;
    loadState = WebLoadState::Succeeded;
    hasDocument = true;
    lastError.clear();
    LearnContentType(info.url());
    break;
  case QWebEngineLoadingInfo::LoadFailedStatus:
    loadState = WebLoadState::Failed;
    hasDocument = false;
    lastError = info.errorString().toStdString();
    break;
  default: // stopped: whatever was shown stays
    loadState = WebLoadState::Stopped;
    lastError = info.errorString().toStdString();
    break;
  }
  ReportLoadEnd(ok);
}

void WebEngineHostImpl::LearnContentType(const QUrl& url) {
  // A local file is known at once: a folder is shown as the engine's
  // listing page, which is no document of the site's; a file by its name
  // and content. The document's own answer follows for every other URL.
  contentType.clear();
  folderListing = false;
  if (url.isLocalFile()) {
    const QFileInfo file(url.toLocalFile());
    if (file.isDir()) {
      folderListing = true;
      contentType = "inode/directory";
      return;
    }
    if (file.isFile()) contentType = QMimeDatabase().mimeTypeForFile(file).name().toStdString();
  }
  const uint64_t asked = ++contentTypeSerial;
  page->runJavaScript(QStringLiteral("document.contentType"), QWebEngineScript::ApplicationWorld,
                      watchdog->Watch([this, asked](const QVariant& v) {
                        if (asked == contentTypeSerial && v.isValid() && !v.toString().isEmpty())
                          contentType = v.toString().toStdString();
                      }));
}

void WebEngineHostImpl::ReportLoadEnd(bool ok) {
  const uint64_t gen = generation;
  if (owner.OnLoadFinished) owner.OnLoadFinished(ok);
  for (int i = 0; i < kDownloadCompletesPerLoad && gen == generation; ++i)
    if (owner.OnDownloadComplete) owner.OnDownloadComplete();
}

void WebEngineHostImpl::LoadUrl(const QUrl& url) {
  ++generation;
  navigationPending = true;
  pendingUrl = url;
  page->load(url);
}

void WebEngineHostImpl::GiveUpLoad(bool duringLoad) {
  hasDocument = false;
  navigationPending = false;
  loadState = WebLoadState::Failed;
  lastError = kPageDidNotRespond;
  if (duringLoad) ReportLoadEnd(false);
}

void WebEngineHostImpl::ShowContextMenu(const QPoint& pos) {
  QWebEngineView* view = widget->View();
  WebContextMenuRequest request;
  if (const QWebEngineContextMenuRequest* data = view->lastContextMenuRequest()) {
    if (data->mediaType() == QWebEngineContextMenuRequest::MediaTypeImage)
      request.ContextId = 1;
    else if (data->isContentEditable())
      request.ContextId = 2;
    else if (!data->selectedText().isEmpty())
      request.ContextId = 4;
    else if (data->linkUrl().isValid())
      request.ContextId = 5;
  }
  const QPoint global = view->mapToGlobal(pos);
  request.ScreenX = global.x();
  request.ScreenY = global.y();

  QMenu* menu = view->createStandardContextMenu();
  auto idOf = [&](QAction* action) {
    for (const MenuItemAction& m : kMenuItemActions)
      if (view->pageAction(m.action) == action) return m.id;
    return 0;
  };
  for (QAction* action : menu->actions())
    if (int id = idOf(action)) request.ItemIds.push_back(id);
  if (owner.OnContextMenu && !owner.OnContextMenu(request)) {
    delete menu;
    return;
  }
  lastMenuItems.clear();
  for (QAction* action : menu->actions()) {
    const int id = idOf(action);
    if (id == 0) continue;
    if (std::find(request.ItemIds.begin(), request.ItemIds.end(), id) == request.ItemIds.end())
      menu->removeAction(action);
    else
      lastMenuItems.push_back(id);
  }
  if (lastMenu) delete lastMenu.data();
  lastMenu = menu;
  menu->setAttribute(Qt::WA_DeleteOnClose, true);
  menu->popup(global);
}

bool WebEngineHostImpl::KeyPress(int key, Qt::KeyboardModifiers modifiers) {
  if (owner.OnKeyDown &&
      owner.OnKeyDown(key, modifiers & Qt::ControlModifier, modifiers & Qt::ShiftModifier,
                      modifiers & Qt::AltModifier))
    return true;
  if (key == Qt::Key_F5 && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
    page->triggerAction(QWebEnginePage::Reload);
    return true;
  }
  return false;
}

bool WebEngineHostImpl::Refresh() {
  return !(owner.OnRefresh && owner.OnRefresh());
}

WebDialogRequest WebEngineHostImpl::DialogRequest(WebDialogKind kind,
                                                  const QString& message) const {
  WebDialogRequest r;
  r.Kind = kind;
  r.Message = message.toStdString();
  r.PageTitle = page->title().toStdString();
  r.PageUrl = page->url().toString().toStdString();
  return r;
}

QWidget* HostWidget(WebEngineHost& host) {
  return host.Impl().widget;
}
QWebEngineView* HostView(WebEngineHost& host) {
  return host.Impl().widget->View();
}

void AttachTo(WebEngineHost& host, QWidget* parent) {
  QWidget* w = host.Impl().widget;
  const bool visible = !w->isHidden();
  w->setParent(parent);
  if (visible) w->show();
}

int VirtualKeyOfEngineKey(int key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ') return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return 0x0D;
  case Qt::Key_Escape:
    return 0x1B;
  case Qt::Key_Tab:
    return 0x09;
  case Qt::Key_Backspace:
    return 0x08;
  default:
    return 0;
  }
}

QWidget* CreateContainer(WebEngineHost& host, QWidget* parent) {
  auto* container = new QWidget(parent);
  AttachTo(host, container);
  return container;
}

// ---------------------------------------------------------------------------
// WebEngineHost

WebEngineHost::WebEngineHost() : impl_(std::make_unique<WebEngineHostImpl>(*this)) {}
WebEngineHost::~WebEngineHost() = default;

void WebEngineHost::ClearEvents() {
  OnLoadStarted = nullptr;
  OnLoadProgress = nullptr;
  OnLoadFinished = nullptr;
  OnDownloadComplete = nullptr;
  OnUnload = nullptr;
  OnRenderProcessTerminated = nullptr;
  OnTitleChanged = nullptr;
  OnScriptError = nullptr;
  OnConsoleMessage = nullptr;
  OnDialog = nullptr;
  OnContextMenu = nullptr;
  OnKeyDown = nullptr;
  OnRefresh = nullptr;
  OnNewWindow = nullptr;
  OnDownload = nullptr;
  OnGeometryChangeRequested = nullptr;
  OnWindowRequest = nullptr;
  OnDrag = nullptr;
  OnCloseRequested = nullptr;
  OnFocusChanged = nullptr;
  OnWindowActivationChanged = nullptr;
  OnSelectionChanged = nullptr;
}

void WebEngineHost::SetBounds(int left, int top, int width, int height) {
  impl_->widget->setGeometry(left, top, std::max(0, width), std::max(0, height));
}
int WebEngineHost::Left() const {
  return impl_->widget->x();
}
int WebEngineHost::Top() const {
  return impl_->widget->y();
}
int WebEngineHost::Width() const {
  return impl_->widget->width();
}
int WebEngineHost::Height() const {
  return impl_->widget->height();
}
void WebEngineHost::SetVisible(bool visible) {
  impl_->widget->setVisible(visible);
}
bool WebEngineHost::Visible() const {
  return impl_->widget->isVisible();
}

std::string WebEngineHost::UrlFromText(const std::string& text) {
  if (text.find("://") != std::string::npos || text.rfind("about:", 0) == 0) return text;
  QString path = QString::fromStdString(text);
  path.replace(QLatin1Char('\\'), QLatin1Char('/'));
  return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())
      .toString(QUrl::FullyEncoded)
      .toStdString();
}

void WebEngineHost::Navigate(const std::string& urlOrPath) {
  // A proxy change made a new profile: this view moves to it now.
  if (impl_->page->profile() != WebProfile()) impl_->CreatePage();
  const QUrl url = QUrl::fromUserInput(QString::fromStdString(UrlFromText(urlOrPath)));
  impl_->watchdog->NavigationRequested();
  impl_->LoadUrl(url);
}

void WebEngineHost::Stop() {
  impl_->page->triggerAction(QWebEnginePage::Stop);
}
void WebEngineHost::Reload() {
  impl_->page->triggerAction(QWebEnginePage::Reload);
}
WebLoadState WebEngineHost::LoadState() const {
  return impl_->loadState;
}
bool WebEngineHost::HasDocument() const {
  return impl_->hasDocument;
}
std::string WebEngineHost::Url() const {
  return impl_->page->url().toString().toStdString();
}
std::string WebEngineHost::Title() const {
  return impl_->page->title().toStdString();
}
std::string WebEngineHost::DocumentContentType() const {
  return impl_->hasDocument ? impl_->contentType : std::string();
}

bool WebEngineHost::HasHtmlDocument() const {
  if (!impl_->hasDocument || impl_->folderListing) return false;
  const std::string& type = impl_->contentType;
  return type.empty() || type == "text/html" || type == "application/xhtml+xml";
}

std::string WebEngineHost::LastError() const {
  return impl_->lastError;
}
double WebEngineHost::ZoomFactor() const {
  return impl_->page->zoomFactor();
}

void WebEngineHost::RunScript(const std::string& script) {
  impl_->page->runJavaScript(QString::fromStdString(script), impl_->watchdog->Watch(nullptr));
}

void WebEngineHost::EvaluateScript(const std::string& script,
                                   std::function<void(std::optional<std::string>)> done) {
  impl_->page->runJavaScript(QString::fromStdString(script),
                             impl_->watchdog->Watch([done = std::move(done)](const QVariant& v) {
                               if (done) done(VariantText(v));
                             }));
}

std::optional<std::string> WebEngineHost::EvaluateScriptAndWait(const std::string& script,
                                                                int timeoutMs) {
  struct Shared {
    bool finished = false;
    std::optional<std::string> result;
    QEventLoop loop;
  };
  auto shared = std::make_shared<Shared>();
  EvaluateScript(script, [shared](std::optional<std::string> r) {
    shared->finished = true;
    shared->result = std::move(r);
    shared->loop.quit();
  });
  if (!shared->finished) {
    QTimer::singleShot(timeoutMs, &shared->loop, &QEventLoop::quit);
    shared->loop.exec();
  }
  return shared->result;
}

std::optional<WebSnapshot> WebEngineHost::GrabView() const {
  const int width = impl_->widget->width(), height = impl_->widget->height();
  const QImage image = PreparedImage(impl_->widget->View()->grab().toImage(), width, height);
  if (image.isNull()) return std::nullopt;
  WebSnapshot shot;
  shot.Width = width;
  shot.Height = height;
  shot.BytesPerLine = ((width * 3) + 3) & ~3;
  shot.Pixels.resize(static_cast<size_t>(shot.BytesPerLine) * height);
  PackRows(image, width, height,
           [&](int y) { return shot.Pixels.data() + size_t(y) * shot.BytesPerLine; });
  return shot;
}

bool WebEngineHost::SnapshotInto(int width, int height,
                                 const std::function<uint8_t*(int y)>& row) const {
  if (!SnapshotPossible()) return false;
  const int viewWidth = impl_->widget->width(), viewHeight = impl_->widget->height();
  const QImage image =
      PreparedImage(impl_->widget->View()->grab().toImage(), viewWidth, viewHeight);
  if (image.isNull()) return false;
  PackRows(image, std::min(width, viewWidth), std::min(height, viewHeight), row);
  return true;
}

bool WebEngineHost::SnapshotPossible() const {
  if (!impl_->hasDocument || !impl_->watchdog->FrameReady()) return false;
  // A view that is not shown is not drawn by the engine: what it holds is a
  // stale frame (or nothing but the background).
  const QWidget* view = impl_->widget->View();
  return view->isVisible() && !view->window()->isMinimized();
}

std::optional<WebSnapshot> WebEngineHost::Snapshot() const {
  if (!SnapshotPossible()) return std::nullopt;
  return GrabView();
}

void WebEngineHost::SetOptions(const WebEngineOptions& options) {
  impl_->options = options;
  impl_->ApplyOptions();
}
const WebEngineOptions& WebEngineHost::Options() const {
  return impl_->options;
}

bool WebEngineHost::TriggerMenuItem(int itemId) {
  for (const MenuItemAction& m : kMenuItemActions)
    if (m.id == itemId) {
      impl_->page->triggerAction(m.action);
      return true;
    }
  return false;
}

std::vector<int> WebEngineHost::LastShownMenuItems() const {
  return impl_->lastMenuItems;
}
int64_t WebEngineHost::RenderProcessId() const {
  return impl_->page->renderProcessPid();
}

void WebEngineHost::SetWatchdogLimits(const WebWatchdogLimits& limits) {
  impl_->watchdog->SetLimits(limits);
}
const WebWatchdogLimits& WebEngineHost::WatchdogLimits() const {
  return impl_->watchdog->Limits();
}
int WebEngineHost::WatchdogRecoveries() const {
  return impl_->watchdog->Recoveries();
}
bool WebEngineHost::ScriptAnswerPending() const {
  return impl_->watchdog->AnswerPending();
}

} // namespace web
