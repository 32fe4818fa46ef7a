// The music made anew, as the maker's mode makes it after a save that moves
// a hit: the whole piece synthesised for a table whose title card at 36 s
// moved to 39 s, then encoded to MP3, timed apart and together (ms of wall
// time, one run each: a run takes seconds).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "score/mp3_writer.h"
#include "score/dsp.h"
#include "score/music.h"
#include "timeline/moments.h"

namespace {
// The title card the music's accent follows, moved by three seconds.
MomentTable movedTable() {
  MomentTable table = kCompiledMoments;
  for (Title& title : table.titles) {
    if (title.name == Moment::CodeCredits) title.lo += 3000;
  }
  return table;
}

std::string scratchFile() {
  return "/tmp/vantorel-music-benchmark-" + std::to_string(getpid()) + ".mp3";
}

void BM_Synthesis(benchmark::State& state) {
  const MomentTable table = movedTable();
  std::vector<int16_t> samples;
  for (auto _ : state) {
    renderMusic(samples, table);
    benchmark::DoNotOptimize(samples.data());
  }
}

void BM_Encoding(benchmark::State& state) {
  std::vector<int16_t> samples;
  renderMusic(samples, movedTable());
  const std::string file = scratchFile();
  for (auto _ : state) {
    if (!writeMp3(file.c_str(), samples.data(), samples.size() / 2, kSampleRate, 2, kMusicKbps)) {
      state.SkipWithError("the music could not be written");
    }
  }
  std::remove(file.c_str());
}

void BM_Remake(benchmark::State& state) {
  const MomentTable table = movedTable();
  const std::string file = scratchFile();
  for (auto _ : state) {
    if (!writeMusic(file.c_str(), table)) state.SkipWithError("the music could not be written");
  }
  std::remove(file.c_str());
}
}  // namespace

BENCHMARK(BM_Synthesis)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_Encoding)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_Remake)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
