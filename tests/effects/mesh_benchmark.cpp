// The cost of a mesh frame: drawMesh's own work per mode with GL calls
// discarded (the grid update, the normals and the walk over the strips), the
// one-off cost of a wobble's first frame on a new snapshot, and a whole mesh
// frame at 1280 x 720 on the software renderer, and the work of finding the
// mesh's triangles that can show.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "app/window.h"
#include "gfx/gfx.h"
#include "gfx/gfx_cull.h"
#include "platform/sys.h"
#include "tests/effects/mesh_state.h"
#include "tests/support/headless_gl.h"

namespace {
// Music time of the frames: the satellite shows, and every mode has work to
// do (a morph's mark lies ahead, a wobble is 5 s into its swing).
constexpr int32_t kCueMs = 30000;
constexpr int32_t kFrameMs = 30500;

// Gives the code at kCueMs as a cue would, with what the mode needs before it.
void cue(int32_t code) {
  resetMeshState();
  musicClock.musicTimeMs = kCueMs;
  // The snapshot morph runs on the mark of an earlier code.
  if (code == kMeshMorphToSnapshot) setMeshMode(kMeshMorphToSphere);
  const bool takesSnapshot = code == kMeshWobbleSnapshot || code == kMeshPulse;
  if (takesSnapshot) {
    setMeshMode(kMeshWobbleSphere);  // so that the snapshot is a wobbled, irregular shape
    musicClock.musicTimeMs = kCueMs + 4000;
    drawMesh();
  }
  setMeshMode(code);
  for (float& bin : musicClock.spectrum) bin = 0.25f;
  musicClock.musicTimeMs = takesSnapshot ? kCueMs + 4000 : kFrameMs;
  musicClock.frameDeltaMs = 16;
}

void BM_MeshFrameWithoutGl(benchmark::State& state) {
  const GfxCalls* previous = gfx;
  gfx = &gfxDiscard;
  cue(static_cast<int32_t>(state.range(0)));
  drawMesh();  // the first frame builds what the mode caches
  const int32_t mode = mesh.meshMode;
  for (auto _ : state) {
    drawMesh();
    mesh.meshMode = mode;  // the reveal would hand over to the plain sphere
    benchmark::ClobberMemory();
  }
  gfx = previous;
}
BENCHMARK(BM_MeshFrameWithoutGl)
    ->DenseRange(kMeshReveal, kMeshMorphToSnapshot)
    ->Arg(kMeshModeCount)
    ->Unit(benchmark::kMicrosecond);

// A wobble frame on a snapshot it has not seen: the copy, the cache of
// distinct coordinates and the frame itself.
void BM_WobbleOfNewSnapshot(benchmark::State& state) {
  const GfxCalls* previous = gfx;
  gfx = &gfxDiscard;
  cue(kMeshWobbleSnapshot);
  for (auto _ : state) {
    setMeshMode(kMeshWobbleSnapshot);
    drawMesh();
  }
  gfx = previous;
}
BENCHMARK(BM_WobbleOfNewSnapshot)->Unit(benchmark::kMicrosecond);

// A 256 x 256 picture with detail, uploaded as the picture loader does.
GLuint patternTexture(uint8_t tint) {
  std::vector<uint8_t> texels(256 * 256 * 3);
  for (int i = 0; i < 256 * 256; ++i) {
    texels[3 * i] = static_cast<uint8_t>(i * 7);
    texels[3 * i + 1] = static_cast<uint8_t>(i / 256 * 3);
    texels[3 * i + 2] = tint;
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return name;
}

// The whole mesh and the satellite at the show's size: cleared, drawn in the
// effect space, finished.
void BM_MeshFrameOnSoftwareGl(benchmark::State& state) {
  HeadlessGl gl(kWindowWidth, kWindowHeight);
  if (!gl.ok()) {
    state.SkipWithError("no EGL context");
    return;
  }
  resizeScene(kWindowWidth, kWindowHeight);
  glEnable(GL_DEPTH_TEST);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  resetMeshState();
  textureSlots[kSlotGlobe].id = patternTexture(40);
  textureSlots[kSlotMoonSkin].id = patternTexture(200);
  musicClock.musicTimeMs = 20000;
  setMeshMode(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    gfxClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gfxColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    gfxEnable(GL_TEXTURE_2D);
    gfxLoadIdentity();
    gfxTranslatef(0.0f, 0.0f, -5.0f);
    musicClock.musicTimeMs += 16;
    musicClock.frameDeltaMs = 16;
    drawMesh();
    glFinish();
  }
}
// CPU time counts the renderer's own threads as well.
BENCHMARK(BM_MeshFrameOnSoftwareGl)
    ->Arg(kMeshSphere)
    ->Arg(kMeshWobbleSphere)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Working out which triangles of the mesh can show, for a plain and for a
// wobbled sphere at the show's size, 5 units in front of the eye.
void BM_VisibleMeshTriangles(benchmark::State& state) {
  HeadlessGl gl(kWindowWidth, kWindowHeight);
  if (!gl.ok()) {
    state.SkipWithError("no EGL context");
    return;
  }
  const GfxCalls* previous = gfx;
  gfx = &gfxDiscard;
  cue(static_cast<int32_t>(state.range(0)));
  drawMesh();
  gfx = previous;
  resizeScene(kWindowWidth, kWindowHeight);
  glTranslatef(0.0f, 0.0f, -5.0f);
  GLfloat modelview[16], projection[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  GfxRaster raster;
  glGetIntegerv(GL_VIEWPORT, raster.viewport);
  glGetIntegerv(GL_DEPTH_BITS, &raster.depthBits);
  const GfxStripArrays arrays = {&meshWork.workGrid.v[0].x,   &meshWork.workGrid.v[0].nx,       &meshWork.workGrid.v[0].u,
                                 sizeof(MeshVertex), meshStripIndices.data(), kMeshStrips,
                                 kMeshStripLength,   meshTwins.data()};
  std::vector<GLuint> triangles;
  for (auto _ : state) {
    if (!gfxVisibleTriangles(arrays, modelview, projection, &raster, triangles)) {
      state.SkipWithError("the mesh should show as a closed surface");
      break;
    }
    benchmark::DoNotOptimize(triangles.data());
  }
  state.counters["kept"] = static_cast<double>(triangles.size() / 3);
}
BENCHMARK(BM_VisibleMeshTriangles)
    ->Arg(kMeshSphere)
    ->Arg(kMeshWobbleSphere)
    ->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
  // As the show does before it makes a context: the driver's per-draw
  // buffers stay in the process instead of going back to the kernel.
  sysTuneAllocator();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
