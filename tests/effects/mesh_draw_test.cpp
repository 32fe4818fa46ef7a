// What a mesh frame sends to GL, seen through the call recorder: the strips
// and their vertices, the textures per mode, the transforms and their undo,
// the satellite's appearance, orbit and bounce.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx/gfx_recorder.h"
#include "tests/effects/mesh_state.h"

namespace {
const MeshVertex& at(const MeshGrid& grid, int r, int c) { return grid.v[r * kMeshColumns + c]; }

// Fake texture names, one per slot, so a bound name tells its slot.
constexpr unsigned kNameOfSlot0 = 100;

class MeshDrawTest : public ::testing::Test {
 protected:
  void SetUp() override { fresh(); }
  // The state at program start, with every slot holding a texture name.
  static void fresh() {
    resetMeshState();
    for (int slot = 0; slot < kTextureSlots; ++slot) textureSlots[slot].id = kNameOfSlot0 + slot;
  }
  static void cueAt(int32_t timeMs, int32_t code) {
    musicClock.frameDeltaMs = timeMs - musicClock.musicTimeMs;
    musicClock.musicTimeMs = timeMs;
    setMeshMode(code);
  }
};

// Strip n of a full frame joins rows first + n and first + n + 1 of the grid;
// every vertex carries that grid vertex's normal, texture coordinates and
// position.
::testing::AssertionResult stripsShowGrid(const std::vector<GfxStrip>& strips, size_t begin,
                                          const MeshGrid& grid) {
  for (int r = 0; r < kMeshRows - 1; ++r) {
    const GfxStrip& strip = strips[begin + r];
    if (strip.mode != GL_TRIANGLE_STRIP || strip.vertices.size() != 512) {
      return ::testing::AssertionFailure() << "strip " << r << " is not a 512-vertex strip";
    }
    for (int k = 0; k < 512; ++k) {
      const MeshVertex& want = at(grid, r + k % 2, k / 2);
      const GfxStrip::Vertex& got = strip.vertices[k];
      if (got.x != want.x || got.y != want.y || got.z != want.z || got.nx != want.nx ||
          got.ny != want.ny || got.nz != want.nz || got.s != want.u || got.t != want.v) {
        return ::testing::AssertionFailure() << "strip " << r << " vertex " << k;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(MeshDrawTest, EveryModeDrawsTheWholeMeshAndTheSatelliteRowByRow) {
  for (int32_t code = kMeshSphere; code <= kMeshModeCount; ++code) {
    SCOPED_TRACE(code);
    fresh();
    cueAt(20000, code);
    GfxRecorder recorder;
    drawMesh();
    const std::vector<GfxStrip> strips = recorder.strips();
    ASSERT_EQ(strips.size(), 254u);
    EXPECT_TRUE(stripsShowGrid(strips, 0, meshWork.workGrid));
    EXPECT_TRUE(stripsShowGrid(strips, 127, satelliteGrid));
  }
}

TEST_F(MeshDrawTest, EachVertexSendsNormalThenTextureCoordinateThenPosition) {
  cueAt(20000, kMeshSphere);
  GfxRecorder recorder;
  drawMesh();
  const GfxCall::Kind order[] = {GfxCall::Normal, GfxCall::TexCoord, GfxCall::Vertex};
  int next = 0;
  bool inside = false;
  for (const GfxCall& call : recorder.calls()) {
    if (call.kind == GfxCall::Begin) {
      ASSERT_FALSE(inside);
      ASSERT_EQ(call.e0, static_cast<unsigned>(GL_TRIANGLE_STRIP));
      inside = true;
      next = 0;
    } else if (call.kind == GfxCall::End) {
      ASSERT_TRUE(inside);
      ASSERT_EQ(next, 0);
      inside = false;
    } else if (inside) {
      ASSERT_EQ(call.kind, order[next]);
      next = (next + 1) % 3;
    }
  }
  EXPECT_EQ(recorder.count(GfxCall::Vertex), 2 * 127 * 512);
}

// The cube and its wobble wear the cube's pictures, the bouncing satellite
// its ball; every other code, known or not, the globe and the moon.
TEST_F(MeshDrawTest, TheCubeModesWearTheCubePicturesAndTheBounceItsBall) {
  const struct {
    int32_t code;
    int32_t meshSlot;
    int32_t satelliteSlot;
  } table[] = {{kMeshReveal, kSlotGlobe, kSlotMoonSkin},
               {kMeshSphere, kSlotGlobe, kSlotMoonSkin},
               {kMeshCube, kSlotPanelCube, kSlotEmberSkin},
               {kMeshWobbleSphere, kSlotGlobe, kSlotMoonSkin},
               {kMeshWobbleCube, kSlotPanelCube, kSlotEmberSkin},
               {kMeshMorphToSphere, kSlotGlobe, kSlotMoonSkin},
               {kMeshMorphToCube, kSlotGlobe, kSlotMoonSkin},
               {kMeshWobbleSnapshot, kSlotGlobe, kSlotMoonSkin},
               {kMeshPulse, kSlotGlobe, kSlotMoonSkin},
               {kMeshMorphToSnapshot, kSlotGlobe, kSlotMoonSkin},
               {kMeshSatelliteBounce, kSlotGlobe, kSlotBallSkin},
               {kMeshSatelliteSettle, kSlotGlobe, kSlotMoonSkin},
               {kMeshModeCount, kSlotGlobe, kSlotMoonSkin},
               {-1, kSlotGlobe, kSlotMoonSkin},
               {100000, kSlotGlobe, kSlotMoonSkin}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.code);
    fresh();
    mesh.revealRow = 0;
    cueAt(20000, row.code);
    GfxRecorder recorder;
    drawMesh();
    std::vector<unsigned> bound;
    for (const GfxCall& call : recorder.calls()) {
      if (call.kind != GfxCall::BindTexture) continue;
      EXPECT_EQ(call.e0, static_cast<unsigned>(GL_TEXTURE_2D));
      bound.push_back(call.e1);
    }
    ASSERT_EQ(bound.size(), 2u);
    EXPECT_EQ(bound[0], textureId(row.meshSlot));
    EXPECT_EQ(bound[1], textureId(row.satelliteSlot));
  }
}

TEST_F(MeshDrawTest, TexturesAreLookedUpOnEveryFrame) {
  cueAt(20000, kMeshSphere);
  drawMesh();
  textureSlots[kSlotGlobe].id = 7;
  GfxRecorder recorder;
  meshFrameAt(20016);
  EXPECT_EQ(recorder.strips()[0].texture, 7u);
}

// The transforms of a frame in order, with the strips drawn between them.
struct Transform {
  GfxCall::Kind kind;
  double a[4];
  int stripsBefore;
};

std::vector<Transform> transforms(const GfxRecorder& recorder) {
  std::vector<Transform> out;
  int strips = 0;
  for (const GfxCall& call : recorder.calls()) {
    if (call.kind == GfxCall::Begin) ++strips;
    if (call.kind == GfxCall::Rotate || call.kind == GfxCall::Translate) {
      out.push_back({call.kind, {call.a[0], call.a[1], call.a[2], call.a[3]}, strips});
    }
  }
  return out;
}

TEST_F(MeshDrawTest, SpinAndOrbitAreUndoneInReverseOrder) {
  cueAt(20000, kMeshSphere);
  GfxRecorder recorder;
  drawMesh();
  const std::vector<Transform> t = transforms(recorder);
  ASSERT_EQ(t.size(), 6u);
  // The mesh turns 0.01 degree per ms; the satellite orbits at -0.036 degree
  // per ms from 180 degrees, at distance 3.
  EXPECT_EQ(t[0].kind, GfxCall::Rotate);
  EXPECT_NEAR(t[0].a[0], 200.0, 1e-3);
  EXPECT_EQ(t[0].stripsBefore, 0);
  EXPECT_EQ(t[1].kind, GfxCall::Rotate);
  EXPECT_EQ(t[1].a[0], -t[0].a[0]);
  EXPECT_EQ(t[1].stripsBefore, 127);
  EXPECT_EQ(t[2].kind, GfxCall::Rotate);
  EXPECT_NEAR(t[2].a[0], -540.0, 1e-3);
  EXPECT_EQ(t[3].kind, GfxCall::Translate);
  EXPECT_EQ(t[3].a[0], 3.0);
  EXPECT_EQ(t[3].a[1], 0.0);
  EXPECT_EQ(t[3].stripsBefore, 127);
  EXPECT_EQ(t[4].kind, GfxCall::Translate);
  EXPECT_EQ(t[4].a[0], -3.0);
  EXPECT_EQ(t[4].a[1], -t[3].a[1]);
  EXPECT_EQ(t[4].stripsBefore, 254);
  EXPECT_EQ(t[5].kind, GfxCall::Rotate);
  EXPECT_EQ(t[5].a[0], -t[2].a[0]);
  for (int i : {0, 1, 2, 5}) {
    EXPECT_EQ(t[i].a[1], 0.0);
    EXPECT_EQ(t[i].a[2], 1.0);
    EXPECT_EQ(t[i].a[3], 0.0);
  }
}

TEST_F(MeshDrawTest, SatelliteAppearsAfter16800MsAndStays) {
  mesh.revealRow = 0;
  cueAt(16800, kMeshSphere);
  GfxRecorder recorder;
  drawMesh();
  EXPECT_EQ(mesh.satelliteVisible, 0);
  EXPECT_EQ(recorder.strips().size(), 127u);
  EXPECT_EQ(transforms(recorder).size(), 2u);

  recorder.clear();
  meshFrameAt(16801);
  EXPECT_EQ(mesh.satelliteVisible, 1);
  EXPECT_EQ(recorder.strips().size(), 254u);

  recorder.clear();
  meshFrameAt(100);
  EXPECT_EQ(recorder.strips().size(), 254u) << "nothing resets it";
}

TEST_F(MeshDrawTest, BouncingSatelliteHopsOncePerSecondWithItsOwnTexture) {
  cueAt(17000, kMeshSatelliteBounce);
  const struct {
    int32_t timeMs;
    double height;
  } hops[] = {{17000, 0.0}, {17500, 1.0}, {17250, std::sqrt(0.5)}, {18000, 0.0}};
  for (const auto& hop : hops) {
    SCOPED_TRACE(hop.timeMs);
    GfxRecorder recorder;
    meshFrameAt(hop.timeMs);
    const std::vector<Transform> t = transforms(recorder);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_NEAR(t[3].a[1], hop.height, 1e-3);
    EXPECT_EQ(t[4].a[1], -t[3].a[1]);
    EXPECT_EQ(recorder.strips()[127].texture, textureId(kSlotBallSkin));
  }
  cueAt(19000, kMeshCube);
  GfxRecorder recorder;
  meshFrameAt(19500);
  const std::vector<GfxStrip> strips = recorder.strips();
  EXPECT_EQ(strips[0].texture, textureId(kSlotPanelCube));
  EXPECT_EQ(strips[127].texture, textureId(kSlotBallSkin)) << "the bounce wins in every mode";
  EXPECT_EQ(transforms(recorder)[3].a[1], 1.0);

  cueAt(20000, kMeshSatelliteSettle);
  recorder.clear();
  meshFrameAt(20500);
  EXPECT_EQ(transforms(recorder)[3].a[1], 0.0);
  EXPECT_EQ(recorder.strips()[127].texture, textureId(kSlotMoonSkin));
}
}  // namespace
