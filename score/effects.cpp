#include "score/effects.h"

#include <algorithm>
#include <cmath>

#include "score/dsp.h"

namespace {
// Comb and all-pass lengths in samples at 44.1 kHz: mutually prime-ish, so
// their echoes do not pile up on the same instants.
constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassLengths[4] = {556, 441, 341, 225};
// The right side's lines are this much longer: a wider, decorrelated image.
constexpr int kStereoSpread = 23;
// Scales the send into the combs, whose feedback would otherwise build up.
constexpr double kReverbInputGain = 0.015;

struct Comb {
  std::vector<float> line;
  size_t index = 0;
  double store = 0.0;
};

struct AllPass {
  std::vector<float> line;
  size_t index = 0;
};

double combTick(Comb& comb, double input, double feedback, double damping) {
  const double output = comb.line[comb.index];
  comb.store = output * (1.0 - damping) + comb.store * damping;
  comb.line[comb.index] = static_cast<float>(input + comb.store * feedback);
  if (++comb.index == comb.line.size()) comb.index = 0;
  return output;
}

double allPassTick(AllPass& pass, double input) {
  const double delayed = pass.line[pass.index];
  pass.line[pass.index] = static_cast<float>(input + delayed * 0.5);
  if (++pass.index == pass.line.size()) pass.index = 0;
  return delayed - input;
}

void reverbSide(const float* send, float* out, size_t frames, int spread, double feedback,
                double damping, double level) {
  Comb combs[8];
  AllPass passes[4];
  for (int i = 0; i < 8; ++i) combs[i].line.assign(kCombLengths[i] + spread, 0.0f);
  for (int i = 0; i < 4; ++i) passes[i].line.assign(kAllPassLengths[i] + spread, 0.0f);
  for (size_t f = 0; f < frames; ++f) {
    const double input = send[f] * kReverbInputGain;
    double wet = 0.0;
    for (Comb& comb : combs) wet += combTick(comb, input, feedback, damping);
    for (AllPass& pass : passes) wet = allPassTick(pass, wet);
    out[f] += static_cast<float>(wet * level);
  }
}
}  // namespace

void addPingPongDelay(const float* send, float* left, float* right, size_t frames, double delayS,
                      double feedback, double level) {
  const size_t length = secondsToFrames(delayS);
  std::vector<float> lineLeft(length, 0.0f);
  std::vector<float> lineRight(length, 0.0f);
  // One-pole low-pass in the loop: each repeat a little darker.
  const double darken = std::exp(-kTwoPi * 4500.0 / kSampleRate);
  double toneLeft = 0.0;
  double toneRight = 0.0;
  size_t index = 0;
  for (size_t f = 0; f < frames; ++f) {
    const double outLeft = lineLeft[index];
    const double outRight = lineRight[index];
    toneLeft = outRight * (1.0 - darken) + toneLeft * darken;
    toneRight = outLeft * (1.0 - darken) + toneRight * darken;
    lineLeft[index] = static_cast<float>(send[f] + toneLeft * feedback);
    lineRight[index] = static_cast<float>(toneRight * feedback);
    left[f] += static_cast<float>(outLeft * level);
    right[f] += static_cast<float>(outRight * level);
    if (++index == length) index = 0;
  }
}

void addReverb(const float* send, float* left, float* right, size_t frames, double roomSize,
               double damping, double level) {
  const double feedback = 0.7 + 0.28 * roomSize;
  const double damp = 0.4 * damping;
  reverbSide(send, left, frames, 0, feedback, damp, level);
  reverbSide(send, right, frames, kStereoSpread, feedback, damp, level);
}

void sideChainCurve(std::vector<float>& gain, const std::vector<size_t>& kickFrames, double depth,
                    double releaseS) {
  std::fill(gain.begin(), gain.end(), 1.0f);
  const size_t span = secondsToFrames(releaseS * 5.0);
  // A few milliseconds of fall keep the dip itself from clicking.
  const double fallS = 0.004;
  for (size_t start : kickFrames) {
    for (size_t i = 0; i < span && start + i < gain.size(); ++i) {
      const double t = static_cast<double>(i) / kSampleRate;
      const double dip = depth * (1.0 - std::exp(-t / fallS)) * std::exp(-t / releaseS);
      gain[start + i] = std::min(gain[start + i], static_cast<float>(1.0 - dip));
    }
  }
}

void cutSilences(float* left, float* right, size_t frames, const std::vector<FrameSpan>& spans) {
  const size_t ramp = secondsToFrames(0.004);
  for (const FrameSpan& span : spans) {
    const size_t to = std::min(span.to, frames);
    for (size_t f = span.from; f < to; ++f) {
      const size_t in = f - span.from;
      const size_t out = to - 1 - f;
      const size_t edge = std::min(in, out);
      const auto g = static_cast<float>(edge >= ramp ? 0.0 : 1.0 - static_cast<double>(edge) / ramp);
      left[f] *= g;
      right[f] *= g;
    }
  }
}

double peakLevel(const float* left, const float* right, size_t frames) {
  double peak = 0.0;
  for (size_t f = 0; f < frames; ++f) {
    peak = std::max(peak, static_cast<double>(std::fabs(left[f])));
    peak = std::max(peak, static_cast<double>(std::fabs(right[f])));
  }
  return peak;
}

void softLimit(float* samples, size_t count, double knee) {
  const double room = 1.0 - knee;
  for (size_t i = 0; i < count; ++i) {
    const double x = samples[i];
    const double magnitude = std::fabs(x);
    if (magnitude <= knee) continue;
    const double bent = knee + room * std::tanh((magnitude - knee) / room);
    samples[i] = static_cast<float>(x < 0 ? -bent : bent);
  }
}

void fadeOut(float* left, float* right, size_t frames, size_t fadeFrames) {
  fadeFrames = std::min(fadeFrames, frames);
  for (size_t i = 0; i < fadeFrames; ++i) {
    const size_t f = frames - fadeFrames + i;
    const double x = static_cast<double>(fadeFrames - i) / fadeFrames;
    const auto g = static_cast<float>(0.5 - 0.5 * std::cos(3.14159265358979323846 * x));
    left[f] *= g;
    right[f] *= g;
  }
}
