// Collections: ordered lists of items of one class, owned by a component
// (a control's panels, columns, tab definitions). Changes between
// BeginUpdate and EndUpdate are reported once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/Components.h"

class TCollection;

class TCollectionItem : public TPersistent {
  SK_CLASS(TCollectionItem, TPersistent)
public:
  /// Joins `collection` at its end (null: no collection yet).
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  void SetCollection(TCollection* collection);
  int ID() const { return id_; }
  int Index() const;
  /// Moves the item within its collection.
  void SetIndex(int index);
  virtual std::string DisplayName() const;

protected:
  /// Reports a change of this item (or of all items) to the collection.
  void Changed(bool allItems);

private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
  SK_CLASS(TCollection, TPersistent)
public:
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
  /// Items of the class `factory` makes (TCollectionItem when empty).
  explicit TCollection(TItemFactory factory = nullptr);
  ~TCollection() override;

  int Count() const { return int(items_.size()); }
  TCollectionItem* Items(int index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  TCollectionItem* FindItemID(int id) const;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  /// Copies the items of another collection through Assign of each item.
  void Assign(const TPersistent* source) override;

  /// Called after a change: `item` changed, or null for the whole collection.
  std::function<void(TCollectionItem* item)> OnUpdate;
  /// The component the collection belongs to (TOwnedCollection).
  virtual TPersistent* GetOwner() const { return nullptr; }

protected:
  virtual void Update(TCollectionItem* item);
  void Changed();

private:
  friend class TCollectionItem;
  void insertItem(TCollectionItem* item);
  void removeItem(TCollectionItem* item);
  void itemChanged(TCollectionItem* item);
  TItemFactory factory_;
  std::vector<TCollectionItem*> items_; // owned
  int nextId_ = 0;
  int updateCount_ = 0;
  bool destroying_ = false;
};

class TOwnedCollection : public TCollection {
  SK_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* owner, TItemFactory factory = nullptr)
      : TCollection(std::move(factory)), owner_(owner) {}
  TPersistent* GetOwner() const override { return owner_; }

private:
  TPersistent* owner_;
};
