// The capture tool's command line, its frame arithmetic (which sample of the
// music a frame stands at, which frames a stretch of ms holds) and its
// progress line.
#include "tools/capture/capture_options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "timeline/moments.h"
#include "tools/capture/benchmark.h"
#include "tools/capture/capture.h"
#include "tools/capture/jobs.h"
#include "tools/capture/progress.h"

namespace {
struct Parsed {
  CaptureParse result;
  CaptureOptions options;
  std::string why;
};

Parsed parse(std::initializer_list<const char*> arguments) {
  std::vector<std::string> words{"vantorel-capture"};
  for (const char* a : arguments) words.emplace_back(a);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  Parsed parsed{};
  char why[256];
  parsed.result = parseCaptureOptions(static_cast<int>(words.size()), argv.data(), &parsed.options,
                                      why, sizeof why);
  parsed.why = why;
  return parsed;
}

TEST(CaptureOptions, NoArgumentsGiveTheWholeShowAsA720p60Video) {
  const Parsed p = parse({});
  ASSERT_EQ(p.result, CaptureParse::Run) << p.why;
  EXPECT_STREQ(p.options.output, "vantorel.mp4");
  EXPECT_EQ(p.options.outputKind, CaptureOutputKind::Video);
  EXPECT_EQ(p.options.width, 1280);
  EXPECT_EQ(p.options.height, 720);
  EXPECT_EQ(p.options.framesPerSecond, 60);
  EXPECT_EQ(p.options.startMs, 0);
  EXPECT_EQ(p.options.endMs, kCaptureToShowEnd);
  EXPECT_STREQ(p.options.folder, "");
}

TEST(CaptureOptions, EveryOptionTakesItsValueWithOrWithoutAnEqualsSign) {
  const Parsed p = parse({"--output", "out/show.mp4", "--size=640x360", "--fps", "30",
                          "--start=1500", "--end", "90000", "--folder=/srv/show"});
  ASSERT_EQ(p.result, CaptureParse::Run) << p.why;
  EXPECT_STREQ(p.options.output, "out/show.mp4");
  EXPECT_EQ(p.options.width, 640);
  EXPECT_EQ(p.options.height, 360);
  EXPECT_EQ(p.options.framesPerSecond, 30);
  EXPECT_EQ(p.options.startMs, 1500);
  EXPECT_EQ(p.options.endMs, 90000);
  EXPECT_STREQ(p.options.folder, "/srv/show");
  EXPECT_EQ(parse({"--help"}).result, CaptureParse::Help);
  EXPECT_EQ(parse({"--fps", "7", "--help"}).result, CaptureParse::Help);
}

TEST(CaptureOptions, TheOutputsNameChoosesVideoOrPictures) {
  EXPECT_EQ(parse({"--output", "a.mp4"}).options.outputKind, CaptureOutputKind::Video);
  EXPECT_EQ(parse({"--output", "A.MP4"}).options.outputKind, CaptureOutputKind::Video);
  EXPECT_EQ(parse({"--output", "frames/"}).options.outputKind, CaptureOutputKind::Frames);
  ASSERT_EQ(mkdir("existing", 0777) == 0 || errno == EEXIST, true);
  EXPECT_EQ(parse({"--output", "existing"}).options.outputKind, CaptureOutputKind::Frames);
  // Pictures may have any size; H.264 in 4:2:0 needs even sides.
  EXPECT_EQ(parse({"--output", "frames/", "--size", "321x181"}).result, CaptureParse::Run);
  const Parsed odd = parse({"--output", "a.mp4", "--size", "321x180"});
  EXPECT_EQ(odd.result, CaptureParse::Bad);
  EXPECT_NE(odd.why.find("even"), std::string::npos) << odd.why;
  const Parsed other = parse({"--output", "a.mkv"});
  EXPECT_EQ(other.result, CaptureParse::Bad);
  EXPECT_NE(other.why.find("a.mkv"), std::string::npos) << other.why;
}

TEST(CaptureOptions, BadValuesAreRefusedWithTheOptionNamed) {
  const struct {
    std::initializer_list<const char*> arguments;
    const char* named;
  } cases[] = {
      {{"--size", "1280"}, "--size"},
      {{"--size", "0x720"}, "--size"},
      {{"--size", "1280x"}, "--size"},
      {{"--size", "x720"}, "--size"},
      {{"--size", "9000x720"}, "--size"},
      {{"--size", "12ax7"}, "--size"},
      {{"--fps", "0"}, "--fps"},
      {{"--fps", "241"}, "--fps"},
      {{"--fps", "29.97"}, "--fps"},
      {{"--fps", "60fps"}, "--fps"},
      {{"--start", "-1"}, "--start"},
      {{"--start", "soon"}, "--start"},
      {{"--end", "99999999999"}, "--end"},
      {{"--start", "500", "--end", "500"}, "--end"},
      {{"--bogus"}, "--bogus"},
      {{"--fps"}, "--fps"},
      {{"stray"}, "stray"},
      {{"--output", ""}, "--output"},
      {{"--jobs", "0"}, "--jobs"},
      {{"--jobs", "65"}, "--jobs"},
      {{"--jobs", "two"}, "--jobs"},
      {{"--jobs"}, "--jobs"},
      {{"--benchmark", "--jobs", "2"}, "--jobs"},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.arguments);
    EXPECT_EQ(p.result, CaptureParse::Bad) << *c.arguments.begin();
    EXPECT_NE(p.why.find(c.named), std::string::npos) << p.why;
  }
}

TEST(CaptureOptions, JobsAndTheBenchmarkAreTakenWithTheOtherOptions) {
  EXPECT_EQ(parse({}).options.jobs, 1);
  EXPECT_FALSE(parse({}).options.benchmark);
  const Parsed jobs = parse({"--jobs", "16", "--output", "frames/"});
  ASSERT_EQ(jobs.result, CaptureParse::Run) << jobs.why;
  EXPECT_EQ(jobs.options.jobs, 16);
  EXPECT_EQ(jobs.options.outputKind, CaptureOutputKind::Frames);
  // The benchmark writes nothing: an output it could not write is no reason
  // to refuse it.
  const Parsed timed = parse({"--benchmark", "--start=60000", "--end=62000", "--output=a.avi"});
  ASSERT_EQ(timed.result, CaptureParse::Run) << timed.why;
  EXPECT_TRUE(timed.options.benchmark);
  EXPECT_EQ(timed.options.startMs, 60000);
  EXPECT_EQ(timed.options.endMs, 62000);
}

TEST(FrameTimeReport, MedianPercentileWorstAndTheMainThreadsShare) {
  EXPECT_EQ(summariseFrameTimes({}).frames, 0);
  std::vector<FrameTime> times;
  // 1 to 20 ms, shuffled; the main thread busy for half of each.
  for (int i = 0; i < 20; ++i) {
    const double ms = (i * 7) % 20 + 1;
    times.push_back({ms, ms / 2});
  }
  FrameTimeSummary s = summariseFrameTimes(times);
  EXPECT_EQ(s.frames, 20);
  EXPECT_DOUBLE_EQ(s.medianMs, 10.5);
  EXPECT_DOUBLE_EQ(s.p95Ms, 19.0);  // the 19th of 20
  EXPECT_DOUBLE_EQ(s.worstMs, 20.0);
  EXPECT_DOUBLE_EQ(s.mainThreadShare, 0.5);
  EXPECT_EQ(times[1].wallMs, 8.0) << "the caller's times are left in their order";
  times.push_back({100.0, 0.0});
  s = summariseFrameTimes(times);
  EXPECT_DOUBLE_EQ(s.medianMs, 11.0);
  EXPECT_DOUBLE_EQ(s.p95Ms, 20.0);  // the 20th of 21 (0.95 * 21 = 19.95)
  EXPECT_DOUBLE_EQ(s.worstMs, 100.0);
  const FrameTimeSummary one = summariseFrameTimes({{16.0, 4.0}});
  EXPECT_DOUBLE_EQ(one.medianMs, 16.0);
  EXPECT_DOUBLE_EQ(one.p95Ms, 16.0);
  EXPECT_DOUBLE_EQ(one.mainThreadShare, 0.25);
}

TEST(FrameTimeReport, OneRowPerSceneWithFramesByItsNameThenTheWhole) {
  std::vector<FrameTime> byScene[kSceneCount];
  const int finale = sceneAt(momentWindow(Moment::Finale).hi);
  byScene[0] = {{10.0, 5.0}, {12.0, 6.0}};
  byScene[finale] = {{30.0, 10.0}};
  char* text = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  printFrameTimeReport(out, byScene, kSceneCount);
  std::fclose(out);
  const std::string report(text, size);
  std::free(text);
  EXPECT_NE(report.find("Opening "), std::string::npos) << report;
  EXPECT_NE(report.find("Finale "), std::string::npos) << report;
  EXPECT_EQ(report.find("Pulse"), std::string::npos) << "a scene without frames has no row";
  const size_t all = report.find("\nall ");
  ASSERT_NE(all, std::string::npos) << report;
  EXPECT_NE(report.find("      3     12.0     30.0     30.0     40%", all), std::string::npos)
      << report;
  for (int i = 0; i < kSceneCount; ++i) EXPECT_STRNE(sceneName(i), "?") << "scene " << i;
}

TEST(CaptureFrames, AFrameStandsAtTheSampleOfItsMoment) {
  EXPECT_EQ(captureFrameSample(0, 44100, 60), 0u);
  EXPECT_EQ(captureFrameSample(1, 44100, 60), 735u);
  EXPECT_EQ(captureFrameSample(6000, 44100, 60), 100u * 44100);
  // floor(n * rate / F): 44100 / 7 = 6300 exactly, 44100 / 240 = 183.75.
  EXPECT_EQ(captureFrameSample(1, 44100, 240), 183u);
  EXPECT_EQ(captureFrameSample(3, 44100, 240), 551u);
  EXPECT_EQ(captureFrameSample(4, 44100, 240), 735u);
  EXPECT_EQ(captureFrameSample(1, 48000, 7), 6857u);
  // Far past any show, the product still fits.
  EXPECT_EQ(captureFrameSample(240LL * 3600 * 24, 48000, 240), 48000ull * 3600 * 24);
}

TEST(CaptureFrames, AStretchOfMsHoldsTheFramesWhoseMomentLiesInIt) {
  EXPECT_EQ(captureFrameAt(0, 60), 0);
  EXPECT_EQ(captureFrameAt(1, 60), 1);   // frame 1 is at 16.7 ms
  EXPECT_EQ(captureFrameAt(17, 60), 2);  // 16.7 ms is before 17
  EXPECT_EQ(captureFrameAt(100000, 60), 6000);
  EXPECT_EQ(captureFrameAt(100, 30), 3);
  EXPECT_EQ(captureFrameAt(101, 30), 4);

  CaptureOptions options = defaultCaptureOptions();
  options.framesPerSecond = 10;
  options.startMs = 100000;
  options.endMs = 100500;
  const FrameSpan span = captureSpanOf(options);
  EXPECT_EQ(span.first, 1000);
  EXPECT_EQ(span.end, 1005);
  options.endMs = kCaptureToShowEnd;
  EXPECT_EQ(captureSpanOf(options).end, INT64_MAX);
  // The whole show at the defaults: 196 s of frames at 60 per second.
  options = defaultCaptureOptions();
  EXPECT_EQ(captureFrameAt(196000, options.framesPerSecond) - captureSpanOf(options).first, 11760);
}

// Every frame in exactly one stretch, in order, each but the first at a key
// frame, none shorter than the least asked for but the last, each no longer
// than the one before it.
void expectStretchesCover(int64_t first, int64_t end, int64_t align, int64_t least,
                          const FrameSpan* spans, int count) {
  ASSERT_GT(count, 0);
  EXPECT_EQ(spans[0].first, first);
  EXPECT_EQ(spans[count - 1].end, end);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(testing::Message() << "stretch " << i << " of " << count);
    EXPECT_LT(spans[i].first, spans[i].end);
    EXPECT_EQ((spans[i].first - first) % align, 0);
    if (i + 1 < count) {
      EXPECT_GE(spans[i].end - spans[i].first, least);
    }
    if (i > 0) {
      EXPECT_EQ(spans[i].first, spans[i - 1].end);
      EXPECT_LE(spans[i].end - spans[i].first, spans[i - 1].end - spans[i - 1].first);
    }
  }
}

TEST(CaptureJobs, TheFramesAreCutLongFirstAndShortLastAtKeyFrames) {
  FrameSpan spans[kMaxCaptureStretches];
  // The whole show at 60 fps from frame 60, key frames every 120, stretches
  // of 240 frames or more.
  for (int jobs : {2, 3, 7, 16, 64}) {
    SCOPED_TRACE(testing::Message() << jobs << " jobs");
    const int count = planStretches(60, 11820, jobs, 120, 240, spans, kMaxCaptureStretches);
    expectStretchesCover(60, 11820, 120, 240, spans, count);
    // Enough stretches that every process has several to take, and the
    // first is long: a few processes do not start dozens of ffmpegs.
    EXPECT_GE(count, 2 * jobs < 49 ? 2 * jobs : 49);
    EXPECT_GE(spans[0].end - spans[0].first, (11820 - 60) / (2 * jobs) / 120 * 120);
    // The last stretch of every process is short, so they end together.
    for (int i = count - jobs < 0 ? 0 : count - jobs; i < count; ++i) {
      EXPECT_LE(spans[i].end - spans[i].first, 240) << "stretch " << i;
    }
  }
  // Two processes on 1000 frames: 250 frames each time rounded up to 360,
  // then 640 / 4 rounded up to 240, then the 400 left in stretches of 240 or
  // what remains.
  const int count = planStretches(60, 1060, 2, 120, 240, spans, kMaxCaptureStretches);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(spans[0].end, 60 + 360);
  EXPECT_EQ(spans[1].end, 60 + 600);
  EXPECT_EQ(spans[2].end, 60 + 840);
  EXPECT_EQ(spans[3].end, 1060);
}

TEST(CaptureJobs, FewFramesAndFewStretchesStillCoverEverything) {
  FrameSpan spans[kMaxCaptureStretches];
  // Fewer frames than the shortest stretch: one stretch.
  EXPECT_EQ(planStretches(0, 100, 8, 120, 240, spans, kMaxCaptureStretches), 1);
  EXPECT_EQ(spans[0].end, 100);
  // PNG frames split anywhere.
  const int count = planStretches(7, 1007, 3, 1, 10, spans, kMaxCaptureStretches);
  expectStretchesCover(7, 1007, 1, 10, spans, count);
  EXPECT_EQ(spans[0].end, 7 + 167);
  // Room for three stretches only: the third takes all that is left.
  ASSERT_EQ(planStretches(0, 11760, 4, 120, 240, spans, 3), 3);
  EXPECT_EQ(spans[1].first, spans[0].end);
  EXPECT_EQ(spans[2].first, spans[1].end);
  EXPECT_EQ(spans[2].end, 11760);
  // No frames, no stretches.
  EXPECT_EQ(planStretches(100, 100, 4, 1, 10, spans, kMaxCaptureStretches), 0);
  EXPECT_EQ(planStretches(100, 50, 4, 1, 10, spans, kMaxCaptureStretches), 0);
}

TEST(CaptureProgress, TheLineSaysFramesRateAndTimeLeft) {
  char line[128];
  progressFormat(line, sizeof line, 120, 600, 59.5, false);
  EXPECT_STREQ(line, "frame 120 of 600, 59.5 fps, 0:08 left");
  progressFormat(line, sizeof line, 0, 11760, 40.0, false);
  EXPECT_STREQ(line, "frame 0 of 11760, 40.0 fps, 4:54 left");
  progressFormat(line, sizeof line, 700, 600, 50.0, false);
  EXPECT_STREQ(line, "frame 700 of 600, 50.0 fps, 0:00 left");
  progressFormat(line, sizeof line, 42, 0, 0.0, false);
  EXPECT_STREQ(line, "frame 42, 0.0 fps");
  progressFormat(line, sizeof line, 3000, 600, 0.0, true);
  EXPECT_STREQ(line, "running the frames before the start: 3000");
}
}  // namespace
