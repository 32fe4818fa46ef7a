// The page's side of the browser build: small bridges to the page's script
// (web/page.js, which sets Module.page) and the entry points it calls back.
#include "platform/page.h"

#include <emscripten.h>

#include <cstdlib>

#include "platform/web/audio_web.h"
#include "platform/web/window_web.h"

namespace {
// The most frames one test page may ask for.
constexpr int kMostTestFrames = 64;

PageControls controls = {};
void (*filesFetched)() = nullptr;
void (*startAnswered)(int) = nullptr;
void (*questionShown)() = nullptr;
void (*playAgain)() = nullptr;
int (*frameCallback)() = nullptr;
}  // namespace

EM_JS(void, jsFetchFiles, (const char* const* names, int count), {
  const list = [];
  for (let i = 0; i < count; ++i) list.push(UTF8ToString(HEAPU32[(names >> 2) + i]));
  Module.page.fetchFiles(list);
});

EM_JS(void, jsAskStart, (const char* text, const char* caption), {
  Module.page.askStart(UTF8ToString(text), UTF8ToString(caption));
});

EM_JS(void, jsRunFrames, (), { Module.page.runFrames(); });

EM_JS(void, jsShowEnd, (), { Module.page.showEnd(); });

EM_JS(int, jsTestFrames, (double* frames, int most, int* framesPerSecond), {
  const test = Module.page.testFrames();
  if (!test) return 0;
  const count = Math.min(test.frames.length, most);
  for (let i = 0; i < count; ++i) HEAPF64[(frames >> 3) + i] = test.frames[i];
  HEAP32[framesPerSecond >> 2] = test.fps;
  return count;
});

EM_JS(void, jsPublishFrame, (double frame), { Module.page.publishFrame(frame); });

EM_JS(double, jsStartSeconds, (), { return Module.page.startSeconds(); });

EM_JS(double, jsAudioOffsetMs, (), { return Module.page.audioOffsetMs(); });

EM_JS(void, jsSetScenes, (const char* const* names, const int32_t* starts, int count, int endMs), {
  const scenes = [];
  for (let i = 0; i < count; ++i) {
    scenes.push({ name: UTF8ToString(HEAPU32[(names >> 2) + i]), ms: HEAP32[(starts >> 2) + i] });
  }
  Module.page.setScenes(scenes, endMs);
});

EM_JS(void, jsShowPosition, (int ms, int paused), { Module.page.showPosition(ms, paused !== 0); });

void pageFetchFiles(const char* const* names, int count, void (*done)()) {
  filesFetched = done;
  jsFetchFiles(names, count);
}

void pageAskStart(const char* text, const char* caption, void (*shown)(), void (*answered)(int)) {
  questionShown = shown;
  startAnswered = answered;
  jsAskStart(text, caption);
}

void pageSetPlayAgain(void (*again)()) { playAgain = again; }

void pageRunFrames(int (*frame)()) {
  frameCallback = frame;
  jsRunFrames();
}

void pageShowEnd() { jsShowEnd(); }

int pageTestFrames(int64_t* frames, int most, int* framesPerSecond) {
  double asked[kMostTestFrames];
  if (most > kMostTestFrames) most = kMostTestFrames;
  const int count = jsTestFrames(asked, most, framesPerSecond);
  for (int i = 0; i < count; ++i) frames[i] = static_cast<int64_t>(asked[i]);
  return count;
}

void pagePublishFrame(int64_t frame) { jsPublishFrame(static_cast<double>(frame)); }

uint64_t pageFramesPresented() { return wsWebFramesPresented(); }

int32_t pageStartMs(int32_t endMs) {
  const double seconds = jsStartSeconds();
  if (!(seconds > 0.0)) return 0;
  const double ms = seconds * 1000.0;
  return ms < endMs ? static_cast<int32_t>(ms) : endMs - 1;
}

int32_t pageAudioOffsetMs(int32_t most) {
  const double ms = jsAudioOffsetMs();
  if (!(ms >= -most && ms <= most)) return 0;
  return static_cast<int32_t>(ms);
}

void pageSetControls(PageControls set) { controls = set; }

void pageSetScenes(const char* const* names, const int32_t* startsMs, int count, int32_t endMs) {
  jsSetScenes(names, startsMs, count, endMs);
}

void pageShowPosition(int32_t ms, int paused) { jsShowPosition(ms, paused); }

void pagePrepareMusic(const char* file) { audioWebPrepare(file); }

void pageUseManualClock() { audioWebUseManualClock(); }

// Called by the page's script.
extern "C" {
EMSCRIPTEN_KEEPALIVE void pageFilesFetched() {
  if (filesFetched) filesFetched();
}

EMSCRIPTEN_KEEPALIVE void pageStartAnswered(int answer) {
  if (startAnswered) startAnswered(answer);
}

EMSCRIPTEN_KEEPALIVE void pageQuestionShown() {
  if (questionShown) questionShown();
}

EMSCRIPTEN_KEEPALIVE void pagePlayAgain() {
  if (playAgain) playAgain();
}

EMSCRIPTEN_KEEPALIVE void pageControlPause(int paused) {
  if (controls.pause) controls.pause(paused);
}

EMSCRIPTEN_KEEPALIVE void pageControlJump(double ms) {
  if (controls.jumpTo && ms >= 0.0 && ms < 1e9) controls.jumpTo(static_cast<int32_t>(ms));
}

// Returns 1 while the page should go on calling it once per animation frame.
EMSCRIPTEN_KEEPALIVE int pageFrame() { return frameCallback && frameCallback() ? 1 : 0; }
}
