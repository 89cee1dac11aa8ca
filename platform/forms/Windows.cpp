// The window table, procedure tokens, message sending and posting, the
// platform's default processing, geometry queries, scroll-bar state and the
// partly-covered test.
#include "platform/forms/Windows.h"

#include <algorithm>
#include <vector>

#include <QCoreApplication>
#include <QScrollBar>

#include "platform/forms/Forms.h"
#include "platform/forms/WindowTable.h"

using namespace forms_detail;

namespace forms_detail {

const QEvent::Type kPostedMessageEvent = QEvent::Type(QEvent::registerEventType());
const QEvent::Type kPaintRequestEvent = QEvent::Type(QEvent::registerEventType());

namespace {

struct TProcTable {
  std::map<LONG_PTR, std::shared_ptr<TWndProcFunction>> procs;
  LONG_PTR next = 0x10000;
};
TProcTable& procTable() {
  static TProcTable t;
  return t;
}

HWND& nextHandle() {
  static HWND h = 0x100;
  return h;
}

std::uint64_t& zCounter() {
  static std::uint64_t z = 0;
  return z;
}

class TPostedMessage : public QEvent {
public:
  TPostedMessage(HWND h, UINT msg, WPARAM w, LPARAM l)
      : QEvent(kPostedMessageEvent), Handle(h), Msg(msg), W(w), L(l) {}
  TPostedMessage* clone() const override { return new TPostedMessage(Handle, Msg, W, L); }
  HWND Handle;
  UINT Msg;
  WPARAM W;
  LPARAM L;
};

class TPaintRequest : public QEvent {
public:
  explicit TPaintRequest(HWND h) : QEvent(kPaintRequestEvent), Handle(h) {}
  TPaintRequest* clone() const override { return new TPaintRequest(Handle); }
  HWND Handle;
};

class TDispatcher : public QObject {
public:
  bool event(QEvent* e) override {
    TQtEntry entry;
    if (e->type() == kPostedMessageEvent) {
      auto* pm = static_cast<TPostedMessage*>(e);
      if (pm->Msg == WM_QUIT) {
        Application()->Terminate();
        return true;
      }
      if (IsWindow(pm->Handle)) {
        HWND h = pm->Handle;
        UINT msg = pm->Msg;
        WPARAM w = pm->W;
        LPARAM l = pm->L;
        Guarded([&] { SendMessage(h, msg, w, l); });
      }
      return true;
    }
    if (e->type() == kPaintRequestEvent) {
      auto* pr = static_cast<TPaintRequest*>(e);
      if (TWindowRecord* r = FindRecord(pr->Handle)) {
        r->paintPosted = false;
        HWND h = pr->Handle;
        Guarded([&] { UpdateWindow(h); });
      }
      return true;
    }
    return QObject::event(e);
  }
};

} // namespace

std::map<HWND, std::unique_ptr<TWindowRecord>>& AllRecords() {
  static std::map<HWND, std::unique_ptr<TWindowRecord>> table;
  return table;
}

TWindowRecord* FindRecord(HWND h) {
  auto& t = AllRecords();
  auto it = t.find(h);
  return it == t.end() ? nullptr : it->second.get();
}

TWindowRecord& NewRecord(const std::string& className, TWinControl* control, LONG_PTR proc) {
  auto rec = std::make_unique<TWindowRecord>();
  rec->handle = nextHandle();
  nextHandle() += 4;
  rec->className = className;
  rec->control = control;
  rec->proc = proc;
  rec->ownProc = proc;
  rec->zOrder = ++zCounter();
  TWindowRecord& ref = *rec;
  AllRecords()[rec->handle] = std::move(rec);
  return ref;
}

void FreeRecord(HWND h) {
  auto& t = AllRecords();
  auto it = t.find(h);
  if (it == t.end()) return;
  LONG_PTR own = it->second->ownProc;
  t.erase(it);
  if (own != 0) FreeObjectInstance(own);
  if (GetCapture() == h) ReleaseCapture();
}

QObject* Dispatcher() {
  static TDispatcher* d = new TDispatcher;
  return d;
}

void RequestPaint(TWindowRecord& record) {
  if (record.paintPosted || record.redrawOff) return;
  record.paintPosted = true;
  QCoreApplication::postEvent(Dispatcher(), new TPaintRequest(record.handle), Qt::LowEventPriority);
}

TQtEventFrame*& CurrentQtEvent() {
  static TQtEventFrame* frame = nullptr;
  return frame;
}

QRect ToQRect(const TRect& r) {
  return QRect(r.Left, r.Top, r.Width(), r.Height());
}
TRect FromQRect(const QRect& r) {
  return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

void RaiseZOrder(HWND h) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return;
  r->zOrder = ++zCounter();
  if (r->exStyle & WS_EX_TOPMOST) return;
  // Windows that stay on top stay above every other window: raised again,
  // they keep their own order among themselves.
  std::vector<TWindowRecord*> topmost;
  for (auto& [other, rec] : AllRecords())
    if (rec.get() != r && (rec->exStyle & WS_EX_TOPMOST)) topmost.push_back(rec.get());
  std::sort(topmost.begin(), topmost.end(),
            [](const TWindowRecord* a, const TWindowRecord* b) { return a->zOrder < b->zOrder; });
  for (TWindowRecord* t : topmost)
    t->zOrder = ++zCounter();
}

} // namespace forms_detail

// ---------------------------------------------------------------------------
// Procedures

LONG_PTR MakeWndProc(TWndProcFunction proc) {
  auto& t = procTable();
  LONG_PTR token = t.next;
  t.next += 16;
  t.procs[token] = std::make_shared<TWndProcFunction>(std::move(proc));
  return token;
}

LONG_PTR MakeObjectInstance(TWndMethod method) {
  return MakeWndProc([method = std::move(method)](HWND, UINT msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0};
    method(m);
    return m.Result;
  });
}

void FreeObjectInstance(LONG_PTR token) {
  procTable().procs.erase(token);
}

LRESULT CallWindowProc(LONG_PTR proc, HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto& t = procTable();
  auto it = t.procs.find(proc);
  if (it == t.procs.end()) return DefWindowProc(h, msg, w, l);
  std::shared_ptr<TWndProcFunction> fn = it->second; // stays alive while it runs
  return (*fn)(h, msg, w, l);
}

HWND AllocateHWnd(TWndMethod method) {
  LONG_PTR token = MakeWndProc([method = std::move(method)](HWND, UINT msg, WPARAM w, LPARAM l) {
    TMessage m{msg, w, l, 0};
    Guarded([&] { method(m); });
    return m.Result;
  });
  return NewRecord("TPUtilWindow", nullptr, token).handle;
}

void DeallocateHWnd(HWND h) {
  if (FindRecord(h) != nullptr) FreeRecord(h);
}

bool IsWindow(HWND h) {
  return h != 0 && FindRecord(h) != nullptr;
}

HWND GetParent(HWND h) {
  TWindowRecord* r = FindRecord(h);
  return r ? r->parent : 0;
}

HWND SetParent(HWND h, HWND newParent) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return 0;
  HWND old = r->parent;
  r->parent = newParent;
  TWindowRecord* p = FindRecord(newParent);
  if (r->control != nullptr && r->control->Widget() != nullptr) {
    QWidget* w = r->control->Widget();
    QWidget* pw = (p && p->control) ? p->control->Widget() : nullptr;
    bool wasVisible = w->isVisible();
    w->setParent(pw);
    if (wasVisible) w->show();
  }
  return old;
}

std::string GetClassName(HWND h) {
  TWindowRecord* r = FindRecord(h);
  return r ? r->className : std::string();
}

std::string GetWindowText(HWND h) {
  TWindowRecord* r = FindRecord(h);
  return r ? r->text : std::string();
}

bool SetWindowText(HWND h, const std::string& text) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  r->text = text;
  if (r->control && r->control->Widget() && r->control->Widget()->isWindow())
    r->control->Widget()->setWindowTitle(QString::fromStdString(text));
  if (r->control && r->control->Text() != text) r->control->SetText(text);
  return true;
}

bool DestroyWindow(HWND h) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return false;
  // Children first lose their windows too.
  std::vector<HWND> children;
  for (auto& [ch, rec] : AllRecords())
    if (rec->parent == h) children.push_back(ch);
  SendMessage(h, WM_DESTROY, 0, 0);
  for (HWND ch : children)
    DestroyWindow(ch);
  r = FindRecord(h);
  if (r == nullptr) return true;
  TWinControl* control = r->control;
  FreeRecord(h);
  if (control != nullptr) control->HandleDestroyedByTable();
  return true;
}

TWinControl* FindControl(HWND h) {
  TWindowRecord* r = FindRecord(h);
  return r ? r->control : nullptr;
}

LONG_PTR GetWindowLongPtr(HWND h, int index) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return 0;
  switch (index) {
  case GWL_WNDPROC:
    return r->proc;
  case GWL_USERDATA:
    return r->userData;
  case GWL_STYLE:
    return LONG_PTR(r->style);
  case GWL_EXSTYLE:
    return LONG_PTR(r->exStyle);
  default:
    return 0;
  }
}

LONG_PTR SetWindowLongPtr(HWND h, int index, LONG_PTR value) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return 0;
  LONG_PTR old = 0;
  switch (index) {
  case GWL_WNDPROC:
    old = r->proc;
    r->proc = value;
    break;
  case GWL_USERDATA:
    old = r->userData;
    r->userData = value;
    break;
  case GWL_STYLE:
    old = LONG_PTR(r->style);
    r->style = std::uint32_t(value);
    break;
  case GWL_EXSTYLE:
    old = LONG_PTR(r->exStyle);
    r->exStyle = std::uint32_t(value);
    break;
  default:
    break;
  }
  return old;
}

LRESULT SendMessage(HWND h, UINT msg, WPARAM w, LPARAM l) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return 0;
  return CallWindowProc(r->proc, h, msg, w, l);
}

bool PostMessage(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (h != 0 && !IsWindow(h)) return false;
  QCoreApplication::postEvent(Dispatcher(), new TPostedMessage(h, msg, w, l));
  return true;
}

LRESULT DefWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (TQtEventFrame* f = CurrentQtEvent(); f != nullptr && f->handle == h && f->msg == msg)
    f->wantDefault = true;
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr) return 0;
  switch (msg) {
  case WM_CLOSE:
    DestroyWindow(h);
    return 0;
  case WM_PAINT:
    ValidateRect(h, nullptr);
    return 0;
  case WM_SETREDRAW:
    r->redrawOff = w == 0;
    if (w != 0) InvalidateRect(h, nullptr, true);
    return 0;
  case WM_SETCURSOR:
    if (r->parent != 0 && SendMessage(r->parent, WM_SETCURSOR, w, l) != 0) return 1;
    if (r->control != nullptr && (l & 0xFFFF) == HTCLIENT) ApplyCursor(r->control, crDefault);
    return 0;
  case WM_RBUTTONUP:
    SendContextMenu(h, l);
    return 0;
  case WM_CONTEXTMENU:
  case WM_MOUSEWHEEL:
    if (r->parent != 0) return SendMessage(r->parent, msg, w, l);
    return 0;
  default:
    return 0;
  }
}

// ---------------------------------------------------------------------------
// Geometry

bool GetWindowRect(HWND h, TRect* rect) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || rect == nullptr) return false;
  if (r->control == nullptr) {
    *rect = TRect();
    return true;
  }
  TWinControl* c = r->control;
  TPoint at(c->Left(), c->Top());
  if (c->Parent() != nullptr) {
    TPoint o = c->Parent()->ClientOrigin();
    at = TPoint(o.x + c->Left(), o.y + c->Top());
  }
  *rect = TRect(at.x, at.y, at.x + c->Width(), at.y + c->Height());
  return true;
}

bool GetClientRect(HWND h, TRect* rect) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || rect == nullptr) return false;
  *rect = r->control ? r->control->ClientRect() : TRect();
  return true;
}

bool ClientToScreen(HWND h, TPoint* point) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || point == nullptr || r->control == nullptr) return false;
  *point = r->control->ClientToScreen(*point);
  return true;
}

bool ScreenToClient(HWND h, TPoint* point) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || point == nullptr || r->control == nullptr) return false;
  *point = r->control->ScreenToClient(*point);
  return true;
}

// ---------------------------------------------------------------------------
// Scroll bars

int SetScrollInfo(HWND h, int bar, const SCROLLINFO* info, bool /*redraw*/) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || info == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return 0;
  TScrollBarState& s = r->bars[bar];
  if (info->fMask & SIF_RANGE) {
    s.min = info->nMin;
    s.max = info->nMax;
  }
  if (info->fMask & SIF_PAGE) s.page = info->nPage;
  long long span = (long long)s.max - s.min + 1;
  if (span < 0) span = 0;
  if (s.page > span) s.page = unsigned(span);
  long long maxPos = (long long)s.max - (s.page > 0 ? s.page - 1 : 0);
  if (info->fMask & SIF_POS) s.pos = info->nPos;
  if (s.pos > maxPos) s.pos = int(maxPos);
  if (s.pos < s.min) s.pos = s.min;
  s.enabled = s.max > s.min && (s.page == 0 || (long long)s.page < span);
  if (r->control != nullptr) SyncScrollBar(r->control, bar, s);
  return s.pos;
}

bool GetScrollInfo(HWND h, int bar, SCROLLINFO* info) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || info == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return false;
  const TScrollBarState& s = r->bars[bar];
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.min;
    info->nMax = s.max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.page;
  if (info->fMask & SIF_POS) info->nPos = s.pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.trackPos;
  return true;
}

bool IsScrollBarEnabled(HWND h, int bar) {
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || (bar != SB_HORZ && bar != SB_VERT)) return false;
  return r->bars[bar].present && r->bars[bar].enabled;
}

// ---------------------------------------------------------------------------
// Partly covered

namespace {
TPartlyCoveredHook& coveredHook() {
  static TPartlyCoveredHook hook;
  return hook;
}
} // namespace

void SetPartlyCoveredHook(TPartlyCoveredHook hook) {
  coveredHook() = std::move(hook);
}

bool IsPartlyCovered(HWND h) {
  if (coveredHook()) return coveredHook()(h);
  TWindowRecord* r = FindRecord(h);
  if (r == nullptr || r->control == nullptr) return false;
  TRect wr;
  GetWindowRect(h, &wr);
  TRect work = Screen()->WorkAreaRect();
  if (wr.Left < work.Left || wr.Top < work.Top || wr.Right > work.Right || wr.Bottom > work.Bottom)
    return true;
  // The top-level window of h and the own top-level windows raised after it.
  TWinControl* top = r->control;
  while (top->Parent() != nullptr)
    top = top->Parent();
  TWindowRecord* topRec = top->HandleAllocated() ? FindRecord(top->Handle()) : nullptr;
  std::uint64_t z = topRec ? topRec->zOrder : r->zOrder;
  for (auto& [other, rec] : AllRecords()) {
    if (rec->control == nullptr || rec->control == top || rec->control->Parent() != nullptr)
      continue;
    if (rec->zOrder <= z || !rec->control->Showing()) continue;
    TRect orect;
    GetWindowRect(other, &orect);
    if (ToQRect(orect).intersects(ToQRect(wr))) return true;
  }
  return false;
}
