#include "app/options.h"

#include <getopt.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "music/clock.h"
#include "platform/dialog.h"
#include "timeline/moments.h"
#include "timeline/moments_file.h"

#ifndef VANTOREL_VERSION
#error "the build names the version in VANTOREL_VERSION"
#endif

const char* const kShowVersion = VANTOREL_VERSION;

const char* const kShowUsage =
    "Usage: vantorel [options]\n"
    "Plays the show: the music, with the scenes drawn in time with it.\n"
    "\n"
    "  --window        play in a 1280x720 window, without asking\n"
    "  --fullscreen    play full screen (the display switched to 1280x720), without\n"
    "                  asking\n"
    "  --start MS      start at this moment of the music, in ms, from 0 to 195999; the\n"
    "                  show looks there as it does after playing from the beginning\n"
    "  --audio-offset MS\n"
    "                  draw the picture MS ms later than the sound is played (-2000\n"
    "                  to 2000): for headphones or speakers with a delay of their own\n"
    "  --moments FILE  play the moments (turns, titles, scenes) written in FILE\n"
    "  --export-moments FILE\n"
    "                  write the moments played to FILE, to edit, and end\n"
    "  --maker FILE    the maker's mode: play FILE's moments in a window with a\n"
    "                  timeline, and take every save of FILE at once\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Without --window or --fullscreen it asks whether to play full screen. Keys:\n"
    "Escape or Q ends the show, F1 switches between window and full screen, Space\n"
    "prints the music clock (ms); P pauses, Left and Right jump 5 s, Page Up and Page\n"
    "Down to a scene's start, Home to the start. The pictures and the music are read from the working\n"
    "directory when they are there, otherwise from the installed ones.\n"
    "vantorel-capture renders the show to a video, also without a display.\n";

namespace {
enum OptionCode : int {
  kOptWindow = 1,
  kOptFullscreen,
  kOptStart,
  kOptAudioOffset,
  kOptMoments,
  kOptExportMoments,
  kOptMaker,
  kOptHelp,
  kOptVersion
};

const option kOptions[] = {
    {"window", no_argument, nullptr, kOptWindow},
    {"fullscreen", no_argument, nullptr, kOptFullscreen},
    {"start", required_argument, nullptr, kOptStart},
    {"audio-offset", required_argument, nullptr, kOptAudioOffset},
    {"moments", required_argument, nullptr, kOptMoments},
    {"export-moments", required_argument, nullptr, kOptExportMoments},
    {"maker", required_argument, nullptr, kOptMaker},
    {"help", no_argument, nullptr, kOptHelp},
    {"version", no_argument, nullptr, kOptVersion},
    {nullptr, 0, nullptr, 0},
};

// A whole decimal number from 0 to lastMs, nothing else around it.
bool readStart(const char* text, long lastMs, int32_t* ms) {
  if (!text || *text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || n > lastMs) return false;
  *ms = static_cast<int32_t>(n);
  return true;
}

// A whole decimal number from -kMostAudioOffsetMs to kMostAudioOffsetMs.
bool readOffset(const char* text, int32_t* ms) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || n < -kMostAudioOffsetMs || n > kMostAudioOffsetMs) return false;
  *ms = static_cast<int32_t>(n);
  return true;
}

[[gnu::format(printf, 3, 4)]] OptionsParse bad(char* why, int whySize, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(why, static_cast<size_t>(whySize), format, arguments);
  va_end(arguments);
  return OptionsParse::Bad;
}
}  // namespace

OptionsParse parseShowOptions(int argc, char** argv, ShowStart* start, char* why, int whySize,
                              MomentsOptions* moments) {
  *start = ShowStart{};
  MomentsOptions chosen;
  const char* startText = nullptr;
  why[0] = '\0';
  // getopt keeps its place in process-wide variables: 0 starts it afresh, and
  // its own messages are replaced by ours.
  optind = 0;
  opterr = 0;
  optopt = 0;
  int code = 0;
  while ((code = getopt_long(argc, argv, ":", kOptions, nullptr)) != -1) {
    switch (code) {
      case kOptWindow:
      case kOptFullscreen: {
        const int answer = code == kOptWindow ? kDialogAnswerNo : kDialogAnswerYes;
        if (start->answer != kAskStartQuestion && start->answer != answer)
          return bad(why, whySize, "--window and --fullscreen cannot both be given");
        start->answer = answer;
        break;
      }
      case kOptStart:
        startText = optarg;
        break;
      case kOptMoments:
      case kOptMaker:
        if (chosen.file) return bad(why, whySize, "one moments file only: --moments or --maker");
        chosen.file = optarg;
        chosen.maker = code == kOptMaker;
        break;
      case kOptExportMoments:
        chosen.exportTo = optarg;
        break;
      case kOptAudioOffset:
        if (!readOffset(optarg, &start->audioOffsetMs))
          return bad(why, whySize, "--audio-offset: \"%s\" is not a whole number of ms from %d to %d",
                     optarg, -kMostAudioOffsetMs, kMostAudioOffsetMs);
        break;
      case kOptHelp:
        return OptionsParse::Help;
      case kOptVersion:
        return OptionsParse::Version;
      case ':':
        return bad(why, whySize, "%s needs a value", argv[optind - 1]);
      default:
        // A short option's letter may sit inside a word getopt has not left;
        // a long one (unknown, or given a value it does not take) is the
        // word before.
        if (std::isprint(optopt)) return bad(why, whySize, "unknown option \"-%c\"", optopt);
        if (optopt >= kOptWindow && optopt <= kOptVersion)
          return bad(why, whySize, "--%s takes no value", kOptions[optopt - kOptWindow].name);
        return bad(why, whySize, "unknown option \"%s\"", argv[optind - 1]);
    }
  }
  if (optind < argc) return bad(why, whySize, "unexpected argument \"%s\"", argv[optind]);
  if ((chosen.file || chosen.exportTo) && !moments)
    return bad(why, whySize, "no moments file can be used here");
  if (chosen.maker && start->answer == kDialogAnswerYes)
    return bad(why, whySize, "--maker plays in a window: not with --fullscreen");
  if (chosen.maker) start->answer = kDialogAnswerNo;
  if (chosen.file) {
    MomentsFileError error;
    if (!readMomentsFile(chosen.file, &chosen.table, &error)) {
      if (error.line > 0)
        std::snprintf(why, static_cast<size_t>(whySize), "%s:%d:%d: %s", chosen.file, error.line,
                      error.column, error.reason);
      else
        std::snprintf(why, static_cast<size_t>(whySize), "%s: %s", chosen.file, error.reason);
      return OptionsParse::BadFile;
    }
  }
  const long lastStartMs = showEndsAtMs(chosen.table) - 1;
  if (startText && !readStart(startText, lastStartMs, &start->atMs))
    return bad(why, whySize,
               "--start: \"%s\" is not a whole number of ms from 0 to %ld (the show ends at %ld)",
               startText, lastStartMs, lastStartMs + 1);
  if (moments) *moments = chosen;
  return OptionsParse::Run;
}
