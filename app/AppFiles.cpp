#include "app/AppFiles.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

namespace {

std::string& ExeNameOverride() {
  static std::string name;
  return name;
}

} // namespace

std::string ApplicationFolder() {
  const std::string& exe = ExeNameOverride().empty() ? ExeName() : ExeNameOverride();
  return IncludeTrailingPathDelimiter(ExtractFileDir(exe));
}

void SetExeNameForTests(const std::string& exeName) {
  ExeNameOverride() = exeName;
}

void SaveFileReplacing(const std::string& fileName,
                       const std::function<void(const std::string& temporary)>& write) {
  const std::string temporary = fileName + ".new";
  auto removeTemporary = ScopeExit([&] { DeleteFile(temporary); });
  try {
    write(temporary);
  } catch (Exception& e) {
    // The user knows the file, not the temporary one beside it.
    e.SetMessage(StringReplace(e.Message(), temporary, fileName, rfReplaceAll));
    throw;
  }
  if (!RenameFileReplacing(temporary, fileName))
    throw Exception("Cannot write " + fileName + ": " + SysErrorMessage(GetLastError()));
}

void SaveTextReplacing(const std::string& fileName, const std::string& text) {
  SaveFileReplacing(fileName, [&](const std::string& temporary) {
    TFileStream file(temporary, fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  });
}
