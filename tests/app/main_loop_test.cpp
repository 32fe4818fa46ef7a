// The main loop pass by pass on the headless window layer: which key presses
// end the show, which re-create the window, what a minimised window ignores,
// and that a tap whose press and release arrive between two frames counts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/show.h"
#include "app/window.h"
#include "gfx/gfx_recorder.h"
#include "music/clock.h"
#include "platform/headless/window_headless.h"

namespace {
// A small window keeps the test's GL work light; F1 makes a full-size one.
constexpr int kTestWidth = 64;
constexpr int kTestHeight = 36;
// The high 16 bits of an activation message's parameter: minimised.
constexpr uintptr_t kMinimised = 1u << 16;

class MainLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(keys, 0, sizeof keys);
    resetAppWindow();
    // No audio device here: the clock runs silent, as after an audio failure.
    musicSource.musicSilent = 1;
    headlessOfferDisplayMode(kWindowWidth, kWindowHeight);
    ASSERT_EQ(createGLWindow(kWindowTitle, kTestWidth, kTestHeight, kWindowBits, 0), 1);
  }
  void TearDown() override {
    if (appWindow.mainWindow || appWindow.glContext) killGLWindow();
    headlessOfferDisplayMode(0, 0);
  }

  static void queue(uint32_t message, uintptr_t wParam = 0) {
    headlessQueueMessage(message, wParam, 0);
  }
  // A key pressed and released before the loop looks again.
  static void tap(int virtualKey) {
    queue(kMsgKeyDown, static_cast<uintptr_t>(virtualKey));
    queue(kMsgKeyUp, static_cast<uintptr_t>(virtualKey));
  }
  static void minimise() { queue(kMsgActivate, kMinimised); }
  static void restore() { queue(kMsgActivate, 1); }

  // Runs passes until one finds the queue empty (or the loop ends); returns
  // what the last pass said.
  LoopPass untilIdle() {
    LoopPass pass = LoopPass::GoOn;
    for (int guard = 0; guard < 1000 && pass == LoopPass::GoOn; ++guard) {
      WsMessage peeked{};
      const bool idle = !wsPeekMessage(&peeked, nullptr, 0, 0, 0);
      pass = runMainLoopPass(&loop);
      if (idle) break;
    }
    return pass;
  }
  int framesDrawn() const { return recorder.count(GfxCall::Clear); }

  MainLoop loop;
  GfxRecorder recorder;
};

TEST_F(MainLoopTest, AnIdlePassDrawsAFrameAndGoesOn) {
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(framesDrawn(), 2);
  EXPECT_EQ(loop.done, 0);
}

TEST_F(MainLoopTest, AQuickTapOfEscapeOrQEndsTheShowWithoutAnotherFrame) {
  for (const int key : {int{kVkEscape}, int{kVkQ}}) {
    SCOPED_TRACE("key " + std::to_string(key));
    loop = MainLoop{};
    recorder.clear();
    tap(key);
    EXPECT_EQ(untilIdle(), LoopPass::Done);
    EXPECT_EQ(framesDrawn(), 0);
    EXPECT_EQ(keys[key], 0);
  }
}

TEST_F(MainLoopTest, AHeldQuitKeyEndsTheShowToo) {
  queue(kMsgKeyDown, kVkEscape);
  EXPECT_EQ(untilIdle(), LoopPass::Done);
  EXPECT_EQ(stopShow(loop), 0);
}

TEST_F(MainLoopTest, AQuickTapOfF1RecreatesTheWindowInTheOtherModeAndTheShowGoesOn) {
  ASSERT_EQ(appWindow.fullscreen, 0);
  tap(kVkF1);
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(appWindow.fullscreen, 1);
  EXPECT_TRUE(headlessDisplayChanged());
  int width = 0, height = 0;
  headlessWindowSize(&width, &height);
  EXPECT_EQ(width, kWindowWidth);
  EXPECT_EQ(height, kWindowHeight);
  // One toggle per press: the next idle pass leaves the window alone.
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(appWindow.fullscreen, 1);
  tap(kVkF1);
  untilIdle();
  EXPECT_EQ(appWindow.fullscreen, 0);
  EXPECT_FALSE(headlessDisplayChanged());
}

TEST_F(MainLoopTest, WhileMinimisedNoFrameIsDrawnAndQuitKeysAreDropped) {
  minimise();
  tap(kVkEscape);
  tap(kVkQ);
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(framesDrawn(), 0);
  // Presses made while minimised do not end the show once it comes back.
  restore();
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(framesDrawn(), 1);
  EXPECT_EQ(loop.done, 0);
}

TEST_F(MainLoopTest, AQuitKeyStillHeldWhenTheWindowComesBackEndsTheShow) {
  minimise();
  queue(kMsgKeyDown, kVkQ);
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  restore();
  EXPECT_EQ(untilIdle(), LoopPass::Done);
  EXPECT_EQ(framesDrawn(), 0);
}

TEST_F(MainLoopTest, F1TogglesWhileMinimised) {
  minimise();
  tap(kVkF1);
  EXPECT_EQ(untilIdle(), LoopPass::GoOn);
  EXPECT_EQ(appWindow.fullscreen, 1);
  EXPECT_EQ(framesDrawn(), 0);
}

TEST_F(MainLoopTest, F1TogglesEvenInThePassThatEndsTheShow) {
  queue(kMsgKeyDown, kVkEscape);
  tap(kVkF1);
  EXPECT_EQ(untilIdle(), LoopPass::Done);
  EXPECT_EQ(appWindow.fullscreen, 1);
  EXPECT_NE(appWindow.mainWindow, nullptr);
}

TEST_F(MainLoopTest, AnF1ThatCannotMakeTheWindowAgainEndsAtOnce) {
  headlessOfferDisplayMode(0, 0);  // full screen refused, and no answer to the question
  tap(kVkF1);
  EXPECT_EQ(untilIdle(), LoopPass::NoWindow);
  EXPECT_EQ(appWindow.mainWindow, nullptr);
}

TEST_F(MainLoopTest, ClosingTheWindowEndsTheLoopWithTheQuitCode) {
  queue(kMsgClose);
  EXPECT_EQ(untilIdle(), LoopPass::Done);
  EXPECT_EQ(loop.message.message, static_cast<uint32_t>(kMsgQuit));
  EXPECT_EQ(stopShow(loop), 0);
  EXPECT_EQ(appWindow.mainWindow, nullptr);
}

TEST_F(MainLoopTest, SpacePrintsOnlyWhileHeldSoATapBetweenFramesPrintsNothing) {
  testing::internal::CaptureStdout();
  tap(kVkSpace);
  untilIdle();
  queue(kMsgKeyDown, kVkSpace);
  untilIdle();
  untilIdle();
  queue(kMsgKeyUp, kVkSpace);
  untilIdle();
  const std::string printed = testing::internal::GetCapturedStdout();
  int lines = 0;
  for (const char c : printed) lines += c == '\n';
  EXPECT_EQ(lines, 2) << printed;
}
}  // namespace
