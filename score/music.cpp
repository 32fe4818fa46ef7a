#include "score/music.h"

#include "score/dsp.h"
#include "score/mixer.h"
#include "score/score.h"
#include "score/mp3_writer.h"

void renderMusic(std::vector<int16_t>& interleaved, const MomentTable& table) {
  std::vector<Note> notes;
  std::vector<Gap> gaps;
  buildScore(notes, gaps, table);
  Mix mix;
  startMix(mix, secondsToFrames(kMusicLengthS));
  mixNotes(notes, mix);
  for (const Gap& gap : gaps) {
    mix.silences.push_back({secondsToFrames(gap.startS), secondsToFrames(gap.endS)});
  }
  masterMix(mix, secondsToFrames(kFadeS), interleaved);
}

int writeMusic(const char* path, const MomentTable& table) {
  std::vector<int16_t> interleaved;
  renderMusic(interleaved, table);
  return writeMp3(path, interleaved.data(), interleaved.size() / 2, kSampleRate, 2, kMusicKbps);
}
