#include "score/mixer.h"

#include <algorithm>
#include <cmath>

#include "score/dsp.h"

namespace {
struct Route {
  bool ducked;        // on the bus that dips under the kick
  double gain;
  double delaySend;
  double reverbSend;
};

// Levels of the instruments against each other, indexed by Instrument.
constexpr Route kRoutes[kInstrumentCount] = {
    {false, 0.90, 0.00, 0.02},  // kick
    {false, 0.45, 0.00, 0.15},  // snare
    {false, 0.40, 0.05, 0.20},  // clap
    {false, 0.16, 0.00, 0.03},  // closed hat
    {false, 0.13, 0.00, 0.05},  // open hat
    {false, 0.30, 0.00, 0.15},  // crash
    {false, 0.80, 0.00, 0.20},  // impact
    {true, 0.25, 0.10, 0.30},   // riser
    {false, 0.45, 0.20, 0.15},  // boing
    {true, 0.45, 0.00, 0.00},   // bass
    {true, 0.40, 0.00, 0.00},   // wobble bass
    {true, 0.13, 0.05, 0.35},   // pad, per chord tone
    {true, 0.17, 0.30, 0.25},   // lead
    {true, 0.15, 0.30, 0.15},   // square lead
    {true, 0.12, 0.45, 0.20},   // pluck
    {false, 0.18, 0.25, 0.45},  // bell
    {false, 0.17, 0.20, 0.35},  // stab, per chord tone
    {false, 0.12, 0.00, 0.15},  // wind
};

// Echo of the plucks and leads: a dotted eighth, the classic trance delay.
constexpr double kDelayS = 0.375;
constexpr double kDelayFeedback = 0.42;
constexpr double kDelayLevel = 0.55;
constexpr double kRoomSize = 0.82;
constexpr double kRoomDamping = 0.45;
constexpr double kReverbLevel = 1.0;
constexpr double kDuckDepth = 0.55;
constexpr double kDuckReleaseS = 0.11;
// Loudness before the limiter (RMS of the mix), its knee, and the final
// peak: -1 dBFS leaves the MP3 encoder's overshoot room below full scale.
constexpr double kTargetRms = 0.2;
constexpr double kLimiterKnee = 0.6;
constexpr double kFinalPeak = 0.89;

double rmsLevel(const float* left, const float* right, size_t frames) {
  double sum = 0.0;
  for (size_t f = 0; f < frames; ++f) sum += left[f] * left[f] + right[f] * right[f];
  return std::sqrt(sum / (2.0 * std::max<size_t>(frames, 1)));
}
}  // namespace

void startMix(Mix& mix, size_t frames) {
  mix.frames = frames;
  for (std::vector<float>* bus : {&mix.dryLeft, &mix.dryRight, &mix.duckLeft, &mix.duckRight,
                                  &mix.delaySend, &mix.reverbSend}) {
    bus->assign(frames, 0.0f);
  }
  mix.kickFrames.clear();
  mix.silences.clear();
}

void mixNotes(const std::vector<Note>& notes, Mix& mix) {
  std::vector<float> voice;
  for (const Note& note : notes) {
    const size_t start = secondsToFrames(note.timeS);
    if (start >= mix.frames) continue;
    if (note.instrument == kKick) mix.kickFrames.push_back(start);
    renderVoice(note, voice);
    const Route& route = kRoutes[note.instrument];
    // Equal-power pan.
    const double angle = (note.pan + 1.0) * 0.25 * 3.14159265358979323846;
    const auto gainLeft = static_cast<float>(route.gain * std::cos(angle) * std::sqrt(2.0));
    const auto gainRight = static_cast<float>(route.gain * std::sin(angle) * std::sqrt(2.0));
    const auto delay = static_cast<float>(route.gain * route.delaySend);
    const auto reverb = static_cast<float>(route.gain * route.reverbSend);
    float* left = (route.ducked ? mix.duckLeft : mix.dryLeft).data() + start;
    float* right = (route.ducked ? mix.duckRight : mix.dryRight).data() + start;
    float* delaySend = mix.delaySend.data() + start;
    float* reverbSend = mix.reverbSend.data() + start;
    const size_t n = std::min(voice.size(), mix.frames - start);
    for (size_t i = 0; i < n; ++i) {
      const float s = voice[i];
      left[i] += s * gainLeft;
      right[i] += s * gainRight;
      delaySend[i] += s * delay;
      reverbSend[i] += s * reverb;
    }
  }
}

void masterMix(Mix& mix, size_t fadeFrames, std::vector<int16_t>& interleaved) {
  const size_t frames = mix.frames;
  float* left = mix.dryLeft.data();
  float* right = mix.dryRight.data();
  addPingPongDelay(mix.delaySend.data(), left, right, frames, kDelayS, kDelayFeedback, kDelayLevel);
  addReverb(mix.reverbSend.data(), left, right, frames, kRoomSize, kRoomDamping, kReverbLevel);
  std::vector<float>& duck = mix.delaySend;  // spent: reused for the ducking curve
  std::sort(mix.kickFrames.begin(), mix.kickFrames.end());
  sideChainCurve(duck, mix.kickFrames, kDuckDepth, kDuckReleaseS);
  for (size_t f = 0; f < frames; ++f) {
    left[f] += mix.duckLeft[f] * duck[f];
    right[f] += mix.duckRight[f] * duck[f];
  }
  cutSilences(left, right, frames, mix.silences);
  const double rms = rmsLevel(left, right, frames);
  const auto gain = static_cast<float>(rms > 0.0 ? kTargetRms / rms : 1.0);
  for (size_t f = 0; f < frames; ++f) {
    left[f] *= gain;
    right[f] *= gain;
  }
  softLimit(left, frames, kLimiterKnee);
  softLimit(right, frames, kLimiterKnee);
  fadeOut(left, right, frames, fadeFrames);
  const double peak = peakLevel(left, right, frames);
  const double scale = peak > 0.0 ? kFinalPeak / peak * 32767.0 : 0.0;
  interleaved.resize(frames * 2);
  for (size_t f = 0; f < frames; ++f) {
    interleaved[2 * f] = static_cast<int16_t>(std::lround(left[f] * scale));
    interleaved[2 * f + 1] = static_cast<int16_t>(std::lround(right[f] * scale));
  }
}
