// The loader against a real GL context: what lands in the texture, which way
// up, in which format and size, and that a failed load leaves nothing behind.
// The colours of each PNG format are checked on the decode step alone.
#include <gtest/gtest.h>

#include <string>

#include "assets/png_loader.h"
#include "tests/assets/test_pictures.h"
#include "tests/support/headless_gl.h"

namespace {
constexpr const char* kFile = "picture.png";
constexpr uint8_t kRed[3] = {255, 0, 0};
constexpr uint8_t kGreen[3] = {0, 255, 0};
constexpr uint8_t kBlue[3] = {0, 0, 255};
constexpr uint8_t kWhite[3] = {255, 255, 255};

// Every name a few loads could have made in a fresh context.
constexpr GLuint kNamesToCheck = 64;

void expectColour(const uint8_t* got, const uint8_t* want, const std::string& where) {
  EXPECT_EQ(got[0], want[0]) << where;
  EXPECT_EQ(got[1], want[1]) << where;
  EXPECT_EQ(got[2], want[2]) << where;
}

void expectColour(const Rgba& got, const uint8_t* want, const std::string& where) {
  const uint8_t rgb[3] = {got.r, got.g, got.b};
  expectColour(rgb, want, where);
}

GLint levelParameter(GLuint name, GLint level, GLenum parameter) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
  return value;
}

GLint textureParameter(GLuint name, GLenum parameter) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
  return value;
}

class PictureBind : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl_.ok());
    pictureSetStandardOrientation(1);
  }

  // Writes the picture and loads it as the texture table does.
  GLuint load(const std::vector<uint8_t>& file, PictureInfo* info = nullptr) {
    EXPECT_TRUE(writeFile(kFile, file));
    PictureInfo scratch{};
    return pictureBind(kFile, kPictureNoMipmaps, kPictureAlphaFromFile, info ? info : &scratch,
                       GL_CLAMP, GL_LINEAR, GL_LINEAR);
  }
  GLuint load(const PngRecipe& recipe, PictureInfo* info = nullptr) {
    return load(encodePng(recipe), info);
  }

  HeadlessGl gl_{64, 64};
  ScratchFolder folder_;
};

// A 16 x 16 picture whose top four rows are red and the rest blue: four rows
// keep the red clear of the clamped edge, which linear filtering mixes with
// the border colour.
PngRecipe redTopRows() {
  PngRecipe recipe = solidPicture(16, 16, 0, 0, 255);
  recipe.sample = [](uint32_t, uint32_t y) {
    return y < 4 ? Samples{255, 0, 0, 0} : Samples{0, 0, 255, 0};
  };
  return recipe;
}

TEST_F(PictureBind, TopRowOfTheFileLandsAtTheTopEdge) {
  const GLuint name = load(redTopRows());
  ASSERT_NE(name, 0u);
  const TextureImage image = readTexture(name);
  ASSERT_EQ(image.height, 16);
  expectColour(image.at(1, 15), kRed, "t = 1 row");
  expectColour(image.at(1, 12), kRed, "fourth row from the top");
  expectColour(image.at(1, 11), kBlue, "fifth row from the top");
  expectColour(image.at(1, 0), kBlue, "t = 0 row");
  drawTextureOverViewport(name);
  expectColour(gl_.pixel(32, 4), kRed, "top of the quad");
  expectColour(gl_.pixel(32, 59), kBlue, "bottom of the quad");
}

TEST_F(PictureBind, AlphaInTheFileGivesAnRgbaTexture) {
  struct Case {
    const char* name;
    PngRecipe recipe;
    GLint internalFormat;
    uint32_t alphaBits;
  };
  PngRecipe greyAlpha;
  greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
  PngRecipe transparentPalette;
  transparentPalette.colourType = PNG_COLOR_TYPE_PALETTE;
  transparentPalette.palette = {{1, 2, 3}, {4, 5, 6}};
  transparentPalette.paletteAlpha = {0};
  PngRecipe transparentRgb = solidPicture(2, 2, 9, 9, 9);
  transparentRgb.hasTransparentColour = true;
  const Case cases[] = {
      {"rgb", solidPicture(2, 2, 9, 9, 9), GL_RGB8, 0},
      {"rgba", solidPicture(2, 2, 9, 9, 9, 128), GL_RGBA8, 8},
      {"grey with alpha", greyAlpha, GL_RGBA8, 8},
      {"palette with tRNS", transparentPalette, GL_RGBA8, 8},
      {"rgb with tRNS", transparentRgb, GL_RGBA8, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PictureInfo info{};
    const GLuint name = load(c.recipe, &info);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(info.alpha, c.alphaBits);
    EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_INTERNAL_FORMAT), c.internalFormat);
    EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_ALPHA_SIZE), static_cast<GLint>(c.alphaBits));
    EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_RED_SIZE), 8);
  }
}

TEST_F(PictureBind, WrapFiltersAndLevelsAreAsAsked) {
  ASSERT_TRUE(writeFile(kFile, encodePng(solidPicture(8, 8, 1, 2, 3))));
  PictureInfo info{};
  const GLuint clamped = pictureBind(kFile, kPictureNoMipmaps, kPictureAlphaFromFile, &info,
                                     GL_CLAMP, GL_LINEAR, GL_LINEAR);
  ASSERT_NE(clamped, 0u);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), clamped);  // left bound
  EXPECT_EQ(textureParameter(clamped, GL_TEXTURE_WRAP_S), GL_CLAMP);
  EXPECT_EQ(textureParameter(clamped, GL_TEXTURE_WRAP_T), GL_CLAMP);
  EXPECT_EQ(textureParameter(clamped, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(textureParameter(clamped, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(levelParameter(clamped, 1, GL_TEXTURE_WIDTH), 0);  // no mipmaps

  const GLuint repeated = pictureBind(kFile, kPictureNoMipmaps, kPictureAlphaFromFile, &info,
                                      GL_REPEAT, GL_NEAREST, GL_LINEAR);
  ASSERT_NE(repeated, 0u);
  EXPECT_NE(repeated, clamped);
  EXPECT_EQ(textureParameter(repeated, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(textureParameter(repeated, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(textureParameter(repeated, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(textureParameter(repeated, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
}

TEST_F(PictureBind, SidesThatAreNotPowersOfTwoAreScaledAndFillTheQuad) {
  // Quadrants: red top left, green top right, blue bottom left, white bottom right.
  PngRecipe recipe = solidPicture(300, 100, 0, 0, 0);
  recipe.sample = [](uint32_t x, uint32_t y) {
    const bool left = x < 150, top = y < 50;
    if (top) return left ? Samples{255, 0, 0, 0} : Samples{0, 255, 0, 0};
    return left ? Samples{0, 0, 255, 0} : Samples{255, 255, 255, 0};
  };
  PictureInfo info{};
  const GLuint name = load(recipe, &info);
  ASSERT_NE(name, 0u);
  EXPECT_EQ(info.width, 300u);
  EXPECT_EQ(info.height, 100u);
  EXPECT_EQ(info.depth, 8u);
  EXPECT_EQ(info.alpha, 0u);
  EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_WIDTH), 512);
  EXPECT_EQ(levelParameter(name, 0, GL_TEXTURE_HEIGHT), 128);

  // Each corner of the viewport shows its own quadrant: nothing padded or cut.
  drawTextureOverViewport(name);
  expectColour(gl_.pixel(1, 1), kRed, "top left");
  expectColour(gl_.pixel(62, 1), kGreen, "top right");
  expectColour(gl_.pixel(1, 62), kBlue, "bottom left");
  expectColour(gl_.pixel(62, 62), kWhite, "bottom right");
  expectColour(gl_.pixel(28, 28), kRed, "inside top left");
  expectColour(gl_.pixel(36, 36), kWhite, "inside bottom right");
}

TEST_F(PictureBind, PixelStoreSettingsAreKept) {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  glPixelStorei(GL_PACK_ALIGNMENT, 2);
  ASSERT_NE(load(solidPicture(3, 5, 1, 2, 3)), 0u);
  GLint unpack = 0, pack = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
  glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
  EXPECT_EQ(unpack, 8);
  EXPECT_EQ(pack, 2);
}

TEST_F(PictureBind, FailedLoadsGiveZeroAndLeaveNoTextureBehind) {
  const std::vector<uint8_t> good = encodePng(solidPicture(4, 4, 1, 2, 3));
  std::vector<uint8_t> badCrc = good;
  badCrc[findChunk(badCrc, "IDAT") + 9] ^= 0xFF;
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  const std::string text = "not a picture";
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"empty", {}},
      {"not a PNG", std::vector<uint8_t>(text.begin(), text.end())},
      {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 20)},
      {"bad CRC", badCrc},
      {"a million squared", pngWithHeader(1000000, 1000000, 8, PNG_COLOR_TYPE_RGB)},
      {"wider than GL takes",
       pngWithHeader(static_cast<uint32_t>(maxSide) + 1, 1, 8, PNG_COLOR_TYPE_GRAY)},
  };
  for (const auto& [what, file] : files) {
    SCOPED_TRACE(what);
    PictureInfo info{7, 7, 7, 7};
    EXPECT_EQ(load(file, &info), 0u);
    EXPECT_EQ(info.width, 0u);
    EXPECT_EQ(info.height, 0u);
    EXPECT_EQ(info.depth, 0u);
    EXPECT_EQ(info.alpha, 0u);
  }
  PictureInfo info{7, 7, 7, 7};
  EXPECT_EQ(pictureBind("no-such-file.png", kPictureNoMipmaps, kPictureAlphaFromFile, &info,
                        GL_CLAMP, GL_LINEAR, GL_LINEAR),
            0u);
  EXPECT_EQ(info.width, 0u);
  EXPECT_EQ(pictureBind(".", kPictureNoMipmaps, kPictureAlphaFromFile, &info, GL_CLAMP,
                        GL_LINEAR, GL_LINEAR),
            0u);  // a folder opens but does not read
  EXPECT_EQ(pictureBind(nullptr, kPictureNoMipmaps, kPictureAlphaFromFile, &info, GL_CLAMP,
                        GL_LINEAR, GL_LINEAR),
            0u);
  // Modes this loader does not know are refused, not half-honoured.
  ASSERT_TRUE(writeFile(kFile, good));
  EXPECT_EQ(pictureBind(kFile, 1, kPictureAlphaFromFile, &info, GL_CLAMP, GL_LINEAR, GL_LINEAR),
            0u);
  EXPECT_EQ(pictureBind(kFile, kPictureNoMipmaps, -1, &info, GL_CLAMP, GL_LINEAR, GL_LINEAR), 0u);

  for (GLuint name = 1; name <= kNamesToCheck; ++name) EXPECT_FALSE(glIsTexture(name)) << name;
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);

  // The loader still works afterwards, with a null info record too.
  EXPECT_NE(pictureBind(kFile, kPictureNoMipmaps, kPictureAlphaFromFile, nullptr, GL_CLAMP,
                        GL_LINEAR, GL_LINEAR),
            0u);
}
}  // namespace
