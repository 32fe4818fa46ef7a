// The generated pictures and music, read from the build's show folder as the
// show will read them, and the generator's promise of the same bytes on every
// run.
#include <gtest/gtest.h>
#include <mpg123.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assets/glyphs.h"
#include "assets/slots.h"
#include "tests/tools/onset_curve.h"
#include "timeline/moments.h"

namespace {
const std::string kShowDir = VANTOREL_SHOW_DIR;
constexpr int kRate = 44100;

// A picture as libpng decodes it: 8-bit RGB or RGBA, rows top first.
struct Picture {
  bool ok = false;
  uint32_t width = 0;
  uint32_t height = 0;
  bool alpha = false;
  std::vector<uint8_t> pixels;

  const uint8_t* at(uint32_t x, uint32_t y) const {
    return &pixels[(static_cast<size_t>(y) * width + x) * (alpha ? 4 : 3)];
  }
};

Picture decodePng(const std::string& path) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
  picture.alpha = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  image.format = picture.alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  picture.pixels.resize(PNG_IMAGE_SIZE(image));
  picture.ok = png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr) != 0;
  picture.width = image.width;
  picture.height = image.height;
  png_image_free(&image);
  return picture;
}

std::string pictureName(int slot) { return kSlotFiles[slot]; }

struct Designed {
  uint32_t width;
  uint32_t height;
  bool alpha;
};

// Indexed by slot: the sprite and the banners keep alpha; the 6:1 banners
// are not powers of two.
constexpr Designed kDesigned[kSlotEmpty] = {
    {64, 64, true},    {64, 64, false},   {512, 256, false}, {512, 512, false},
    {128, 64, false},  {128, 64, false},  {512, 512, false}, {512, 512, false},
    {512, 512, false}, {256, 256, false}, {512, 256, false}, {128, 64, false},
    {256, 256, false}, {768, 128, true},  {768, 128, true},  {768, 128, true},
    {768, 128, true},  {512, 512, false}, {512, 512, false},
};

bool isPowerOfTwo(uint32_t n) { return n && (n & (n - 1)) == 0; }

TEST(GeneratedPictures, EachDecodesWithItsDesignedSizeAndAlpha) {
  int notPowerOfTwo = 0;
  int withAlpha = 0;
  for (int slot = 0; slot < kSlotEmpty; ++slot) {
    SCOPED_TRACE(pictureName(slot));
    const Picture picture = decodePng(kShowDir + "/" + pictureName(slot));
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, kDesigned[slot].width);
    EXPECT_EQ(picture.height, kDesigned[slot].height);
    EXPECT_EQ(picture.alpha, kDesigned[slot].alpha);
    notPowerOfTwo += !isPowerOfTwo(picture.width) || !isPowerOfTwo(picture.height);
    withAlpha += picture.alpha;
  }
  // The show's loader has a path for each; the real pictures must take both.
  EXPECT_GE(notPowerOfTwo, 2);
  EXPECT_GE(withAlpha, 2);
}

// The show blends with the default factors, so the sprite's surround is drawn
// as it is: it must be black (and clear) at the rim, bright at the centre.
// The glyph picture: its layout's size, opaque, every printable character
// inked in its own cell, the space and the cells past the last one blank, and
// nothing of a letter spilling over into the next cell.
TEST(GeneratedPictures, TheGlyphPictureHoldsEachCharacterInItsCell) {
  const Picture picture = decodePng(kShowDir + "/" + kGlyphsFile);
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(picture.width, static_cast<uint32_t>(kGlyphsWidth));
  EXPECT_EQ(picture.height, static_cast<uint32_t>(kGlyphsHeight));
  EXPECT_FALSE(picture.alpha);
  auto inkIn = [&](int cell, int x0, int x1) {
    const int left = cell % kGlyphColumns * kGlyphCellWidth;
    const int top = cell / kGlyphColumns * kGlyphCellHeight;
    int ink = 0;
    for (int y = top; y < top + kGlyphCellHeight; ++y) {
      for (int x = left + x0; x < left + x1; ++x) ink += picture.at(x, y)[0] > 128;
    }
    return ink;
  };
  for (int cell = 0; cell < kGlyphColumns * kGlyphRows; ++cell) {
    const int c = kGlyphFirst + cell;
    SCOPED_TRACE(c);
    const bool printable = c > ' ' && c <= kGlyphLast;
    EXPECT_EQ(inkIn(cell, 0, kGlyphCellWidth) > 0, printable);
    // The outermost columns stay dark: letters never touch their neighbours.
    EXPECT_EQ(inkIn(cell, 0, 1) + inkIn(cell, kGlyphCellWidth - 1, kGlyphCellWidth), 0);
  }
}

TEST(GeneratedPictures, SpriteGlowIsBrightInTheMiddleAndBlackAtTheRim) {
  const Picture sprite = decodePng(kShowDir + "/" + pictureName(kSlotParticle));
  ASSERT_TRUE(sprite.ok);
  const uint8_t* centre = sprite.at(sprite.width / 2, sprite.height / 2);
  EXPECT_GT(centre[0] + centre[1] + centre[2], 3 * 200);
  EXPECT_GT(centre[3], 200);
  for (uint32_t i = 0; i < sprite.width; ++i) {
    for (const uint8_t* rim : {sprite.at(i, 0), sprite.at(i, sprite.height - 1), sprite.at(0, i),
                               sprite.at(sprite.width - 1, i)}) {
      EXPECT_LE(std::max({rim[0], rim[1], rim[2], rim[3]}), 2) << "at " << i;
    }
  }
}

TEST(GeneratedPictures, FlashCardIsAClearVariationOfTheCard) {
  const Picture card = decodePng(kShowDir + "/" + pictureName(kSlotEmblemCard));
  const Picture flash = decodePng(kShowDir + "/" + pictureName(kSlotFlashCard));
  ASSERT_TRUE(card.ok && flash.ok);
  ASSERT_EQ(card.pixels.size(), flash.pixels.size());
  double difference = 0.0;
  for (size_t i = 0; i < card.pixels.size(); ++i) {
    difference += std::abs(card.pixels[i] - flash.pixels[i]);
  }
  EXPECT_GT(difference / card.pixels.size(), 60.0);
}

// The music as the show's decoder sees it: gapless, so sample 0 is the
// music's first sample.
struct Music {
  bool ok = false;
  long rate = 0;
  int channels = 0;
  int bitrateKbps = 0;
  std::vector<float> interleaved;
};

Music decodeMp3(const std::string& path) {
  Music music;
  mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
  if (!decoder) return music;
  mpg123_format_none(decoder);
  mpg123_format(decoder, kRate, MPG123_STEREO | MPG123_MONO, MPG123_ENC_FLOAT_32);
  int encoding = 0;
  if (mpg123_open(decoder, path.c_str()) == MPG123_OK &&
      mpg123_getformat(decoder, &music.rate, &music.channels, &encoding) == MPG123_OK) {
    std::vector<unsigned char> buffer(1 << 16);
    size_t done = 0;
    int status;
    while ((status = mpg123_read(decoder, buffer.data(), buffer.size(), &done)) == MPG123_OK ||
           (status == MPG123_DONE && done > 0)) {
      const auto* samples = reinterpret_cast<const float*>(buffer.data());
      music.interleaved.insert(music.interleaved.end(), samples, samples + done / sizeof(float));
      if (status == MPG123_DONE) break;
    }
    mpg123_frameinfo info;
    if (mpg123_info(decoder, &info) == MPG123_OK) music.bitrateKbps = info.bitrate;
    music.ok = status == MPG123_DONE;
  }
  mpg123_close(decoder);
  mpg123_delete(decoder);
  return music;
}

class GeneratedMusic : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    music = new Music(decodeMp3(kShowDir + "/tarrowind.mp3"));
    if (!music->ok || music->channels != 2) return;
    mono = new std::vector<float>(music->interleaved.size() / 2);
    for (size_t i = 0; i < mono->size(); ++i) {
      (*mono)[i] = 0.5f * (music->interleaved[2 * i] + music->interleaved[2 * i + 1]);
    }
  }
  static void TearDownTestSuite() {
    delete music;
    delete mono;
    music = nullptr;
    mono = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(music->ok);
    ASSERT_NE(mono, nullptr);
  }
  static double seconds() { return static_cast<double>(mono->size()) / kRate; }

  static Music* music;
  static std::vector<float>* mono;
};

Music* GeneratedMusic::music = nullptr;
std::vector<float>* GeneratedMusic::mono = nullptr;

TEST_F(GeneratedMusic, IsStereoAt44kHzAnd192kbpsLastingBetween197And200Seconds) {
  EXPECT_EQ(music->rate, kRate);
  EXPECT_EQ(music->channels, 2);
  EXPECT_EQ(music->bitrateKbps, 192);
  EXPECT_GE(seconds(), 197.0);
  EXPECT_LE(seconds(), 200.0);
}

TEST_F(GeneratedMusic, PeaksStayBelowFullScaleWithoutClipping) {
  float peak = 0.0f;
  size_t clipped = 0;
  for (float s : music->interleaved) {
    peak = std::max(peak, std::fabs(s));
    clipped += std::fabs(s) >= 0.999f;
  }
  EXPECT_EQ(clipped, 0u);
  EXPECT_LT(peak, 0.99f);
  EXPECT_GT(peak, 0.5f);  // and loud enough to be heard
}

TEST_F(GeneratedMusic, EndsInAFadeToSilence) {
  auto rms = [](const float* from, size_t count) {
    double sum = 0.0;
    for (size_t i = 0; i < count; ++i) sum += from[i] * from[i];
    return std::sqrt(sum / count);
  };
  const size_t tenth = kRate / 10;
  const double whole = rms(mono->data(), mono->size());
  const double last = rms(mono->data() + mono->size() - tenth, tenth);
  EXPECT_LT(last, whole * 0.02);
}

// The times the show changes, in seconds, from the show's own table: where
// each turn, title card and scene begins (the first scene holds the start,
// the last is the end).
std::vector<double> momentTimesS() {
  std::vector<double> times;
  for (const Turn& turn : kTurns) times.push_back(turn.lo / 1000.0);
  for (const Title& title : kTitles) times.push_back(title.lo / 1000.0);
  for (int i = 1; i + 1 < kSceneCount; ++i) times.push_back(kScenes[i].lo / 1000.0);
  return times;
}

// Each moment the show changes is heard: within 50 ms of it the onset measure
// peaks at least half as high again as the typical onset of the three
// seconds before, so the change lands on a hit, not on a plain beat.
TEST_F(GeneratedMusic, EveryCueLandsOnAClearOnset) {
  constexpr double kToleranceS = 0.05;
  constexpr double kLookBackS = 3.0;
  constexpr double kAccentRatio = 1.5;
  const std::vector<double> flux = spectralFlux(*mono);
  for (double cue : momentTimesS()) {
    const double onset = peakFluxNear(flux, kRate, cue, kToleranceS);
    const double typical = medianPeakFlux(flux, kRate, cue - kLookBackS, cue - 2 * kToleranceS);
    EXPECT_GT(onset, typical * kAccentRatio)
        << "at " << cue << " s the onset measure peaks at " << onset
        << " against a typical onset of " << typical;
  }
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The build ran the generator once; running it again (into this test's own
// scratch folder) must write every file byte for byte the same.
TEST(AssetGenerator, ASecondRunWritesTheSameBytes) {
  const std::string command = std::string("\"") + VANTOREL_ASSETGEN + "\" . \"" +
                              VANTOREL_FONT_BOLD + "\" \"" + VANTOREL_FONT_REGULAR + "\" \"" +
                              VANTOREL_FONT_MONO + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::vector<std::string> names;
  for (int slot = 0; slot < kSlotEmpty; ++slot) names.push_back(pictureName(slot));
  names.push_back(kGlyphsFile);
  names.push_back("tarrowind.mp3");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string fresh = readFile(name);
    EXPECT_FALSE(fresh.empty());
    EXPECT_TRUE(fresh == readFile(kShowDir + "/" + name));
    std::remove(name.c_str());
  }
}
}  // namespace
