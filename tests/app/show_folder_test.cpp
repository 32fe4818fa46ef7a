// Where the programs find the show's files: the working directory or the
// capture tool's own folder first, then an install's folder found from the
// program's folder, in a made-up install tree.
#include "app/show_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <string>

namespace {
class ShowFolder : public ::testing::Test {
 protected:
  // An install tree of its own per case: prefix/bin, prefix/share/vantorel
  // (empty until a case puts files there) and a folder elsewhere to start in.
  void SetUp() override {
    char made[] = "show-folder-XXXXXX";
    ASSERT_NE(mkdtemp(made), nullptr);
    char absolute[PATH_MAX];
    ASSERT_NE(realpath(made, absolute), nullptr);
    root = absolute;
    bin = root + "/bin";
    installed = root + "/share/vantorel";
    elsewhere = root + "/elsewhere";
    for (const std::string& folder : {bin, root + "/share", installed, elsewhere})
      ASSERT_EQ(mkdir(folder.c_str(), 0755), 0) << folder;
    ASSERT_EQ(chdir(elsewhere.c_str()), 0);
  }

  static void put(const std::string& path) { std::ofstream(path) << "x"; }

  static std::string desktop(const std::string& programFolder) {
    char out[PATH_MAX];
    EXPECT_TRUE(desktopShowFolder(programFolder.c_str(), out, sizeof out));
    return out;
  }
  static std::string capture(const std::string& programFolder) {
    char out[PATH_MAX];
    EXPECT_TRUE(captureShowFolder(programFolder.c_str(), out, sizeof out));
    return out;
  }
  // Whether two paths name the same folder.
  static bool same(const std::string& a, const std::string& b) {
    char ra[PATH_MAX], rb[PATH_MAX];
    return realpath(a.c_str(), ra) && realpath(b.c_str(), rb) && std::string(ra) == rb;
  }

  std::string root, bin, installed, elsewhere;
};

TEST_F(ShowFolder, AFolderHoldsTheShowWithTheMusicOrAnyPicture) {
  EXPECT_FALSE(folderHoldsShow(elsewhere.c_str()));
  put(elsewhere + "/notes.txt");
  EXPECT_FALSE(folderHoldsShow(elsewhere.c_str()));
  put(elsewhere + "/tex18.png");
  EXPECT_TRUE(folderHoldsShow(elsewhere.c_str()));
  put(bin + "/tarrowind.mp3");
  EXPECT_TRUE(folderHoldsShow(bin.c_str()));
  EXPECT_FALSE(folderHoldsShow((root + "/no-such-folder").c_str()));
}

TEST_F(ShowFolder, TheInstalledFolderIsFoundFromTheProgramsFolder) {
  char out[PATH_MAX];
  ASSERT_TRUE(installedFolderOf(bin.c_str(), out, sizeof out));
  EXPECT_TRUE(same(out, installed)) << out;
  EXPECT_FALSE(installedFolderOf(bin.c_str(), out, 8));
}

TEST_F(ShowFolder, TheDesktopProgramReadsTheWorkingDirectoryFirstThenTheInstall) {
  // Nothing anywhere: the working directory, where the show says what is missing.
  EXPECT_EQ(desktop(bin), ".");
  put(installed + "/tarrowind.mp3");
  EXPECT_TRUE(same(desktop(bin), installed)) << desktop(bin);
  // A show folder of the user's own, as before any install.
  put(elsewhere + "/tarrowind.mp3");
  EXPECT_EQ(desktop(bin), ".");
}

TEST_F(ShowFolder, TheCaptureReadsItsOwnFolderFirstThenTheInstall) {
  put(elsewhere + "/tarrowind.mp3");  // the working directory does not count
  EXPECT_EQ(capture(bin), bin);
  put(installed + "/tex00.png");
  EXPECT_TRUE(same(capture(bin), installed)) << capture(bin);
  put(bin + "/tarrowind.mp3");
  EXPECT_EQ(capture(bin), bin);
}

TEST_F(ShowFolder, TheExecutablesFolderHoldsTheRunningProgram) {
  char own[PATH_MAX];
  ASSERT_TRUE(executableFolder(own, sizeof own));
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  ASSERT_GT(n, 0);
  self[n] = '\0';
  EXPECT_EQ(std::string(self).rfind(std::string(own) + "/", 0), 0u) << own;
  EXPECT_FALSE(executableFolder(own, 4));
}
}  // namespace
