// The application object of a program: the toolkit's application made from
// the command line, for the lifetime of this object (create it after the
// environment is prepared and before the first window).
#pragma once

#include <memory>

class TProgramApplication {
public:
  TProgramApplication(int& argc, char** argv);
  ~TProgramApplication();
  TProgramApplication(const TProgramApplication&) = delete;
  TProgramApplication& operator=(const TProgramApplication&) = delete;

private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};
