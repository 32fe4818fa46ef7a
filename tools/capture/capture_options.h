// The capture tool's command line: what to render, at which size and rate,
// over which stretch of the music, and where to put it.
#pragma once

#include <climits>
#include <cstdint>

// Where the frames go: an H.264 .mp4 with the music, or a folder of PNGs.
enum class CaptureOutputKind { Video, Frames };

// The end of a capture that runs until the show ends itself.
constexpr int32_t kCaptureToShowEnd = INT32_MAX;

struct CaptureOptions {
  char output[PATH_MAX];  // as given on the command line
  CaptureOutputKind outputKind;
  int width, height;  // pixels
  int framesPerSecond;
  int32_t startMs;        // ms of music time; the first frame at or after it
  int32_t endMs;          // ms of music time; frames before it, or kCaptureToShowEnd
  char folder[PATH_MAX];  // the show's pictures and music; empty: the default folder
  bool benchmark;         // time the frames and report, instead of writing them anywhere
  int jobs;               // processes that each draw one part of the frames, 1 to kMaxCaptureJobs
  char moments[PATH_MAX];  // a moments file to capture instead of the compiled table; empty: none
  bool pictureOnly;       // not an option: a video piece of --jobs, without the sound track
};

// The most processes one capture splits into: beyond the cores of any
// workstation, each one holding a GL context and its own copy of the show.
constexpr int kMaxCaptureJobs = 64;

// The options of a capture made with no arguments but the output.
CaptureOptions defaultCaptureOptions();

// What parsing decided.
enum class CaptureParse { Run, Help, Bad };

// Parses the arguments into *options (starting from the defaults). Bad
// arguments give CaptureParse::Bad with one line saying why in `why`
// (room for whySize bytes). Called once by main; tests call it as often as
// they like.
CaptureParse parseCaptureOptions(int argc, char** argv, CaptureOptions* options, char* why,
                                 int whySize);

// The --help text.
extern const char* const kCaptureUsage;
