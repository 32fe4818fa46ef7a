#include "app/seek.h"

#include <memory>
#include <vector>

#include "app/show.h"
#include "gfx/gfx.h"
#include "music/clock.h"
#include "platform/audio.h"
#include "platform/sys.h"
#include "timeline/show_state.h"

namespace {
// What the jumps keep. Moment k stands before frame k * kSeekKeptEveryFrames.
struct Seek {
  bool started = false;
  AudioStream aheadStream = 0;  // never played; 0 for a silent show
  std::vector<KeptShowState> kept;
  // The run ahead: the frame it runs next and the state it stands in there.
  int64_t aheadFrame = 0;
  KeptShowState ahead;
  bool ended = false;  // the run ahead has reached the show's end
  size_t bytes = 0;
  // The state on screen while the run ahead stands in for it.
  std::unique_ptr<ShowState> onScreen;
};
Seek seek;

// The music source with the second stream in place of the one heard.
class AheadMusic {
 public:
  AheadMusic() : saved_(musicSource) {
    if (!musicSource.musicSilent) musicSource.musicStream = seek.aheadStream;
    musicSource.unheard = 1;
  }
  ~AheadMusic() { musicSource = saved_; }
  AheadMusic(const AheadMusic&) = delete;
  AheadMusic& operator=(const AheadMusic&) = delete;

 private:
  MusicSource saved_;
};

void keepMoment() {
  const KeptShowState* before = seek.kept.empty() ? nullptr : &seek.kept.back();
  KeptShowState moment;
  keepShowState(&moment, before);
  seek.bytes += keptShowStateBytes(moment, before);
  seek.kept.push_back(std::move(moment));
}

// Runs frames ahead from the state in place, keeping moments on the way,
// until `until` (exclusive), the show's end, or the wall-time budget.
void runFramesAhead(int64_t until, double budgetMs) {
  const int64_t start = sysMonotonicMs();
  AheadMusic music;
  while (!seek.ended && seek.aheadFrame < until) {
    if (!runClockFrameWith(seek.aheadFrame, kSeekFramesPerSecond, &gfxDiscard)) {
      seek.ended = true;
      break;
    }
    ++seek.aheadFrame;
    if (seek.aheadFrame % kSeekKeptEveryFrames == 0) keepMoment();
    if (static_cast<double>(sysMonotonicMs() - start) >= budgetMs) break;
  }
}

// Runs ahead with the state on screen set aside and put back after. Nothing
// reaches GL: the frames run through the table that draws nothing.
void runAheadAside(int64_t until, double budgetMs) {
  const GfxCalls* inUse = gfx;
  gfx = &gfxDiscard;
  copyShowState(seek.onScreen.get());
  putKeptShowStateBack(seek.ahead);
  runFramesAhead(until, budgetMs);
  keepShowState(&seek.ahead, &seek.kept.back());
  putShowStateBack(*seek.onScreen);
  gfx = inUse;
}
}  // namespace

int seekStart() {
  seekStop();
  if (!musicSource.musicSilent && musicSource.musicStream) {
    seek.aheadStream = audioOpenFile(0, kMusicFile, 0, 0, kAudioStreamPrescan);
    if (!seek.aheadStream) return 0;
  }
  seek.onScreen = std::make_unique<ShowState>();
  seek.started = true;
  keepMoment();
  seek.ahead = seek.kept.back();
  return 1;
}

int seekReady() { return seek.started ? 1 : 0; }

int seekRunAhead(double budgetMs) {
  if (!seek.started || seek.ended) return 0;
  runAheadAside(INT64_MAX, budgetMs);
  return seek.ended ? 0 : 1;
}

int seekStateBefore(int64_t frame) {
  if (!seek.started || frame < 0) return 0;
  const int64_t reach = static_cast<int64_t>(seek.kept.size()) * kSeekKeptEveryFrames;
  if (frame >= reach && !seek.ended) {
    runAheadAside(frame / kSeekKeptEveryFrames * kSeekKeptEveryFrames + 1, 1e12);
  }
  const size_t k = std::min(static_cast<size_t>(frame / kSeekKeptEveryFrames), seek.kept.size() - 1);
  const GfxCalls* inUse = gfx;
  gfx = &gfxDirect;
  putKeptShowStateBack(seek.kept[k]);
  gfx = inUse;
  AheadMusic music;
  return fastForwardFrames(static_cast<int64_t>(k) * kSeekKeptEveryFrames, frame,
                           kSeekFramesPerSecond);
}

int seekRunUnseen(int64_t first, int64_t end) {
  if (!seek.started) return 0;
  AheadMusic music;
  return fastForwardFrames(first, end, kSeekFramesPerSecond);
}

void seekForgetAfter(int64_t frame) {
  if (!seek.started || frame < 0) return;
  const size_t keep = static_cast<size_t>(frame / kSeekKeptEveryFrames) + 1;
  if (keep >= seek.kept.size() && seek.aheadFrame <= frame) return;
  if (keep < seek.kept.size()) seek.kept.resize(keep);
  seek.bytes = 0;
  for (size_t k = 0; k < seek.kept.size(); ++k)
    seek.bytes += keptShowStateBytes(seek.kept[k], k ? &seek.kept[k - 1] : nullptr);
  seek.ahead = seek.kept.back();
  seek.aheadFrame = static_cast<int64_t>(seek.kept.size() - 1) * kSeekKeptEveryFrames;
  seek.ended = false;
}

int seekUseMusic(const char* file, int64_t frame) {
  if (!seek.started) return 0;
  if (seek.aheadStream) {
    const AudioStream next = audioOpenFile(0, file, 0, 0, kAudioStreamPrescan);
    if (!next) return 0;
    audioFreeStream(seek.aheadStream);
    seek.aheadStream = next;
  }
  seekForgetAfter(frame);
  return 1;
}

int seekKeptMoments() { return static_cast<int>(seek.kept.size()); }

size_t seekKeptBytes() { return seek.bytes; }

void seekStop() { seek = Seek{}; }
