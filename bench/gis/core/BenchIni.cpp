// Typed ini files at 10k and 100k items: numbered string lists written and
// read back, files of many sections loaded, keys read in a large section.
// Each work grows linearly with the items, so the 100k run should take about
// ten times the 10k run; the key reads should take the same time at both sizes.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/support/RatioReporter.h"
#include "gis/core/GisIni.h"
#include "gis/core/GisKernel.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Strings.h"

namespace {

// WriteStringList over a section that already holds the list, then
// ReadStringList.
void BM_IniStringList(benchmark::State& state) {
  GisKernelInit();
  const int n = static_cast<int>(state.range(0));
  TStringList list;
  for (int i = 0; i < n; ++i)
    list.Add("item " + IntToStr(i));
  TGIS_Ini ini(nullptr, "");
  ini.WriteStringList("Line.Item", &list);
  for (auto _ : state) {
    ini.WriteStringList("Line.Item", &list);
    TStringList back;
    ini.ReadStringList("Line.Item", &back);
    benchmark::DoNotOptimize(back.Count());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// Parsing the lines of a file with one key in each of n sections.
void BM_IniLoadSections(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TStringList lines;
  for (int i = 0; i < n; ++i) {
    lines.Add("[Vornakel Layer" + IntToStr(i) + "]");
    lines.Add("Name=layer " + IntToStr(i));
  }
  for (auto _ : state) {
    TMemIniFile ini("");
    ini.SetStrings(lines);
    benchmark::DoNotOptimize(ini.ReadString("vornakel layer1", "name", ""));
  }
  state.SetItemsProcessed(state.iterations() * n);
}

// 1000 key reads in a section of n keys.
void BM_IniKeyReads(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  TMemIniFile ini("");
  for (int i = 0; i < n; ++i)
    ini.WriteString("Vornakel Layer", "Key" + IntToStr(i), IntToStr(i));
  for (auto _ : state) {
    int found = 0;
    for (int i = 0; i < 1000; ++i)
      found += !ini.ReadString("vornakel layer", "KEY" + IntToStr(i * (n / 1000)), "").empty();
    benchmark::DoNotOptimize(found);
  }
}

const bool ratios = AddBenchRatio("ini string list, 100k / 10k items", "BM_IniStringList/100000",
                                  "BM_IniStringList/10000") &&
                    AddBenchRatio("ini load, 100k / 10k sections", "BM_IniLoadSections/100000",
                                  "BM_IniLoadSections/10000") &&
                    AddBenchRatio("ini 1000 key reads, 100k / 10k keys", "BM_IniKeyReads/100000",
                                  "BM_IniKeyReads/10000");

} // namespace

BENCHMARK(BM_IniStringList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IniLoadSections)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IniKeyReads)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
