// Surface life: creation flags and sizes, re-creation in place, release,
// colour key, clip rectangle, locking, device contexts, video access.
#include <gtest/gtest.h>

#include "graphics/surface.h"
#include "platform/gdi.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Put;
using testing::TestContext;

TEST(SurfaceCreateTest, FlagSetsAreValidated) {
  struct Row {
    uint32_t flags;
    ResultCode want;
  };
  const Row rows[] = {
      {0x0000, kOk},
      {0x0001, kOk},
      {0x0004, kOk},
      {0x0008, kOk},
      {0x0100, kOk},
      {0x0101, kOk},
      {0x0100 | 0x0200, kErrInvalidArg},
      {0x0400, kErrInvalidArg},
      {0x0800, kErrInvalidArg},
      {0x0200 | 0x0400 | 0x0800, kErrInvalidArg},
      {0x0200 | 0x0008, kErrInvalidArg},
      {0x0010, kErrInvalidArg},
      {0x1000, kErrInvalidArg},
      {0x8000, kErrInvalidArg},
      // Valid sets that ask for video memory, which no surface can get.
      {0x0200, kErrMemoryClassUnavailable},
      {0x0200 | 0x0400, kErrMemoryClassUnavailable},
  };
  TestContext tc;
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "flags 0x" << std::hex << r.flags);
    Surface s(&tc.ctx);
    EXPECT_EQ(s.Create(r.flags, 4, 4), r.want);
    EXPECT_EQ(s.Pixels() != nullptr, r.want == kOk);
  }
}

TEST(SurfaceCreateTest, BufferHoldsEvenRoundedDimensions) {
  TestContext tc;
  struct Row {
    int32_t w, h;
    uint32_t bytes;
  };
  for (const Row& r : {Row{3, 5, 48}, Row{4, 6, 48}, Row{1, 1, 8}, Row{2, 7, 32}, Row{480, 640, 614400}}) {
    SCOPED_TRACE(::testing::Message() << r.w << "x" << r.h);
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(0, r.w, r.h), kOk);
    EXPECT_EQ(s.Layout().byte_size, r.bytes);
    EXPECT_EQ(s.Width(), r.w);
    EXPECT_EQ(s.Height(), r.h);
    EXPECT_EQ(s.Flags(), kSurfaceSystemMemory);  // the default memory class
    EXPECT_EQ(s.Kind(), kSurfaceOwned);
  }
}

TEST(SurfaceCreateTest, EntryChecksInOrder) {
  TestContext tc;
  Surface s(&tc.ctx);
  tc.Close();
  EXPECT_EQ(s.Create(0x1234, 4, 4), kErrWrongDisplayState);  // display first
  tc.Open(1, 2, 960);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  PixelDescription d;
  ASSERT_EQ(s.LockPixels(&d), kOk);
  EXPECT_EQ(s.Create(0x1234, 4, 4), kErrLocked);
  ASSERT_EQ(s.UnlockPixels(), kOk);
  s.SetKind(kSurfaceDisplay);
  EXPECT_EQ(s.Create(0, 4, 4), kErrDisplaySurface);
  s.SetKind(kSurfaceOwned);
}

TEST(SurfaceCreateTest, BadSizesAreRefused) {
  TestContext tc;
  Surface s(&tc.ctx);
  EXPECT_EQ(s.Create(0, -1, 4), kErrInvalidArg);
  EXPECT_EQ(s.Create(0, 4, -1), kErrInvalidArg);
  EXPECT_EQ(s.Create(0, 0, 4), kErrInvalidArg);
  EXPECT_EQ(s.Create(0, 4, 0), kErrInvalidArg);
  EXPECT_EQ(s.Create(0, 100000, 100000), kErrOutOfMemory);
  EXPECT_EQ(s.Create(0, INT32_MAX, INT32_MAX), kErrOutOfMemory);
  EXPECT_EQ(s.Pixels(), nullptr);
}

TEST(SurfaceCreateTest, ZeroSizeReleasesAndKeepsTheKey) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 8, 8), kOk);
  s.SetKeyColour(0x00FF00FF);
  const Rect clip{1, 1, 4, 4};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  EXPECT_EQ(s.Create(0, 0, 0), kOk);
  EXPECT_EQ(s.Pixels(), nullptr);
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.Layout().byte_size, 0u);
  EXPECT_EQ(s.Layout().orientation, 1);
  EXPECT_EQ(s.StoredClipRect().right, 0);
  EXPECT_EQ(s.KeyColour(), 0x00FF00FFu);
  // Drawing on the empty surface reports the missing buffer.
  EXPECT_EQ(s.FillArea(nullptr, 0, 0, nullptr), kErrNoPixels);
}

TEST(SurfaceCreateTest, SameSizeKeepsPixelsUnlessCleared) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 5, 3), kOk);
  const uint16_t* buffer = s.Pixels();
  Put(s, 2, 1, 0x1234);
  ASSERT_EQ(s.Create(0, 5, 3), kOk);
  EXPECT_EQ(s.Pixels(), buffer);
  EXPECT_EQ(Get(s, 2, 1), 0x1234);
  ASSERT_EQ(s.Create(kSurfaceClear, 5, 3), kOk);
  EXPECT_EQ(Get(s, 2, 1), 0);
}

TEST(SurfaceCreateTest, ExchangedSizeKeepsTheBufferAndDropsTheClip) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 6, 3), kOk);
  const uint16_t* buffer = s.Pixels();
  const Rect clip{1, 1, 5, 2};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  ASSERT_EQ(s.Create(0, 3, 6), kOk);
  EXPECT_EQ(s.Pixels(), buffer);
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.Height(), 6);
  const Rect& c = s.StoredClipRect();
  EXPECT_EQ(c.left | c.top | c.right | c.bottom, 0);
  // The new layout addresses the whole new extent.
  EXPECT_EQ(s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(Get(s, 2, 5), 0xFFFF);
}

TEST(SurfaceAttributeTest, KeyColourRoundTrip) {
  TestContext tc;
  Surface s(&tc.ctx);
  EXPECT_EQ(s.SetKeyColour(0x123456), kOk);
  uint32_t key = 0;
  EXPECT_EQ(s.GetKeyColour(&key), kOk);
  EXPECT_EQ(key, 0x123456u);
  EXPECT_EQ(s.GetKeyColour(nullptr), kErrInvalidArg);
}

TEST(SurfaceAttributeTest, ClipRectIsNormalisedAndCut) {
  TestContext tc;
  Surface s(&tc.ctx);
  Rect out;
  EXPECT_EQ(s.SetClipRect(nullptr), kErrNoPixels);
  EXPECT_EQ(s.GetClipRect(&out), kErrNoPixels);
  ASSERT_EQ(s.Create(0, 20, 10), kOk);
  struct Row {
    Rect in;
    Rect want;
  };
  const Row rows[] = {
      {{2, 3, 8, 9}, {2, 3, 8, 9}},
      {{8, 9, 2, 3}, {2, 3, 8, 9}},         // reversed
      {{-5, -5, 50, 50}, {0, 0, 20, 10}},   // larger than the surface
      {{15, 2, 25, 4}, {15, 2, 20, 4}},
  };
  for (const Row& r : rows) {
    ASSERT_EQ(s.SetClipRect(&r.in), kOk);
    ASSERT_EQ(s.GetClipRect(&out), kOk);
    EXPECT_EQ(out.left, r.want.left);
    EXPECT_EQ(out.top, r.want.top);
    EXPECT_EQ(out.right, r.want.right);
    EXPECT_EQ(out.bottom, r.want.bottom);
  }
  ASSERT_EQ(s.SetClipRect(nullptr), kOk);
  ASSERT_EQ(s.GetClipRect(&out), kOk);
  EXPECT_EQ(out.right, 20);
  EXPECT_EQ(out.bottom, 10);
  EXPECT_EQ(s.GetClipRect(nullptr), kErrInvalidArg);
  PixelDescription d;
  ASSERT_EQ(s.LockPixels(&d), kOk);
  EXPECT_EQ(s.SetClipRect(nullptr), kErrLocked);
  EXPECT_EQ(s.GetClipRect(&out), kErrLocked);
  ASSERT_EQ(s.UnlockPixels(), kOk);
  tc.Close();
  EXPECT_EQ(s.SetClipRect(nullptr), kErrWrongDisplayState);
}

TEST(SurfaceAttributeTest, ClipOutsideTheSurfaceDrawsNothing) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 20, 10), kOk);
  const Rect away{30, 30, 40, 40};
  ASSERT_EQ(s.SetClipRect(&away), kOk);
  Surface src(&tc.ctx);
  ASSERT_EQ(src.Create(0, 4, 4), kOk);
  ASSERT_EQ(src.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(s.PlotLine(0, 0, 19, 9, 0xFFFFFF, 0), kOk);
  EXPECT_EQ(s.BlitAt(0, 0, &src, nullptr, 0, nullptr), kOk);
  EXPECT_EQ(s.BlitTransformed(nullptr, &src, nullptr, 0, nullptr), kOk);
  for (uint16_t p : testing::RawBuffer(s)) ASSERT_EQ(p, 0);
}

TEST(SurfaceAttributeTest, ClipLeftOverFromALargerSizeDrawsNothing) {
  // The display re-lays out its back buffer at the exchanged size when the
  // screen turns; a clip set before may then miss the surface.
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 20, 10), kOk);
  const Rect clip{12, 2, 18, 8};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  s.SetLogicalSize(10, 20);
  s.LayOutOffscreen();
  s.AddFlags(kSurfaceNoBoundsCheck);
  Surface src(&tc.ctx);
  ASSERT_EQ(src.Create(0, 4, 4), kOk);
  EXPECT_EQ(s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(s.PlotLine(0, 0, 9, 19, 0xFFFFFF, kLineAntiAliased), kOk);
  EXPECT_EQ(s.BlitAt(12, 2, &src, nullptr, 0, nullptr), kOk);
  EXPECT_EQ(s.BlitTransformed(nullptr, &src, nullptr, 0, nullptr), kOk);
  for (uint16_t p : testing::RawBuffer(s)) ASSERT_EQ(p, 0);
}

TEST(SurfaceLockTest, LockAndUnlockStates) {
  TestContext tc;
  Surface s(&tc.ctx);
  PixelDescription d;
  EXPECT_EQ(s.LockPixels(&d), kErrNoPixels);
  EXPECT_EQ(s.UnlockPixels(), kErrNoPixels);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  EXPECT_EQ(s.LockPixels(nullptr), kErrInvalidArg);
  EXPECT_EQ(s.UnlockPixels(), kErrNotLocked);
  ASSERT_EQ(s.LockPixels(&d), kOk);
  EXPECT_EQ(d.width, 4);
  EXPECT_EQ(d.height, 4);
  EXPECT_EQ(d.x_pitch, 2);
  EXPECT_EQ(d.y_pitch, 8);
  EXPECT_EQ(d.pixels, s.Pixels());
  EXPECT_EQ(s.LockPixels(&d), kErrLocked);
  // Locked surfaces refuse drawing, as target and as source.
  Surface other(&tc.ctx);
  ASSERT_EQ(other.Create(0, 4, 4), kOk);
  EXPECT_EQ(s.FillArea(nullptr, 0, 0, nullptr), kErrLocked);
  EXPECT_EQ(other.BlitAt(0, 0, &s, nullptr, 0, nullptr), kErrLocked);
  EXPECT_EQ(s.UnlockPixels(), kOk);
  tc.Close();
  EXPECT_EQ(s.LockPixels(&d), kErrWrongDisplayState);
}

TEST(SurfaceLockTest, FormatCodeFollowsTheDisplay) {
  struct Row {
    uint32_t flags;
    int32_t code;
  };
  for (const Row& r : {Row{0xA0, 4}, Row{0x60, 2}, Row{0xE0, 2}, Row{0x220, 1}, Row{0x20, 0}}) {
    TestContext tc(1, 2, 960, r.flags);
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(0, 2, 2), kOk);
    PixelDescription d;
    ASSERT_EQ(s.LockPixels(&d), kOk);
    EXPECT_EQ(d.format, r.code) << std::hex << r.flags;
  }
}

TEST(SurfaceDeviceContextTest, RoundTripCopiesLogicalPixels) {
  for (int32_t o : testing::kOrientations) {
    for (const auto& p : testing::kPitchSigns) {
      SCOPED_TRACE(::testing::Message() << "o " << o << " pitch " << p.x_pitch << "," << p.y_pitch);
      TestContext tc(o, p.x_pitch, p.y_pitch);
      Surface s(&tc.ctx);
      ASSERT_EQ(s.Create(kSurfaceClear, 5, 3), kOk);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) Put(s, x, y, static_cast<uint16_t>(100 + x + 10 * y));
      const int bitmaps = platform::LiveBitmapCount();
      platform::DcHandle dc = nullptr;
      ASSERT_EQ(s.AcquireDeviceContext(&dc), kOk);
      ASSERT_NE(dc, nullptr);
      EXPECT_EQ(s.Flags() & kSurfaceLocked, kSurfaceLocked);
      EXPECT_EQ(s.UnlockPixels(), kErrDeviceContextOut);
      platform::BitmapHandle bmp = platform::SelectedBitmap(dc);
      ASSERT_NE(bmp, nullptr);
      const platform::BitmapInfo* info = platform::BitmapInfoOf(bmp);
      EXPECT_EQ(info->header.width, 6);
      EXPECT_EQ(info->header.height, -3);
      EXPECT_EQ(info->header.image_size, 36u);
      EXPECT_EQ(info->header.compression, platform::kCompressionBitfields);
      EXPECT_EQ(info->masks[0], 0xF800u);
      uint16_t* bits = platform::BitmapBits(bmp);
      const int32_t stride = platform::BitmapStrideBytes(bmp) / 2;
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
          EXPECT_EQ(bits[y * stride + x], 100 + x + 10 * y);
          bits[y * stride + x] = static_cast<uint16_t>(7000 + x * 3 + y);  // "GDI drawing"
        }
      EXPECT_EQ(s.ReleaseDeviceContext(nullptr), kErrInvalidArg);
      EXPECT_EQ(s.ReleaseDeviceContext(dc), kOk);
      EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(Get(s, x, y), 7000 + x * 3 + y);
      EXPECT_EQ(s.Flags() & kSurfaceLocked, 0u);
      EXPECT_EQ(s.ReleaseDeviceContext(dc), kErrNotLocked);
    }
  }
}

TEST(SurfaceDeviceContextTest, FailuresLeaveNothingBehind) {
  TestContext tc;
  Surface s(&tc.ctx);
  platform::DcHandle dc = nullptr;
  EXPECT_EQ(s.AcquireDeviceContext(&dc), kErrNoPixels);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  EXPECT_EQ(s.AcquireDeviceContext(nullptr), kErrInvalidArg);
  const int bitmaps = platform::LiveBitmapCount();
  const int dcs = platform::LiveDcCount();
  platform::FailNextBitmapsForTesting(1);
  EXPECT_EQ(s.AcquireDeviceContext(&dc), kErrOutOfMemory);
  platform::FailNextDcsForTesting(1);
  EXPECT_EQ(s.AcquireDeviceContext(&dc), kErrNoDeviceContext);
  EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
  EXPECT_EQ(platform::LiveDcCount(), dcs);
  EXPECT_EQ(s.Flags() & kSurfaceLocked, 0u);
  // A context locks the surface; a second one is refused.
  ASSERT_EQ(s.AcquireDeviceContext(&dc), kOk);
  platform::DcHandle second = nullptr;
  EXPECT_EQ(s.AcquireDeviceContext(&second), kErrLocked);
  // Only the handed-out context may come back.
  platform::DcHandle stranger = platform::CreateCompatibleDc(nullptr);
  EXPECT_EQ(s.ReleaseDeviceContext(stranger), kErrInvalidArg);
  platform::DeleteDc(stranger);
  EXPECT_EQ(s.ReleaseDeviceContext(dc), kOk);
}

TEST(SurfaceDeviceContextTest, LockedByLockPixelsHasNoBitmapToRelease) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  PixelDescription d;
  ASSERT_EQ(s.LockPixels(&d), kOk);
  platform::DcHandle stranger = platform::CreateCompatibleDc(nullptr);
  EXPECT_EQ(s.ReleaseDeviceContext(stranger), kErrNotLocked);
  platform::DeleteDc(stranger);
  EXPECT_EQ(s.UnlockPixels(), kOk);
}

TEST(SurfaceDeviceContextTest, DestroyingASurfaceWithAContextOutFreesBoth) {
  TestContext tc;
  const int bitmaps = platform::LiveBitmapCount();
  const int dcs = platform::LiveDcCount();
  {
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(0, 4, 4), kOk);
    platform::DcHandle dc = nullptr;
    ASSERT_EQ(s.AcquireDeviceContext(&dc), kOk);
  }
  EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
  EXPECT_EQ(platform::LiveDcCount(), dcs);
}

TEST(SurfaceDeviceContextTest, GdiSectionSurfaceSelectsTheDisplayBitmap) {
  TestContext tc;
  platform::BitmapInfo info;
  info.header.width = 4;
  info.header.height = -4;
  void* bits = nullptr;
  platform::BitmapHandle bitmap = platform::CreateDibSection(&info, &bits);
  ASSERT_NE(bitmap, nullptr);
  tc.State().bitmap = bitmap;
  {
    Surface s(&tc.ctx);
    s.AttachPixels(kSurfaceGdi, static_cast<uint16_t*>(bits), 32);
    s.SetFlags(kSurfaceGdiSection | kSurfaceSystemMemory);
    s.SetLogicalSize(4, 4);
    s.LayOutOffscreen();
    ASSERT_EQ(s.FillArea(nullptr, 0x0000FF, 0, nullptr), kOk);
    EXPECT_EQ(static_cast<uint16_t*>(bits)[5], 0xF800);
    platform::DcHandle dc = nullptr;
    ASSERT_EQ(s.AcquireDeviceContext(&dc), kOk);
    EXPECT_EQ(platform::SelectedBitmap(dc), bitmap);
    EXPECT_EQ(s.ReleaseDeviceContext(dc), kOk);
  }
  // The bitmap belongs to the display and survives the surface.
  EXPECT_EQ(platform::BitmapWidth(bitmap), 4);
  EXPECT_TRUE(platform::DeleteBitmap(bitmap));
}

TEST(SurfaceVideoAccessTest, OnlyVideoMemorySurfacesSucceed) {
  TestContext tc;
  Surface s(&tc.ctx);
  EXPECT_EQ(s.BeginVideoAccess(), kErrNoPixels);
  EXPECT_EQ(s.EndVideoAccess(), kErrNoPixels);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  EXPECT_EQ(s.BeginVideoAccess(), kErrNotVideoMemory);
  EXPECT_EQ(s.EndVideoAccess(), kErrNotVideoMemory);
  s.AddFlags(kSurfaceVideoMemory);
  EXPECT_EQ(s.BeginVideoAccess(), kOk);
  EXPECT_EQ(s.EndVideoAccess(), kOk);
  s.AddFlags(kSurfaceLocked);
  EXPECT_EQ(s.BeginVideoAccess(), kErrLocked);
  EXPECT_EQ(s.EndVideoAccess(), kErrLocked);
  s.RemoveFlags(kSurfaceLocked);
  tc.Close();
  EXPECT_EQ(s.BeginVideoAccess(), kErrWrongDisplayState);
  EXPECT_EQ(s.EndVideoAccess(), kOk);
  s.RemoveFlags(kSurfaceVideoMemory);
}

TEST(SurfaceVideoAccessTest, VideoMemorySurfaceRecreatedAtSameSizeKeepsItsBuffer) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  s.SetFlags(kSurfaceVideoMemory);  // as if the display had made it in video memory
  Put(s, 1, 1, 0x5555);
  const uint16_t* buffer = s.Pixels();
  ASSERT_EQ(s.Create(kSurfaceVideoMemory, 4, 4), kOk);
  EXPECT_EQ(s.Pixels(), buffer);
  EXPECT_EQ(Get(s, 1, 1), 0x5555);
  ASSERT_EQ(s.Create(kSurfaceVideoMemory | kSurfaceClear, 4, 4), kOk);
  EXPECT_EQ(Get(s, 1, 1), 0);
  // Another size needs a new video-memory buffer, which is not available.
  EXPECT_EQ(s.Create(kSurfaceVideoMemory, 6, 4), kErrMemoryClassUnavailable);
  EXPECT_EQ(s.Pixels(), nullptr);
}

TEST(SurfaceReadOnlyTest, ReadOnlyTargetRefusesDrawingButServesAsSource) {
  TestContext tc;
  Surface ro(&tc.ctx);
  ASSERT_EQ(ro.Create(kSurfaceReadOnly | kSurfaceClear, 4, 4), kOk);
  Surface t(&tc.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 4, 4), kOk);
  EXPECT_EQ(ro.FillArea(nullptr, 0, 0, nullptr), kErrReadOnlyTarget);
  EXPECT_EQ(ro.PlotLine(0, 0, 1, 1, 0, 0), kErrReadOnlyTarget);
  EXPECT_EQ(ro.BlitAt(0, 0, &t, nullptr, 0, nullptr), kErrReadOnlyTarget);
  EXPECT_EQ(ro.BlitTransformed(nullptr, &t, nullptr, 0, nullptr), kErrReadOnlyTarget);
  EXPECT_EQ(t.BlitAt(0, 0, &ro, nullptr, 0, nullptr), kOk);
}

}  // namespace
}  // namespace abacine
