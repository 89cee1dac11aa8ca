// An external decoder library loaded at run time and shared by every layer
// of one format: loaded by the first layer that needs it, counted by layer
// instances, unloaded when the last instance goes. The MrSID and ECW layers
// hold one each.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/DynLib.h"

class TGIS_DecoderLibrary {
public:
  /// `name` is the library's Windows name ("NCSEcw.dll"); `required` the
  /// entry points that must resolve, `optional` those only looked up.
  TGIS_DecoderLibrary(std::string name, std::vector<std::string> required,
                      std::vector<std::string> optional = {});

  const std::string& Name() const { return name_; }
  bool Loaded() const { return module_ != nullptr; }
  /// Loads the library and resolves its entry points (nothing when loaded);
  /// false when it does not load or a required entry point is missing.
  bool Load();
  /// The address of an entry point looked up at Load (null when absent).
  void* Entry(const std::string& name) const;
  template <class TFunction> TFunction Function(const std::string& name) const {
    return reinterpret_cast<TFunction>(Entry(name));
  }

  /// The layer-instance count (Create adds, Destroy drops and unloads at 0).
  int Instances() const { return instances_; }
  void AddInstance() { ++instances_; }
  /// Drops one instance; false when the count was already 0 (a fault).
  bool DropInstance();
  void Unload();

private:
  std::string name_;
  std::vector<std::string> required_, optional_;
  std::vector<void*> entries_;
  HMODULE module_ = nullptr;
  int instances_ = 0;
};
