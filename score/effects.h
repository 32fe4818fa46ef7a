// The mixer's effects: a ping-pong delay and a reverb fed from mono sends,
// side-chain ducking behind the kick, and the master's soft limiter and fade.
#pragma once

#include <cstddef>
#include <vector>

// Adds a ping-pong echo of `send` to `left` and `right`: the first repeat on
// the left after `delayS`, then alternating sides, each `feedback` times the
// last and a little darker; `level` scales the whole echo.
void addPingPongDelay(const float* send, float* left, float* right, size_t frames, double delayS,
                      double feedback, double level);

// Adds a stereo reverb of `send` to `left` and `right` (eight damped comb
// filters and four all-passes per side, the two sides slightly apart).
// `roomSize` and `damping` are 0..1; `level` scales the wet signal.
void addReverb(const float* send, float* left, float* right, size_t frames, double roomSize,
               double damping, double level);

// Fills `gain` (one value per frame, 0..1) with the side-chain curve: a dip
// of `depth` at each kick onset (frames), recovering over `releaseS`.
void sideChainCurve(std::vector<float>& gain, const std::vector<size_t>& kickFrames, double depth,
                    double releaseS);

// Frames [from, to).
struct FrameSpan {
  size_t from;
  size_t to;
};

// Silences both channels over each span, with ramps of a few milliseconds
// that end inside it, so that the first sample after a span is untouched:
// the hit that follows a cut keeps its whole attack.
void cutSilences(float* left, float* right, size_t frames, const std::vector<FrameSpan>& spans);

// Largest absolute sample of both channels.
double peakLevel(const float* left, const float* right, size_t frames);

// Leaves samples below `knee` alone and bends louder ones smoothly towards
// 1, so no sample ever reaches full scale.
void softLimit(float* samples, size_t count, double knee);

// Fades both channels to silence over the last `fadeFrames` frames.
void fadeOut(float* left, float* right, size_t frames, size_t fadeFrames);
