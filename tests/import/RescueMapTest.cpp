// The rescue map: its areas as marks leave them, its text as GNU ddrescue writes and reads it,
// and hostile map texts refused.
#include "import/RescueMap.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "support/Process.h"
#include "support/TempDir.h"
#endif

namespace quillon {
namespace {

using S = AreaStatus;

TEST(RescueMap, MarksSplitAndMergeAreasAndCountTheirBytes) {
  RescueMap map(10000);
  map.Mark(1000, 500, S::Finished);
  map.Mark(1500, 500, S::Finished);
  map.Mark(1200, 100, S::NonTrimmed);
  map.Mark(9000, 5000, S::BadSector);  // cut at the output's end
  EXPECT_EQ(map.Areas(), (std::vector<RescueArea>{{0, 1000, S::NonTried},
                                                  {1000, 200, S::Finished},
                                                  {1200, 100, S::NonTrimmed},
                                                  {1300, 700, S::Finished},
                                                  {2000, 7000, S::NonTried},
                                                  {9000, 1000, S::BadSector}}));
  EXPECT_EQ(map.Bytes(S::Finished), 900u);
  EXPECT_EQ(map.MissingBytes(), 9100u);
  EXPECT_EQ(map.NextArea(1250, S::NonTried), (RescueArea{2000, 7000, S::NonTried}));
  EXPECT_EQ(map.PreviousArea(2000, S::NonTried), (RescueArea{0, 1000, S::NonTried}));

  map.Mark(1200, 100, S::Finished);
  EXPECT_EQ(map.Areas(S::Finished), (std::vector<RescueArea>{{1000, 1000, S::Finished}}));
  map.Mark(0, 10000, S::Finished);
  EXPECT_TRUE(map.Complete());
  EXPECT_EQ(map.Areas().size(), 1u);
}

// The manual's example mapfile, as GNU ddrescue writes it.
constexpr char kManualExample[] =
    "# Mapfile. Created by GNU ddrescue version 1.27\n"
    "# Command line: ddrescue -d -c18 /dev/fd0 fdimage mapfile\n"
    "# Start time:   2015-07-21 09:37:44\n"
    "# Current time: 2015-07-21 09:38:19\n"
    "# Copying non-tried blocks... Pass 1 (forwards)\n"
    "# current_pos  current_status  current_pass\n"
    "0x00120000     ?               1\n"
    "#      pos        size  status\n"
    "0x00000000  0x00117000  +\n"
    "0x00117000  0x00000200  -\n"
    "0x00117200  0x00001000  /\n"
    "0x00118200  0x00007E00  *\n"
    "0x00120000  0x00048000  ?\n";

RescueMap ManualExample() {
  RescueMap map(0x168000);
  map.Mark(0, 0x117000, S::Finished);
  map.Mark(0x117000, 0x200, S::BadSector);
  map.Mark(0x117200, 0x1000, S::NonScraped);
  map.Mark(0x118200, 0x7E00, S::NonTrimmed);
  map.SetProgress({0x120000, RescuePhase::Copying, 1});
  return map;
}

TEST(RescueMap, TextIsTheMapfileGnuDdrescueWrites) {
  const MapHeader header{"GNU ddrescue", "1.27", "ddrescue -d -c18 /dev/fd0 fdimage mapfile", "2015-07-21 09:37:44",
                         "2015-07-21 09:38:19"};
  EXPECT_EQ(ManualExample().Text(header), kManualExample);
}

TEST(RescueMap, ParseReadsBackItsTextAndGnuDdrescues) {
  const RescueMapParse gnu = RescueMap::Parse(kManualExample);
  ASSERT_TRUE(gnu.map) << gnu.error;
  EXPECT_EQ(*gnu.map, ManualExample());

  RescueMap map = ManualExample();
  map.SetProgress({0x117200, RescuePhase::Retrying, 2});
  // A heading field cannot break out of its comment line.
  const std::string text = map.Text({"Quillon", "1.1", "quillon-cli\n0 + 1\n0 1 -", "\r", ""});
  const RescueMapParse ours = RescueMap::Parse(text);
  ASSERT_TRUE(ours.map) << ours.error << "\n" << text;
  EXPECT_EQ(*ours.map, map);
}

TEST(RescueMap, ParseTakesTheIntegersAndLinesOfAMapEditedByHand) {
  // Octal and decimal, CRLF, a comment after the words, an old status line without the pass,
  // neighbours of the same status.
  const RescueMapParse r = RescueMap::Parse("\r\n  512 / # scraping\r\n0 01000 +\r\n512 256 +\r\n0x300\t0X100 -\r\n");
  ASSERT_TRUE(r.map) << r.error;
  EXPECT_EQ(r.map->Areas(), (std::vector<RescueArea>{{0, 768, S::Finished}, {768, 256, S::BadSector}}));
  EXPECT_EQ(r.map->Progress(), (RescueProgress{512, RescuePhase::Scraping, 1}));
}

struct Hostile {
  const char* name;
  std::string text;
  const char* error;
};

TEST(RescueMap, ParseRefusesHostileText) {
  const std::string head = "0 + 1\n";
  const std::vector<Hostile> table = {
      {"empty", "", "no status line"},
      {"gap", head + "0 0x100 +\n0x200 0x100 -\n", "line 3: the block begins at 0x00000200, not where"},
      {"overlap", head + "0 0x200 +\n0x100 0x100 -\n", "line 3: the block begins"},
      {"end beyond 63 bits", head + "0 0x7FFFFFFFFFFFFFFF +\n0x7FFFFFFFFFFFFFFF 1 -\n", "line 3: the block ends beyond"},
      {"size beyond 63 bits", head + "0 0x8000000000000000 +\n", "line 2: not a size"},
      {"negative size", head + "0 -5 +\n", "not a size: '-5'"},
      {"no digits", head + "0 0x +\n", "not a size"},
      {"empty block", head + "0 0 +\n", "line 2: the block is empty"},
      {"block status F", head + "0 0x100 F\n", "line 2: not a status of a block: 'F'"},
      {"status glued to a #", head + "0 0x100 +#\n", "not a status of a block"},
      {"unknown phase", "0 X 1\n", "line 1: not a status of the rescue"},
      {"pass 0", "0 + 0\n", "not a pass"},
      {"pass beyond an int", "0 + 99999999999\n", "not a pass"},
      {"a fourth word", head + "0 0x100 + x\n", "line 2: a block line wants"},
      {"NUL byte", head + "0 0x100 +\n" + std::string(1, '\0') + "\n", "line 3: a block line wants"},
      {"line too long", head + std::string(kMaxMapLineLength + 1, ' ') + "\n", "line 2: longer than 4096"},
      {"too many lines", std::string(kMaxMapLines + 1, '\n'), "more than 2097152 lines"},
  };
  for (const Hostile& h : table) {
    const RescueMapParse r = RescueMap::Parse(h.text);
    EXPECT_FALSE(r.map) << h.name;
    EXPECT_NE(r.error.find(h.error), std::string::npos) << h.name << ": " << r.error;
  }
}

#ifndef _WIN32
TEST(RescueMap, DdrescuelogReadsTheText) {
  // ddrescuelog ARGS... as the shell finds it on the PATH; 127 when it finds none.
  const auto ddrescuelog = [](std::vector<std::string> args) {
    args.insert(args.begin(), {"/bin/sh", "-c", "exec ddrescuelog \"$@\"", "sh"});
    return testsupport::RunProcess(args);
  };
  if (ddrescuelog({"--version"}).exitCode == 127) GTEST_SKIP() << "ddrescuelog (GNU ddrescue, Debian's gddrescue) is not installed";
  RescueMap map(0x810);
  map.Mark(0, 0x200, S::Finished);
  map.Mark(0x200, 0x400, S::BadSector);
  map.Mark(0x600, 0x200, S::NonScraped);
  map.SetProgress({0x600, RescuePhase::Scraping, 1});
  testsupport::TempDir dir;
  const std::string file = (dir.Path() / "output.map").string();
  testsupport::WriteFile(file, map.Text({"Quillon", "1.1", "", "", ""}));

  const testsupport::ProcessResult status = ddrescuelog({"-t", file});
  EXPECT_EQ(status.exitCode, 0) << status.err;
  // The sectors of the bad and the non-scraped areas, as it lists them.
  const testsupport::ProcessResult listed = ddrescuelog({"-l-/", "-b512", file});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out, "1\n2\n3\n");
}
#endif

}  // namespace
}  // namespace quillon
