// The five mesh grids and the face normal: the shapes, their seams and
// collapsed rings, the texture coordinates, and what a rebuild touches.
#include "effects/mesh_grids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {
const MeshVertex& at(const MeshGrid& grid, int r, int c) { return grid.v[r * kMeshColumns + c]; }

void expectPosition(const MeshVertex& v, float x, float y, float z) {
  EXPECT_EQ(v.x, x);
  EXPECT_EQ(v.y, y);
  EXPECT_EQ(v.z, z);
}

class MeshGridsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetMeshWork();
    buildMeshGrids();
  }
};

TEST_F(MeshGridsTest, SpherePolesAreSinglePoints) {
  for (int c = 0; c < kMeshColumns; ++c) {
    SCOPED_TRACE(c);
    expectPosition(at(sphereGrid, 0, c), 0.0f, 1.0f, 0.0f);
    const MeshVertex& south = at(sphereGrid, 127, c);
    EXPECT_NEAR(south.x, 0.0f, 1e-6f);
    EXPECT_EQ(south.y, -1.0f);
    EXPECT_NEAR(south.z, 0.0f, 1e-6f);
  }
  EXPECT_EQ(at(sphereGrid, 0, 17).ny, 1.0f);
}

TEST_F(MeshGridsTest, SphereStartsOnPlusZAndTurnsTowardsPlusX) {
  const double theta = 64 * M_PI / 127;
  const MeshVertex& v = at(sphereGrid, 64, 0);
  EXPECT_EQ(v.x, 0.0f);
  EXPECT_FLOAT_EQ(v.y, static_cast<float>(std::cos(theta)));
  EXPECT_FLOAT_EQ(v.z, static_cast<float>(std::sin(theta)));
  EXPECT_LT(v.y, 0.0f) << "row 64 lies just below the equator";
  EXPECT_GT(at(sphereGrid, 64, 1).x, 0.0f);
  // A quarter of the way round lies on +x.
  EXPECT_NEAR(at(sphereGrid, 64, 64).x, 1.0f, 1e-3f);
}

TEST_F(MeshGridsTest, SphereSeamColumnsCoincideButCarryBothEndsOfTheTexture) {
  for (int r = 0; r < kMeshRows; ++r) {
    SCOPED_TRACE(r);
    const MeshVertex& first = at(sphereGrid, r, 0);
    const MeshVertex& last = at(sphereGrid, r, 255);
    EXPECT_NEAR(last.x, first.x, 1e-6f);
    EXPECT_EQ(last.y, first.y);
    EXPECT_NEAR(last.z, first.z, 1e-6f);
    EXPECT_EQ(first.u, 0.0f);
    EXPECT_EQ(last.u, 1.0f);
  }
}

TEST_F(MeshGridsTest, SatelliteIsTheSphereAtAnEighth) {
  expectPosition(at(satelliteGrid, 0, 9), 0.0f, 0.125f, 0.0f);
  EXPECT_EQ(at(satelliteGrid, 0, 9).ny, 0.125f);
  for (int i = 0; i < kMeshVertices; ++i) {
    const MeshVertex& small = satelliteGrid.v[i];
    const MeshVertex& unit = sphereGrid.v[i];
    ASSERT_EQ(small.x, unit.x * 0.125f) << i;
    ASSERT_EQ(small.y, unit.y * 0.125f) << i;
    ASSERT_EQ(small.z, unit.z * 0.125f) << i;
    ASSERT_EQ(small.nx, small.x) << i;
    ASSERT_EQ(small.nz, small.z) << i;
  }
}

TEST_F(MeshGridsTest, TextureCoordinatesDependOnTheGridPositionOnly) {
  for (const MeshGrid* grid : {&sphereGrid, &satelliteGrid, &boxGrid, &meshWork.workGrid}) {
    for (int r = 0; r < kMeshRows; ++r) {
      for (int c = 0; c < kMeshColumns; ++c) {
        const MeshVertex& v = at(*grid, r, c);
        ASSERT_NEAR(v.u, c / 255.0, 1e-7) << r << " " << c;
        ASSERT_NEAR(v.v, 1.0 - r / 127.0, 1e-7) << r << " " << c;
      }
    }
    EXPECT_EQ(at(*grid, 0, 0).u, 0.0f);
    EXPECT_EQ(at(*grid, 5, 255).u, 1.0f);
    EXPECT_EQ(at(*grid, 0, 5).v, 1.0f);
    EXPECT_EQ(at(*grid, 127, 5).v, 0.0f);
  }
}

TEST_F(MeshGridsTest, CubeCentreRowsCollapseToPoints) {
  for (int c = 0; c < kMeshColumns; ++c) {
    SCOPED_TRACE(c);
    expectPosition(at(boxGrid, 0, c), 0.0f, 1.0f, 0.0f);
    expectPosition(at(boxGrid, 127, c), 0.0f, -1.0f, 0.0f);
  }
}

TEST_F(MeshGridsTest, CubeRingWalksItsFourSidesAndSkipsOneCorner) {
  struct Expected {
    int column;
    float x, z;
  };
  const Expected ring[] = {{0, -1, 1},           {63, 0.96875f, 1},   {64, 1, 0.96875f},
                           {127, 1, -1},         {128, 0.96875f, -1}, {191, -1, -1},
                           {192, -1, -0.96875f}, {255, -1, 1}};
  for (const Expected& e : ring) {
    SCOPED_TRACE(e.column);
    expectPosition(at(boxGrid, 40, e.column), e.x, 0.75f, e.z);
  }
}

TEST_F(MeshGridsTest, CubeProfileCutsTheLowerEdgeOfTheSideBand) {
  expectPosition(at(boxGrid, 31, 0), -0.96875f, 1.0f, 0.96875f);
  expectPosition(at(boxGrid, 32, 0), -1.0f, 1.0f, 1.0f);
  expectPosition(at(boxGrid, 95, 0), -1.0f, -0.96875f, 1.0f);
  expectPosition(at(boxGrid, 96, 0), -0.96875f, -1.0f, 0.96875f);
}

TEST_F(MeshGridsTest, EveryCubeVertexLiesOnTheSurfaceOnAThirtySecondGrid) {
  for (int i = 0; i < kMeshVertices; ++i) {
    const MeshVertex& v = boxGrid.v[i];
    const float largest = std::fmax(std::fabs(v.x), std::fmax(std::fabs(v.y), std::fabs(v.z)));
    ASSERT_EQ(largest, 1.0f) << i;
    for (float coordinate : {v.x, v.y, v.z}) {
      // Products of two multiples of 1/32.
      ASSERT_EQ(coordinate * 1024.0f, std::round(coordinate * 1024.0f)) << i;
    }
    ASSERT_EQ(v.nx, 0.0f);
    ASSERT_EQ(v.ny, 0.0f);
    ASSERT_EQ(v.nz, 0.0f);
  }
}

TEST_F(MeshGridsTest, RebuildRestoresTheWorkingSphereAndKeepsTheSnapshot) {
  EXPECT_EQ(std::memcmp(&meshWork.workGrid, &sphereGrid, sizeof meshWork.workGrid), 0);
  for (const MeshVertex& v : meshWork.snapshotGrid.v) {
    ASSERT_EQ(v.x, 0.0f);
    ASSERT_EQ(v.u, 0.0f);
  }
  meshWork.workGrid.v[100].x = 7.0f;
  meshWork.workGrid.v[100].nx = 7.0f;
  meshWork.snapshotGrid.v[3].y = 5.0f;
  const uint32_t builds = meshGridBuilds;
  buildMeshGrids();
  EXPECT_EQ(meshGridBuilds, builds + 1);
  EXPECT_EQ(std::memcmp(&meshWork.workGrid, &sphereGrid, sizeof meshWork.workGrid), 0);
  EXPECT_EQ(meshWork.snapshotGrid.v[3].y, 5.0f);
}

// The twins tell the renderer where the grids close up; a twin that stood
// anywhere else would let it leave out triangles that show.
TEST_F(MeshGridsTest, EveryVertexStandsWhereItsTwinStands) {
  int ownTwins = 0;
  for (int i = 0; i < kMeshVertices; ++i) {
    const uint32_t twin = meshTwins[i];
    ASSERT_LT(twin, static_cast<uint32_t>(kMeshVertices));
    EXPECT_EQ(meshTwins[twin], twin) << "a twin names a twin of its own";
    ownTwins += twin == static_cast<uint32_t>(i);
    for (const MeshGrid* grid : {&sphereGrid, &satelliteGrid, &boxGrid}) {
      const MeshVertex &v = grid->v[i], &w = grid->v[twin];
      EXPECT_NEAR(v.x, w.x, 1e-6f) << i;
      EXPECT_NEAR(v.y, w.y, 1e-6f) << i;
      EXPECT_NEAR(v.z, w.z, 1e-6f) << i;
    }
  }
  // Only the seam and the two poles repeat positions.
  EXPECT_EQ(ownTwins, (kMeshRows - 2) * (kMeshColumns - 1) + 2);
}

TEST(FaceNormal, IsTheCrossProductOfTheSecondEdgeWithTheFirst) {
  const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
  float n[3] = {9, 9, 9};
  faceNormal(a, b, c, &n[0], &n[1], &n[2]);
  EXPECT_EQ(n[0], 0.0f);
  EXPECT_EQ(n[1], 0.0f);
  EXPECT_EQ(n[2], -1.0f);
  faceNormal(a, c, b, &n[0], &n[1], &n[2]);
  EXPECT_EQ(n[2], 1.0f);
}

TEST(FaceNormal, IsNotNormalisedAndVanishesOnALine) {
  const float a[3] = {1, 1, 1}, b[3] = {1, 1, 4}, c[3] = {1, 3, 1};
  float n[3];
  faceNormal(a, b, c, &n[0], &n[1], &n[2]);
  EXPECT_EQ(n[0], 6.0f) << "twice the triangle's area, along +x";
  EXPECT_EQ(n[1], 0.0f);
  EXPECT_EQ(n[2], 0.0f);
  const float d[3] = {2, 2, 2}, e[3] = {3, 3, 3};
  faceNormal(a, d, e, &n[0], &n[1], &n[2]);
  EXPECT_EQ(n[0], 0.0f);
  EXPECT_EQ(n[1], 0.0f);
  EXPECT_EQ(n[2], 0.0f);
}
}  // namespace
