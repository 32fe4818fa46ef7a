#include "tools/assetgen/synth/music.h"

#include "tools/assetgen/synth/dsp.h"
#include "tools/assetgen/synth/mixer.h"
#include "tools/assetgen/synth/score.h"
#include "tools/common/mp3_writer.h"

void renderMusic(std::vector<int16_t>& interleaved) {
  std::vector<Note> notes;
  std::vector<Gap> gaps;
  buildScore(notes, gaps);
  Mix mix;
  startMix(mix, secondsToFrames(kMusicLengthS));
  mixNotes(notes, mix);
  for (const Gap& gap : gaps) {
    mix.silences.push_back({secondsToFrames(gap.startS), secondsToFrames(gap.endS)});
  }
  masterMix(mix, secondsToFrames(kFadeS), interleaved);
}

int writeMusic(const char* path) {
  std::vector<int16_t> interleaved;
  renderMusic(interleaved);
  return writeMp3(path, interleaved.data(), interleaved.size() / 2, kSampleRate, 2, kMusicKbps);
}
