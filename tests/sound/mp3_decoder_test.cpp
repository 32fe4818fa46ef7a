// The MP3 decoder: exact, gapless lengths and sample alignment in every
// format, and seeking.
#include "sound/mp3_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "tests/platform/test_music.h"

namespace {
// One second of music per test file.
size_t oneSecond(const MusicFormat& format) { return static_cast<size_t>(format.rateHz); }

std::vector<int16_t> decodeAll(Mp3Decoder* decoder) {
  std::vector<int16_t> pcm(decoder->frames * decoder->channels);
  size_t frames = 0;
  while (frames < decoder->frames) {
    const size_t got = mp3Decode(decoder, pcm.data() + frames * decoder->channels, 1000);
    if (got == 0) break;
    frames += got;
  }
  pcm.resize(frames * decoder->channels);
  return pcm;
}

// The lag (in frames) at which the first channel of `decoded` lines up best
// with `original` over the first `span` frames: 0 when the decoded stream
// starts on the music's first sample, the encoder's delay when it does not.
int bestLag(const std::vector<int16_t>& original, const std::vector<int16_t>& decoded, int channels,
            int span, int maxLag) {
  span = std::min(span, static_cast<int>(decoded.size() / channels));
  int best = 0;
  double bestScore = -1e300;
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double score = 0.0;
    for (int i = 0; i < span; ++i) {
      const int j = i - lag;
      if (j < 0 || static_cast<size_t>(j) * channels >= original.size()) continue;
      score += static_cast<double>(decoded[static_cast<size_t>(i) * channels]) *
               original[static_cast<size_t>(j) * channels];
    }
    if (score > bestScore) {
      bestScore = score;
      best = lag;
    }
  }
  return best;
}

// Closes the decoder however the test ends.
struct OpenDecoder {
  Mp3Decoder decoder;
  ~OpenDecoder() { mp3Close(&decoder); }
};

class Mp3DecoderFormats : public ::testing::TestWithParam<MusicFormat> {};

TEST_P(Mp3DecoderFormats, DecodesGaplesslyToTheExactLength) {
  const MusicFormat format = GetParam();
  const std::vector<int16_t> original = chirpPcm(format, oneSecond(format));
  const std::string path = writeMusic("chirp.mp3", format, original);

  OpenDecoder open;
  Mp3Decoder& decoder = open.decoder;
  ASSERT_EQ(mp3Open(&decoder, path.c_str()), kAudioOk);
  EXPECT_EQ(decoder.rateHz, static_cast<uint32_t>(format.rateHz));
  EXPECT_EQ(decoder.channels, static_cast<uint32_t>(format.channels));
  EXPECT_EQ(decoder.frames, oneSecond(format));
  const std::vector<int16_t> decoded = decodeAll(&decoder);
  EXPECT_EQ(decoded.size(), original.size());
  // The encoder's delay alone is over 500 frames; a decoder that kept it
  // would line up far from 0.
  EXPECT_EQ(bestLag(original, decoded, format.channels, 4096, 2000), 0);
  EXPECT_EQ(mp3Decode(&decoder, const_cast<int16_t*>(decoded.data()), 1), 0u);
  mp3Close(&decoder);
  EXPECT_EQ(decoder.handle, nullptr);
}

// The largest difference between two runs of samples. After a seek
// libmpg123 may round a few samples the other way (seen with VBR files);
// anything more would be other music.
int largestDifference(const int16_t* a, const int16_t* b, size_t count) {
  int largest = 0;
  for (size_t i = 0; i < count; ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
  return largest;
}

TEST_P(Mp3DecoderFormats, SeekingDecodesTheSamplesThatDecodingFromTheStartGivesThere) {
  const MusicFormat format = GetParam();
  const std::string path = writeMusic("again.mp3", format, chirpPcm(format, oneSecond(format)));
  OpenDecoder open;
  Mp3Decoder& decoder = open.decoder;
  ASSERT_EQ(mp3Open(&decoder, path.c_str()), kAudioOk);
  const std::vector<int16_t> first = decodeAll(&decoder);
  ASSERT_EQ(mp3Seek(&decoder, 0), 1);
  const std::vector<int16_t> second = decodeAll(&decoder);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_LE(largestDifference(first.data(), second.data(), first.size()), 2);

  // Back into the middle, forward past an MP3 frame, and to a frame's
  // neighbour: each seek lands on its exact sample and decodes on from there.
  const size_t channels = decoder.channels;
  for (const uint64_t at : {uint64_t{12345}, uint64_t{3}, decoder.frames - 100}) {
    ASSERT_EQ(mp3Seek(&decoder, at), 1) << at;
    std::vector<int16_t> part(100 * channels);
    ASSERT_EQ(mp3Decode(&decoder, part.data(), 100), 100u) << at;
    EXPECT_LE(largestDifference(first.data() + at * channels, part.data(), part.size()), 2) << at;
  }
  // The end is a place to stand; beyond it is not.
  EXPECT_EQ(mp3Seek(&decoder, decoder.frames), 1);
  int16_t sample[2] = {};
  EXPECT_EQ(mp3Decode(&decoder, sample, 1), 0u);
  EXPECT_EQ(mp3Seek(&decoder, decoder.frames + 1), 0);
}

TEST_P(Mp3DecoderFormats, DecodingAllAtOnceGivesTheSameSamplesAsDecodingInSteps) {
  const MusicFormat format = GetParam();
  const std::string path = writeMusic("whole.mp3", format, chirpPcm(format, oneSecond(format)));
  OpenDecoder stepwise;
  ASSERT_EQ(mp3Open(&stepwise.decoder, path.c_str()), kAudioOk);
  const std::vector<int16_t> steps = decodeAll(&stepwise.decoder);

  OpenDecoder whole;
  ASSERT_EQ(mp3Open(&whole.decoder, path.c_str()), kAudioOk);
  uint64_t frames = 0;
  int error = kAudioOk;
  int16_t* samples = mp3DecodeAll(&whole.decoder, &frames, &error);
  ASSERT_NE(samples, nullptr);
  EXPECT_EQ(error, kAudioOk);
  EXPECT_EQ(frames, oneSecond(format));
  ASSERT_EQ(frames * format.channels, steps.size());
  EXPECT_TRUE(std::equal(steps.begin(), steps.end(), samples));
  std::free(samples);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Mp3DecoderFormats, ::testing::ValuesIn(kMusicFormats),
                         [](const auto& param) { return musicFormatName(param.param); });

TEST(Mp3Decoder, DecodingAllOfAnEmptyDecoderGivesNothingAndSaysSo) {
  Mp3Decoder decoder;
  uint64_t frames = 7;
  int error = kAudioOk;
  int16_t* samples = mp3DecodeAll(&decoder, &frames, &error);
  EXPECT_EQ(samples, nullptr);
  EXPECT_EQ(frames, 0u);
  EXPECT_NE(error, kAudioOk);
  std::free(samples);
}

TEST(Mp3Decoder, ClosingAnEmptyDecoderIsHarmless) {
  Mp3Decoder decoder;
  mp3Close(&decoder);
  mp3Close(&decoder);
  int16_t sample = 0;
  EXPECT_EQ(mp3Decode(&decoder, &sample, 1), 0u);
  EXPECT_EQ(mp3Seek(&decoder, 0), 0);
}
}  // namespace
