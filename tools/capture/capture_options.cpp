#include "tools/capture/capture_options.h"

#include <getopt.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* const kCaptureUsage =
    "Usage: vantorel-capture [options]\n"
    "Renders the show without a display, frame by frame on the music clock, into a video\n"
    "or a folder of pictures. The same options always give the same frames.\n"
    "\n"
    "  --output PATH   a .mp4 file (H.264 video with the music, made by ffmpeg), or a folder\n"
    "                  for PNG frames (an existing folder, or a path ending in /);\n"
    "                  default vantorel.mp4\n"
    "  --size WxH      frame size in pixels; default 1280x720 (even sizes for a video)\n"
    "  --fps N         frames per second, 1 to 240; default 60\n"
    "  --start MS      first moment of the music to capture, in ms; default 0\n"
    "  --end MS        capture the frames before this moment, in ms; default: until the\n"
    "                  show ends itself\n"
    "  --folder DIR    the folder that holds the show's pictures and music; default: the\n"
    "                  folder vantorel-capture is in when they are there, otherwise the\n"
    "                  installed ones (share/vantorel beside its bin folder)\n"
    "  --moments FILE  capture the moments (turns, titles, scenes) written in FILE, as\n"
    "                  vantorel --export-moments writes them; default: the show's own\n"
    "  --jobs N        draw the frames in N processes side by side, each taking the next\n"
    "                  stretch of them when it is free, and join the stretches without\n"
    "                  encoding anything again; default 1\n"
    "  --benchmark     draw the frames without keeping them and print, per scene of the\n"
    "                  show, the median, 95th percentile and worst frame time and the\n"
    "                  main thread's share of it; --output is not used\n"
    "  --help          this text\n"
    "\n"
    "PNG frames are named frame-NNNNNN.png by their number in the whole show, so captures\n"
    "of different stretches can be compared frame by frame.\n";

namespace {
// The largest side of a frame: the software renderer's limit, and beyond any
// screen a video is watched on.
constexpr int kMaxSide = 8192;
// Beyond the fastest displays; the show's clock still moves between frames
// (44100 / 240 is 183 samples, 4 ms).
constexpr int kMaxFramesPerSecond = 240;

// The desktop program's own window size and a display's usual rate.
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 720;
constexpr int kDefaultFramesPerSecond = 60;
constexpr const char* kDefaultOutput = "vantorel.mp4";

enum OptionCode : int {
  kOptOutput = 1,
  kOptSize,
  kOptFps,
  kOptStart,
  kOptEnd,
  kOptFolder,
  kOptJobs,
  kOptMoments,
  kOptBenchmark,
  kOptHelp
};

const option kOptions[] = {
    {"output", required_argument, nullptr, kOptOutput},
    {"size", required_argument, nullptr, kOptSize},
    {"fps", required_argument, nullptr, kOptFps},
    {"start", required_argument, nullptr, kOptStart},
    {"end", required_argument, nullptr, kOptEnd},
    {"folder", required_argument, nullptr, kOptFolder},
    {"jobs", required_argument, nullptr, kOptJobs},
    {"moments", required_argument, nullptr, kOptMoments},
    {"benchmark", no_argument, nullptr, kOptBenchmark},
    {"help", no_argument, nullptr, kOptHelp},
    {nullptr, 0, nullptr, 0},
};

// A whole decimal number from lo to hi, nothing else around it.
bool readNumber(const char* text, long lo, long hi, long* value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || n < lo || n > hi) return false;
  *value = n;
  return true;
}

bool readSize(const char* text, int* width, int* height) {
  const char* x = std::strchr(text, 'x');
  if (!x) return false;
  char side[32];
  const size_t length = static_cast<size_t>(x - text);
  if (length == 0 || length >= sizeof side) return false;
  std::memcpy(side, text, length);
  side[length] = '\0';
  long w = 0;
  long h = 0;
  if (!readNumber(side, 1, kMaxSide, &w) || !readNumber(x + 1, 1, kMaxSide, &h)) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool copyPath(const char* text, char* to) {
  const size_t length = std::strlen(text);
  if (length == 0 || length >= PATH_MAX) return false;
  std::memcpy(to, text, length + 1);
  return true;
}

bool endsWith(const char* text, const char* suffix) {
  const size_t n = std::strlen(text);
  const size_t m = std::strlen(suffix);
  return n >= m && strcasecmp(text + n - m, suffix) == 0;
}

// An existing folder, or a path that says it is one, takes PNG frames; a
// .mp4 takes the video.
bool chooseOutputKind(const char* output, CaptureOutputKind* kind) {
  struct stat info {};
  if (endsWith(output, "/") || (stat(output, &info) == 0 && S_ISDIR(info.st_mode))) {
    *kind = CaptureOutputKind::Frames;
    return true;
  }
  if (endsWith(output, ".mp4")) {
    *kind = CaptureOutputKind::Video;
    return true;
  }
  return false;
}

[[gnu::format(printf, 3, 4)]] CaptureParse bad(char* why, int whySize, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(why, static_cast<size_t>(whySize), format, arguments);
  va_end(arguments);
  return CaptureParse::Bad;
}
}  // namespace

CaptureOptions defaultCaptureOptions() {
  CaptureOptions options{};
  copyPath(kDefaultOutput, options.output);
  options.outputKind = CaptureOutputKind::Video;
  options.width = kDefaultWidth;
  options.height = kDefaultHeight;
  options.framesPerSecond = kDefaultFramesPerSecond;
  options.startMs = 0;
  options.endMs = kCaptureToShowEnd;
  options.benchmark = false;
  options.jobs = 1;
  options.pictureOnly = false;
  options.moments[0] = '\0';
  return options;
}

CaptureParse parseCaptureOptions(int argc, char** argv, CaptureOptions* options, char* why,
                                 int whySize) {
  *options = defaultCaptureOptions();
  why[0] = '\0';
  // getopt keeps its place in process-wide variables: 0 starts it afresh, and
  // its own messages are replaced by ours.
  optind = 0;
  opterr = 0;
  long number = 0;
  int code = 0;
  while ((code = getopt_long(argc, argv, ":", kOptions, nullptr)) != -1) {
    switch (code) {
      case kOptOutput:
        if (!copyPath(optarg, options->output)) return bad(why, whySize, "--output: bad path");
        break;
      case kOptSize:
        if (!readSize(optarg, &options->width, &options->height))
          return bad(why, whySize, "--size: \"%s\" is not WIDTHxHEIGHT (1 to %d each)", optarg,
                     kMaxSide);
        break;
      case kOptFps:
        if (!readNumber(optarg, 1, kMaxFramesPerSecond, &number))
          return bad(why, whySize, "--fps: \"%s\" is not a whole number from 1 to %d", optarg,
                     kMaxFramesPerSecond);
        options->framesPerSecond = static_cast<int>(number);
        break;
      case kOptStart:
      case kOptEnd:
        if (!readNumber(optarg, 0, INT32_MAX - 1, &number))
          return bad(why, whySize, "%s: \"%s\" is not a whole number of ms, 0 or more",
                     code == kOptStart ? "--start" : "--end", optarg);
        (code == kOptStart ? options->startMs : options->endMs) = static_cast<int32_t>(number);
        break;
      case kOptFolder:
        if (!copyPath(optarg, options->folder)) return bad(why, whySize, "--folder: bad path");
        break;
      case kOptMoments:
        if (!copyPath(optarg, options->moments)) return bad(why, whySize, "--moments: bad path");
        break;
      case kOptJobs:
        if (!readNumber(optarg, 1, kMaxCaptureJobs, &number))
          return bad(why, whySize, "--jobs: \"%s\" is not a whole number from 1 to %d", optarg,
                     kMaxCaptureJobs);
        options->jobs = static_cast<int>(number);
        break;
      case kOptBenchmark:
        options->benchmark = true;
        break;
      case kOptHelp:
        return CaptureParse::Help;
      case ':':
        return bad(why, whySize, "%s needs a value", argv[optind - 1]);
      default:
        return bad(why, whySize, "unknown option \"%s\" (see --help)", argv[optind - 1]);
    }
  }
  if (optind < argc)
    return bad(why, whySize, "unexpected argument \"%s\" (see --help)", argv[optind]);
  if (options->endMs <= options->startMs) return bad(why, whySize, "--end must come after --start");
  if (options->benchmark) {
    if (options->jobs != 1) return bad(why, whySize, "--benchmark times one process: no --jobs");
    return CaptureParse::Run;
  }
  if (!chooseOutputKind(options->output, &options->outputKind))
    return bad(why, whySize,
               "--output: \"%s\" is neither a .mp4 file nor a folder (an existing one, or a "
               "path ending in /)",
               options->output);
  if (options->outputKind == CaptureOutputKind::Video &&
      (options->width % 2 != 0 || options->height % 2 != 0))
    return bad(why, whySize, "--size: a video needs an even width and height");
  return CaptureParse::Run;
}
