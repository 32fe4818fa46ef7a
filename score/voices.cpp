#include "score/voices.h"

#include <cmath>

#include "score/dsp.h"

namespace {
// Frequencies of the six square waves whose clash makes the metal of the
// hats and the crash (the classic analogue-cymbal recipe).
constexpr double kHatPartials[6] = {349.0, 521.0, 627.0, 888.0, 918.0, 1360.0};
constexpr double kCrashPartials[6] = {287.0, 431.0, 566.0, 703.0, 851.0, 1103.0};

// A note's tail after its release, in seconds.
constexpr double kPadRelease = 1.2;
constexpr double kShortRelease = 0.06;

// For filter sweeps, evaluated once per control interval.
double decay(double t, double seconds) { return std::exp(-t / seconds); }

// 1 while held, then a short fade: keeps note ends click-free.
double gate(double t, double lengthS, double release) {
  return t < lengthS ? 1.0 : std::exp(-(t - lengthS) / (release * 0.25));
}

// Vibrato fades in after the attack, as a player's would.
double smoothDepth(double t) {
  const double x = (t - 0.15) / 0.25;
  return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x);
}

Rng noteRng(const Note& note) {
  return Rng{static_cast<uint64_t>(std::llround(note.timeS * 1e6)) * 131u + note.instrument * 7919u +
             static_cast<uint64_t>(std::llround(note.pitch * 100.0))};
}

struct Metal {
  Oscillator squares[6];
  Svf high1, high2;
};

double metalTick(Metal& m, const double* partials, Rng& rng, double noiseMix) {
  double sum = 0.0;
  for (int i = 0; i < 6; ++i) sum += pulseWave(m.squares[i], partials[i], 0.5);
  const double raw = sum / 6.0 * (1.0 - noiseMix) + noise(rng) * noiseMix;
  return svfTick(m.high2, svfTick(m.high1, raw).high).high;
}

void renderKick(const Note&, Rng& rng, float* out, size_t n) {
  Oscillator body;
  Falloff sweep = falloff(0.035), snap = falloff(0.004), rise = falloff(0.0008),
          fade = falloff(0.32), click = falloff(0.002);
  for (size_t i = 0; i < n; ++i) {
    const double hz = 48.0 + 120.0 * next(sweep) + 300.0 * next(snap);
    const double amp = (1.0 - next(rise)) * next(fade);
    const double tick = noise(rng) * next(click) * 0.45;
    out[i] = static_cast<float>(std::tanh(1.6 * sineWave(body, hz) * amp) * 0.95 + tick);
  }
}

void renderSnare(const Note&, Rng& rng, float* out, size_t n) {
  Oscillator low, high;
  Svf noiseFilter;
  svfTune(noiseFilter, 3200.0, 0.8);
  Falloff bend = falloff(0.01), lowFade = falloff(0.07), highFade = falloff(0.05),
          hissFade = falloff(0.16);
  for (size_t i = 0; i < n; ++i) {
    const double tone = 0.5 * sineWave(low, 185.0 * (1.0 + 0.3 * next(bend))) * next(lowFade) +
                        0.25 * sineWave(high, 330.0) * next(highFade);
    const SvfOut hiss = svfTick(noiseFilter, noise(rng));
    out[i] = static_cast<float>(tone + (hiss.band + 0.5 * hiss.high) * next(hissFade) * 0.9);
  }
}

// Three quick bursts and a tail: hands that do not quite clap together.
void renderClap(const Note&, Rng& rng, float* out, size_t n) {
  Svf filter;
  svfTune(filter, 1300.0, 1.4);
  const size_t gap = secondsToFrames(0.009);
  Falloff burst = falloff(0.005), tail = falloff(0.14);
  for (size_t i = 0; i < n; ++i) {
    if (i % gap == 0 && i < 3 * gap) burst.value = 1.0;
    const double env = next(burst) + (i >= 3 * gap ? next(tail) : 0.0);
    out[i] = static_cast<float>(svfTick(filter, noise(rng)).band * env * 2.2);
  }
}

void renderHat(Rng& rng, float* out, size_t n, double decaySeconds) {
  Metal metal;
  svfTune(metal.high1, 7000.0, 0.7);
  svfTune(metal.high2, 7500.0, 0.7);
  Falloff rise = falloff(0.0005), fade = falloff(decaySeconds);
  for (size_t i = 0; i < n; ++i) {
    out[i] = static_cast<float>(metalTick(metal, kHatPartials, rng, 0.45) * (1.0 - next(rise)) *
                                next(fade) * 1.6);
  }
}

void renderClosedHat(const Note&, Rng& rng, float* out, size_t n) { renderHat(rng, out, n, 0.035); }

void renderOpenHat(const Note&, Rng& rng, float* out, size_t n) { renderHat(rng, out, n, 0.26); }

void renderCrash(const Note&, Rng& rng, float* out, size_t n) {
  Metal metal;
  svfTune(metal.high1, 3800.0, 0.6);
  svfTune(metal.high2, 4200.0, 0.7);
  Falloff rise = falloff(0.0012), splash = falloff(0.1), ring = falloff(1.3);
  for (size_t i = 0; i < n; ++i) {
    const double env = (1.0 - next(rise)) * (0.55 * next(splash) + 0.45 * next(ring));
    out[i] = static_cast<float>(metalTick(metal, kCrashPartials, rng, 0.6) * env * 1.8);
  }
}

void renderImpact(const Note&, Rng& rng, float* out, size_t n) {
  Oscillator sub;
  Svf rumble;
  svfTune(rumble, 600.0, 0.7);
  Falloff sweep = falloff(0.4), fade = falloff(0.9), dustFade = falloff(0.3), rise = falloff(0.001);
  for (size_t i = 0; i < n; ++i) {
    const double boom = sineWave(sub, 32.0 + 70.0 * next(sweep)) * next(fade);
    const double dust = svfTick(rumble, noise(rng)).low * next(dustFade) * 0.8;
    out[i] = static_cast<float>(std::tanh(1.4 * (boom + dust)) * (1.0 - next(rise)));
  }
}

void renderRiser(const Note& note, Rng& rng, float* out, size_t n) {
  Svf sweep;
  Oscillator tone;
  for (size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i) / n;
    if (i % kControlInterval == 0) svfTune(sweep, 250.0 * std::pow(40.0, x), 1.6);
    const double air = svfTick(sweep, noise(rng)).band;
    const double pitch = 0.15 * sawWave(tone, midiToHz(note.pitch + 24.0 * x));
    out[i] = static_cast<float>((air + pitch) * x * x);
  }
}

void renderBoing(const Note& note, Rng&, float* out, size_t n) {
  Oscillator carrier;
  const double hz = midiToHz(note.pitch);
  Falloff bend = falloff(0.05), brightness = falloff(0.1), fade = falloff(0.22), rise = falloff(0.001);
  for (size_t i = 0; i < n; ++i) {
    const double phase = advance(carrier, hz * (1.0 + next(bend)) / kSampleRate);
    const double fm = 1.5 * next(brightness) * std::sin(kTwoPi * 2.0 * phase);
    out[i] = static_cast<float>(std::sin(kTwoPi * phase + fm) * next(fade) * (1.0 - next(rise)));
  }
}

void renderBass(const Note& note, Rng&, float* out, size_t n) {
  Oscillator saw, pulse, sub;
  Svf filter;
  const double hz = midiToHz(note.pitch);
  Falloff rise = falloff(0.002);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    if (i % kControlInterval == 0) svfTune(filter, 160.0 + note.param * decay(t, 0.09), 1.1);
    const double raw = 0.55 * sawWave(saw, hz) + 0.3 * pulseWave(pulse, hz * 1.004, 0.5);
    const double body = svfTick(filter, raw).low + 0.55 * sineWave(sub, hz);
    out[i] = static_cast<float>(std::tanh(1.3 * body) * (1.0 - next(rise)) *
                                gate(t, note.lengthS, kShortRelease));
  }
}

void renderWobbleBass(const Note& note, Rng&, float* out, size_t n) {
  Oscillator a, b, sub;
  Svf filter;
  const double hz = midiToHz(note.pitch);
  Falloff rise = falloff(0.003);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    if (i % kControlInterval == 0) {
      // The wobble follows the music's clock, not the note's, so it stays on
      // the beat across notes.
      const double lfo = 0.5 - 0.5 * std::cos(kTwoPi * note.param * (note.timeS + t));
      svfTune(filter, 140.0 + 3200.0 * lfo * lfo, 3.2);
    }
    const double raw = 0.5 * sawWave(a, hz) + 0.5 * sawWave(b, hz * 1.007);
    const double body = std::tanh(1.8 * svfTick(filter, raw).low) + 0.6 * sineWave(sub, hz);
    out[i] = static_cast<float>(body * (1.0 - next(rise)) * gate(t, note.lengthS, kShortRelease));
  }
}

void renderPad(const Note& note, Rng& rng, float* out, size_t n) {
  Oscillator saws[3];
  for (Oscillator& osc : saws) osc.phase = rngUnit(rng);
  constexpr double kDetune[3] = {0.9955, 1.0, 1.0047};
  Svf filter;
  const double hz = midiToHz(note.pitch);
  Falloff rise = falloff(0.35);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    if (i % kControlInterval == 0) {
      svfTune(filter, note.param * (1.0 + 0.25 * std::sin(kTwoPi * 0.21 * (note.timeS + t))), 0.8);
    }
    double raw = 0.0;
    for (int k = 0; k < 3; ++k) raw += sawWave(saws[k], hz * kDetune[k]);
    const double air = noise(rng) * 0.04;
    out[i] = static_cast<float>(svfTick(filter, raw / 3.0 + air).low * (1.0 - next(rise)) *
                                gate(t, note.lengthS, kPadRelease));
  }
}

void renderLead(const Note& note, Rng& rng, float* out, size_t n) {
  Oscillator saws[4];
  for (Oscillator& osc : saws) osc.phase = rngUnit(rng);
  constexpr double kDetune[4] = {0.994, 0.9975, 1.0025, 1.006};
  Oscillator vibrato;
  Svf filter;
  Falloff rise = falloff(0.004), settle = falloff(0.3);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    const double depth = 0.22 * smoothDepth(t);
    const double hz = midiToHz(note.pitch + depth * sineWave(vibrato, 5.5));
    if (i % kControlInterval == 0) svfTune(filter, 1400.0 + 5200.0 * decay(t, 0.25), 1.0);
    double raw = 0.0;
    for (int k = 0; k < 4; ++k) raw += sawWave(saws[k], hz * kDetune[k]);
    out[i] = static_cast<float>(svfTick(filter, raw * 0.25).low * (1.0 - next(rise)) *
                                (0.8 + 0.2 * next(settle)) * gate(t, note.lengthS, 0.15));
  }
}

void renderSquareLead(const Note& note, Rng&, float* out, size_t n) {
  Oscillator narrow, octave;
  Svf filter;
  svfTune(filter, 3800.0, 0.9);
  const double hz = midiToHz(note.pitch);
  Falloff rise = falloff(0.003), fade = falloff(0.18);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    const double raw = pulseWave(narrow, hz, 0.25) + 0.35 * pulseWave(octave, hz * 2.0, 0.5);
    out[i] = static_cast<float>(svfTick(filter, raw * 0.6).low * (1.0 - next(rise)) *
                                (0.35 + 0.65 * next(fade)) * gate(t, note.lengthS, kShortRelease));
  }
}

void renderPluck(const Note& note, Rng&, float* out, size_t n) {
  Oscillator saw, pulse;
  Svf filter;
  const double hz = midiToHz(note.pitch);
  Falloff rise = falloff(0.001), fade = falloff(0.28);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    if (i % kControlInterval == 0) svfTune(filter, 250.0 + note.param * decay(t, 0.07), 1.8);
    const double raw = 0.6 * sawWave(saw, hz) + 0.4 * pulseWave(pulse, hz, 0.3);
    out[i] = static_cast<float>(svfTick(filter, raw).low * (1.0 - next(rise)) * next(fade));
  }
}

// Two-operator FM with an inharmonic modulator: a glassy bell.
void renderBell(const Note& note, Rng&, float* out, size_t n) {
  Oscillator carrier, modulator, partial;
  const double hz = midiToHz(note.pitch);
  Falloff strike = falloff(0.3), partialFade = falloff(0.6), rise = falloff(0.002),
          fade = falloff(1.6);
  for (size_t i = 0; i < n; ++i) {
    const double index = 5.0 * next(strike) + 0.8;
    const double mod = index * std::sin(kTwoPi * advance(modulator, hz * 3.5 / kSampleRate));
    const double tone = std::sin(kTwoPi * advance(carrier, hz / kSampleRate) + mod) +
                        0.3 * sineWave(partial, hz * 2.76) * next(partialFade);
    out[i] = static_cast<float>(tone * (1.0 - next(rise)) * next(fade) * 0.6);
  }
}

void renderStab(const Note& note, Rng&, float* out, size_t n) {
  Oscillator a, b, c;
  Svf filter;
  const double hz = midiToHz(note.pitch);
  Falloff rise = falloff(0.0015), fade = falloff(0.22);
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    if (i % kControlInterval == 0) svfTune(filter, 800.0 + 7000.0 * decay(t, 0.08), 1.2);
    const double raw = sawWave(a, hz * 0.996) + sawWave(b, hz * 1.004) + 0.5 * sawWave(c, hz * 2.0);
    out[i] = static_cast<float>(svfTick(filter, raw * 0.4).low * (1.0 - next(rise)) * next(fade));
  }
}

// Noise through a wandering band-pass: the wind of the opening and the
// breakdown. Swells in over 1.5 s and dies away over its last 2 s.
void renderWind(const Note& note, Rng& rng, float* out, size_t n) {
  Svf band, rumble;
  svfTune(rumble, 300.0, 0.7);
  const size_t dieAway = secondsToFrames(2.0);
  Falloff rise = falloff(1.5), fall = falloff(0.6);
  for (size_t i = 0; i < n; ++i) {
    const double clock = note.timeS + static_cast<double>(i) / kSampleRate;
    if (i % kControlInterval == 0) {
      const double wander = std::sin(kTwoPi * 0.13 * clock + 0.8 * std::sin(kTwoPi * 0.31 * clock));
      svfTune(band, 900.0 + 700.0 * wander, 2.5);
    }
    const double x = noise(rng);
    const double swell = (1.0 - next(rise)) * (i + dieAway < n ? 1.0 : next(fall));
    out[i] = static_cast<float>((svfTick(band, x).band + 0.5 * svfTick(rumble, x).low) * swell);
  }
}

using RenderFn = void (*)(const Note&, Rng&, float*, size_t);

struct VoiceEntry {
  RenderFn render;
  double tailS;     // rendered past the note's onset (one-shots) or past its length
  bool held;        // true: the note lasts lengthS + tailS; false: tailS alone
};

// Indexed by Instrument.
constexpr VoiceEntry kVoices[kInstrumentCount] = {
    {renderKick, 0.6, false},       {renderSnare, 0.5, false},
    {renderClap, 0.5, false},       {renderClosedHat, 0.2, false},
    {renderOpenHat, 1.0, false},    {renderCrash, 4.0, false},
    {renderImpact, 3.0, false},     {renderRiser, 0.0, true},
    {renderBoing, 0.8, false},      {renderBass, kShortRelease, true},
    {renderWobbleBass, kShortRelease, true}, {renderPad, kPadRelease, true},
    {renderLead, 0.2, true},        {renderSquareLead, kShortRelease, true},
    {renderPluck, 0.9, false},      {renderBell, 4.5, false},
    {renderStab, 0.9, false},       {renderWind, 0.0, true},
};
}  // namespace

void renderVoice(const Note& note, std::vector<float>& out) {
  const VoiceEntry& voice = kVoices[note.instrument];
  const size_t n = secondsToFrames((voice.held ? note.lengthS : 0.0) + voice.tailS);
  out.assign(n, 0.0f);
  Rng rng = noteRng(note);
  voice.render(note, rng, out.data(), n);
  const float velocity = static_cast<float>(note.velocity);
  for (float& sample : out) sample *= velocity;
}
