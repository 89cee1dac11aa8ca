// TSingleInstance: the tool window's guard against a second running copy of
// the program. Created as the window's last component, it looks for a running
// instance (same user, same program identity): when there is one, that
// instance is asked to come forward and this process ends at once with exit
// code 0, before anything else of it is made (no settings are read or
// written). Otherwise the window is registered, so that later starts find it
// and bring it forward (restored when minimised).
#pragma once

#include "platform/forms/Components.h"

#include <memory>
#include <string>

class TForm;
class TInstanceRegistration;

class TSingleInstance : public TComponent {
public:
  /// The identity every instance of the program shares.
  static constexpr const char* kClassName = "TFSkorvaplinth";
  static constexpr const char* kTitle = "Skorva Plinth";

  /// Ends the process through Halt(0) when another instance runs.
  TSingleInstance(TForm* owner, const std::string& className = kClassName,
                  const std::string& title = kTitle);
  ~TSingleInstance() override;

  bool Registered() const;

private:
  std::unique_ptr<TInstanceRegistration> registration_;
};
