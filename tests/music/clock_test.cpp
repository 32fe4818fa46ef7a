// The music clock at the start of every frame: the byte-position conversion,
// the frame delta, the spectrum read, the Space print and the end of music.
#include "music/clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/gfx.h"
#include "platform/keys.h"
#include "platform/sys.h"
#include "tests/support/fake_audio.h"

namespace {
class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeAudio = FakeAudio{};
    resetMusicClock();
    resetMusicSource();
    std::memset(keys, 0, sizeof keys);
    gfx = &gfxDiscard;
  }
  void TearDown() override { gfx = &gfxDirect; }

  // The byte count the conversion hands on to bytes-to-seconds.
  static uint64_t narrowed(uint64_t position) {
    fakeAudio.position = position;
    beginFrame();
    return fakeAudio.lastConvertedBytes;
  }
};

TEST_F(ClockTest, PositionsPassThroughSinglePrecisionOnTheWayToSeconds) {
  constexpr uint64_t k24 = 1ull << 24;
  EXPECT_EQ(narrowed(k24 - 1), k24 - 1);
  EXPECT_EQ(narrowed(k24), k24);
  EXPECT_EQ(narrowed(k24 + 1), k24);      // a tie: to the even neighbour below
  EXPECT_EQ(narrowed(k24 + 2), k24 + 2);  // on the grid of 2 bytes
  EXPECT_EQ(narrowed(k24 + 3), k24 + 4);  // a tie: to the even neighbour above
  constexpr uint64_t k25 = 1ull << 25;
  EXPECT_EQ(narrowed(k25 + 1), k25);  // grid of 4 bytes
  EXPECT_EQ(narrowed(k25 + 3), k25 + 4);
  EXPECT_EQ(narrowed(k25 + 6), k25 + 8);  // tie between +4 and +8: even is +8
}

TEST_F(ClockTest, MillisecondsAreTruncatedNotRounded) {
  fakeAudio.bytesPerSecond = 10000.0;
  fakeAudio.position = 19996;  // 1.9996 s
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 1999);
}

TEST_F(ClockTest, DeltaIsTheFirstReadingThenTheDifferenceAndZeroWhenStill) {
  fakeAudio.bytesPerSecond = 1000.0;
  fakeAudio.position = 700;
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 700);
  EXPECT_EQ(musicClock.frameDeltaMs, 700);
  fakeAudio.position = 716;
  beginFrame();
  EXPECT_EQ(musicClock.frameDeltaMs, 16);
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 716);
  EXPECT_EQ(musicClock.frameDeltaMs, 0);
}

TEST_F(ClockTest, TheSpectrumIsReadOnEveryFrameIntoTheFirst256Entries) {
  musicClock.spectrum[300] = 7.0f;
  fakeAudio.spectrumValue = 0.25f;
  beginFrame();
  beginFrame();
  EXPECT_EQ(fakeAudio.dataReads, 2);
  EXPECT_FLOAT_EQ(musicClock.spectrum[0], 0.25f);
  EXPECT_FLOAT_EQ(musicClock.spectrum[255], 0.25f);
  EXPECT_FLOAT_EQ(musicClock.spectrum[300], 7.0f);
}

TEST_F(ClockTest, SpacePrintsTheClockOncePerFrameWhileHeld) {
  fakeAudio.bytesPerSecond = 1000.0;
  testing::internal::CaptureStdout();
  fakeAudio.position = 100;
  beginFrame();
  keys[kVkSpace] = 1;
  fakeAudio.position = 120;
  beginFrame();
  fakeAudio.position = 137;
  beginFrame();
  keys[kVkSpace] = 0;
  fakeAudio.position = 150;
  beginFrame();
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "120\n137\n");
}

TEST_F(ClockTest, AFailedPositionReadOrConversionLeavesTheClockWhereItStood) {
  fakeAudio.bytesPerSecond = 1000.0;
  fakeAudio.position = 5000;
  beginFrame();
  fakeAudio.position = kAudioPositionFailed;
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 5000);
  EXPECT_EQ(musicClock.frameDeltaMs, 0);
  fakeAudio.position = 5020;
  fakeAudio.bytesPerSecond = -1.0;  // negative seconds, as a failed conversion gives
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 5000);
  fakeAudio.bytesPerSecond = 1000.0;
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 5020);
  EXPECT_EQ(musicClock.frameDeltaMs, 20);
}

TEST_F(ClockTest, AnErrorOtherThanNotPlayingLeavesTheFrameGoingOnWithTheOldSpectrum) {
  fakeAudio.bytesPerSecond = 1000.0;
  fakeAudio.position = 250;
  musicClock.spectrum[3] = 0.5f;
  fakeAudio.spectrumValue = 0.25f;
  fakeAudio.dataError = kAudioErrorHandle;
  EXPECT_EQ(beginFrame(), 1);
  EXPECT_EQ(musicClock.musicTimeMs, 250);
  EXPECT_FLOAT_EQ(musicClock.spectrum[3], 0.5f);
}

TEST_F(ClockTest, TheFrameAfterTheMusicStoppedPrintsItsClockThenReportsTheEnd) {
  fakeAudio.dataError = kAudioErrorNotPlaying;
  keys[kVkSpace] = 1;
  fakeAudio.bytesPerSecond = 1000.0;
  fakeAudio.position = 4321;
  testing::internal::CaptureStdout();
  EXPECT_EQ(beginFrame(), 0);
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "4321\n");
}

TEST_F(ClockTest, SilentClockRunsInRealTimeFromZeroWithoutTouchingTheStream) {
  musicSource.musicSilent = 1;
  fakeAudio.dataError = kAudioErrorNotPlaying;
  EXPECT_EQ(beginFrame(), 1);
  EXPECT_EQ(musicClock.musicTimeMs, 0);
  sysSleep(30);
  beginFrame();
  EXPECT_GE(musicClock.musicTimeMs, 30);
  EXPECT_EQ(musicClock.frameDeltaMs, musicClock.musicTimeMs);
  EXPECT_EQ(fakeAudio.dataReads, 0);
  EXPECT_FLOAT_EQ(musicClock.spectrum[0], 0.0f);
}
// A silent show started later: each stand reads exactly on the next frame,
// and the clock runs on in real time from there.
TEST_F(ClockTest, SilentClockStoodAtAMomentReadsItThenRunsOnFromThere) {
  musicSource.musicSilent = 1;
  musicSilentStandAt(59983);
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 59983);
  musicSilentStandAt(60000);
  beginFrame();
  EXPECT_EQ(musicClock.musicTimeMs, 60000);
  EXPECT_EQ(musicClock.frameDeltaMs, 17);
  sysSleep(30);
  beginFrame();
  EXPECT_GE(musicClock.musicTimeMs, 60030);
  EXPECT_EQ(fakeAudio.dataReads, 0);
}
// The sound going and coming back, and the viewer's offset: the show's own
// stream (a handle the fake takes), 16-bit stereo at 1 kHz: a sample a ms.
class HeardClockTest : public ClockTest {
 protected:
  void SetUp() override {
    ClockTest::SetUp();
    fakeAudio.bytesPerSecond = 4000.0;
    musicSource.musicStream = 1;
  }
  // A frame with the music heard at `ms`.
  static int32_t frameAt(uint64_t ms) {
    fakeAudio.position = ms * 4;
    beginFrame();
    return musicClock.musicTimeMs;
  }
};

TEST_F(HeardClockTest, ALostDeviceHandsTheClockToTheSilentOneFromTheMomentLastHeardSaidOnce) {
  EXPECT_EQ(frameAt(1000), 1000);
  EXPECT_EQ(frameAt(2000), 2000);
  fakeAudio.deviceHeard = false;
  testing::internal::CaptureStderr();
  // What the lost device still says of its position counts no more.
  EXPECT_EQ(frameAt(9000), 2000);
  EXPECT_EQ(musicClock.frameDeltaMs, 0);
  const int reads = fakeAudio.dataReads;
  const int32_t later = frameAt(9500);
  const int32_t again = frameAt(9600);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_GE(later, 2000);
  EXPECT_GE(again, later) << "the silent clock went back";
  EXPECT_LT(again, 2000 + 5000) << "the silent clock runs in real time";
  EXPECT_EQ(fakeAudio.dataReads, reads) << "the lost stream was read";
  EXPECT_EQ(musicSource.musicSilent, 1);
  size_t count = 0;
  for (size_t at = said.find("the sound has stopped"); at != std::string::npos;
       at = said.find("the sound has stopped", at + 1))
    ++count;
  EXPECT_EQ(count, 1u) << said;
}

TEST_F(HeardClockTest, WhenTheOutputComesBackTheMusicJoinsTheClockWhereItStands) {
  frameAt(3000);
  fakeAudio.deviceHeard = false;
  testing::internal::CaptureStderr();
  frameAt(3000);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(musicSource.soundLost, 1);
  const int32_t clock = musicPeekMs();
  fakeAudio.deviceHeard = true;
  fakeAudio.playing = false;
  beginFrame();
  EXPECT_TRUE(fakeAudio.playing) << "the music was not played again";
  EXPECT_EQ(musicSource.musicSilent, 0);
  EXPECT_GE(musicClock.musicTimeMs, clock);
  EXPECT_LT(musicClock.musicTimeMs, clock + 1000);
}

TEST_F(HeardClockTest, AnOutputThatComesBackWhileTheViewerHoldsTheShowStaysQuietUntilPlay) {
  frameAt(3000);
  fakeAudio.deviceHeard = false;
  testing::internal::CaptureStderr();
  frameAt(3000);
  testing::internal::GetCapturedStderr();
  musicSource.viewerHolds = 1;
  fakeAudio.deviceHeard = true;
  fakeAudio.playing = false;
  beginFrame();
  beginFrame();
  EXPECT_FALSE(fakeAudio.playing) << "the music played while the show was held";
  EXPECT_EQ(musicSource.musicSilent, 1);
  musicSource.viewerHolds = 0;
  beginFrame();
  EXPECT_TRUE(fakeAudio.playing);
  EXPECT_EQ(musicSource.musicSilent, 0);
}

TEST_F(HeardClockTest, TheOffsetDrawsThePictureThatMuchLaterThanTheSoundButNotOnTheFrameClock) {
  musicSource.offsetMs = 150;
  EXPECT_EQ(frameAt(1000), 850);
  EXPECT_EQ(frameAt(100), 0) << "the picture never stands before the music's start";
  musicSource.stood = 1;
  EXPECT_EQ(frameAt(1000), 1000);
  musicSource.stood = 0;
  musicSource.offsetMs = -200;
  EXPECT_EQ(frameAt(1000), 1200);
  // Standing the music for a moment of the picture puts the offset back.
  musicSource.offsetMs = 150;
  EXPECT_EQ(musicBytesForMs(1000), (1000u + 150u) * 4);
}

TEST_F(HeardClockTest, PeekingReadsTheClockWithoutTakingIt) {
  frameAt(1000);
  fakeAudio.position = 4000 * 4;
  EXPECT_EQ(musicPeekMs(), 4000);
  EXPECT_EQ(musicClock.musicTimeMs, 1000);
  EXPECT_EQ(frameAt(4000), 4000);
  EXPECT_EQ(musicClock.frameDeltaMs, 3000);
}
}  // namespace
