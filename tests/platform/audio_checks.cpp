#include "tests/platform/audio_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
constexpr int kBins = 256;
// A 60 frames-per-second step of music at 44.1 kHz.
constexpr uint64_t kStepFrames = 735;
// Frames near the change of tone (and the start) where the window holds some
// of both, or the encoder's smear of the change.
constexpr uint64_t kMixedFrames = 1200;
}  // namespace

void expectHandleRefused(AudioStream bad) {
  SCOPED_TRACE(testing::Message() << "handle " << bad);
  float bins[512];
  EXPECT_EQ(audioPlay(bad, 0), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_EQ(audioPosition(bad, kAudioPositionBytes), UINT64_MAX);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_LT(audioBytesToSeconds(bad, 4), 0.0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_EQ(audioGetData(bad, bins, kAudioDataFft512), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_EQ(audioSetPosition(bad, 0, kAudioPositionBytes), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  AudioStreamInfo info;
  EXPECT_EQ(audioGetInfo(bad, &info), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
}

void expectFreedSlotsComeBack(const std::string& path) {
  std::vector<AudioStream> opened;
  for (;;) {
    const AudioStream stream = audioOpenFile(0, path.c_str(), 0, 0, kAudioStreamPrescan);
    if (!stream) break;
    opened.push_back(stream);
    ASSERT_LT(opened.size(), 1000u);
  }
  ASSERT_GE(opened.size(), 3u);
  EXPECT_EQ(audioLastError(), kAudioErrorMemory);
  ASSERT_EQ(audioPlay(opened[0], 0), 1);
  EXPECT_EQ(audioFreeStream(opened[0]), 1);
  EXPECT_EQ(audioFreeStream(opened[1]), 1);
  expectHandleRefused(opened[0]);
  expectHandleRefused(opened[1]);
  EXPECT_EQ(audioFreeStream(opened[1]), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  const AudioStream again = audioOpenFile(0, path.c_str(), 0, 0, kAudioStreamPrescan);
  const AudioStream another = audioOpenFile(0, path.c_str(), 0, 0, kAudioStreamPrescan);
  EXPECT_NE(again, 0u);
  EXPECT_NE(another, 0u);
  EXPECT_NE(again, opened[0]);
  EXPECT_NE(again, opened[1]);
  EXPECT_EQ(audioOpenFile(0, path.c_str(), 0, 0, kAudioStreamPrescan), 0u);
  EXPECT_EQ(audioSetPosition(opened[2], 4, kAudioPositionBytes), 1);
  EXPECT_EQ(audioPosition(opened[2], kAudioPositionBytes), 4u);
  EXPECT_EQ(audioPlay(again, 0), 1);
}

std::string writeTwoTones(const std::string& name, const MusicFormat& format, size_t frames) {
  const size_t half = frames / 2;
  std::vector<int16_t> pcm = sinePcm(format, frames, binHz(format.rateHz, kFirstToneBin), 1.0);
  const std::vector<int16_t> second =
      sinePcm(format, frames, binHz(format.rateHz, kSecondToneBin), 1.0, half);
  std::copy(second.begin() + static_cast<std::ptrdiff_t>(half * format.channels), second.end(),
            pcm.begin() + static_cast<std::ptrdiff_t>(half * format.channels));
  return writeMusic(name, format, pcm);
}

int spectrumPeak(AudioStream stream) {
  float bins[512] = {};
  if (audioGetData(stream, bins, kAudioDataFft512) <= 0) return -1;
  return static_cast<int>(std::max_element(bins, bins + kBins) - bins);
}

void expectStandsWhereMoved(AudioStream stream, const MusicFormat& format, uint64_t frames) {
  const uint64_t frameBytes = 2u * static_cast<uint64_t>(format.channels);
  const uint64_t half = frames / 2;
  AudioStreamInfo info;
  ASSERT_EQ(audioGetInfo(stream, &info), 1);
  EXPECT_EQ(info.rateHz, static_cast<uint32_t>(format.rateHz));
  EXPECT_EQ(info.channels, static_cast<uint32_t>(format.channels));
  EXPECT_EQ(info.frames, frames);
  EXPECT_EQ(audioGetInfo(stream, nullptr), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorIllegalParam);
  // Never played nor moved: nothing to read.
  EXPECT_EQ(spectrumPeak(stream), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);

  // Forward in steps, then back into the first tone, then forward past the
  // change again: each move stands exactly there and reads the tone there.
  std::vector<uint64_t> moves;
  for (uint64_t frame = kMixedFrames; frame + kMixedFrames < frames; frame += kStepFrames)
    moves.push_back(frame);
  moves.push_back(half / 2);
  moves.push_back(half + half / 2);
  int checked = 0;
  for (const uint64_t frame : moves) {
    SCOPED_TRACE(testing::Message() << "frame " << frame);
    ASSERT_EQ(audioSetPosition(stream, frame * frameBytes, kAudioPositionBytes), 1)
        << audioLastError();
    EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), frame * frameBytes);
    const bool first = frame + kMixedFrames < half;
    const bool second = frame > half + kMixedFrames;
    if (!first && !second) continue;
    EXPECT_EQ(spectrumPeak(stream), first ? kFirstToneBin : kSecondToneBin);
    ++checked;
  }
  EXPECT_GT(checked, 10);

  // A byte position inside a frame stands on that frame.
  ASSERT_EQ(audioSetPosition(stream, 1000 * frameBytes + 1, kAudioPositionBytes), 1);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 1000 * frameBytes);
  // Refused moves leave it where it stood.
  EXPECT_EQ(audioSetPosition(stream, 0, kAudioPositionBytes + 1), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorNotAvailable);
  EXPECT_EQ(audioSetPosition(stream, (frames + 1) * frameBytes, kAudioPositionBytes), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorPosition);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 1000 * frameBytes);
  // At its very end it has played out.
  ASSERT_EQ(audioSetPosition(stream, frames * frameBytes, kAudioPositionBytes), 1);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), frames * frameBytes);
  EXPECT_EQ(spectrumPeak(stream), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);
}
