// The decode step without GL: every PNG format to 8-bit RGB or RGBA, the row
// order, gamma, and the files it must refuse.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "assets/png_loader.h"
#include "tests/assets/test_pictures.h"

namespace {
// A side limit far above every picture here, as a large GL would give.
constexpr uint32_t kMaxSide = 16384;

uint16_t scramble(uint32_t x, uint32_t y, uint32_t c) {
  uint32_t h = x * 73856093u ^ y * 19349663u ^ (c + 1) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return static_cast<uint16_t>(h ^ (h >> 15));
}

struct FormatCase {
  const char* name;
  int colourType;
  int depth;
  bool interlaced;
  bool transparency;  // a tRNS chunk
};

void PrintTo(const FormatCase& format, std::ostream* out) { *out << format.name; }

const FormatCase kFormats[] = {
    {"Grey1", PNG_COLOR_TYPE_GRAY, 1, false, false},
    {"Grey2", PNG_COLOR_TYPE_GRAY, 2, false, false},
    {"Grey4", PNG_COLOR_TYPE_GRAY, 4, false, false},
    {"Grey8", PNG_COLOR_TYPE_GRAY, 8, false, false},
    {"Grey16", PNG_COLOR_TYPE_GRAY, 16, false, false},
    {"Grey8Transparent", PNG_COLOR_TYPE_GRAY, 8, false, true},
    {"GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
    {"GreyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false},
    {"Rgb8", PNG_COLOR_TYPE_RGB, 8, false, false},
    {"Rgb16", PNG_COLOR_TYPE_RGB, 16, false, false},
    {"Rgb16Transparent", PNG_COLOR_TYPE_RGB, 16, false, true},
    {"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false},
    {"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false},
    {"Palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
    {"Palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
    {"Palette4", PNG_COLOR_TYPE_PALETTE, 4, false, false},
    {"Palette8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
    {"Palette4Transparent", PNG_COLOR_TYPE_PALETTE, 4, false, true},
    {"InterlacedGrey2", PNG_COLOR_TYPE_GRAY, 2, true, false},
    {"InterlacedRgb8", PNG_COLOR_TYPE_RGB, 8, true, false},
    {"InterlacedRgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false},
    {"InterlacedPalette4", PNG_COLOR_TYPE_PALETTE, 4, true, true},
};

// An odd size, so that every interlace pass and a part-filled last byte occur.
PngRecipe patternedPicture(const FormatCase& format) {
  PngRecipe recipe;
  recipe.width = 13;
  recipe.height = 7;
  recipe.colourType = format.colourType;
  recipe.depth = format.depth;
  recipe.interlaced = format.interlaced;
  const uint32_t top = (1u << format.depth) - 1;
  if (format.colourType == PNG_COLOR_TYPE_PALETTE) {
    const uint32_t entries = top + 1;
    for (uint32_t i = 0; i < entries; ++i) {
      recipe.palette.push_back(png_color{static_cast<png_byte>(scramble(i, 0, 0)),
                                       static_cast<png_byte>(scramble(i, 0, 1)),
                                       static_cast<png_byte>(scramble(i, 0, 2))});
    }
    if (format.transparency) {
      for (uint32_t i = 0; i + 1 < entries; ++i) recipe.paletteAlpha.push_back(i * 255 / entries);
    }
  } else if (format.transparency) {
    recipe.hasTransparentColour = true;
    recipe.transparentColour = png_color_16{0, 0, 0, 0, 0};
  }
  const bool opaqueZero = format.transparency && format.colourType != PNG_COLOR_TYPE_PALETTE;
  recipe.sample = [=](uint32_t x, uint32_t y) {
    Samples s{};
    // Every third pixel of a file with a transparent colour is that colour.
    const bool transparent = opaqueZero && (x + y) % 3 == 0;
    for (uint32_t c = 0; c < 4; ++c) s[c] = transparent ? 0 : scramble(x, y, c) % (top + 1);
    return s;
  };
  return recipe;
}

bool hasAlpha(const PngRecipe& recipe) {
  return (recipe.colourType & PNG_COLOR_MASK_ALPHA) || !recipe.paletteAlpha.empty() ||
         recipe.hasTransparentColour;
}

// Whether an 8-bit result is an acceptable reduction of a sample: exact below
// 16 bits (scaled to 0 to 255); for 16 bits the high byte or the rounded value.
bool sampleMatches(int depth, uint16_t sample, int got) {
  if (depth == 16) return got == sample >> 8 || got == std::lround(sample / 257.0);
  return got == static_cast<int>(sample * 255u / ((1u << depth) - 1));
}

// The colour a pixel of the recipe must decode to, checked channel by channel.
void expectPixel(const PngRecipe& recipe, uint32_t x, uint32_t y, const uint8_t* got) {
  const Samples s = recipe.sample(x, y);
  const std::string where = "at " + std::to_string(x) + "," + std::to_string(y);
  if (recipe.colourType == PNG_COLOR_TYPE_PALETTE) {
    const png_color& colour = recipe.palette[s[0]];
    EXPECT_EQ(got[0], colour.red) << where;
    EXPECT_EQ(got[1], colour.green) << where;
    EXPECT_EQ(got[2], colour.blue) << where;
    if (hasAlpha(recipe)) {
      const int alpha = s[0] < recipe.paletteAlpha.size() ? recipe.paletteAlpha[s[0]] : 255;
      EXPECT_EQ(got[3], alpha) << where;
    }
    return;
  }
  const bool grey = !(recipe.colourType & PNG_COLOR_MASK_COLOR);
  for (int c = 0; c < 3; ++c) {
    EXPECT_TRUE(sampleMatches(recipe.depth, s[grey ? 0 : c], got[c]))
        << where << " channel " << c << ": " << int(got[c]) << " for " << s[grey ? 0 : c];
  }
  if (recipe.colourType & PNG_COLOR_MASK_ALPHA) {
    const uint16_t alpha = s[grey ? 1 : 3];
    EXPECT_TRUE(sampleMatches(recipe.depth, alpha, got[3])) << where << " alpha " << int(got[3]);
  } else if (recipe.hasTransparentColour) {
    const bool transparent = grey ? s[0] == recipe.transparentColour.gray
                                  : s[0] == recipe.transparentColour.red &&
                                        s[1] == recipe.transparentColour.green &&
                                        s[2] == recipe.transparentColour.blue;
    EXPECT_EQ(got[3], transparent ? 0 : 255) << where;
  }
}

class DecodeFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DecodeFormat, GivesEightBitsPerChannelAndTheFileColours) {
  pictureSetStandardOrientation(0);
  const PngRecipe recipe = patternedPicture(GetParam());
  const std::vector<uint8_t> file = encodePng(recipe);
  ASSERT_FALSE(file.empty());
  DecodedPicture picture;
  ASSERT_TRUE(pictureDecode(file.data(), file.size(), kMaxSide, &picture));
  EXPECT_EQ(picture.width, recipe.width);
  EXPECT_EQ(picture.height, recipe.height);
  EXPECT_EQ(picture.fileDepth, static_cast<uint32_t>(recipe.depth));
  ASSERT_EQ(picture.channels, hasAlpha(recipe) ? 4u : 3u);
  ASSERT_EQ(picture.pixels.size(), size_t{recipe.width} * recipe.height * picture.channels);
  for (uint32_t y = 0; y < recipe.height; ++y) {
    for (uint32_t x = 0; x < recipe.width; ++x) {
      expectPixel(recipe, x, y, &picture.pixels[(size_t{y} * recipe.width + x) * picture.channels]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryColourTypeAndDepth, DecodeFormat, ::testing::ValuesIn(kFormats),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(DecodeOrientation, StandardOrientationStoresTheBottomRowFirst) {
  PngRecipe recipe = solidPicture(2, 3, 0, 0, 255);
  // Top row red, middle green, bottom blue.
  recipe.sample = [](uint32_t, uint32_t y) {
    return y == 0 ? Samples{255, 0, 0, 0} : y == 1 ? Samples{0, 255, 0, 0} : Samples{0, 0, 255, 0};
  };
  const std::vector<uint8_t> file = encodePng(recipe);
  DecodedPicture picture;

  pictureSetStandardOrientation(1);
  ASSERT_TRUE(pictureDecode(file.data(), file.size(), kMaxSide, &picture));
  EXPECT_EQ(picture.pixels[2], 255);                // first stored row: blue (bottom)
  EXPECT_EQ(picture.pixels[2 * 2 * 3 + 0], 255);    // last stored row: red (top)

  pictureSetStandardOrientation(0);
  ASSERT_TRUE(pictureDecode(file.data(), file.size(), kMaxSide, &picture));
  EXPECT_EQ(picture.pixels[0], 255);                // first stored row: red (top)
  EXPECT_EQ(picture.pixels[2 * 2 * 3 + 2], 255);    // last stored row: blue (bottom)
}

// Gamma: pictures with a gAMA chunk are converted for the viewing gamma.
class DecodeGamma : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("VIEWING_GAMMA"); }

  // The decoded value of a mid-grey 8-bit picture with the given gAMA (0: none).
  int decodedGrey(double fileGamma) {
    PngRecipe recipe;
    recipe.colourType = PNG_COLOR_TYPE_GRAY;
    recipe.sample = [](uint32_t, uint32_t) { return Samples{128, 0, 0, 0}; };
    recipe.gamma = fileGamma;
    const std::vector<uint8_t> file = encodePng(recipe);
    DecodedPicture picture;
    if (!pictureDecode(file.data(), file.size(), kMaxSide, &picture)) return -1;
    return picture.pixels[0];
  }
};

TEST_F(DecodeGamma, LinearFileIsEncodedForAnSrgbScreenByDefault) {
  unsetenv("VIEWING_GAMMA");
  const int expected = static_cast<int>(std::lround(255.0 * std::pow(128 / 255.0, 1 / 2.2)));
  EXPECT_NEAR(decodedGrey(1.0), expected, 1);
  EXPECT_NEAR(decodedGrey(1 / 2.2), 128, 1);  // already made for such a screen
  EXPECT_EQ(decodedGrey(0.0), 128);           // no gamma information: as it is
}

TEST_F(DecodeGamma, ViewingGammaNamesTheScreen) {
  setenv("VIEWING_GAMMA", "1.0", 1);
  EXPECT_NEAR(decodedGrey(1.0), 128, 1);
  EXPECT_EQ(decodedGrey(0.0), 128);
  setenv("VIEWING_GAMMA", "1.8", 1);
  const int expected = static_cast<int>(std::lround(255.0 * std::pow(128 / 255.0, 1 / 1.8)));
  EXPECT_NEAR(decodedGrey(1.0), expected, 1);
}

TEST_F(DecodeGamma, UnusableViewingGammaFallsBackToTheDefault) {
  const int srgb = static_cast<int>(std::lround(255.0 * std::pow(128 / 255.0, 1 / 2.2)));
  for (const char* value : {"", "banana", "2.2x", "0", "-1", "1e300", "nan", "inf", "0.01"}) {
    setenv("VIEWING_GAMMA", value, 1);
    EXPECT_NEAR(decodedGrey(1.0), srgb, 1) << "VIEWING_GAMMA=" << value;
  }
}

// Files that must be refused, leaving the result empty.
class DecodeRefuses : public ::testing::Test {
 protected:
  void SetUp() override { good_ = encodePng(solidPicture(5, 4, 10, 20, 30)); }

  void expectRefused(const std::vector<uint8_t>& file, uint32_t maxSide = kMaxSide) {
    DecodedPicture picture;
    picture.pixels.assign(16, 1);
    EXPECT_FALSE(pictureDecode(file.data(), file.size(), maxSide, &picture));
    EXPECT_EQ(picture.width, 0u);
    EXPECT_EQ(picture.channels, 0u);
    EXPECT_TRUE(picture.pixels.empty());
  }

  std::vector<uint8_t> good_;
};

TEST_F(DecodeRefuses, NoDataEmptyDataAndNotAPng) {
  DecodedPicture picture;
  EXPECT_FALSE(pictureDecode(nullptr, 100, kMaxSide, &picture));
  EXPECT_FALSE(pictureDecode(good_.data(), good_.size(), kMaxSide, nullptr));
  expectRefused({});
  const std::string text = "GIF89a, or any other file that is not a PNG at all";
  expectRefused(std::vector<uint8_t>(text.begin(), text.end()));
  std::vector<uint8_t> badSignature = good_;
  badSignature[1] = 'Q';
  expectRefused(badSignature);
}

TEST_F(DecodeRefuses, EveryTruncation) {
  DecodedPicture picture;
  ASSERT_TRUE(pictureDecode(good_.data(), good_.size(), kMaxSide, &picture));
  for (size_t length = 0; length < good_.size(); ++length) {
    SCOPED_TRACE(length);
    expectRefused(std::vector<uint8_t>(good_.begin(), good_.begin() + length));
  }
}

TEST_F(DecodeRefuses, BadCrcInAnyChunk) {
  PngRecipe recipe = solidPicture(5, 4, 10, 20, 30);
  recipe.gamma = 1 / 2.2;
  const std::vector<uint8_t> file = encodePng(recipe);
  for (const char* chunk : {"IHDR", "gAMA", "IDAT", "IEND"}) {
    SCOPED_TRACE(chunk);
    const size_t at = findChunk(file, chunk);
    ASSERT_NE(at, 0u);
    const size_t length = (size_t{file[at + 2]} << 8) | file[at + 3];  // all chunks here are short
    std::vector<uint8_t> damaged = file;
    damaged[at + 8 + length + 3] ^= 0x01;  // the stored CRC's last byte
    expectRefused(damaged);
  }
}

TEST_F(DecodeRefuses, ImageDataThatIsDamagedOrTooShort) {
  std::vector<uint8_t> damaged = good_;
  const size_t idat = findChunk(damaged, "IDAT");
  ASSERT_NE(idat, 0u);
  damaged[idat + 8 + 2] ^= 0xFF;  // inside the compressed data; the CRC then fails too
  expectRefused(damaged);
  // A well-formed file whose image data holds fewer rows than its header says.
  expectRefused(pngWithHeader(300, 200, 8, PNG_COLOR_TYPE_RGB));
}

TEST_F(DecodeRefuses, AbsurdAndOverflowingSizes) {
  expectRefused(pngWithHeader(1000000, 1000000, 8, PNG_COLOR_TYPE_RGB_ALPHA));
  expectRefused(pngWithHeader(0x7FFFFFFF, 0x7FFFFFFF, 16, PNG_COLOR_TYPE_RGB_ALPHA));
  expectRefused(pngWithHeader(0x7FFFFFFF, 1, 8, PNG_COLOR_TYPE_GRAY));
  expectRefused(pngWithHeader(0x80000000u, 1, 8, PNG_COLOR_TYPE_GRAY));  // beyond PNG's range
  expectRefused(pngWithHeader(0, 5, 8, PNG_COLOR_TYPE_GRAY));
  expectRefused(pngWithHeader(5, 0, 8, PNG_COLOR_TYPE_GRAY));
  // Within PNG's range but beyond what one texture may take.
  expectRefused(pngWithHeader(8192, 8192, 8, PNG_COLOR_TYPE_RGB_ALPHA));
  expectRefused(pngWithHeader(4097, 4097, 1, PNG_COLOR_TYPE_GRAY));
  // A side beyond the caller's limit.
  expectRefused(pngWithHeader(1025, 1, 8, PNG_COLOR_TYPE_GRAY), 1024);
  expectRefused(pngWithHeader(1, 1025, 8, PNG_COLOR_TYPE_GRAY), 1024);
  expectRefused(good_, 0);
}

long peakResidentKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST_F(DecodeRefuses, OversizedHeadersTakeNoPixelMemory) {
  // Each of these would take 256 MiB or more if the pixel buffer were made
  // before the size check; the files themselves are a few dozen bytes.
  const long before = peakResidentKib();
  expectRefused(pngWithHeader(8192, 8192, 8, PNG_COLOR_TYPE_RGB_ALPHA));
  expectRefused(pngWithHeader(16384, 16384, 16, PNG_COLOR_TYPE_RGB_ALPHA));
  expectRefused(pngWithHeader(16384, 4097, 8, PNG_COLOR_TYPE_RGB));
  EXPECT_LT(peakResidentKib() - before, 64 * 1024);
}

TEST_F(DecodeRefuses, TextChunkDeclaringMoreThanTheFileHolds) {
  // A zTXt chunk whose length says 528 MiB, cut short: the file ends first.
  std::vector<uint8_t> file(good_.begin(), good_.begin() + static_cast<std::ptrdiff_t>(33));
  file.insert(file.end(), {0x21, 0x00, 0x00, 0x00, 'z', 'T', 'X', 't', 'i', 'C', 'C', 'P'});
  const long before = peakResidentKib();
  expectRefused(file);
  EXPECT_LT(peakResidentKib() - before, 64 * 1024);
}

TEST_F(DecodeRefuses, InvalidHeaderFields) {
  expectRefused(pngWithHeader(4, 4, 3, PNG_COLOR_TYPE_GRAY));      // no 3-bit depth
  expectRefused(pngWithHeader(4, 4, 16, PNG_COLOR_TYPE_PALETTE));  // no 16-bit palette
  expectRefused(pngWithHeader(4, 4, 8, 5));                        // no colour type 5
}

TEST(DecodeAccepts, LargeAndUnknownAncillaryChunksAreSkipped) {
  const std::vector<uint8_t> plain = encodePng(solidPicture(3, 3, 40, 50, 60));
  std::vector<uint8_t> text(2 << 20, 'a');  // above libpng's usual chunk memory bound
  text[7] = 0;                               // keyword "aaaaaaa"
  std::vector<uint8_t> file = withChunk(plain, "IDAT", "tEXt", text);
  file = withChunk(file, "IDAT", "vaNt", {1, 2, 3});  // a private chunk nobody knows
  DecodedPicture picture;
  ASSERT_TRUE(pictureDecode(file.data(), file.size(), kMaxSide, &picture));
  EXPECT_EQ(picture.pixels[0], 40);
}

TEST(DecodeAccepts, LargestSideAndSizeWithinTheLimits) {
  // A side exactly at the caller's limit is taken, one above it is not.
  PngRecipe wide = solidPicture(1024, 2, 1, 2, 3);
  const std::vector<uint8_t> file = encodePng(wide);
  DecodedPicture picture;
  EXPECT_TRUE(pictureDecode(file.data(), file.size(), 1024, &picture));
  EXPECT_FALSE(pictureDecode(file.data(), file.size(), 1023, &picture));
  // Trailing bytes after the end chunk are not part of the picture.
  std::vector<uint8_t> trailing = file;
  trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
  EXPECT_TRUE(pictureDecode(trailing.data(), trailing.size(), 1024, &picture));
}
}  // namespace
