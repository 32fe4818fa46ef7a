// The asset generator's parts through their interfaces: the score's tables,
// the accents taken from the show's moments, the voices, the mixer's effects
// and the picture writer.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tools/assetgen/image.h"
#include "score/accents.h"
#include "score/dsp.h"
#include "score/effects.h"
#include "score/score.h"
#include "score/voices.h"

namespace {
TEST(Score, SectionsTileThePieceWithoutGapsOrOverlaps) {
  EXPECT_EQ(kSections[0].startS, 0.0);
  for (int i = 0; i < kSectionCount; ++i) {
    SCOPED_TRACE(kSections[i].startS);
    EXPECT_LT(kSections[i].startS, kSections[i].endS);
    if (i > 0) {
      EXPECT_EQ(kSections[i].startS, kSections[i - 1].endS);
    }
  }
  EXPECT_EQ(kSections[kSectionCount - 1].endS, kMusicLengthS);
}

TEST(Score, EveryPatternRowIsOneBarOfSixteenths) {
  for (const DrumPattern& p : kDrumPatterns) {
    for (const char* lane : {p.kick, p.snare, p.clap, p.closedHat, p.openHat}) {
      EXPECT_EQ(std::strlen(lane), 16u) << lane;
    }
  }
  for (int i = 0; i < kSectionCount; ++i) {
    const Section& s = kSections[i];
    if (s.bassPattern != kNone) {
      EXPECT_EQ(std::strlen(kBassPatterns[s.bassPattern].steps), 16u);
    }
    if (s.arpPattern != kNone) {
      EXPECT_EQ(std::strlen(kArpPatterns[s.arpPattern].steps), 16u);
    }
    if (s.melody != kNone) {
      for (const char* bar : kMelodies[s.melody].bars) EXPECT_EQ(std::strlen(bar), 16u) << bar;
    }
  }
}

// A cut before an accent must not swallow the accent before it.
TEST(Accents, RunInOrderAndTheirCutsFollowTheAccentBefore) {
  const std::vector<Accent> accents = showAccents();
  for (size_t i = 0; i < accents.size(); ++i) {
    SCOPED_TRACE(accents[i].timeS);
    EXPECT_GT(accents[i].timeS, 0.0);
    EXPECT_LT(accents[i].timeS, kMusicLengthS);
    if (i > 0) {
      EXPECT_GT(accents[i].timeS - accents[i].gapS, accents[i - 1].timeS);
    }
  }
}

// Every moment of the show's tables that opens while it runs has its hit
// within 10 ms of its bound; the scene that holds the start and the end have
// none.
TEST(Accents, EveryMomentOfTheShowIsHit) {
  const std::vector<Accent> accents = showAccents();
  auto hitNear = [&](int32_t ms) {
    return std::any_of(accents.begin(), accents.end(),
                       [&](const Accent& a) { return std::fabs(a.timeS * 1000.0 - ms) <= 10.0; });
  };
  for (const Turn& turn : kTurns) EXPECT_TRUE(hitNear(turn.lo)) << turn.lo;
  for (const Title& title : kTitles) EXPECT_TRUE(hitNear(title.lo)) << title.lo;
  for (int i = 1; i + 1 < kSceneCount; ++i) EXPECT_TRUE(hitNear(kScenes[i].lo)) << kScenes[i].lo;
  EXPECT_FALSE(hitNear(showEndsAtMs()));
}

// Moving a moment in the show's table moves its hit, and its cut, with it.
TEST(Accents, AMovedMomentTakesItsHitAlong) {
  std::vector<MomentMark> marks = showMarks();
  const std::vector<Accent> before = accentsFor(marks);
  const int32_t was = momentWindow(Moment::FirstDrop).lo;
  for (MomentMark& mark : marks) {
    if (mark.name == Moment::FirstDrop) mark.lo = was + 2000;
  }
  const std::vector<Accent> after = accentsFor(marks);
  auto at = [](const std::vector<Accent>& accents, double s) {
    return std::find_if(accents.begin(), accents.end(),
                        [&](const Accent& a) { return std::fabs(a.timeS - s) < 1e-9; });
  };
  const double wasS = (was + 1) / 1000.0;
  const auto old = at(before, wasS);
  ASSERT_NE(old, before.end());
  EXPECT_EQ(at(after, wasS), after.end());
  const auto moved = at(after, wasS + 2.0);
  ASSERT_NE(moved, after.end());
  EXPECT_EQ(moved->flags, old->flags);
  EXPECT_EQ(moved->gapS, old->gapS);
  EXPECT_EQ(after.size(), before.size());
}

// Moments that land together make one hit of all their flags and the longest
// of their cuts.
TEST(Accents, MomentsThatLandTogetherMakeOneHit) {
  const std::vector<Accent> alone = accentsFor({{Moment::MusicCredits, 58000}});
  const std::vector<Accent> other = accentsFor({{Moment::FirstDrop, 58000}});
  const std::vector<Accent> both =
      accentsFor({{Moment::MusicCredits, 58000}, {Moment::FirstDrop, 57999}});
  ASSERT_EQ(alone.size(), other.size());
  ASSERT_EQ(both.size(), alone.size());
  EXPECT_EQ(both[0].timeS, 58.0);
  EXPECT_EQ(both[0].flags, alone[0].flags | other[0].flags);
  EXPECT_EQ(both[0].gapS, std::max(alone[0].gapS, other[0].gapS));
}

TEST(Score, NotesLieInsideThePieceWithSaneLevels) {
  std::vector<Note> notes;
  std::vector<Gap> gaps;
  buildScore(notes, gaps);
  ASSERT_GT(notes.size(), 1000u);
  const std::vector<Accent> accents = showAccents();
  EXPECT_EQ(
      static_cast<long>(gaps.size()),
      std::count_if(accents.begin(), accents.end(), [](const Accent& a) { return a.gapS > 0.0; }));
  for (const Note& note : notes) {
    EXPECT_GE(note.timeS, 0.0);
    EXPECT_LT(note.timeS, kMusicLengthS);
    EXPECT_GT(note.velocity, 0.0);
    EXPECT_LE(note.velocity, 1.0);
    EXPECT_LE(std::fabs(note.pan), 1.0);
    EXPECT_GE(note.lengthS, 0.0);
  }
}

TEST(Voices, EveryInstrumentSoundsBoundedAndTheSameEachTime) {
  for (int i = 0; i < kInstrumentCount; ++i) {
    SCOPED_TRACE(i);
    const Note note{10.0, static_cast<Instrument>(i), 57.0, 0.5, 1.0, 0.0, 1500.0};
    std::vector<float> first;
    std::vector<float> second;
    renderVoice(note, first);
    renderVoice(note, second);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
    double energy = 0.0;
    for (float s : first) {
      ASSERT_TRUE(std::isfinite(s));
      EXPECT_LT(std::fabs(s), 4.0f);
      energy += s * s;
    }
    EXPECT_GT(energy, 1.0);
  }
}

TEST(Effects, SoftLimitLeavesQuietSamplesAndKeepsLoudOnesBelowFullScale) {
  std::vector<float> samples = {0.1f, -0.5f, 0.6f, 0.9f, -2.0f, 50.0f};
  softLimit(samples.data(), samples.size(), 0.6);
  EXPECT_EQ(samples[0], 0.1f);
  EXPECT_EQ(samples[1], -0.5f);
  EXPECT_FLOAT_EQ(samples[2], 0.6f);
  EXPECT_GT(samples[3], 0.6f);
  EXPECT_LT(samples[3], 0.9f);
  EXPECT_LT(samples[4], -0.6f);
  EXPECT_GT(samples[4], -1.0f);
  EXPECT_GT(samples[5], samples[3]);
  EXPECT_LE(samples[5], 1.0f);
}

TEST(Effects, ACutSilencesItsSpanButNotTheHitAfterIt) {
  std::vector<float> left(1000, 1.0f);
  std::vector<float> right(1000, 1.0f);
  cutSilences(left.data(), right.data(), left.size(), {{200, 700}});
  // The ramps (4 ms, 176 frames) lie inside the span.
  EXPECT_EQ(left[199], 1.0f);
  EXPECT_LT(left[200 + 170], 0.05f);
  EXPECT_EQ(left[450], 0.0f);
  EXPECT_EQ(right[450], 0.0f);
  EXPECT_LT(left[699 - 170], 0.05f);
  EXPECT_EQ(left[700], 1.0f);
}

TEST(Effects, FadeEndsInSilenceAndLeavesWhatComesBefore) {
  std::vector<float> left(1000, 0.5f);
  std::vector<float> right(1000, -0.5f);
  fadeOut(left.data(), right.data(), left.size(), 400);
  EXPECT_EQ(left[599], 0.5f);
  EXPECT_LT(std::fabs(left[999]), 1e-4f);
  EXPECT_LT(std::fabs(right[999]), 1e-4f);
  EXPECT_GT(left[700], left[900]);
}

TEST(Effects, TheDuckingDipsAfterEachKickAndRecovers) {
  std::vector<float> gain(kSampleRate, 0.0f);
  sideChainCurve(gain, {1000}, 0.5, 0.1);
  EXPECT_EQ(gain[999], 1.0f);
  EXPECT_LT(gain[1000 + secondsToFrames(0.02)], 0.6f);
  EXPECT_GT(gain[1000 + secondsToFrames(0.5)], 0.99f);
}

TEST(PictureWriter, WritesWhatWasPaintedAndMirrorsOnRequest) {
  Image image;
  makeImage(image, 4, 2, true);
  paintImage(image, 1, [](double u, double v) {
    return Rgba{{u, v, 0.25}, u < 0.5 ? 1.0 : 0.0};
  });
  flipColumns(image);
  ASSERT_TRUE(writePng("painted.png", image));
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&png, "painted.png"));
  EXPECT_EQ(png.width, 4u);
  EXPECT_EQ(png.height, 2u);
  EXPECT_TRUE(png.format & PNG_FORMAT_FLAG_ALPHA);
  png.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(png));
  ASSERT_TRUE(png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr));
  // Column 0 now holds what was painted at u = 7/8, row 1 at v = 3/4.
  const uint8_t* first = &pixels[(1 * 4 + 0) * 4];
  EXPECT_EQ(first[0], std::lround(0.875 * 255));
  EXPECT_EQ(first[1], std::lround(0.75 * 255));
  EXPECT_EQ(first[2], std::lround(0.25 * 255));
  EXPECT_EQ(first[3], 0);
  EXPECT_EQ(pixels[(1 * 4 + 3) * 4 + 3], 255);
}
}  // namespace
