// The show's OpenGL 1.1 on WebGL 2, for the browser build.
//
// The show draws with immediate mode and the fixed-function pipeline, which
// WebGL lacks. This back-end keeps that state itself (the two matrices, the
// current colour, texturing on or off, the bound texture) and collects the
// vertices of consecutive triangle strips drawn under the same state into one
// buffer, drawn with a single call when the state changes or the frame ends:
// a mesh of 127 strips costs one draw instead of 65,000 calls into the
// browser. A small shader gives the fixed-function result the show relies
// on: the texture modulated by the current colour, or the colour alone.
//
// The set-up calls of the window and picture code (projection, texture
// parameters, hints) are defined here too, under their GL names, so those
// modules are the desktop's own; where WebGL has a call of the same name the
// browser's is reached as emscripten_glX.
#include <GL/gl.h>
#include <GL/glu.h>
#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/gfx_cull.h"
#include "platform/web/gfx_webgl.h"

extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glClear(GLbitfield mask);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
void emscripten_glGetIntegerv(GLenum name, GLint* value);
void emscripten_glPixelStorei(GLenum name, GLint value);
void emscripten_glHint(GLenum target, GLenum mode);
void emscripten_glClearDepthf(GLfloat depth);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glDepthMask(GLboolean flag);
void emscripten_glDepthRangef(GLfloat near, GLfloat far);
void emscripten_glBlendFunc(GLenum source, GLenum destination);
void emscripten_glBlendFuncSeparate(GLenum sourceRgb, GLenum destinationRgb, GLenum sourceAlpha,
                                    GLenum destinationAlpha);
void emscripten_glBlendEquation(GLenum mode);
void emscripten_glBlendEquationSeparate(GLenum modeRgb, GLenum modeAlpha);
}

namespace {
// A vertex as the shader reads it: position, then texture coordinate.
struct Vertex {
  float x, y, z;
  float s, t;
};

// The largest batch: the mesh's 127 strips of 512 vertices, with room over.
constexpr uint32_t kBatchVertices = 1 << 17;
// A strip's end in the index list: WebGL 2 always restarts strips at the
// largest index of the type.
constexpr uint32_t kRestartIndex = 0xFFFFFFFFu;
constexpr uint32_t kBatchIndices = kBatchVertices + kBatchVertices / 3;

constexpr double kPi = 3.14159265358979323846;

Vertex vertices[kBatchVertices];
uint32_t indices[kBatchIndices];
uint32_t vertexCount = 0;
uint32_t indexCount = 0;
uint32_t stripStart = 0;  // first vertex of the strip being built
bool inStrip = false;

// The fixed-function state, column-major matrices as GL keeps them.
float projection[16];
float modelview[16];
float* current = modelview;
float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
bool texturing = false;
GLuint boundTexture = 0;
float texCoord[2] = {0.0f, 0.0f};

// The WebGL state the visible-triangle pass's gate reads, as this file set
// it: asking WebGL instead (getParameter) waits for the GPU process to finish
// all it was given, which costs a frame's time under SwiftShader. Starts at
// WebGL's defaults for each new context.
struct GateState {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  bool depthTest = false, blend = false, cullFace = false, polygonOffsetFill = false;
  bool stencilTest = false, sampleAlphaToCoverage = false;
  GLenum depthFunc = GL_LESS;
  bool depthWrites = true;
  GLfloat depthRange[2] = {0.0f, 1.0f};
  GLenum blendSource[2] = {GL_ONE, GL_ONE};  // colour, alpha
  GLenum blendDestination[2] = {GL_ZERO, GL_ZERO};
  GLenum blendEquation[2] = {GL_FUNC_ADD, GL_FUNC_ADD};
  bool viewportKnown = false;  // a new context's viewport is its canvas's
  GLint viewport[4] = {0, 0, 0, 0};
  GLint depthBits = -1;  // asked once per context
};
GateState gateState;

GateState& gate() {
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
  if (context != gateState.context) {
    gateState = GateState{};
    gateState.context = context;
  }
  return gateState;
}

// The gate's flag for a capability; nullptr for one it does not follow.
bool* gateFlag(GLenum cap) {
  GateState& state = gate();
  switch (cap) {
    case GL_DEPTH_TEST: return &state.depthTest;
    case GL_BLEND: return &state.blend;
    case GL_CULL_FACE: return &state.cullFace;
    case GL_POLYGON_OFFSET_FILL: return &state.polygonOffsetFill;
    case GL_STENCIL_TEST: return &state.stencilTest;
    case GL_SAMPLE_ALPHA_TO_COVERAGE: return &state.sampleAlphaToCoverage;
    default: return nullptr;
  }
}

// Objects of the context they were made in; made again for a new context.
struct Pipeline {
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  GLuint program = 0;
  GLuint vertexArray = 0;
  GLuint vertexBuffer = 0;
  GLuint indexBuffer = 0;
  GLint transform = -1;
  GLint colour = -1;
  GLint textured = -1;
};
Pipeline pipeline;

const char* const kVertexShader = R"(#version 300 es
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
uniform mat4 transform;
out vec2 uv;
void main() {
  uv = texCoord;
  gl_Position = transform * vec4(position, 1.0);
})";

// GL_MODULATE: the texel times the current colour; without a texture (or
// with texture 0, which has no picture) the colour alone.
const char* const kFragmentShader = R"(#version 300 es
precision highp float;
in vec2 uv;
uniform sampler2D picture;
uniform vec4 colour;
uniform bool textured;
out vec4 fragment;
void main() {
  fragment = textured ? texture(picture, uv) * colour : colour;
})";

void setIdentity(float* m) {
  std::memset(m, 0, 16 * sizeof(float));
  m[0] = m[5] = m[10] = m[15] = 1.0f;
}

// m = m * n, both column-major.
void multiply(float* m, const float* n) {
  float r[16];
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += m[k * 4 + row] * n[col * 4 + k];
      r[col * 4 + row] = sum;
    }
  }
  std::memcpy(m, r, sizeof r);
}

GLuint compile(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// Makes the program and buffers in the current context, once per context.
bool preparePipeline() {
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
  if (!context) return false;
  if (context == pipeline.context) return true;
  pipeline = Pipeline{};
  pipeline.context = context;
  const GLuint program = glCreateProgram();
  glAttachShader(program, compile(GL_VERTEX_SHADER, kVertexShader));
  glAttachShader(program, compile(GL_FRAGMENT_SHADER, kFragmentShader));
  glLinkProgram(program);
  pipeline.program = program;
  pipeline.transform = glGetUniformLocation(program, "transform");
  pipeline.colour = glGetUniformLocation(program, "colour");
  pipeline.textured = glGetUniformLocation(program, "textured");
  glGenVertexArrays(1, &pipeline.vertexArray);
  glBindVertexArray(pipeline.vertexArray);
  glGenBuffers(1, &pipeline.vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, pipeline.vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof vertices, nullptr, GL_STREAM_DRAW);
  glGenBuffers(1, &pipeline.indexBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, pipeline.indexBuffer);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, nullptr, GL_STREAM_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                        reinterpret_cast<const void*>(3 * sizeof(float)));
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "picture"), 0);
  return true;
}

// Draws the strips collected so far, under the state in force, and empties
// the batch. A strip still open moves to the front of the empty batch.
// The pipeline bound with the fixed-function state as it stands, and the
// first `count` vertices of the batch in its vertex buffer.
void bindForDrawing(uint32_t count) {
  float transform[16];
  std::memcpy(transform, projection, sizeof transform);
  multiply(transform, modelview);
  glBindVertexArray(pipeline.vertexArray);
  glUseProgram(pipeline.program);
  glUniformMatrix4fv(pipeline.transform, 1, GL_FALSE, transform);
  glUniform4fv(pipeline.colour, 1, colour);
  glUniform1i(pipeline.textured, texturing && boundTexture != 0 ? 1 : 0);
  glBindBuffer(GL_ARRAY_BUFFER, pipeline.vertexBuffer);
  glBufferSubData(GL_ARRAY_BUFFER, 0, count * sizeof(Vertex), vertices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, pipeline.indexBuffer);
}

void drawBatch() {
  const uint32_t openVertices = inStrip ? vertexCount - stripStart : 0;
  const uint32_t drawnIndices = indexCount;
  if (drawnIndices > 0 && preparePipeline()) {
    bindForDrawing(stripStart);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, drawnIndices * sizeof(uint32_t), indices);
    glDrawElements(GL_TRIANGLE_STRIP, static_cast<GLsizei>(drawnIndices), GL_UNSIGNED_INT, nullptr);
  }
  if (openVertices > 0) std::memmove(vertices, vertices + stripStart, openVertices * sizeof(Vertex));
  vertexCount = openVertices;
  indexCount = 0;
  stripStart = 0;
}

// A state change: what was collected is drawn under the old state first.
void stateChanges() {
  if (indexCount > 0) drawBatch();
}

// Closes the open strip into the index list; strips too short for a
// triangle draw nothing and are dropped.
void closeStrip() {
  const uint32_t count = vertexCount - stripStart;
  if (count < 3) {
    vertexCount = stripStart;
    return;
  }
  for (uint32_t i = stripStart; i < vertexCount; ++i) indices[indexCount++] = i;
  indices[indexCount++] = kRestartIndex;
  stripStart = vertexCount;
}

bool fixedFunctionCap(GLenum cap) { return cap == GL_TEXTURE_2D; }
}  // namespace

void gfxWebglFlush() { stateChanges(); }

void gfxWebglReset() {
  vertexCount = indexCount = stripStart = 0;
  inStrip = false;
  setIdentity(projection);
  setIdentity(modelview);
  current = modelview;
  colour[0] = colour[1] = colour[2] = colour[3] = 1.0f;
  texturing = false;
  boundTexture = 0;
}

extern "C" {

void glMatrixMode(GLenum mode) { current = mode == GL_PROJECTION ? projection : modelview; }

void glLoadIdentity() {
  stateChanges();
  setIdentity(current);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  stateChanges();
  const double length = std::sqrt(double{x} * x + double{y} * y + double{z} * z);
  if (length == 0.0) return;
  const double ux = x / length, uy = y / length, uz = z / length;
  const double radians = angle * kPi / 180.0;
  const double c = std::cos(radians), s = std::sin(radians), k = 1.0 - c;
  const float r[16] = {
      static_cast<float>(ux * ux * k + c),      static_cast<float>(uy * ux * k + uz * s),
      static_cast<float>(ux * uz * k - uy * s), 0.0f,
      static_cast<float>(ux * uy * k - uz * s), static_cast<float>(uy * uy * k + c),
      static_cast<float>(uy * uz * k + ux * s), 0.0f,
      static_cast<float>(ux * uz * k + uy * s), static_cast<float>(uy * uz * k - ux * s),
      static_cast<float>(uz * uz * k + c),      0.0f,
      0.0f,                                     0.0f,
      0.0f,                                     1.0f};
  multiply(current, r);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  stateChanges();
  for (int row = 0; row < 4; ++row)
    current[12 + row] += current[row] * x + current[4 + row] * y + current[8 + row] * z;
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double f = 1.0 / std::tan(fovy * kPi / 360.0);
  const float p[16] = {static_cast<float>(f / aspect), 0.0f, 0.0f, 0.0f,
                       0.0f, static_cast<float>(f), 0.0f, 0.0f,
                       0.0f, 0.0f, static_cast<float>((zFar + zNear) / (zNear - zFar)), -1.0f,
                       0.0f, 0.0f, static_cast<float>(2.0 * zFar * zNear / (zNear - zFar)), 0.0f};
  stateChanges();
  multiply(current, p);
}

// Colours are interpolated smoothly by the shader; points are never drawn and
// WebGL always interpolates with perspective: these settings have nothing to
// do.
void glShadeModel(GLenum) {}

void glHint(GLenum target, GLenum mode) {
  if (target == GL_PERSPECTIVE_CORRECTION_HINT || target == GL_POINT_SMOOTH_HINT) return;
  emscripten_glHint(target, mode);
}

void glClearDepth(GLclampd depth) { emscripten_glClearDepthf(static_cast<GLfloat>(depth)); }

void glClear(GLbitfield mask) {
  stateChanges();
  emscripten_glClear(mask);
}

void glEnable(GLenum cap) {
  stateChanges();
  if (fixedFunctionCap(cap)) {
    texturing = true;
  } else {
    if (bool* flag = gateFlag(cap)) *flag = true;
    emscripten_glEnable(cap);
  }
}

void glDisable(GLenum cap) {
  stateChanges();
  if (fixedFunctionCap(cap)) {
    texturing = false;
  } else {
    if (bool* flag = gateFlag(cap)) *flag = false;
    emscripten_glDisable(cap);
  }
}

// What the gate follows, passed on to WebGL as it is.
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  stateChanges();
  GateState& state = gate();
  state.viewportKnown = true;
  state.viewport[0] = x;
  state.viewport[1] = y;
  state.viewport[2] = width;
  state.viewport[3] = height;
  emscripten_glViewport(x, y, width, height);
}

void glDepthFunc(GLenum func) {
  stateChanges();
  gate().depthFunc = func;
  emscripten_glDepthFunc(func);
}

void glDepthMask(GLboolean flag) {
  stateChanges();
  gate().depthWrites = flag != GL_FALSE;
  emscripten_glDepthMask(flag);
}

void glDepthRangef(GLfloat near, GLfloat far) {
  stateChanges();
  GateState& state = gate();
  state.depthRange[0] = near < 0.0f ? 0.0f : near > 1.0f ? 1.0f : near;
  state.depthRange[1] = far < 0.0f ? 0.0f : far > 1.0f ? 1.0f : far;
  emscripten_glDepthRangef(near, far);
}

void glDepthRange(GLclampd near, GLclampd far) {
  glDepthRangef(static_cast<GLfloat>(near), static_cast<GLfloat>(far));
}

void glBlendFuncSeparate(GLenum sourceRgb, GLenum destinationRgb, GLenum sourceAlpha,
                         GLenum destinationAlpha) {
  stateChanges();
  GateState& state = gate();
  state.blendSource[0] = sourceRgb;
  state.blendSource[1] = sourceAlpha;
  state.blendDestination[0] = destinationRgb;
  state.blendDestination[1] = destinationAlpha;
  emscripten_glBlendFuncSeparate(sourceRgb, destinationRgb, sourceAlpha, destinationAlpha);
}

void glBlendFunc(GLenum source, GLenum destination) {
  glBlendFuncSeparate(source, destination, source, destination);
}

void glBlendEquationSeparate(GLenum modeRgb, GLenum modeAlpha) {
  stateChanges();
  GateState& state = gate();
  state.blendEquation[0] = modeRgb;
  state.blendEquation[1] = modeAlpha;
  emscripten_glBlendEquationSeparate(modeRgb, modeAlpha);
}

void glBlendEquation(GLenum mode) { glBlendEquationSeparate(mode, mode); }

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  if (r == colour[0] && g == colour[1] && b == colour[2] && a == colour[3]) return;
  stateChanges();
  colour[0] = r;
  colour[1] = g;
  colour[2] = b;
  colour[3] = a;
}

void glBindTexture(GLenum target, GLuint texture) {
  if (target == GL_TEXTURE_2D && texture == boundTexture) return;
  stateChanges();
  if (target == GL_TEXTURE_2D) boundTexture = texture;
  emscripten_glBindTexture(target, texture);
}

// GL_CLAMP (clamping to the border colour) does not exist in WebGL: the
// nearest is clamping to the edge texels.
void glTexParameteri(GLenum target, GLenum name, GLint value) {
  if ((name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T) && value == GL_CLAMP)
    value = GL_CLAMP_TO_EDGE;
  emscripten_glTexParameteri(target, name, value);
}

// Byte swapping and bit order of pixel transfers do not exist in WebGL; GLU's
// image scaler asks for them and finds them off, as they always are here.
void glGetIntegerv(GLenum name, GLint* value) {
  if (name == GL_UNPACK_SWAP_BYTES || name == GL_UNPACK_LSB_FIRST || name == GL_PACK_SWAP_BYTES ||
      name == GL_PACK_LSB_FIRST) {
    *value = 0;
    return;
  }
  emscripten_glGetIntegerv(name, value);
}

void glBegin(GLenum) {
  inStrip = true;
  stripStart = vertexCount;
}

void glEnd() {
  closeStrip();
  inStrip = false;
}

void glTexCoord2d(GLdouble s, GLdouble t) {
  texCoord[0] = static_cast<float>(s);
  texCoord[1] = static_cast<float>(t);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (vertexCount == kBatchVertices || indexCount + (vertexCount - stripStart) + 2 >= kBatchIndices)
    drawBatch();
  if (vertexCount == kBatchVertices) return;  // one strip larger than a batch
  vertices[vertexCount++] = Vertex{x, y, z, texCoord[0], texCoord[1]};
}

void glVertex3fv(const GLfloat* v) { glVertex3f(v[0], v[1], v[2]); }

// Nothing is lit: normals have no effect on the picture.
void glNormal3fv(const GLfloat*) {}

// The show only ever fills polygons, which is all WebGL draws.
void glPolygonMode(GLenum, GLenum) {}

void glFlush() { stateChanges(); }

}  // extern "C"

namespace {
// The page's own drawing under which the visible-triangle pass is proven:
// its fixed pipeline (one shader, filled triangles, no face culling), the
// depth test on with less or less-or-equal and depth writes on over a
// depth range with near below far, no blending but the one that replaces,
// no stencil, no polygon offset, and a perspective projection from the eye.
bool provenState() {
  if (!gfxPerspectiveFromTheOrigin(projection)) return false;
  const GateState& state = gate();
  if (state.depthFunc != GL_LESS && state.depthFunc != GL_LEQUAL) return false;
  if (!state.depthWrites || !(state.depthRange[0] < state.depthRange[1]) || !state.depthTest)
    return false;
  if (state.cullFace || state.polygonOffsetFill || state.stencilTest || state.sampleAlphaToCoverage)
    return false;
  if (!state.blend) return true;
  for (int i = 0; i < 2; ++i) {
    if (state.blendSource[i] != GL_ONE || state.blendDestination[i] != GL_ZERO ||
        state.blendEquation[i] != GL_FUNC_ADD) {
      return false;
    }
  }
  return true;
}

// The page's address may switch the pass off (?triangles=all), to draw
// every triangle and compare.
EM_JS(int, jsDrawsEveryTriangle, (), {
  return Module.page && Module.page.drawsEveryTriangle && Module.page.drawsEveryTriangle() ? 1 : 0;
});

// The triangles of a closed surface that can show, as the desktop takes
// them (gfx/gfx_cull.h); false when every strip must be drawn.
bool closedSurfaceTriangles(const GfxStripArrays& arrays, std::vector<GLuint>& triangles) {
  static const bool everyTriangle = jsDrawsEveryTriangle() != 0;
  if (!arrays.twins || everyTriangle || !gfxVisibleTrianglesOn() || !provenState()) return false;
  GateState& state = gate();
  if (!state.viewportKnown) {
    emscripten_glGetIntegerv(GL_VIEWPORT, state.viewport);
    state.viewportKnown = true;
  }
  if (state.depthBits < 0) emscripten_glGetIntegerv(GL_DEPTH_BITS, &state.depthBits);
  GfxRaster raster;
  std::memcpy(raster.viewport, state.viewport, sizeof raster.viewport);
  raster.depthBits = state.depthBits;
  // The canvas is made without antialiasing: a pixel is its centre's.
  if (!gfxVisibleTriangles(arrays, modelview, projection, &raster, triangles)) return false;
  // Drawn as one list over the surface's vertices, which must fit a batch.
  return std::all_of(triangles.begin(), triangles.end(),
                     [](GLuint index) { return index < kBatchVertices; });
}

// The surface's vertices once, and the triangles that can show as a list of
// three indices each, in the order given (the order a strip presents them
// in): a strip of three each would end every triangle with a restart index,
// at each of which SwiftShader splits the draw. The vertices must fit one
// batch; the caller draws every strip otherwise.
void drawTriangleList(const GfxStripArrays& arrays, const std::vector<GLuint>& triangles) {
  stateChanges();
  GLuint highest = 0;
  for (const GLuint index : triangles) highest = std::max(highest, index);
  for (GLuint i = 0; i <= highest; ++i) {
    const GLfloat* p = gfxArrayAt(arrays.positions, arrays.stride, i);
    const GLfloat* st = arrays.texCoords ? gfxArrayAt(arrays.texCoords, arrays.stride, i) : texCoord;
    vertices[i] = Vertex{p[0], p[1], p[2], st[0], st[1]};
  }
  if (!preparePipeline()) return;
  bindForDrawing(highest + 1);
  constexpr size_t kMostIndices = kBatchIndices / 3 * 3;
  for (size_t first = 0; first < triangles.size(); first += kMostIndices) {
    const size_t count = std::min(kMostIndices, triangles.size() - first);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, count * sizeof(uint32_t), triangles.data() + first);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
  }
}

}  // namespace

// How many of the mesh's triangles the page has left out so far: read by the
// page's tests (window.vantorel.trianglesLeftOut()).
extern "C" EMSCRIPTEN_KEEPALIVE double gfxWebTrianglesLeftOut() {
  return static_cast<double>(gfxCullCounts.trianglesLeftOut);
}

// Strips from arrays join the batch as their vertices would one by one, or,
// for a closed surface, only the triangles of it that can show, as one list;
// normals have nothing to do here.
void gfxDrawStrips(const GfxStripArrays& arrays) {
  static std::vector<GLuint> visible;
  if (arrays.twins) ++gfxCullCounts.closedSurfaces;
  if (closedSurfaceTriangles(arrays, visible)) {
    ++gfxCullCounts.surfacesCulled;
    gfxCullCounts.trianglesLeftOut +=
        static_cast<size_t>(arrays.stripCount) * (arrays.stripLength - 2) - visible.size() / 3;
    drawTriangleList(arrays, visible);
    // As immediate mode would have left them: the last vertex's.
    if (arrays.texCoords) {
      const GLuint last =
          arrays.indices[static_cast<size_t>(arrays.stripCount) * arrays.stripLength - 1];
      const GLfloat* st = gfxArrayAt(arrays.texCoords, arrays.stride, last);
      texCoord[0] = st[0];
      texCoord[1] = st[1];
    }
    return;
  }
  for (int k = 0; k < arrays.stripCount; ++k) {
    const GLuint* strip = arrays.indices + static_cast<size_t>(k) * arrays.stripLength;
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j < arrays.stripLength; ++j) {
      if (arrays.texCoords) {
        const GLfloat* st = gfxArrayAt(arrays.texCoords, arrays.stride, strip[j]);
        texCoord[0] = st[0];
        texCoord[1] = st[1];
      }
      glVertex3fv(gfxArrayAt(arrays.positions, arrays.stride, strip[j]));
    }
    glEnd();
  }
}
