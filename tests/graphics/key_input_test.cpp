// Hardware game keys: opening and closing, the key list's order and sign,
// and the direction keys following the display for all orientation pairs.
#include <array>

#include "display_test_support.h"
#include "graphics/key_input.h"

namespace abacine::display_test {
namespace {

constexpr int32_t U = 0x26, D = 0x28, L = 0x25, R = 0x27;
const std::array<int16_t, 8> kStored = {U, D, L, R, 0x78, 0x79, 0x7A, 0x7B};

TEST(RemapDirectionKeyTest, OtherKeysAndUnknownOrientationCodesChangeNothing) {
  for (const auto& [s, q] : std::initializer_list<std::pair<int32_t, int32_t>>{{0, 2}, {3, 4}, {1, 16}, {5, 8}, {-1, 2}}) {
    SCOPED_TRACE(::testing::Message() << s << "," << q);
    EXPECT_EQ(RemapDirectionKey(U, kStored, s, q), U);
    EXPECT_EQ(RemapDirectionKey(L, kStored, s, q), L);
  }
  for (int32_t key : {0x78, 0x7B, int32_t{'A'}}) EXPECT_EQ(RemapDirectionKey(key, kStored, 1, 2), key);
}

TEST(RemapDirectionKeyTest, SharedCodesAreDecidedByLeftRightUpDown) {
  // Up and left share a code: left is matched first.
  const std::array<int16_t, 8> shared = {5, 6, 5, 7, 0, 0, 0, 0};
  EXPECT_EQ(RemapDirectionKey(5, shared, 1, 8), 7);  // left -> right's code
  EXPECT_EQ(RemapDirectionKey(5, shared, 1, 2), 6);  // left -> down's code
  EXPECT_EQ(RemapDirectionKey(5, shared, 1, 4), 5);  // left -> up's code
  // Down and right share a code: right first.
  const std::array<int16_t, 8> shared2 = {1, 9, 3, 9, 0, 0, 0, 0};
  EXPECT_EQ(RemapDirectionKey(9, shared2, 1, 8), 3);  // right -> left's code
  // Up and down share a code: up first.
  const std::array<int16_t, 8> shared3 = {4, 4, 1, 2, 0, 0, 0, 0};
  EXPECT_EQ(RemapDirectionKey(4, shared3, 1, 2), 1);  // up -> left's code
}

class KeyInputTest : public DisplayTest {};

TEST_F(KeyInputTest, OpenCloseAndTheirFailures) {
  {
    KeyInput keys(context_.get());
    GameKeyList list;
    EXPECT_EQ(keys.GetKeyList(&list), kErrKeyInputNotOpen);
    EXPECT_EQ(keys.CloseKeyInput(), kErrKeyInputNotOpen);
    ASSERT_EQ(keys.OpenKeyInput(), kOk);
    EXPECT_EQ(keys.OpenKeyInput(), kErrKeyInputAlreadyOpen);
    EXPECT_EQ(GxCalls(kGxCallOpenInput), 1);
    EXPECT_EQ(GxCalls(kGxCallGetDefaultKeys), 1);
    EXPECT_EQ(keys.GetKeyList(nullptr), kErrInvalidArg);
    ASSERT_EQ(keys.CloseKeyInput(), kOk);
    EXPECT_EQ(keys.CloseKeyInput(), kErrKeyInputNotOpen);
    EXPECT_EQ(GxCalls(kGxCallCloseInput), 1);
    ASSERT_EQ(keys.OpenKeyInput(), kOk);  // opens again after closing
  }
  EXPECT_EQ(GxCalls(kGxCallCloseInput), 2);  // the destructor closes the input
  GameApiLibrary::Instance().Unload();
  GameApiLibrary::Instance().SetSearchList({"/nonexistent/gx.so"});
  KeyInput keys(context_.get());
  EXPECT_EQ(keys.OpenKeyInput(), kErrGameApiMissing);
  GameKeyList list;
  EXPECT_EQ(keys.GetKeyList(&list), kErrKeyInputNotOpen);
}

TEST_F(KeyInputTest, ListOrderIsUpDownLeftRightStartABCWithSignWidened) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, 1, 1);
  c.game_keys = {11, 12, 13, 14, -15, 16, 0x7FFF, -32768};  // up down left right A B C start
  UseDevice(c);
  for (GraphicsContext* context : {context_.get(), static_cast<GraphicsContext*>(nullptr)}) {
    SCOPED_TRACE(context == nullptr ? "no context: hardware orientation" : "display closed");
    KeyInput keys(context);
    ASSERT_EQ(keys.OpenKeyInput(), kOk);
    GameKeyList list;
    ASSERT_EQ(keys.GetKeyList(&list), kOk);
    const std::array<int32_t, 8> got = {list.up, list.down, list.left, list.right, list.start, list.a, list.b, list.c};
    EXPECT_EQ(got, (std::array<int32_t, 8>{11, 12, 13, 14, -32768, -15, 16, 0x7FFF}));
  }
}

// Same orientation: unchanged; half turn: opposites; quarter turns as the
// screen is turned under the user's hand. The system's orientation reaches
// the display through the raw frame-buffer open, the requested one through
// SetScreenOrientation.
TEST_F(KeyInputTest, DirectionKeysFollowTheDisplayForAllSixteenPairs) {
  struct Pair { int32_t system, requested; int32_t up, down, left, right; };
  constexpr Pair kPairs[] = {
      {1, 1, U, D, L, R}, {1, 2, L, R, D, U}, {1, 4, R, L, U, D}, {1, 8, D, U, R, L},
      {2, 1, R, L, U, D}, {2, 2, U, D, L, R}, {2, 4, D, U, R, L}, {2, 8, L, R, D, U},
      {4, 1, L, R, D, U}, {4, 2, D, U, R, L}, {4, 4, U, D, L, R}, {4, 8, R, L, U, D},
      {8, 1, D, U, R, L}, {8, 2, R, L, U, D}, {8, 4, L, R, D, U}, {8, 8, U, D, L, R},
  };
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(::testing::Message() << p.system << "," << p.requested);
    UseDevice(RawDevice(1, 1, SystemValueOf(p.system)));
    ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
    ASSERT_EQ(display_->SetScreenOrientation(p.requested), kOk);
    KeyInput keys(context_.get());
    ASSERT_EQ(keys.OpenKeyInput(), kOk);
    GameKeyList list;
    ASSERT_EQ(keys.GetKeyList(&list), kOk);
    const std::array<int32_t, 8> got = {list.up, list.down, list.left, list.right, list.start, list.a, list.b, list.c};
    EXPECT_EQ(got, (std::array<int32_t, 8>{p.up, p.down, p.left, p.right, 0x7B, 0x78, 0x79, 0x7A}));
    display_->Close();
  }
}

}  // namespace
}  // namespace abacine::display_test
