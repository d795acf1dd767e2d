// Whether clips are home in a destination folder: after an import, by its history; before the
// folder had one, by names and sizes; and what a change to the folder or the unit makes of them.
#include "import/Home.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "catalogue/ClipCatalogue.h"
#include "import/History.h"
#include "platform/ContentHash.h"
#include "support/RecordingEvents.h"
#include "support/SmallImport.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testsupport::SmallImport;
using testsupport::U16;

// The small unit (HDV0001 of three chunks in two outputs, DVC0001), and a unit of numbered folders
// with a DV clip with no recording time (named after the clock) and one whose two files were
// recorded in the same second (the second named "_2").
class HomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const testsupport::RecDateTime when{2008, 3, 17, 14, 0, 0};
    testsupport::WriteFile(folders / "DVF" / "001DVF" / "A.DV", std::string(3000, 'x'));
    for (const char* n : {"A.DV", "B.DV"}) {
      const auto frames = testsupport::DvFrames(when, n[0] == 'A' ? 1 : 2);
      testsupport::WriteFile(folders / "DVF" / "002DVF" / n, std::vector<unsigned char>(frames.begin(), frames.end()));
    }
  }

  // Both units' clips into dest, as two imports; the outcome of the first with the new clips of both.
  ImportOutcome ImportAll() {
    ImportOutcome first;
    for (const fs::path& unitRoot : {root, folders}) {
      ImportRequest request = testsupport::RequestForAll(unitRoot, dest);
      request.prefix = 3;
      testsupport::RecordingEvents events;
      const ImportOutcome outcome = testsupport::RunToEnd(std::move(request), events);
      if (unitRoot == root) {
        first = outcome;
      } else {
        first.newClips += outcome.newClips;
        first.failures.insert(first.failures.end(), outcome.failures.begin(), outcome.failures.end());
      }
    }
    return first;
  }

  // Each clip of both units by name: "home", "adopted" (home by name and size), "new" or "changed".
  std::map<std::string, std::string> States(bool rehash = false, const fs::path& folder = {}) {
    std::map<std::string, std::string> states;
    for (const fs::path& unitRoot : {root, folders}) {
      ClipCatalogue catalogue;
      catalogue.Scan(U16(unitRoot), true, true);
      std::vector<Clip> clips;
      for (std::size_t i = 0; i < catalogue.Count(); ++i) clips.push_back(*catalogue.Handle(i));
      const auto look = LookHome(clips, U16(unitRoot), U16(folder.empty() ? dest : folder), 3, rehash);
      EXPECT_TRUE(look.has_value());
      for (std::size_t i = 0; look && i < clips.size(); ++i) {
        const ClipHome& h = look->clips[i];
        states[platform::ToUtf8(clips[i].name)] = h.state == HomeState::Home      ? (h.adopted ? "adopted" : "home")
                                                  : h.state == HomeState::Changed ? "changed"
                                                                                  : "new";
      }
    }
    return states;
  }

  static std::map<std::string, std::string> All(const std::string& state) {
    return {{"001DVF", state}, {"002DVF", state}, {"DVC0001", state}, {"HDV0001", state}};
  }

  testsupport::TempDir dir;
  fs::path root = dir.Path() / "unit";
  fs::path folders = dir.Path() / "folders";
  fs::path dest = dir.Path() / "dest";
  SmallImport unit{root, dest};
};

TEST_F(HomeTest, AfterAnImportEveryClipIsHomeUntilItsFilesChange) {
  EXPECT_EQ(States(), All("new"));
  const ImportOutcome outcome = ImportAll();
  ASSERT_TRUE(outcome.failures.empty());
  EXPECT_EQ(outcome.newClips, 4u);
  EXPECT_EQ(States(), All("home")) << "the clip named after the clock and the \"_2\" name included";

  // The history names each output's chunks, relative to the unit, with their first bytes' hash.
  const auto folder = platform::Files().OpenFolder(U16(dest));
  const HistoryRead history = LoadHistory(*folder);
  ASSERT_EQ(history.records.size(), 6u);
  const HistoryRecord& joined = history.records[0];
  EXPECT_EQ(joined.clip, u"HDV0001");
  ASSERT_EQ(joined.chunks.size(), 2u);
  EXPECT_EQ(joined.chunks[1].path, u"VIDEO/QVT/" + unit.ChunkPath(SmallImport::Chunk::B).filename().u16string());
  const auto b = testsupport::ReadFile(unit.ChunkPath(SmallImport::Chunk::B));
  platform::ContentHash head;
  head.Update(b.data(), std::min(b.size(), kFingerprintBytes));
  EXPECT_EQ(joined.chunks[1].head, head.Digest());
  EXPECT_EQ(joined.chunks[1].size, b.size());

  // A new recording on the unit is new; the others stay home.
  testsupport::WriteFile(folders / "DVF" / "003DVF" / "A.DV", std::string(500, 'y'));
  auto expected = All("home");
  expected["003DVF"] = "new";
  EXPECT_EQ(States(), expected);

  // A deleted output, and an output with a byte changed, which only a rehash sees.
  const std::vector<std::string> names = testsupport::EntryNames(dest);
  const auto second = std::find_if(names.begin(), names.end(), [](const std::string& n) { return n.ends_with("_2.DV"); });
  ASSERT_NE(second, names.end());
  fs::remove(dest / *second);
  std::vector<unsigned char> d = testsupport::ReadFile(unit.OutputPath(SmallImport::Output::D));
  d[10] ^= 1;
  testsupport::WriteFile(unit.OutputPath(SmallImport::Output::D), d);
  expected["002DVF"] = "changed";
  EXPECT_EQ(States(), expected);
  expected["DVC0001"] = "changed";
  EXPECT_EQ(States(true), expected);
}

TEST_F(HomeTest, WithoutAHistoryClipsAreKnownByNameAndSize) {
  ASSERT_TRUE(ImportAll().failures.empty());
  fs::remove(dest / ".quillon-history");
  fs::resize_file(unit.OutputPath(SmallImport::Output::D), 100);
  // A clip named after the clock cannot be known by its name.
  EXPECT_EQ(States(), (std::map<std::string, std::string>{
                          {"001DVF", "new"}, {"002DVF", "adopted"}, {"DVC0001", "new"}, {"HDV0001", "adopted"}}));
}

TEST_F(HomeTest, AClipStaysHomeWhenItsTimesMoveByAZoneShiftAndItsFirstBytesAreTheSame) {
  struct Case {
    const char* what;
    int seconds;
    bool rewritten;  // the chunk's first bytes differ: recorded again in its place
    const char* state;
  } cases[] = {
      {"an hour later", 3600, false, "home"},
      {"half an hour earlier", -1800, false, "home"},
      {"a day earlier", -24 * 3600, false, "home"},
      {"45 minutes later", 2700, false, "new"},
      {"a day and an hour later", 25 * 3600, false, "new"},
      {"an hour later, recorded again", 3600, true, "new"},
  };
  ASSERT_TRUE(ImportAll().failures.empty());
  const fs::path chunk = unit.ChunkPath(SmallImport::Chunk::D);
  const auto original = testsupport::ReadFile(chunk);
  const auto written = fs::last_write_time(chunk);
  for (const Case& c : cases) {
    auto bytes = original;
    if (c.rewritten) bytes[0] ^= 0xFF;
    testsupport::WriteFile(chunk, bytes);
    fs::last_write_time(chunk, written + std::chrono::seconds(c.seconds));
    EXPECT_EQ(States()["DVC0001"], c.state) << c.what;
  }
}

TEST_F(HomeTest, AFolderMovedElsewhereKeepsItsClipsHome) {
  ASSERT_TRUE(ImportAll().failures.empty());
  const fs::path moved = dir.Path() / "archive" / "2008";
  fs::create_directories(moved.parent_path());
  fs::rename(dest, moved);
  EXPECT_EQ(States(false, moved), All("home"));
}

}  // namespace
}  // namespace quillon
