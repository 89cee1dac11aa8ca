// The roots of the small control library: a component and a control root
// that turns window messages into overridable drawing hooks with a draw
// state (hot, pressed, focused), a style with a two-value theme, and a style
// manager that broadcasts its theme to the controls registered with it.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Sets.h"

enum class TzqTheme { WindowsXP, OfficeXP };
enum class TzqDrawStateItem { dsElement0, dsHot, dsPressed, dsFocused };
using TzqDrawState = TSet<TzqDrawStateItem>;

/// Which hooks end in a redraw request (bit numbers as the hooks list them).
enum : unsigned {
  zqRedrawTextChanged = 0,
  zqRedrawBorderChanged = 1,
  zqRedrawEnabledChanged = 2,
  zqRedrawFocusChanged = 3,
  zqRedrawMousePressed = 4,
  zqRedrawMouseEntered = 5,
  zqRedrawMouseLeft = 6,
  zqRedrawMouseMoved = 7,
  zqRedrawMouseReleased = 8,
  zqRedrawParentColorChanged = 9,
  zqRedrawParentFontChanged = 10,
  zqRedrawPositionChanged = 11,
  zqRedrawSizeChanged = 12,
};
constexpr std::uint16_t kzqDefaultRedrawTriggers = 893; // bits 0, 2, 3, 4, 5, 6, 8, 9

/// The library's fixed version text.
const std::string& zqVersionText();

class TzqCustomComponent : public TComponent {
  SK_CLASS(TzqCustomComponent, TComponent)
public:
  using TComponent::TComponent;
  std::string Version() const { return zqVersionText(); }
  void SetVersion(const std::string&) {}
};

class TzqCustomControl : public TCustomControl {
  SK_CLASS(TzqCustomControl, TCustomControl)
public:
  explicit TzqCustomControl(TComponent* owner);

  TzqDrawState DrawState() const { return drawState_; }
  bool MousePressedFlag() const { return mousePressed_; }
  bool UpdatesLocked() const { return updatesLocked_; }
  bool SiblingFlag() const { return sibling_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int v) { modalResult_ = v; }
  std::uint16_t RedrawTriggers() const { return redrawTriggers_; }
  void SetRedrawTriggers(std::uint16_t v) { redrawTriggers_ = v; }
  std::string Version() const { return zqVersionText(); }
  void SetVersion(const std::string&) {}

  /// Invalidates unless updates are locked.
  virtual void RedrawRequest();
  virtual void BeginUpdate();
  virtual void EndUpdate();

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // The drawing hooks (descendants call the base first).
  virtual void BorderChanged();
  virtual void EnabledChanged();
  virtual void FocusChanged(TWinControl* focused);
  virtual void MousePressedHook(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseEntered();
  virtual void MouseLeft();
  virtual void MouseMoved(int x, int y);
  virtual void MouseReleased(TMouseButton button, TShiftState shift, int x, int y);
  virtual void ParentColorChanged();
  virtual void ParentFontChanged();
  virtual void PositionChanged();
  virtual void SizeChanged();
  virtual void TextChanged();

protected:
  void Dispatch(TMessage& message) override;
  void Click() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  /// A redraw request when `bit` is in the redraw triggers.
  void RedrawOn(unsigned bit);

  TzqDrawState drawState_{TzqDrawStateItem::dsElement0};

private:
  void DialogChar(TMessage& message);
  bool mousePressed_ = false;
  bool updatesLocked_ = false;
  bool sibling_ = false;
  int modalResult_ = 0;
  std::uint16_t redrawTriggers_ = kzqDefaultRedrawTriggers;
};

class TzqCustomStyleControl;

class TzqStyle : public TPersistent {
public:
  explicit TzqStyle(TzqCustomStyleControl* owner) : owner_(owner) {}
  std::string ClassName() const override { return "TzqStyle"; }
  TzqTheme Theme() const { return theme_; }
  void SetTheme(TzqTheme v);
  bool UseStyleManager() const { return useStyleManager_; }
  void SetUseStyleManager(bool v);
  /// The manager's theme when it is used and there is one, else Theme.
  TzqTheme EffectiveTheme() const;

private:
  TzqCustomStyleControl* owner_;
  TzqTheme theme_ = TzqTheme::WindowsXP;
  bool useStyleManager_ = true;
};

class TzqStyleManager : public TzqCustomComponent {
  SK_CLASS(TzqStyleManager, TzqCustomComponent)
public:
  using TzqCustomComponent::TzqCustomComponent;
  ~TzqStyleManager() override;
  TzqTheme Theme() const { return theme_; }
  /// Stores a changed theme, raises OnThemeChanged, then redraws every
  /// registered control in registration order.
  void SetTheme(TzqTheme v);
  /// Appends each control not yet registered.
  void RegisterControls(const std::vector<TzqCustomStyleControl*>& controls);
  void UnregisterControls(const std::vector<TzqCustomStyleControl*>& controls);
  const std::vector<TzqCustomStyleControl*>& Controls() const { return controls_; }
  TNotifyEvent OnThemeChanged;

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::vector<TzqCustomStyleControl*> controls_;
  TzqTheme theme_ = TzqTheme::WindowsXP;
};

class TzqCustomStyleControl : public TzqCustomControl {
  SK_CLASS(TzqCustomStyleControl, TzqCustomControl)
public:
  explicit TzqCustomStyleControl(TComponent* owner);
  ~TzqCustomStyleControl() override;
  TzqStyle* Style() const { return style_.get(); }
  TzqStyleManager* StyleManager() const { return styleManager_; }
  void SetStyleManager(TzqStyleManager* manager);

protected:
  void Notification(TComponent* component, TOperation operation) override;

private:
  std::unique_ptr<TzqStyle> style_;
  TzqStyleManager* styleManager_ = nullptr;
};
