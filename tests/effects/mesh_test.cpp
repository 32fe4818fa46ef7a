// The mesh effect through its interface: mode codes, the per-frame updates of
// workGrid, the reveal, the satellite, and what a frame sends to GL, seen
// through the call recorder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gfx/gfx_recorder.h"
#include "tests/effects/mesh_state.h"

namespace {
const MeshVertex& at(const MeshGrid& grid, int r, int c) { return grid.v[r * kMeshColumns + c]; }

// The positions of two grids, vertex by vertex and bit for bit.
::testing::AssertionResult samePositions(const MeshGrid& got, const MeshGrid& want) {
  for (int i = 0; i < kMeshVertices; ++i) {
    const MeshVertex& a = got.v[i];
    const MeshVertex& b = want.v[i];
    if (a.x != b.x || a.y != b.y || a.z != b.z) {
      return ::testing::AssertionFailure()
             << "vertex " << i << ": (" << a.x << ", " << a.y << ", " << a.z << ") instead of ("
             << b.x << ", " << b.y << ", " << b.z << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

// The wobble written out vertex by vertex, with the frequency factor given.
void wobbleReference(const MeshGrid& source, int32_t t, double k, MeshGrid& out) {
  const float g = static_cast<float>(std::sin(t * static_cast<double>(0.0007f)));
  out = source;
  for (int i = 0; i < kMeshVertices; ++i) {
    const MeshVertex& p = source.v[i];
    const double f = std::sin((p.x + 3.5 + g) * M_PI * k) * std::sin((p.y + 1.5 + g) * M_PI * k) *
                     std::sin((p.z + static_cast<double>(2.2f) + g) * M_PI * k);
    out.v[i].x = static_cast<float>((1 + f) * p.x);
    out.v[i].y = static_cast<float>((1 + f) * p.y);
    out.v[i].z = static_cast<float>((1 + f) * p.z);
  }
}

double frequencyFactor(int32_t t) { return 2 - 2 * std::cos(t * (M_PI / 180) / 70); }

MeshGrid expected;  // scratch for the reference shapes

class MeshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetMeshState();
    for (int slot = 0; slot < kTextureSlots; ++slot) textureSlots[slot].id = 100 + slot;
  }
  // Sets the clock and gives a code, as a cue does before the frame draws.
  static void cueAt(int32_t timeMs, int32_t code) {
    musicClock.frameDeltaMs = timeMs - musicClock.musicTimeMs;
    musicClock.musicTimeMs = timeMs;
    setMeshMode(code);
  }
};

// ---------------------------------------------------------------- reveal

using MeshRevealTest = MeshTest;

TEST_F(MeshRevealTest, FirstFrameDrawsOnlyTheScanStripAndNoSatellite) {
  GfxRecorder recorder;
  meshFrameAt(300);
  const std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), 1u);
  ASSERT_EQ(strips[0].vertices.size(), 512u);
  EXPECT_EQ(strips[0].vertices[0].y, at(meshWork.workGrid, 300 % 127, 0).y);
  EXPECT_EQ(strips[0].vertices[1].y, at(meshWork.workGrid, 300 % 127 + 1, 0).y);
  EXPECT_EQ(strips[0].texture, textureId(kSlotGlobe));
  EXPECT_EQ(mesh.revealRow, 127);
  EXPECT_EQ(mesh.satelliteVisible, 0);
}

TEST_F(MeshRevealTest, SteadyTwentyMillisecondFramesFirstStepInTheEighthFrame) {
  for (int frame = 1; frame <= 7; ++frame) {
    meshFrameAt(20 * frame);
    ASSERT_EQ(mesh.revealRow, 127) << "frame " << frame;
  }
  GfxRecorder recorder;
  meshFrameAt(160);
  EXPECT_EQ(mesh.revealRow, 126);
  EXPECT_EQ(mesh.revealAccumMs, 140 - 128 + 20);
  const std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), 2u) << "the scan strip and row 126";
  EXPECT_EQ(strips[1].vertices[0].y, at(meshWork.workGrid, 126, 0).y);
  EXPECT_EQ(strips[1].vertices[1].y, at(meshWork.workGrid, 127, 0).y);
}

TEST_F(MeshRevealTest, AnAccumulatedStepExactlyDoesNotStepAndALongFrameStepsOnce) {
  mesh.revealAccumMs = 128;
  meshFrameAt(1000);
  EXPECT_EQ(mesh.revealRow, 127);
  EXPECT_EQ(mesh.revealAccumMs, 128 + 1000);
  meshFrameAt(1020);
  EXPECT_EQ(mesh.revealRow, 126) << "one row per frame at most";
  EXPECT_EQ(mesh.revealAccumMs, 1000 + 20);
}

TEST_F(MeshRevealTest, TheFrameThatReachesRowZeroDrawsEverythingThenThePlainSphereTakesOver) {
  mesh.revealRow = 1;
  mesh.revealAccumMs = 200;
  meshWork.workGrid.v[5].x = 3.0f;  // the reveal leaves the mesh alone
  GfxRecorder recorder;
  meshFrameAt(16000);
  EXPECT_EQ(mesh.revealRow, 0);
  EXPECT_EQ(mesh.meshMode, kMeshSphere);
  std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), 1u + 127u);
  EXPECT_EQ(strips[0].vertices[0].y, at(meshWork.workGrid, 16000 % 127, 0).y);
  EXPECT_EQ(strips[1].vertices[0].y, at(meshWork.workGrid, 0, 0).y);
  EXPECT_EQ(meshWork.workGrid.v[5].x, 3.0f);

  recorder.clear();
  meshFrameAt(16020);
  strips = recorder.strips();
  ASSERT_EQ(strips.size(), 127u);
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid)) << "the plain sphere is copied";
}

TEST_F(MeshRevealTest, ALaterRevealNeverTakesItBelowRowZero) {
  mesh.revealRow = 0;
  mesh.meshMode = kMeshSphere;
  cueAt(50000, kMeshReveal);
  mesh.revealAccumMs = 5000;
  GfxRecorder recorder;
  drawMesh();
  EXPECT_EQ(mesh.revealRow, 0);
  EXPECT_EQ(mesh.meshMode, kMeshSphere);
  const std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), 1u + 127u + 127u) << "scan strip, whole mesh, satellite";
  EXPECT_EQ(strips[1].vertices[0].y, at(meshWork.workGrid, 0, 0).y);
}

TEST_F(MeshRevealTest, TheScanStripStaysOnTheGridForAClockBelowZero) {
  GfxRecorder recorder;
  meshFrameAt(-5);
  const std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), 1u);
  EXPECT_EQ(strips[0].vertices[0].y, at(meshWork.workGrid, 122, 0).y);
}

// ------------------------------------------------------- mode codes, state

TEST_F(MeshTest, TheSatelliteCodesSwitchTheBounceAndShowThePlainSphere) {
  cueAt(20000, kMeshSatelliteBounce);
  EXPECT_EQ(mesh.meshMode, kMeshSphere);
  EXPECT_EQ(mesh.satelliteBounce, 1);
  cueAt(20000, kMeshSatelliteSettle);
  EXPECT_EQ(mesh.meshMode, kMeshSphere);
  EXPECT_EQ(mesh.satelliteBounce, 0);
}

TEST_F(MeshTest, TimeMarksFollowTheCode) {
  const struct {
    int32_t code;
    int32_t stamp;
  } cases[] = {{kMeshWobbleSphere, 30000},
               {kMeshWobbleCube, 30000},
               {kMeshMorphToSphere, 32000},
               {kMeshMorphToCube, 35000}};
  for (const auto& c : cases) {
    mesh.meshStamp = 7;
    cueAt(30000, c.code);
    EXPECT_EQ(mesh.meshStamp, c.stamp) << c.code;
    EXPECT_EQ(mesh.meshMode, c.code);
  }
  for (int32_t code : {kMeshReveal, kMeshSphere, kMeshCube, kMeshWobbleSnapshot, kMeshPulse,
                       kMeshMorphToSnapshot, kMeshSatelliteBounce, kMeshSatelliteSettle,
                       kMeshModeCount, -1, 1000}) {
    mesh.meshStamp = 7;
    cueAt(30000, code);
    EXPECT_EQ(mesh.meshStamp, 7) << code;
  }
  cueAt(30000, 12345);
  EXPECT_EQ(mesh.meshMode, 12345);
}

TEST_F(MeshTest, AnUnknownCodeKeepsTheMeshAsItIs) {
  cueAt(20000, kMeshCube);
  drawMesh();
  cueAt(20016, 99);
  meshFrameAt(20032);
  EXPECT_TRUE(samePositions(meshWork.workGrid, boxGrid));
}

// -------------------------------------------------------------- wobble

TEST_F(MeshTest, WobbleStartsFromItsSourceExactly) {
  cueAt(30000, kMeshWobbleSphere);
  drawMesh();
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid));
  for (int32_t time = 30016; time < 30200; time += 16) {
    cueAt(time, kMeshWobbleSphere);
    drawMesh();
  }
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid)) << "a wobble given on every frame keeps t at 0";
}

TEST_F(MeshTest, WobbleFrequencyFactorPeaksAtFourAfter12600Ms) {
  cueAt(30000, kMeshWobbleSphere);
  meshFrameAt(30000 + 12600);
  wobbleReference(sphereGrid, 12600, 4.0, expected);
  EXPECT_TRUE(samePositions(meshWork.workGrid, expected));
}

TEST_F(MeshTest, WobbleOfSphereAndCubeMatchesTheVertexByVertexArithmetic) {
  for (int32_t code : {kMeshWobbleSphere, kMeshWobbleCube}) {
    SCOPED_TRACE(code);
    const MeshGrid& source = code == kMeshWobbleSphere ? sphereGrid : boxGrid;
    cueAt(40000, code);
    for (int32_t t : {1, 777, 5321, 20000}) {
      meshFrameAt(40000 + t);
      wobbleReference(source, t, frequencyFactor(t), expected);
      ASSERT_TRUE(samePositions(meshWork.workGrid, expected)) << "t = " << t;
    }
  }
}

TEST_F(MeshTest, TheSnapshotWobbleShakesTheLatestSnapshotOnTheOldTimeMark) {
  cueAt(60000, kMeshWobbleSphere);
  cueAt(61000, kMeshCube);
  meshFrameAt(69000);  // the cube
  cueAt(70000, kMeshWobbleSnapshot);
  EXPECT_TRUE(samePositions(meshWork.snapshotGrid, boxGrid));
  drawMesh();
  wobbleReference(boxGrid, 10000, frequencyFactor(10000), expected);
  EXPECT_TRUE(samePositions(meshWork.workGrid, expected));

  // A new snapshot of another shape is wobbled from then on.
  cueAt(70100, kMeshSphere);
  drawMesh();
  cueAt(70200, kMeshWobbleSnapshot);
  drawMesh();
  wobbleReference(sphereGrid, 10200, frequencyFactor(10200), expected);
  EXPECT_TRUE(samePositions(meshWork.workGrid, expected));
}

// --------------------------------------------------------------- morphs

TEST_F(MeshTest, SphereMorphWeightsAtItsStartMiddleAndEnd) {
  cueAt(29000, kMeshCube);
  drawMesh();
  cueAt(30000, kMeshMorphToSphere);
  drawMesh();
  EXPECT_TRUE(samePositions(meshWork.workGrid, boxGrid)) << "w = 0 at the call";

  meshFrameAt(31000);
  for (int i = 0; i < kMeshVertices; ++i) {
    const MeshVertex& p = meshWork.workGrid.v[i];
    ASSERT_FLOAT_EQ(p.x, (boxGrid.v[i].x + sphereGrid.v[i].x) / 2) << i;
    ASSERT_FLOAT_EQ(p.y, (boxGrid.v[i].y + sphereGrid.v[i].y) / 2) << i;
    ASSERT_FLOAT_EQ(p.z, (boxGrid.v[i].z + sphereGrid.v[i].z) / 2) << i;
  }
  const MeshGrid halfway = meshWork.workGrid;
  meshFrameAt(32000);
  meshFrameAt(33000);
  EXPECT_TRUE(samePositions(meshWork.workGrid, halfway)) << "nothing moves from the time mark on";
}

TEST_F(MeshTest, CubeMorphRunsFiveSecondsAndKeepsTheSphereTextures) {
  cueAt(40000, kMeshMorphToCube);
  EXPECT_EQ(mesh.meshStamp, 45000);
  GfxRecorder recorder;
  meshFrameAt(42500);
  for (int i = 0; i < kMeshVertices; ++i) {
    ASSERT_FLOAT_EQ(meshWork.workGrid.v[i].x, (boxGrid.v[i].x + sphereGrid.v[i].x) / 2) << i;
    ASSERT_FLOAT_EQ(meshWork.workGrid.v[i].z, (boxGrid.v[i].z + sphereGrid.v[i].z) / 2) << i;
  }
  const std::vector<GfxStrip> strips = recorder.strips();
  ASSERT_EQ(strips.size(), 254u);
  EXPECT_EQ(strips[0].texture, textureId(kSlotGlobe));
  EXPECT_EQ(strips[127].texture, textureId(kSlotMoonSkin));
}

TEST_F(MeshTest, SnapshotMorphDoesNothingOnAnOldTimeMark) {
  cueAt(10000, kMeshWobbleSphere);
  cueAt(49000, kMeshCube);
  drawMesh();
  cueAt(49500, kMeshPulse);
  cueAt(50000, kMeshSphere);
  drawMesh();
  cueAt(50016, kMeshMorphToSnapshot);
  meshFrameAt(50032);
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid));
}

TEST_F(MeshTest, SnapshotMorphBehindALongerMarkWaitsInsteadOfRunningAway) {
  cueAt(59000, kMeshCube);
  drawMesh();
  cueAt(59500, kMeshPulse);  // the snapshot is the cube
  cueAt(59600, kMeshSphere);
  drawMesh();
  cueAt(60000, kMeshMorphToCube);  // a mark 5000 ms ahead; the snapshot morph weighs 2000
  cueAt(60000, kMeshMorphToSnapshot);
  for (int32_t time = 60000; time <= 63000; time += 16) meshFrameAt(time);
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid)) << "no movement while the weight is below 0";
  meshFrameAt(64000);  // w = (-1000 + 2000) / 2000
  for (int i = 0; i < kMeshVertices; ++i) {
    ASSERT_TRUE(std::isfinite(meshWork.workGrid.v[i].x));
    ASSERT_FLOAT_EQ(meshWork.workGrid.v[i].y, (boxGrid.v[i].y + sphereGrid.v[i].y) / 2) << i;
  }
}

// ---------------------------------------------------------------- pulse

TEST_F(MeshTest, PulseSwellsEachRingWithItsEvenBin) {
  cueAt(80000, kMeshPulse);
  drawMesh();
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid)) << "a silent spectrum";

  musicClock.spectrum[0] = 1.0f;
  musicClock.spectrum[1] = 9.0f;  // odd bins are not read
  musicClock.spectrum[128] = 0.5f;
  meshFrameAt(80016);
  for (int c = 0; c < kMeshColumns; ++c) {
    ASSERT_EQ(at(meshWork.workGrid, 0, c).y, 2.0f);
    ASSERT_EQ(at(meshWork.workGrid, 0, c).x, 0.0f);
    ASSERT_EQ(at(meshWork.workGrid, 1, c).x, at(sphereGrid, 1, c).x);
    ASSERT_EQ(at(meshWork.workGrid, 64, c).z, static_cast<float>(at(sphereGrid, 64, c).z * 1.5));
  }
  meshFrameAt(80032);
  EXPECT_EQ(at(meshWork.workGrid, 0, 0).y, 2.0f) << "nothing accumulates";
}

TEST_F(MeshTest, ThePulseSnapshotsTheShapeFromBeforeIt) {
  cueAt(80000, kMeshCube);
  drawMesh();
  musicClock.spectrum[0] = 1.0f;
  cueAt(80016, kMeshPulse);
  EXPECT_TRUE(samePositions(meshWork.snapshotGrid, boxGrid));
}

// --------------------------------------------------------------- normals

TEST_F(MeshTest, NormalsAreRecomputedForEveryVertexWithWrappingNeighbours) {
  cueAt(20000, 42);
  for (int i = 0; i < kMeshVertices; ++i) {
    meshWork.workGrid.v[i].x = static_cast<float>(i % 7) * 0.25f;
    meshWork.workGrid.v[i].y = static_cast<float>(i % 11) * 0.5f;
    meshWork.workGrid.v[i].z = static_cast<float>(i % 13);
    meshWork.workGrid.v[i].nx = 99.0f;
  }
  drawMesh();
  for (int r = 0; r < kMeshRows; ++r) {
    for (int c = 0; c < kMeshColumns; ++c) {
      const MeshVertex& v = at(meshWork.workGrid, r, c);
      float n[3];
      faceNormal(&v.x, &at(meshWork.workGrid, r, (c + 1) % 256).x,
                 &at(meshWork.workGrid, (r + 1) % 128, (c + 1) % 256).x, &n[0], &n[1], &n[2]);
      ASSERT_EQ(v.nx, n[0]) << r << " " << c;
      ASSERT_EQ(v.ny, n[1]) << r << " " << c;
      ASSERT_EQ(v.nz, n[2]) << r << " " << c;
    }
  }
}

TEST_F(MeshTest, SphereNormalsPointOutwardsAndVanishAtThePoleAndSeam) {
  cueAt(20000, kMeshSphere);
  drawMesh();
  for (int r = 1; r < 126; ++r) {
    for (int c = 0; c < 255; ++c) {
      const MeshVertex& v = at(meshWork.workGrid, r, c);
      ASSERT_GT(v.nx * v.x + v.ny * v.y + v.nz * v.z, 0.0f) << r << " " << c;
    }
    const MeshVertex& seam = at(meshWork.workGrid, r, 255);
    EXPECT_LT(std::fabs(seam.nx) + std::fabs(seam.ny) + std::fabs(seam.nz), 1e-5f) << r;
  }
  for (int c = 0; c < kMeshColumns; ++c) {
    ASSERT_EQ(at(meshWork.workGrid, 0, c).nx, 0.0f);
    ASSERT_EQ(at(meshWork.workGrid, 0, c).ny, 0.0f);
    ASSERT_EQ(at(meshWork.workGrid, 0, c).nz, 0.0f);
  }
}

// ------------------------------------------------------ window re-creation

TEST_F(MeshTest, RebuildingTheGridsResetsOnlyTheWorkingMesh) {
  cueAt(20000, kMeshCube);
  drawMesh();
  mesh.meshStamp = 1234;
  buildMeshGrids();
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid));
  EXPECT_EQ(mesh.meshMode, kMeshCube);
  EXPECT_EQ(mesh.meshStamp, 1234);
  EXPECT_EQ(mesh.satelliteVisible, 1);
  meshFrameAt(20016);
  EXPECT_TRUE(samePositions(meshWork.workGrid, boxGrid)) << "the copy modes rebuild it at once";
}

TEST_F(MeshTest, RebuildingTheGridsInAMorphRestartsItFromTheSphere) {
  cueAt(40000, kMeshMorphToCube);
  meshFrameAt(41000);
  ASSERT_FALSE(samePositions(meshWork.workGrid, sphereGrid));
  meshFrameAt(45000);  // the mark: finished
  buildMeshGrids();
  meshFrameAt(46000);
  EXPECT_TRUE(samePositions(meshWork.workGrid, sphereGrid)) << "a finished morph leaves the sphere";

  cueAt(50000, kMeshMorphToCube);
  meshFrameAt(51000);
  buildMeshGrids();
  meshFrameAt(52500);  // w = 0.5, from the sphere again
  for (int i = 0; i < kMeshVertices; ++i) {
    ASSERT_FLOAT_EQ(meshWork.workGrid.v[i].x, (boxGrid.v[i].x + sphereGrid.v[i].x) / 2) << i;
  }
}

}  // namespace
