// Remembered passwords and connection values, keyed by a prefix (a layer's
// name, or a pixel store's macro-key prefix) and a name.
#pragma once

#include <string>
#include <utility>
#include <vector>

/// Lines KEY=value, KEY being UpperCase(prefix + "." + name).
class TGIS_PasswordList {
public:
  /// Stores value under the key; an empty value is not stored (an existing
  /// value under that key stays).
  void Add(const std::string& prefix, const std::string& name, const std::string& value);
  /// The stored value, '' when absent.
  std::string Get(const std::string& prefix, const std::string& name) const;
  /// Copies every entry of the other list in, replacing equal keys; null does
  /// nothing.
  void Merge(const TGIS_PasswordList* other);
  void Clear();
  int Count() const { return static_cast<int>(lines_.size()); }

private:
  void Put(const std::string& key, const std::string& value);
  std::vector<std::pair<std::string, std::string>> lines_;
};

/// The process-wide list (created by the kernel's start-up, or on first use;
/// freed at shutdown). The viewer's Close clears it.
TGIS_PasswordList& GisLayerPasswords();

// Start-up and shutdown (GisKernelInit / GisKernelDone).
void GisPasswordsInit();
void GisPasswordsDone();
