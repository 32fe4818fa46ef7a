// The two ends of the show as a frame reports them: the music has stopped, or
// the end time has passed. Either frame returns 0 to whoever runs the loop
// and leaves out what the show no longer draws; nothing ends the process.
#include <gtest/gtest.h>

#include "gfx/gfx_recorder.h"
#include "tests/support/fake_audio.h"
#include "tests/timeline/director_fixture.h"

namespace {
class ShowEndTest : public DirectorFixture {
 protected:
  void SetUp() override {
    DirectorFixture::SetUp();
    fakeAudio = FakeAudio{};
    // One byte per millisecond: the position is the music time.
    fakeAudio.bytesPerSecond = 1000.0;
    musicSource.musicSilent = 0;
  }
};

// Everything after the frame's start: its clear, colour, texturing and
// identity.
constexpr size_t kFrameStartCalls = 4;

TEST_F(ShowEndTest, TheFrameAfterTheMusicStoppedReportsTheEndAndDrawsNothingAfterTheClear) {
  fakeAudio.position = 100000;
  fakeAudio.dataError = kAudioErrorNotPlaying;
  GfxRecorder recorder;
  EXPECT_EQ(renderFrame(), 0);
  ASSERT_EQ(recorder.calls().size(), kFrameStartCalls) << recorder.dump();
  EXPECT_EQ(recorder.calls()[0].kind, GfxCall::Clear);
  EXPECT_EQ(recorder.calls()[3].kind, GfxCall::LoadIdentity);
  // The frame's clock was read before the end was found.
  EXPECT_EQ(musicClock.musicTimeMs, 100000);
}

TEST_F(ShowEndTest, WhilePlayingEveryFrameGoesOnToTheEffects) {
  for (int32_t t : {0, 26000, 100000, showEndsAtMs() - 1}) {
    SCOPED_TRACE(t);
    fakeAudio.position = static_cast<uint64_t>(t);
    GfxRecorder recorder;
    EXPECT_EQ(renderFrame(), 1);
    // The ribbons, last of the effects, end every frame with a flush.
    EXPECT_EQ(recorder.calls().back().kind, GfxCall::Flush);
  }
}

TEST_F(ShowEndTest, TheFirstFramePastTheEndTimeReportsTheEndBeforeTheCardWallAndEffects) {
  for (int32_t t : {showEndsAtMs(), showEndsAtMs() + 5000}) {
    SCOPED_TRACE(t);
    fakeAudio.position = static_cast<uint64_t>(t);
    GfxRecorder recorder;
    EXPECT_EQ(renderFrame(), 0);
    // The card and the effect space are placed by translations, the wall is
    // the quad that reaches z = 1, the ribbons end with a flush: none of them.
    EXPECT_EQ(recorder.count(GfxCall::Translate), 0) << recorder.dump();
    EXPECT_EQ(recorder.count(GfxCall::Flush), 0);
    for (const GfxCall& call : recorder.calls()) {
      if (call.kind == GfxCall::Vertex) {
        EXPECT_NE(call.a[2], 1.0);
      }
    }
  }
}
}  // namespace
