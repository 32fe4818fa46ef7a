// The desktop program's options: a plain start without any, the question
// answered in advance, a later start, help and version, and everything that
// is refused with a reason.
#include "app/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "timeline/moments_file.h"

namespace {
struct Parsed {
  OptionsParse result;
  ShowStart start;
  std::string why;
  MomentsOptions moments;
  // The options' file names point into the arguments, which end with parse():
  // copied here, and the pointers cleared so that no test reads freed words.
  std::string file;
  std::string exportTo;
};

Parsed parse(const std::vector<const char*>& arguments) {
  std::vector<std::string> words{"vantorel"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  Parsed parsed{};
  char why[512];
  parsed.result = parseShowOptions(static_cast<int>(words.size()), argv.data(), &parsed.start, why,
                                   sizeof why, &parsed.moments);
  parsed.why = why;
  if (parsed.moments.file != nullptr) parsed.file = parsed.moments.file;
  if (parsed.moments.exportTo != nullptr) parsed.exportTo = parsed.moments.exportTo;
  parsed.moments.file = parsed.moments.file != nullptr ? "" : nullptr;
  parsed.moments.exportTo = parsed.moments.exportTo != nullptr ? "" : nullptr;
  return parsed;
}

TEST(ShowOptions, NoneMeanTodaysStart) {
  const Parsed parsed = parse({});
  EXPECT_EQ(parsed.result, OptionsParse::Run);
  EXPECT_EQ(parsed.start.answer, kAskStartQuestion);
  EXPECT_EQ(parsed.start.atMs, 0);
}

TEST(ShowOptions, WindowAndFullscreenAnswerTheQuestionInAdvance) {
  EXPECT_EQ(parse({"--window"}).start.answer, kDialogAnswerNo);
  EXPECT_EQ(parse({"--fullscreen"}).start.answer, kDialogAnswerYes);
  EXPECT_EQ(parse({"--window", "--window"}).start.answer, kDialogAnswerNo);
  const Parsed both = parse({"--window", "--fullscreen"});
  EXPECT_EQ(both.result, OptionsParse::Bad);
  EXPECT_NE(both.why.find("--window and --fullscreen"), std::string::npos) << both.why;
}

TEST(ShowOptions, AudioOffsetTakesWholeMsEitherWayUpToTwoSeconds) {
  EXPECT_EQ(parse({}).start.audioOffsetMs, 0);
  EXPECT_EQ(parse({"--audio-offset", "150"}).start.audioOffsetMs, 150);
  EXPECT_EQ(parse({"--audio-offset=-40"}).start.audioOffsetMs, -40);
  EXPECT_EQ(parse({"--audio-offset", "2000"}).start.audioOffsetMs, 2000);
  EXPECT_EQ(parse({"--audio-offset", "-2000"}).start.audioOffsetMs, -2000);
  for (const char* bad : {"2001", "-2001", "1.5", "abc", "", "15ms"}) {
    SCOPED_TRACE(bad);
    const Parsed parsed = parse({"--audio-offset", bad});
    EXPECT_EQ(parsed.result, OptionsParse::Bad);
    EXPECT_NE(parsed.why.find("--audio-offset"), std::string::npos) << parsed.why;
  }
}

TEST(ShowOptions, StartTakesAMomentOfTheShowInMs) {
  const std::vector<std::pair<std::vector<const char*>, int32_t>> cases = {
      {{"--start", "60000"}, 60000},
      {{"--start=0"}, 0},
      {{"--start", "195999"}, 195999},
      {{"--window", "--start", "1"}, 1},
      {{"--start", "5", "--start", "7"}, 7},
  };
  for (const auto& [arguments, ms] : cases) {
    SCOPED_TRACE(ms);
    const Parsed parsed = parse(arguments);
    EXPECT_EQ(parsed.result, OptionsParse::Run) << parsed.why;
    EXPECT_EQ(parsed.start.atMs, ms);
  }
}

TEST(ShowOptions, AMomentThatIsNoWholeNumberInTheShowIsRefused) {
  for (const char* value : {"abc", "-5", "+5", " 5", "5 ", "1.5", "", "196000", "4294967296",
                            "99999999999999999999"}) {
    SCOPED_TRACE(std::string("--start \"") + value + "\"");
    const Parsed parsed = parse({"--start", value});
    EXPECT_EQ(parsed.result, OptionsParse::Bad);
    EXPECT_NE(parsed.why.find("--start"), std::string::npos) << parsed.why;
    EXPECT_NE(parsed.why.find("195999"), std::string::npos) << parsed.why;
  }
  const Parsed missing = parse({"--start"});
  EXPECT_EQ(missing.result, OptionsParse::Bad);
  EXPECT_EQ(missing.why, "--start needs a value");
}

TEST(ShowOptions, HelpAndVersionAreAnswersOfTheirOwn) {
  EXPECT_EQ(parse({"--help"}).result, OptionsParse::Help);
  EXPECT_EQ(parse({"--window", "--version"}).result, OptionsParse::Version);
  EXPECT_NE(std::string(kShowUsage).find("--start MS"), std::string::npos);
  EXPECT_NE(std::string(kShowVersion), "");
}

TEST(ShowOptions, UnknownOptionsAndStrayWordsAreRefusedByName) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"--bogus"}, "unknown option \"--bogus\""},
      {{"-x"}, "unknown option \"-x\""},
      {{"--window", "-qz"}, "unknown option \"-q\""},
      {{"show"}, "unexpected argument \"show\""},
      {{"--help=yes"}, "--help takes no value"},
      {{"--window=1"}, "--window takes no value"},
  };
  for (const auto& [arguments, why] : cases) {
    SCOPED_TRACE(why);
    const Parsed parsed = parse(arguments);
    EXPECT_EQ(parsed.result, OptionsParse::Bad);
    EXPECT_EQ(parsed.why, why);
  }
}

// A moments file with the End scene's lo at `endLo`.
std::string momentsFile(const char* path, int32_t endLo) {
  std::string text = momentsText(kCompiledMoments);
  const std::string end = "name = \"End\"\nlo = ";
  const size_t at = text.find(end) + end.size();
  text.replace(at, text.find('\n', at) - at, std::to_string(endLo));
  std::FILE* file = std::fopen(path, "wb");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  return path;
}

TEST(ShowOptions, AMomentsFileIsReadAndAStartMustLieBeforeItsEnd) {
  const Parsed plain = parse({});
  EXPECT_EQ(plain.moments.file, nullptr);
  EXPECT_TRUE(plain.moments.table == kCompiledMoments);

  const std::string longer = momentsFile("longer.toml", 200000);
  const Parsed read = parse({"--moments", longer.c_str(), "--start", "199000"});
  ASSERT_EQ(read.result, OptionsParse::Run) << read.why;
  EXPECT_EQ(showEndsAtMs(read.moments.table), 200001);
  EXPECT_FALSE(read.moments.maker);
  EXPECT_EQ(read.start.atMs, 199000);

  // The start is checked against the file's end, wherever the options stand.
  const Parsed late = parse({"--start", "200001", "--moments", longer.c_str()});
  EXPECT_EQ(late.result, OptionsParse::Bad);
  EXPECT_NE(late.why.find("from 0 to 200000"), std::string::npos) << late.why;

  const std::string bad = momentsFile("bad.toml", 100);
  const Parsed refused = parse({"--moments", bad.c_str()});
  EXPECT_EQ(refused.result, OptionsParse::BadFile);
  EXPECT_EQ(refused.why.rfind("bad.toml:", 0), 0u) << refused.why;
  EXPECT_NE(refused.why.find("is not after the lo of the scene above"), std::string::npos)
      << refused.why;
  std::remove("longer.toml");
  std::remove("bad.toml");
}

TEST(ShowOptions, TheMakersModePlaysItsFileInAWindow) {
  const std::string file = momentsFile("maker.toml", 195999);
  const Parsed maker = parse({"--maker", file.c_str()});
  ASSERT_EQ(maker.result, OptionsParse::Run) << maker.why;
  EXPECT_TRUE(maker.moments.maker);
  EXPECT_EQ(maker.file, "maker.toml");
  EXPECT_EQ(maker.start.answer, kDialogAnswerNo);
  EXPECT_EQ(parse({"--maker", file.c_str(), "--fullscreen"}).result, OptionsParse::Bad);
  EXPECT_EQ(parse({"--maker", file.c_str(), "--moments", file.c_str()}).result, OptionsParse::Bad);
  const Parsed exported = parse({"--export-moments", "out.toml"});
  EXPECT_EQ(exported.result, OptionsParse::Run);
  EXPECT_EQ(exported.exportTo, "out.toml");
  std::remove("maker.toml");
}
}  // namespace
