// The .mp4 output, made by Debian's ffmpeg in two passes: the raw frames are
// piped in and encoded to H.264 while the show runs; once the last frame is
// known, the music's PCM for exactly those frames is piped in and muxed with
// them as AAC. (One pass with two pipes would need the sound track before
// the pictures it belongs to: ffmpeg reads ahead on every input, and the
// show may end itself at a frame nobody knows in advance.) Both files lie
// beside the output under hidden names; the video takes its name only once
// it is whole, so a failed capture leaves no partial video, and an earlier
// video of the same name stays.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless/audio_offline.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_output.h"

extern char** environ;

namespace {
constexpr const char* kFfmpeg = "ffmpeg";

// x264's speed and quality. Every frame is coded at one fixed quantiser
// (no rate control that carries from frame to frame), without B-frames, with
// a key frame every kKeyFrameSeconds and nowhere else: a run of frames that
// starts at a key frame is coded the same whether the video is made in one
// piece or joined from pieces made apart (--jobs). "ultrafast" at QP 18
// needs about 40 % less of x264's CPU time than "superfast" at QP 22 and keeps
// the frames as close to the drawn ones (PSNR 49.8 dB against 49.5 dB on
// finale frames), for about half as many bits again; the renderer and x264
// share the same two cores, so the time x264 saves shortens the capture.
constexpr const char* kX264Preset = "ultrafast";
constexpr const char* kX264Qp = "18";
// BGRA to 4:2:0 by averaging each 2x2 block of chroma: cheaper than the
// default bicubic and a little closer to the drawn frames.
constexpr const char* kColourConversion = "area";
constexpr int kKeyFrameSeconds = 2;
// AAC at 192 kbit/s with the encoder's fast search: half the time of its
// default search over the whole show (2 s instead of 4), no audible loss
// at this rate.
constexpr const char* kAudioBitrate = "192k";

// Bigger pipes mean fewer wake-ups of ffmpeg per frame; Linux allows 1 MiB
// to anyone by default.
constexpr int kPipeBytes = 1 << 20;

// The music goes to ffmpeg in pieces of this many sample frames.
constexpr uint64_t kAudioChunkFrames = 8192;
constexpr uint32_t kMaxChannels = 2;

// The whole state of the one video being made.
struct Video {
  pid_t ffmpeg = -1;
  int pipe = -1;  // our end of the running ffmpeg's standard input
  char finalPath[PATH_MAX] = {};
  char picturesPath[PATH_MAX] = {};  // pass 1: the pictures alone
  char partialPath[PATH_MAX] = {};   // pass 2: pictures and sound
  int height = 0;
  size_t rowBytes = 0;
  AudioStream music = 0;
  uint32_t rate = 0;
  uint32_t channels = 0;
  int framesPerSecond = 0;
  int64_t firstFrame = 0;
  bool pictureOnly = false;  // a piece of a video: no sound track, not joined
};
Video video;
int16_t audioChunk[kAudioChunkFrames * kMaxChannels];

void closePipe() {
  if (video.pipe >= 0) close(video.pipe);
  video.pipe = -1;
}

// Waits for ffmpeg; true when it ended well.
bool reapFfmpeg() {
  if (video.ffmpeg < 0) return false;
  int status = 0;
  while (waitpid(video.ffmpeg, &status, 0) < 0 && errno == EINTR) {
  }
  video.ffmpeg = -1;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  if (WIFEXITED(status))
    captureError("ffmpeg failed (exit status %d); its own message is above", WEXITSTATUS(status));
  else
    captureError("ffmpeg ended on signal %d", WTERMSIG(status));
  return false;
}

// Starts ffmpeg with `arguments` (null-terminated) reading our pipe on its
// standard input.
bool startFfmpeg(const char* const* arguments) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    captureError("cannot make a pipe to ffmpeg: %s", std::strerror(errno));
    return false;
  }
  fcntl(ends[1], F_SETPIPE_SZ, kPipeBytes);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
  // A process group of its own: Ctrl-C on the terminal reaches the capture
  // only, which then stops ffmpeg itself and removes what it had made.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const int error = posix_spawnp(&video.ffmpeg, kFfmpeg, &actions, &attributes,
                                 const_cast<char* const*>(arguments), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[0]);
  if (error != 0) {
    close(ends[1]);
    video.ffmpeg = -1;
    if (error == ENOENT)
      captureError(
          "ffmpeg is not installed (not found on PATH); a video needs it: "
          "apt-get install ffmpeg");
    else
      captureError("cannot start ffmpeg: %s", std::strerror(error));
    return false;
  }
  video.pipe = ends[1];
  return true;
}

// Writes a batch of pieces whole; false when ffmpeg stopped taking them or
// the capture was interrupted.
bool writePieces(iovec* pieces, int count) {
  while (count > 0) {
    const ssize_t n = writev(video.pipe, pieces, count);
    if (n < 0 && errno == EINTR && !captureInterrupted()) continue;
    if (n <= 0) return false;
    size_t done = static_cast<size_t>(n);
    while (count > 0 && done >= pieces->iov_len) {
      done -= pieces->iov_len;
      ++pieces;
      --count;
    }
    if (count > 0) {
      pieces->iov_base = static_cast<uint8_t*>(pieces->iov_base) + done;
      pieces->iov_len -= done;
    }
  }
  return true;
}

// A hidden file beside the output, made now: proves that the folder can be
// written before anything is rendered.
bool reserveBeside(const char* output, const char* role, char* path) {
  const char* slash = std::strrchr(output, '/');
  const int folderLength = slash ? static_cast<int>(slash - output) + 1 : 0;
  const char* name = slash ? slash + 1 : output;
  const int n =
      std::snprintf(path, PATH_MAX, "%.*s.%s.%s-XXXXXX", folderLength, output, name, role);
  if (n < 0 || n >= PATH_MAX) {
    captureError("the output path is too long: %s", output);
    path[0] = '\0';
    return false;
  }
  const int fd = mkstemp(path);
  if (fd < 0) {
    captureError("cannot write %s: %s", output, std::strerror(errno));
    path[0] = '\0';
    return false;
  }
  // mkstemp makes the file private; the video gets the mode of any new file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return true;
}

void removeFile(char* path) {
  if (path[0]) unlink(path);
  path[0] = '\0';
}

// The files it makes are removed anyway: ffmpeg need not finish them.
void haltVideo() {
  if (video.ffmpeg > 0) kill(video.ffmpeg, SIGKILL);
}

void removeEverything() {
  closePipe();
  if (video.ffmpeg > 0) {
    kill(video.ffmpeg, SIGKILL);
    int status = 0;
    while (waitpid(video.ffmpeg, &status, 0) < 0 && errno == EINTR) {
    }
    video.ffmpeg = -1;
  }
  removeFile(video.picturesPath);
  removeFile(video.partialPath);
}

// The state of a new video and its hidden files beside the output. Returns
// false after reporting (and leaving nothing behind).
bool openVideoFiles(const CaptureOptions& options, AudioStream music, int64_t firstFrame) {
  video.music = music;
  video.rate = audioOfflineRate(music);
  video.channels = audioOfflineChannels(music);
  video.framesPerSecond = options.framesPerSecond;
  video.firstFrame = firstFrame;
  video.pictureOnly = options.pictureOnly;
  video.height = options.height;
  video.rowBytes = static_cast<size_t>(options.width) * 4;
  if (video.channels == 0 || video.channels > kMaxChannels) {
    captureError("the music has %u channels; a video takes 1 or 2", video.channels);
    return false;
  }
  std::snprintf(video.finalPath, sizeof video.finalPath, "%s", options.output);
  if (!reserveBeside(options.output, "pictures", video.picturesPath) ||
      !reserveBeside(options.output, "partial", video.partialPath)) {
    removeEverything();
    return false;
  }
  return true;
}

int openVideo(const CaptureOptions& options, AudioStream music, int64_t firstFrame) {
  if (!openVideoFiles(options, music, firstFrame)) return 0;
  char size[32];
  char fps[16];
  char x264[96];
  std::snprintf(size, sizeof size, "%dx%d", options.width, options.height);
  std::snprintf(fps, sizeof fps, "%d", options.framesPerSecond);
  const int keyInterval = captureKeyFrameInterval(options.framesPerSecond);
  std::snprintf(x264, sizeof x264, "keyint=%d:min-keyint=%d:scenecut=0:bframes=0:open-gop=0",
                keyInterval, keyInterval);
  // The frame rate is an input option: every frame piped in is one frame of
  // the video, nothing dropped or repeated. GL reads BGRA as it stores it.
  // clang-format off
  const char* const arguments[] = {
      kFfmpeg, "-hide_banner", "-nostdin", "-nostats", "-loglevel", "error", "-y",
      "-f", "rawvideo", "-pix_fmt", "bgra", "-video_size", size, "-framerate", fps,
      "-i", "pipe:0",
      "-sws_flags", kColourConversion,
      "-c:v", "libx264", "-preset", kX264Preset, "-qp", kX264Qp, "-x264-params", x264,
      "-pix_fmt", "yuv420p", "-f", "mp4", video.picturesPath, nullptr};
  // clang-format on
  if (!startFfmpeg(arguments)) {
    removeEverything();
    return 0;
  }
  return 1;
}

// GL's rows run bottom up; the video's top down. The rows go out in reverse
// order straight from the pixel buffer, a batch of them per system call.
int writeFrame(int64_t, const uint8_t* pixels) {
  iovec rows[IOV_MAX];
  int row = video.height - 1;
  while (row >= 0) {
    int count = 0;
    for (; row >= 0 && count < IOV_MAX; --row, ++count) {
      rows[count].iov_base =
          const_cast<uint8_t*>(pixels + static_cast<size_t>(row) * video.rowBytes);
      rows[count].iov_len = video.rowBytes;
    }
    if (!writePieces(rows, count)) {
      if (!captureInterrupted()) captureError("ffmpeg stopped taking frames");
      return 0;
    }
  }
  return 1;
}

// The music under frames first .. first + frames - 1, silence past its end.
bool writeSoundTrack(int64_t frames) {
  const uint64_t from = captureFrameSample(video.firstFrame, video.rate, video.framesPerSecond);
  const uint64_t until =
      captureFrameSample(video.firstFrame + frames, video.rate, video.framesPerSecond);
  for (uint64_t at = from; at < until;) {
    const uint64_t want = until - at < kAudioChunkFrames ? until - at : kAudioChunkFrames;
    uint64_t got = audioOfflineCopyFrames(video.music, at, want, audioChunk);
    if (got == 0) {
      std::memset(audioChunk, 0, sizeof audioChunk);
      got = want;
    }
    iovec piece{audioChunk, got * video.channels * sizeof(int16_t)};
    if (!writePieces(&piece, 1)) return false;
    at += got;
  }
  return true;
}

bool addSoundTrack(int64_t frames) {
  char rate[16];
  char channels[8];
  std::snprintf(rate, sizeof rate, "%u", video.rate);
  std::snprintf(channels, sizeof channels, "%u", video.channels);
  // clang-format off
  const char* const arguments[] = {
      kFfmpeg, "-hide_banner", "-nostdin", "-nostats", "-loglevel", "error", "-y",
      "-i", video.picturesPath,
      "-f", "s16le", "-ar", rate, "-ac", channels, "-i", "pipe:0",
      "-map", "0:v", "-map", "1:a",
      "-c:v", "copy",
      "-c:a", "aac", "-aac_coder", "fast", "-b:a", kAudioBitrate,
      "-movflags", "+faststart", "-f", "mp4", video.partialPath, nullptr};
  // clang-format on
  if (!startFfmpeg(arguments)) return false;
  const bool written = writeSoundTrack(frames);
  closePipe();
  if (!written && !captureInterrupted()) captureError("ffmpeg stopped taking the music");
  return reapFfmpeg() && written;
}

// A path inside single quotes of a concat list: a quote inside is written as
// '\'' (end the quotes, an escaped quote, open them again).
bool writeQuoted(FILE* file, const char* path) {
  for (const char* c = path; *c; ++c) {
    if (*c == '\'' ? std::fputs("'\\''", file) < 0 : std::fputc(*c, file) == EOF) return false;
  }
  return true;
}

// The pictures made so far become the output as they are.
bool keepPictures() {
  if (rename(video.picturesPath, video.partialPath) != 0) {
    captureError("cannot name the video %s: %s", video.partialPath, std::strerror(errno));
    return false;
  }
  video.picturesPath[0] = '\0';
  return true;
}

int finishVideo(int64_t frames) {
  closePipe();
  const bool whole = reapFfmpeg() && (video.pictureOnly ? keepPictures() : addSoundTrack(frames));
  removeFile(video.picturesPath);
  if (!whole) {
    removeEverything();
    return 0;
  }
  if (rename(video.partialPath, video.finalPath) != 0) {
    captureError("cannot name the video %s: %s", video.finalPath, std::strerror(errno));
    removeEverything();
    return 0;
  }
  video.partialPath[0] = '\0';
  return 1;
}
}  // namespace

int captureKeyFrameInterval(int framesPerSecond) { return kKeyFrameSeconds * framesPerSecond; }

int joinVideo(const CaptureOptions& options, AudioStream music, int64_t firstFrame,
              const char* const* pieces, int pieceCount, int64_t frames) {
  if (!openVideoFiles(options, music, firstFrame)) return 0;
  // ffmpeg's concat demuxer reads the pieces one after the other from a list;
  // "-c copy" keeps every coded frame as it is.
  char list[PATH_MAX];
  if (!reserveBeside(options.output, "pieces", list)) {
    removeEverything();
    return 0;
  }
  FILE* file = std::fopen(list, "w");
  bool listed = file != nullptr;
  for (int i = 0; listed && i < pieceCount; ++i) {
    listed = std::fputs("file '", file) >= 0 && writeQuoted(file, pieces[i]) &&
             std::fputs("'\n", file) >= 0;
  }
  if (file && std::fclose(file) != 0) listed = false;
  if (!listed) {
    captureError("cannot write the list of pieces %s", list);
    unlink(list);
    removeEverything();
    return 0;
  }
  // clang-format off
  const char* const arguments[] = {
      kFfmpeg, "-hide_banner", "-nostdin", "-nostats", "-loglevel", "error", "-y",
      "-f", "concat", "-safe", "0", "-i", list, "-c", "copy", "-f", "mp4", video.picturesPath,
      nullptr};
  // clang-format on
  const bool joined = startFfmpeg(arguments);
  const int whole = joined ? finishVideo(frames) : 0;
  unlink(list);
  if (!joined) removeEverything();
  return whole;
}

const CaptureOutput videoOutput = {GL_BGRA,     4,         openVideo,       writeFrame,
                                   finishVideo, haltVideo, removeEverything};
