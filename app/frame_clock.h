// The frame clock: the show run frame by frame at a fixed rate, with the
// music stood at each frame's moment instead of heard. Frame n at F frames
// per second stands the music at sample floor(n * rate / F).
//
// The capture tool draws on it. Before a later start, the desktop program
// and the page's test mode run every earlier frame on it without drawing, so
// that the first frame they draw finds the state that a whole run leaves
// there (the reveal, the swarm, the ribbons' trails, the cues given, the
// camera's yaw, the spins).
#pragma once

#include <cstdint>

#include "gfx/gfx.h"

// The rate the desktop program runs the frames before a later start at: the
// capture tool's own default, so that the two reach a moment in one state.
constexpr int kFastForwardFramesPerSecond = 60;

// The sample frame of the music that frame `frame` stands at.
uint64_t frameClockSample(int64_t frame, uint32_t rateHz, int framesPerSecond);

// The first frame whose moment (frame / framesPerSecond s) is at or after
// `ms` of music; frames before it lie before that moment.
int64_t frameClockFrameAt(int64_t ms, int framesPerSecond);

// Stands musicStream where the music heard stands for the picture at `ms` of
// music: sample floor(ms * rate / 1000), moved by the viewer's audio offset
// (its end, past the music), through the audio layer. Returns 1, or 0 when the
// audio layer could not (its error code tells why).
int standMusicAtMs(int32_t ms);

// Runs frame `frame` of the show on the frame clock: stands musicStream at
// the frame's sample (its end, past the music) through the audio layer, or,
// while the show is silent, the silent clock at the frame's moment; then
// renderFrame, drawing through GL when `draw` is true and otherwise through a
// table that only keeps GL state. Needs the window (a GL context) and the
// music started. Returns renderFrame's result: 0 when the show is over.
int runClockFrame(int64_t frame, int framesPerSecond, bool draw);

// The same with the frame's calls through `table`; a table that draws
// nothing leaves the mesh's drawing-only work for later, as above. The
// table in use afterwards is gfxDirect.
int runClockFrameWith(int64_t frame, int framesPerSecond, const GfxCalls* table);

// Runs frames first to end - 1 without drawing (frames 0 to first - 1 must
// have run, or the show's state must stand where they leave it). Returns 1,
// or 0 as soon as one of them reports that the show is over.
int fastForwardFrames(int64_t first, int64_t end, int framesPerSecond);
