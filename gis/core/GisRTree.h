// The paged R-tree index file of a vector layer.
//
// A file of 512-byte pages beside the layer (or a memory block when the
// layer has no file) maps the extent of every shape to its 32-bit unique
// identifier. Page 0 is the header; every other page is a node (kind 1
// internal, 2 leaf, up to 13 entries at rest) or a free page. Every change
// marks the file inconsistent on disk first; only Commit(true) marks it
// consistent again, so an index left behind by an interrupted run is thrown
// away and rebuilt empty on the next open (IsEmpty then tells the layer to
// refill it).
//
// A writable index holds an exclusive lock on its file; a second opener (in
// this process or another) gets a read-only index, which is never written.
//
// The header is checked on open (page count against the root and the file
// size), and every page read from the file (kind, entry count, child page
// numbers, depth, pages visited per walk): a damaged file raises
// EGIS_Exception "RTIndex:<path>" and, when the index is writable, is marked
// inconsistent so that the next open rebuilds it.
//
// One search runs at a time through FindFirst/FindNext. Insert and Delete
// keep their own state, but a caller must not change the index during a walk:
// collect the identifiers first, then delete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gis/core/GisDefsGeometry.h"

/// One entry of a node page: an extent and, in a leaf, the shape's unique
/// identifier, in an internal node the child's page number.
struct TGIS_RTreeEntry {
  TGIS_Extent Extent;
  int32_t Ref = 0;
};

/// One node page in memory, with the page numbers on the path from the root
/// down to its parent (the last one is the parent).
struct TGIS_RTreePage {
  /// Room for one entry more than a page holds at rest: the insert that
  /// fills it splits it.
  static constexpr int MaxEntries = 14;
  static constexpr int MaxAtRest = MaxEntries - 1;
  int32_t Kind = 2;
  int32_t Count = 0;
  TGIS_RTreeEntry Entries[MaxEntries];
  int32_t PageNo = 0;
  std::vector<int32_t> Parents;
};

class T_RTreeStorage;

class TGIS_RTree {
public:
  static constexpr int PageSize = 512;
  static constexpr uint32_t Magic = 0x04407AAD;
  static constexpr int32_t Version = 6;
  static constexpr int32_t SubVersion = 2;
  static constexpr int32_t ConsistentMarker = 73;

  /// Opens or creates the index at `path`; an empty path makes an in-memory
  /// index. Raises EGIS_Exception for a foreign (0034), newer (0035) or
  /// damaged ("RTIndex:") file.
  explicit TGIS_RTree(const std::string& path);
  /// Writes the header when it was modified and the index is writable; does
  /// not mark the index consistent. Never raises.
  ~TGIS_RTree();
  TGIS_RTree(const TGIS_RTree&) = delete;
  TGIS_RTree& operator=(const TGIS_RTree&) = delete;

  /// Adds an entry; nothing on a read-only index.
  void Insert(const TGIS_Extent& extent, int32_t uid);
  /// Removes the entry of `uid` found within `extent`; false when read-only
  /// or not found. Underfull pages are kept as they are.
  bool Delete(const TGIS_Extent& extent, int32_t uid);
  /// Starts a walk over the leaf entries whose extent meets `extent`
  /// (touching counts) and, when uid >= 0, whose identifier is `uid`.
  /// Returns the first identifier or -1.
  int32_t FindFirst(const TGIS_Extent& extent, int32_t uid);
  /// The next identifier of the walk or -1 at its end.
  int32_t FindNext();
  bool IsEmpty() const;
  /// With flag true marks the index consistent.
  void Commit(bool flag);
  /// Throws everything away (when neither empty nor read-only) and starts a
  /// new empty index; when the file cannot be deleted the index continues in
  /// memory.
  void Clear();

  /// The file's modification time when an existing index was opened, the
  /// current local time when it was created or rebuilt.
  double TimeStamp() const { return timeStamp_; }
  bool IsReadOnly() const { return readOnly_; }
  bool IsInMemory() const { return path_.empty(); }
  const std::string& Path() const { return path_; }
  /// Header fields, for inspection.
  int32_t PageCount() const;
  int32_t EntryCount() const;
  int32_t FreeListHead() const;
  int32_t RootPage() const;

private:
  struct SearchState {
    std::vector<int32_t> stack; // pairs: page number, next entry index
    std::vector<TGIS_RTreePage> pages; // the page of each pair, read once
    TGIS_Extent extent;
    int32_t uid = -1;
    int64_t descents = 0;
  };

  void Open();
  void Close() noexcept;
  void ReadHeader();
  void InitHeader();
  void WriteHeader();
  void MarkModified();
  void MarkConsistent();
  int32_t HeaderInt(int offset) const;
  void SetHeaderInt(int offset, int32_t value);

  void ReadPage(TGIS_RTreePage& page, int32_t n);
  void WritePage(const TGIS_RTreePage& page);
  int32_t AllocPage(bool makeRoot);
  void FreePage(int32_t n);
  [[noreturn]] void RaisePageError();
  [[noreturn]] void RaiseDamaged();
  int64_t FilePages() const;

  void SplitPage(TGIS_RTreePage& page);
  void AdjustPath(TGIS_RTreePage& page);
  void RemoveEntry(TGIS_RTreePage& page, int index);
  int32_t Search(SearchState& s);
  void StartSearch(SearchState& s, const TGIS_Extent& extent, int32_t uid);
  void PushSearchPage(SearchState& s, int32_t n);

  std::string path_;
  double timeStamp_ = 0;
  bool readOnly_ = false;
  std::unique_ptr<T_RTreeStorage> storage_;
  uint8_t header_[PageSize] = {};
  bool headerModified_ = false;
  SearchState search_;
  SearchState work_;
  TGIS_RTreePage page_;
};
