// The texture table: which file goes into which slot, what a missing or
// damaged file leaves, and the reload into a new context when the window is
// made again.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/window.h"
#include "assets/textures.h"
#include "platform/headless/window_headless.h"
#include "tests/assets/test_pictures.h"
#include "tests/support/headless_gl.h"

namespace {
// Every slot before the empty one names a file.
constexpr int kNamedSlots = kSlotEmpty;
constexpr int kEmptySlot = kSlotEmpty;

std::string slotFile(int slot) {
  char name[32];
  std::snprintf(name, sizeof name, "tex%02d.png", slot);
  return name;
}

// Slot k's picture is (k + 1) x 2 texels of a colour of its own; `shade`
// changes every colour, to tell one set of files from another.
uint8_t slotRed(int slot, int shade) { return static_cast<uint8_t>(10 + slot * 12 + shade); }

void writeSlotPictures(int shade = 0) {
  for (int slot = 0; slot < kNamedSlots; ++slot) {
    const uint8_t red = slotRed(slot, shade);
    ASSERT_TRUE(writeFile(slotFile(slot), encodePng(solidPicture(slot + 1, 2, red, 200, 7))));
  }
}

// The slot's texture exists in the current context and holds the slot's own
// picture (scaled to power-of-two sides).
void expectSlotPicture(int slot, int shade = 0) {
  SCOPED_TRACE("slot " + std::to_string(slot));
  const GLuint name = textureId(slot);
  ASSERT_NE(name, 0u);
  EXPECT_TRUE(glIsTexture(name));
  EXPECT_EQ(textureSlots[slot].info.width, static_cast<uint32_t>(slot + 1));
  EXPECT_EQ(textureSlots[slot].info.height, 2u);
  const TextureImage image = readTexture(name);
  ASSERT_GT(image.width, 0);
  EXPECT_EQ(image.at(0, 0)[0], slotRed(slot, shade));
  EXPECT_EQ(image.at(0, 0)[1], 200);
}

void expectSlotEmpty(int slot) {
  SCOPED_TRACE("slot " + std::to_string(slot));
  EXPECT_EQ(textureId(slot), 0u);
  const PictureInfo& info = textureSlots[slot].info;
  EXPECT_EQ(info.width | info.height | info.depth | info.alpha, 0u);
}

class TextureTable : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl_.ok()); }

  HeadlessGl gl_;
  ScratchFolder folder_;
};

TEST_F(TextureTable, EveryFileLoadsIntoItsOwnSlot) {
  writeSlotPictures();
  loadTextures();
  std::set<GLuint> names;
  for (int slot = 0; slot < kNamedSlots; ++slot) {
    EXPECT_STREQ(textureSlots[slot].fileName, slotFile(slot).c_str());
    expectSlotPicture(slot);
    names.insert(textureId(slot));
  }
  EXPECT_EQ(names.size(), static_cast<size_t>(kNamedSlots));
  EXPECT_EQ(textureSlots[kEmptySlot].fileName, nullptr);
  expectSlotEmpty(kEmptySlot);
}

// The names the page fetches before the show are the files the table loads.
TEST(TextureFileNames, NameWhatEachSlotLoadsAndNothingElse) {
  for (int slot = 0; slot < kNamedSlots; ++slot) {
    EXPECT_STREQ(textureFileName(slot), slotFile(slot).c_str());
  }
  EXPECT_EQ(textureFileName(kEmptySlot), nullptr);
  EXPECT_EQ(textureFileName(-1), nullptr);
  EXPECT_EQ(textureFileName(kTextureSlots), nullptr);
}

// Pictures are drawn clamped at their edges, filtered linearly both ways, and
// from level 0 alone: no mipmaps are made.
TEST_F(TextureTable, EveryTextureIsClampedLinearAndWithoutMipmaps) {
  writeSlotPictures();
  loadTextures();
  for (int slot = 0; slot < kNamedSlots; ++slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    glBindTexture(GL_TEXTURE_2D, textureId(slot));
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    GLint levelZeroWidth = 0;
    GLint levelOneWidth = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &levelZeroWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levelOneWidth);
    EXPECT_GT(levelZeroWidth, 0);
    EXPECT_EQ(levelOneWidth, 0);
  }
}

TEST_F(TextureTable, MissingOrDamagedFilesEmptyOnlyTheirSlots) {
  writeSlotPictures();
  ASSERT_EQ(std::remove(slotFile(0).c_str()), 0);
  ASSERT_EQ(std::remove(slotFile(7).c_str()), 0);
  std::vector<uint8_t> truncated = encodePng(solidPicture(19, 2, 1, 2, 3));
  truncated.resize(truncated.size() / 2);
  ASSERT_TRUE(writeFile(slotFile(18), truncated));

  loadTextures();
  for (int slot = 0; slot < kTextureSlots; ++slot) {
    if (slot == 0 || slot == 7 || slot == 18 || slot == kEmptySlot) {
      expectSlotEmpty(slot);
    } else {
      expectSlotPicture(slot);
    }
  }
  EXPECT_STREQ(textureSlots[7].fileName, "tex07.png");  // the slot still names its file
}

TEST_F(TextureTable, EveryLoadStartsFromAClearedTable) {
  for (TextureSlot& slot : textureSlots) {
    slot.id = 1234;
    slot.info = PictureInfo{1, 2, 3, 4};
    slot.fileName = "stale.png";
  }
  ASSERT_TRUE(writeFile("stale.png", encodePng(solidPicture(2, 2, 1, 2, 3))));
  loadTextures();  // no tex files here at all
  for (int slot = 0; slot < kTextureSlots; ++slot) expectSlotEmpty(slot);
  EXPECT_EQ(textureSlots[kEmptySlot].fileName, nullptr);
}

// A window made again gets a new context: every name in the table must be one
// made there, holding the files as they are now.
TEST(TextureTableWindow, RecreatedWindowReloadsEveryPictureIntoTheNewContext) {
  ScratchFolder folder;
  headlessOfferDisplayMode(0, 0);
  writeSlotPictures();
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  for (int slot = 0; slot < kNamedSlots; ++slot) expectSlotPicture(slot);
  killGLWindow();

  const int shade = 3;
  writeSlotPictures(shade);
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  for (int slot = 0; slot < kNamedSlots; ++slot) expectSlotPicture(slot, shade);
  expectSlotEmpty(kEmptySlot);
  killGLWindow();
}
}  // namespace
