#include "app/AppFiles.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"

std::string ApplicationFolder() { return IncludeTrailingPathDelimiter(ExtractFileDir(ExeName())); }

void SaveFileReplacing(const std::string& fileName,
                       const std::function<void(const std::string& temporary)>& write) {
  const std::string temporary = fileName + ".new";
  auto removeTemporary = ScopeExit([&] { DeleteFile(temporary); });
  write(temporary);
  if (!CopyFile(temporary, fileName, false)) throw Exception("Cannot write " + fileName);
}

void SaveTextReplacing(const std::string& fileName, const std::string& text) {
  SaveFileReplacing(fileName, [&](const std::string& temporary) {
    TFileStream file(temporary, fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  });
}
