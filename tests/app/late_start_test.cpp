// The show started at a later moment on the headless window layer and the
// offline audio back-end: the frames before it run on the frame clock, so the
// first frame drawn finds what a whole run leaves there (the camera turning
// away, the wall moved out), and the clock goes on from the last frame run to
// the moment without a jump, with music, silent, and with music that ends
// before the moment.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/frame_clock.h"
#include "app/show.h"
#include "app/window.h"
#include "gfx/gfx_recorder.h"
#include "music/clock.h"
#include "platform/audio.h"
#include "platform/dialog.h"
#include "tests/platform/test_music.h"
#include "timeline/director.h"

namespace {
// A second into the widening turn away, which moves the wall out for good;
// the two turns before it have brought the camera back to its rest (5000).
constexpr int32_t kStartMs = 42000;
constexpr int32_t kYawAtRest = 5000;
constexpr int kRateHz = 32000;

// The music time frame `frame` stands at on the fast-forward's clock.
int32_t frameMs(int64_t frame) {
  return static_cast<int32_t>(frameClockSample(frame, kRateHz, kFastForwardFramesPerSecond) *
                              1000 / kRateHz);
}

class LateStartTest : public ::testing::Test {
 protected:
  // Every case runs in a folder of its own, which holds what `music` wrote.
  void SetUp() override {
    char folder[] = "late-start-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    std::memset(keys, 0, sizeof keys);
    resetAppWindow();
  }
  void TearDown() override {
    recorder.reset();
    stopShow(loop);
  }

  // The show's music: a quiet tone of `seconds`.
  static void music(double seconds) {
    const MusicFormat mono{kRateHz, 1, false};
    const auto frames = static_cast<size_t>(seconds * kRateHz);
    const std::string name = writeMusic("music.mp3", mono, sinePcm(mono, frames, 440.0, 0.1));
    ASSERT_EQ(rename(name.c_str(), kMusicFile), 0);
  }

  // One pass that draws a frame, recorded.
  LoopPass drawOne() {
    recorder = std::make_unique<GfxRecorder>();
    return runMainLoopPass(&loop);
  }

  MainLoop loop;
  std::unique_ptr<GfxRecorder> recorder;
};

TEST_F(LateStartTest, TheFramesBeforeTheMomentRunAndTheMusicGoesOnFromIt) {
  music(60.0);
  ASSERT_EQ(startShowAnswered(kDialogAnswerNo, kStartMs), 1);
  ASSERT_EQ(musicSource.musicSilent, 0);
  const int64_t first = frameClockFrameAt(kStartMs, kFastForwardFramesPerSecond);
  EXPECT_EQ(musicClock.musicTimeMs, frameMs(first - 1));
  EXPECT_EQ(director.wideWall, 1);
  EXPECT_NEAR(director.cameraYawMs, kYawAtRest + (kStartMs - 41000), 50);

  EXPECT_EQ(drawOne(), LoopPass::GoOn);
  EXPECT_EQ(recorder->count(GfxCall::Clear), 1);
  // The offline music stands where it was put: exactly the moment.
  EXPECT_EQ(musicClock.musicTimeMs, kStartMs);
  EXPECT_EQ(musicClock.frameDeltaMs, kStartMs - frameMs(first - 1));
  EXPECT_EQ(audioPosition(musicSource.musicStream, kAudioPositionBytes),
            static_cast<uint64_t>(kStartMs) * kRateHz / 1000 * 2);
}

TEST_F(LateStartTest, WithoutMusicTheSilentClockStartsAtTheMoment) {
  ASSERT_EQ(startShowAnswered(kDialogAnswerNo, kStartMs), 1);
  ASSERT_EQ(musicSource.musicSilent, 1);
  EXPECT_EQ(director.wideWall, 1);
  EXPECT_EQ(drawOne(), LoopPass::GoOn);
  EXPECT_GE(musicClock.musicTimeMs, kStartMs);
  EXPECT_LT(musicClock.musicTimeMs, kStartMs + 1000);
  EXPECT_GT(musicClock.frameDeltaMs, 0);
  EXPECT_LT(musicClock.frameDeltaMs, 1000);
}

TEST_F(LateStartTest, MusicThatEndsBeforeTheMomentEndsTheShowAtTheFirstFrame) {
  music(2.0);
  ASSERT_EQ(startShowAnswered(kDialogAnswerNo, kStartMs), 1);
  EXPECT_EQ(director.wideWall, 0);
  EXPECT_EQ(drawOne(), LoopPass::Done);
  EXPECT_EQ(recorder->count(GfxCall::Begin), 0);
}

TEST_F(LateStartTest, AStartAtZeroIsThePlainStart) {
  music(5.0);
  ASSERT_EQ(startShowAnswered(kDialogAnswerNo, 0), 1);
  EXPECT_EQ(musicClock.musicTimeMs, 0);
  EXPECT_EQ(drawOne(), LoopPass::GoOn);
  EXPECT_EQ(musicClock.musicTimeMs, 0);
}
}  // namespace
