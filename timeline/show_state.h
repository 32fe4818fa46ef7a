// The whole show's state in one record: everything its frames carry from one
// to the next (the director, the cues' flags, the mesh and the grids it
// rewrites, the swarm, the ribbons, the random generator, the clock's
// readings and the GL capabilities the frames leave on). Copying it out
// between two frames and putting it back later takes the show back to that
// moment: the frames drawn from there are those drawn the first time.
//
// What is not in it stays as it is when a copy is put back: the window and
// its GL context, the textures and the grids built from nothing (both made
// again the same on every window re-creation), the music's source (a
// stream, or the silent clock), and the caches the effects keep of what
// they derive from their grids.
#pragma once

#include <cstddef>
#include <memory>

#include "effects/mesh.h"
#include "effects/mesh_grids.h"
#include "effects/random.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "timeline/cues.h"
#include "timeline/director.h"

// Everything but the mesh's two grids: a few tens of kB.
struct ShowParts {
  DirectorState director;
  CueState cues;
  MeshState mesh;
  MeshWorkDue meshDue;  // what the work grid still waits for
  SwarmState swarm;
  RibbonsState ribbons;
  RandomState random;
  MusicClock clock;
  GfxState gfx;
};

struct ShowState {
  ShowParts parts;
  MeshGrid workGrid;  // two grids of 1 MiB: most of the record
  MeshGrid snapshotGrid;
};

// Copies the show's state into *out (the caller's; about 2 MiB, so not on
// the stack). Called between frames.
void copyShowState(ShowState* out);

// Puts a copy taken earlier back, between frames: the next frame goes on
// from the moment the copy was taken. The GL capabilities are switched
// through the table in use. The music's position is the caller's to stand
// where the next frame wants it.
void putShowStateBack(const ShowState& state);

// Everything in ShowState back to its state at program start, before the
// first window: every module's own reset. The GL capabilities are forgotten,
// not switched.
void resetShowState();

// A copy for keeping many moments at once: the parts, and the two grids
// apart, each shared with the copy kept before it where it holds the same;
// a work grid still to be made (meshDue) is not kept at all.
struct KeptShowState {
  ShowParts parts;
  std::shared_ptr<const MeshGrid> workGrid;  // null while the parts say it is due
  std::shared_ptr<const MeshGrid> snapshotGrid;
};

// Keeps the show's state in *out, sharing grids with *before (the copy kept
// last, or null). Called between frames.
void keepShowState(KeptShowState* out, const KeptShowState* before);

// Puts a kept copy back, as putShowStateBack does.
void putKeptShowStateBack(const KeptShowState& kept);

// The bytes a kept copy holds: its parts, and the grids it does not share
// with *before (the copy kept before it, or null).
size_t keptShowStateBytes(const KeptShowState& kept, const KeptShowState* before);
