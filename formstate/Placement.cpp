#include "formstate/Placement.h"

#include "formstate/FsGuards.h"
#include "formstate/StrUtils.h"
#include "formstate/UxHook.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

// ---- TWinMinMaxInfo ----------------------------------------------------------------

void TWinMinMaxInfo::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TWinMinMaxInfo*>(source)) {
    info_ = other->info_;
    if (owner_ != nullptr) owner_->MinMaxInfoChanged();
    return;
  }
  TPersistent::Assign(source);
}

bool TWinMinMaxInfo::HasLimits() const {
  return MaxPosLeft() || MaxPosTop() || MaxSizeHeight() || MaxSizeWidth() || MaxTrackHeight() ||
         MaxTrackWidth() || MinTrackHeight() || MinTrackWidth();
}

void TWinMinMaxInfo::set(LONG& field, int value) {
  if (field == value) return;
  field = value;
  if (owner_ != nullptr) owner_->MinMaxInfoChanged();
}

// ---- TFormPlacement: construction and names ---------------------------------------------

TFormPlacement::TFormPlacement(TComponent* owner)
    : TComponent(owner), minMaxInfo_(std::make_unique<TWinMinMaxInfo>(this)) {
  if (dynamic_cast<TForm*>(owner) != nullptr)
    options_ = TPlacementOptions{TPlacementOption::fpState, TPlacementOption::fpPosition};
  hook_ = new TUxWindowHook(this);
  hook_->AfterMessage = [this](TPersistent*, TMessage& msg, bool&) { handleHookedMessage(msg); };
}

TFormPlacement::~TFormPlacement() {
  dropStore();
  if (hook_ != nullptr) {
    hook_->AfterMessage = nullptr;
    hook_->SetWinControl(nullptr);
  }
  unhookFormEvents();
}

std::string TFormPlacement::IniFileName() const {
  if (!iniFileName_.empty() || ComponentState().Contains(TComponentStateItem::csDesigning))
    return iniFileName_;
  return useRegistry_ ? DefaultRegistryKey() : DefaultIniFileName();
}

std::string TFormPlacement::IniSection() const {
  if (!iniSection_.empty() || ComponentState().Contains(TComponentStateItem::csDesigning))
    return iniSection_;
  return DefaultSectionName(Owner());
}

// ---- the store -----------------------------------------------------------------------------

TSettingsStore TFormPlacement::Store() const {
  if (iniStore_) return iniStore_.get();
  if (regStore_) return regStore_.get();
  return {};
}

void TFormPlacement::OpenStore(bool readOnly) {
  if (iniStore_ || regStore_) return;
  if (!useRegistry_) {
    iniStore_ = std::make_unique<TStoreIniFile>(IniFileName());
    return;
  }
  constexpr HKEY kCurrentConfig = 0x80000005u, kDynData = 0x80000006u;
  static const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, kCurrentConfig,
                               HKEY_CLASSES_ROOT, HKEY_USERS,         kDynData};
  regStore_ = std::make_unique<TRegIniFile>(IniFileName(), readOnly ? KEY_READ : KEY_ALL_ACCESS);
  regStore_->SetRootKey(roots[int(registryRoot_)]);
}

void TFormPlacement::CloseStore() {
  std::unique_ptr<TStoreIniFile> ini = std::move(iniStore_);
  regStore_.reset();
  if (ini) ini->Flush();
}

void TFormPlacement::dropStore() {
  iniStore_.reset();
  regStore_.reset();
}

void TFormPlacement::EraseSection(const std::string& section) {
  StoreEraseSection(Store(), section);
}

std::string TFormPlacement::ReadIniString(const std::string& section, const std::string& ident,
                                          const std::string& def) {
  if (iniStore_ || regStore_) return StoreReadString(Store(), section, ident, def);
  OpenStore(true);
  auto close = ScopeExit([this] { dropStore(); });
  return StoreReadString(Store(), section, ident, def);
}

void TFormPlacement::WriteIniString(const std::string& section, const std::string& ident,
                                    const std::string& value) {
  if (iniStore_ || regStore_) {
    StoreWriteString(Store(), section, ident, value);
    return;
  }
  OpenStore(false);
  auto close = ScopeExit([this] { dropStore(); });
  StoreWriteString(Store(), section, ident, value);
  CloseStore();
}

std::string TFormPlacement::ReadSectionString(const std::string& ident, const std::string& def) {
  return ReadIniString(IniSection(), ident, def);
}

void TFormPlacement::WriteSectionString(const std::string& ident, const std::string& value) {
  WriteIniString(IniSection(), ident, value);
}

int TFormPlacement::ReadSectionInteger(const std::string& ident, int def) {
  if (iniStore_ || regStore_) return StoreReadInteger(Store(), IniSection(), ident, def);
  OpenStore(true);
  auto close = ScopeExit([this] { dropStore(); });
  return StoreReadInteger(Store(), IniSection(), ident, def);
}

void TFormPlacement::WriteSectionInteger(const std::string& ident, int value) {
  if (iniStore_ || regStore_) {
    StoreWriteInteger(Store(), IniSection(), ident, value);
    return;
  }
  OpenStore(false);
  auto close = ScopeExit([this] { dropStore(); });
  StoreWriteInteger(Store(), IniSection(), ident, value);
  CloseStore();
}

// ---- restore and save ------------------------------------------------------------------------

void TFormPlacement::LoadState() {
  saved_ = false;
  OpenStore(true);
  {
    auto close = ScopeExit([this] { dropStore(); });
    if (StoreReadInteger(Store(), IniSection(), "FormVersion", 0) >= version_) {
      LoadWindowState();
      restored_ = true;
      if (OnRestorePlacement) OnRestorePlacement(this);
      if (options_.Contains(TPlacementOption::fpActiveControl) && Form() != nullptr) {
        const std::string name = StoreReadString(Store(), IniSection(), "ActiveControl", "");
        auto* control = dynamic_cast<TWinControl*>(Form()->FindComponent(name));
        if (control != nullptr && control->CanFocus()) Form()->SetActiveControl(control);
      }
    }
    restored_ = true;
  }
  adjustMaxPosition();
}

void TFormPlacement::LoadWindowState() {
  if (TForm* form = Form())
    ReadWindowPlacement(form, Store(), IniSection(), options_.Contains(TPlacementOption::fpState),
                        options_.Contains(TPlacementOption::fpPosition));
}

void TFormPlacement::SaveState() {
  if (!restored_ && active_) return;
  OpenStore(false);
  auto close = ScopeExit([this] {
    // A save that failed on the way still writes what it collected.
    CloseStore();
  });
  StoreWriteInteger(Store(), IniSection(), "FormVersion", version_);
  SaveWindowState();
  if (OnSavePlacement) OnSavePlacement(this);
  saved_ = true;
  close.Dismiss();
  CloseStore();
}

void TFormPlacement::SaveWindowState() {
  TForm* form = Form();
  if (form == nullptr) return;
  if (options_.Contains(TPlacementOption::fpState) ||
      options_.Contains(TPlacementOption::fpPosition)) {
    WriteWindowPlacement(form, Store(), IniSection());
    StoreWriteString(Store(), IniSection(), "Visible", destroying_ ? "1" : "0");
  }
  if (options_.Contains(TPlacementOption::fpActiveControl) && form->ActiveControl() != nullptr)
    StoreWriteString(Store(), IniSection(), "ActiveControl", form->ActiveControl()->Name());
}

// ---- form events ---------------------------------------------------------------------------

void TFormPlacement::Loaded() {
  const bool streamedIn = IsLoading();
  TComponent::Loaded();
  if (Form() == nullptr || ComponentState().Contains(TComponentStateItem::csDesigning)) return;
  if (streamedIn) hookFormEvents();
  updateHook();
}

void TFormPlacement::hookFormEvents() {
  TForm* form = Form();
  if (form == nullptr || eventsHooked_) return;
  savedShow_ = form->OnShow;
  savedCloseQuery_ = form->OnCloseQuery;
  savedDestroy_ = form->OnDestroy;
  form->OnShow = [this](TPersistent* s) { formShow(s); };
  form->OnCloseQuery = [this](TPersistent* s, bool& canClose) { formCloseQuery(s, canClose); };
  form->OnDestroy = [this](TPersistent* s) { formDestroy(s); };
  eventsHooked_ = true;
  defaultMaximize_ = FormHasMaximizeButton(form);
  if (preventResize_) applyPreventResize();
}

void TFormPlacement::unhookFormEvents() {
  TForm* form = Form();
  if (!eventsHooked_ || form == nullptr) return;
  eventsHooked_ = false;
  // A form being freed has let go of its members already.
  if (form->IsDestroying()) return;
  form->OnShow = savedShow_;
  form->OnCloseQuery = savedCloseQuery_;
  form->OnDestroy = savedDestroy_;
}

void TFormPlacement::formShow(TPersistent* sender) {
  if (active_) {
    try {
      LoadState();
    } catch (...) {
      Application()->HandleException(this);
    }
  }
  if (hook_->WinControl() != nullptr) ApplyMinMaxInfo(Form());
  if (savedShow_) savedShow_(sender);
}

void TFormPlacement::formCloseQuery(TPersistent* sender, bool& canClose) {
  if (savedCloseQuery_) savedCloseQuery_(sender, canClose);
  if (!canClose || !active_ || Form() == nullptr || !Form()->HandleAllocated()) return;
  try {
    SaveState();
  } catch (...) {
    Application()->HandleException(this);
  }
}

void TFormPlacement::formDestroy(TPersistent* sender) {
  if (active_ && !saved_) {
    TFlagGuard destroying(destroying_, true);
    try {
      SaveState();
    } catch (...) {
      Application()->HandleException(this);
    }
  }
  if (savedDestroy_) savedDestroy_(sender);
}

void TFormPlacement::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == hook_) hook_ = nullptr;
}

// ---- limits and resizing ---------------------------------------------------------------------

void TFormPlacement::MinMaxInfoChanged() {
  adjustMaxPosition();
  if (!IsLoading()) updateHook();
}

void TFormPlacement::updateHook() {
  TForm* form = Form();
  if (hook_ == nullptr || form == nullptr ||
      ComponentState().Contains(TComponentStateItem::csDesigning))
    return;
  const bool wanted = minMaxInfo_->HasLimits() || preventResize_;
  hook_->SetWinControl(wanted ? form : nullptr);
  if (!form->IsDestroying() && form->HandleAllocated()) ApplyMinMaxInfo(form);
}

void TFormPlacement::adjustMaxPosition() {
  TForm* form = Form();
  if (form == nullptr || !form->HandleAllocated() || IsLoading() || preventResize_ ||
      minMaxInfo_->HasLimits())
    return;
  WINDOWPLACEMENT p;
  GetWindowPlacement(form->Handle(), &p);
  if (!form->Visible()) p.showCmd = SW_HIDE;
  switch (form->BorderStyle()) {
  case TBorderStyle::bsSingle:
  case TBorderStyle::bsToolWindow:
    p.ptMaxPosition = {-GetSystemMetrics(SM_CXBORDER), -GetSystemMetrics(SM_CYBORDER)};
    break;
  case TBorderStyle::bsSizeable:
  case TBorderStyle::bsSizeToolWin:
    p.ptMaxPosition = {-GetSystemMetrics(SM_CXFRAME), -GetSystemMetrics(SM_CYFRAME)};
    break;
  case TBorderStyle::bsDialog:
    p.ptMaxPosition = {-GetSystemMetrics(SM_CXDLGFRAME), -GetSystemMetrics(SM_CYDLGFRAME)};
    break;
  default:
    p.ptMaxPosition = {0, 0};
    break;
  }
  SetWindowPlacement(form->Handle(), &p);
}

void TFormPlacement::SetPreventResize(bool value) {
  if (Form() == nullptr || value == preventResize_) return;
  preventResize_ = value;
  adjustMaxPosition();
  applyPreventResize();
}

void TFormPlacement::applyPreventResize() {
  TForm* form = Form();
  if (form == nullptr || ComponentState().Contains(TComponentStateItem::csDesigning)) return;
  if (preventResize_) defaultMaximize_ = FormHasMaximizeButton(form);
  {
    TFlagGuard inactive(active_, false);
    const bool removeMax =
        preventResize_ || !defaultMaximize_ || form->BorderStyle() == TBorderStyle::bsDialog;
    SetFormMaximizeButton(form, !removeMax);
  }
  if (!IsLoading()) updateHook();
}

void TFormPlacement::handleHookedMessage(TMessage& msg) {
  TForm* form = Form();
  if (preventResize_ && form != nullptr) {
    switch (msg.Msg) {
    case WM_GETMINMAXINFO:
      if (form->HandleAllocated() && form->Visible()) {
        auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
        info->ptMinTrackSize = {form->Width(), form->Height()};
        info->ptMaxTrackSize = {form->Width(), form->Height()};
        msg.Result = 1;
      }
      break;
    case WM_NCHITTEST:
      if (msg.Result >= 10 && msg.Result <= 17) msg.Result = 0;
      break;
    case WM_INITMENUPOPUP:
      // The system menu's Size and Maximize entries: there is no system menu
      // on this platform, the message is only answered.
      if (msg.LParamHi() != 0) msg.Result = 1;
      break;
    default:
      break;
    }
    return;
  }
  if (msg.Msg != WM_GETMINMAXINFO) return;
  auto* info = reinterpret_cast<MINMAXINFO*>(msg.LParam);
  const TWinMinMaxInfo& limits = *minMaxInfo_;
  if (limits.HasLimits()) {
    auto take = [](LONG& field, int value) {
      if (value != 0) field = value;
    };
    take(info->ptMinTrackSize.x, limits.MinTrackWidth());
    take(info->ptMinTrackSize.y, limits.MinTrackHeight());
    take(info->ptMaxTrackSize.x, limits.MaxTrackWidth());
    take(info->ptMaxTrackSize.y, limits.MaxTrackHeight());
    take(info->ptMaxSize.x, limits.MaxSizeWidth());
    take(info->ptMaxSize.y, limits.MaxSizeHeight());
    take(info->ptMaxPosition.x, limits.MaxPosLeft());
    take(info->ptMaxPosition.y, limits.MaxPosTop());
  } else {
    info->ptMaxPosition = {0, 0};
  }
  msg.Result = 1;
}

// ---- stored values ------------------------------------------------------------------------

void TStoredValue::SetName(const std::string& value) {
  if (value.empty() || AnsiSameText(value, name_)) {
    name_ = value;
    return;
  }
  if (auto* values = dynamic_cast<TStoredValues*>(Collection());
      values != nullptr && values->FindValueIndex(value) >= 0)
    throw EStringListError("String list does not allow duplicates");
  name_ = value;
  Changed(false);
}

std::string TStoredValue::DisplayName() const {
  return name_.empty() ? TCollectionItem::DisplayName() : name_;
}

void TStoredValue::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TStoredValue*>(source)) {
    value_ = other->value_.IsEmpty() ? Variant() : other->value_;
    SetName(other->name_);
    keyString_ = other->keyString_;
    return;
  }
  TCollectionItem::Assign(source);
}

TFormStorage* TStoredValue::storage() const {
  auto* values = dynamic_cast<TStoredValues*>(Collection());
  return values != nullptr ? values->Storage() : nullptr;
}

void TStoredValue::SaveValue() {
  TFormStorage* fs = storage();
  if (fs == nullptr) return;
  Variant v = value_;
  if (OnSave) OnSave(this, v);
  std::string text = VarToStr(v);
  if (!keyString_.empty()) text = StrXorHexEncode(keyString_, text);
  fs->WriteSectionString(name_, text);
}

void TStoredValue::RestoreValue() {
  TFormStorage* fs = storage();
  if (fs == nullptr) return;
  std::string current = value_.IsNull() ? std::string() : VarToStr(value_);
  if (!keyString_.empty()) current = StrXorHexEncode(keyString_, current);
  std::string text = fs->ReadSectionString(name_, current);
  if (!keyString_.empty()) text = StrXorHexDecode(keyString_, text);
  Variant v(text);
  if (OnRestore) OnRestore(this, v);
  value_ = v;
}

TStoredValues::TStoredValues(TFormStorage* storage)
    : TOwnedCollection(storage, [](TCollection* c) { return new TStoredValue(c); }),
      storage_(storage) {}

int TStoredValues::FindValueIndex(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

void TStoredValues::SaveValues() {
  for (int i = 0; i < Count(); ++i)
    Items(i)->SaveValue();
}

void TStoredValues::RestoreValues() {
  for (int i = 0; i < Count(); ++i)
    Items(i)->RestoreValue();
}

// ---- TFormStorage ------------------------------------------------------------------------

TFormStorage::TFormStorage(TComponent* owner)
    : TFormPlacement(owner), storedValues_(std::make_unique<TStoredValues>(this)) {}

TFormStorage::~TFormStorage() {
  storedValues_.reset();
  storedProps_.Clear();
}

void TFormStorage::SetStoredProps(const TStrings& lines) {
  storedProps_.Assign(lines);
  watchStoredComponents();
}

void TFormStorage::watchStoredComponents() {
  for (int i = 0; i < storedProps_.Count(); ++i)
    if (auto* c = static_cast<TComponent*>(storedProps_.GetObject(i))) c->FreeNotification(this);
}

void TFormStorage::Loaded() {
  TFormPlacement::Loaded();
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) return;
  SyncStoredProps(Owner(), storedProps_, true);
  watchStoredComponents();
}

void TFormStorage::Notification(TComponent* component, TOperation operation) {
  TFormPlacement::Notification(component, operation);
  if (operation != TOperation::opRemove || IsDestroying()) return;
  for (int i = storedProps_.Count() - 1; i >= 0; --i)
    if (storedProps_.GetObject(i) == component) storedProps_.Delete(i);
}

void TFormStorage::SaveWindowState() {
  TFormPlacement::SaveWindowState();
  SaveStoredProps();
  storedValues_->SaveValues();
}

void TFormStorage::LoadWindowState() {
  TFormPlacement::LoadWindowState();
  restored_ = true;
  LoadStoredProps();
  storedValues_->RestoreValues();
}

void TFormStorage::SaveStoredProps() {
  TPropsStorage storage;
  storage.Section = IniSection();
  storage.OnWriteString = [this](const std::string& s, const std::string& k, const std::string& v) {
    WriteIniString(s, k, v);
  };
  storage.OnEraseSection = [this](const std::string& s) { EraseSection(s); };
  storage.StoreProperties(Owner(), storedProps_);
}

void TFormStorage::LoadStoredProps() {
  try {
    TPropsStorage storage;
    storage.Section = IniSection();
    storage.OnReadString = [this](const std::string& s, const std::string& k,
                                  const std::string& d) { return ReadIniString(s, k, d); };
    storage.LoadProperties(Owner(), storedProps_);
  } catch (...) {
    // A failing restore of stored properties leaves the rest of the restore.
  }
}
