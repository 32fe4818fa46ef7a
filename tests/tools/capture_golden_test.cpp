// Golden frames: the show at a dozen moments, drawn by the capture in-process
// at 320x180 and 60 frames per second from the build's show folder, and
// compared with the reference pictures in tests/golden. A mismatch leaves the
// frame drawn and a picture of the differences in the test's folder.
//
// When a change of the picture is meant, draw the references anew:
//   cmake --build build --target update-golden
// (runs this test with VANTOREL_UPDATE_GOLDEN=1, which writes instead of
// comparing).
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/capture/capture.h"

namespace {
constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int kFramesPerSecond = 60;
constexpr size_t kFrameBytes = static_cast<size_t>(kWidth) * kHeight * 3;

// A pixel differs when one of its channels is off by more than this; a frame
// matches while at most kMostDiffering of its pixels differ. The software
// renderer gives the same bits on one machine; another processor may round a
// texture fetch or an edge differently.
constexpr int kChannelTolerance = 8;
constexpr double kMostDiffering = 0.005;

struct Moment {
  const char* name;
  int32_t ms;
};
// Every scene of the show once: the reveal, the cube, the morphs, the pulse,
// the wobble and the bounce of the mesh; the ribbons in each of their modes;
// each title card; the spinning finale.
constexpr Moment kMoments[] = {
    {"title-vantorel-reveal", 7500},
    {"reveal", 12000},
    {"cube", 35500},
    {"title-crew-cube", 38500},
    {"title-generator-square-ribbons", 61500},
    {"morph-to-cube", 64000},
    {"title-thanks-spectrum-ribbons", 70500},
    {"pulse-spectrum-ribbons", 75000},
    {"wave-ribbons", 81500},
    {"wobble", 88000},
    {"trail-ribbons", 95000},
    {"bounce", 137000},
    {"finale", 180000},
};
constexpr int kMomentCount = sizeof kMoments / sizeof kMoments[0];

// Frames as the capture hands them over: RGB, bottom row first.
std::vector<uint8_t> drawn[kMomentCount];

int64_t frameOf(const Moment& moment) { return captureFrameAt(moment.ms, kFramesPerSecond); }

int openSink(const CaptureOptions&, AudioStream, int64_t) { return 1; }
int keepFrame(int64_t frame, const uint8_t* pixels) {
  for (int i = 0; i < kMomentCount; ++i) {
    if (frameOf(kMoments[i]) == frame) drawn[i].assign(pixels, pixels + kFrameBytes);
  }
  return 1;
}
int finishSink(int64_t) { return 1; }
void stopSink() {}
const CaptureOutput kSink = {GL_RGB, 3, openSink, keepFrame, finishSink, stopSink, stopSink};

// Top row first, as a PNG holds it.
std::vector<uint8_t> topDown(const std::vector<uint8_t>& bottomUp) {
  std::vector<uint8_t> rows(bottomUp.size());
  const size_t row = static_cast<size_t>(kWidth) * 3;
  for (int y = 0; y < kHeight; ++y)
    std::memcpy(&rows[y * row], &bottomUp[(kHeight - 1 - y) * row], row);
  return rows;
}

bool writePng(const std::string& path, const std::vector<uint8_t>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

// The reference as RGB rows, top first; empty when it cannot be read or has
// another size.
std::vector<uint8_t> readPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
  const bool read = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
  if (!read || image.width != kWidth || image.height != kHeight) return {};
  return rgb;
}

// Pixels off by more than the tolerance, and a picture of them: red where a
// pixel differs, the frame drawn, darkened, elsewhere.
int compare(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected,
            std::vector<uint8_t>* picture) {
  int differing = 0;
  picture->assign(actual.size(), 0);
  for (size_t p = 0; p < actual.size(); p += 3) {
    bool off = false;
    for (size_t c = 0; c < 3; ++c)
      off |= std::abs(actual[p + c] - expected[p + c]) > kChannelTolerance;
    differing += off ? 1 : 0;
    for (size_t c = 0; c < 3; ++c)
      (*picture)[p + c] = off ? (c == 0 ? 255 : 0) : static_cast<uint8_t>(actual[p + c] / 4);
  }
  return differing;
}

TEST(GoldenFrames, TheShowLooksAsItsReferencesAtEveryScene) {
  char testFolder[PATH_MAX];
  ASSERT_NE(getcwd(testFolder, sizeof testFolder), nullptr);
  ASSERT_EQ(chdir(VANTOREL_SHOW_DIR), 0) << VANTOREL_SHOW_DIR;
  ASSERT_EQ(captureStartShow(kWidth, kHeight), 1);

  CaptureOptions options = defaultCaptureOptions();
  options.width = kWidth;
  options.height = kHeight;
  options.framesPerSecond = kFramesPerSecond;
  FrameSpan spans[kMomentCount];
  for (int i = 0; i < kMomentCount; ++i)
    spans[i] = {frameOf(kMoments[i]), frameOf(kMoments[i]) + 1};
  ASSERT_EQ(captureRun(options, kSink, spans, kMomentCount), kCaptureOk);

  const bool update = std::getenv("VANTOREL_UPDATE_GOLDEN") != nullptr;
  for (int i = 0; i < kMomentCount; ++i) {
    const Moment& moment = kMoments[i];
    SCOPED_TRACE(moment.name);
    ASSERT_EQ(drawn[i].size(), kFrameBytes);
    const std::vector<uint8_t> actual = topDown(drawn[i]);
    const std::string reference = std::string(VANTOREL_GOLDEN_DIR) + "/" + moment.name + ".png";
    if (update) {
      EXPECT_TRUE(writePng(reference, actual)) << reference;
      continue;
    }
    const std::vector<uint8_t> expected = readPng(reference);
    ASSERT_EQ(expected.size(), kFrameBytes) << "cannot read " << reference;
    std::vector<uint8_t> picture;
    const int differing = compare(actual, expected, &picture);
    // Within the tolerance, but not the same bytes: worth knowing when the
    // references were drawn on this kind of machine.
    if (actual != expected)
      std::printf("%s: %d pixels off by more than %d, some bytes differ\n", moment.name,
                  differing, kChannelTolerance);
    else
      std::printf("%s: the same bytes as the reference\n", moment.name);
    if (differing > kMostDiffering * kWidth * kHeight) {
      const std::string stem = std::string(testFolder) + "/" + moment.name;
      writePng(stem + ".actual.png", actual);
      writePng(stem + ".diff.png", picture);
      ADD_FAILURE() << differing << " pixels differ from " << reference << " at " << moment.ms
                    << " ms; see " << stem << ".actual.png and " << stem << ".diff.png";
    }
  }
}
}  // namespace
