// Turning the screen, mapping stylus points for all sixteen pairs of system
// and requested orientation, and the fixed queries.
#include "display_test_support.h"

namespace abacine::display_test {
namespace {

TEST_F(DisplayTest, SetScreenOrientationTurnsTheDisplayAndItsBackBuffer) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);  // 240 x 320
  struct Row { int32_t code; ResultCode result; int32_t width, height; int32_t requested; };
  const Row rows[] = {
      {2, kOk, 320, 240, 2}, {0, kErrOrientationZero, 320, 240, 2},
      {3, kOk, 320, 240, 2},                     // not a code: nothing changes
      {0x10, kErrOrientationZero, 320, 240, 2},  // low four bits are 0
      {8, kOk, 240, 320, 8},
      {0x14, kOk, 320, 240, 4},                  // low four bits 4
      {-1, kOk, 320, 240, 4},                    // low four bits 15: nothing changes
      {1, kOk, 240, 320, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    EXPECT_EQ(display_->SetScreenOrientation(r.code), r.result);
    EXPECT_EQ(display_->Width(), r.width);
    EXPECT_EQ(display_->Height(), r.height);
    EXPECT_EQ(State().requested_orientation, r.requested);
    EXPECT_EQ(State().current_orientation, r.requested);
    Surface* back = display_->BackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), r.width);
    EXPECT_EQ(back->Height(), r.height);
    // Both of the display's own surfaces stay drawable after the turn.
    EXPECT_EQ(back->FillArea(nullptr, 0x00FF0000, 0, nullptr), kOk);
    EXPECT_EQ(display_->Present(), kOk);
  }
}

TEST_F(DisplayTest, TurnWhileClosedOnlyRecordsTheCodes) {
  for (bool windowed : {false, true}) {
    SCOPED_TRACE(windowed ? "windowed" : "full screen");
    ASSERT_EQ(display_->SetScreenOrientation(4), kOk);
    EXPECT_EQ(State().requested_orientation, 4);
    EXPECT_EQ(State().current_orientation, 4);
    EXPECT_EQ(display_->BackBuffer(), nullptr);
    ASSERT_EQ(windowed ? display_->OpenWindowed(0, 240, 294) : display_->OpenDirect(0, window_, 0), kOk);
    EXPECT_EQ(display_->Width(), windowed ? 294 : 320);
    EXPECT_EQ(display_->Height(), 240);
    EXPECT_EQ(display_->BackBuffer()->Width(), windowed ? 294 : 320);
    EXPECT_EQ(State().properties.width, 240);  // the hardware orientation's
    display_->Close();
  }
}

TEST_F(DisplayTest, SurfacesMadeBeforeATurnAreStaleUntilRecreated) {
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  Surface other(context_.get());
  ASSERT_EQ(other.Create(kSurfaceSystemMemory, 10, 6), kOk);
  ASSERT_EQ(display_->SetScreenOrientation(4), kOk);
  EXPECT_EQ(display_->BackBuffer()->BlitAt(0, 0, &other, nullptr, 0, nullptr), kErrWrongDisplayState);
  ASSERT_EQ(other.Create(kSurfaceSystemMemory, 10, 6), kOk);
  EXPECT_EQ(display_->BackBuffer()->BlitAt(0, 0, &other, nullptr, 0, nullptr), kOk);
}

// The point the user touched (in the system's orientation) and the mapped
// point (in the display's) name one pixel of the panel, and (10, 20) on a
// 240 x 320 panel lands where the table says.
TEST_F(DisplayTest, StylusPointsMapForAllSixteenOrientationPairs) {
  struct Row { int32_t system, requested; int32_t x, y; };
  const Row rows[] = {
      {1, 1, 10, 20},   {1, 2, 299, 10},  {1, 4, 20, 229},  {1, 8, 229, 299},
      {2, 1, 20, 309},  {2, 2, 10, 20},   {2, 4, 309, 219}, {2, 8, 219, 10},
      {4, 1, 219, 10},  {4, 2, 309, 219}, {4, 4, 10, 20},   {4, 8, 20, 309},
      {8, 1, 229, 299}, {8, 2, 20, 229},  {8, 4, 299, 10},  {8, 8, 10, 20},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "system " << r.system << " requested " << r.requested);
    UseDevice(RawDevice(1, 1, SystemValueOf(r.system)));
    ASSERT_EQ(display_->OpenDirect(0x8000, window_, 0), kOk);
    ASSERT_EQ(State().system_orientation, r.system);
    ASSERT_EQ(display_->SetScreenOrientation(r.requested), kOk);
    StylusPoint p{10, 20};
    ASSERT_EQ(display_->MapStylusPoint(&p), kOk);
    EXPECT_EQ(std::pair(p.x, p.y), std::pair(r.x, r.y));
    for (const StylusPoint touched : {StylusPoint{0, 0}, {239, 0}, {0, 239}, {17, 203}, {239, 239}}) {
      StylusPoint mapped = touched;
      ASSERT_EQ(display_->MapStylusPoint(&mapped), kOk);
      EXPECT_EQ(LogicalToHardware(r.system, 240, 320, touched.x, touched.y),
                LogicalToHardware(r.requested, 240, 320, mapped.x, mapped.y))
          << touched.x << "," << touched.y;
    }
    display_->Close();
  }
}

TEST_F(DisplayTest, StylusMappingEdgeCases) {
  StylusPoint p{0, 0};
  EXPECT_EQ(display_->MapStylusPoint(&p), kErrDisplayNotOpen);
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  EXPECT_EQ(display_->MapStylusPoint(nullptr), kErrInvalidArg);
  // System 1, requested 8 on 240 x 320: (0, 0) is the far corner.
  ASSERT_EQ(display_->SetScreenOrientation(8), kOk);
  ASSERT_EQ(display_->MapStylusPoint(&p), kOk);
  EXPECT_EQ(p.x, 239);
  EXPECT_EQ(p.y, 319);
  // Extreme inputs do not overflow.
  StylusPoint far{INT32_MIN, INT32_MAX};
  ASSERT_EQ(display_->MapStylusPoint(&far), kOk);
  EXPECT_EQ(far.x, INT32_MAX);
  EXPECT_EQ(far.y, 320 - 1 - int64_t{INT32_MAX});
}

TEST_F(DisplayTest, FixedQueriesAndCapabilities) {
  EXPECT_EQ(display_->CheckSurfacesLost(), kErrDisplayNotOpen);
  EXPECT_EQ(display_->RestoreSurfaces(), kErrDisplayNotOpen);
  ASSERT_EQ(display_->OpenDirect(0, window_, 0), kOk);
  EXPECT_EQ(display_->CheckSurfacesLost(), kErrFeatureNotAvailable);
  EXPECT_EQ(display_->RestoreSurfaces(), kErrFeatureNotAvailable);
  uint32_t caps = 0xFFFFFFFF;
  EXPECT_EQ(display_->DisplayCaps(&caps), kOk);
  EXPECT_EQ(caps, 0u);
  EXPECT_EQ(display_->DisplayCaps(nullptr), kErrInvalidArg);
  display_->Close();
  ASSERT_EQ(display_->OpenWindowed(0, 240, 294), kOk);
  EXPECT_EQ(display_->CheckSurfacesLost(), kErrFeatureNotAvailable);
  EXPECT_EQ(display_->RestoreSurfaces(), kErrWindowedPresent);
}

}  // namespace
}  // namespace abacine::display_test
