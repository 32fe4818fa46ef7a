#include "app/maker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/frame_clock.h"
#include "app/overlay.h"
#include "app/player.h"
#include "app/seek.h"
#include "app/show.h"
#include "app/window.h"
#include "music/clock.h"
#include "platform/audio.h"
#include "platform/job.h"
#include "platform/keys.h"
#include "platform/sys.h"
#include "platform/watch.h"
#include "score/accents.h"
#include "score/music.h"
#include "timeline/moments.h"
#include "timeline/moments_file.h"

MakerState maker;

namespace {
// The strip's parts, in pixels of the 1280x720 picture.
constexpr double kStripTopPx = kWindowHeight - kMakerStripPx;
constexpr double kNameHeightPx = 14.0;
constexpr double kNameTopPx = kStripTopPx + 26.0;
constexpr double kMarkHeightPx = 10.0;
constexpr double kLoopTopPx = kStripTopPx + 14.0;
constexpr double kLoopHeightPx = 6.0;
constexpr double kPlayheadWidthPx = 3.0;
constexpr double kFaultHeightPx = 20.0;
constexpr double kFaultTopPx = kStripTopPx - kFaultHeightPx - 8.0;
constexpr double kTimeHeightPx = 14.0;
// The music's note stands left of the time.
constexpr double kMusicNoteRightPx = 96.0;
// A scene's name shows when this many letters fit, cut to what fits.
constexpr int kShortestName = 3;
constexpr int kLongestText = 160;

double xOf(int32_t ms) {
  const double end = showEndsAtMs();
  return (ms < 0 ? 0 : ms) * kWindowWidth / end;
}

constexpr int64_t kMsPerSecond = 1000;

// The frame clock's next frame after `ms` (step 1), or the last before it
// (step -1), as the ms a jump lands on it by. A paused frame drawn in real
// time lies between two of the clock's frames.
int32_t stepFrom(int32_t ms, int step) {
  const int64_t at = frameClockFrameAt(ms, kSeekFramesPerSecond);  // the first at or after ms
  const bool onIt = at * kMsPerSecond / kSeekFramesPerSecond == ms;
  int64_t frame = step > 0 ? (onIt ? at + 1 : at) : at - 1;
  if (frame < 0) frame = 0;
  return static_cast<int32_t>(frame * kMsPerSecond / kSeekFramesPerSecond);
}

// ---- the music made anew ----

// Whether the music for table `a` is the music for table `b`: the same hits
// at the same times.
bool sameHits(const MomentTable& a, const MomentTable& b) {
  const std::vector<Accent> x = showAccents(a), y = showAccents(b);
  return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](const Accent& p, const Accent& q) {
    return p.timeS == q.timeS && p.flags == q.flags && p.gapS == q.gapS;
  });
}

// Runs in the job's own process: the music for the job's table.
int makeMusic(void* state) {
  const auto* m = static_cast<const MakerState*>(state);
  return writeMusic(m->jobFile, m->jobTable) ? 0 : 1;
}

void removeFile(char* path) {
  if (!path[0]) return;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  path[0] = '\0';
}

void say(const char* what) {
  std::printf("maker: %s\n", what);
  std::fflush(stdout);
}

void startMusicJob(const MomentTable& table) {
  static int serial = 0;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  std::snprintf(maker.jobFile, sizeof maker.jobFile, "%s/vantorel-maker-%lld-%d.mp3",
                error ? "/tmp" : folder.c_str(), static_cast<long long>(sysMonotonicMs()),
                ++serial);
  maker.jobTable = table;
  maker.jobStartedMs = sysMonotonicMs();
  maker.job = jobStart(makeMusic, &maker);
  if (!maker.job) {
    maker.jobFile[0] = '\0';
    say("the music cannot be made anew: no process for it");
  }
}

// A save's table: the music follows when its hits moved from those of the
// music heard (or of the one being made).
void musicFollows(const MomentTable& table) {
  const MomentTable& coming = maker.job ? maker.jobTable : maker.musicTable;
  if (sameHits(coming, table)) return;
  if (maker.job) {
    maker.pending = true;
    maker.pendingTable = table;
    return;
  }
  startMusicJob(table);
}

// The music made anew in place of the one heard, at the same moment.
// Returns 1 when it has drawn the pass's frame.
int swapMusic() {
  const int64_t took = sysMonotonicMs() - maker.jobStartedMs;
  int drawn = 0;
  if (!musicSource.musicSilent && musicSource.musicStream) {
    const AudioStream next = audioOpenFile(0, maker.jobFile, 0, 0, kAudioStreamPrescan);
    // The music's level is set by the whole piece, so a moved hit changes
    // every sample a little: the moments kept all go, and the jump below runs
    // the show again from its start (a few tenths of a second).
    if (!next || !seekUseMusic(maker.jobFile, 0)) {
      if (next) audioFreeStream(next);
      removeFile(maker.jobFile);
      say("the music made anew cannot be played; the old one plays on");
      return 0;
    }
    const AudioStream old = musicSource.musicStream;
    audioPause(old);
    musicSource.musicStream = next;
    audioFreeStream(old);
    // The jump stands the new stream at the moment on screen; it plays on
    // from there.
    drawn = playerJumpTo(playerNowMs());
    if (!player.paused) audioPlay(next, 0);
  }
  removeFile(maker.musicFile);
  std::memcpy(maker.musicFile, maker.jobFile, sizeof maker.musicFile);
  maker.jobFile[0] = '\0';
  maker.musicTable = maker.jobTable;
  ++maker.remakes;
  maker.lastRemakeMs = took;
  maker.noteUntilMs = sysMonotonicMs() + kMakerMusicNoteMs;
  std::printf("maker: remade the music in %lld ms: %s\n", static_cast<long long>(took),
              maker.musicFile);
  std::fflush(stdout);
  return drawn;
}

// Between frames: a finished job's music swapped in, or the next job begun.
int pollMusicJob() {
  if (!maker.job) return 0;
  const int status = jobPoll(maker.job);
  if (status < 0) return 0;
  maker.job = 0;
  if (maker.pending) {
    maker.pending = false;
    removeFile(maker.jobFile);
    musicFollows(maker.pendingTable);
    return 0;
  }
  if (status != 0) {
    removeFile(maker.jobFile);
    say("the music could not be made anew; the old one plays on");
    return 0;
  }
  return swapMusic();
}

int takeKeys() {
  const int32_t now = playerNowMs();
  if (takeKeyPress(kVkLeftBracket)) {
    maker.loopStartMs = now;
    if (maker.loopEndMs <= now) maker.loopEndMs = 0;
  }
  if (takeKeyPress(kVkRightBracket)) maker.loopEndMs = now > maker.loopStartMs ? now : 0;
  const int back = takeKeyPress(kVkComma), forward = takeKeyPress(kVkPeriod);
  if (player.paused && (back || forward)) return playerJumpTo(stepFrom(now, forward ? 1 : -1));
  return 0;
}

int beforeFrame() {
  if (maker.watch && fileWatchSaved(maker.watch, kMakerQuietMs) && makerTakeSave()) return 1;
  if (pollMusicJob()) return 1;
  if (takeKeys()) return 1;
  if (player.paused) return 0;
  const int32_t next = musicPeekMs();
  if (maker.loopStartMs < maker.loopEndMs && next >= maker.loopEndMs)
    return playerJumpTo(maker.loopStartMs);
  const int32_t hold = showEndsAtMs() - kMakerHoldBeforeEndMs;
  if (next >= hold) {
    const int jumped = playerJumpTo(hold);
    playerSetPaused(1);
    return jumped;
  }
  return 0;
}

void drawStrip() {
  if (!overlayBegin()) return;
  const MomentTable& table = playedMoments();
  const int32_t now = playerNowMs();
  overlayBox(0, kStripTopPx, kWindowWidth, kMakerStripPx, 0.06f, 0.06f, 0.08f);
  const int playing = sceneAt(now);
  for (int i = 0; i + 1 < kSceneCount; ++i) {
    const double x0 = xOf(table.scenes[i].lo + 1), x1 = xOf(table.scenes[i + 1].lo + 1);
    const float shade = i == playing ? 0.34f : (i % 2 ? 0.16f : 0.22f);
    overlayBox(x0, kNameTopPx - 4, x1 - x0 - 1, kMakerStripPx - 30, shade, shade,
               shade + (i == playing ? 0.12f : 0.02f));
    const int fits = static_cast<int>((x1 - x0 - 4) / overlayTextWidth(1, kNameHeightPx));
    if (fits >= kShortestName) {
      char name[64];
      std::snprintf(name, sizeof name, "%.*s", fits, momentName(table.scenes[i].name));
      overlayText(name, x0 + 2, kNameTopPx, kNameHeightPx, 0.9f, 0.9f, 0.9f);
    }
    if (table.scenes[i].cue.kind != CueKind::None && i > 0)
      overlayBox(x0, kStripTopPx + 2, 3, kMarkHeightPx, 1.0f, 0.8f, 0.2f);
  }
  for (const Turn& turn : table.turns)
    overlayBox(xOf(turn.lo), kStripTopPx + 2, xOf(turn.hi) - xOf(turn.lo), 3, 0.3f, 0.7f, 1.0f);
  for (const Title& title : table.titles)
    overlayBox(xOf(title.lo), kStripTopPx + 7, xOf(title.hi) - xOf(title.lo), 3, 0.9f, 0.4f, 0.9f);
  if (maker.loopStartMs < maker.loopEndMs) {
    overlayBox(xOf(maker.loopStartMs), kLoopTopPx, xOf(maker.loopEndMs) - xOf(maker.loopStartMs),
               kLoopHeightPx, 0.3f, 0.9f, 0.4f);
  } else if (maker.loopStartMs > 0) {
    overlayBox(xOf(maker.loopStartMs), kLoopTopPx, 3, kLoopHeightPx, 0.3f, 0.9f, 0.4f);
  }
  overlayBox(xOf(now) - kPlayheadWidthPx / 2, kStripTopPx, kPlayheadWidthPx, kMakerStripPx, 1.0f,
             1.0f, 1.0f);
  char text[kLongestText];
  std::snprintf(text, sizeof text, "%d:%02d.%03d", now / 60000, now / 1000 % 60, now % 1000);
  overlayText(text, kWindowWidth - overlayTextWidth(static_cast<int>(std::strlen(text)),
                                                    kTimeHeightPx) - 6,
              kStripTopPx + 2, kTimeHeightPx, 1.0f, 1.0f, 1.0f);
  const char* music = nullptr;
  if (maker.job) {
    std::snprintf(text, sizeof text, "music: made anew for the moved hits... %.1f s",
                  static_cast<double>(sysMonotonicMs() - maker.jobStartedMs) / kMsPerSecond);
    music = text;
  } else if (sysMonotonicMs() < maker.noteUntilMs) {
    std::snprintf(text, sizeof text, "music: made anew in %.1f s",
                  static_cast<double>(maker.lastRemakeMs) / kMsPerSecond);
    music = text;
  }
  if (music) {
    const double width = overlayTextWidth(static_cast<int>(std::strlen(music)), kTimeHeightPx);
    overlayText(music, kWindowWidth - width - kMusicNoteRightPx, kStripTopPx + 2, kTimeHeightPx,
                0.6f, 1.0f, 0.6f);
  }
  if (maker.fault[0]) {
    const int fits = static_cast<int>(kWindowWidth / overlayTextWidth(1, kFaultHeightPx)) - 2;
    std::snprintf(text, sizeof text, "%.*s", fits < kLongestText - 1 ? fits : kLongestText - 1,
                  maker.fault);
    const double width = overlayTextWidth(static_cast<int>(std::strlen(text)), kFaultHeightPx);
    overlayBox(4, kFaultTopPx - 4, width + 16, kFaultHeightPx + 8, 0.35f, 0.02f, 0.02f);
    overlayText(text, 12, kFaultTopPx, kFaultHeightPx, 1.0f, 0.85f, 0.85f);
  }
  overlayEnd();
}
}  // namespace

int makerTakeSave() {
  const int64_t started = sysMonotonicMs();
  MomentTable table;
  MomentsFileError error;
  if (!readMomentsFile(maker.path, &table, &error)) {
    // The screen names the file by its name alone; the line says it whole.
    const char* slash = std::strrchr(maker.path, '/');
    const char* name = slash ? slash + 1 : maker.path;
    if (error.line > 0)
      std::snprintf(maker.fault, sizeof maker.fault, "%s:%d:%d: %s", name, error.line,
                    error.column, error.reason);
    else
      std::snprintf(maker.fault, sizeof maker.fault, "%s: %s", name, error.reason);
    ++maker.refused;
    std::printf("maker: kept the last good moments: %.*s%s\n",
                static_cast<int>(name - maker.path), maker.path, maker.fault);
    std::fflush(stdout);
    return 0;
  }
  maker.fault[0] = '\0';
  const int32_t changedAt = firstChangeMs(playedMoments(), table);
  playMoments(table);
  musicFollows(table);
  int drawn = 0;
  if (changedAt != INT32_MAX) {
    seekForgetAfter(frameClockFrameAt(changedAt, kSeekFramesPerSecond));
    // Run again to where the show stands, under the new table, unless the
    // change lies ahead of it.
    const int32_t now = playerNowMs();
    if (changedAt < now || now >= showEndsAtMs()) drawn = playerJumpTo(now);
  }
  ++maker.taken;
  maker.lastTakeMs = sysMonotonicMs() - started;
  std::printf("maker: took %s in %lld ms (changed from %d ms)\n", maker.path,
              static_cast<long long>(maker.lastTakeMs), changedAt == INT32_MAX ? -1 : changedAt);
  std::fflush(stdout);
  return drawn;
}

int makerStart(const char* path) {
  maker = MakerState{};
  maker.path = path;
  maker.watch = fileWatchStart(path);
  loopHooks = {beforeFrame, drawStrip};
  if (!maker.watch) {
    std::fprintf(stderr, "vantorel: cannot watch %s: saves will not be taken\n", path);
    return 0;
  }
  return 1;
}

void makerStop() {
  if (maker.watch) fileWatchEnd(maker.watch);
  if (maker.job) jobCancel(maker.job);
  removeFile(maker.jobFile);
  removeFile(maker.musicFile);
  maker = MakerState{};
  loopHooks = {nullptr, nullptr};
}
