// The audio layer on SDL's device, with SDL's dummy driver, which consumes
// audio in real time without sound: the heard position against a monotonic
// clock, the spectrum while playing, the end of a stream, and failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/audio.h"
#include "tests/platform/audio_checks.h"
#include "tests/platform/test_music.h"

namespace {
using Clock = std::chrono::steady_clock;

constexpr int kSineBin = 24;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

class AudioDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    audioRelease();
    ASSERT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 1) << audioLastError();
  }
  void TearDown() override { audioRelease(); }

  static AudioStream open(const std::string& path) {
    return audioOpenFile(0, path.c_str(), 0, 0, kAudioStreamPrescan);
  }
  static AudioStream openSine(const char* name, const MusicFormat& format, double seconds) {
    const auto frames = static_cast<size_t>(seconds * format.rateHz);
    return open(
        writeMusic(name, format, sinePcm(format, frames, binHz(format.rateHz, kSineBin), 1.0)));
  }
};

class AudioDeviceFormats : public AudioDevice, public ::testing::WithParamInterface<MusicFormat> {};

// Over about a second of wall time the position never goes back, never
// passes the end, moves in whole frames, and rises at the stream's byte rate
// (within 20%: the dummy driver's timer and a busy machine may stretch it,
// but a position counted in the wrong unit or rate is off by far more).
TEST_P(AudioDeviceFormats, PositionRisesSteadilyAtTheStreamsRate) {
  const MusicFormat format = GetParam();
  const AudioStream stream = openSine("sine.mp3", format, 3.0);
  ASSERT_NE(stream, 0u) << audioLastError();
  const uint64_t frameBytes = 2u * format.channels;
  const uint64_t lengthBytes = 3u * format.rateHz * frameBytes;
  ASSERT_EQ(audioPlay(stream, 0), 1);

  const Clock::time_point start = Clock::now();
  uint64_t previous = 0;
  uint64_t firstMoved = 0;
  double firstMovedAt = -1.0;
  uint64_t last = 0;
  double lastAt = 0.0;
  while (secondsSince(start) < 1.0) {
    const uint64_t bytes = audioPosition(stream, kAudioPositionBytes);
    const double at = secondsSince(start);
    ASSERT_EQ(audioLastError(), kAudioOk);
    ASSERT_GE(bytes, previous);
    ASSERT_LE(bytes, lengthBytes);
    ASSERT_EQ(bytes % frameBytes, 0u);
    if (bytes > 0 && firstMovedAt < 0.0) {
      firstMoved = bytes;
      firstMovedAt = at;
    }
    previous = last = bytes;
    lastAt = at;
    pause(1);
  }
  ASSERT_GE(firstMovedAt, 0.0) << "the position never moved";
  const double expected = static_cast<double>(format.rateHz) * frameBytes;
  const double measured = static_cast<double>(last - firstMoved) / (lastAt - firstMovedAt);
  EXPECT_NEAR(measured / expected, 1.0, 0.2) << measured << " bytes/s";
  EXPECT_DOUBLE_EQ(audioBytesToSeconds(stream, expected), 1.0);

  float bins[512];
  EXPECT_EQ(audioGetData(stream, bins, kAudioDataFft512), 512 * static_cast<int>(frameBytes));
  EXPECT_EQ(std::max_element(bins, bins + 256) - bins, kSineBin);
  EXPECT_NEAR(bins[kSineBin], 1.0f, 0.05f);
}

TEST_P(AudioDeviceFormats, StandsWhereverItIsMoved) {
  const MusicFormat format = GetParam();
  const uint64_t frames = 2u * static_cast<uint64_t>(format.rateHz);
  const AudioStream stream = open(writeTwoTones("tones.mp3", format, frames));
  ASSERT_NE(stream, 0u) << audioLastError();
  expectStandsWhereMoved(stream, format, frames);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, AudioDeviceFormats, ::testing::ValuesIn(kMusicFormats),
                         [](const auto& param) { return musicFormatName(param.param); });

// Played to its end (longer than the decoded audio the layer holds, and
// resampled for the device), every spectrum read on the way shows the tone;
// then the position stands at the end and reads fail with kAudioErrorNotPlaying.
TEST_F(AudioDevice, PlaysToTheEndThenFailsWithNotPlaying) {
  const MusicFormat format{48000, 2, false};
  const double seconds = 3.5;
  const AudioStream stream = openSine("long.mp3", format, seconds);
  ASSERT_NE(stream, 0u);
  const uint64_t lengthBytes = static_cast<uint64_t>(seconds * format.rateHz) * 4;
  ASSERT_EQ(audioPlay(stream, 0), 1);

  const Clock::time_point start = Clock::now();
  float bins[512];
  int reads = 0;
  int32_t used = 0;
  while ((used = audioGetData(stream, bins, kAudioDataFft512)) > 0 && secondsSince(start) < 10.0) {
    const uint64_t bytes = audioPosition(stream, kAudioPositionBytes);
    // The window is all tone once 512 frames have been heard.
    if (bytes >= 600 * 4 && bytes <= lengthBytes - 600 * 4) {
      ++reads;
      ASSERT_NEAR(bins[kSineBin], 1.0f, 0.05f) << "at byte " << bytes;
    }
    pause(5);
  }
  const double took = secondsSince(start);
  EXPECT_EQ(used, -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);
  EXPECT_GT(reads, 100);
  EXPECT_GT(took, seconds * 0.8);
  EXPECT_LT(took, seconds * 1.5);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), lengthBytes);
  EXPECT_EQ(audioGetData(stream, bins, kAudioDataFft512), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);

  // Played again, it starts over.
  ASSERT_EQ(audioPlay(stream, 0), 1);
  pause(100);
  EXPECT_GT(audioGetData(stream, bins, kAudioDataFft512), 0);
  EXPECT_LT(audioPosition(stream, kAudioPositionBytes), lengthBytes / 2);
}

TEST_F(AudioDevice, AStreamNotYetPlayedStandsAtZeroAndDoesNotPlay) {
  const AudioStream stream = openSine("idle.mp3", {44100, 1, false}, 1.0);
  ASSERT_NE(stream, 0u);
  pause(100);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 0u);
  float bins[512];
  EXPECT_EQ(audioGetData(stream, bins, kAudioDataFft512), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);
}

TEST_F(AudioDevice, RestartGoesBackToTheFirstFrame) {
  const MusicFormat format{44100, 1, false};
  const AudioStream stream = openSine("again.mp3", format, 2.0);
  ASSERT_NE(stream, 0u);
  ASSERT_EQ(audioPlay(stream, 0), 1);
  pause(500);
  const uint64_t before = audioPosition(stream, kAudioPositionBytes);
  EXPECT_GT(before, 44100u * 2 / 4);  // past a quarter of a second
  ASSERT_EQ(audioPlay(stream, 1), 1);
  EXPECT_LT(audioPosition(stream, kAudioPositionBytes), before / 2);
  pause(300);
  EXPECT_GT(audioPosition(stream, kAudioPositionBytes), 0u);
  float bins[512];
  EXPECT_GT(audioGetData(stream, bins, kAudioDataFft512), 0);
}

// Three seconds of music whose second tone starts at 1.5 s.
constexpr MusicFormat kTonesFormat{44100, 2, false};
constexpr uint64_t kTonesFrames = 3 * 44100;
constexpr uint64_t kBytesPerSecond = 44100 * 4;

// Stood at a moment before it plays, a stream is heard from there on: the
// position never reads less, rises in real time, and the spectrum is the
// tone there.
TEST_F(AudioDevice, AStreamMovedBeforePlayingIsHeardFromThere) {
  const AudioStream stream = open(writeTwoTones("tones.mp3", kTonesFormat, kTonesFrames));
  ASSERT_NE(stream, 0u);
  const uint64_t at = 2 * kBytesPerSecond;
  ASSERT_EQ(audioSetPosition(stream, at, kAudioPositionBytes), 1);
  ASSERT_EQ(audioPlay(stream, 0), 1);
  const Clock::time_point start = Clock::now();
  uint64_t bytes = 0;
  while (secondsSince(start) < 0.4) {
    bytes = audioPosition(stream, kAudioPositionBytes);
    ASSERT_GE(bytes, at);
    ASSERT_EQ(spectrumPeak(stream), kSecondToneBin) << "at byte " << bytes;
    pause(5);
  }
  EXPECT_GT(bytes, at + kBytesPerSecond / 10);
  EXPECT_LT(bytes, at + kBytesPerSecond);
}

// Moved while it plays, forward and back, a stream is heard from the new
// place at once.
TEST_F(AudioDevice, AStreamMovedWhilePlayingIsHeardFromTheNewPlace) {
  const AudioStream stream = open(writeTwoTones("tones.mp3", kTonesFormat, kTonesFrames));
  ASSERT_NE(stream, 0u);
  ASSERT_EQ(audioPlay(stream, 0), 1);
  pause(200);
  EXPECT_EQ(spectrumPeak(stream), kFirstToneBin);
  for (const uint64_t at : {2 * kBytesPerSecond, kBytesPerSecond / 4}) {
    SCOPED_TRACE(testing::Message() << "moved to byte " << at);
    ASSERT_EQ(audioSetPosition(stream, at, kAudioPositionBytes), 1);
    EXPECT_GE(audioPosition(stream, kAudioPositionBytes), at);
    pause(200);
    const uint64_t bytes = audioPosition(stream, kAudioPositionBytes);
    EXPECT_GT(bytes, at);
    EXPECT_LT(bytes, at + kBytesPerSecond);
    EXPECT_EQ(spectrumPeak(stream), at > kTonesFrames * 2 ? kSecondToneBin : kFirstToneBin);
  }
}

TEST_F(AudioDevice, AFreedStreamGivesItsSlotBackWhileTheOthersPlayOn) {
  const MusicFormat stereo{44100, 2, false};
  expectFreedSlotsComeBack(
      writeMusic("long.mp3", stereo, sinePcm(stereo, 44100 * 4, 440.0, 0.5)));
}

TEST_F(AudioDevice, FailuresOfOpeningAndBadHandles) {
  EXPECT_EQ(open("no-such-file.mp3"), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorFileOpen);
  EXPECT_EQ(open(writeBytes("noise.mp3", randomBytes(100000, 3))), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorFileFormat);

  const AudioStream stale = openSine("one.mp3", {44100, 1, false}, 0.2);
  ASSERT_NE(stale, 0u);
  audioRelease();
  ASSERT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 1);
  expectHandleRefused(0);
  expectHandleRefused(stale);
  EXPECT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorAlreadyStarted);
}

TEST_F(AudioDevice, ReleaseWhilePlayingStopsEverythingAndMayBeRepeated) {
  const AudioStream first = openSine("first.mp3", {44100, 2, false}, 2.0);
  const AudioStream second = openSine("second.mp3", {32000, 1, false}, 2.0);
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  audioPlay(first, 0);
  audioPlay(second, 0);
  pause(200);
  EXPECT_EQ(audioRelease(), 1);
  EXPECT_EQ(audioRelease(), 1);
  EXPECT_EQ(audioPosition(first, kAudioPositionBytes), UINT64_MAX);
  EXPECT_EQ(audioOpenFile(0, "first.mp3", 0, 0, 0), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorInit);
}

// The show ends from inside a frame through exit(), with the music playing
// and no release: the layer stops its device and its thread on the way out.
TEST_F(AudioDevice, ExitWhilePlayingEndsTheProcessCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string path =
      writeMusic("exit.mp3", {44100, 2, false},
                 sinePcm({44100, 2, false}, 88200, binHz(44100, kSineBin), 1.0));
  EXPECT_EXIT(
      {
        audioRelease();
        if (!audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr)) std::_Exit(2);
        const AudioStream stream = open(path);
        if (!stream || !audioPlay(stream, 0)) std::_Exit(3);
        pause(200);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(AudioDevice, NoOutputDeviceFailsWithNoDevice) {
  audioRelease();
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorNoDevice);
  EXPECT_EQ(audioOpenFile(0, "any.mp3", 0, 0, 0), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorInit);
  EXPECT_EQ(audioRelease(), 1);
}
}  // namespace
