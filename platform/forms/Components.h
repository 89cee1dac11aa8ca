// Persistent objects and components.
//
// TPersistent: Assign/AssignTo and the class name.
// TComponent: owner, name, owned components (an owning list: freeing an owner
// frees what it owns, last to first), Tag, ComponentState, notifications on
// insertion and removal, free notifications both ways, and the loaded step.
//
// Every class that has published properties or is created by name declares
// itself with SK_CLASS(TName, TBase) inside its body; that gives ClassName(),
// the static class name and the `inherited` alias. The property registry is
// in Properties.h, the class registry (creation by class name) in
// Properties.h too.
#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "platform/forms/Sets.h"
#include "platform/rtl/Exceptions.h"

SK_DECLARE_EXCEPTION(EComponentError, Exception)

#define SK_CLASS(Name, Base)                                                                       \
public:                                                                                            \
  using inherited = Base;                                                                          \
  static const char* StaticClassName() {                                                           \
    return #Name;                                                                                  \
  }                                                                                                \
  std::string ClassName() const override {                                                         \
    return #Name;                                                                                  \
  }                                                                                                \
                                                                                                   \
private:

class TPersistent {
public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  static const char* StaticClassName() { return "TPersistent"; }
  virtual std::string ClassName() const { return "TPersistent"; }
  /// True when this object's class is `className` or derives from it (as
  /// registered in the class registry; ignoring case).
  bool InheritsFrom(const std::string& className) const;

  /// Copies `source` into this object; without a way to do so, the source's
  /// AssignTo is asked, which fails with "Cannot assign a X to a Y".
  virtual void Assign(const TPersistent* source);

protected:
  virtual void AssignTo(TPersistent* dest) const;
};

enum class TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  SK_CLASS(TComponent, TPersistent)
public:
  /// A component with an owner is owned by it from here on: the owner frees it.
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  /// `delete` of a component marks it (and what it owns) as being destroyed
  /// before the first destructor runs, so that code reached from any class's
  /// destructor sees csDestroying (a control being freed gets no input and no
  /// new window).
  static void operator delete(TComponent* component, std::destroying_delete_t);
  static void* operator new(std::size_t size);
  /// Frees the memory of a component whose constructor failed.
  static void operator delete(void* memory);

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  /// Renames the component. The name must be a valid identifier (or empty) and
  /// unique, ignoring case, among the owner's components.
  virtual void SetName(const std::string& value);

  int ComponentCount() const { return int(components_.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  /// The owned component of that name, ignoring case; null when none.
  TComponent* FindComponent(const std::string& name) const;

  int Tag() const { return tag_; }
  void SetTag(int value) { tag_ = value; }

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return state_.Contains(TComponentStateItem::csLoading); }
  bool IsDestroying() const { return state_.Contains(TComponentStateItem::csDestroying); }

  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  /// Asks `component` to be told (Notification opRemove) when this one is
  /// freed, and the other way round.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  bool IsSubComponent() const { return subComponent_; }
  void SetSubComponent(bool value) { subComponent_ = value; }

  /// Marks this component and every owned one as being destroyed.
  void Destroying();
  /// Frees the owned components, last to first.
  void DestroyComponents();

  /// Tells whether a component was freed while a call that may free it ran
  /// (an event handler that frees its own control or form): code after such
  /// a call touches the component only while Freed() is false. Watches nest.
  class TFreeWatch {
  public:
    explicit TFreeWatch(TComponent* component);
    ~TFreeWatch();
    TFreeWatch(const TFreeWatch&) = delete;
    TFreeWatch& operator=(const TFreeWatch&) = delete;
    bool Freed() const { return freed_; }

  private:
    friend class TComponent;
    TComponent* component_;
    TFreeWatch* outer_;
    bool freed_ = false;
  };

  /// Sets csLoading and csReading (start of reading a stored definition).
  void BeginLoading();
  /// The loaded step; the inherited one clears csLoading and csReading.
  virtual void Loaded();
  /// Clears csLoading and csReading without the loaded step (a read that
  /// failed).
  void EndLoading();

protected:
  /// Called for insertion into and removal from the owner, broadcast by the
  /// owner to its other components, and for free notifications.
  virtual void Notification(TComponent* component, TOperation operation);
  void ValidateRename(TComponent* component, const std::string& curName,
                      const std::string& newName) const;

  TComponentState state_;

private:
  void insertRaw(TComponent* component);
  void removeRaw(TComponent* component);
  void removeNotifyLink(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  int tag_ = 0;
  bool subComponent_ = false;
  std::vector<TComponent*> components_;   // owned
  std::vector<TComponent*> freeNotifies_; // not owned
  TFreeWatch* watch_ = nullptr;           // innermost watch of a running call
};

/// True for a valid component name: a letter or '_' followed by letters,
/// digits and '_'.
bool IsValidIdent(const std::string& name);
