// The window code on the headless window layer: creation and teardown, the
// window procedure's messages, the projection.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/window.h"
#include "platform/headless/egl_context.h"
#include "platform/headless/window_headless.h"

namespace {
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(keys, 0, sizeof keys);
    resetAppWindow();
    headlessOfferDisplayMode(0, 0);
  }
  void TearDown() override {
    if (appWindow.mainWindow || appWindow.glContext) killGLWindow();
  }
};

TEST_F(WindowTest, WindowedCreationMakesEveryHandleAndTeardownClearsThem) {
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  EXPECT_NE(appWindow.mainWindow, nullptr);
  EXPECT_NE(appWindow.deviceContext, nullptr);
  EXPECT_NE(appWindow.glContext, nullptr);
  EXPECT_EQ(appWindow.fullscreen, 0);
  int width = 0, height = 0;
  headlessWindowSize(&width, &height);
  EXPECT_EQ(width, 1280);
  EXPECT_EQ(height, 720);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 1280);
  EXPECT_EQ(viewport[3], 720);

  killGLWindow();
  EXPECT_EQ(appWindow.mainWindow, nullptr);
  EXPECT_EQ(appWindow.deviceContext, nullptr);
  EXPECT_EQ(appWindow.glContext, nullptr);
  EXPECT_EQ(appWindow.appInstance, nullptr);
}

TEST_F(WindowTest, SecondCreationAfterTeardownWorks) {
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  killGLWindow();
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
}

TEST_F(WindowTest, FullScreenSwitchesTheDisplayWhenTheModeExists) {
  headlessOfferDisplayMode(1280, 720);
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 1), 1);
  EXPECT_EQ(appWindow.fullscreen, 1);
  EXPECT_TRUE(headlessDisplayChanged());
  killGLWindow();
  EXPECT_FALSE(headlessDisplayChanged());
}

TEST_F(WindowTest, RefusedModeWithNobodyToAnswerEndsCreation) {
  // No 1280 x 720 mode and no display to ask on: the answer is not Yes.
  EXPECT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 1), 0);
  EXPECT_EQ(appWindow.mainWindow, nullptr);
}

TEST_F(WindowTest, KeysFollowKeyMessagesAndIgnoreCodesOutsideTheTable) {
  windowProc(nullptr, kMsgKeyDown, kVkEscape, 0);
  EXPECT_EQ(keys[kVkEscape], 1);
  windowProc(nullptr, kMsgKeyDown, kVkEscape, 0);  // auto-repeat sets it again
  EXPECT_EQ(keys[kVkEscape], 1);
  windowProc(nullptr, kMsgKeyUp, kVkEscape, 0);
  EXPECT_EQ(keys[kVkEscape], 0);
  windowProc(nullptr, kMsgKeyDown, 256, 0);
  windowProc(nullptr, kMsgKeyDown, 100000, 0);
  for (int k = 0; k < kKeyTableSize; ++k) EXPECT_EQ(keys[k], 0) << k;
  windowProc(nullptr, kMsgSysKeyDown, kVkF10, 0);
  EXPECT_EQ(keys[kVkF10], 0);
}

TEST_F(WindowTest, ActivationFollowsTheMinimisedFlagOnly) {
  windowProc(nullptr, kMsgActivate, 1u << 16, 0);
  EXPECT_EQ(appWindow.active, 0);
  windowProc(nullptr, kMsgActivate, 1, 0);
  EXPECT_EQ(appWindow.active, 1);
  windowProc(nullptr, kMsgActivate, 0, 0);  // another window activated: still drawing
  EXPECT_EQ(appWindow.active, 1);
}

TEST_F(WindowTest, CloseAndScreenSaverMessages) {
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  EXPECT_EQ(windowProc(appWindow.mainWindow, kMsgSysCommand, kSysCommandScreenSave, 0), 0);
  EXPECT_EQ(windowProc(appWindow.mainWindow, kMsgClose, 0, 0), 0);
  WsMessage message{};
  ASSERT_EQ(wsPeekMessage(&message, nullptr, 0, 0, kPeekRemove), 1);
  EXPECT_EQ(message.message, kMsgQuit);
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_NE(appWindow.mainWindow, nullptr);  // closing leaves the window to the teardown
}

TEST_F(WindowTest, SizeMessageSetsViewportAndZeroHeightCountsAsOne) {
  ASSERT_EQ(createGLWindow(kWindowTitle, kWindowWidth, kWindowHeight, kWindowBits, 0), 1);
  windowProc(appWindow.mainWindow, kMsgSize, 0, (480 << 16) | 640);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 640);
  EXPECT_EQ(viewport[3], 480);
  resizeScene(0, 0);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 0);
  EXPECT_EQ(viewport[3], 1);
  GLdouble projection[16] = {};
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  // An aspect ratio of 0 puts an infinite x scale in the matrix, not a NaN from 0/0.
  EXPECT_FALSE(projection[5] != projection[5]);
}
}  // namespace
