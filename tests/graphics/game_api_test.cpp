// Loading the Game API library by name and calling through it.
#include <gtest/gtest.h>

#include "graphics/game_api.h"
#include "platform/gx_abi.h"
#include "platform/platform.h"

namespace abacine {
namespace {

const std::string kGxPath = std::string(ABACINE_BINARY_DIR) + "/bin/gx.so";

class GameApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    api().Unload();
    ASSERT_TRUE(platform::TheDevice().Reset(platform::DeviceConfig::WithPitchSigns(240, 320, 1, 1)));
  }
  void TearDown() override {
    api().Unload();
    api().UseDefaultSearchList();
    platform::TheDevice().Reset(platform::DeviceConfig{});
  }
  static GameApiLibrary& api() { return GameApiLibrary::Instance(); }
};

TEST_F(GameApiTest, DefaultSearchIsBesideTheProgramThenTheSystemPath) {
  api().UseDefaultSearchList();
  const std::vector<std::string> list = api().SearchList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0], platform::ProgramDirectory() + "/gx.so");
  EXPECT_EQ(list[1], "gx.so");
}

TEST_F(GameApiTest, LoadsOnceAndCallsReachTheLibrary) {
  api().SetSearchList({kGxPath});
  ASSERT_EQ(LoadGameApi(), kOk);
  EXPECT_TRUE(api().IsLoaded());
  ASSERT_EQ(LoadGameApi(), kOk);  // nothing more to do

  const GXDisplayProperties p = api().GetDisplayProperties();
  EXPECT_EQ(p.width, 240u);
  EXPECT_EQ(p.yPitch, 480);
  EXPECT_EQ(api().GetDefaultKeys(kGameApiLandscapeKeys).keys[7].key, 0x7B);
  EXPECT_EQ(api().OpenInput(), 1);
  EXPECT_EQ(api().CloseInput(), 1);
  EXPECT_EQ(api().SetViewport(0, 320, 0, 0), 0);
  EXPECT_EQ(api().IsDisplayDramBuffer(), 0);
  const platform::Device& d = platform::TheDevice();
  EXPECT_EQ(d.CountGameApiCalls(kGxCallGetDisplayProperties), 1);
  EXPECT_EQ(d.CountGameApiCalls(kGxCallGetDefaultKeys), 1);
  EXPECT_EQ(d.CountGameApiCalls(kGxCallSetViewport), 1);
  EXPECT_EQ(d.CountGameApiCalls(kGxCallIsDisplayDramBuffer), 1);
}

TEST_F(GameApiTest, LaterCandidatesAreTriedWhenEarlierOnesAreMissing) {
  api().SetSearchList({"/nonexistent/gx.so", "", kGxPath});
  EXPECT_EQ(LoadGameApi(), kOk);
}

TEST_F(GameApiTest, MissingLibraryFailsAndNothingIsCalled) {
  struct Row {
    const char* name;
    std::vector<std::string> list;
  };
  const Row rows[] = {
      {"no such file", {"/nonexistent/gx.so"}},
      {"no candidates", {}},
      // A real library without the twelve entry points is not the Game API.
      {"wrong library", {"libz.so.1"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    api().Unload();
    api().SetSearchList(r.list);
    platform::TheDevice().ClearGameApiLog();
    EXPECT_EQ(LoadGameApi(), kErrGameApiMissing);
    EXPECT_FALSE(api().IsLoaded());
    // Every wrapper answers "failed" without a call through a missing pointer.
    EXPECT_EQ(api().OpenDisplay(nullptr, 1), 0);
    EXPECT_EQ(api().CloseDisplay(), 0);
    EXPECT_EQ(api().BeginDraw(), nullptr);
    EXPECT_EQ(api().EndDraw(), 0);
    EXPECT_EQ(api().OpenInput(), 0);
    EXPECT_EQ(api().CloseInput(), 0);
    EXPECT_EQ(api().GetDisplayProperties().width, 0u);
    EXPECT_EQ(api().GetDefaultKeys(2).keys[0].key, 0);
    EXPECT_EQ(api().Suspend(), 0);
    EXPECT_EQ(api().Resume(), 0);
    EXPECT_EQ(api().SetViewport(0, 0, 0, 0), 0);
    EXPECT_EQ(api().IsDisplayDramBuffer(), 0);
    EXPECT_TRUE(platform::TheDevice().GameApiLog().empty());
  }
}

TEST_F(GameApiTest, MissingLibraryWithTheDefaultSearch) {
  // The test program's folder has no gx.so and the system path has none.
  api().UseDefaultSearchList();
  EXPECT_EQ(LoadGameApi(), kErrGameApiMissing);
}

TEST_F(GameApiTest, UnloadForgetsTheEntryPoints) {
  api().SetSearchList({kGxPath});
  ASSERT_EQ(LoadGameApi(), kOk);
  api().Unload();
  EXPECT_FALSE(api().IsLoaded());
  EXPECT_EQ(api().OpenInput(), 0);
  api().Unload();  // twice is harmless
  ASSERT_EQ(LoadGameApi(), kOk);
}

}  // namespace
}  // namespace abacine
