// Saving tiles: names from the counters, the byte copy, the description file
// and the refusals.
#include "app/TileSave.h"

#include "platform/rtl/DateTime.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct TileSaveTest : ::testing::Test {
  sktest::TTempDir app{"app-save"};
  sktest::TTempDir store{"app-store"};
  TTileSaveRequest request;

  void SetUp() override {
    app.Write("image1.bmp", std::string("BM fake capture \0 bytes", 24));
    request.AppDir = app.Path() + "/";
    request.StoreFolder = store.Path();
    request.Prefix = "ym";
    request.Nx = 3;
    request.Ny = -1;
    request.Template = "1\r\n0\r\n0\r\n-1\r\n<#WX>\r\n<#WY>\r\n";
    request.Wleft = "50.48826";
    request.Wtop = "5.2439";
    request.Utmleft = "8430.656";
    request.Utmtop = "5521.801";
    SetNowSourceForTests([] { return EncodeDate(2026, 12, 10) + EncodeTime(20, 5, 7, 0); });
  }
  void TearDown() override { SetNowSourceForTests(nullptr); }
};

TEST_F(TileSaveTest, CopiesThePictureAndWritesTheDescription) {
  const TTileSaveResult result = SaveTile(request);
  EXPECT_EQ(result.Message, "");
  EXPECT_EQ(result.ResultLine, store / "ym_3_-1.bmp file created at: 20:05:07");
  EXPECT_EQ(sktest::TTempDir::Read(store / "ym_3_-1.bmp"),
            sktest::TTempDir::Read(app / "image1.bmp"));
  EXPECT_EQ(sktest::TTempDir::Read(store / "ym_3_-1.jgw"),
            "1\r\n0\r\n0\r\n-1\r\n50.48826\r\n5.2439\r\n");

  // A second save refuses and leaves both files alone.
  app.Write("image1.bmp", "BM another capture");
  const TTileSaveResult again = SaveTile(request);
  EXPECT_EQ(again.Message, "File: " + (store / "ym_3_-1") +
                               ".bmp already exists. To save new file first remove old one. ");
  EXPECT_EQ(again.ResultLine, "");
  EXPECT_EQ(sktest::TTempDir::Read(store / "ym_3_-1.bmp"),
            std::string("BM fake capture \0 bytes", 24));
}

TEST_F(TileSaveTest, NamesUseTheCountersAsTheyStand) {
  request.Nx = 2.7L;
  request.Ny = 0;
  request.Template = "<#UX>;<#UY>";
  SaveTile(request);
  EXPECT_TRUE(std::filesystem::exists(store / "ym_2.7_0.bmp"));
  EXPECT_EQ(sktest::TTempDir::Read(store / "ym_2.7_0.jgw"), "8430.656;5521.801\r\n");
}

TEST_F(TileSaveTest, Refusals) {
  request.WithDescription = false;
  EXPECT_EQ(SaveTile(request).Message, "");
  EXPECT_TRUE(std::filesystem::exists(store / "ym_3_-1.bmp"));
  EXPECT_FALSE(std::filesystem::exists(store / "ym_3_-1.jgw"));

  request.StoreFolder = store / "missing";
  EXPECT_EQ(SaveTile(request).Message,
            "Folder: " + (store / "missing") +
                " not exists. Before saving - create or select store directory ... ");

  request.StoreFolder = store.Path();
  request.Prefix = "no-such-folder/ym";
  const TTileSaveResult failed = SaveTile(request);
  EXPECT_EQ(failed.Message.rfind("Picture is not saved, please repeat procedure: ", 0), 0u);
  EXPECT_EQ(failed.ResultLine, "");

  std::filesystem::remove(app / "image1.bmp");
  request.Prefix = "ym2";
  const TTileSaveResult nothing = SaveTile(request);
  EXPECT_EQ(nothing.Message, "");
  EXPECT_FALSE(std::filesystem::exists(store / "ym2_3_-1.bmp"));
}

} // namespace
