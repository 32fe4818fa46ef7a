// Start-up cost of the texture table: loadTextures over 19 pictures of the
// sizes a show like this carries (backdrops and mesh skins of 1024 x 1024,
// sprites and satellites of 256 x 256, cards of 512 x 512, two 1536 x 256
// title banners that need scaling).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>

#include "assets/textures.h"
#include "platform/sys.h"
#include "tests/assets/test_pictures.h"
#include "tests/support/headless_gl.h"

namespace {
struct SlotPicture {
  uint32_t width;
  uint32_t height;
  bool alpha;
};

constexpr SlotPicture kPictures[19] = {
    {256, 256, true},    {512, 512, false},   {1024, 1024, false}, {1024, 1024, false},
    {256, 256, false},   {256, 256, false},   {1024, 1024, false}, {1024, 1024, false},
    {1024, 1024, false}, {512, 512, true},    {1024, 1024, false}, {256, 256, false},
    {512, 512, true},    {1536, 256, true},   {1536, 256, true},   {1024, 256, true},
    {1024, 256, true},   {1024, 1024, false}, {1024, 1024, false},
};

uint32_t grainAt(uint32_t x, uint32_t y, uint32_t c) {
  uint32_t h = x * 73856093u ^ y * 19349663u ^ (c + 1) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return (h ^ (h >> 15)) & 31;
}

// Gradients under five bits of grain: files of about 2 MiB per 1024 x 1024,
// as photographic pictures give.
void writePictures() {
  for (int slot = 0; slot < 19; ++slot) {
    const SlotPicture& p = kPictures[slot];
    PngRecipe recipe;
    recipe.width = p.width;
    recipe.height = p.height;
    recipe.colourType = p.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    recipe.sample = [=](uint32_t x, uint32_t y) {
      return Samples{static_cast<uint16_t>((x * 224 / p.width + grainAt(x, y, 0)) & 255),
                     static_cast<uint16_t>((y * 224 / p.height + grainAt(x, y, 1)) & 255),
                     static_cast<uint16_t>(((x + y) / 8 + slot * 13 + grainAt(x, y, 2)) & 255),
                     static_cast<uint16_t>(255 - grainAt(x, y, 3))};
    };
    char name[32];
    std::snprintf(name, sizeof name, "tex%02d.png", slot);
    writeFile(name, encodePng(recipe));
  }
}

void loadAllTextures(benchmark::State& state) {
  sysTuneAllocator();  // as the show does before its first context
  HeadlessGl gl(1280, 720);
  if (!gl.ok()) {
    state.SkipWithError("no GL context");
    return;
  }
  ScratchFolder folder;
  writePictures();
  for (auto _ : state) {
    loadTextures();
    state.PauseTiming();
    for (int slot = 0; slot < kTextureSlots; ++slot) {
      if (textureSlots[slot].id == 0 && textureSlots[slot].fileName) {
        state.SkipWithError("a picture did not load");
      }
      glDeleteTextures(1, &textureSlots[slot].id);
    }
    glFinish();
    state.ResumeTiming();
  }
}
BENCHMARK(loadAllTextures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The show's own pictures, as the build made them.
void loadTheShowsPictures(benchmark::State& state) {
  sysTuneAllocator();
  HeadlessGl gl(1280, 720);
  if (!gl.ok() || chdir(VANTOREL_SHOW_DIR) != 0) {
    state.SkipWithError("no GL context or no show folder");
    return;
  }
  for (auto _ : state) {
    loadTextures();
    state.PauseTiming();
    for (TextureSlot& slot : textureSlots) {
      if (slot.id == 0 && slot.fileName) state.SkipWithError("a picture did not load");
      glDeleteTextures(1, &slot.id);
    }
    glFinish();
    state.ResumeTiming();
  }
}
BENCHMARK(loadTheShowsPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
}  // namespace
