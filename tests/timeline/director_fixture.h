// Puts the director, the cues and the texture table back to their start
// state before each test, with a distinct made-up texture name per slot so
// that a bound name tells which slot it came from.
#pragma once

#include <gtest/gtest.h>

#include "assets/textures.h"
#include "music/clock.h"
#include "platform/gfx.h"
#include "timeline/cues.h"
#include "timeline/director.h"

// The name standing for slot s in these tests.
constexpr unsigned kFakeTextureBase = 100;

class DirectorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    cameraYawMs = 5000;
    wideWall = 0;
    cardSlot = 9;
    cardOffsetX = 0.0f;
    sceneSpinY = 0.0f;
    sceneSpinX = 0.0f;
    for (int32_t& armed : cueArmed) armed = 1;
    for (int s = 0; s < kTextureSlots; ++s)
      textureSlots[s].id = s < 19 ? kFakeTextureBase + static_cast<unsigned>(s) : 0;
    musicTimeMs = 0;
    frameDeltaMs = 0;
    gfx = &gfxDiscard;
  }
  void TearDown() override {
    gfx = &gfxDirect;
    for (TextureSlot& slot : textureSlots) slot = TextureSlot{};
  }
};
