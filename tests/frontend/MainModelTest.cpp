// The main window's rules, whatever draws it: which drive is chosen at start and as units come
// and go, which clips stay selected across rescans, the hints, "Other folder...", Import's
// button, and the refreshes held back during an import.
#include "frontend/MainModel.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include <filesystem>

#include "support/FakeViews.h"
#include "support/FaultyFileSystem.h"
#include "support/TempDir.h"
#include "support/UnitTree.h"

namespace quillon::frontend {
namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;
using testsupport::UnitTree;
using Names = std::vector<std::string>;

class MainModelTest : public ::testing::Test {
 protected:
  UnitTree Unit(std::string_view name, std::initializer_list<std::string_view> clips) {
    UnitTree unit(dir, name);
    unit.Flat();
    for (auto clip : clips) PutClip(unit, clip);
    return unit;
  }
  static void PutClip(const UnitTree& unit, std::string_view name) {
    testsupport::PutFile(unit.Flat(), std::string(name) + ".DV", testsupport::Bytes(4096, 0));
  }

  // A window opened with the settings saved before.
  std::unique_ptr<MainModel> Open(const std::u16string& savedDrive = {}, const std::u16string& startFolder = {}) {
    MainModelOptions options;
    options.findUnitDrives = [this] { return drives; };
    options.refreshLater = [this] { ++refreshesAsked; };
    options.scanWait = std::chrono::seconds(30);  // the list is there when a call returns
    auto model = std::make_unique<MainModel>(view, session, session.Wake(), std::move(options));
    session.session = &model->Session();
    model->Restore(savedDrive, dir.U16("dest"), startFolder);
    model->FillDriveCombo(true);
    return model;
  }

  TempDir dir;
  std::vector<std::u16string> drives;
  testsupport::FakeMainView view;
  testsupport::FakeSessionView session;
  int refreshesAsked = 0;
};

TEST_F(MainModelTest, TheSavedDriveIsTakenWhenItIsThereElseTheLastInSortedOrder) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001", "BBB0002"});
  const auto c = Unit("c", {"CCC0001"});
  const auto unit2 = Unit("UNIT2", {"UNT0002"});
  drives = {c.Drive(), a.Drive(), b.Drive(), unit2.Drive()};
  struct Case {
    std::u16string saved;
    std::u16string chosen;
  };
  const Case cases[] = {
      {b.Drive(), b.Drive()},
      {dir.U16("gone"), unit2.Drive()},
      {dir.U16("UNIT"), unit2.Drive()},  // the whole mount point must match, not its beginning
      {{}, unit2.Drive()},
  };
  for (const Case& c : cases) {
    auto model = Open(c.saved);
    EXPECT_EQ(model->Drive(), c.chosen);
    EXPECT_EQ(view.drives, (std::vector<std::u16string>{a.Drive(), b.Drive(), drives[0], unit2.Drive()}))
        << "sorted as a sorted list box sorts, ignoring case first";
    EXPECT_EQ(view.drives.at(static_cast<std::size_t>(view.selectedDrive)), c.chosen);
    EXPECT_FALSE(view.importEnabled);
    EXPECT_EQ(view.hint, "");
  }
  EXPECT_EQ(Open(b.Drive())->Catalogue().Count(), 2u);
  EXPECT_EQ(view.ClipNames(), (Names{"BBB0001", "BBB0002"}));
}

TEST_F(MainModelTest, UnitsComingAndGoingKeepTheSelectedDriveOrFallBack) {
  const auto a = Unit("A", {"AAA0001", "AAA0002"});
  const auto b = Unit("B", {"BBB0001"});
  drives = {a.Drive()};
  auto model = Open();
  view.SelectClips({"AAA0002"});

  // A second unit arrives: the selected drive and its list stay as they are.
  drives = {a.Drive(), b.Drive()};
  model->FillDriveCombo(false);
  EXPECT_EQ(model->Drive(), a.Drive());
  EXPECT_EQ(view.ClipNames(true), Names{"AAA0002"});

  // The selected unit goes: the last remaining drive is taken, and comes back without taking over.
  model->OnDriveChosen(1);
  ASSERT_EQ(model->Drive(), b.Drive());
  drives = {a.Drive()};
  model->FillDriveCombo(false);
  EXPECT_EQ(model->Drive(), a.Drive());
  EXPECT_EQ(view.ClipNames(), (Names{"AAA0001", "AAA0002"}));
  drives = {a.Drive(), b.Drive()};
  model->FillDriveCombo(false);
  EXPECT_EQ(model->Drive(), a.Drive());

  // The last one goes: everything is empty, and the next unit is taken.
  view.SelectClips({"AAA0001"});
  model->OnSelectionChanged();
  ASSERT_TRUE(view.importEnabled);
  drives.clear();
  model->FillDriveCombo(false);
  EXPECT_TRUE(view.drives.empty());
  EXPECT_TRUE(view.rows.empty());
  EXPECT_TRUE(model->Drive().empty());
  EXPECT_FALSE(view.importEnabled);
  drives = {b.Drive()};
  model->FillDriveCombo(false);
  EXPECT_EQ(model->Drive(), b.Drive());
  EXPECT_EQ(view.ClipNames(), Names{"BBB0001"});
}

TEST_F(MainModelTest, RescansKeepTheSelectedClipsByNameWhereverTheirRowsMove) {
  const auto a = Unit("A", {"CLP0002", "CLP0003"});
  const auto b = Unit("B", {"CLP0003", "OTH0001"});
  drives = {a.Drive(), b.Drive()};
  auto model = Open(a.Drive());
  view.SelectClips({"CLP0003"});

  PutClip(a, "CLP0001");  // sorts first: every row moves down
  model->OnRefresh();
  EXPECT_EQ(view.ClipNames(), (Names{"CLP0001", "CLP0002", "CLP0003"}));
  EXPECT_EQ(view.ClipNames(true), Names{"CLP0003"});
  EXPECT_TRUE(view.importEnabled);

  // Falling back to another drive selects its clips of the same names.
  drives = {b.Drive()};
  model->OnRefresh();
  EXPECT_EQ(model->Drive(), b.Drive());
  EXPECT_EQ(view.ClipNames(true), Names{"CLP0003"});

  // A clip that is gone is no longer selected.
  fs::remove(b.Flat() / "CLP0003.DV");
  model->OnRefresh();
  EXPECT_TRUE(view.ClipNames(true).empty());
  EXPECT_FALSE(view.importEnabled);
}

TEST_F(MainModelTest, AUnitThatDoesNotAnswerIsReadOffTheWindowThreadAndAnotherDriveReplacesItsScan) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001"});
  drives = {a.Drive(), b.Drive()};
  std::mutex mutex;
  std::condition_variable answered;
  bool answer = false;
  testsupport::PutFile(a.Flat(), "AAA0001.IDX", testsupport::Bytes(16, 0));
  testsupport::FaultyFileSystem faulty;  // A's index does not open until it answers
  faulty.OnNth(testsupport::FileOp::OpenRead, 1, [&] {
    std::unique_lock lock(mutex);
    answered.wait(lock, [&] { return answer; });
  }, u"AAA0001");
  platform::ScopedFileSystem use(faulty);
  MainModelOptions options;
  options.findUnitDrives = [this] { return drives; };
  options.scanWait = std::chrono::milliseconds(0);
  MainModel model(view, session, session.Wake(), std::move(options));
  model.Restore(a.Drive(), dir.U16("dest"), {});
  model.FillDriveCombo(true);  // returns while A is read
  EXPECT_TRUE(model.Scanning());
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.hint, "Reading the unit...");
  ASSERT_TRUE(session.RunWhile([&] { model.Drain(); }, [this] { return view.hint == "Reading the unit..."; }));
  EXPECT_EQ(view.hint, "Reading the unit... (1 s)") << "the wait is told each second";

  model.OnDriveChosen(1);
  ASSERT_TRUE(session.RunWhile([&] { model.Drain(); }, [&] { return model.Scanning(); }));
  EXPECT_EQ(view.ClipNames(), Names{"BBB0001"});
  EXPECT_EQ(view.hint, "");

  // A answers at last: what its scan found is not shown over B's clips.
  {
    std::lock_guard lock(mutex);
    answer = true;
  }
  answered.notify_all();
  const int shown = view.clipsShown;
  ASSERT_TRUE(session.RunWhile([&] { model.Drain(); }, [&] { return model.ScansUnderWay() > 0; }));
  EXPECT_EQ(view.clipsShown, shown);
  EXPECT_EQ(view.ClipNames(), Names{"BBB0001"});
}

TEST_F(MainModelTest, ChoosingAnotherDriveClearsTheSelectionAndTheSummaryTheSameDriveChangesNothing) {
  const auto a = Unit("A", {"SAM0001"});
  const auto b = Unit("B", {"SAM0001"});
  drives = {a.Drive(), b.Drive()};
  auto model = Open();
  view.SelectClips({"SAM0001"});
  const int cleared = view.summariesCleared;

  model->OnDriveChosen(1);  // the drive in use
  EXPECT_EQ(view.ClipNames(true), Names{"SAM0001"});
  EXPECT_EQ(view.summariesCleared, cleared);

  model->OnDriveChosen(0);
  EXPECT_EQ(model->Drive(), a.Drive());
  EXPECT_EQ(view.ClipNames(), Names{"SAM0001"});
  EXPECT_TRUE(view.ClipNames(true).empty()) << "the same name on another drive is another clip";
  EXPECT_FALSE(view.importEnabled);
  EXPECT_EQ(view.summariesCleared, cleared + 1) << "the last import's summary goes with its unit";
}

TEST_F(MainModelTest, WithoutAUnitTheHintSaysWhatToDoAndOtherFolderAddsAnyFolder) {
  const auto copy = Unit("copy", {"CPY0001"});  // a unit's tree that is no mounted drive
  fs::create_directories(dir.Path() / "dest");
  auto model = Open();
  EXPECT_TRUE(view.drives.empty());
  EXPECT_EQ(view.selectedDrive, -1);
  EXPECT_EQ(view.hint.rfind("No recording unit was found.", 0), 0u);
  EXPECT_NE(view.hint.find("\"Other folder...\" under Drive"), std::string::npos);

  model->OnDriveChosen(0);  // "Other folder...", cancelled
  EXPECT_TRUE(view.drives.empty());
  EXPECT_TRUE(model->Drive().empty());

  // A folder without a unit's tree is taken as asked, and the hint says what it lacks.
  view.browseAnswer = dir.U16("dest");
  model->OnDriveChosen(0);
  EXPECT_EQ(model->Drive(), dir.U16("dest"));
  EXPECT_EQ(view.hint.rfind(platform::ToUtf8(dir.U16("dest")) + " holds no recording unit's tree", 0), 0u) << view.hint;

  view.browseAnswer = copy.Drive();
  model->OnDriveChosen(1);
  EXPECT_EQ(view.drives, (std::vector<std::u16string>{copy.Drive(), dir.U16("dest")}));
  EXPECT_EQ(model->Drive(), copy.Drive());
  EXPECT_EQ(view.ClipNames(), Names{"CPY0001"});
  EXPECT_EQ(view.hint, "");

  // Saved as the drive, it is the source again at the next start; so is a folder to start with.
  EXPECT_EQ(Open(copy.Drive())->Drive(), copy.Drive());
  EXPECT_EQ(Open({}, copy.Drive())->Drive(), copy.Drive());
}

TEST_F(MainModelTest, FormatsSelectAllAndClearAllDecideTheListAndTheImportButton) {
  UnitTree unit(dir, "U");
  testsupport::PutFile(unit.Flat(), "HDV0001.M2T");
  PutClip(unit, "DVC0001");
  drives = {unit.Drive()};
  auto model = Open();
  ASSERT_EQ(view.ClipNames(), (Names{"HDV0001", "DVC0001"}));
  model->SetFormats(false, true);
  EXPECT_EQ(view.ClipNames(), Names{"DVC0001"});
  model->SetFormats(false, false);
  EXPECT_TRUE(view.rows.empty());
  model->OnSelectAll();
  EXPECT_FALSE(view.importEnabled) << "nothing to import on an empty list";
  model->SetFormats(true, true);
  model->OnSelectAll();
  EXPECT_EQ(view.ClipNames(true).size(), 2u);
  EXPECT_TRUE(view.importEnabled);
  model->OnClearAll();
  EXPECT_TRUE(view.ClipNames(true).empty());
  EXPECT_FALSE(view.importEnabled);
}

TEST_F(MainModelTest, RefreshesAndRescansDuringAnImportWaitForItsEndAndComeOnce) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001"});
  drives = {a.Drive()};
  fs::create_directories(dir.Path() / "dest");
  auto model = Open();
  view.SelectClips({"AAA0001"});
  // While the import runs (its progress window opens), units come and go and the user tries
  // the format boxes; nothing of it changes the list until the import has ended.
  session.onShown = [&](const std::string& line) {
    if (line.rfind("open", 0) != 0) return;
    drives = {a.Drive(), b.Drive()};
    model->FillDriveCombo(false);
    model->FillDriveCombo(false);
    EXPECT_FALSE(model->SetFormats(false, true));
    model->OnRefresh();
    model->OnDriveChosen(1);
  };
  const int shown = view.refreshes;
  ASSERT_TRUE(model->OnImport(107));
  EXPECT_FALSE(view.importEnabled);
  ASSERT_TRUE(session.RunUntilIdle(model->Session()));
  EXPECT_EQ(view.refreshes, shown) << "no refresh while the import ran";
  EXPECT_EQ(refreshesAsked, 1) << "exactly one after it";
  EXPECT_TRUE(model->Hdv());
  EXPECT_EQ(model->Drive(), a.Drive());
  EXPECT_TRUE(view.importEnabled);
  EXPECT_TRUE(fs::exists(dir.Path() / "dest" / "AAA0001.DV"));
}

TEST_F(MainModelTest, TheListMarksClipsInTheDestinationSelectNewTakesTheOthersAndImportsMakeTheSecondCopy) {
  const auto a = Unit("A", {"AAA0001", "BBB0001"});
  drives = {a.Drive()};
  for (const char* folder : {"dest", "other", "copy"}) fs::create_directories(dir.Path() / folder);
  auto model = Open();
  // The marks come from a look off the window thread; the window drains the model and its
  // session alike.
  const auto settle = [&] {
    model->Drain();
    EXPECT_TRUE(session.RunWhile([&] { model->Drain(); }, [&] { return model->HomeLooksUnderWay() > 0; }));
  };
  const auto import = [&] {
    ASSERT_TRUE(model->OnImport(0));
    EXPECT_TRUE(session.RunWhile([&] { model->Drain(); }, [&] { return model->ImportRunning(); }));
  };
  settle();
  EXPECT_EQ(view.homeMarks, (Names{"new", "new"}));

  view.SelectClips({"AAA0001"});
  import();
  settle();
  EXPECT_EQ(view.homeMarks, (Names{"home", "new"})) << "what the import placed is home";
  model->OnSelectNew();
  EXPECT_EQ(view.ClipNames(true), Names{"BBB0001"});
  EXPECT_TRUE(view.importEnabled);

  // The marks follow the destination: unknown while it is looked at.
  model->SetDestination(dir.U16("other"));
  EXPECT_EQ(view.homeMarks, (Names{"", ""}));
  settle();
  EXPECT_EQ(view.homeMarks, (Names{"new", "new"}));

  // The second copy and the ASC MHL history reach the import.
  model->SetSecondCopy(dir.U16("copy"));
  model->SetKeepMhl(true);
  import();
  for (const char* folder : {"other", "copy"}) {
    EXPECT_TRUE(fs::exists(dir.Path() / folder / "BBB0001.DV")) << folder;
    EXPECT_TRUE(fs::exists(dir.Path() / folder / "ascmhl" / "ascmhl_chain.xml")) << folder;
  }
}

}  // namespace
}  // namespace quillon::frontend
