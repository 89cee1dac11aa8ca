// The dBASE reader: any file opens as a table or raises the kernel's error;
// the fields of the first records and of the last one read or raise.

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisFileDBF.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisResource.h"
#include "platform/rtl/Exceptions.h"
#include "tests/gis/core/FakeFieldOwner.h"

namespace {

void ReadRecord(TGIS_FileDBF& dbf, TFakeLayer& fields, std::uint32_t record) {
  for (int f = 0; f < fields.FieldCount(); ++f) {
    try {
      (void)dbf.GetField(record, f);
    } catch (const EGIS_Exception&) {
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("table.dbf", data, size);
  try {
    TFakeLayer fields;
    TGIS_FileDBF dbf(path, nullptr, nullptr, false, fields);
    const std::uint32_t count = dbf.RecordCount();
    for (std::uint32_t r = 1; r <= std::min(count, 5u); ++r)
      ReadRecord(dbf, fields, r);
    if (count > 5) ReadRecord(dbf, fields, count);
    if (fields.FieldCount() > 0) {
      try {
        (void)dbf.GetField(1, fields.Fields.front().Name);
      } catch (const EGIS_Exception&) {
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
