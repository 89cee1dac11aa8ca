#include "platform/forms/ProgramApplication.h"

#include <QApplication>

struct TProgramApplication::TImpl {
  TImpl(int& argc, char** argv) : app(argc, argv) {}
  QApplication app;
};

TProgramApplication::TProgramApplication(int& argc, char** argv)
    : impl_(std::make_unique<TImpl>(argc, argv)) {}

TProgramApplication::~TProgramApplication() = default;
