// Surface life: creation flags and sizes, re-creation in place, release,
// clip rectangle, locking, device contexts, video access, and the checks
// every drawing operation makes, in order, before it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "graphics/surface.h"
#include "platform/gdi.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Put;
using testing::RawBuffer;
using testing::TestContext;

TEST(SurfaceCreateTest, FlagsAndSizes) {
  struct Row {
    uint32_t flags;
    int32_t w, h;
    ResultCode want;
    uint32_t bytes;  // buffer size when created: both sides rounded up to even
  };
  constexpr ResultCode bad = kErrInvalidArg, oom = kErrOutOfMemory;
  const Row rows[] = {
      {0x0000, 3, 5, kOk, 48}, {0x0001, 4, 6, kOk, 48}, {0x0004, 1, 1, kOk, 8},
      {0x0008, 2, 7, kOk, 32}, {0x0100, 480, 640, kOk, 614400}, {0x0101, 4, 4, kOk, 32},
      {0x0300, 4, 4, bad, 0}, {0x0400, 4, 4, bad, 0}, {0x0800, 4, 4, bad, 0},
      {0x0E00, 4, 4, bad, 0}, {0x0208, 4, 4, bad, 0}, {0x0010, 4, 4, bad, 0},
      {0x1000, 4, 4, bad, 0}, {0x8000, 4, 4, bad, 0}, {0, -1, 4, bad, 0}, {0, 4, -1, bad, 0},
      {0, 0, 4, bad, 0}, {0, 4, 0, bad, 0}, {0, 100000, 100000, oom, 0},
      {0, INT32_MAX, INT32_MAX, oom, 0},
      // Valid sets that ask for video memory, which no surface can get.
      {0x0200, 4, 4, kErrMemoryClassUnavailable, 0}, {0x0600, 4, 4, kErrMemoryClassUnavailable, 0},
  };
  TestContext tc;
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "flags 0x" << std::hex << r.flags << std::dec << " "
                                      << r.w << "x" << r.h);
    Surface s(&tc.ctx);
    EXPECT_EQ(s.Create(r.flags, r.w, r.h), r.want);
    EXPECT_EQ(s.Pixels() != nullptr, r.want == kOk);
    if (r.want != kOk) continue;
    EXPECT_EQ(s.Layout().byte_size, r.bytes);
    EXPECT_EQ(s.Flags(), r.flags | kSurfaceSystemMemory);  // the default memory class
  }
}

TEST(SurfaceCreateTest, EntryChecksInOrder) {
  TestContext tc;
  Surface s(&tc.ctx);
  tc.Close();
  EXPECT_EQ(s.Create(0x1234, 4, 4), kErrWrongDisplayState);  // display first
  tc.Open(1, 2, 960);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  s.AddFlags(kSurfaceLocked);
  EXPECT_EQ(s.Create(0x1234, 4, 4), kErrLocked);
  s.RemoveFlags(kSurfaceLocked);
  s.SetKind(kSurfaceDisplay);
  EXPECT_EQ(s.Create(0, 4, 4), kErrDisplaySurface);
  s.SetKind(kSurfaceOwned);
}

TEST(SurfaceCreateTest, ZeroSizeReleasesAndKeepsTheKey) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 8, 8), kOk);
  EXPECT_EQ(s.SetKeyColour(0x00FF00FF), kOk);
  const Rect clip{1, 1, 4, 4};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  EXPECT_EQ(s.Create(0, 0, 0), kOk);
  EXPECT_EQ(s.Pixels(), nullptr);
  EXPECT_EQ(s.Width(), 0);
  EXPECT_EQ(s.Layout().byte_size, 0u);
  EXPECT_EQ(s.Layout().orientation, 1);
  EXPECT_EQ(s.StoredClipRect().right, 0);
  uint32_t key = 0;
  EXPECT_EQ(s.GetKeyColour(&key), kOk);
  EXPECT_EQ(key, 0x00FF00FFu);
  EXPECT_EQ(s.GetKeyColour(nullptr), kErrInvalidArg);
}

TEST(SurfaceCreateTest, SameSizeKeepsTheBuffer) {
  struct Row {
    const char* name;
    uint32_t memory;  // the class the surface was made in
    uint32_t flags;
    int32_t w, h;
    ResultCode want;
    uint16_t pixel;  // at (2, 1) afterwards
  };
  constexpr uint32_t video = kSurfaceVideoMemory;
  const Row rows[] = {
      {"system", 0, 0, 5, 3, kOk, 0x1234}, {"system, cleared", 0, kSurfaceClear, 5, 3, kOk, 0},
      {"video", video, video, 5, 3, kOk, 0x1234},
      {"video, cleared", video, video | kSurfaceClear, 5, 3, kOk, 0},
      // Another size needs a new video-memory buffer, which is not available.
      {"video, resized", video, video, 6, 3, kErrMemoryClassUnavailable, 0},
  };
  TestContext tc;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(kSurfaceClear, 5, 3), kOk);
    if (r.memory != 0) s.SetFlags(r.memory);  // as if the display had made it there
    Put(s, 2, 1, 0x1234);
    const uint16_t* buffer = s.Pixels();
    ASSERT_EQ(s.Create(r.flags, r.w, r.h), r.want);
    if (r.want != kOk) {
      EXPECT_EQ(s.Pixels(), nullptr);
      continue;
    }
    EXPECT_EQ(s.Pixels(), buffer);
    EXPECT_EQ(Get(s, 2, 1), r.pixel);
  }
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
  const Rect& c = s.StoredClipRect();
  EXPECT_EQ(c.left | c.top | c.right | c.bottom, 0);
  // The new layout addresses the whole new extent.
  EXPECT_EQ(s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(Get(s, 2, 5), 0xFFFF);
}

TEST(SurfaceClipTest, ClipRectIsNormalisedAndCut) {
  TestContext tc;
  Surface s(&tc.ctx);
  Rect out;
  EXPECT_EQ(s.SetClipRect(nullptr), kErrNoPixels);
  EXPECT_EQ(s.GetClipRect(&out), kErrNoPixels);
  ASSERT_EQ(s.Create(0, 20, 10), kOk);
  struct Row {
    const Rect* in;
    Rect want;
  };
  const Rect inside{2, 3, 8, 9}, reversed{8, 9, 2, 3}, larger{-5, -5, 50, 50}, right{15, 2, 25, 4};
  for (const Row& r : {Row{&inside, {2, 3, 8, 9}}, Row{&reversed, {2, 3, 8, 9}},
                       Row{&larger, {0, 0, 20, 10}}, Row{&right, {15, 2, 20, 4}},
                       Row{nullptr, {0, 0, 20, 10}}}) {
    ASSERT_EQ(s.SetClipRect(r.in), kOk);
    ASSERT_EQ(s.GetClipRect(&out), kOk);
    EXPECT_EQ(std::vector<int32_t>({out.left, out.top, out.right, out.bottom}),
              std::vector<int32_t>({r.want.left, r.want.top, r.want.right, r.want.bottom}));
  }
  EXPECT_EQ(s.GetClipRect(nullptr), kErrInvalidArg);
  s.AddFlags(kSurfaceLocked);
  EXPECT_EQ(s.SetClipRect(nullptr), kErrLocked);
  EXPECT_EQ(s.GetClipRect(&out), kErrLocked);
  s.RemoveFlags(kSurfaceLocked);
  tc.Turn(2);
  EXPECT_EQ(s.SetClipRect(nullptr), kErrWrongDisplayState);
  tc.Turn(1);
  tc.Close();
  EXPECT_EQ(s.SetClipRect(nullptr), kErrWrongDisplayState);
}

TEST(SurfaceClipTest, ClipThatMissesTheSurfaceDrawsNothing) {
  // Set outside the surface, or left over from a larger size: the display
  // re-lays out its back buffer at the exchanged size when the screen turns.
  for (bool left_over : {false, true}) {
    SCOPED_TRACE(left_over ? "left over" : "outside");
    TestContext tc;
    Surface t(&tc.ctx);
    Surface s(&tc.ctx);
    ASSERT_EQ(t.Create(kSurfaceClear, 20, 10), kOk);
    ASSERT_EQ(s.Create(0, 4, 4), kOk);
    ASSERT_EQ(s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
    const Rect clip = left_over ? Rect{12, 2, 18, 8} : Rect{30, 30, 40, 40};
    ASSERT_EQ(t.SetClipRect(&clip), kOk);
    if (left_over) {
      t.SetLogicalSize(10, 20);
      t.LayOutOffscreen();
      t.AddFlags(kSurfaceNoBoundsCheck);
    }
    EXPECT_EQ(t.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
    EXPECT_EQ(t.PlotLine(0, 0, 19, 9, 0xFFFFFF, 0), kOk);
    EXPECT_EQ(t.PlotLine(0, 0, 9, 19, 0xFFFFFF, kLineAntiAliased), kOk);
    EXPECT_EQ(t.BlitAt(0, 0, &s, nullptr, 0, nullptr), kOk);
    EXPECT_EQ(t.BlitAt(12, 2, &s, nullptr, 0, nullptr), kOk);
    EXPECT_EQ(t.BlitTransformed(nullptr, &s, nullptr, 0, nullptr), kOk);
    for (uint16_t p : RawBuffer(t)) ASSERT_EQ(p, 0);
  }
}

TEST(SurfaceChecksTest, DrawingChecksInOrderAndFailuresLeaveTheTarget) {
  using testing::Scene;
  static const uint32_t half = 128;
  static const Effects fx;
  static const Rect dest{0, 0, 4, 4};
  // Fill, half fill, line, copy, keyed copy, multiply, transformed copy.
  static ResultCode (*const ops[])(Scene&) = {
      [](Scene& x) { return x.t.FillArea(nullptr, 0x0000FF, 0, nullptr); },
      [](Scene& x) { return x.t.FillArea(nullptr, 0x0000FF, kFillOpacity, &half); },
      [](Scene& x) { return x.t.PlotLine(0, 0, 3, 2, 0x0000FF, 0); },
      [](Scene& x) { return x.t.BlitAt(0, 0, &x.s, nullptr, 0, nullptr); },
      [](Scene& x) { return x.t.BlitAt(0, 0, &x.s, nullptr, kBlitColourKey, nullptr); },
      [](Scene& x) { return x.t.BlitAt(0, 0, &x.s, nullptr, kBlitMultiply, &fx); },
      [](Scene& x) { return x.t.BlitTransformed(&dest, &x.s, nullptr, 0, nullptr); },
  };
  struct Row {
    const char* name;
    void (*setup)(Scene&);
    const char* want;  // per operation: '.' success, 'N' no pixels, 'L' locked,
                       // 'R' read-only target, 'D' display closed, stale or not 5-6-5
  };
  const Row rows[] = {
      {"target without pixels", [](Scene& x) { x.t.Create(0, 0, 0); }, "NNNNNNN"},
      {"source without pixels", [](Scene& x) { x.s.Create(0, 0, 0); }, "...NNNN"},
      {"target locked", [](Scene& x) { x.t.AddFlags(kSurfaceLocked); }, "LLLLLLL"},
      {"source locked", [](Scene& x) { x.s.AddFlags(kSurfaceLocked); }, "...LLLL"},
      {"read-only target", [](Scene& x) { x.t.Create(kSurfaceReadOnly, 4, 4); }, "RRRRRRR"},
      {"read-only source", [](Scene& x) { x.s.Create(kSurfaceReadOnly, 4, 4); }, "......."},
      {"locked before read-only",
       [](Scene& x) { x.t.Create(kSurfaceReadOnly, 4, 4); x.t.AddFlags(kSurfaceLocked); },
       "LLLLLLL"},
      {"read-only before display closed",
       [](Scene& x) { x.t.Create(kSurfaceReadOnly, 4, 4); x.tc.Close(); }, "RRRRRRR"},
      {"display closed", [](Scene& x) { x.tc.Close(); }, "DDDDDDD"},
      {"5-5-5 display", [](Scene& x) { x.tc.State().properties.format_flags = 0x60; }, ".DD.DDD"},
      {"target made before the display turned",
       [](Scene& x) { x.tc.Turn(2); x.s.Create(0, 4, 4); }, "DDDDDDD"},
      {"source made before the display turned",
       [](Scene& x) { x.tc.Turn(2); x.t.Create(0, 4, 4); }, "...DDDD"},
      // Re-creating at the same size and flags is enough after a turn.
      {"both re-made after the display turned",
       [](Scene& x) { x.tc.Turn(2); x.t.Create(0, 4, 4); x.s.Create(0, 4, 4); }, "......."},
  };
  const auto code = [](char c) {
    return c == 'N' ? kErrNoPixels : c == 'L' ? kErrLocked : c == 'R' ? kErrReadOnlyTarget
                                          : c == 'D' ? kErrWrongDisplayState : kOk;
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Scene x;
    ASSERT_EQ(x.t.Create(kSurfaceClear, 4, 4), kOk);
    ASSERT_EQ(x.s.Create(kSurfaceClear, 4, 4), kOk);
    r.setup(x);
    for (size_t op = 0; op < std::size(ops); ++op) {
      if (x.t.Pixels() != nullptr) std::fill_n(x.t.Pixels(), x.t.Layout().byte_size / 2, 0);
      EXPECT_EQ(ops[op](x), code(r.want[op])) << "operation " << op;
      if (r.want[op] == '.' || x.t.Pixels() == nullptr) continue;
      for (uint16_t p : RawBuffer(x.t)) ASSERT_EQ(p, 0) << "operation " << op << " drew";
    }
  }
}

TEST(SurfaceChecksTest, PlainOperationsOnA555DisplayWriteTheTruncatedPixel) {
  testing::Scene x(0x60);
  ASSERT_EQ(x.t.Create(kSurfaceClear, 4, 4), kOk);
  ASSERT_EQ(x.s.Create(0, 2, 2), kOk);
  Put(x.s, 1, 1, 0x4321);
  const Rect r{0, 0, 2, 2};
  EXPECT_EQ(x.t.FillArea(&r, 0x0000FF, 0, nullptr), kOk);
  EXPECT_EQ(x.t.BlitAt(1, 1, &x.s, nullptr, 0, nullptr), kOk);
  EXPECT_EQ(Get(x.t, 0, 0), 0xF800);
  EXPECT_EQ(Get(x.t, 2, 2), 0x4321);
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
  testing::ForEachLayout([](TestContext& tc) {
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(kSurfaceClear, 5, 3), kOk);
    testing::PutIds(s, 100);
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
        EXPECT_EQ(bits[y * stride + x], 100 + x + 5 * y);
        bits[y * stride + x] = static_cast<uint16_t>(7000 + x * 3 + y);  // "GDI drawing"
      }
    EXPECT_EQ(s.ReleaseDeviceContext(nullptr), kErrInvalidArg);
    EXPECT_EQ(s.ReleaseDeviceContext(dc), kOk);
    EXPECT_EQ(platform::LiveBitmapCount(), bitmaps);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(Get(s, x, y), 7000 + x * 3 + y);
    EXPECT_EQ(s.Flags() & kSurfaceLocked, 0u);
    EXPECT_EQ(s.ReleaseDeviceContext(dc), kErrNotLocked);
  });
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
  // Locked by LockPixels there is no bitmap to give back.
  PixelDescription d;
  ASSERT_EQ(s.LockPixels(&d), kOk);
  platform::DcHandle stranger = platform::CreateCompatibleDc(nullptr);
  EXPECT_EQ(s.ReleaseDeviceContext(stranger), kErrNotLocked);
  ASSERT_EQ(s.UnlockPixels(), kOk);
  // A context locks the surface; a second one is refused, and only the
  // handed-out context may come back.
  ASSERT_EQ(s.AcquireDeviceContext(&dc), kOk);
  platform::DcHandle second = nullptr;
  EXPECT_EQ(s.AcquireDeviceContext(&second), kErrLocked);
  EXPECT_EQ(s.ReleaseDeviceContext(stranger), kErrInvalidArg);
  platform::DeleteDc(stranger);
  EXPECT_EQ(s.ReleaseDeviceContext(dc), kOk);
  // Destroying a surface with a context out frees both.
  {
    Surface held(&tc.ctx);
    ASSERT_EQ(held.Create(0, 4, 4), kOk);
    ASSERT_EQ(held.AcquireDeviceContext(&dc), kOk);
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
}

}  // namespace
}  // namespace abacine
