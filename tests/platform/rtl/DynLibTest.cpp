#include "platform/rtl/DynLib.h"
#include "platform/rtl/OsError.h"
#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

TEST(DynLib, LoadsFindsAndFrees) {
  HMODULE maths = LoadLibrary("libm.so.6");
  ASSERT_NE(maths, nullptr) << LibraryLoadError();
  auto* cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(maths, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(GetProcAddress(maths, "no_such_symbol_here"), nullptr);
  EXPECT_FALSE(LibraryLoadError().empty());
  EXPECT_TRUE(FreeLibrary(maths));
}

TEST(DynLib, FailuresReturnNullWithTheLoaderText) {
  EXPECT_EQ(LoadLibrary("NoSuchLibrary.dll"), nullptr);
  EXPECT_NE(LibraryLoadError().find("NoSuchLibrary.dll"), std::string::npos);
  EXPECT_NE(GetLastError(), 0);
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(DynLib, AliasesMapWindowsNames) {
  RegisterLibraryAlias("Maths.DLL", "libm.so.6");
  HMODULE viaAlias = LoadLibrary("C:\\Program Files\\maths.dll"); // file name, case ignored
  ASSERT_NE(viaAlias, nullptr) << LibraryLoadError();
  EXPECT_NE(GetProcAddress(viaAlias, "sqrt"), nullptr);
  EXPECT_TRUE(FreeLibrary(viaAlias));
  RegisterLibraryAlias("maths.dll", "");
  EXPECT_EQ(LoadLibrary("maths.dll"), nullptr);
}

// A bare "X.dll" is found as "libX.so" in the search folder first; other
// names and folders are not mapped.
TEST(DynLib, WindowsNamesFindSharedObjectsInTheSearchFolder) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("sk_dynlib_" + IntToStr(::getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::create_symlink("/lib/x86_64-linux-gnu/libm.so.6", dir / "libSkMaths.so");
  EXPECT_EQ(LoadLibrary("SkMaths.dll"), nullptr);
  SetLibrarySearchFolder(dir.string());
  EXPECT_EQ(LibrarySearchFolder(), dir.string());
  HMODULE m = LoadLibrary("SkMaths.DLL");
  ASSERT_NE(m, nullptr) << LibraryLoadError();
  EXPECT_NE(GetProcAddress(m, "sqrt"), nullptr);
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_EQ(LoadLibrary("skmaths.dll"), nullptr) << "the name keeps its letter case";
  EXPECT_NE(LibraryLoadError().find("skmaths.dll"), std::string::npos);
  SetLibrarySearchFolder("");
  EXPECT_EQ(LoadLibrary("SkMaths.dll"), nullptr);
  std::filesystem::remove_all(dir);
}
