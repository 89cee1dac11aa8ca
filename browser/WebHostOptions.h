// The option objects of TWebHost: keyboard shortcuts to swallow, treatment
// of the page's dialogs and script errors, print options, the proxy and the
// visual effects. Each is owned by its TWebHost.
#pragma once

#include <memory>
#include <string>

#include "platform/forms/Components.h"
#include "platform/rtl/StringList.h"

class TCustomWebHost;

/// Edits the host's Ctrl-key mask: a letter of "ACFNP" is disabled while it
/// occurs in the mask.
class TShortCuts : public TPersistent {
  SK_CLASS(TShortCuts, TPersistent)
public:
  explicit TShortCuts(TCustomWebHost& host) : host_(host) {}

  const std::string& CtrlCharMask() const;
  void SetCtrlCharMask(const std::string& value);
  /// The mask is stored with the control only when it differs from "N".
  bool IsMaskStored() const;

  bool DisableCTRL_A() const { return Has('A'); }
  bool DisableCTRL_C() const { return Has('C'); }
  bool DisableCTRL_F() const { return Has('F'); }
  bool DisableCTRL_N() const { return Has('N'); }
  bool DisableCTRL_P() const { return Has('P'); }
  void SetDisableCTRL_A(bool v) { Set('A', v); }
  void SetDisableCTRL_C(bool v) { Set('C', v); }
  void SetDisableCTRL_F(bool v) { Set('F', v); }
  void SetDisableCTRL_N(bool v) { Set('N', v); }
  void SetDisableCTRL_P(bool v) { Set('P', v); }

private:
  bool Has(char c) const;
  /// True appends the letter when it is missing; False removes its first
  /// occurrence.
  void Set(char c, bool on);
  TCustomWebHost& host_;
};

class TDisableErrors : public TPersistent {
  SK_CLASS(TDisableErrors, TPersistent)
public:
  bool EnableDDE() const { return enableDDE_; }
  void SetEnableDDE(bool v) { enableDDE_ = v; }
  /// Floating-point faults are always masked on this platform; the value is
  /// kept for the stored definition.
  bool fpExceptions() const { return fpExceptions_; }
  void SetfpExceptions(bool v) { fpExceptions_ = v; }
  bool ScriptErrorsSuppressed() const { return scriptErrorsSuppressed_; }
  void SetScriptErrorsSuppressed(bool v) { scriptErrorsSuppressed_ = v; }

private:
  bool enableDDE_ = true;
  bool fpExceptions_ = true;
  bool scriptErrorsSuppressed_ = true;
};

class TDialogBoxes : public TPersistent {
  SK_CLASS(TDialogBoxes, TPersistent)
public:
  bool DisableAll() const { return disableAll_; }
  void SetDisableAll(bool v) { disableAll_ = v; }
  bool ReplaceCaption() const { return replaceCaption_; }
  void SetReplaceCaption(bool v) { replaceCaption_ = v; }
  bool ReplaceIcon() const { return replaceIcon_; }
  void SetReplaceIcon(bool v) { replaceIcon_ = v; }
  const std::string& NewCaption() const { return newCaption_; }
  void SetNewCaption(const std::string& v) { newCaption_ = v; }

private:
  bool disableAll_ = false;
  bool replaceCaption_ = true;
  bool replaceIcon_ = true;
  std::string newCaption_;
};

class TMargins : public TPersistent {
  SK_CLASS(TMargins, TPersistent)
public:
  double Left() const { return left_; }
  double Right() const { return right_; }
  double Top() const { return top_; }
  double Bottom() const { return bottom_; }
  void SetLeft(double v) { left_ = v; }
  void SetRight(double v) { right_ = v; }
  void SetTop(double v) { top_ = v; }
  void SetBottom(double v) { bottom_ = v; }

private:
  double left_ = 0, right_ = 0, top_ = 0, bottom_ = 0;
};

enum class TPrintOrientationOption { poPortrait, poLandscape };

/// Kept with the control; the system applies them to no print job.
class TPrintOptions : public TPersistent {
  SK_CLASS(TPrintOptions, TPersistent)
public:
  TPrintOptions();
  ~TPrintOptions() override;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TMargins* Margins() const { return margins_.get(); }
  const std::string& Header() const { return header_; }
  void SetHeader(const std::string& v) { header_ = v; }
  const std::string& Footer() const { return footer_; }
  void SetFooter(const std::string& v) { footer_ = v; }
  TStringList* HTMLHeader() const { return htmlHeader_.get(); }
  /// The header list as one text, each line ended by CR LF: the form in
  /// which the property is read and written by name ("HTMLHeader").
  std::string HTMLHeaderText() const;
  void SetHTMLHeaderText(const std::string& text);
  TPrintOrientationOption Orientation() const { return orientation_; }
  void SetOrientation(TPrintOrientationOption v) { orientation_ = v; }

private:
  bool enabled_ = false;
  std::unique_ptr<TMargins> margins_;
  std::string header_;
  std::string footer_;
  std::unique_ptr<TStringList> htmlHeader_;
  TPrintOrientationOption orientation_ = TPrintOrientationOption::poPortrait;
};

class TProxySettings : public TPersistent {
  SK_CLASS(TProxySettings, TPersistent)
public:
  bool AutoLoadProxy() const { return autoLoadProxy_; }
  void SetAutoLoadProxy(bool v) { autoLoadProxy_ = v; }
  int Port() const { return port_; }
  void SetPort(int v) { port_ = v; }
  const std::string& Address() const { return address_; }
  void SetAddress(const std::string& v) { address_ = v; }
  const std::string& UserName() const { return userName_; }
  void SetUserName(const std::string& v) { userName_ = v; }
  const std::string& Password() const { return password_; }
  void SetPassword(const std::string& v) { password_ = v; }

private:
  bool autoLoadProxy_ = false;
  int port_ = 80;
  std::string address_;
  std::string userName_;
  std::string password_;
};

class TVisualEffects : public TPersistent {
  SK_CLASS(TVisualEffects, TPersistent)
public:
  int TextSize() const { return textSize_; }
  void SetTextSize(int v) { textSize_ = v; }
  bool DisableSounds() const { return disableSounds_; }
  void SetDisableSounds(bool v) { disableSounds_ = v; }

private:
  int textSize_ = 2;
  bool disableSounds_ = false;
};

/// Registers the published properties of the option classes (idempotent).
void RegisterWebHostOptionProperties();
