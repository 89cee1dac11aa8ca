#include "formstate/UxHook.h"

#include <algorithm>

#include "formstate/FsGuards.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Properties.h"

namespace {

THookList*& hookList() {
  static THookList* list = nullptr;
  return list;
}

} // namespace

THookList& HookListInstance() {
  if (hookList() == nullptr) hookList() = new THookList();
  return *hookList();
}

bool HookListExists() {
  return hookList() != nullptr;
}

void FreeHookList() {
  THookList* list = hookList();
  hookList() = nullptr;
  delete list;
}

// ---- TUxWindowHook ------------------------------------------------------------------

TUxWindowHook::TUxWindowHook(TComponent* owner)
    : TComponent(owner),
      watcher_(std::make_unique<TFreeWatcher>([this](TComponent* c) { controlGone(c); })) {}

TUxWindowHook::~TUxWindowHook() {
  SetActive(false);
  SetWinControl(nullptr);
  watcher_.reset();
}

void TUxWindowHook::controlGone(TComponent* component) {
  if (component != control_) return;
  if (controlHook_ != nullptr) controlHook_->RemoveWindowHook(this);
  control_ = nullptr;
}

void TUxWindowHook::SetActive(bool value) {
  if (value == active_) return;
  if (value)
    attach();
  else
    detach();
}

void TUxWindowHook::attach() {
  if (control_ != nullptr && !IsDestroying())
    HookListInstance().ControlHookFor(control_)->AddWindowHook(this);
  active_ = true;
}

void TUxWindowHook::detach() {
  if (controlHook_ != nullptr) controlHook_->RemoveWindowHook(this);
  active_ = false;
}

TWinControl* TUxWindowHook::WinControl() const {
  return controlHook_ != nullptr ? controlHook_->Control() : control_;
}

void TUxWindowHook::SetWinControl(TWinControl* value) {
  if (value == WinControl()) return;
  const bool wasActive = active_;
  TControlHook* oldHook = controlHook_;
  detach();
  if (control_ != nullptr && control_ != value) watcher_->Unwatch(control_);
  control_ = value;
  watcher_->Watch(control_);
  if (oldHook != nullptr && oldHook->HookCount() == 0 && HookListExists())
    PostMessage(HookListInstance().Handle(), UM_FREEHOOK, 0, LPARAM(oldHook));
  if (wasActive) attach();
}

bool TUxWindowHook::IsForm() const {
  return WinControl() != nullptr && WinControl() == Owner() &&
         dynamic_cast<TForm*>(Owner()) != nullptr;
}

void TUxWindowHook::SetIsForm(bool value) {
  if (value)
    if (auto* form = dynamic_cast<TForm*>(Owner())) SetWinControl(form);
}

void TUxWindowHook::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == control_ || component == WinControl() || component == Owner())
    SetWinControl(nullptr);
}

void TUxWindowHook::DoBeforeMessage(TMessage& msg, bool& handled) {
  if (BeforeMessage) BeforeMessage(this, msg, handled);
}

void TUxWindowHook::DoAfterMessage(TMessage& msg, bool& handled) {
  if (AfterMessage) AfterMessage(this, msg, handled);
}

// ---- TControlHook --------------------------------------------------------------------

struct TControlHook::TProcState {
  TControlHook* owner = nullptr;
  LONG_PTR previous = 0; // the procedure replaced last
};

TControlHook::TControlHook()
    : state_(std::make_shared<TProcState>()),
      watcher_(std::make_unique<TFreeWatcher>([this](TComponent* c) { controlGone(c); })) {
  state_->owner = this;
  std::shared_ptr<TProcState> state = state_;
  newProc_ = MakeWndProc([state](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (state->owner != nullptr) return state->owner->hookedWndProc(h, msg, w, l);
    // The control hook is gone; whoever still calls us reaches the
    // procedure we had replaced.
    return state->previous != 0 ? CallWindowProc(state->previous, h, msg, w, l)
                                : DefWindowProc(h, msg, w, l);
  });
}

TControlHook::~TControlHook() {
  destroying_ = true;
  if (HookListExists()) HookListInstance().Remove(this);
  while (!hooks_.empty())
    hooks_.back()->detach();
  if (control_ != nullptr) watcher_->Unwatch(control_);
  control_ = nullptr;
  state_->owner = nullptr;
}

// The control went without telling its hooks: forget it, and its window
// (gone with it) together with the procedure we had replaced there.
void TControlHook::controlGone(TComponent* component) {
  if (component != control_) return;
  prevProc_ = 0;
  control_ = nullptr;
}

void TControlHook::AddWindowHook(TUxWindowHook* hook) {
  if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) {
    hooks_.push_back(hook);
    hook->controlHook_ = this;
    AttachControl(hook->control_);
  }
  InstallWndProc();
}

void TControlHook::RemoveWindowHook(TUxWindowHook* hook) {
  hook->controlHook_ = nullptr;
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
  if (hooks_.empty()) RestoreWndProc();
}

void TControlHook::AttachControl(TWinControl* control) {
  if (control == control_) return;
  RestoreWndProc();
  if (control_ != nullptr) watcher_->Unwatch(control_);
  control_ = control;
  watcher_->Watch(control_);
  if (!hooks_.empty()) InstallWndProc();
}

void TControlHook::InstallWndProc() {
  if (control_ == nullptr || destroying_ || control_->IsDestroying() ||
      control_->ComponentState().Contains(TComponentStateItem::csDesigning))
    return;
  const HWND h = control_->Handle();
  const LONG_PTR current = GetWindowLongPtr(h, GWL_WNDPROC);
  if (current == newProc_) return;
  prevProc_ = current;
  state_->previous = current;
  SetWindowLongPtr(h, GWL_WNDPROC, newProc_);
}

void TControlHook::RestoreWndProc() {
  if (control_ != nullptr && prevProc_ != 0 && control_->HandleAllocated()) {
    const HWND h = control_->Handle();
    if (GetWindowLongPtr(h, GWL_WNDPROC) == newProc_) SetWindowLongPtr(h, GWL_WNDPROC, prevProc_);
  }
  prevProc_ = 0;
}

void TControlHook::DispatchToHooks(bool before, TMessage& msg, bool& handled) {
  if (hooks_.empty() || control_ == nullptr || destroying_ || control_->IsDestroying()) return;
  const std::vector<TUxWindowHook*> hooks = hooks_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    if (std::find(hooks_.begin(), hooks_.end(), *it) == hooks_.end()) continue;
    try {
      if (before)
        (*it)->DoBeforeMessage(msg, handled);
      else
        (*it)->DoAfterMessage(msg, handled);
    } catch (...) {
      Application()->HandleException(*it);
    }
    if (handled) break;
  }
}

LRESULT TControlHook::hookedWndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  const LONG_PTR previous = prevProc_ != 0 ? prevProc_ : state_->previous;
  if (control_ == nullptr)
    return previous != 0 ? CallWindowProc(previous, h, msg, w, l) : DefWindowProc(h, msg, w, l);
  TMessage m{msg, w, l, 0};
  bool handled = false;
  if (msg != WM_QUIT) DispatchToHooks(true, m, handled);
  if (!handled || msg == WM_DESTROY) {
    {
      auto after = ScopeExit([&] { DispatchToHooks(false, m, handled); });
      m.Result = previous != 0 ? CallWindowProc(previous, h, m.Msg, m.WParam, m.LParam)
                               : DefWindowProc(h, m.Msg, m.WParam, m.LParam);
    }
    if (msg == WM_DESTROY) {
      RestoreWndProc();
      if (HookListExists() && !destroying_ && !control_->IsDestroying())
        PostMessage(HookListInstance().Handle(), UM_REHOOK, 0, LPARAM(this));
    }
  }
  return m.Result;
}

// ---- THookList -------------------------------------------------------------------------

THookList::THookList() {
  handle_ = AllocateHWnd([this](TMessage& m) { utilityWndProc(m); });
}

THookList::~THookList() {
  while (!hooks_.empty()) {
    TControlHook* hook = hooks_.back();
    hooks_.pop_back();
    delete hook;
  }
  DeallocateHWnd(handle_);
}

bool THookList::Contains(const TControlHook* hook) const {
  return std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end();
}

TControlHook* THookList::FindControlHook(TWinControl* control) const {
  for (TControlHook* hook : hooks_)
    if (hook->Control() == control) return hook;
  return nullptr;
}

TControlHook* THookList::ControlHookFor(TWinControl* control) {
  if (TControlHook* hook = FindControlHook(control)) return hook;
  auto hook = std::make_unique<TControlHook>();
  hook->AttachControl(control);
  hooks_.push_back(hook.release());
  return hooks_.back();
}

void THookList::Remove(TControlHook* hook) {
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

void THookList::utilityWndProc(TMessage& m) {
  try {
    auto* hook = reinterpret_cast<TControlHook*>(m.LParam);
    if (m.Msg == UM_REHOOK && Contains(hook)) {
      if (hook->Control() != nullptr && !hook->Control()->IsDestroying()) {
        hook->Control()->HandleNeeded();
        hook->InstallWndProc();
      }
    } else if (m.Msg == UM_FREEHOOK && Contains(hook)) {
      if (hook->HookCount() == 0) delete hook;
    } else {
      m.Result = DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
    }
  } catch (...) {
    Application()->HandleException(nullptr);
  }
}
