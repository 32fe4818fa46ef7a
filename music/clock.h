// The music clock: the one clock of the show, read once at the start of every
// frame from the audio stream's heard position, and the spectrum of what is
// heard.
#pragma once

#include <cstdint>

#include "platform/audio.h"

constexpr int kSpectrumSize = 512;
constexpr int kSpectrumBins = 256;

// The clock's readings: what every frame reads at its start and every time
// test and animation of the frame uses. Part of the show's state; zero at
// program start.
struct MusicClock {
  // Milliseconds of music heard, as read at the start of the current frame.
  // Written only by beginFrame; every time test of a frame sees this one
  // value.
  int32_t musicTimeMs;
  // This frame's musicTimeMs minus the previous frame's (the first frame's
  // delta is its own clock reading); 0 when the position has not moved.
  int32_t frameDeltaMs;
  // Entries 0 to 255: spectrum magnitudes of the music heard now, refreshed
  // by every frame. Room for 512; readers use 0 to 255 only.
  float spectrum[kSpectrumSize];
};
// Owned here, one for the whole run.
extern MusicClock musicClock;

// Puts the readings back to program start: all zero.
void resetMusicClock();

// Where the clock is read from: the music stream, or, when the music could
// not be started, a silent clock that runs in real time. Set up by start-up;
// not part of the show's state (a copy of the show put back keeps it).
struct MusicSource {
  // The music stream, opened once by start-up (app/show.cpp); 0 when the
  // audio layer or the file failed. Read by beginFrame every frame.
  AudioStream musicStream;
  // Nonzero when the music could not be started: the clock then runs in real
  // time from the first frame, the spectrum stays zero, and the show ends at
  // its end time. Set by start-up, before the first frame.
  int32_t musicSilent;
  // The silent clock reads silentBaseMs on the first frame after it was
  // stood there (silentStarted still false), and runs on in real time from
  // that frame's monotonic time, silentOriginMs.
  bool silentStarted;
  int64_t silentOriginMs;
  int32_t silentBaseMs;
  // The stream's byte position the current frame's clock was read from.
  uint64_t readBytes;
  // Nonzero while the frames run on a stream nobody hears (the moments kept
  // ahead of the show): they print no clock lines.
  int32_t unheard;
  // Nonzero while the frames run on the frame clock, the music stood for each
  // (musicClockStands): the clock reads the stream as it stands.
  int32_t stood;
  // Nonzero once the sound went away while the music played: the show runs
  // on the silent clock from the moment last heard, and the music joins it
  // again where the output comes back (a browser's audio context starting
  // late).
  int32_t soundLost;
  // Nonzero while the viewer holds the show (paused): a lost sound that comes
  // back stays off until the show plays on. Set by the player.
  int32_t viewerHolds;
  // How far the picture runs behind the sound heard, in ms (the viewer's
  // --audio-offset: headphones with a delay of their own): the clock reads
  // the heard position less this. 0 by default.
  int32_t offsetMs;
};
// Owned here, one for the whole run.
extern MusicSource musicSource;

// No stream and no silent clock, as at program start.
void resetMusicSource();

// The most --audio-offset may shift the picture, either way, in ms.
constexpr int32_t kMostAudioOffsetMs = 2000;

// The clock's reading now, as the next frame would take it, without taking
// it: for deciding between frames (a gap to catch up). In ms of music time.
int32_t musicPeekMs();

// Where the stream must stand for the picture to stand at `ms` of music time
// (the offset put back), as a byte position of musicStream. For whoever
// stands the music heard at a moment (a jump, a later start, a rejoin).
uint64_t musicBytesForMs(int32_t ms);

// Stands the silent clock at `ms` of music time: the next frame reads exactly
// that, and later frames that plus the real time since. Called between frames
// by whoever runs a silent show from a later moment (start-up, the frame
// clock); a show that never calls it starts its silent clock at 0.
void musicSilentStandAt(int32_t ms);

// The start of every frame: clears it and resets colour, texturing and the
// modelview; reads the clock and the spectrum; prints the clock while Space
// is held. Returns 1 to go on with the frame, 0 once the music has stopped
// playing: the show is over and nothing more of this frame is drawn.
int beginFrame();

// The clock conversion: a byte position of the stream to whole milliseconds,
// through single precision and the stream's own byte-to-seconds conversion,
// truncated. A failed read (kAudioPositionFailed) or a failed conversion
// gives the current musicTimeMs back unchanged. Shared with the capture tool.
int32_t musicMsFromBytes(AudioStream stream, uint64_t bytePosition);
