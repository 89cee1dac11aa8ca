// TGIS_LayerSHP: opening, the cursor, direct access by UID, attribute values,
// building an empty set and writing a set through TGIS_FileSet.
#include "gis/formats/GisLayerSHP.h"

#include <cerrno>

#include "gis/core/GisDefsPaths.h"
#include "gis/core/GisDefsSystem.h"
#include "gis/core/GisResource.h"
#include "gis/core/GisResourceTable.h"
#include "gis/formats/GisFileSet.h"
#include "gis/formats/GisFormatsWriter.h"
#include "gis/raster/GisLayerPixel.h"
#include "gis/viewer/GisRegistredLayers.h"
#include "gis/viewer/GisViewer.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"

namespace {

constexpr char SHP_DESCRIPTION[] = "ArcView Shape Files (SHP)";

int KindSlot(TGIS_ShapeType kind) {
  switch (kind) {
  case gisShapeTypePoint:
    return 0;
  case gisShapeTypeMultiPoint:
    return 1;
  case gisShapeTypeArc:
    return 2;
  case gisShapeTypePolygon:
    return 3;
  default:
    return -1;
  }
}

/// The error code of the failure being handled (EIO when none is known).
int CurrentErrorCode() {
  return errno != 0 ? errno : EIO;
}

} // namespace

TGIS_LayerSHP::TGIS_LayerSHP() {
  capabilities_ = GIS_CAPABILITY_OWN_FILE | GIS_CAPABILITY_WRITES_FORMAT;
  work_[0] = std::make_unique<TGIS_ShapePoint>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[1] =
      std::make_unique<TGIS_ShapeMultiPoint>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[2] = std::make_unique<TGIS_ShapeArc>(nullptr, std::span<const std::uint8_t>{}, false, -1);
  work_[3] =
      std::make_unique<TGIS_ShapePolygon>(nullptr, std::span<const std::uint8_t>{}, false, -1);
}

TGIS_LayerSHP::~TGIS_LayerSHP() {
  current_ = nullptr;
  CloseFiles();
}

void TGIS_LayerSHP::CloseFiles() {
  current_ = nullptr;
  // The work shapes view the main file's buffer: they let go first.
  for (auto& w : work_)
    w->Reset();
  dbf_.reset();
  shx_.reset();
  shp_.reset();
  offsets_.clear();
  scanPos_ = 100;
}

std::string TGIS_LayerSHP::GetShpFileName() const {
  return path_;
}

std::string TGIS_LayerSHP::GetShxFileName() const {
  return GisPathWithoutExt(path_) + GetShxExtension();
}

std::string TGIS_LayerSHP::GetDbfFileName() const {
  return GisPathWithoutExt(path_) + GetDbfExtension();
}

std::string TGIS_LayerSHP::GetIndexPath() const {
  return GetShpFileName() + ".RTREE";
}

std::string TGIS_LayerSHP::CompanionName(const std::string& extension) const {
  const std::string found = GisFindCompanionFile(path_, extension);
  return found.empty() ? GisPathWithoutExt(path_) + extension : found;
}

void TGIS_LayerSHP::Open() {
  TGIS_FileSet::Recover(GetShpFileName());
  CloseFiles();
  TGIS_LayerVector::Open();
  lastUid_ = -1;
  nextUid_ = 1;
  memoryPhase_ = false;

  shp_ = std::make_unique<TGIS_FileSHP>(GetShpFileName(), OnAfterRead, OnBeforeWrite, false);
  shp_->ReadHeader();
  const TGIS_ShapeType kind = TGIS_FileSHPInternal::CodeToShapeType(shp_->TypeCode());
  SetSupportedShapes(kind == gisShapeTypeUnknown ? 0 : GisShapeTypeBit(kind));
  SetExtent(shp_->BoundingBox());

  const std::string shx = GisFindCompanionFile(path_, GetShxExtension());
  if (!shx.empty()) {
    shx_ = std::make_unique<TGIS_FileSHX>(shx, OnAfterRead, OnBeforeWrite, false);
    shx_->ReadHeader();
  }
  dbf_ = std::make_unique<TGIS_FileDBF>(CompanionName(GetDbfExtension()), OnAfterRead,
                                        OnBeforeWrite, false, *this);
  if (FileExists(GetShpFileName())) openTime_ = GisFileAge(GetShpFileName());
  SetInfoText(SHP_DESCRIPTION);
}

Variant TGIS_LayerSHP::FetchFieldValue(std::int32_t uid, const std::string& storedName) {
  if (dbf_ == nullptr || uid < 1) return Variant();
  return dbf_->GetField(std::uint32_t(uid), storedName);
}

Variant TGIS_LayerSHP::ReadFieldValue(TGIS_Shape* shape, int index) {
  if (dbf_ == nullptr || shape == nullptr || shape->Uid() < 1) return Variant();
  return dbf_->GetField(std::uint32_t(shape->Uid()), index);
}

// ---- reading ---------------------------------------------------------------------------

bool TGIS_LayerSHP::RecordOffset(std::int32_t uid, std::int64_t& offset) {
  if (shp_ == nullptr || uid < 1) return false;
  if (shx_ != nullptr) {
    if (uid > shx_->RecordCount()) return false;
    offset = shx_->ReadEntry(uid).Offset;
    if (offset < 100 || offset + 8 > shp_->Size())
      throw EGIS_Exception(GIS_RS_ERR_FILEBADFORMAT, GetShpFileName(), 0);
    return true;
  }
  // Record headers are read until the record is reached (each one once).
  while (std::int64_t(offsets_.size()) + 1 < uid) {
    if (scanPos_ >= shp_->Size()) return false;
    shp_->Seek(scanPos_, 0);
    const TGIS_SHPRecordHeader& h = shp_->ReadRecordHeader();
    offsets_.push_back(scanPos_);
    scanPos_ += 8 + std::int64_t(h.ContentLength) * 2;
  }
  if (uid <= std::int64_t(offsets_.size())) {
    offset = offsets_[std::size_t(uid - 1)];
    return true;
  }
  if (scanPos_ >= shp_->Size()) return false;
  offset = scanPos_;
  return true;
}

void TGIS_LayerSHP::ReadRecord(std::int32_t uid, std::int64_t offset) {
  HourglassShake();
  current_ = nullptr;
  shp_->Seek(offset, 0);
  const TGIS_SHPRecordHeader& h = shp_->ReadRecordHeader();
  const std::span<const std::uint8_t> content = shp_->ReadRecordContent();
  ++recordsRead_;
  if (shx_ == nullptr && uid == std::int64_t(offsets_.size()) + 1) {
    offsets_.push_back(offset);
    scanPos_ = offset + 8 + std::int64_t(h.ContentLength) * 2;
  }
  kind_ = h.ShapeKind;
  const int slot = KindSlot(kind_);
  if (slot < 0) {
    kind_ = gisShapeTypeUnknown;
    return;
  }
  TGIS_Shape* work = work_[std::size_t(slot)].get();
  work->Recreate(nullptr, content, true, uid, this);
  current_ = FindEditedShape(work);
}

void TGIS_LayerSHP::MoveFirst(const TGIS_Extent& extent, const std::string& query,
                              bool skipDeleted, const std::string& pattern, TGIS_Shape* shape) {
  current_ = nullptr;
  CursorFirst(extent, query, skipDeleted, pattern, shape);
  if (shp_ != nullptr) shp_->ReadHeader();
  nextUid_ = 1;
  memoryPhase_ = shp_ == nullptr;
  MoveNext();
}

void TGIS_LayerSHP::MoveNext() {
  for (;;) {
    TGIS_Shape* shape = nullptr;
    while (!memoryPhase_ && shape == nullptr) {
      std::int64_t offset = 0;
      if (!RecordOffset(nextUid_, offset)) {
        memoryPhase_ = true;
        break;
      }
      ReadRecord(nextUid_, offset);
      ++nextUid_;
      shape = current_;
    }
    if (memoryPhase_) {
      // The edited copies of records came with their records: only new shapes remain.
      shape = NextNewShape();
      if (shape == nullptr) {
        current_ = nullptr;
        return;
      }
    }
    current_ = shape;
    if (CursorSkipDeleted() && shape->IsDeleted()) continue;
    if (MatchesFilter(shape)) return;
  }
}

TGIS_Shape* TGIS_LayerSHP::GetCurrentShape() const {
  return current_ != nullptr ? current_ : CursorShape();
}

TGIS_Shape* TGIS_LayerSHP::GetShape(std::int32_t uid) {
  if (uid < 1) return nullptr;
  if (TGIS_Shape* s = TGIS_LayerVector::GetShape(uid)) return s;
  if (shp_ == nullptr) return nullptr;
  if (current_ != nullptr && current_->Uid() == uid) return current_;
  std::int64_t offset = 0;
  if (!RecordOffset(uid, offset)) return nullptr;
  ReadRecord(uid, offset);
  // The running cursor goes on after this record.
  nextUid_ = uid + 1;
  memoryPhase_ = false;
  return current_;
}

std::int32_t TGIS_LayerSHP::GetLastUid() const {
  if (lastUid_ == -1) lastUid_ = ScanLastUid();
  return lastUid_;
}

std::int32_t TGIS_LayerSHP::GetNewUid() const {
  GetLastUid();
  return ++lastUid_;
}

// ---- writing -----------------------------------------------------------------------------

void TGIS_LayerSHP::Build(const std::string& path, const TGIS_Extent& extent,
                          TGIS_ShapeType shapeType) {
  TGIS_FileSet::Recover(path);
  TGIS_LayerVector::Build(path, extent, shapeType);
  PrepareExportNames(11, false);
  for (const std::string& name : {GetShpFileName(), GetDbfFileName(), GetShxFileName()})
    if (FileExists(name)) throw EGIS_Exception(GIS_RS_ERR_FILEEXIST, name, 0);

  TGIS_FileSet set({GetShpFileName(), GetShxFileName(), GetDbfFileName()});
  try {
    for (int member = 0; member < 2; ++member) {
      TGIS_FileSHPInternal file(set.Temp(member), OnAfterRead, OnBeforeWrite, true);
      file.SetBoundingBox(extent);
      file.SetTypeCode(TGIS_FileSHPInternal::ShapeTypeToCode(shapeType));
      file.WriteHeader();
    }
    {
      TGIS_FileDBF dbf(set.Temp(2), OnAfterRead, OnBeforeWrite, true, *this);
      dbf.WriteHeader();
      dbf.WriteStructure();
      dbf.WriteHeader();
    }
  } catch (const Exception&) {
    set.Fail(0, CurrentErrorCode());
  }
  set.Commit();
}

void TGIS_LayerSHP::SaveData() {
  TGIS_LayerVector::SaveData();
  if (IsModified()) ImportLayer(this, GisWholeWorldExtent(), gisShapeTypeUnknown, "", false);
}

namespace {

/// The temporary files of one write, closed on every path.
struct TShpWriters {
  std::unique_ptr<TGIS_FileSHP> Shp;
  std::unique_ptr<TGIS_FileSHX> Shx;
  std::unique_ptr<TGIS_FileDBF> Dbf;
  std::unique_ptr<TGIS_RTree> RTree;
  void Close() {
    Shp.reset();
    Shx.reset();
    Dbf.reset();
    RTree.reset();
  }
};

} // namespace

void TGIS_LayerSHP::ImportLayer(TGIS_LayerVector* layer, const TGIS_Extent& extent,
                                TGIS_ShapeType shapeType, const std::string& query, bool clip) {
  if (layer == nullptr) return;
  TGIS_FileSet::Recover(GetShpFileName());
  const std::int32_t end = layer->GetLastUid();
  TGIS_SourcePass pass(*layer, end);

  const bool sameFile = GisIsSameLayerFile(*layer, *this);
  if (!sameFile) ImportStructure(*layer);
  PrepareExportNames(11, false);

  const bool withIndex = layer->IsIndexed();
  std::vector<std::string> members = {GetShpFileName(), CompanionName(GetShxExtension()),
                                      CompanionName(GetDbfExtension())};
  if (withIndex) members.push_back(GetIndexPath());
  TGIS_FileSet set(members);
  TShpWriters out;
  auto closeWriters = ScopeExit([&] { out.Close(); });
  std::int32_t written = 0;
  bool aborted = false;
  TGIS_ShapeType typeUsed = shapeType;
  int member = 0; // the member being written, for the error message
  try {
    out.Shp = std::make_unique<TGIS_FileSHP>(set.Temp(0), OnAfterRead, OnBeforeWrite, true);
    out.Shp->SetBoundingBox(GisExtentIntersection(extent, layer->Extent()));
    out.Shp->WriteHeader();
    member = 1;
    out.Shx = std::make_unique<TGIS_FileSHX>(set.Temp(1), OnAfterRead, OnBeforeWrite, true);
    out.Shx->WriteHeader();
    member = 2;
    out.Dbf = std::make_unique<TGIS_FileDBF>(set.Temp(2), OnAfterRead, OnBeforeWrite, true, *this);
    out.Dbf->WriteHeader();
    out.Dbf->WriteStructure();
    out.Dbf->WriteHeader();
    if (withIndex) {
      member = 3;
      out.RTree = std::make_unique<TGIS_RTree>(set.Temp(3));
    }
    member = 0;

    // All shapes of a layer saving itself are written, whatever its scope.
    if (sameFile) pass.ClearScope();
    TGIS_Extent box = GisEmptyExtent();
    layer->MoveFirst(extent, query, true, "", nullptr);
    for (int counter = 0; !layer->Eof(); ++counter) {
      TGIS_Shape* shape = layer->GetCurrentShape();
      std::unique_ptr<TGIS_Shape> clipped;
      if (clip) clipped = shape->GetClipped(extent);
      TGIS_Shape* written_shape = clip ? clipped.get() : shape;
      bool take = written_shape != nullptr && !written_shape->IsDeleted();
      if (take && typeUsed != gisShapeTypeUnknown && written_shape->ShapeType() != typeUsed)
        take = false;
      if (take) {
        if (typeUsed == gisShapeTypeUnknown) typeUsed = written_shape->ShapeType();
        const bool empty = written_shape->IsEmpty();
        if (!empty) {
          const TGIS_Extent e = written_shape->GetExtentRaw();
          box = GisIsEmptyExtent(box) ? e : GisExtentUnion(box, e);
        }
        TGIS_SHPRecordHeader h;
        h.RecordNumber = written + 1;
        h.ContentLength =
            empty ? 2 : (written_shape->GetHeaderSize() + written_shape->GetPointsSize() + 4) / 2;
        h.ShapeKind = empty ? gisShapeTypeUnknown : written_shape->ShapeType();
        out.Shx->WriteEntry(out.Shp->WritePosition(), h);
        out.Shp->WriteRecordHeader(h);
        if (!empty) out.Shp->WriteShape(*written_shape);
        ++written;
        if (out.RTree != nullptr && !empty)
          out.RTree->Insert(written_shape->GetExtentRaw(), written);
        // The attributes come from the unclipped shape.
        out.Dbf->AppendRecord(shape);
      }
      if (pass.Shake(counter, shape->Uid())) {
        aborted = true;
        break;
      }
      layer->MoveNext();
    }
    pass.RestoreScope();
    if (!aborted) {
      if (written == 0 && shp_ != nullptr) {
        out.Shp->SetBoundingBox(shp_->BoundingBox());
        out.Shp->SetTypeCode(shp_->TypeCode());
      } else {
        if (written > 0) out.Shp->SetBoundingBox(box);
        out.Shp->SetTypeCode(TGIS_FileSHPInternal::ShapeTypeToCode(typeUsed));
      }
      out.Shp->WriteHeader();
      // The index describes the main file: the same type and box.
      out.Shx->SetBoundingBox(out.Shp->BoundingBox());
      out.Shx->SetTypeCode(out.Shp->TypeCode());
      out.Shp.reset();
      member = 1;
      out.Shx->WriteHeader();
      out.Shx.reset();
      member = 2;
      out.Dbf->WriteHeader();
      const std::int64_t expected =
          std::int64_t(out.Dbf->HeaderLength()) + std::int64_t(out.Dbf->RecordLength()) * written +
          1;
      out.Dbf.reset();
      // The end mark is written quietly: a shorter table was cut off.
      if (FileSizeOf(set.Temp(2)) != expected) {
        errno = EFBIG;
        throw EWriteError("Stream write error");
      }
      if (out.RTree != nullptr) {
        member = 3;
        out.RTree->Commit(true);
        out.RTree.reset();
      }
    }
  } catch (const EGIS_Exception&) {
    // A damaged source, or a structure the table cannot hold: nothing is replaced.
    out.Close();
    set.Abort();
    throw;
  } catch (const Exception&) {
    const int code = CurrentErrorCode();
    out.Close();
    set.Fail(member, code);
  }
  out.Close();
  if (aborted || (written == 0 && !sameFile)) {
    set.Abort();
    return;
  }
  // A failed commit restores the old set under the open files: the layer
  // keeps its edits and its modified flag.
  set.Commit();

  // The files changed under an open layer: it reads them again.
  if (sameFile || shp_ != nullptr) {
    const bool wasIndexed = IsIndexed();
    SetIndexed(false);
    CloseFiles();
    ClearShapes();
    ClearFields();
    Open();
    if (wasIndexed) SetIndexed(true);
    // What the layer holds now is what its files hold.
    modified_ = false;
    if (viewer_ != nullptr) viewer_->InvalidateExtent(extent_, true);
  }
}

void GisRegisterLayerSHP() {
  TGIS_RegistredLayers::RegisterLayer(
      "TGIS_LayerSHP", SHP_DESCRIPTION,
      [](TGIS_LayerFactoryArgs&) -> std::unique_ptr<TGIS_LayerAbstract> {
        return std::make_unique<TGIS_LayerSHP>();
      });
}
