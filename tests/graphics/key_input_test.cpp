// Hardware game keys: opening and closing, the key list's order and sign,
// and the direction keys following the display for all orientation pairs.
#include <array>

#include "display_test_support.h"
#include "graphics/key_input.h"

namespace abacine::display_test {
namespace {

using platform::DeviceConfig;

constexpr int32_t U = 0x26, D = 0x28, L = 0x25, R = 0x27;
const std::array<int16_t, 8> kStored = {U, D, L, R, 0x78, 0x79, 0x7A, 0x7B};

struct Pair {
  int32_t system, requested;
  int32_t up, down, left, right;
};

// Same orientation: unchanged; half turn: opposites; quarter turns as the
// screen is turned under the user's hand.
constexpr Pair kPairs[] = {
    {1, 1, U, D, L, R}, {1, 2, L, R, D, U}, {1, 4, R, L, U, D}, {1, 8, D, U, R, L},
    {2, 1, R, L, U, D}, {2, 2, U, D, L, R}, {2, 4, D, U, R, L}, {2, 8, L, R, D, U},
    {4, 1, L, R, D, U}, {4, 2, D, U, R, L}, {4, 4, U, D, L, R}, {4, 8, R, L, U, D},
    {8, 1, D, U, R, L}, {8, 2, R, L, U, D}, {8, 4, L, R, D, U}, {8, 8, U, D, L, R},
};

TEST(RemapDirectionKeyTest, AllSixteenOrientationPairs) {
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(::testing::Message() << p.system << "," << p.requested);
    EXPECT_EQ(RemapDirectionKey(U, kStored, p.system, p.requested), p.up);
    EXPECT_EQ(RemapDirectionKey(D, kStored, p.system, p.requested), p.down);
    EXPECT_EQ(RemapDirectionKey(L, kStored, p.system, p.requested), p.left);
    EXPECT_EQ(RemapDirectionKey(R, kStored, p.system, p.requested), p.right);
    // Other keys never move.
    EXPECT_EQ(RemapDirectionKey(0x78, kStored, p.system, p.requested), 0x78);
    EXPECT_EQ(RemapDirectionKey('A', kStored, p.system, p.requested), 'A');
  }
}

TEST(RemapDirectionKeyTest, UnknownOrientationCodesChangeNothing) {
  const int32_t pairs[][2] = {{0, 2}, {3, 4}, {1, 16}, {5, 8}, {-1, 2}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(::testing::Message() << p[0] << "," << p[1]);
    EXPECT_EQ(RemapDirectionKey(U, kStored, p[0], p[1]), U);
    EXPECT_EQ(RemapDirectionKey(L, kStored, p[0], p[1]), L);
  }
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
}

class KeyInputTest : public DisplayTest {};

TEST_F(KeyInputTest, OpenCloseAndTheirFailures) {
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

TEST_F(KeyInputTest, MissingGameApiFailsTheOpen) {
  GameApiLibrary::Instance().SetSearchList({"/nonexistent/gx.so"});
  KeyInput keys(context_.get());
  EXPECT_EQ(keys.OpenKeyInput(), kErrGameApiMissing);
  EXPECT_FALSE(keys.IsOpen());
  GameKeyList list;
  EXPECT_EQ(keys.GetKeyList(&list), kErrKeyInputNotOpen);
}

TEST_F(KeyInputTest, DestructorClosesTheInput) {
  {
    KeyInput keys(context_.get());
    ASSERT_EQ(keys.OpenKeyInput(), kOk);
  }
  EXPECT_EQ(GxCalls(kGxCallCloseInput), 1);
}

TEST_F(KeyInputTest, ListOrderIsUpDownLeftRightStartABCWithSignWidened) {
  DeviceConfig c = DeviceConfig::WithPitchSigns(240, 320, 1, 1);
  c.gameKeys = {11, 12, 13, 14, -15, 16, 0x7FFF, -32768};  // up down left right A B C start
  UseDevice(c);
  KeyInput keys(context_.get());
  ASSERT_EQ(keys.OpenKeyInput(), kOk);
  GameKeyList list;
  ASSERT_EQ(keys.GetKeyList(&list), kOk);
  EXPECT_EQ(list.up, 11);
  EXPECT_EQ(list.down, 12);
  EXPECT_EQ(list.left, 13);
  EXPECT_EQ(list.right, 14);
  EXPECT_EQ(list.start, -32768);
  EXPECT_EQ(list.a, -15);
  EXPECT_EQ(list.b, 16);
  EXPECT_EQ(list.c, 0x7FFF);
}

TEST_F(KeyInputTest, ListFollowsTheDisplayForAllSixteenPairs) {
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(::testing::Message() << p.system << "," << p.requested);
    // The system's orientation reaches the display through the raw
    // frame-buffer open; the requested one through SetScreenOrientation.
    const int32_t value = p.system == 2 ? 1 : p.system == 8 ? 2 : p.system == 4 ? 4 : 0;
    UseDevice(RawDevice(1, 1, value));
    ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
    ASSERT_EQ(display_->SetScreenOrientation(p.requested), kOk);
    KeyInput keys(context_.get());
    ASSERT_EQ(keys.OpenKeyInput(), kOk);
    GameKeyList list;
    ASSERT_EQ(keys.GetKeyList(&list), kOk);
    EXPECT_EQ(list.up, p.up);
    EXPECT_EQ(list.down, p.down);
    EXPECT_EQ(list.left, p.left);
    EXPECT_EQ(list.right, p.right);
    EXPECT_EQ(list.start, 0x7B);
    EXPECT_EQ(list.a, 0x78);
    display_->Close();
  }
}

TEST_F(KeyInputTest, NullContextUsesTheHardwareOrientation) {
  KeyInput keys(nullptr);
  ASSERT_EQ(keys.OpenKeyInput(), kOk);
  GameKeyList list;
  ASSERT_EQ(keys.GetKeyList(&list), kOk);
  EXPECT_EQ(list.up, U);
  EXPECT_EQ(list.left, L);
}

}  // namespace
}  // namespace abacine::display_test
