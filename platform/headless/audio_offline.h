// Extras of the offline audio back-end: no device; the heard position is
// whatever the caller stands it at.
#pragma once

#include <cstdint>

#include "platform/audio.h"

// Stands the stream at the given sample frame (clamped to its length). The
// heard position and the spectrum follow from it. A stream stood at its end
// no longer plays.
void audioOfflineSetFrame(AudioStream stream, uint64_t frame);

// The stream's own sample rate (Hz), channel count and length in frames;
// 0 for a bad handle.
uint32_t audioOfflineRate(AudioStream stream);
uint32_t audioOfflineChannels(AudioStream stream);
uint64_t audioOfflineFrames(AudioStream stream);

// Copies up to `count` frames of the stream's decoded PCM (interleaved signed
// 16-bit samples, audioOfflineChannels per frame) from frame `first` on into
// `out`, which has room for count frames. Returns the frames copied: fewer
// near the end, 0 past it, for a bad handle or a null `out`. Safe from any
// thread; the capture tool feeds the video's sound track with it.
uint64_t audioOfflineCopyFrames(AudioStream stream, uint64_t first, uint64_t count, int16_t* out);
