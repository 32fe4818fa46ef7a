#include "score/mp3_writer.h"

#include <lame/lame.h>

#include <cstdio>
#include <vector>

namespace {
// LAME's own bound on the output of one encode call: 1.25 x samples + 7200.
size_t mp3BufferBytes(size_t frames) { return frames + frames / 4 + 7200; }

// Frames handed to the encoder per call.
constexpr size_t kChunkFrames = 8192;
}  // namespace

bool writeMp3(const char* path, const int16_t* interleaved, size_t frames, int rateHz,
              int channels, int kbps, bool vbr) {
  lame_global_flags* lame = lame_init();
  if (!lame) return false;
  lame_set_in_samplerate(lame, rateHz);
  lame_set_out_samplerate(lame, rateHz);
  lame_set_num_channels(lame, channels);
  lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
  if (vbr) {
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_mean_bitrate_kbps(lame, kbps);
  } else {
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, kbps);
  }
  lame_set_quality(lame, 2);
  lame_set_bWriteVbrTag(lame, 1);
  if (lame_init_params(lame) < 0) {
    std::fprintf(stderr, "mp3: encoder rejects %d Hz, %d channels, %d kbps\n", rateHz, channels,
                 kbps);
    lame_close(lame);
    return false;
  }
  FILE* file = std::fopen(path, "wb+");
  if (!file) {
    std::fprintf(stderr, "mp3: cannot write %s\n", path);
    lame_close(lame);
    return false;
  }
  std::vector<unsigned char> out(mp3BufferBytes(kChunkFrames));
  std::vector<int16_t> left(kChunkFrames);
  bool ok = true;
  for (size_t done = 0; ok && done < frames; done += kChunkFrames) {
    const size_t n = frames - done < kChunkFrames ? frames - done : kChunkFrames;
    int bytes;
    if (channels == 2) {
      bytes = lame_encode_buffer_interleaved(lame, const_cast<short*>(interleaved + done * 2),
                                             static_cast<int>(n), out.data(),
                                             static_cast<int>(out.size()));
    } else {
      for (size_t i = 0; i < n; ++i) left[i] = interleaved[done + i];
      bytes = lame_encode_buffer(lame, left.data(), left.data(), static_cast<int>(n), out.data(),
                                 static_cast<int>(out.size()));
    }
    ok = bytes >= 0 && std::fwrite(out.data(), 1, static_cast<size_t>(bytes), file) ==
                           static_cast<size_t>(bytes);
  }
  if (ok) {
    const int bytes = lame_encode_flush(lame, out.data(), static_cast<int>(out.size()));
    ok = bytes >= 0 && std::fwrite(out.data(), 1, static_cast<size_t>(bytes), file) ==
                           static_cast<size_t>(bytes);
  }
  // The info tag goes in the first frame, written now that the totals are known.
  if (ok) lame_mp3_tags_fid(lame, file);
  lame_close(lame);
  if (std::fclose(file) != 0) ok = false;
  if (!ok) {
    std::fprintf(stderr, "mp3: writing %s failed\n", path);
    std::remove(path);
  }
  return ok;
}
