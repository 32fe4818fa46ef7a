// How far the show's clock runs from the sound a server plays: the music as
// recorded from the server's monitor (raw 16-bit stereo at the music's rate,
// with the arrival time of each read), matched against the decoded music to
// find which moment of the music was heard when, and the show's clock lines
// (each with its arrival time) held against that.
//
//   sync_offset MUSIC.mp3 RECORD.raw RECORD.stamps CLOCK.stamped
//
// Prints "median MS spread MS probes N lines N": the median of clock minus
// heard position over the clock lines, in ms (positive: the picture ahead of
// the sound), and the spread between its 10th and 90th percentiles. Exit
// status 1 when too little could be matched to say.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/audio.h"
#include "sound/mp3_decoder.h"

namespace {
// A probe: this many samples of the recording, about 46 ms.
constexpr int kProbe = 2048;
// Probes looked for within this much of where the clock says the music is.
constexpr double kSearchMs = 400.0;
// A probe counts when the recording and the music match this well (1 is
// the same wave).
constexpr double kGoodMatch = 0.9;
// Quiet probes say nothing: under this RMS (of 1.0 full scale).
constexpr double kQuietRms = 0.02;
constexpr int kMostProbes = 60;
constexpr int kFewestProbes = 10;
// The first lines come before the sound has settled.
constexpr double kSettleMs = 500.0;
// The reads either side of a sample that tell when it was heard: about
// 0.3 s of a recording read in 4 kB pieces.
constexpr size_t kNearbyReads = 12;

struct Stamp {
  double ms;
  double value;
};

std::vector<Stamp> readStamps(const char* path) {
  std::vector<Stamp> stamps;
  std::FILE* in = std::fopen(path, "r");
  if (!in) return stamps;
  double ms = 0, value = 0;
  while (std::fscanf(in, "%lf %lf", &ms, &value) == 2) stamps.push_back({ms, value});
  std::fclose(in);
  return stamps;
}

std::vector<float> mono(const int16_t* samples, size_t frames, int channels) {
  std::vector<float> out(frames);
  for (size_t i = 0; i < frames; ++i) {
    double sum = 0;
    for (int c = 0; c < channels; ++c) sum += samples[i * channels + c];
    out[i] = static_cast<float>(sum / channels / 32768.0);
  }
  return out;
}

double rms(const float* x, int n) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / n);
}

// The normalised correlation of a probe with the music at `at`.
double match(const float* probe, const std::vector<float>& music, long at) {
  double dot = 0, energy = 0, probeEnergy = 0;
  for (int i = 0; i < kProbe; ++i) {
    const double m = music[static_cast<size_t>(at + i)];
    dot += probe[i] * m;
    energy += m * m;
    probeEnergy += static_cast<double>(probe[i]) * probe[i];
  }
  return energy > 0 && probeEnergy > 0 ? dot / std::sqrt(energy * probeEnergy) : 0.0;
}

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

// The clock at a moment of the monotonic clock, from the lines around it.
double clockAt(const std::vector<Stamp>& lines, double ms) {
  auto after = std::lower_bound(lines.begin(), lines.end(), ms,
                                [](const Stamp& s, double t) { return s.ms < t; });
  if (after == lines.begin()) return after->value;
  if (after == lines.end()) return lines.back().value;
  const Stamp& a = *(after - 1);
  const Stamp& b = *after;
  return a.value + (b.value - a.value) * (ms - a.ms) / (b.ms - a.ms);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: sync_offset MUSIC.mp3 RECORD.raw RECORD.stamps CLOCK.stamped\n");
    return 2;
  }
  Mp3Decoder decoder;
  if (mp3Open(&decoder, argv[1]) != kAudioOk) return 2;
  uint64_t frames = 0;
  int error = 0;
  int16_t* pcm = mp3DecodeAll(&decoder, &frames, &error);
  const double rate = decoder.rateHz;
  const int channels = static_cast<int>(decoder.channels);
  mp3Close(&decoder);
  if (!pcm) return 2;
  const std::vector<float> music = mono(pcm, frames, channels);
  std::free(pcm);

  std::FILE* in = std::fopen(argv[2], "rb");
  if (!in) return 2;
  std::vector<int16_t> raw;
  int16_t buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, sizeof buffer[0], 4096, in)) > 0) raw.insert(raw.end(), buffer, buffer + n);
  std::fclose(in);
  const std::vector<float> recorded = mono(raw.data(), raw.size() / 2, 2);
  const std::vector<Stamp> stamps = readStamps(argv[3]);
  const std::vector<Stamp> lines = readStamps(argv[4]);
  if (recorded.size() < static_cast<size_t>(kProbe) * 4 || stamps.empty() || lines.size() < 10) {
    std::fprintf(stderr, "sync_offset: too little recorded or printed\n");
    return 1;
  }

  // When each recorded sample was heard. Each read arrives some time after
  // the last sample in it was recorded, never before, so the reads that came
  // soonest tell it best; a recording that dropped some sound (a loaded
  // server) moves on from there, so only the reads near a sample count for it.
  std::vector<double> starts;  // by read: when sample 0 would have been heard
  for (const Stamp& s : stamps) starts.push_back(s.ms - (s.value / 4.0) / rate * 1000.0);
  auto heardAt = [&](size_t sample) {
    const double bytes = static_cast<double>(sample) * 4.0;
    auto read = std::lower_bound(stamps.begin(), stamps.end(), bytes,
                                 [](const Stamp& s, double b) { return s.value < b; });
    const size_t k = static_cast<size_t>(std::min(read - stamps.begin(),
                                                  static_cast<long>(stamps.size()) - 1));
    const size_t lo = k > kNearbyReads ? k - kNearbyReads : 0;
    const size_t hi = std::min(stamps.size(), k + kNearbyReads);
    const double start = *std::min_element(starts.begin() + static_cast<long>(lo),
                                           starts.begin() + static_cast<long>(hi));
    return start + static_cast<double>(sample) / rate * 1000.0;
  };
  const double recordStart = heardAt(0);

  // Which moment of the music each loud probe holds: where, near what the
  // clock says, it matches best.
  std::vector<double> heardMinusWall;
  const size_t step = recorded.size() / kMostProbes;
  for (size_t at = step / 2; at + kProbe < recorded.size(); at += step) {
    const float* probe = &recorded[at];
    if (rms(probe, kProbe) < kQuietRms) continue;
    const double wall = heardAt(at);
    const double guess = clockAt(lines, wall) / 1000.0 * rate;
    const long from = std::max(0L, static_cast<long>(guess - kSearchMs / 1000.0 * rate));
    const long to = std::min(static_cast<long>(music.size()) - kProbe,
                             static_cast<long>(guess + kSearchMs / 1000.0 * rate));
    double best = 0;
    long bestAt = -1;
    for (long m = from; m < to; ++m) {
      const double score = match(probe, music, m);
      if (score > best) {
        best = score;
        bestAt = m;
      }
    }
    if (best < kGoodMatch || bestAt < 0) continue;
    heardMinusWall.push_back(static_cast<double>(bestAt) / rate * 1000.0 - wall);
  }
  if (static_cast<int>(heardMinusWall.size()) < kFewestProbes) {
    std::fprintf(stderr, "sync_offset: only %zu probes matched the music\n", heardMinusWall.size());
    return 1;
  }
  // The music plays at its own rate: heard = wall + a constant.
  const double heardAtWall = percentile(heardMinusWall, 0.5);

  std::vector<double> offsets;
  for (const Stamp& line : lines) {
    if (line.ms < lines.front().ms + kSettleMs) continue;
    if (line.ms < recordStart || line.ms > heardAt(recorded.size() - 1)) continue;
    offsets.push_back(line.value - (line.ms + heardAtWall));
  }
  if (offsets.size() < 10) {
    std::fprintf(stderr, "sync_offset: too few clock lines while recording\n");
    return 1;
  }
  std::printf("median %.1f spread %.1f probes %zu lines %zu\n", percentile(offsets, 0.5),
              percentile(offsets, 0.9) - percentile(offsets, 0.1), heardMinusWall.size(),
              offsets.size());
  return 0;
}
