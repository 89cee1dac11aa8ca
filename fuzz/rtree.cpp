// The R-tree index file: any file opens or raises the kernel's error; an index
// that opened answers searches, takes inserts and deletions and commits.

#include <cstdint>
#include <string>

#include "fuzz/support/FuzzSupport.h"
#include "gis/core/GisKernel.h"
#include "gis/core/GisRTree.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  GisKernelInit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = skfuzz::WriteScratch("index.rtx", data, size);
  try {
    TGIS_RTree tree(path);
    const TGIS_Extent everything{-1e308, -1e308, 1e308, 1e308};
    int found = 0;
    for (std::int32_t uid = tree.FindFirst(everything, -1); uid >= 0 && found < 100000;
         uid = tree.FindNext())
      ++found;
    (void)tree.FindFirst(TGIS_Extent{0, 0, 10, 10}, 7);
    for (std::int32_t i = 0; i < 40; ++i)
      tree.Insert(TGIS_Extent{double(i), double(i), double(i) + 5, double(i) + 5}, 1000 + i);
    (void)tree.Delete(TGIS_Extent{3, 3, 8, 8}, 1003);
    (void)tree.Delete(everything, 7);
    (void)tree.FindFirst(TGIS_Extent{0, 0, 10, 10}, -1);
    tree.Commit(true);
  } catch (const Exception&) {
  }
  return 0;
}
