#include "gfx/gfx_recorder.h"

#include <sstream>

#include "gfx/gfx.h"

namespace {
std::vector<GfxCall> recorded;
const GfxCalls* previous = nullptr;

// Where the next argument of a call goes.
struct Filling {
  GfxCall call;
  int enums = 0;
  int numbers = 0;
};

void put(Filling& f, GLuint value) { (f.enums++ == 0 ? f.call.e0 : f.call.e1) = value; }
void put(Filling& f, double value) { f.call.a[f.numbers++] = value; }
void put(Filling& f, const GLfloat* v) {
  for (int i = 0; i < 3; ++i) put(f, static_cast<double>(v[i]));
}

template <typename... Arguments>
void record(GfxCall::Kind kind, const Arguments&... arguments) {
  Filling f{GfxCall{kind}};
  (put(f, arguments), ...);
  recorded.push_back(f.call);
}

void record(GfxCall::Kind, const GfxStripArrays& arrays) {
  for (int k = 0; k < arrays.stripCount; ++k) {
    record(GfxCall::Begin, static_cast<GLuint>(GL_TRIANGLE_STRIP));
    for (int j = 0; j < arrays.stripLength; ++j) {
      const GLuint index = arrays.indices[static_cast<size_t>(k) * arrays.stripLength + j];
      if (arrays.normals) record(GfxCall::Normal, gfxArrayAt(arrays.normals, arrays.stride, index));
      if (arrays.texCoords) {
        const float* st = gfxArrayAt(arrays.texCoords, arrays.stride, index);
        record(GfxCall::TexCoord, static_cast<double>(st[0]), static_cast<double>(st[1]));
      }
      record(GfxCall::Vertex, gfxArrayAt(arrays.positions, arrays.stride, index));
    }
    record(GfxCall::End);
  }
}

// A call's arguments recorded under its kind: recorderOf(kind)(arguments...).
constexpr auto recorderOf(GfxCall::Kind kind) {
  return [kind](const auto&... arguments) { record(kind, arguments...); };
}

constexpr GfxCalls kRecording = {
#define VANTOREL_GFX_RECORD(Name, member, function, parameters, arguments, kept, kind) \
  .member = [] parameters { recorderOf(GfxCall::kind) arguments; },
    VANTOREL_GFX_CALLS(VANTOREL_GFX_RECORD)
#undef VANTOREL_GFX_RECORD
};

const char* kindName(GfxCall::Kind kind) {
  static const char* names[] = {"Clear",     "Color",  "Enable",  "Disable",     "LoadIdentity",
                                "Rotate",    "Translate", "BindTexture", "Begin", "End",
                                "TexCoord",  "Vertex", "Normal",  "PolygonMode", "Flush",
                                "Strips"};
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
