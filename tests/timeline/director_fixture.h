// Puts the director, the cues and the texture table back to their start
// state before each test, with a distinct made-up texture name per slot so
// that a bound name tells which slot it came from, and names the times of a
// moment's window.
#pragma once

#include <gtest/gtest.h>

#include "assets/textures.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "timeline/cues.h"
#include "timeline/director.h"
#include "timeline/moments.h"

// The name standing for slot s in these tests.
constexpr unsigned kFakeTextureBase = 100;

// The first and the last ms of a moment's window, and one in its middle.
inline int32_t firstMs(Moment m) { return momentWindow(m).lo + 1; }
inline int32_t lastMs(Moment m) { return momentWindow(m).hi; }
inline int32_t middleMs(Moment m) {
  const MomentWindow w = momentWindow(m);
  return w.lo + (w.hi - w.lo) / 2;
}

class DirectorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    resetDirector();
    resetCues();
    for (int s = 0; s < kTextureSlots; ++s)
      textureSlots[s].id = s != kSlotEmpty ? kFakeTextureBase + static_cast<unsigned>(s) : 0;
    resetMusicClock();
    gfx = &gfxDiscard;
  }
  void TearDown() override {
    gfx = &gfxDirect;
    for (TextureSlot& slot : textureSlots) slot = TextureSlot{};
  }
};
