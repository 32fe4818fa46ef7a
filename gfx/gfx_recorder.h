// The recorder: a table that records the show's calls instead of drawing
// them, so tests can check what a frame emits: which strips, how many
// vertices, in which order, with which textures and transforms. Strips from
// arrays are recorded as the immediate-mode calls they stand for, so a test
// sees the same calls whichever way an effect sends them.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

// One call as recorded: its kind (the last column of VANTOREL_GFX_CALLS; the
// vertex calls share one, and Strips is never recorded as such), its enum,
// mask and texture-name arguments in order, and its float and double
// arguments, widened, in order (a pointer argument as the three floats it
// points at).
struct GfxCall {
  enum Kind {
    Clear, Color, Enable, Disable, LoadIdentity, Rotate, Translate, BindTexture, Begin, End,
    TexCoord, Vertex, Normal, PolygonMode, Flush, Strips
  } kind;
  unsigned e0 = 0, e1 = 0;  // enums, masks, texture names
  double a[4] = {0, 0, 0, 0};  // floats and doubles, widened
};

// A strip as drawn: its mode and the vertices between its begin and end,
// each with the texture coordinate and normal current when it was sent.
struct GfxStrip {
  unsigned mode = 0;
  unsigned texture = 0;  // the texture bound when the strip began
  struct Vertex {
    double x, y, z;
    double s, t;
    double nx, ny, nz;
  };
  std::vector<Vertex> vertices;
};

// Installs the recorder as the gfx table (and clears what it holds) for the
// life of the object; the previous table comes back when it is destroyed.
class GfxRecorder {
 public:
  GfxRecorder();
  ~GfxRecorder();
  GfxRecorder(const GfxRecorder&) = delete;
  GfxRecorder& operator=(const GfxRecorder&) = delete;

  void clear();
  const std::vector<GfxCall>& calls() const;
  // The strips in the order they were drawn.
  std::vector<GfxStrip> strips() const;
  // Number of calls of a kind.
  int count(GfxCall::Kind kind) const;
  // A readable listing, one call a line, for failure messages.
  std::string dump(size_t maxLines = 200) const;
};
