#include "gis/core/GisKernel.h"

#include <vector>

#include "gis/core/GisDefsNumbers.h"
#include "gis/core/GisDefsPasswords.h"
#include "gis/core/GisResource.h"

namespace {

struct Unit {
  std::string Name;
  std::function<void()> Init;
  std::function<void()> Done;
};

bool gStarted = false;

std::vector<Unit>& Units() {
  static std::vector<Unit> units;
  return units;
}

void StartFoundation() {
  GisResourceInit();
  GisNumbersInit();
  GisPasswordsInit();
}

void StopFoundation() {
  GisPasswordsDone();
  GisResourceDone();
}

} // namespace

void GisKernelInit() {
  if (gStarted) return;
  StartFoundation();
  gStarted = true;
  for (auto& unit : Units())
    if (unit.Init) unit.Init();
}

void GisKernelDone() {
  if (!gStarted) return;
  auto& units = Units();
  for (auto it = units.rbegin(); it != units.rend(); ++it) {
    try {
      if (it->Done) it->Done();
    } catch (...) {
      // Shutdown goes on for the remaining units.
    }
  }
  StopFoundation();
  gStarted = false;
}

bool GisKernelStarted() {
  return gStarted;
}

void GisKernelRegisterUnit(const std::string& name, std::function<void()> init,
                           std::function<void()> done) {
  for (const auto& unit : Units())
    if (unit.Name == name) return;
  Units().push_back({name, std::move(init), std::move(done)});
  if (gStarted && Units().back().Init) Units().back().Init();
}

void GisKernelResetForTests() {
  GisKernelDone();
  GisKernelInit();
}
