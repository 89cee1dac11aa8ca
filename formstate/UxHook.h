// Window message hooks: a TUxWindowHook sees every message of a windowed
// control before the control's own window procedure (and may swallow it)
// and after it (and may change the result).
//
// All hooks of one control share a TControlHook, which replaces the
// control's window procedure once; the process keeps the control hooks in
// one THookList. The hook attached last sees a message first. When the
// control's window is destroyed the procedure is put back, and installed
// again (message 0xB052 to the list's utility window) once the window is
// made anew; a control hook left without hooks is freed later (0xB053).
// The replacement procedure outlives its control hook: a later subclasser
// that still calls it reaches the procedure the hook had replaced.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/forms/Controls.h"

class TControlHook;

/// Tells its owner object when a component it watches is freed, whoever owns
/// that component (components of one owner are not told of each other while
/// their owner is being freed).
class TFreeWatcher : public TComponent {
  SK_CLASS(TFreeWatcher, TComponent)
public:
  explicit TFreeWatcher(std::function<void(TComponent*)> gone)
      : TComponent(nullptr), gone_(std::move(gone)) {}
  void Watch(TComponent* component) {
    if (component != nullptr) component->FreeNotification(this);
  }
  void Unwatch(TComponent* component) {
    if (component != nullptr) component->RemoveFreeNotification(this);
  }

protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && gone_) gone_(component);
  }

private:
  std::function<void(TComponent*)> gone_;
};

using THookMessageEvent = std::function<void(TPersistent* Sender, TMessage& Msg, bool& Handled)>;

constexpr UINT UM_REHOOK = 0xB052;
constexpr UINT UM_FREEHOOK = 0xB053;

class TUxWindowHook : public TComponent {
  SK_CLASS(TUxWindowHook, TComponent)
public:
  explicit TUxWindowHook(TComponent* owner);
  ~TUxWindowHook() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  /// The watched control: the control hook's control while attached, else
  /// the assigned one.
  TWinControl* WinControl() const;
  void SetWinControl(TWinControl* value);
  /// The stored pseudo-property: True when the watched control is the owner
  /// form; reading True watches the owner form.
  bool IsForm() const;
  void SetIsForm(bool value);

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

protected:
  void Notification(TComponent* component, TOperation operation) override;
  virtual void DoBeforeMessage(TMessage& msg, bool& handled);
  virtual void DoAfterMessage(TMessage& msg, bool& handled);

private:
  friend class TControlHook;
  void attach();
  void detach();
  void controlGone(TComponent* component);
  std::unique_ptr<TFreeWatcher> watcher_;
  bool active_ = true;
  TWinControl* control_ = nullptr;
  TControlHook* controlHook_ = nullptr;
};

class TControlHook {
public:
  TControlHook();
  ~TControlHook();
  TControlHook(const TControlHook&) = delete;
  TControlHook& operator=(const TControlHook&) = delete;

  TWinControl* Control() const { return control_; }
  int HookCount() const { return int(hooks_.size()); }
  void AddWindowHook(TUxWindowHook* hook);
  void RemoveWindowHook(TUxWindowHook* hook);
  void AttachControl(TWinControl* control);
  void InstallWndProc();
  void RestoreWndProc();
  void DispatchToHooks(bool before, TMessage& msg, bool& handled);

private:
  LRESULT hookedWndProc(HWND h, UINT msg, WPARAM w, LPARAM l);
  void controlGone(TComponent* component);
  struct TProcState; // shared with the procedure token, which outlives us
  std::shared_ptr<TProcState> state_;
  std::unique_ptr<TFreeWatcher> watcher_;
  TWinControl* control_ = nullptr;
  LONG_PTR newProc_ = 0;
  LONG_PTR prevProc_ = 0;
  std::vector<TUxWindowHook*> hooks_; // not owned
  bool destroying_ = false;
};

class THookList {
public:
  THookList();
  ~THookList();
  THookList(const THookList&) = delete;
  THookList& operator=(const THookList&) = delete;

  HWND Handle() const { return handle_; }
  int Count() const { return int(hooks_.size()); }
  bool Contains(const TControlHook* hook) const;
  /// The control hook of a control; null when none.
  TControlHook* FindControlHook(TWinControl* control) const;
  /// The control's hook, made (and switched to the control) when missing.
  TControlHook* ControlHookFor(TWinControl* control);
  void Remove(TControlHook* hook);

private:
  void utilityWndProc(TMessage& message);
  std::vector<TControlHook*> hooks_; // owned
  HWND handle_ = 0;
};

/// The process-wide hook list, made on first use.
THookList& HookListInstance();
/// Whether the list exists (it is not made by asking).
bool HookListExists();
/// Frees the hook list and every control hook (program end, tests).
void FreeHookList();
