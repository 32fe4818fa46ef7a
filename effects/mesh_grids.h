// The mesh grids: five grids of one topology (128 rows by 256 columns of
// vertices), so that any grid can be copied or blended into another vertex by
// vertex.
#pragma once

#include <array>
#include <cstdint>

constexpr int kMeshRows = 128;
constexpr int kMeshColumns = 256;
constexpr int kMeshVertices = kMeshRows * kMeshColumns;

// The mesh is drawn as one triangle strip per pair of neighbouring rows:
// strip r runs along rows r and r + 1, vertex (r, c) then (r + 1, c) for
// every column c, so row 127 is only ever the lower edge of strip 126.
constexpr int kMeshStrips = kMeshRows - 1;
constexpr int kMeshStripLength = 2 * kMeshColumns;

// Position, normal and texture coordinates; the position's three floats and
// the normal's three are contiguous, so each can be handed to GL as an array.
struct MeshVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

// Row-major: the vertex of row r, column c is v[r * kMeshColumns + c]. Row 0
// is the top; the columns run once around the vertical axis.
struct MeshGrid {
  MeshVertex v[kMeshVertices];
};

// Unit sphere, normals equal to the positions. Built by buildMeshGrids.
extern MeshGrid sphereGrid;
// Sphere of radius 0.125 (the satellite), normals equal to the positions.
extern MeshGrid satelliteGrid;
// Cube of half-size 1; its normals stay zero.
extern MeshGrid boxGrid;

// What frames run without drawing left unmade of the work grid (the mesh
// effect's meshPostponeWork): nothing, the whole grid (positions and
// normals), or only its normals.
constexpr int32_t kNothingDue = 0;
constexpr int32_t kGridDue = 1;
constexpr int32_t kNormalsDue = 2;
struct MeshWorkDue {
  int32_t what = kNothingDue;
  // With kGridDue, how the grid is made: the mode code whose source it is
  // made from, the time since the mark and the phase of the frame that left
  // it, and for a pulse the ring levels it read (the even spectrum bins).
  int32_t mode;
  int32_t sinceMarkMs;
  float phase;
  float ringLevels[kMeshRows];
};

// The grids the mesh effect rewrites as the show runs. The three grids above
// are built from nothing and rebuilt the same on every window re-creation;
// these two carry the show's state from frame to frame.
struct MeshWork {
  // The mesh that is drawn: a copy of the sphere after buildMeshGrids, then
  // rewritten every frame by the mesh effect.
  MeshGrid workGrid;
  // A copy of workGrid taken by the mesh effect; zero until then. Never
  // touched by buildMeshGrids.
  MeshGrid snapshotGrid;
  // What workGrid still waits for; nothing after buildMeshGrids. Whoever
  // reads workGrid has the mesh effect make it first (makeMeshWorkDue).
  MeshWorkDue due;
};
// Owned here, one for the whole run; 2 MiB.
extern MeshWork meshWork;

// How many times meshWork.snapshotGrid has been written (by the mesh
// effect's snapshots, by resetMeshWork and by putMeshWorkBack); never goes
// back. The mesh
// effect keys what it derives from the snapshot to this count.
extern uint32_t snapshotGridWrites;

// Both grids zero, as at program start (before buildMeshGrids).
void resetMeshWork();

// Makes meshWork a copy taken earlier: its two grids (a null work grid is
// one `due` says is still to be made, left as it stands) and what was due.
// Called between frames.
void putMeshWorkBack(const MeshGrid* workGrid, const MeshGrid* snapshotGrid, const MeshWorkDue& due);

// The vertex numbers (r * kMeshColumns + c) of every strip in drawing order,
// strip after strip: kMeshStripLength entries for strip r from
// r * kMeshStripLength on. The same for every grid; never changes.
extern const std::array<uint32_t, kMeshStrips * kMeshStripLength> meshStripIndices;

// Every grid closes up: column 255 stands where column 0 does, and row 0 and
// row 127 each shrink to one point (the poles of the spheres, the centres of
// the cube's top and bottom). For every vertex, the number of the one that
// stands in its place: column 0 for column 255, the row's first vertex on
// rows 0 and 127, the vertex itself everywhere else. Never changes.
extern const std::array<uint32_t, kMeshVertices> meshTwins;

// Fills sphereGrid and satelliteGrid, copies the sphere into workGrid, then
// fills boxGrid. Runs from initGL, so again on every window re-creation.
void buildMeshGrids();

// How many times buildMeshGrids has run; 0 before the first build. The mesh
// effect keys what it derives from sphereGrid and boxGrid to this count, so
// those grids are written by buildMeshGrids only.
extern uint32_t meshGridBuilds;

// (c - a) x (b - a), not normalised, written to *outX, *outY, *outZ. a, b and
// c each point at three contiguous floats.
void faceNormal(const float* a, const float* b, const float* c, float* outX, float* outY,
                float* outZ);
