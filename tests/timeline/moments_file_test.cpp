// The moments file: the show's table written out and read back, edits a
// person makes, and files that are refused, each with the line, the column
// and the reason.
#include "timeline/moments_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
const std::string kShow = momentsText(kCompiledMoments);

struct Parsed {
  int ok;
  MomentTable table;
  MomentsFileError error;
};

Parsed parse(const std::string& text) {
  Parsed p{0, kCompiledMoments, {}};
  p.ok = parseMoments(text.data(), text.size(), &p.table, &p.error);
  return p;
}

int lineOf(const std::string& text, size_t at) {
  int line = 1;
  for (size_t i = 0; i < at; ++i) line += text[i] == '\n';
  return line;
}

// Sets `key` of the row named `row` to `value` in `text`; returns the line
// it stands on.
int setField(std::string& text, const char* row, const char* key, const std::string& value) {
  const size_t rowAt = text.find(std::string("name = \"") + row + "\"\n");
  EXPECT_NE(rowAt, std::string::npos) << row;
  const size_t at = text.find(std::string("\n") + key + " = ", rowAt) + 1;
  const size_t end = text.find('\n', at);
  text.replace(at, end - at, std::string(key) + " = " + value);
  return lineOf(text, at);
}

TEST(MomentsFile, TheShowsTableComesBackAsItWentOut) {
  const Parsed read = parse(kShow);
  ASSERT_EQ(read.ok, 1) << read.error.line << ": " << read.error.reason;
  EXPECT_TRUE(read.table == kCompiledMoments);
  EXPECT_EQ(momentsText(read.table), kShow);
  // Values by their names in the code, not by their numbers.
  for (const char* name : {"meshTo(kMeshCube)", "\"kSlotSunsetWall\"", "\"kFromTheStart\"",
                           "everyFrame(ribbonsTo(kRibbonHidden))", "\"kSlideLeft\""})
    EXPECT_NE(kShow.find(name), std::string::npos) << name;
}

TEST(MomentsFile, AnEditChangesItsOwnFieldOnly) {
  std::string text = kShow;
  setField(text, "Credits", "lo", "37000");
  setField(text, "Credits", "backdrop", "\"kSlotSpaceWall\"");
  setField(text, "Finale", "cue", "\"once( meshTo(kMeshCube) , swarmTo(kSpriteRest) )\"");
  const Parsed read = parse(text);
  ASSERT_EQ(read.ok, 1) << read.error.line << ": " << read.error.reason;
  MomentTable expected = kCompiledMoments;
  for (Scene& scene : expected.scenes) {
    if (scene.name == Moment::Credits) scene.lo = 37000, scene.backdrop = kSlotSpaceWall;
    if (scene.name == Moment::Finale) scene.cue = once(meshTo(kMeshCube), swarmTo(kSpriteRest));
  }
  EXPECT_TRUE(read.table == expected);
}

TEST(MomentsFile, RowsMayMoveAndScenesMayLeaveOutWhatTheyDoNotUse) {
  // The turn TurnBack moved before TurnAway by time and by row.
  std::string text = kShow;
  setField(text, "TurnBack", "lo", "10000");
  setField(text, "TurnBack", "hi", "15999");
  const size_t first = text.find("[[turn]]");
  const size_t second = text.find("[[turn]]", first + 1);
  const size_t third = text.find("[[turn]]", second + 1);
  const std::string away = text.substr(first, second - first);
  text.erase(first, second - first);
  text.insert(third - away.size(), away);
  // A scene with only its name and lo.
  const size_t breakdown = text.find("name = \"Breakdown\"");
  const size_t next = text.find("[[scene]]", breakdown);
  text.replace(breakdown, next - breakdown, "name = \"Breakdown\"\nlo = 90999\n\n");
  const Parsed read = parse(text);
  ASSERT_EQ(read.ok, 1) << read.error.line << ": " << read.error.reason;
  EXPECT_EQ(read.table.turns[0].name, Moment::TurnBack);
  EXPECT_EQ(read.table.turns[1].name, Moment::TurnAway);
  EXPECT_EQ(momentWindow(Moment::TurnBack, read.table).lo, 10000);
  const Scene plain{.name = Moment::Breakdown, .lo = 90999};
  EXPECT_TRUE(read.table.scenes[sceneAt(91000, read.table)] == plain);
}

TEST(MomentsFile, AUtf8ByteOrderMarkIsReadPast) {
  const Parsed read = parse("\xEF\xBB\xBF" + kShow);
  ASSERT_EQ(read.ok, 1) << read.error.reason;
  EXPECT_TRUE(read.table == kCompiledMoments);
}

struct Refusal {
  int line, column;
  std::string reason;
};

void expectRefused(const std::string& text, const Refusal& want) {
  const Parsed read = parse(text);
  ASSERT_EQ(read.ok, 0);
  EXPECT_EQ(read.error.line, want.line) << read.error.reason;
  if (want.column) {
    EXPECT_EQ(read.error.column, want.column) << read.error.reason;
  }
  EXPECT_NE(std::string(read.error.reason).find(want.reason), std::string::npos)
      << read.error.reason;
  EXPECT_TRUE(read.table == kCompiledMoments) << "a refused file changes nothing";
}

// One field of one row set to a value, and the reason its refusal gives, at
// that value's line and column.
struct Edit {
  const char* row;
  const char* key;
  const char* value;
  const char* reason;
};
template <size_t N>
void expectEditsRefused(const Edit (&edits)[N]) {
  for (const Edit& edit : edits) {
    SCOPED_TRACE(std::string(edit.row) + " " + edit.key + " = " + edit.value);
    std::string text = kShow;
    const int line = setField(text, edit.row, edit.key, edit.value);
    expectRefused(text, {line, static_cast<int>(std::strlen(edit.key)) + 4, edit.reason});
  }
}

TEST(MomentsFile, FilesThatAreNoMomentsFileAreRefusedWithWhereAndWhy) {
  expectRefused("", {1, 1, "empty"});
  expectRefused("# nothing but a comment\n", {1, 1, "no [[turn]] rows"});
  expectRefused("\xFF\xFE[", {1, 1, "UTF-16"});
  const char nul[] = "[[turn]]\nname = \"Turn\0Away\"\n";
  expectRefused(std::string(nul, sizeof nul - 1), {2, 13, "NUL"});
  std::string nested = kShow;
  nested.insert(nested.find("[[title]]"), "x = " + std::string(40, '[') + "\n");
  expectRefused(nested, {lineOf(nested, nested.find("x = ")), 13, "nested deeper"});
  std::string longLine = kShow;
  longLine.insert(longLine.find("[[turn]]"), "# " + std::string(5000, 'x') + "\n");
  expectRefused(longLine, {lineOf(longLine, longLine.find("# xxx")), 1001, "longer than 1000"});
  std::string notToml = kShow;
  const int line = setField(notToml, "Wobble", "lo", "");
  expectRefused(notToml, {line, 0, ""});
}

// Bytes that are no UTF-8 are refused where they stand, in a string of any
// kind and in a comment alike; UTF-8 text beyond ASCII reads as it always
// did, a character a column.
TEST(MomentsFile, BytesThatAreNoUtf8AreRefusedWhereTheyStand) {
  const struct {
    const char* what;
    std::string line;
    int column;
  } cases[] = {
      {"a multi-line literal string", "note = '''\nab\xC3'''", 3},
      {"a multi-line string", "note = \"\"\"ab\xE2\x82\"\"\"", 13},
      {"a literal string", "note = 'a\xFF" "b'", 10},
      {"a string", "note = \"\x80\"", 9},
      {"a comment", "# caf\xC0\xA9 (overlong)", 6},
      {"a surrogate", "# \xED\xA0\x80", 3},
      {"past U+10FFFF", "# \xF4\x90\x80\x80", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string text = kShow;
    const size_t at = text.find("[[title]]");
    text.insert(at, c.line + "\n");
    const int line =
        lineOf(text, at) + static_cast<int>(std::count(c.line.begin(), c.line.end(), '\n'));
    expectRefused(text, {line, c.column, "no UTF-8"});
  }
  std::string accented = kShow;
  accented.insert(accented.find("[[title]]"), "# \xC3\x9c" "bergang \xE2\x80\x94 \xE2\x9C\x93 \xF0\x9D\x84\x9E\n");
  EXPECT_EQ(parse(accented).ok, 1) << parse(accented).error.reason;
  // A character is one column: the line limit counts characters.
  std::string wide = kShow;
  std::string many = "# ";
  for (int i = 0; i < 900; ++i) many += "\xC3\xA9";
  wide.insert(wide.find("[[turn]]"), many + "\n");
  EXPECT_EQ(parse(wide).ok, 1) << parse(wide).error.reason;
}

TEST(MomentsFile, ATruncatedFileNamesTheRowItStopsIn) {
  const size_t cut = kShow.find("hi = ", kShow.find("name = \"TurnBack\""));
  const std::string text = kShow.substr(0, cut);
  expectRefused(text, {lineOf(text, text.rfind("[[turn]]")), 1, "has no hi"});
  const std::string fewer = kShow.substr(0, kShow.rfind("[[scene]]"));
  expectRefused(fewer, {lineOf(fewer, fewer.rfind("[[scene]]")), 1, "the show has 23 scenes"});
}

TEST(MomentsFile, BadValuesAreRefusedWhereTheyStand) {
  const Edit edits[] = {
      {"SecondDrop", "backdrop", "\"kSlotRingWal\"", "unknown name \"kSlotRingWal\""},
      {"Credits", "name", "\"Credit\"", "unknown name \"Credit\""},
      {"ShowTitle", "slot", "13", "must be a name in quotes"},
      {"TurnBack", "lo", "\"abc\"", "whole number of ms"},
      {"TurnBack", "lo", "20.5", "whole number of ms"},
      {"TurnBack", "hi", "-3", "outside 0 to 3600000"},
      {"TurnBack", "direction", "\"kTurnSideways\"", "unknown name"},
      {"Bounce", "spins", "1", "true or false"},
  };
  expectEditsRefused(edits);
  // A fault inside a cue: the column of the word at fault, past `cue = "`.
  const struct {
    const char* cue;
    int column;
    const char* reason;
  } cues[] = {
      {"once(meshTo(kMeshCube), swarmTo(kSprite))", 8 + 32, "unknown code"},
      {"everyFrame(meshTo(kRibbonWave))", 8 + 18, "unknown code"},
      {"everyFrame(meshTo(kMeshCube), swarmTo(kSpriteRest))", 8 + 28, "one call"},
      {"twice(meshTo(kMeshCube))", 8, "expected none"},
      {"once(meshTo(kMeshCube)", 8 + 22, "expected )"},
  };
  for (const auto& c : cues) {
    SCOPED_TRACE(c.cue);
    std::string text = kShow;
    const int line = setField(text, "FirstDrop", "cue", std::string("\"") + c.cue + "\"");
    expectRefused(text, {line, c.column, c.reason});
  }
}

TEST(MomentsFile, TablesOutOfOrderOrOutOfShapeAreRefusedByTheRow) {
  const Edit edits[] = {
      {"TurnBack", "lo", "19000", "comes before the turn above has ended"},
      {"TurnAway", "hi", "20000", "is not after lo"},
      {"MusicCredits", "lo", "40000", "before the title above has ended"},
      {"Credits", "lo", "25000", "is not after the lo of the scene above"},
      {"FirstDrop", "lo", "\"kFromTheStart\"", "only the first scene"},
      {"Opening", "lo", "0", "must be kFromTheStart"},
      {"Opening", "backdrop", "\"kKeepBackdrop\"", "must name a slot"},
      {"Finale", "endsShow", "true", "only the last scene ends the show"},
      {"End", "endsShow", "false", "the last scene ends the show"},
      {"Credits", "name", "\"TurnAway\"", "a moment of another table"},
      {"Credits", "name", "\"Break\"", "another row names too"},
      {"Credits", "name", "\"End\"", "another row names too"},
  };
  expectEditsRefused(edits);
}

TEST(MomentsFile, StrayTablesFieldsAndRowsAreRefused) {
  std::string stray = kShow;
  const int strayLine = setField(stray, "Pulse", "spins", "false\nspinz = true") + 1;
  expectRefused(stray, {strayLine, 9, "\"spinz\" is no field of a [[scene]] row"});
  std::string twice = kShow;
  const int twiceLine = setField(twice, "Pulse", "spins", "false\nspins = true") + 1;
  expectRefused(twice, {twiceLine, 0, ""});
  const std::string table = kShow + "\n[[scenes]]\nname = \"End\"\n";
  expectRefused(table, {lineOf(table, table.rfind("[[scenes]]")), 0, "\"scenes\" is no table"});
  const std::string extra = kShow + "\n[[turn]]\nname = \"TurnAway\"\n";
  expectRefused(extra, {lineOf(extra, extra.rfind("[[turn]]")), 1, "one [[turn]] row too many"});
}

TEST(MomentsFile, AFileThatCannotBeReadSaysSoWithoutALine) {
  MomentTable table = kCompiledMoments;
  MomentsFileError error;
  EXPECT_EQ(readMomentsFile("no-such-moments.toml", &table, &error), 0);
  EXPECT_EQ(error.line, 0);
  EXPECT_NE(std::string(error.reason).find("cannot open"), std::string::npos) << error.reason;
  char why[256];
  EXPECT_EQ(writeMomentsFile("no-such-folder/moments.toml", kCompiledMoments, why, sizeof why), 0);
  EXPECT_NE(std::string(why).find("cannot write"), std::string::npos) << why;
  ASSERT_EQ(writeMomentsFile("moments.toml", kCompiledMoments, why, sizeof why), 1) << why;
  ASSERT_EQ(readMomentsFile("moments.toml", &table, &error), 1) << error.reason;
  EXPECT_TRUE(table == kCompiledMoments);
  std::remove("moments.toml");
}
}  // namespace

namespace {
TEST(MomentsFile, TheFirstChangeIsTheEarliestTimeAnEditedRowReaches) {
  EXPECT_EQ(firstChangeMs(kCompiledMoments, kCompiledMoments), INT32_MAX);
  std::string text = kShow;
  setField(text, "Bounce", "lo", "133000");
  setField(text, "ClosingLine", "hi", "74000");
  const Parsed later = parse(text);
  ASSERT_EQ(later.ok, 1) << later.error.reason;
  EXPECT_EQ(firstChangeMs(kCompiledMoments, later.table),
            momentWindow(Moment::ClosingLine, kCompiledMoments).lo);
  // Moved earlier, a row changes the show from its new time.
  text = kShow;
  setField(text, "Pulse", "lo", "68500");
  const Parsed earlier = parse(text);
  ASSERT_EQ(earlier.ok, 1) << earlier.error.reason;
  EXPECT_EQ(firstChangeMs(kCompiledMoments, earlier.table), 68500);
  EXPECT_EQ(firstChangeMs(earlier.table, kCompiledMoments), 68500);
  text = kShow;
  setField(text, "Opening", "backdrop", "\"kSlotSpaceWall\"");
  EXPECT_EQ(firstChangeMs(kCompiledMoments, parse(text).table), 0);
}
}  // namespace
