// What a moments file draws: the show's own table written out and read back
// draws the compiled show byte for byte, over the whole show; a scene start
// moved in the file changes the picture from that moment on, and nothing
// before it. Each run starts from the same state, put back between runs.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_clock.h"
#include "music/clock.h"
#include "timeline/moments_file.h"
#include "timeline/show_state.h"
#include "tools/capture/capture.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct Frame {
  int32_t ms;  // the frame's music time
  size_t hash;
};

class MomentsFileShow : public ::testing::Test {
 protected:
  // The show starts once per process; every run begins from its state then.
  static void SetUpTestSuite() {
    ASSERT_EQ(chdir(VANTOREL_SHOW_DIR), 0) << VANTOREL_SHOW_DIR;
    ASSERT_EQ(captureStartShow(kWidth, kHeight), 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    start_ = std::make_unique<ShowState>();
    copyShowState(start_.get());
  }
  void SetUp() override { ASSERT_NE(start_, nullptr); }
  void TearDown() override { resetMoments(); }

  // The table a file with this text holds, read from disk as --moments does.
  static MomentTable fromFile(const std::string& text) {
    std::FILE* file = std::fopen("moments.toml", "wb");
    EXPECT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    MomentTable table = kCompiledMoments;
    MomentsFileError error;
    EXPECT_EQ(readMomentsFile("moments.toml", &table, &error), 1)
        << error.line << ":" << error.column << ": " << error.reason;
    return table;
  }

  // Plays `table` from the show's start at `fps` until `untilMs` or the end,
  // and hashes each frame's pixels.
  std::vector<Frame> play(const MomentTable& table, int fps, int32_t untilMs = INT32_MAX) {
    putShowStateBack(*start_);
    playMoments(table);
    std::vector<Frame> frames;
    std::string pixels(static_cast<size_t>(kWidth) * kHeight * 4, '\0');
    for (int64_t n = 0; runClockFrame(n, fps, true); ++n) {
      glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
      frames.push_back({musicClock.musicTimeMs, std::hash<std::string>{}(pixels)});
      if (musicClock.musicTimeMs >= untilMs) break;
    }
    return frames;
  }

  static inline std::unique_ptr<ShowState> start_;
};

TEST_F(MomentsFileShow, TheExportedFileDrawsTheCompiledShowByteForByte) {
  constexpr int kFps = 10;
  const MomentTable read = fromFile(momentsText(kCompiledMoments));
  const std::vector<Frame> compiled = play(kCompiledMoments, kFps);
  const std::vector<Frame> fromFile = play(read, kFps);
  ASSERT_EQ(fromFile.size(), compiled.size());
  EXPECT_GE(compiled.back().ms, showEndsAtMs(kCompiledMoments) - 1000 / kFps);
  int differing = 0;
  for (size_t i = 0; i < compiled.size(); ++i) differing += fromFile[i].hash != compiled[i].hash;
  EXPECT_EQ(differing, 0) << "of " << compiled.size() << " frames";
}

TEST_F(MomentsFileShow, AMovedSceneStartChangesTheShowFromThereOnOnly) {
  constexpr int kFps = 20;
  const MomentWindow drop = momentWindow(Moment::FirstDrop, kCompiledMoments);
  const int32_t movedTo = drop.lo + 2000;
  std::string text = momentsText(kCompiledMoments);
  const std::string was = "name = \"FirstDrop\"\nlo = " + std::to_string(drop.lo) + "\n";
  ASSERT_NE(text.find(was), std::string::npos);
  text.replace(text.find(was), was.size(),
               "name = \"FirstDrop\"\nlo = " + std::to_string(movedTo) + "\n");
  const MomentTable moved = fromFile(text);
  ASSERT_EQ(momentWindow(Moment::FirstDrop, moved).lo, movedTo);

  const std::vector<Frame> compiled = play(kCompiledMoments, kFps, movedTo + 1000);
  const std::vector<Frame> edited = play(moved, kFps, movedTo + 1000);
  ASSERT_EQ(edited.size(), compiled.size());
  // Before the old start every frame is the same. After it the new first
  // scene's cue and backdrop show: the wall is out of view until the camera
  // turns back, and the cube's cue takes a few frames to show, so the
  // pictures part within half a second and stay apart up to the new start.
  constexpr int32_t kShowsWithinMs = 500;
  int before = 0, equalBefore = 0, after = 0, equalAfter = 0;
  int32_t firstDiffering = -1;
  for (size_t i = 0; i < compiled.size(); ++i) {
    const int32_t ms = compiled[i].ms;
    const bool same = edited[i].hash == compiled[i].hash;
    if (!same && firstDiffering < 0) firstDiffering = ms;
    if (ms <= drop.lo) {
      ++before;
      equalBefore += same;
    } else if (ms > drop.lo + kShowsWithinMs && ms <= movedTo) {
      ++after;
      equalAfter += same;
    }
  }
  EXPECT_GT(before, 500);
  EXPECT_EQ(equalBefore, before) << "frames before the old start";
  EXPECT_GT(firstDiffering, drop.lo);
  EXPECT_LE(firstDiffering, drop.lo + kShowsWithinMs);
  EXPECT_GT(after, 20);
  EXPECT_EQ(equalAfter, 0) << "frames from half a second after the old start to the new";
}
}  // namespace
