#include "tests/platform/audio_checks.h"

#include <gtest/gtest.h>

void expectHandleRefused(AudioStream bad) {
  SCOPED_TRACE(testing::Message() << "handle " << bad);
  float bins[512];
  EXPECT_EQ(audioPlay(bad, 0), 0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_EQ(audioPosition(bad, kAudioPositionBytes), UINT64_MAX);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_LT(audioBytesToSeconds(bad, 4), 0.0);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
  EXPECT_EQ(audioGetData(bad, bins, kAudioDataFft512), -1);
  EXPECT_EQ(audioLastError(), kAudioErrorHandle);
}
