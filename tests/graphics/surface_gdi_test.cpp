// The GDI stand-in (bitmap sections, memory contexts, block copies) and
// surfaces over memory they do not own: the display's frame buffer (kind 2,
// with real pitches and padding).
#include <gtest/gtest.h>

#include <vector>

#include "graphics/surface.h"
#include "platform/gdi.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using platform::BitmapInfo;
using testing::TestContext;

BitmapInfo Info(int32_t w, int32_t h) {
  BitmapInfo info;
  info.header.width = w;
  info.header.height = h;
  return info;
}

TEST(GdiTest, BitmapHeadersAreValidated) {
  struct Row {
    const char* name;
    BitmapInfo info;
    void (*edit)(BitmapInfo&);
    int32_t stride;  // bytes per row when made, 0 when refused
  };
  const auto keep = [](BitmapInfo&) {};
  const Row rows[] = {
      {"top-down", Info(5, -3), keep, 12},
      {"rgb", Info(4, -4), [](BitmapInfo& i) { i.header.compression = platform::kCompressionRgb; }, 8},
      {"bottom-up", Info(4, 4), keep, 0},
      {"zero height", Info(4, 0), keep, 0},
      {"zero width", Info(0, -4), keep, 0},
      {"negative width", Info(-4, -4), keep, 0},
      {"header size", Info(4, -4), [](BitmapInfo& i) { i.header.size = 12; }, 0},
      {"24 bits", Info(4, -4), [](BitmapInfo& i) { i.header.bit_count = 24; }, 0},
      {"2 planes", Info(4, -4), [](BitmapInfo& i) { i.header.planes = 2; }, 0},
      {"compression 1", Info(4, -4), [](BitmapInfo& i) { i.header.compression = 1; }, 0},
      {"too large", Info(1 << 15, -(1 << 15)), keep, 0},
      {"overflowing", Info(INT32_MAX, INT32_MIN), keep, 0},
  };
  for (Row r : rows) {
    SCOPED_TRACE(r.name);
    r.edit(r.info);
    void* bits = reinterpret_cast<void*>(1);
    platform::BitmapHandle b = platform::CreateDibSection(&r.info, &bits);
    ASSERT_EQ(b != nullptr, r.stride != 0);
    if (b == nullptr) {
      EXPECT_EQ(bits, reinterpret_cast<void*>(1));
      continue;
    }
    EXPECT_EQ(bits, platform::BitmapBits(b));
    EXPECT_EQ(platform::BitmapHeight(b), -r.info.header.height);
    EXPECT_EQ(platform::BitmapStrideBytes(b), r.stride);
    const auto* p = static_cast<const uint16_t*>(bits);
    for (int i = 0; i < r.stride / 2 * platform::BitmapHeight(b); ++i) ASSERT_EQ(p[i], 0);
    EXPECT_TRUE(platform::DeleteBitmap(b));
    EXPECT_FALSE(platform::DeleteBitmap(b));  // a stale handle is refused, not freed twice
  }
  EXPECT_EQ(platform::CreateDibSection(nullptr, nullptr), nullptr);
}

TEST(GdiTest, SelectionRules) {
  const BitmapInfo info = Info(4, -4);
  platform::BitmapHandle a = platform::CreateDibSection(&info, nullptr);
  platform::BitmapHandle b = platform::CreateDibSection(&info, nullptr);
  platform::DcHandle one = platform::CreateCompatibleDc(nullptr);
  platform::DcHandle two = platform::CreateCompatibleDc(one);
  ASSERT_TRUE(a && b && one && two);
  EXPECT_EQ(platform::SelectBitmap(one, a), nullptr);
  EXPECT_EQ(platform::SelectedBitmap(one), a);
  EXPECT_EQ(platform::SelectBitmap(two, a), nullptr);  // already in `one`
  EXPECT_EQ(platform::SelectedBitmap(two), nullptr);
  EXPECT_FALSE(platform::DeleteBitmap(a));             // still selected
  EXPECT_EQ(platform::SelectBitmap(one, b), a);        // the previous one comes back
  EXPECT_TRUE(platform::DeleteBitmap(a));
  EXPECT_TRUE(platform::DeleteDc(one));                // b is unselected with it
  EXPECT_TRUE(platform::DeleteBitmap(b));
  EXPECT_FALSE(platform::DeleteDc(one));
  EXPECT_EQ(platform::SelectBitmap(nullptr, b), nullptr);
  EXPECT_EQ(platform::SelectedBitmap(one), nullptr);
  EXPECT_TRUE(platform::DeleteDc(two));
}

TEST(GdiTest, BlockCopyIsClippedToBothBitmaps) {
  const BitmapInfo small = Info(4, -3);
  const BitmapInfo big = Info(6, -5);
  void* sbits = nullptr;
  void* dbits = nullptr;
  platform::BitmapHandle s = platform::CreateDibSection(&small, &sbits);
  platform::BitmapHandle d = platform::CreateDibSection(&big, &dbits);
  platform::DcHandle sdc = platform::CreateCompatibleDc(nullptr);
  platform::DcHandle ddc = platform::CreateCompatibleDc(nullptr);
  platform::SelectBitmap(sdc, s);
  platform::SelectBitmap(ddc, d);
  auto* sp = static_cast<uint16_t*>(sbits);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) sp[y * 4 + x] = static_cast<uint16_t>(10 * y + x + 1);
  EXPECT_FALSE(platform::BitBlt(ddc, 0, 0, 4, 3, sdc, 0, 0, 0x00EE0086));  // not a plain copy
  // Starts left of and above the target, asks for more than the source has.
  ASSERT_TRUE(platform::BitBlt(ddc, -1, 3, 100, 100, sdc, 0, 0, platform::kRasterSourceCopy));
  const auto* dp = static_cast<const uint16_t*>(dbits);
  const int stride = platform::BitmapStrideBytes(d) / 2;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const uint16_t want = (y >= 3 && x < 3) ? static_cast<uint16_t>(10 * (y - 3) + x + 2) : 0;
      EXPECT_EQ(dp[y * stride + x], want) << x << "," << y;
    }
  EXPECT_TRUE(platform::BitBlt(ddc, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX, sdc, INT32_MIN,
                               0, platform::kRasterSourceCopy));
  platform::DeleteDc(sdc);
  platform::DeleteDc(ddc);
  EXPECT_FALSE(platform::BitBlt(ddc, 0, 0, 1, 1, sdc, 0, 0, platform::kRasterSourceCopy));
  platform::DeleteBitmap(s);
  platform::DeleteBitmap(d);
}

// A frame buffer with padding between its memory rows, as a display hands
// it out: the primary surface is laid out with the real pitches.
class FrameBufferTest : public ::testing::Test {
 protected:
  static constexpr int32_t kW = 6, kH = 4, kStride = 8;  // pixels per memory row
  void SetUp() override {
    tc_.State().properties = DisplayProperties{kW, kH, 2, kStride * 2, 16, 0xA0};
    memory_.assign(kStride * kH, 0x7777);
    primary_.AttachPixels(kSurfaceDisplay, memory_.data(), static_cast<uint32_t>(memory_.size() * 2));
    primary_.SetFlags(kSurfaceSystemMemory);
    primary_.SetLogicalSize(kW, kH);
    const SurfaceLayout l = ComputeLayout(1, 2, kStride * 2, kW, kH, kStride);
    primary_.SetLayoutSteps(l.origin, l.x_step, l.y_step, l.orientation);
  }
  void ExpectRows(uint16_t pixel) {
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kStride; ++x)
        EXPECT_EQ(memory_[static_cast<size_t>(y * kStride + x)], x < kW ? pixel : 0x7777)
            << x << "," << y;
  }
  TestContext tc_;
  std::vector<uint16_t> memory_;
  Surface primary_{&tc_.ctx};
};

TEST_F(FrameBufferTest, WholeFillAndCopyLeaveThePaddingAlone) {
  ASSERT_EQ(primary_.FillArea(nullptr, 0x00FFFFFF, 0, nullptr), kOk);
  ExpectRows(0xFFFF);
  Surface back(&tc_.ctx);
  ASSERT_EQ(back.Create(0, kW, kH), kOk);
  ASSERT_EQ(back.FillArea(nullptr, 0x000000FF, 0, nullptr), kOk);
  ASSERT_EQ(primary_.BlitAt(0, 0, &back, nullptr, 0, nullptr), kOk);
  ExpectRows(0xF800);
  // The display memory is never freed by the surface.
  primary_.ReleaseBuffer();
  EXPECT_EQ(primary_.Kind(), kSurfaceOwned);
  EXPECT_EQ(memory_[0], 0xF800);
}

TEST_F(FrameBufferTest, LayoutReachingPastTheMemoryIsRefused) {
  // A display that reports too little memory for its layout.
  primary_.AttachPixels(kSurfaceDisplay, memory_.data(), static_cast<uint32_t>(kStride * 2 * 2));
  const Rect bottom{0, 3, 2, 4};
  EXPECT_EQ(primary_.FillArea(&bottom, 0x00FFFFFF, 0, nullptr), kErrBadRect);
  EXPECT_EQ(primary_.PlotLine(0, 0, 5, 3, 0x00FFFFFF, 0), kErrBadRect);
  const Rect top{0, 0, 2, 2};
  EXPECT_EQ(primary_.FillArea(&top, 0x00FFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(memory_[static_cast<size_t>(3 * kStride)], 0x7777);
  platform::DcHandle dc = nullptr;
  EXPECT_EQ(primary_.AcquireDeviceContext(&dc), kErrWrongDisplayState);
}

TEST_F(FrameBufferTest, TurnedPrimaryMatchesTheHardwareTable) {
  // Code 2 on a W0 x H0 = 6 x 4 panel: logical 4 x 6, (x, y) -> (y, H0-1-x).
  primary_.SetLogicalSize(kH, kW);
  const SurfaceLayout l = ComputeLayout(2, 2, kStride * 2, kH, kW, kStride);
  primary_.SetLayoutSteps(l.origin, l.x_step, l.y_step, 2);
  tc_.Turn(2);
  for (int32_t y = 0; y < kW; ++y)
    for (int32_t x = 0; x < kH; ++x) {
      const Rect one{x, y, x + 1, y + 1};
      const auto id = static_cast<uint16_t>(x * 16 + y);
      ASSERT_EQ(primary_.FillArea(&one, testing::PixelToColour(id), 0, nullptr), kOk);
      EXPECT_EQ(memory_[static_cast<size_t>((kH - 1 - x) * kStride + y)], id) << x << "," << y;
    }
}

}  // namespace
}  // namespace abacine
