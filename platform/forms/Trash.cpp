#include "platform/forms/Trash.h"

#include <QFile>

#include "platform/rtl/Files.h"

bool MoveToTrash(const std::string& path) {
  return QFile::moveToTrash(QString::fromStdString(ExpandFileName(path)));
}
