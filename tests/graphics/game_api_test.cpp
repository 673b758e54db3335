// Loading the Game API library by name and calling through it.
#include <gtest/gtest.h>

#include "graphics/game_api.h"
#include "platform/gx_abi.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "support/game_api.h"

namespace abacine {
namespace {

using testing::kGxPath;

class GameApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    api().Unload();
    ASSERT_TRUE(platform::ResetForTesting(platform::DeviceConfig::WithPitchSigns(240, 320, 1, 1)));
  }
  void TearDown() override {
    testing::ForgetGameApi();
    platform::ResetForTesting();
  }
  static GameApiLibrary& api() { return GameApiLibrary::Instance(); }
};

TEST_F(GameApiTest, LoadsOnceAndCallsReachTheLibrary) {
  // Missing candidates are skipped.
  api().SetSearchList({"/nonexistent/gx.so", "", kGxPath});
  ASSERT_EQ(LoadGameApi(), kOk);
  EXPECT_TRUE(api().IsLoaded());
  api().SetSearchList({});
  ASSERT_EQ(LoadGameApi(), kOk);  // nothing more to do
  // The display and key tests check what comes back through these calls.
  api().GetDisplayProperties();
  api().GetDefaultKeys(kGameApiLandscapeKeys);
  EXPECT_EQ(api().OpenInput(), 1);
  EXPECT_EQ(api().CloseInput(), 1);
  EXPECT_EQ(api().SetViewport(0, 320, 0, 0), 0);
  EXPECT_EQ(api().IsDisplayDramBuffer(), 0);
  const platform::Device& d = platform::TheDevice();
  for (int32_t call : {kGxCallGetDisplayProperties, kGxCallGetDefaultKeys, kGxCallOpenInput, kGxCallCloseInput,
                       kGxCallSetViewport, kGxCallIsDisplayDramBuffer}) {
    EXPECT_EQ(d.CountGameApiCalls(call), 1) << call;
  }
  // Unloading forgets the entry points; twice is harmless.
  api().Unload();
  api().Unload();
  EXPECT_FALSE(api().IsLoaded());
  EXPECT_EQ(api().OpenInput(), 0);
}

TEST_F(GameApiTest, MissingLibraryFailsAndNothingIsCalled) {
  struct Row { const char* name; std::vector<std::string> list; };
  const Row rows[] = {
      {"no such file", {"/nonexistent/gx.so"}}, {"no candidates", {}},
      // A real library without the twelve entry points is not the Game API.
      {"wrong library", {"libz.so.1"}},
      // Beside the test program and on the system path there is none.
      {"the default search", {platform::ProgramDirectory() + "/gx.so", "gx.so"}},
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
  // The default search list is exactly that.
  api().UseDefaultSearchList();
  EXPECT_EQ(api().SearchList(), rows[3].list);
}

}  // namespace
}  // namespace abacine
