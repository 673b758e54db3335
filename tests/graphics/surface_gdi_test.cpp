// The GDI stand-in (bitmap sections, memory contexts, block copies) and
// surfaces over memory they do not own: the display's frame buffer (kind 2,
// with real pitches and padding) and a GDI bitmap (kind 4).
#include <gtest/gtest.h>

#include "graphics/surface.h"
#include "platform/gdi.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::TestContext;

platform::BitmapInfo Info(int32_t w, int32_t h) {
  platform::BitmapInfo info;
  info.header.width = w;
  info.header.height = h;
  return info;
}

TEST(GdiTest, BitmapHeadersAreValidated) {
  struct Row {
    const char* name;
    platform::BitmapInfo info;
    bool ok;
  };
  platform::BitmapInfo bad_size = Info(4, -4);
  bad_size.header.size = 12;
  platform::BitmapInfo bad_bits = Info(4, -4);
  bad_bits.header.bit_count = 24;
  platform::BitmapInfo bad_planes = Info(4, -4);
  bad_planes.header.planes = 2;
  platform::BitmapInfo bad_compression = Info(4, -4);
  bad_compression.header.compression = 1;
  platform::BitmapInfo rgb = Info(4, -4);
  rgb.header.compression = platform::kCompressionRgb;
  const Row rows[] = {
      {"top-down", Info(5, -3), true},       {"rgb", rgb, true},
      {"bottom-up", Info(4, 4), false},      {"zero height", Info(4, 0), false},
      {"zero width", Info(0, -4), false},    {"negative width", Info(-4, -4), false},
      {"header size", bad_size, false},      {"24 bits", bad_bits, false},
      {"2 planes", bad_planes, false},       {"compression 1", bad_compression, false},
      {"too large", Info(1 << 15, -(1 << 15)), false},
      {"overflowing", Info(INT32_MAX, INT32_MIN), false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    void* bits = reinterpret_cast<void*>(1);
    platform::BitmapHandle b = platform::CreateDibSection(&r.info, &bits);
    EXPECT_EQ(b != nullptr, r.ok);
    if (b != nullptr) {
      EXPECT_EQ(bits, platform::BitmapBits(b));
      EXPECT_EQ(platform::BitmapHeight(b), -r.info.header.height);
      EXPECT_TRUE(platform::DeleteBitmap(b));
    } else {
      EXPECT_EQ(bits, reinterpret_cast<void*>(1));
    }
  }
  EXPECT_EQ(platform::CreateDibSection(nullptr, nullptr), nullptr);
}

TEST(GdiTest, RowsArePaddedToFourBytesAndStartZeroed) {
  const platform::BitmapInfo info = Info(5, -3);
  void* bits = nullptr;
  platform::BitmapHandle b = platform::CreateDibSection(&info, &bits);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(platform::BitmapStrideBytes(b), 12);
  const auto* p = static_cast<const uint16_t*>(bits);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_TRUE(platform::DeleteBitmap(b));
  EXPECT_FALSE(platform::DeleteBitmap(b));  // a stale handle is refused, not freed twice
}

TEST(GdiTest, SelectionRules) {
  const platform::BitmapInfo info = Info(4, -4);
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
  const platform::BitmapInfo small = Info(4, -3);
  const platform::BitmapInfo big = Info(6, -5);
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
  TestContext tc_;
  std::vector<uint16_t> memory_;
  Surface primary_{&tc_.ctx};
};

TEST_F(FrameBufferTest, WholeFillLeavesThePaddingAlone) {
  ASSERT_EQ(primary_.FillArea(nullptr, 0x00FFFFFF, 0, nullptr), kOk);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kStride; ++x)
      EXPECT_EQ(memory_[static_cast<size_t>(y * kStride + x)], x < kW ? 0xFFFF : 0x7777) << x << "," << y;
}

TEST_F(FrameBufferTest, WholeCopyRunsRowByRowOntoThePaddedBuffer) {
  Surface back(&tc_.ctx);
  ASSERT_EQ(back.Create(0, kW, kH), kOk);
  ASSERT_EQ(back.FillArea(nullptr, 0x000000FF, 0, nullptr), kOk);
  ASSERT_EQ(primary_.BlitAt(0, 0, &back, nullptr, 0, nullptr), kOk);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kStride; ++x)
      EXPECT_EQ(memory_[static_cast<size_t>(y * kStride + x)], x < kW ? 0xF800 : 0x7777);
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
  tc_.State().current_orientation = 2;
  for (int32_t y = 0; y < kW; ++y)
    for (int32_t x = 0; x < kH; ++x) {
      const Rect one{x, y, x + 1, y + 1};
      ASSERT_EQ(primary_.FillArea(&one, testing::PixelToColour(static_cast<uint16_t>(x * 16 + y)), 0,
                                  nullptr),
                kOk);
      const int32_t hx = y, hy = kH - 1 - x;
      EXPECT_EQ(memory_[static_cast<size_t>(hy * kStride + hx)], x * 16 + y) << x << "," << y;
    }
}

}  // namespace
}  // namespace abacine
