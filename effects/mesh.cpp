#include "effects/mesh.h"

#include <array>
#include <cmath>
#include <cstring>

#include "assets/textures.h"
#include "effects/mesh_grids.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "workers/workers.h"

// Throughout: sines, cosines and the arithmetic around them run in double and
// only the results are stored as floats, so every frame is reproducible bit
// for bit from the clock values alone.

MeshState mesh;

void resetMesh() { mesh = MeshState{}; }

namespace {
constexpr double kPi = 3.14159265358979323846;

// The wobble's phase runs on sin(t * 0.0007): one swing every 2 pi / 0.0007,
// about 9 s. The constant is the single-precision one the motion was tuned
// with.
constexpr double kPhaseRate = static_cast<double>(0.0007f);
// The frequency factor 2 - 2 cos(t * pi / 180 / 70) peaks at 4 when t is
// 70 * 180 = 12600 ms and repeats every 25200 ms.
constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr double kFrequencyDivisor = 70.0;
// Offsets that put the three axes of the wobble out of step with one another;
// 2.2 is the single-precision value.
constexpr double kWobbleOffset[3] = {3.5, 1.5, static_cast<double>(2.2f)};

// The mesh turns by 0.01 degree per ms of music, once every 36 s.
constexpr double kSpinDegreesPerMs = static_cast<double>(0.01f);
// The satellite orbits against the spin, once every 10 s, from 180 degrees.
constexpr double kOrbitDegreesPerMs = static_cast<double>(-0.036f);
constexpr double kOrbitStartDegrees = 180.0;
// Distance of the satellite from the vertical axis, in scene units.
constexpr float kOrbitRadius = 3.0f;
// One hop of height 1 per second of music while the satellite bounces.
constexpr int32_t kBouncePeriodMs = 1000;
// The satellite shows from the first frame after this music time, a little
// after a steadily running reveal has finished.
constexpr int32_t kSatelliteAppearsMs = 16800;

// The reveal uncovers one more row per 128 ms of frame time, so 127 steps
// take about 16.3 s; the scan strip's row is the clock modulo 127.
constexpr int32_t kRevealStepMs = 128;
constexpr int32_t kScanRows = 127;
// The mode the reveal hands over to once the whole sphere shows.
constexpr int32_t kModeAfterReveal = kMeshSphere;

constexpr int kStrips = kMeshRows - 1;

// The least work worth waking a helper thread for (one costs some tens of
// microseconds): a sine takes about 20 ns, a vertex's scaling a few, a row's
// 256 normals about 2 us.
constexpr int kMinSines = 2048;
constexpr int kMinVertices = 8192;
constexpr int kMinRows = 16;

// What a mode does to workGrid on every frame.
enum class MeshUpdate { None, Copy, Wobble, Morph, Pulse };

// A cache that lets the wobble take each distinct sine once per frame. The
// wobble's three sines depend on one coordinate each, and the grids it works
// on repeat coordinate values a great deal (the sphere's y is one value per
// row, the cube's coordinates are multiples of 1/1024), so per axis the plan
// lists the distinct float values of its source and, per vertex, which of
// them it has. Keyed by bit pattern, so the sines are those of exactly the
// same arguments as a vertex-by-vertex loop would take.
struct AxisValues {
  int32_t count;
  float value[kMeshVertices];
  uint16_t index[kMeshVertices];
};
static_assert(kMeshVertices <= 65536, "a vertex's value index must fit 16 bits");

struct WobblePlan {
  uint32_t builtForVersion;
  bool built;
  AxisValues axis[3];
};


WobblePlan sphereWobble;
WobblePlan boxWobble;
WobblePlan snapshotWobble;

// A grid the wobble works on, the count of its rewrites and its plan.
struct WobbleSource {
  const MeshGrid* grid;
  const uint32_t* version;
  WobblePlan* plan;
};
constexpr WobbleSource kSphereWobble = {&sphereGrid, &meshGridBuilds, &sphereWobble};
constexpr WobbleSource kBoxWobble = {&boxGrid, &meshGridBuilds, &boxWobble};
constexpr WobbleSource kSnapshotWobble = {&meshWork.snapshotGrid, &snapshotGridWrites, &snapshotWobble};

// This frame's sine of every distinct value, per axis.
double axisSine[3][kMeshVertices];

// Open-addressed table from a float's bits to its place in AxisValues; twice
// as many slots as values keeps the probes short. 0 marks a free slot, so it
// holds place + 1.
constexpr int kHashBits = 16;
constexpr uint32_t kHashSlots = 1u << kHashBits;
static_assert(kHashSlots >= 2 * kMeshVertices, "the value table needs room to spare");
uint32_t valueSlot[kHashSlots];

constexpr float MeshVertex::*kAxisField[3] = {&MeshVertex::x, &MeshVertex::y, &MeshVertex::z};

// Everything a mode code means: what setMeshMode does with it and what
// drawMesh does while it is the mode. A field left out keeps its default.
constexpr int32_t kNoStamp = -1;  // the code sets no time mark
constexpr int32_t kKeep = -1;     // the code leaves the flag or the mode alone
struct MeshModeEntry {
  int32_t stampLeadMs = kNoStamp;  // meshStamp = now + this (ms), unless kNoStamp
  bool takesSnapshot = false;      // copies workGrid into snapshotGrid
  int32_t bounce = kKeep;          // new satelliteBounce, or kKeep
  int32_t becomesMode = kKeep;     // the mode stored in the end, or kKeep for the code
  MeshUpdate update = MeshUpdate::None;
  const MeshGrid* source = nullptr;  // what is copied, morphed towards or pulsed
  const WobbleSource* wobble = nullptr;
  int32_t morphSpanMs = 0;  // D of the morph weight (t + D) / D
  bool reveal = false;      // the row-by-row reveal of the start
  int32_t meshSlot = kSlotGlobe;
  int32_t satelliteSlot = kSlotMoonSkin;  // while the satellite does not bounce
};

// Indexed by the code; each entry is placed by its code's name.
constexpr std::array<MeshModeEntry, kMeshModeCount> kModes = [] {
  std::array<MeshModeEntry, kMeshModeCount> m{};
  m[kMeshReveal] = {.reveal = true};
  m[kMeshSphere] = {.update = MeshUpdate::Copy, .source = &sphereGrid};
  m[kMeshCube] = {.update = MeshUpdate::Copy,
                  .source = &boxGrid,
                  .meshSlot = kSlotPanelCube,
                  .satelliteSlot = kSlotEmberSkin};
  m[kMeshWobbleSphere] = {.stampLeadMs = 0, .update = MeshUpdate::Wobble, .wobble = &kSphereWobble};
  m[kMeshWobbleCube] = {.stampLeadMs = 0,
                        .update = MeshUpdate::Wobble,
                        .wobble = &kBoxWobble,
                        .meshSlot = kSlotPanelCube,
                        .satelliteSlot = kSlotEmberSkin};
  m[kMeshMorphToSphere] = {
      .stampLeadMs = 2000, .update = MeshUpdate::Morph, .source = &sphereGrid, .morphSpanMs = 2000};
  m[kMeshMorphToCube] = {
      .stampLeadMs = 5000, .update = MeshUpdate::Morph, .source = &boxGrid, .morphSpanMs = 5000};
  m[kMeshWobbleSnapshot] = {
      .takesSnapshot = true, .update = MeshUpdate::Wobble, .wobble = &kSnapshotWobble};
  m[kMeshPulse] = {.takesSnapshot = true, .update = MeshUpdate::Pulse, .source = &sphereGrid};
  m[kMeshMorphToSnapshot] = {
      .update = MeshUpdate::Morph, .source = &meshWork.snapshotGrid, .morphSpanMs = 2000};
  m[kMeshSatelliteBounce] = {.bounce = 1,
                             .becomesMode = kMeshSphere,
                             .update = MeshUpdate::Copy,
                             .source = &sphereGrid,
                             .satelliteSlot = kSlotBallSkin};
  m[kMeshSatelliteSettle] = {
      .bounce = 0, .becomesMode = kMeshSphere, .update = MeshUpdate::Copy, .source = &sphereGrid};
  return m;
}();
constexpr int32_t kModeCount = kMeshModeCount;

// Every code outside the table is stored and leaves workGrid as it is.
constexpr MeshModeEntry kOtherMode = {};

const MeshModeEntry& modeEntry(int32_t code) {
  return code >= 0 && code < kModeCount ? kModes[code] : kOtherMode;
}

uint32_t floatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

void buildAxis(const MeshGrid& grid, float MeshVertex::*field, AxisValues& out) {
  std::memset(valueSlot, 0, sizeof valueSlot);
  out.count = 0;
  for (int i = 0; i < kMeshVertices; ++i) {
    const float value = grid.v[i].*field;
    const uint32_t bits = floatBits(value);
    // Fibonacci hashing spreads the float bit patterns over the slots.
    uint32_t slot = (bits * 2654435769u) >> (32 - kHashBits);
    while (valueSlot[slot] != 0 && floatBits(out.value[valueSlot[slot] - 1]) != bits) {
      slot = (slot + 1) % kHashSlots;
    }
    if (valueSlot[slot] == 0) {
      out.value[out.count] = value;
      valueSlot[slot] = static_cast<uint32_t>(++out.count);
    }
    out.index[i] = static_cast<uint16_t>(valueSlot[slot] - 1);
  }
}

// Rebuilds the plan when its source grid has been rewritten since it was made.
void preparePlan(const WobbleSource& source) {
  WobblePlan& plan = *source.plan;
  if (plan.built && plan.builtForVersion == *source.version) return;
  for (int a = 0; a < 3; ++a) buildAxis(*source.grid, kAxisField[a], plan.axis[a]);
  plan.builtForVersion = *source.version;
  plan.built = true;
}

void wobble(const WobbleSource& wobbleSource, int32_t t, float phase) {
  preparePlan(wobbleSource);
  const WobblePlan& plan = *wobbleSource.plan;
  const double k = 2.0 - 2.0 * std::cos(t * kRadiansPerDegree / kFrequencyDivisor);
  // The three axes' values as one run of items: axis 0's, then 1's, then 2's.
  const int count0 = plan.axis[0].count, count01 = count0 + plan.axis[1].count;
  workersFor(count01 + plan.axis[2].count, kMinSines, [&](int, int begin, int end) {
    for (int item = begin; item < end; ++item) {
      const int a = item < count0 ? 0 : item < count01 ? 1 : 2;
      const int i = item - (a == 0 ? 0 : a == 1 ? count0 : count01);
      axisSine[a][i] = std::sin((plan.axis[a].value[i] + kWobbleOffset[a] + phase) * kPi * k);
    }
  });
  const uint16_t* ix = plan.axis[0].index;
  const uint16_t* iy = plan.axis[1].index;
  const uint16_t* iz = plan.axis[2].index;
  const MeshVertex* from = wobbleSource.grid->v;
  MeshVertex* to = meshWork.workGrid.v;
  workersFor(kMeshVertices, kMinVertices, [&](int, int begin, int end) {
    for (int i = begin; i < end; ++i) {
      const double scale = 1.0 + axisSine[0][ix[i]] * axisSine[1][iy[i]] * axisSine[2][iz[i]];
      to[i].x = static_cast<float>(scale * from[i].x);
      to[i].y = static_cast<float>(scale * from[i].y);
      to[i].z = static_cast<float>(scale * from[i].z);
    }
  });
}

// Closes the fraction (t + D) / D of every vertex's distance to the target
// while the time mark lies ahead. A mark further ahead than D (a morph back
// into the snapshot behind a morph into the cube) would give a negative
// weight that pushes the mesh away from the target, doubling its distance
// frame after frame until the floats overflow; the weight is held at 0 until
// the mark is within reach instead.
void morph(const MeshGrid& morphTarget, int32_t t, int32_t spanMs) {
  if (musicClock.musicTimeMs >= mesh.meshStamp) return;
  double w = static_cast<double>(t + spanMs) / spanMs;
  if (w < 0.0) w = 0.0;
  const MeshVertex* to = morphTarget.v;
  MeshVertex* p = meshWork.workGrid.v;
  for (int i = 0; i < kMeshVertices; ++i) {
    p[i].x = static_cast<float>(p[i].x + (static_cast<double>(to[i].x) - p[i].x) * w);
    p[i].y = static_cast<float>(p[i].y + (static_cast<double>(to[i].y) - p[i].y) * w);
    p[i].z = static_cast<float>(p[i].z + (static_cast<double>(to[i].z) - p[i].z) * w);
  }
}

// Each latitude ring of the sphere swells with the level of its own even
// spectrum bin (ringLevels[r] is spectrum[2 r]); every frame starts again
// from the plain sphere.
void pulse(const MeshGrid& source, const float* ringLevels) {
  for (int r = 0; r < kMeshRows; ++r) {
    const double factor = 1.0 + ringLevels[r];
    const MeshVertex* from = &source.v[r * kMeshColumns];
    MeshVertex* to = &meshWork.workGrid.v[r * kMeshColumns];
    for (int c = 0; c < kMeshColumns; ++c) {
      to[c].x = static_cast<float>(from[c].x * factor);
      to[c].y = static_cast<float>(from[c].y * factor);
      to[c].z = static_cast<float>(from[c].z * factor);
    }
  }
}

// The normal of every vertex from its right neighbour and the one below that,
// both wrapping: column 255 pairs with column 0, row 127 with row 0.
void computeNormals() {
  workersFor(kMeshRows, kMinRows, [](int, int begin, int end) {
    for (int r = begin; r < end; ++r) {
      MeshVertex* row = &meshWork.workGrid.v[r * kMeshColumns];
      const MeshVertex* below = &meshWork.workGrid.v[((r + 1) % kMeshRows) * kMeshColumns];
      for (int c = 0; c < kMeshColumns; ++c) {
        const int right = c + 1 < kMeshColumns ? c + 1 : 0;
        faceNormal(&row[c].x, &row[right].x, &below[right].x, &row[c].nx, &row[c].ny,
                   &row[c].nz);
      }
    }
  });
}

// Whether a mode makes the whole grid anew each frame from its source, so
// that what the grid held before does not matter.
bool makesGridAnew(const MeshModeEntry& mode) {
  return mode.update == MeshUpdate::Copy || mode.update == MeshUpdate::Wobble ||
         mode.update == MeshUpdate::Pulse;
}

// The grid a mode that makes it anew gives for a frame; `ringLevels` is read
// by the pulse only.
void makeGridAnew(const MeshModeEntry& mode, int32_t t, float phase, const float* ringLevels) {
  switch (mode.update) {
    case MeshUpdate::Copy:
      std::memcpy(&meshWork.workGrid, mode.source, sizeof meshWork.workGrid);
      break;
    case MeshUpdate::Wobble:
      wobble(*mode.wobble, t, phase);
      break;
    case MeshUpdate::Pulse:
      pulse(*mode.source, ringLevels);
      break;
    case MeshUpdate::None:
    case MeshUpdate::Morph:
      break;
  }
}

// True while frames run without drawing (meshPostponeWork).
bool postponing = false;

// The positions of workGrid as they stand, whatever is due; the normals may
// still be due.
void makeDuePositions() {
  MeshWorkDue& due = meshWork.due;
  if (due.what != kGridDue) return;
  makeGridAnew(modeEntry(due.mode), due.sinceMarkMs, due.phase, due.ringLevels);
  due.what = kNormalsDue;
}

void updateWorkGrid(const MeshModeEntry& mode, int32_t t, float phase) {
  float ringLevels[kMeshRows];
  for (int r = 0; r < kMeshRows; ++r) ringLevels[r] = musicClock.spectrum[2 * r];
  if (makesGridAnew(mode)) {
    if (postponing) {
      MeshWorkDue& due = meshWork.due;
      due.what = kGridDue;
      due.mode = mesh.meshMode;
      due.sinceMarkMs = t;
      due.phase = phase;
      std::memcpy(due.ringLevels, ringLevels, sizeof ringLevels);
      return;
    }
    makeGridAnew(mode, t, phase, ringLevels);
  } else {
    makeDuePositions();
    if (mode.update == MeshUpdate::Morph) morph(*mode.source, t, mode.morphSpanMs);
  }
  // The normals follow from the positions alone.
  if (postponing) {
    meshWork.due.what = kNormalsDue;
  } else {
    computeNormals();
    meshWork.due.what = kNothingDue;
  }
}

// Strips firstRow to firstRow + count - 1 of a grid, each vertex with its
// normal, texture coordinates and position, in the grid's strip order.
void drawStrips(const MeshGrid& grid, int firstRow, int count) {
  static_assert(sizeof(GLuint) == sizeof(uint32_t), "the strip order is handed to GL as is");
  const GfxStripArrays arrays = {
      &grid.v[0].x,
      &grid.v[0].nx,
      &grid.v[0].u,
      sizeof(MeshVertex),
      reinterpret_cast<const GLuint*>(meshStripIndices.data()) + firstRow * kMeshStripLength,
      count,
      kMeshStripLength,
      // Only the whole grid closes up.
      firstRow == 0 && count == kStrips ? reinterpret_cast<const GLuint*>(meshTwins.data())
                                        : nullptr,
  };
  gfxStrips(arrays);
}

void drawStrips(const MeshGrid& grid, int firstRow) {
  drawStrips(grid, firstRow, kStrips - firstRow);
}

// The reveal's frame: the scan strip, then one step towards the top at most.
// Returns the first row of the full strips. Once revealRow is 0 it stays
// there, so a later code 0 draws the whole mesh under one scan strip and
// hands over to mode 1 again.
int revealFrame() {
  // The clock never runs below 0; the remainder is kept non-negative anyway
  // so that the scan strip's row is always a row of the grid.
  const int32_t scanRow = (musicClock.musicTimeMs % kScanRows + kScanRows) % kScanRows;
  drawStrips(meshWork.workGrid, scanRow, 1);
  if (mesh.revealAccumMs > kRevealStepMs && mesh.revealRow > 0) {
    mesh.revealRow -= 1;
    mesh.revealAccumMs -= kRevealStepMs;
  }
  mesh.revealAccumMs += musicClock.frameDeltaMs;
  if (mesh.revealRow == 0) mesh.meshMode = kModeAfterReveal;
  return mesh.revealRow;
}

void drawSatellite() {
  if (musicClock.musicTimeMs > kSatelliteAppearsMs) mesh.satelliteVisible = 1;
  if (!mesh.satelliteVisible) return;
  int32_t slot = modeEntry(mesh.meshMode).satelliteSlot;
  float height = 0.0f;
  if (mesh.satelliteBounce) {
    slot = kSlotBallSkin;
    height = static_cast<float>(std::sin((musicClock.musicTimeMs % kBouncePeriodMs) * kPi / kBouncePeriodMs));
  }
  gfxBindTexture(GL_TEXTURE_2D, textureId(slot));
  const float orbit = static_cast<float>(musicClock.musicTimeMs * kOrbitDegreesPerMs + kOrbitStartDegrees);
  gfxRotatef(orbit, 0.0f, 1.0f, 0.0f);
  gfxTranslatef(kOrbitRadius, height, 0.0f);
  drawStrips(satelliteGrid, 0);
  gfxTranslatef(-kOrbitRadius, -height, 0.0f);
  gfxRotatef(-orbit, 0.0f, 1.0f, 0.0f);
}
}  // namespace

void setMeshMode(int32_t code) {
  const MeshModeEntry& mode = modeEntry(code);
  mesh.meshMode = code;
  if (mode.stampLeadMs != kNoStamp) mesh.meshStamp = musicClock.musicTimeMs + mode.stampLeadMs;
  if (mode.takesSnapshot) {
    makeMeshWorkDue();
    std::memcpy(&meshWork.snapshotGrid, &meshWork.workGrid, sizeof meshWork.snapshotGrid);
    ++snapshotGridWrites;
  }
  if (mode.bounce != kKeep) mesh.satelliteBounce = mode.bounce;
  if (mode.becomesMode != kKeep) mesh.meshMode = mode.becomesMode;
}

void meshPostponeWork(bool on) { postponing = on; }

void makeMeshWorkDue() {
  makeDuePositions();
  if (meshWork.due.what == kNormalsDue) computeNormals();
  meshWork.due.what = kNothingDue;
}

void drawMesh() {
  const MeshModeEntry& mode = modeEntry(mesh.meshMode);
  const int32_t t = musicClock.musicTimeMs - mesh.meshStamp;
  const float phase = static_cast<float>(std::sin(t * kPhaseRate));

  updateWorkGrid(mode, t, phase);

  gfxBindTexture(GL_TEXTURE_2D, textureId(mode.meshSlot));
  const float spin = static_cast<float>(musicClock.musicTimeMs * kSpinDegreesPerMs);
  gfxRotatef(spin, 0.0f, 1.0f, 0.0f);
  const int firstRow = mode.reveal ? revealFrame() : 0;
  drawStrips(meshWork.workGrid, firstRow);
  gfxRotatef(-spin, 0.0f, 1.0f, 0.0f);

  drawSatellite();
}
