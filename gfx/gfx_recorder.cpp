#include "gfx/gfx_recorder.h"

#include <sstream>

#include "gfx/gfx.h"

namespace {
std::vector<GfxCall> recorded;
const GfxCalls* previous = nullptr;

void add(GfxCall::Kind kind, unsigned e0 = 0, unsigned e1 = 0, double a0 = 0, double a1 = 0,
         double a2 = 0, double a3 = 0) {
  GfxCall call{kind};
  call.e0 = e0;
  call.e1 = e1;
  call.a[0] = a0;
  call.a[1] = a1;
  call.a[2] = a2;
  call.a[3] = a3;
  recorded.push_back(call);
}

// Strips from arrays are recorded as the immediate-mode calls they stand
// for, so a test sees the same calls whichever way an effect sends them.
void addStrips(const GfxStripArrays& arrays) {
  for (int k = 0; k < arrays.stripCount; ++k) {
    add(GfxCall::Begin, GL_TRIANGLE_STRIP);
    for (int j = 0; j < arrays.stripLength; ++j) {
      const GLuint index = arrays.indices[static_cast<size_t>(k) * arrays.stripLength + j];
      if (arrays.normals) {
        const float* n = gfxArrayAt(arrays.normals, arrays.stride, index);
        add(GfxCall::Normal, 0, 0, n[0], n[1], n[2]);
      }
      if (arrays.texCoords) {
        const float* st = gfxArrayAt(arrays.texCoords, arrays.stride, index);
        add(GfxCall::TexCoord, 0, 0, st[0], st[1]);
      }
      const float* p = gfxArrayAt(arrays.positions, arrays.stride, index);
      add(GfxCall::Vertex, 0, 0, p[0], p[1], p[2]);
    }
    add(GfxCall::End);
  }
}

const GfxCalls kRecording = {
    [](GLbitfield m) { add(GfxCall::Clear, m); },
    [](GLfloat r, GLfloat g, GLfloat b, GLfloat a) { add(GfxCall::Color, 0, 0, r, g, b, a); },
    [](GLenum c) { add(GfxCall::Enable, c); },
    [](GLenum c) { add(GfxCall::Disable, c); },
    [] { add(GfxCall::LoadIdentity); },
    [](GLfloat a, GLfloat x, GLfloat y, GLfloat z) { add(GfxCall::Rotate, 0, 0, a, x, y, z); },
    [](GLfloat x, GLfloat y, GLfloat z) { add(GfxCall::Translate, 0, 0, x, y, z); },
    [](GLenum t, GLuint n) { add(GfxCall::BindTexture, t, n); },
    [](GLenum m) { add(GfxCall::Begin, m); },
    [] { add(GfxCall::End); },
    [](GLdouble s, GLdouble t) { add(GfxCall::TexCoord, 0, 0, s, t); },
    [](GLfloat x, GLfloat y, GLfloat z) { add(GfxCall::Vertex, 0, 0, x, y, z); },
    [](const GLfloat* v) { add(GfxCall::Vertex, 0, 0, v[0], v[1], v[2]); },
    [](const GLfloat* v) { add(GfxCall::Normal, 0, 0, v[0], v[1], v[2]); },
    [](GLenum f, GLenum m) { add(GfxCall::PolygonMode, f, m); },
    [] { add(GfxCall::Flush); },
    addStrips,
};

const char* kindName(GfxCall::Kind kind) {
  static const char* names[] = {"Clear", "Color", "Enable", "Disable", "LoadIdentity",
                                "Rotate", "Translate", "BindTexture", "Begin", "End",
                                "TexCoord", "Vertex", "Normal", "PolygonMode", "Flush"};
  return names[kind];
}
}  // namespace

GfxRecorder::GfxRecorder() {
  recorded.clear();
  previous = gfx;
  gfx = &kRecording;
}

GfxRecorder::~GfxRecorder() { gfx = previous; }

void GfxRecorder::clear() { recorded.clear(); }

const std::vector<GfxCall>& GfxRecorder::calls() const { return recorded; }

std::vector<GfxStrip> GfxRecorder::strips() const {
  std::vector<GfxStrip> out;
  unsigned texture = 0;
  double s = 0, t = 0, nx = 0, ny = 0, nz = 0;
  bool inside = false;
  for (const GfxCall& c : recorded) {
    switch (c.kind) {
      case GfxCall::BindTexture:
        texture = c.e1;
        break;
      case GfxCall::Begin:
        out.push_back(GfxStrip{c.e0, texture, {}});
        inside = true;
        break;
      case GfxCall::End:
        inside = false;
        break;
      case GfxCall::TexCoord:
        s = c.a[0];
        t = c.a[1];
        break;
      case GfxCall::Normal:
        nx = c.a[0];
        ny = c.a[1];
        nz = c.a[2];
        break;
      case GfxCall::Vertex:
        if (inside) out.back().vertices.push_back({c.a[0], c.a[1], c.a[2], s, t, nx, ny, nz});
        break;
      default:
        break;
    }
  }
  return out;
}

int GfxRecorder::count(GfxCall::Kind kind) const {
  int n = 0;
  for (const GfxCall& c : recorded) n += c.kind == kind;
  return n;
}

std::string GfxRecorder::dump(size_t maxLines) const {
  std::ostringstream os;
  size_t lines = 0;
  for (const GfxCall& c : recorded) {
    if (lines++ == maxLines) {
      os << "... (" << recorded.size() << " calls)\n";
      break;
    }
    os << kindName(c.kind) << " 0x" << std::hex << c.e0 << " " << c.e1 << std::dec << " "
       << c.a[0] << " " << c.a[1] << " " << c.a[2] << " " << c.a[3] << "\n";
  }
  return os.str();
}
