#include "effects/mesh_grids.h"

#include <cmath>
#include <cstring>

MeshGrid sphereGrid;
MeshGrid satelliteGrid;
MeshWork meshWork;
uint32_t snapshotGridWrites = 0;
MeshGrid boxGrid;
uint32_t meshGridBuilds = 0;

constexpr std::array<uint32_t, kMeshStrips * kMeshStripLength> meshStripIndices = [] {
  std::array<uint32_t, kMeshStrips * kMeshStripLength> indices{};
  for (int r = 0; r < kMeshStrips; ++r) {
    for (int c = 0; c < kMeshColumns; ++c) {
      indices[r * kMeshStripLength + 2 * c] = static_cast<uint32_t>(r * kMeshColumns + c);
      indices[r * kMeshStripLength + 2 * c + 1] =
          static_cast<uint32_t>((r + 1) * kMeshColumns + c);
    }
  }
  return indices;
}();

constexpr std::array<uint32_t, kMeshVertices> meshTwins = [] {
  std::array<uint32_t, kMeshVertices> twins{};
  for (int r = 0; r < kMeshRows; ++r) {
    for (int c = 0; c < kMeshColumns; ++c) {
      const bool pole = r == 0 || r == kMeshRows - 1;
      const bool seam = c == kMeshColumns - 1;
      twins[r * kMeshColumns + c] =
          static_cast<uint32_t>(r * kMeshColumns + (pole || seam ? 0 : c));
    }
  }
  return twins;
}();

namespace {
// Angle steps of the spheres: pi / 127 puts row 0 on the north pole and row
// 127 on the south pole; 2 pi / 255 makes column 255 land on column 0 again,
// so the repeated column closes the seam. The values are the ones the show
// has always used, not recomputed from pi.
constexpr double kRowAngle = 0.024736950028266088;
constexpr double kColumnAngle = 0.024639942381096418;

// The satellite is the unit sphere at an eighth of its size.
constexpr double kSatelliteRadius = 0.125;

// The cube's coordinates step by 1/32: 32 rows from the top centre to the top
// edge, 64 rows down the side band, 64 columns along each side of a ring.
constexpr float kCubeStep = 1.0f / 32.0f;

// A horizontal band of the cube's rows: up to (not including) endRow, the
// ring's half-width is s = s0 + ds * r / 32 and its height y = y0 + dy * r / 32.
struct CubeBand {
  int endRow;
  float s0, ds;
  float y0, dy;
};

// Top face as rings growing from the centre, the side band at full width,
// the bottom face as rings shrinking to the centre (127 / 32 - r / 32 is
// (127 - r) / 32).
constexpr CubeBand kCubeBands[] = {
    {32, 0.0f, 1.0f, 1.0f, 0.0f},
    {96, 1.0f, 0.0f, 2.0f, -1.0f},
    {kMeshRows, 127.0f / 32.0f, -1.0f, -1.0f, 0.0f},
};

// One side of a ring, walked by the 64 columns from firstColumn on. The step
// along the side is c - firstColumn + stepOffset; on a ring of half-width s,
// x = (x0 + dx * step / 32) * s and z = (z0 + dz * step / 32) * s.
struct CubeSide {
  int firstColumn;
  int stepOffset;
  float x0, dx;
  float z0, dz;
};

// From the corner (-s, +s) along z = +s towards +x, down x = +s, back along
// z = -s and up x = -s. The first side counts from its own column and the
// other three from the next, so the corner (+s, +s) is skipped and column 255
// lands on column 0 again.
constexpr CubeSide kCubeSides[] = {
    {0, 0, -1.0f, 1.0f, 1.0f, 0.0f},
    {64, 1, 1.0f, 0.0f, 1.0f, -1.0f},
    {128, 1, 1.0f, -1.0f, -1.0f, 0.0f},
    {192, 1, -1.0f, 0.0f, -1.0f, 1.0f},
};
constexpr int kColumnsPerSide = kMeshColumns / 4;

// Texture coordinates depend on the grid position only, the same in every
// grid: u runs from 0 to exactly 1 along a row, v from 1 at the top row to
// exactly 0 at the bottom one.
float textureU(int c) { return static_cast<float>(c * (1.0 / 255.0)); }
float textureV(int r) { return static_cast<float>(1.0 - r * (1.0 / 127.0)); }

// A sphere's vertex: the position stored as floats, the normal equal to it.
void setSphereVertex(MeshVertex& v, double x, double y, double z, int r, int c) {
  v.x = static_cast<float>(x);
  v.y = static_cast<float>(y);
  v.z = static_cast<float>(z);
  v.nx = v.x;
  v.ny = v.y;
  v.nz = v.z;
  v.u = textureU(c);
  v.v = textureV(r);
}

void buildSpheres() {
  for (int r = 0; r < kMeshRows; ++r) {
    const double theta = r * kRowAngle;
    const double ringRadius = std::sin(theta);
    const double height = std::cos(theta);
    for (int c = 0; c < kMeshColumns; ++c) {
      const double phi = c * kColumnAngle;
      const double x = ringRadius * std::sin(phi);
      const double z = ringRadius * std::cos(phi);
      const int i = r * kMeshColumns + c;
      setSphereVertex(sphereGrid.v[i], x, height, z, r, c);
      setSphereVertex(satelliteGrid.v[i], x * kSatelliteRadius, height * kSatelliteRadius,
                      z * kSatelliteRadius, r, c);
    }
  }
}

void buildCube() {
  int r = 0;
  for (const CubeBand& band : kCubeBands) {
    for (; r < band.endRow; ++r) {
      const float s = band.s0 + band.ds * (r * kCubeStep);
      const float y = band.y0 + band.dy * (r * kCubeStep);
      for (const CubeSide& side : kCubeSides) {
        for (int c = side.firstColumn; c < side.firstColumn + kColumnsPerSide; ++c) {
          const float step = (c - side.firstColumn + side.stepOffset) * kCubeStep;
          MeshVertex& v = boxGrid.v[r * kMeshColumns + c];
          v.x = (side.x0 + side.dx * step) * s;
          v.y = y;
          v.z = (side.z0 + side.dz * step) * s;
          v.u = textureU(c);
          v.v = textureV(r);
        }
      }
    }
  }
}
// The seam's and the poles' vertices are worked out apart from their twins
// and land a rounding away from them (the sine of 255 column steps is not 0
// in doubles, nor is that of 127 row steps): each takes its twin's position
// and normal, so that the grid closes up bit for bit. What moves is far below
// a float's step of the coordinates around it.
void closeUp(MeshGrid& grid) {
  for (int i = 0; i < kMeshVertices; ++i) {
    const MeshVertex& twin = grid.v[meshTwins[i]];
    MeshVertex& v = grid.v[i];
    v.x = twin.x;
    v.y = twin.y;
    v.z = twin.z;
    v.nx = twin.nx;
    v.ny = twin.ny;
    v.nz = twin.nz;
  }
}
}  // namespace

void buildMeshGrids() {
  buildSpheres();
  closeUp(sphereGrid);
  closeUp(satelliteGrid);
  std::memcpy(&meshWork.workGrid, &sphereGrid, sizeof meshWork.workGrid);
  meshWork.due = MeshWorkDue{};
  buildCube();
  closeUp(boxGrid);
  ++meshGridBuilds;
}

void resetMeshWork() {
  std::memset(&meshWork.workGrid, 0, sizeof meshWork.workGrid);
  std::memset(&meshWork.snapshotGrid, 0, sizeof meshWork.snapshotGrid);
  meshWork.due = MeshWorkDue{};
  ++snapshotGridWrites;
}

void putMeshWorkBack(const MeshGrid* workGrid, const MeshGrid* snapshotGrid,
                     const MeshWorkDue& due) {
  if (workGrid) std::memcpy(&meshWork.workGrid, workGrid, sizeof meshWork.workGrid);
  std::memcpy(&meshWork.snapshotGrid, snapshotGrid, sizeof meshWork.snapshotGrid);
  meshWork.due = due;
  ++snapshotGridWrites;
}

void faceNormal(const float* a, const float* b, const float* c, float* outX, float* outY,
                float* outZ) {
  const float e1x = b[0] - a[0], e1y = b[1] - a[1], e1z = b[2] - a[2];
  const float e2x = c[0] - a[0], e2y = c[1] - a[1], e2z = c[2] - a[2];
  *outX = e2y * e1z - e2z * e1y;
  *outY = e2z * e1x - e2x * e1z;
  *outZ = e2x * e1y - e2y * e1x;
}
