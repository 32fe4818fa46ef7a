// The whole show's state put back, drawn: with the build's pictures and music
// on the frame clock at 320x180, the frames drawn after a copy is put back
// are, byte for byte, the frames drawn the first time.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/frame_clock.h"
#include "gfx/gfx.h"
#include "timeline/moments.h"
#include "timeline/show_state.h"
#include "tools/capture/capture.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int kFramesPerSecond = 30;

std::vector<uint8_t> readFrame() {
  std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 4);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// Draws frames first to end - 1 and keeps them.
std::vector<std::vector<uint8_t>> drawFrames(int64_t first, int64_t end) {
  std::vector<std::vector<uint8_t>> frames;
  for (int64_t frame = first; frame < end; ++frame) {
    if (!runClockFrame(frame, kFramesPerSecond, true)) break;
    frames.push_back(readFrame());
  }
  return frames;
}

TEST(ShowStateGl, TheFramesAfterACopyIsPutBackAreTheFramesDrawnTheFirstTime) {
  ASSERT_EQ(chdir(VANTOREL_SHOW_DIR), 0) << VANTOREL_SHOW_DIR;
  ASSERT_EQ(captureStartShow(kWidth, kHeight), 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // Into the first drop (blending, the cube, the respawned swarm), through
  // the morph back with its ribbons, and into the card's flash and trails.
  const Moment moments[] = {Moment::FirstDrop, Moment::MorphBack, Moment::CardFlash};
  int64_t frame = 0;
  auto copy = std::make_unique<ShowState>();
  for (const Moment moment : moments) {
    SCOPED_TRACE(momentWindow(moment).lo);
    const int64_t first = frameClockFrameAt(momentWindow(moment).lo - 1500, kFramesPerSecond);
    const int64_t end = frameClockFrameAt(momentWindow(moment).lo + 1500, kFramesPerSecond);
    ASSERT_EQ(fastForwardFrames(frame, first, kFramesPerSecond), 1);
    copyShowState(copy.get());
    const auto drawn = drawFrames(first, end);
    ASSERT_EQ(static_cast<int64_t>(drawn.size()), end - first);
    putShowStateBack(*copy);
    const auto again = drawFrames(first, end);
    ASSERT_EQ(again.size(), drawn.size());
    int equal = 0;
    for (size_t i = 0; i < drawn.size(); ++i) equal += again[i] == drawn[i];
    EXPECT_EQ(equal, static_cast<int>(drawn.size())) << "frames byte-identical";
    frame = end;
  }
}
}  // namespace
