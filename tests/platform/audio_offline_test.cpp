// The audio layer through its offline back-end: streams stood at exact
// frames, their spectrum and positions, and every way a call can fail.
#include "platform/headless/audio_offline.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "tests/platform/audio_checks.h"
#include "tests/platform/test_music.h"

namespace {
constexpr int kBins = 256;
constexpr int kSineBin = 24;

struct Spectrum {
  int32_t used = 0;
  float bins[512] = {};
  int peak() const { return static_cast<int>(std::max_element(bins, bins + kBins) - bins); }
};

Spectrum readSpectrum(AudioStream stream) {
  Spectrum spectrum;
  spectrum.used = audioGetData(stream, spectrum.bins, kAudioDataFft512);
  return spectrum;
}

class AudioOffline : public ::testing::Test {
 protected:
  void SetUp() override {
    audioRelease();
    ASSERT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 1);
  }
  void TearDown() override { audioRelease(); }

  AudioStream open(const std::string& path) {
    return audioOpenFile(0, path.c_str(), 0, 0, kAudioStreamPrescan);
  }
};

class AudioOfflineFormats : public AudioOffline,
                            public ::testing::WithParamInterface<MusicFormat> {};

TEST_P(AudioOfflineFormats, FullScaleSineOnABinReadsOneThere) {
  const MusicFormat format = GetParam();
  const size_t frames = static_cast<size_t>(format.rateHz);
  const AudioStream stream = open(
      writeMusic("sine.mp3", format, sinePcm(format, frames, binHz(format.rateHz, kSineBin), 1.0)));
  ASSERT_NE(stream, 0u) << audioLastError();
  EXPECT_EQ(audioOfflineRate(stream), static_cast<uint32_t>(format.rateHz));
  EXPECT_EQ(audioOfflineChannels(stream), static_cast<uint32_t>(format.channels));
  EXPECT_EQ(audioOfflineFrames(stream), frames);
  ASSERT_EQ(audioPlay(stream, 0), 1);

  const uint64_t frame = frames / 2;
  audioOfflineSetFrame(stream, frame);
  const Spectrum spectrum = readSpectrum(stream);
  EXPECT_EQ(audioLastError(), kAudioOk);
  EXPECT_EQ(spectrum.used, 512 * 2 * format.channels);
  EXPECT_EQ(spectrum.peak(), kSineBin);
  EXPECT_NEAR(spectrum.bins[kSineBin], 1.0f, 0.05f);
  // A Hann window leaks into the two neighbours only.
  for (int bin = 0; bin < kBins; ++bin) {
    if (std::abs(bin - kSineBin) <= 2) continue;
    EXPECT_LT(spectrum.bins[bin], 0.02f) << bin;
  }

  const uint64_t bytes = audioPosition(stream, kAudioPositionBytes);
  EXPECT_EQ(bytes, frame * 2 * format.channels);
  EXPECT_DOUBLE_EQ(audioBytesToSeconds(stream, bytes), static_cast<double>(frame) / format.rateHz);
  EXPECT_EQ(audioLastError(), kAudioOk);
}

TEST_P(AudioOfflineFormats, StandsWhereverItIsMoved) {
  const MusicFormat format = GetParam();
  const uint64_t frames = 2u * static_cast<uint64_t>(format.rateHz);
  const AudioStream stream = open(writeTwoTones("tones.mp3", format, frames));
  ASSERT_NE(stream, 0u) << audioLastError();
  expectStandsWhereMoved(stream, format, frames);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, AudioOfflineFormats, ::testing::ValuesIn(kMusicFormats),
                         [](const auto& param) { return musicFormatName(param.param); });

TEST_F(AudioOffline, StereoIsMixedToMono) {
  const MusicFormat stereo{44100, 2, false};
  const size_t frames = 44100;
  const int leftBin = 16;
  const int rightBin = 40;
  std::vector<int16_t> pcm = sinePcm(stereo, frames, binHz(44100, leftBin), 1.0);
  const std::vector<int16_t> right = sinePcm(stereo, frames, binHz(44100, rightBin), 1.0);
  for (size_t i = 0; i < frames; ++i) pcm[i * 2 + 1] = right[i * 2 + 1];
  const AudioStream stream = open(writeMusic("apart.mp3", stereo, pcm));
  ASSERT_NE(stream, 0u);
  audioPlay(stream, 0);
  audioOfflineSetFrame(stream, frames / 2);
  const Spectrum spectrum = readSpectrum(stream);
  EXPECT_NEAR(spectrum.bins[leftBin], 0.5f, 0.025f);
  EXPECT_NEAR(spectrum.bins[rightBin], 0.5f, 0.025f);
}

// The window is the 512 frames that end at the heard position, with silence
// before the start: standing at frame 256 of a tone that starts on frame 0
// fills half the window, and a tone that starts later is heard from its
// onset frame on, not from wherever an encoder's delay would put it.
TEST_F(AudioOffline, WindowEndsAtTheHeardFrame) {
  const MusicFormat mono{44100, 1, false};
  const size_t frames = 22050;
  const size_t onset = 8192;
  const double hz = binHz(44100, kSineBin);
  const AudioStream fromStart = open(writeMusic("start.mp3", mono, sinePcm(mono, frames, hz, 1.0)));
  const AudioStream late =
      open(writeMusic("late.mp3", mono, sinePcm(mono, frames, hz, 1.0, onset)));
  ASSERT_NE(fromStart, 0u);
  ASSERT_NE(late, 0u);
  audioPlay(fromStart, 0);
  audioPlay(late, 0);

  audioOfflineSetFrame(fromStart, 0);
  const Spectrum nothingYet = readSpectrum(fromStart);
  EXPECT_EQ(*std::max_element(nothingYet.bins, nothingYet.bins + kBins), 0.0f);
  audioOfflineSetFrame(fromStart, 256);
  EXPECT_NEAR(readSpectrum(fromStart).bins[kSineBin], 0.5f, 0.05f);

  audioOfflineSetFrame(late, onset);
  EXPECT_LT(readSpectrum(late).bins[kSineBin], 0.05f);
  audioOfflineSetFrame(late, onset + 256);
  EXPECT_NEAR(readSpectrum(late).bins[kSineBin], 0.5f, 0.05f);
  audioOfflineSetFrame(late, onset + 512);
  EXPECT_NEAR(readSpectrum(late).bins[kSineBin], 1.0f, 0.05f);
}

TEST_F(AudioOffline, OnlyAStartedStreamBeforeItsEndPlays) {
  const MusicFormat mono{44100, 1, false};
  const AudioStream stream = open(writeMusic("short.mp3", mono, sinePcm(mono, 4410, 440.0, 0.5)));
  ASSERT_NE(stream, 0u);
  const uint64_t frames = audioOfflineFrames(stream);
  ASSERT_EQ(frames, 4410u);
  Spectrum spectrum;
  EXPECT_EQ(audioGetData(stream, spectrum.bins, kAudioDataFft512), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);

  ASSERT_EQ(audioPlay(stream, 0), 1);
  audioOfflineSetFrame(stream, frames - 1);
  EXPECT_GT(audioGetData(stream, spectrum.bins, kAudioDataFft512), 0);
  EXPECT_EQ(audioLastError(), kAudioOk);

  audioOfflineSetFrame(stream, frames + 1000);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), frames * 2);
  EXPECT_EQ(audioGetData(stream, spectrum.bins, kAudioDataFft512), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorNotPlaying);

  // Played out, it starts over when played again.
  ASSERT_EQ(audioPlay(stream, 0), 1);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 0u);
  EXPECT_GT(audioGetData(stream, spectrum.bins, kAudioDataFft512), 0);
  audioOfflineSetFrame(stream, 1000);
  ASSERT_EQ(audioPlay(stream, 1), 1);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 0u);
}

// Moved before it plays, a stream plays from there; a restart still starts
// it from its first frame.
TEST_F(AudioOffline, AStreamMovedBeforePlayingPlaysFromThere) {
  const MusicFormat mono{44100, 1, false};
  const AudioStream stream = open(writeTwoTones("tones.mp3", mono, 44100));
  ASSERT_NE(stream, 0u);
  ASSERT_EQ(audioSetPosition(stream, 30000 * 2, kAudioPositionBytes), 1);
  ASSERT_EQ(audioPlay(stream, 0), 1);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 30000u * 2);
  EXPECT_EQ(spectrumPeak(stream), kSecondToneBin);
  ASSERT_EQ(audioPlay(stream, 1), 1);
  EXPECT_EQ(audioPosition(stream, kAudioPositionBytes), 0u);
}

// The PCM handed out for a sound track is the decoded stream itself: its
// channels interleaved as decoded, the same samples however it is cut into
// pieces, short at the end and nothing past it.
TEST_F(AudioOffline, CopiedFramesAreTheDecodedStream) {
  const MusicFormat stereo{44100, 2, false};
  const size_t frames = 8820;
  std::vector<int16_t> pcm = sinePcm(stereo, frames, binHz(44100, kSineBin), 0.8);
  for (size_t i = 0; i < frames; ++i) pcm[i * 2 + 1] = 0;
  const AudioStream stream = open(writeMusic("left.mp3", stereo, pcm));
  ASSERT_NE(stream, 0u);

  std::vector<int16_t> whole(frames * 2);
  ASSERT_EQ(audioOfflineCopyFrames(stream, 0, frames, whole.data()), frames);
  EXPECT_EQ(audioLastError(), kAudioOk);
  int16_t loudestLeft = 0;
  int16_t loudestRight = 0;
  for (size_t i = 0; i < frames; ++i) {
    loudestLeft = std::max<int16_t>(loudestLeft, static_cast<int16_t>(std::abs(whole[i * 2])));
    loudestRight =
        std::max<int16_t>(loudestRight, static_cast<int16_t>(std::abs(whole[i * 2 + 1])));
  }
  EXPECT_NEAR(loudestLeft, 0.8 * 32767, 0.05 * 32767);
  EXPECT_LT(loudestRight, 0.02 * 32767);

  std::vector<int16_t> pieces(frames * 2, 1);
  const uint64_t piece = 735;  // one frame of video at 60 frames per second
  uint64_t at = 0;
  while (at < frames) {
    const uint64_t got = audioOfflineCopyFrames(stream, at, piece, pieces.data() + at * 2);
    ASSERT_EQ(got, std::min<uint64_t>(piece, frames - at));
    at += got;
  }
  EXPECT_EQ(pieces, whole);

  int16_t untouched[4] = {7, 7, 7, 7};
  EXPECT_EQ(audioOfflineCopyFrames(stream, frames, 2, untouched), 0u);
  EXPECT_EQ(audioOfflineCopyFrames(stream, frames + 5, 2, untouched), 0u);
  EXPECT_EQ(untouched[0], 7);
  EXPECT_EQ(audioOfflineCopyFrames(stream + 1, 0, 2, untouched), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_EQ(audioOfflineCopyFrames(stream, 0, 2, nullptr), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorIllegalParam);
}

void writePng(const char* path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 64;
  image.height = 64;
  image.format = PNG_FORMAT_RGBA;
  const std::vector<uint8_t> pixels = randomBytes(64 * 64 * 4, 7);
  ASSERT_NE(png_image_write_to_file(&image, path, 0, pixels.data(), 0, nullptr), 0);
}

TEST_F(AudioOffline, FilesThatAreNotThereOrNotMusicFailCleanly) {
  EXPECT_EQ(open("no-such-file.mp3"), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorFileOpen);
  const std::string folder = scratchName("folder.mp3");
  mkdir(folder.c_str(), 0755);
  EXPECT_EQ(open(folder), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorFileOpen);

  const std::string picture = scratchName("picture.png");
  writePng(picture.c_str());
  const std::vector<std::string> notMusic = {
      picture,
      writeBytes("empty.mp3", {}),
      writeBytes("text.mp3", {'n', 'o', 't', ' ', 'm', 'u', 's', 'i', 'c', '\n'}),
      writeBytes("noise-small.mp3", randomBytes(3000, 1)),
      writeBytes("noise-large.mp3", randomBytes(400000, 2)),
  };
  for (const std::string& path : notMusic) {
    EXPECT_EQ(open(path), 0u) << path;
    EXPECT_EQ(audioLastError(), kAudioErrorFileFormat) << path;
  }
}

TEST_F(AudioOffline, CallsOnBadHandlesFailWithTheHandleError) {
  const MusicFormat mono{44100, 1, false};
  const std::string path = writeMusic("one.mp3", mono, sinePcm(mono, 4410, 440.0, 0.5));
  const AudioStream stale = open(path);
  ASSERT_NE(stale, 0u);
  audioRelease();
  ASSERT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 1);
  const AudioStream current = open(path);
  ASSERT_NE(current, 0u);
  ASSERT_NE(current, stale);

  for (AudioStream bad : {AudioStream{0}, stale, current + 1, AudioStream{0xffffffffu}}) {
    expectHandleRefused(bad);
    audioOfflineSetFrame(bad, 10);
    EXPECT_EQ(audioLastError(), kAudioErrorHandle);
    EXPECT_EQ(audioOfflineFrames(bad), 0u);
  }
  EXPECT_EQ(audioPosition(current, kAudioPositionBytes), 0u);
  EXPECT_EQ(audioLastError(), kAudioOk);
}

TEST_F(AudioOffline, ArgumentsAndOrderOfCallsAreChecked) {
  EXPECT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorAlreadyStarted);
  EXPECT_EQ(audioOpenFile(1, "one.mp3", 0, 0, 0), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorIllegalParam);
  EXPECT_EQ(audioOpenFile(0, nullptr, 0, 0, 0), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorFileOpen);

  const MusicFormat mono{44100, 1, false};
  const AudioStream stream = open(writeMusic("one.mp3", mono, sinePcm(mono, 4410, 440.0, 0.5)));
  ASSERT_NE(stream, 0u);
  audioPlay(stream, 0);
  float bins[512];
  EXPECT_EQ(audioGetData(stream, bins, 0x80000002), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorIllegalParam);
  EXPECT_EQ(audioPosition(stream, 1), UINT64_MAX);
  EXPECT_EQ(audioLastError(), kAudioErrorNotAvailable);

  EXPECT_EQ(audioRelease(), 1);
  EXPECT_EQ(audioRelease(), 1);
  EXPECT_EQ(audioOpenFile(0, "one.mp3", 0, 0, kAudioStreamPrescan), 0u);
  EXPECT_EQ(audioLastError(), kAudioErrorInit);
}

TEST_F(AudioOffline, AFullTableFailsUntilReleased) {
  const MusicFormat mono{44100, 1, false};
  const std::string path = writeMusic("one.mp3", mono, sinePcm(mono, 4410, 440.0, 0.5));
  std::vector<AudioStream> opened;
  for (;;) {
    const AudioStream stream = open(path);
    if (!stream) break;
    opened.push_back(stream);
    ASSERT_LT(opened.size(), 1000u);
  }
  EXPECT_EQ(audioLastError(), kAudioErrorMemory);
  EXPECT_GE(opened.size(), 1u);
  audioRelease();
  ASSERT_EQ(audioStartDevice(kAudioDefaultDevice, 44100, 0, nullptr), 1);
  EXPECT_NE(open(path), 0u);
}

TEST_F(AudioOffline, AFreedStreamGivesItsSlotBack) {
  const MusicFormat mono{44100, 1, false};
  expectFreedSlotsComeBack(writeMusic("one.mp3", mono, sinePcm(mono, 4410, 440.0, 0.5)));
}

TEST_F(AudioOffline, TheErrorCodeBelongsToTheCallingThread) {
  EXPECT_EQ(audioPlay(0, 0), 0);
  ASSERT_EQ(audioLastError(), kAudioErrorHandle);
  int seenBefore = -2;
  int seenAfter = -2;
  std::thread other([&] {
    seenBefore = audioLastError();
    open("no-such-file.mp3");
    seenAfter = audioLastError();
  });
  other.join();
  EXPECT_EQ(seenBefore, kAudioOk);
  EXPECT_EQ(seenAfter, kAudioErrorFileOpen);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
}
}  // namespace
