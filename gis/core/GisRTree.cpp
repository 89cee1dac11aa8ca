// The paged R-tree index file.

#include "gis/core/GisRTree.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gis/core/GisResource.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

namespace {

constexpr int OFF_MAGIC = 0;
constexpr int OFF_VERSION = 4;
constexpr int OFF_SUBVERSION = 8;
constexpr int OFF_TITLE = 12;
constexpr int OFF_MARKER = 268;
constexpr int OFF_PAGES = 272;
constexpr int OFF_ENTRIES = 276;
constexpr int OFF_FREE = 280;
constexpr int OFF_ROOT = 284;
constexpr int ENTRY_SIZE = 36;
constexpr int NODE_HEADER = 8;
constexpr size_t MAX_DEPTH = 64;
const char TITLE[] = "Vornakel QZ6 RTree";

void PutU32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k)
    p[k] = static_cast<uint8_t>(v >> (8 * k));
}
uint32_t GetU32(const uint8_t* p) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k)
    v |= static_cast<uint32_t>(p[k]) << (8 * k);
  return v;
}
void PutDouble(uint8_t* p, double d) {
  uint64_t u;
  std::memcpy(&u, &d, 8);
  for (int k = 0; k < 8; ++k)
    p[k] = static_cast<uint8_t>(u >> (8 * k));
}
double GetDouble(const uint8_t* p) {
  uint64_t u = 0;
  for (int k = 0; k < 8; ++k)
    u |= static_cast<uint64_t>(p[k]) << (8 * k);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}

TGIS_Extent UnionOf(const TGIS_RTreePage& page) {
  TGIS_Extent u = page.Entries[0].Extent;
  for (int k = 1; k < page.Count; ++k)
    u = GisExtentUnion(u, page.Entries[k].Extent);
  return u;
}

// ---- choosing the halves of a split
// The entries of a full page are sorted along one axis (by their lower, then
// by their upper edge) and cut in two; the axis is the one whose cuts have the
// least total perimeter, the cut along it the one whose halves overlap least
// (then cover the least area). Each half keeps at least kMinFill entries.

constexpr int kMinFill = 5;

struct TBox {
  double lo[2], hi[2];
};

TBox BoxOf(const TGIS_Extent& e) {
  return {{e.XMin, e.YMin}, {e.XMax, e.YMax}};
}

TBox Cover(const TBox& a, const TBox& b) {
  return {{std::min(a.lo[0], b.lo[0]), std::min(a.lo[1], b.lo[1])},
          {std::max(a.hi[0], b.hi[0]), std::max(a.hi[1], b.hi[1])}};
}

double Perimeter(const TBox& b) {
  return (b.hi[0] - b.lo[0]) + (b.hi[1] - b.lo[1]);
}

double Area(const TBox& b) {
  return (b.hi[0] - b.lo[0]) * (b.hi[1] - b.lo[1]);
}

double OverlapArea(const TBox& a, const TBox& b) {
  const double w = std::min(a.hi[0], b.hi[0]) - std::max(a.lo[0], b.lo[0]);
  const double h = std::min(a.hi[1], b.hi[1]) - std::max(a.lo[1], b.lo[1]);
  return w > 0 && h > 0 ? w * h : 0;
}

constexpr int kFull = TGIS_RTreePage::MaxEntries;

// The entries in one sort order, with the covers of every head and tail.
struct TSortedEntries {
  int order[kFull];
  TBox head[kFull], tail[kFull]; // head[k]: entries 0..k, tail[k]: entries k..end

  TSortedEntries(const TGIS_RTreePage& page, int axis, bool byUpper) {
    TBox boxes[kFull];
    for (int k = 0; k < kFull; ++k) {
      order[k] = k;
      boxes[k] = BoxOf(page.Entries[k].Extent);
    }
    std::stable_sort(order, order + kFull, [&](int a, int b) {
      const TBox &p = boxes[a], &q = boxes[b];
      return byUpper ? std::pair(p.hi[axis], p.lo[axis]) < std::pair(q.hi[axis], q.lo[axis])
                     : std::pair(p.lo[axis], p.hi[axis]) < std::pair(q.lo[axis], q.hi[axis]);
    });
    head[0] = boxes[order[0]];
    for (int k = 1; k < kFull; ++k)
      head[k] = Cover(head[k - 1], boxes[order[k]]);
    tail[kFull - 1] = boxes[order[kFull - 1]];
    for (int k = kFull - 2; k >= 0; --k)
      tail[k] = Cover(tail[k + 1], boxes[order[k]]);
  }
  // Cut before entry k: the first half holds k entries.
  double Margins() const {
    double sum = 0;
    for (int k = kMinFill; k <= kFull - kMinFill; ++k)
      sum += Perimeter(head[k - 1]) + Perimeter(tail[k]);
    return sum;
  }
};

struct TSplitChoice {
  int order[kFull];
  int cut = kFull / 2;
};

TSplitChoice ChooseSplit(const TGIS_RTreePage& page) {
  const TSortedEntries sorts[2][2] = {{{page, 0, false}, {page, 0, true}},
                                      {{page, 1, false}, {page, 1, true}}};
  const int axis =
      sorts[1][0].Margins() + sorts[1][1].Margins() < sorts[0][0].Margins() + sorts[0][1].Margins()
          ? 1
          : 0;
  // Least overlap, then least area, then the halves nearest in size; areas
  // that differ in their last bits only (the entries are widened a little)
  // count as equal.
  struct TCost {
    double overlap, area;
    int imbalance;
    bool operator<(const TCost& o) const {
      auto near = [](double a, double b) {
        return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
      };
      if (!near(overlap, o.overlap)) return overlap < o.overlap;
      if (!near(area, o.area)) return area < o.area;
      return imbalance < o.imbalance;
    }
  };
  TSplitChoice best;
  TCost bestCost{};
  bool found = false;
  for (const TSortedEntries& sorted : sorts[axis])
    for (int k = kMinFill; k <= kFull - kMinFill; ++k) {
      const TCost cost{OverlapArea(sorted.head[k - 1], sorted.tail[k]),
                       Area(sorted.head[k - 1]) + Area(sorted.tail[k]), std::abs(2 * k - kFull)};
      if (found && !(cost < bestCost)) continue;
      found = true;
      bestCost = cost;
      std::copy(sorted.order, sorted.order + kFull, best.order);
      best.cut = k;
    }
  return best;
}

// The child of an internal page a new entry goes to: the one whose overlap
// with its siblings grows least, then the one that grows least, then the
// smallest.
int ChooseChild(const TGIS_RTreePage& page, const TGIS_Extent& extent) {
  TBox boxes[TGIS_RTreePage::MaxEntries];
  for (int k = 0; k < page.Count; ++k)
    boxes[k] = BoxOf(page.Entries[k].Extent);
  const TBox added = BoxOf(extent);
  int best = 0;
  double leastOverlap = 0, leastGrowth = 0, leastArea = 0;
  for (int k = 0; k < page.Count; ++k) {
    const TBox grown = Cover(boxes[k], added);
    const double area = Area(boxes[k]);
    const double growth = Area(grown) - area;
    double overlap = 0;
    if (growth > 0)
      for (int j = 0; j < page.Count; ++j)
        if (j != k) overlap += OverlapArea(grown, boxes[j]) - OverlapArea(boxes[k], boxes[j]);
    if (k == 0 || overlap < leastOverlap ||
        (overlap == leastOverlap &&
         (growth < leastGrowth || (growth == leastGrowth && area < leastArea)))) {
      best = k;
      leastOverlap = overlap;
      leastGrowth = growth;
      leastArea = area;
    }
  }
  return best;
}

int FindRef(const TGIS_RTreePage& page, int32_t ref) {
  for (int k = 0; k < page.Count; ++k)
    if (page.Entries[k].Ref == ref) return k;
  return -1;
}

} // namespace

// ------------------------------------------------------------------ storage

/// Where the pages live: a file or a memory block.
class T_RTreeStorage {
public:
  virtual ~T_RTreeStorage() = default;
  /// Bytes transferred; fewer than asked at the end or on an error.
  virtual int64_t Read(int64_t offset, void* buffer, int64_t count) = 0;
  virtual int64_t Write(int64_t offset, const void* buffer, int64_t count) = 0;
  virtual int64_t Size() = 0;
  /// Cuts the storage to 0 bytes; false when that failed.
  virtual bool Truncate() = 0;
};

namespace {

class T_MemoryStorage : public T_RTreeStorage {
public:
  int64_t Read(int64_t offset, void* buffer, int64_t count) override {
    if (offset < 0 || offset >= static_cast<int64_t>(data_.size())) return 0;
    int64_t n = std::min<int64_t>(count, static_cast<int64_t>(data_.size()) - offset);
    std::memcpy(buffer, data_.data() + offset, static_cast<size_t>(n));
    return n;
  }
  int64_t Write(int64_t offset, const void* buffer, int64_t count) override {
    if (offset < 0) return 0;
    if (offset + count > static_cast<int64_t>(data_.size()))
      data_.resize(static_cast<size_t>(offset + count));
    std::memcpy(data_.data() + offset, buffer, static_cast<size_t>(count));
    return count;
  }
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  bool Truncate() override {
    data_.clear();
    return true;
  }

private:
  std::vector<uint8_t> data_;
};

class T_FileStorage : public T_RTreeStorage {
public:
  T_FileStorage(int fd, bool writable) : fd_(fd), writable_(writable) {
    struct stat st {};
    size_ = fstat(fd_, &st) == 0 ? st.st_size : 0;
  }
  ~T_FileStorage() override { ::close(fd_); } // also releases the lock

  int64_t Read(int64_t offset, void* buffer, int64_t count) override {
    int64_t done = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    while (done < count) {
      ssize_t n = ::pread(fd_, p + done, static_cast<size_t>(count - done), offset + done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += n;
    }
    return done;
  }
  int64_t Write(int64_t offset, const void* buffer, int64_t count) override {
    if (!writable_) return 0;
    int64_t done = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
      ssize_t n = ::pwrite(fd_, p + done, static_cast<size_t>(count - done), offset + done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += n;
    }
    if (offset + done > size_) size_ = offset + done;
    return done;
  }
  int64_t Size() override {
    if (!writable_) { // another process may be writing it
      struct stat st {};
      if (fstat(fd_, &st) == 0) size_ = st.st_size;
    }
    return size_;
  }
  bool Truncate() override {
    if (!writable_ || ::ftruncate(fd_, 0) != 0) return false;
    size_ = 0;
    return true;
  }

private:
  int fd_;
  bool writable_;
  int64_t size_ = 0;
};

} // namespace

// ---------------------------------------------------------------- lifecycle

TGIS_RTree::TGIS_RTree(const std::string& path) : path_(path) {
  Open();
}

TGIS_RTree::~TGIS_RTree() {
  Close();
}

void TGIS_RTree::Close() noexcept {
  if (!storage_) return;
  try {
    WriteHeader();
  } catch (...) {
    // A header that cannot be written leaves the file inconsistent on disk
    // (its marker is 0 while it is modified): it is rebuilt on the next open.
  }
  storage_.reset();
}

void TGIS_RTree::Open() {
  readOnly_ = false;
  headerModified_ = false;
  std::memset(header_, 0, sizeof header_);
  search_.stack.clear();
  work_.stack.clear();

  bool fresh = false;
  if (path_.empty()) {
    storage_ = std::make_unique<T_MemoryStorage>();
    timeStamp_ = Now();
    fresh = true;
  } else {
    std::string file = ExpandFileName(path_);
    // A new file is created only where none exists, so that a file another
    // opener made in the meantime is opened rather than emptied.
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::flock(fd, LOCK_EX | LOCK_NB);
      storage_ = std::make_unique<T_FileStorage>(fd, true);
      timeStamp_ = Now();
      fresh = true;
    } else {
      if (errno != EEXIST) throw EGIS_Exception("RTIndex:%s", path_);
      timeStamp_ = FileAge(file);
      fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
      if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        storage_ = std::make_unique<T_FileStorage>(fd, true);
      } else {
        if (fd >= 0) ::close(fd);
        fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw EGIS_Exception("RTIndex:%s", path_);
        storage_ = std::make_unique<T_FileStorage>(fd, false);
        readOnly_ = true;
      }
    }
  }

  if (fresh) InitHeader();
  try {
    ReadHeader();
  } catch (const EAbort&) {
    if (readOnly_) throw; // cannot be rebuilt
    timeStamp_ = Now();
    InitHeader();
    ReadHeader();
  }
}

void TGIS_RTree::ReadHeader() {
  int64_t size = storage_->Size();
  if (size == 0) Abort(); // a run died between truncation and a new header: rebuild
  if (storage_->Read(0, header_, PageSize) < PageSize) throw EGIS_Exception("RTIndex:%s", path_);
  headerModified_ = false;
  if (GetU32(header_ + OFF_MAGIC) != Magic || size < 2 * PageSize || size % PageSize != 0)
    throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, path_);
  if (HeaderInt(OFF_VERSION) >= 7) throw EGIS_Exception(GIS_RS_ERR_FILENEWERVERSION, path_);
  if (HeaderInt(OFF_VERSION) < Version || HeaderInt(OFF_SUBVERSION) < SubVersion) {
    if (!readOnly_) storage_->Truncate(); // a failure is ignored
    Abort();
  }
  if (HeaderInt(OFF_MARKER) == 0) {
    if (readOnly_ || !storage_->Truncate())
      throw EGIS_Exception(GIS_RS_ERR_FILEWRITE, path_, readOnly_ ? EACCES : errno);
    Abort();
  }
  // The fields every later step trusts. Without free pages the pages in use
  // are exactly 0 .. count - 1, so the root lies below the count (a new page
  // is taken at the count and must not be a live one).
  int64_t pages = FilePages();
  int32_t used = HeaderInt(OFF_PAGES), root = HeaderInt(OFF_ROOT), free = HeaderInt(OFF_FREE);
  if (used < 2 || used > pages || root < 1 || root >= pages || free < 0 || free >= pages ||
      free == root || (free == 0 && root >= used) || HeaderInt(OFF_ENTRIES) < 0)
    RaiseDamaged();
}

void TGIS_RTree::InitHeader() {
  std::memset(header_, 0, sizeof header_);
  headerModified_ = true;
  AllocPage(false);
  PutU32(header_ + OFF_MAGIC, Magic);
  SetHeaderInt(OFF_VERSION, Version);
  SetHeaderInt(OFF_SUBVERSION, SubVersion);
  std::memcpy(header_ + OFF_TITLE, TITLE, sizeof TITLE - 1);
  SetHeaderInt(OFF_MARKER, 0);
  SetHeaderInt(OFF_PAGES, 1);
  SetHeaderInt(OFF_ENTRIES, 0);
  SetHeaderInt(OFF_FREE, 0);
  AllocPage(true);
  MarkConsistent();
}

int32_t TGIS_RTree::HeaderInt(int offset) const {
  return static_cast<int32_t>(GetU32(header_ + offset));
}

void TGIS_RTree::SetHeaderInt(int offset, int32_t value) {
  PutU32(header_ + offset, static_cast<uint32_t>(value));
  headerModified_ = true;
}

int32_t TGIS_RTree::PageCount() const {
  return HeaderInt(OFF_PAGES);
}
int32_t TGIS_RTree::EntryCount() const {
  return HeaderInt(OFF_ENTRIES);
}
int32_t TGIS_RTree::FreeListHead() const {
  return HeaderInt(OFF_FREE);
}
int32_t TGIS_RTree::RootPage() const {
  return HeaderInt(OFF_ROOT);
}

void TGIS_RTree::WriteHeader() {
  if (!headerModified_ || readOnly_ || !storage_) return;
  if (storage_->Write(0, header_, PageSize) < PageSize) throw EGIS_Exception("RTIndex:%s", path_);
  headerModified_ = false;
}

void TGIS_RTree::MarkModified() {
  SetHeaderInt(OFF_MARKER, 0);
  WriteHeader();
}

void TGIS_RTree::MarkConsistent() {
  SetHeaderInt(OFF_MARKER, ConsistentMarker);
  WriteHeader();
}

bool TGIS_RTree::IsEmpty() const {
  return HeaderInt(OFF_ENTRIES) < 1;
}

void TGIS_RTree::Commit(bool flag) {
  if (flag && !readOnly_) MarkConsistent();
}

void TGIS_RTree::Clear() {
  if (IsEmpty() || readOnly_) return;
  MarkConsistent();
  Close();
  if (!path_.empty() && !DeleteFile(ExpandFileName(path_))) path_.clear();
  Open();
}

// ------------------------------------------------------------------- pages

int64_t TGIS_RTree::FilePages() const {
  return storage_->Size() / PageSize;
}

void TGIS_RTree::RaisePageError() {
  if (!readOnly_) {
    try {
      MarkModified();
    } catch (...) {
    }
  }
  throw EGIS_Exception("RTIndex:%s", path_);
}

void TGIS_RTree::RaiseDamaged() {
  RaisePageError();
}

void TGIS_RTree::ReadPage(TGIS_RTreePage& page, int32_t n) {
  SK_ASSERT(n > 0, "Assertion failure", "GisRTree", __LINE__);
  int64_t pages = FilePages();
  if (n >= pages) RaiseDamaged();
  uint8_t raw[PageSize];
  if (storage_->Read(static_cast<int64_t>(n) * PageSize, raw, PageSize) < PageSize)
    RaisePageError();
  int32_t kind = static_cast<int32_t>(GetU32(raw));
  int32_t count = static_cast<int32_t>(GetU32(raw + 4));
  if ((kind != 1 && kind != 2) || count < 0 || count > TGIS_RTreePage::MaxAtRest ||
      (kind == 1 && count == 0))
    RaiseDamaged();
  // Without free pages every live page lies below the page count.
  const int32_t limit = HeaderInt(OFF_FREE) == 0 ? HeaderInt(OFF_PAGES) : int32_t(pages);
  for (int k = 0; k < count; ++k) {
    const uint8_t* e = raw + NODE_HEADER + k * ENTRY_SIZE;
    TGIS_RTreeEntry& entry = page.Entries[k];
    entry.Extent.XMin = GetDouble(e);
    entry.Extent.YMin = GetDouble(e + 8);
    entry.Extent.XMax = GetDouble(e + 16);
    entry.Extent.YMax = GetDouble(e + 24);
    entry.Ref = static_cast<int32_t>(GetU32(e + 32));
    if (kind == 1 && (entry.Ref <= 0 || entry.Ref >= limit || entry.Ref == n)) RaiseDamaged();
  }
  page.Kind = kind;
  page.Count = count;
  page.PageNo = n;
}

void TGIS_RTree::WritePage(const TGIS_RTreePage& page) {
  SK_ASSERT(page.PageNo > 0, "Assertion failure", "GisRTree", __LINE__);
  uint8_t raw[PageSize] = {};
  PutU32(raw, static_cast<uint32_t>(page.Kind));
  PutU32(raw + 4, static_cast<uint32_t>(page.Count));
  for (int k = 0; k < page.Count && k < TGIS_RTreePage::MaxEntries; ++k) {
    uint8_t* e = raw + NODE_HEADER + k * ENTRY_SIZE;
    const TGIS_RTreeEntry& entry = page.Entries[k];
    PutDouble(e, entry.Extent.XMin);
    PutDouble(e + 8, entry.Extent.YMin);
    PutDouble(e + 16, entry.Extent.XMax);
    PutDouble(e + 24, entry.Extent.YMax);
    PutU32(e + 32, static_cast<uint32_t>(entry.Ref));
  }
  if (storage_->Write(static_cast<int64_t>(page.PageNo) * PageSize, raw, PageSize) < PageSize)
    throw EGIS_Exception("RTIndex:%s", path_);
}

int32_t TGIS_RTree::AllocPage(bool makeRoot) {
  SetHeaderInt(OFF_PAGES, HeaderInt(OFF_PAGES) + 1);
  int32_t n;
  int32_t head = HeaderInt(OFF_FREE);
  if (head != 0) {
    n = head;
    uint8_t next[4];
    if (n >= FilePages() || storage_->Read(static_cast<int64_t>(n) * PageSize, next, 4) < 4)
      RaiseDamaged();
    int32_t nextHead = static_cast<int32_t>(GetU32(next));
    if (nextHead < 0 || nextHead >= FilePages() || nextHead == n) RaiseDamaged();
    SetHeaderInt(OFF_FREE, nextHead);
  } else {
    // A fresh page is always written where it belongs, also when the file
    // runs on beyond its pages in use.
    n = HeaderInt(OFF_PAGES) - 1;
    uint8_t raw[PageSize] = {};
    PutU32(raw, 2);
    if (storage_->Write(static_cast<int64_t>(n) * PageSize, raw, PageSize) < PageSize)
      throw EGIS_Exception("RTIndex:%s", path_);
  }
  if (makeRoot) SetHeaderInt(OFF_ROOT, n);
  MarkModified();
  return n;
}

void TGIS_RTree::FreePage(int32_t n) {
  SK_ASSERT(n > 0, "Assertion failure", "GisRTree", __LINE__);
  uint8_t raw[PageSize] = {};
  PutU32(raw, static_cast<uint32_t>(HeaderInt(OFF_FREE)));
  if (storage_->Write(static_cast<int64_t>(n) * PageSize, raw, PageSize) < PageSize)
    throw EGIS_Exception("RTIndex:%s", path_);
  SetHeaderInt(OFF_FREE, n);
  SetHeaderInt(OFF_PAGES, HeaderInt(OFF_PAGES) - 1);
}

// ------------------------------------------------------------------ insert

void TGIS_RTree::Insert(const TGIS_Extent& extent, int32_t uid) {
  if (readOnly_) return;
  if (HeaderInt(OFF_MARKER) != 0) MarkModified(); // inconsistent on disk before any page changes

  auto widen = [](double v) { return std::fabs(std::min(1e-12, v * 1e-12)); };
  TGIS_RTreeEntry entry;
  entry.Extent.XMin = extent.XMin - widen(extent.XMin);
  entry.Extent.YMin = extent.YMin - widen(extent.YMin);
  entry.Extent.XMax = extent.XMax + widen(extent.XMax);
  entry.Extent.YMax = extent.YMax + widen(extent.YMax);
  entry.Ref = uid;

  TGIS_RTreePage& page = page_;
  page.Parents.clear();
  ReadPage(page, HeaderInt(OFF_ROOT));
  while (page.Kind == 1) {
    if (page.Parents.size() >= MAX_DEPTH) RaiseDamaged();
    page.Parents.push_back(page.PageNo);
    ReadPage(page, page.Entries[ChooseChild(page, entry.Extent)].Ref);
  }

  int at = page.Count;
  for (int k = 0; k < page.Count; ++k)
    if (GisIsExtentInside(entry.Extent, page.Entries[k].Extent)) {
      at = k;
      break;
    }
  SK_ASSERT(page.Count < TGIS_RTreePage::MaxEntries, "Assertion failure", "GisRTree", __LINE__);
  for (int k = page.Count; k > at; --k)
    page.Entries[k] = page.Entries[k - 1];
  page.Entries[at] = entry;
  ++page.Count;

  if (page.Count == TGIS_RTreePage::MaxEntries) {
    SplitPage(page);
  } else {
    WritePage(page);
    AdjustPath(page);
  }
  SetHeaderInt(OFF_ENTRIES, HeaderInt(OFF_ENTRIES) + 1);
  MarkModified();
}

void TGIS_RTree::SplitPage(TGIS_RTreePage& page) {
  SK_ASSERT(page.Count == TGIS_RTreePage::MaxEntries, "Assertion failure", "GisRTree", __LINE__);
  const TSplitChoice split = ChooseSplit(page);
  TGIS_RTreePage other;
  other.Kind = page.Kind;
  other.PageNo = AllocPage(false);
  other.Parents = page.Parents;
  TGIS_RTreeEntry all[TGIS_RTreePage::MaxEntries];
  std::copy(page.Entries, page.Entries + page.Count, all);
  for (int k = 0; k < split.cut; ++k)
    page.Entries[k] = all[split.order[k]];
  for (int k = split.cut; k < page.Count; ++k)
    other.Entries[k - split.cut] = all[split.order[k]];
  other.Count = page.Count - split.cut;
  page.Count = split.cut;
  WritePage(page);
  WritePage(other);

  TGIS_RTreeEntry r{UnionOf(page), page.PageNo};
  TGIS_RTreeEntry s{UnionOf(other), other.PageNo};

  if (page.Parents.empty()) {
    TGIS_RTreePage root;
    root.Kind = 1;
    root.Count = 2;
    root.Entries[0] = r;
    root.Entries[1] = s;
    root.PageNo = AllocPage(true);
    WritePage(root);
    return;
  }

  TGIS_RTreePage parent;
  parent.Parents = page.Parents;
  int32_t parentNo = parent.Parents.back();
  parent.Parents.pop_back();
  ReadPage(parent, parentNo);
  SK_ASSERT(parent.Kind == 1, "Assertion failure", "GisRTree", __LINE__);
  int at = FindRef(parent, page.PageNo);
  SK_ASSERT(at >= 0, "Assertion failure", "GisRTree", __LINE__);
  SK_ASSERT(parent.Count < TGIS_RTreePage::MaxEntries, "Assertion failure", "GisRTree", __LINE__);
  for (int k = parent.Count; k > at + 1; --k)
    parent.Entries[k] = parent.Entries[k - 1];
  parent.Entries[at] = r;
  parent.Entries[at + 1] = s;
  ++parent.Count;
  if (parent.Count == TGIS_RTreePage::MaxEntries) {
    SplitPage(parent); // writes the unions above on its way
  } else {
    WritePage(parent);
    AdjustPath(parent);
  }
}

void TGIS_RTree::AdjustPath(TGIS_RTreePage& page) {
  while (!page.Parents.empty() && page.Parents.back() != page.PageNo && page.Count > 0) {
    TGIS_Extent u = UnionOf(page);
    int32_t child = page.PageNo;
    int32_t parentNo = page.Parents.back();
    page.Parents.pop_back();
    ReadPage(page, parentNo);
    int at = FindRef(page, child);
    SK_ASSERT(at >= 0, "Assertion failure", "GisRTree", __LINE__);
    if (GisIsSameExtent(page.Entries[at].Extent, u)) break;
    page.Entries[at].Extent = u;
    WritePage(page);
  }
}

// ------------------------------------------------------------------ search

void TGIS_RTree::StartSearch(SearchState& s, const TGIS_Extent& extent, int32_t uid) {
  s.stack.clear();
  s.extent = extent;
  s.uid = uid;
  s.descents = 0;
  PushSearchPage(s, HeaderInt(OFF_ROOT));
}

void TGIS_RTree::PushSearchPage(SearchState& s, int32_t n) {
  const size_t level = s.stack.size() / 2;
  if (s.pages.size() <= level) s.pages.resize(level + 1);
  ReadPage(s.pages[level], n);
  s.stack.push_back(n);
  s.stack.push_back(0);
}

// A depth-first walk resumable between calls: the stack holds pairs of a page
// number and the index of the next entry to look at in that page, and each
// page is read once, when the walk enters it.
int32_t TGIS_RTree::Search(SearchState& s) {
  while (!s.stack.empty()) {
    size_t top = s.stack.size();
    int32_t next = s.stack[top - 1];
    const TGIS_RTreePage& page = s.pages[top / 2 - 1];
    bool descended = false;
    for (int k = next; k < page.Count; ++k) {
      const TGIS_RTreeEntry& e = page.Entries[k];
      if (!GisIsExtentIntersecting(e.Extent, s.extent)) continue;
      if (page.Kind == 2) {
        if (s.uid >= 0 && e.Ref != s.uid) continue;
        s.stack[top - 1] = k + 1;
        return e.Ref;
      }
      s.stack[top - 1] = k + 1;
      // In a sound tree every page is entered at most once per walk.
      if (++s.descents > FilePages() || s.stack.size() / 2 >= MAX_DEPTH) RaiseDamaged();
      PushSearchPage(s, e.Ref);
      descended = true;
      break;
    }
    if (!descended) s.stack.resize(top - 2);
  }
  return -1;
}

int32_t TGIS_RTree::FindFirst(const TGIS_Extent& extent, int32_t uid) {
  StartSearch(search_, extent, uid);
  return FindNext();
}

int32_t TGIS_RTree::FindNext() {
  return Search(search_);
}

// ------------------------------------------------------------------ delete

bool TGIS_RTree::Delete(const TGIS_Extent& extent, int32_t uid) {
  if (readOnly_) return false;
  StartSearch(work_, extent, uid);
  Search(work_);
  if (work_.stack.empty()) return false; // not found
  if (HeaderInt(OFF_MARKER) != 0) MarkModified();

  TGIS_RTreePage& page = page_;
  page = work_.pages[work_.stack.size() / 2 - 1];
  page.Parents.clear();
  for (size_t k = 0; k + 2 < work_.stack.size(); k += 2)
    page.Parents.push_back(work_.stack[k]);
  RemoveEntry(page, work_.stack.back() - 1);
  SetHeaderInt(OFF_ENTRIES, HeaderInt(OFF_ENTRIES) - 1);
  MarkModified();
  return true;
}

void TGIS_RTree::RemoveEntry(TGIS_RTreePage& page, int index) {
  for (;;) {
    SK_ASSERT(index >= 0 && index < page.Count, "Assertion failure", "GisRTree", __LINE__);
    for (int k = index; k + 1 < page.Count; ++k)
      page.Entries[k] = page.Entries[k + 1];
    --page.Count;
    if (page.Count > 0) {
      WritePage(page);
      AdjustPath(page);
      return;
    }
    if (page.PageNo == HeaderInt(OFF_ROOT)) {
      page.Kind = 2;
      WritePage(page);
      return;
    }
    SK_ASSERT(!page.Parents.empty(), "Assertion failure", "GisRTree", __LINE__);
    int32_t child = page.PageNo;
    int32_t parentNo = page.Parents.back();
    page.Parents.pop_back();
    FreePage(child);
    ReadPage(page, parentNo);
    index = FindRef(page, child);
    SK_ASSERT(index >= 0, "Assertion failure", "GisRTree", __LINE__);
  }
}
