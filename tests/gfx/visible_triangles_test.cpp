// The visible-triangle pass changes no pixel of the show: every frame is
// drawn twice, with the pass and without it (the show's state put back in
// between), and the two must be the same bytes. Over the whole show at
// 320x180 and 30 fps (in two halves), at 1280x720 on one frame every 2 s, and on stretches
// at frame rates off the 60-fps grid. Each case also makes sure the pass did
// leave triangles out, or the comparison would prove nothing.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/frame_clock.h"
#include "app/window.h"
#include "gfx/gfx_cull.h"
#include "timeline/moments.h"
#include "timeline/show_state.h"
#include "tools/capture/capture.h"

namespace {
struct Tally {
  int64_t compared = 0;
  int64_t equal = 0;
  int64_t firstDiffering = -1;
  uint64_t surfacesCulled = 0;
  uint64_t closedSurfaces = 0;
};

class VisibleTriangles : public ::testing::Test {
 protected:
  void start(int width, int height) {
    ASSERT_EQ(chdir(VANTOREL_SHOW_DIR), 0) << VANTOREL_SHOW_DIR;
    ASSERT_EQ(captureStartShow(width, height), 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    width_ = width;
    height_ = height;
    with_.resize(static_cast<size_t>(width) * height * 4);
    without_.resize(with_.size());
  }
  void TearDown() override { gfxSetVisibleTriangles(true); }

  void read(std::vector<uint8_t>& pixels) {
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  }

  // Runs frame `frame`; when `compare`, draws it with the pass and again
  // without it from the same state, and counts whether the two agree.
  // Returns false once the show is over.
  bool frame(int64_t frame, int fps, bool compare) {
    if (!compare) return runClockFrame(frame, fps, false) != 0;
    copyShowState(copy_.get());
    const GfxCullCounts before = gfxCullCounts;
    gfxSetVisibleTriangles(true);
    if (!runClockFrame(frame, fps, true)) return false;
    read(with_);
    tally_.surfacesCulled += gfxCullCounts.surfacesCulled - before.surfacesCulled;
    tally_.closedSurfaces += gfxCullCounts.closedSurfaces - before.closedSurfaces;
    putShowStateBack(*copy_);
    gfxSetVisibleTriangles(false);
    runClockFrame(frame, fps, true);
    read(without_);
    gfxSetVisibleTriangles(true);
    ++tally_.compared;
    if (with_ == without_) {
      ++tally_.equal;
    } else if (tally_.firstDiffering < 0) {
      tally_.firstDiffering = frame;
    }
    return true;
  }

  void report(const char* what) {
    std::printf("%s: %lld frames compared, %lld equal; the pass left triangles out of %llu of "
                "%llu closed surfaces\n",
                what, static_cast<long long>(tally_.compared), static_cast<long long>(tally_.equal),
                static_cast<unsigned long long>(tally_.surfacesCulled),
                static_cast<unsigned long long>(tally_.closedSurfaces));
    EXPECT_GT(tally_.compared, 0);
    EXPECT_EQ(tally_.equal, tally_.compared) << "first differing frame " << tally_.firstDiffering;
    // The reveal's scan strip and the frames that see the mesh too close or
    // clipped are drawn whole; most closed surfaces are not.
    EXPECT_GT(tally_.surfacesCulled * 2, tally_.closedSurfaces) << "the pass hardly ran";
  }

  int width_ = 0, height_ = 0;
  std::vector<uint8_t> with_, without_;
  std::unique_ptr<ShowState> copy_ = std::make_unique<ShowState>();
  Tally tally_;
};

// The whole show at 30 fps in two halves, so that two cores share them: the
// second runs the first half's frames without drawing, then compares.
constexpr int kWholeShowFps = 30;
constexpr int64_t kHalfTheShow = 98 * kWholeShowFps;

TEST_F(VisibleTriangles, TheFirstHalfOfTheShowAt320x180And30FpsIsTheSameWithAndWithout) {
  start(320, 180);
  for (int64_t n = 0; n < kHalfTheShow && frame(n, kWholeShowFps, true); ++n) {
  }
  report("320x180, 30 fps, every frame of the first half");
}

TEST_F(VisibleTriangles, TheSecondHalfOfTheShowAt320x180And30FpsIsTheSameWithAndWithout) {
  start(320, 180);
  ASSERT_EQ(fastForwardFrames(0, kHalfTheShow, kWholeShowFps), 1);
  for (int64_t n = kHalfTheShow; frame(n, kWholeShowFps, true); ++n) {
  }
  report("320x180, 30 fps, every frame of the second half");
}

TEST_F(VisibleTriangles, At1280x720OneFrameEveryTwoSecondsIsTheSameWithAndWithout) {
  start(1280, 720);
  constexpr int kFps = 60;
  constexpr int kEvery = 2 * kFps;
  for (int64_t n = 0; frame(n, kFps, n % kEvery == kEvery - 1); ++n) {
  }
  report("1280x720, one frame every 2 s");
}

TEST_F(VisibleTriangles, StretchesAtRatesOffTheSixtyGridAreTheSameWithAndWithout) {
  start(320, 180);
  // Half a second each of the reveal, the morph into the cube, the trails,
  // the bounce and the finale.
  const Moment stretches[] = {Moment::ShowTitle, Moment::MorphToCube, Moment::Breakdown,
                              Moment::Bounce, Moment::Finale};
  for (const int fps : {24, 50, 144}) {
    SCOPED_TRACE(fps);
    // From the start again, as a fresh process would run it.
    killGLWindow();
    resetShowState();
    ASSERT_EQ(captureStartShow(320, 180), 1);
    int64_t n = 0;
    for (const Moment moment : stretches) {
      const int64_t first = frameClockFrameAt(momentWindow(moment).lo + 2000, fps);
      ASSERT_EQ(fastForwardFrames(n, first, fps), 1);
      for (n = first; n < first + fps / 2; ++n) ASSERT_TRUE(frame(n, fps, true));
    }
  }
  report("24, 50 and 144 fps, five stretches of half a second");
}
}  // namespace
