// The search for a running instance of the program: windows register their
// class name and title; a second instance that finds a window with equal
// class name and title asks it to come forward and then ends.
//
// Each registration is a local socket server named after the user and the
// (class name, title) pair; a stale socket left by a crashed instance is
// removed and taken over.
#pragma once

#include <functional>
#include <memory>
#include <string>

class TForm;

class TInstanceRegistration {
public:
  /// Registers the window; `onRaise` runs (on the user-interface thread) when
  /// another instance asks. Without one, an open box or dialog of this
  /// program comes forward; else the form is restored if minimised, or shown
  /// and brought forward.
  TInstanceRegistration(const std::string& className, const std::string& title, TForm* form,
                        std::function<void()> onRaise = nullptr);
  ~TInstanceRegistration();
  TInstanceRegistration(const TInstanceRegistration&) = delete;
  TInstanceRegistration& operator=(const TInstanceRegistration&) = delete;
  bool Listening() const;
  /// The socket's path while listening.
  std::string SocketPath() const;

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

/// True when a window with this class name and title runs in another
/// instance of the program; that instance has been asked to come forward.
bool ActivateRunningInstance(const std::string& className, const std::string& title);
