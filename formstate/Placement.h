// Form placement and storage components.
//
// TFormPlacement, dropped on a form, keeps the form's placement (position,
// size, window state, optionally the focused control) in one section of a
// settings store (SettingsStore.h): restored whenever the form is shown,
// saved when it may close (or, failing that, when it is destroyed). It can
// also limit the form's tracking size or forbid resizing through a window
// hook (UxHook.h). TFormStorage adds chosen published properties of the
// form's components (StoredProps, PropStorage.h) and named free values
// (StoredValues).
//
// A section saved by a form storage holds, in this order: "FormVersion", the
// placement keys, "Visible", ("ActiveControl"), the stored properties in
// list order, the stored values in collection order.
//
// The store is open only during one restore, save, or single key access; it
// collects the writes and replaces the file in one step when it closes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "formstate/PropStorage.h"
#include "formstate/SettingsStore.h"
#include "platform/forms/Collections.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WindowPlacement.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

class TFormPlacement;
class TUxWindowHook;
class TFormStorage;

enum class TPlacementOption { fpState, fpPosition, fpActiveControl };
using TPlacementOptions = TSet<TPlacementOption>;
enum class TPlacementRegRoot {
  prCurrentUser,
  prLocalMachine,
  prCurrentConfig,
  prClassesRoot,
  prUsers,
  prDynData
};

/// Tracking and maximising limits (0 = no limit); a change tells the owner.
class TWinMinMaxInfo : public TPersistent {
  SK_CLASS(TWinMinMaxInfo, TPersistent)
public:
  explicit TWinMinMaxInfo(TFormPlacement* owner) : owner_(owner) {}
  void Assign(const TPersistent* source) override;

  int MaxPosLeft() const { return info_.ptMaxPosition.x; }
  int MaxPosTop() const { return info_.ptMaxPosition.y; }
  int MaxSizeHeight() const { return info_.ptMaxSize.y; }
  int MaxSizeWidth() const { return info_.ptMaxSize.x; }
  int MaxTrackHeight() const { return info_.ptMaxTrackSize.y; }
  int MaxTrackWidth() const { return info_.ptMaxTrackSize.x; }
  int MinTrackHeight() const { return info_.ptMinTrackSize.y; }
  int MinTrackWidth() const { return info_.ptMinTrackSize.x; }
  void SetMaxPosLeft(int v) { set(info_.ptMaxPosition.x, v); }
  void SetMaxPosTop(int v) { set(info_.ptMaxPosition.y, v); }
  void SetMaxSizeHeight(int v) { set(info_.ptMaxSize.y, v); }
  void SetMaxSizeWidth(int v) { set(info_.ptMaxSize.x, v); }
  void SetMaxTrackHeight(int v) { set(info_.ptMaxTrackSize.y, v); }
  void SetMaxTrackWidth(int v) { set(info_.ptMaxTrackSize.x, v); }
  void SetMinTrackHeight(int v) { set(info_.ptMinTrackSize.y, v); }
  void SetMinTrackWidth(int v) { set(info_.ptMinTrackSize.x, v); }

  const MINMAXINFO& Info() const { return info_; }
  /// Any of the eight values is not 0.
  bool HasLimits() const;

private:
  void set(LONG& field, int value);
  TFormPlacement* owner_;
  MINMAXINFO info_{};
};

class TFormPlacement : public TComponent {
  SK_CLASS(TFormPlacement, TComponent)
public:
  explicit TFormPlacement(TComponent* owner);
  ~TFormPlacement() override;

  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  /// The stored name, or DefaultIniFileName() (DefaultRegistryKey() with
  /// UseRegistry) when it is empty.
  std::string IniFileName() const;
  void SetIniFileName(const std::string& v) { iniFileName_ = v; }
  /// The stored section, or DefaultSectionName of the owner when empty.
  std::string IniSection() const;
  void SetIniSection(const std::string& v) { iniSection_ = v; }
  TWinMinMaxInfo* MinMaxInfo() const { return minMaxInfo_.get(); }
  void SetMinMaxInfo(const TWinMinMaxInfo* v) { minMaxInfo_->Assign(v); }
  TPlacementOptions Options() const { return options_; }
  void SetOptions(TPlacementOptions v) { options_ = v; }
  bool PreventResize() const { return preventResize_; }
  void SetPreventResize(bool v);
  TPlacementRegRoot RegistryRoot() const { return registryRoot_; }
  void SetRegistryRoot(TPlacementRegRoot v) { registryRoot_ = v; }
  bool UseRegistry() const { return useRegistry_; }
  void SetUseRegistry(bool v) { useRegistry_ = v; }
  int Version() const { return version_; }
  void SetVersion(int v) { version_ = v; }

  bool Restored() const { return restored_; }
  bool Saved() const { return saved_; }
  /// The hook that watches the form for limits and PreventResize.
  TUxWindowHook* Hook() const { return hook_; }

  /// Restores placement (and, for a storage, properties and values) now.
  void LoadState();
  /// Saves them now; an active component saves only after a restore.
  void SaveState();
  std::string ReadSectionString(const std::string& ident, const std::string& def);
  void WriteSectionString(const std::string& ident, const std::string& value);
  int ReadSectionInteger(const std::string& ident, int def);
  void WriteSectionInteger(const std::string& ident, int value);
  std::string ReadIniString(const std::string& section, const std::string& ident,
                            const std::string& def);
  void WriteIniString(const std::string& section, const std::string& ident,
                      const std::string& value);

  TNotifyEvent OnSavePlacement;
  TNotifyEvent OnRestorePlacement;

  void Loaded() override;
  /// Called by MinMaxInfo when a limit changes.
  void MinMaxInfoChanged();

protected:
  virtual void SaveWindowState();
  virtual void LoadWindowState();
  void Notification(TComponent* component, TOperation operation) override;

  TForm* Form() const { return dynamic_cast<TForm*>(Owner()); }
  TSettingsStore Store() const;
  void OpenStore(bool readOnly);
  void CloseStore();
  /// Erases a section of the open store.
  void EraseSection(const std::string& section);
  bool Destroying() const { return destroying_; }

  bool restored_ = false;

private:
  void hookFormEvents();
  void unhookFormEvents();
  void updateHook();
  void adjustMaxPosition();
  void applyPreventResize();
  void handleHookedMessage(TMessage& msg);
  void formShow(TPersistent* sender);
  void formCloseQuery(TPersistent* sender, bool& canClose);
  void formDestroy(TPersistent* sender);
  void dropStore();

  bool active_ = true;
  std::string iniFileName_;
  std::string iniSection_;
  std::unique_ptr<TStoreIniFile> iniStore_;
  bool useRegistry_ = false;
  std::unique_ptr<TRegIniFile> regStore_;
  TPlacementRegRoot registryRoot_ = TPlacementRegRoot::prCurrentUser;
  TPlacementOptions options_;
  int version_ = 0;
  bool saved_ = false;
  bool destroying_ = false;
  bool preventResize_ = false;
  std::unique_ptr<TWinMinMaxInfo> minMaxInfo_;
  bool defaultMaximize_ = true;
  TUxWindowHook* hook_ = nullptr; // owned as a component
  bool eventsHooked_ = false;
  TNotifyEvent savedShow_;
  TNotifyEvent savedDestroy_;
  TCloseQueryEvent savedCloseQuery_;
};

class TStoredValue;
using TStoredValueEvent = std::function<void(TStoredValue* Sender, Variant& Value)>;

class TStoredValue : public TCollectionItem {
  SK_CLASS(TStoredValue, TCollectionItem)
public:
  explicit TStoredValue(TCollection* collection) : TCollectionItem(collection) {}

  const std::string& Name() const { return name_; }
  /// A name that another item has already (ignoring case) raises
  /// EStringListError "String list does not allow duplicates".
  void SetName(const std::string& value);
  const Variant& Value() const { return value_; }
  void SetValue(const Variant& v) { value_ = v; }
  const std::string& KeyString() const { return keyString_; }
  void SetKeyString(const std::string& v) { keyString_ = v; }
  std::string DisplayName() const override;
  void Assign(const TPersistent* source) override;

  virtual void SaveValue();
  virtual void RestoreValue();

  TStoredValueEvent OnSave;
  TStoredValueEvent OnRestore;

private:
  TFormStorage* storage() const;
  std::string name_;
  Variant value_;
  std::string keyString_;
};

class TStoredValues : public TOwnedCollection {
  SK_CLASS(TStoredValues, TOwnedCollection)
public:
  explicit TStoredValues(TFormStorage* storage);
  TFormStorage* Storage() const { return storage_; }
  TStoredValue* Items(int index) const {
    return static_cast<TStoredValue*>(TCollection::Items(index));
  }
  TStoredValue* Add() { return static_cast<TStoredValue*>(TCollection::Add()); }
  /// The first item named `name` (ignoring case); -1 when none.
  int FindValueIndex(const std::string& name) const;
  virtual void SaveValues();
  virtual void RestoreValues();

private:
  TFormStorage* storage_;
};

class TFormStorage : public TFormPlacement {
  SK_CLASS(TFormStorage, TFormPlacement)
public:
  explicit TFormStorage(TComponent* owner);
  ~TFormStorage() override;

  /// Lines "Component.Property"; bound to their components once loaded.
  TStringList& StoredProps() { return storedProps_; }
  /// Copies the lines (and their bindings).
  void SetStoredProps(const TStrings& lines);
  /// The lines as CR LF text (stored definitions).
  std::string StoredPropsText() const { return storedProps_.Text(); }
  void SetStoredPropsText(const std::string& text) { storedProps_.SetText(text); }
  TStoredValues* StoredValues() const { return storedValues_.get(); }
  void SetStoredValues(const TStoredValues* v) { storedValues_->Assign(v); }

  void Loaded() override;

protected:
  void SaveWindowState() override;
  void LoadWindowState() override;
  virtual void SaveStoredProps();
  virtual void LoadStoredProps();
  void Notification(TComponent* component, TOperation operation) override;

private:
  void watchStoredComponents();
  TStringList storedProps_;
  std::unique_ptr<TStoredValues> storedValues_;
};

/// Registers the library's component classes and published properties
/// (idempotent).
void RegisterFormStateClasses();
