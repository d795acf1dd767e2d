// The main window's drive and clip-list rules: which drive is chosen at start and after units
// come and go, which clips stay selected across rescans, and what Import's button shows.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include "WindowTestSupport.h"
#include "ui/Settings.h"
#include "ui/UpDownControl.h"

namespace quillon::testsupport {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    StoreSetting(ui::kDestinationKey, QString::fromStdU16String(dir.U16("dest")));
    std::filesystem::create_directories(dir.Path() / "dest");
  }

  UnitTree Unit(std::string_view name, std::initializer_list<std::string_view> clips) {
    UnitTree unit(dir, name);
    unit.Flat();
    for (auto clip : clips) PutDvClip(unit, clip);
    return unit;
  }

  std::unique_ptr<ui::CMainDlg> Open() { return std::make_unique<ui::CMainDlg>(drives.Options()); }

  // A mount or unmount as the window's watch reports it, and the refresh that follows.
  void VolumeChange(ui::CMainDlg& window) {
    QSignalSpy refreshed(&window, &ui::CMainDlg::DrivesRefreshed);
    window.OnVolumeChange();
    ASSERT_TRUE(refreshed.wait(5000));
  }

  static QString Q(const UnitTree& unit) { return QString::fromStdU16String(unit.Drive()); }

  TempDir dir;
  FakeDrives drives;
  RecordedMessages messages;
};

TEST_F(MainWindowTest, SavedDriveStillPresentIsSelectedAgainAndListed) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001", "BBB0002"});
  const auto c = Unit("C", {"CCC0001"});
  drives.drives = {a.Drive(), b.Drive(), c.Drive()};
  StoreSetting(ui::kDriveKey, Q(b));

  auto window = Open();
  MainControls ui(*window);
  EXPECT_EQ(ui.drive->currentText(), Q(b));
  EXPECT_EQ(window->Drive(), Q(b));
  EXPECT_EQ(ui.ClipNames(), (QStringList{"BBB0001", "BBB0002"}));
  EXPECT_FALSE(ui.import->isEnabled());
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(MainWindowTest, SavedDriveGoneFallsBackToTheLastDriveInSortedOrder) {
  const auto a = Unit("A", {"AAA0001"});
  const auto c = Unit("C", {"CCC0001"});
  drives.drives = {c.Drive(), a.Drive()};
  StoreSetting(ui::kDriveKey, QString::fromStdU16String(dir.U16("gone")));

  auto window = Open();
  MainControls ui(*window);
  EXPECT_EQ(ui.DriveTexts(), (QStringList{Q(a), Q(c)}));
  EXPECT_EQ(ui.drive->currentText(), Q(c));
  EXPECT_EQ(window->Drive(), Q(c));
  EXPECT_EQ(ui.ClipNames(), QStringList{"CCC0001"});
}

TEST_F(MainWindowTest, SavedDriveMustMatchTheWholeMountPoint) {
  // A saved /…/UNIT is not /…/UNIT2, although one begins with the other.
  const auto unit2 = Unit("UNIT2", {"UNT0002"});
  const auto zed = Unit("ZED", {"ZED0001"});
  drives.drives = {unit2.Drive(), zed.Drive()};
  StoreSetting(ui::kDriveKey, QString::fromStdU16String(dir.U16("UNIT")));
  EXPECT_EQ(Open()->Drive(), Q(zed));

  const auto unit = Unit("UNIT", {"UNT0001"});
  drives.drives = {unit2.Drive(), unit.Drive(), zed.Drive()};
  StoreSetting(ui::kDriveKey, Q(unit));
  auto window = Open();
  EXPECT_EQ(window->Drive(), Q(unit));
  EXPECT_EQ(MainControls(*window).ClipNames(), QStringList{"UNT0001"});
}

TEST_F(MainWindowTest, SecondUnitArrivingLeavesTheSelectedDriveAndItsListAlone) {
  const auto a = Unit("A", {"AAA0001", "AAA0002"});
  drives.drives = {a.Drive()};
  auto window = Open();
  MainControls ui(*window);
  ui.SelectClips({"AAA0002"});
  QListWidgetItem* firstRow = ui.list->item(0);

  const auto b = Unit("B", {"BBB0001"});
  drives.Add(b);
  VolumeChange(*window);

  EXPECT_EQ(ui.DriveTexts(), (QStringList{Q(a), Q(b)}));
  EXPECT_EQ(ui.drive->currentText(), Q(a));
  EXPECT_EQ(window->Drive(), Q(a));
  EXPECT_EQ(ui.list->item(0), firstRow) << "the list was rebuilt";
  EXPECT_EQ(ui.SelectedClipNames(), QStringList{"AAA0002"});
}

TEST_F(MainWindowTest, SelectedUnitRemovedFallsBackAndComingBackDoesNotTakeOver) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001"});
  drives.drives = {a.Drive(), b.Drive()};
  auto window = Open();
  MainControls ui(*window);
  ASSERT_EQ(window->Drive(), Q(b));

  drives.Remove(b);
  VolumeChange(*window);
  EXPECT_EQ(ui.DriveTexts(), QStringList{Q(a)});
  EXPECT_EQ(window->Drive(), Q(a));
  EXPECT_EQ(ui.ClipNames(), QStringList{"AAA0001"});

  drives.Add(b);
  VolumeChange(*window);
  EXPECT_EQ(ui.DriveTexts().size(), 2);
  EXPECT_EQ(window->Drive(), Q(a)) << "a unit coming back does not take the selection";
  EXPECT_EQ(ui.ClipNames(), QStringList{"AAA0001"});
}

TEST_F(MainWindowTest, LastUnitRemovedEmptiesEverythingAndTheNextUnitIsTaken) {
  const auto a = Unit("A", {"AAA0001"});
  drives.drives = {a.Drive()};
  auto window = Open();
  MainControls ui(*window);
  ui.SelectClips({"AAA0001"});
  ASSERT_TRUE(ui.import->isEnabled());

  drives.drives.clear();
  VolumeChange(*window);
  EXPECT_TRUE(ui.DriveTexts().isEmpty());
  EXPECT_EQ(ui.list->count(), 0);
  EXPECT_TRUE(window->Drive().isEmpty());
  EXPECT_FALSE(ui.import->isEnabled());
  EXPECT_EQ(window->Catalogue().Count(), 0u);

  const auto b = Unit("B", {"BBB0001"});
  drives.Add(b);
  VolumeChange(*window);
  EXPECT_EQ(window->Drive(), Q(b));
  EXPECT_EQ(ui.ClipNames(), QStringList{"BBB0001"});
}

TEST_F(MainWindowTest, WithoutAUnitTheListShowsAHintAndOtherFolderAddsAnyFolder) {
  const auto copy = Unit("copy", {"CPY0001"});  // a unit's tree that is no mounted drive
  auto window = Open();
  MainControls ui(*window);
  const auto* hint = window->findChild<QLabel*>("noUnitHint");
  EXPECT_FALSE(hint->isHidden());
  EXPECT_TRUE(ui.DriveTexts().isEmpty());
  ASSERT_EQ(ui.OtherFolderEntry(), ui.drive->count() - 1) << "the last entry";
  EXPECT_EQ(ui.drive->itemText(ui.OtherFolderEntry()), "Other folder...");
  EXPECT_EQ(ui.drive->currentIndex(), -1);

  QString chosen;  // the folder browser's answer; empty is Cancel
  ui::ScopedBrowseHook browse([&](const QString&, const QString&) { return chosen; });
  emit ui.drive->activated(ui.OtherFolderEntry());
  EXPECT_EQ(ui.drive->currentIndex(), -1) << "a cancelled browser changes nothing";
  EXPECT_FALSE(hint->isHidden());

  // A folder without a unit's tree is taken as asked, and the hint says what it lacks.
  chosen = QString::fromStdU16String(dir.U16("dest"));
  emit ui.drive->activated(ui.OtherFolderEntry());
  EXPECT_EQ(ui.drive->currentText(), chosen);
  EXPECT_FALSE(hint->isHidden());
  EXPECT_TRUE(hint->text().startsWith(chosen + " holds no recording unit's tree")) << hint->text().toStdString();

  chosen = Q(copy);
  emit ui.drive->activated(ui.OtherFolderEntry());
  EXPECT_EQ(ui.DriveTexts(), (QStringList{chosen, QString::fromStdU16String(dir.U16("dest"))}));
  EXPECT_EQ(ui.drive->currentText(), Q(copy));
  EXPECT_EQ(window->Drive(), Q(copy));
  EXPECT_EQ(ui.ClipNames(), QStringList{"CPY0001"});
  EXPECT_TRUE(hint->isHidden());

  // Remembered as the drive, it is the source again at the next start.
  window.reset();
  EXPECT_EQ(StoredSetting(ui::kDriveKey).toString(), Q(copy));
  EXPECT_EQ(Open()->Drive(), Q(copy));
}

TEST_F(MainWindowTest, RefreshKeepsTheSelectedClipsByNameWhereverTheirRowsMove) {
  const auto a = Unit("A", {"AAA0002", "AAA0003"});
  drives.drives = {a.Drive()};
  auto window = Open();
  MainControls ui(*window);
  ui.SelectClips({"AAA0003"});

  PutDvClip(a, "AAA0001");  // sorts first: every row moves down
  QTest::mouseClick(ui.button(1006), Qt::LeftButton);
  EXPECT_EQ(ui.ClipNames(), (QStringList{"AAA0001", "AAA0002", "AAA0003"}));
  EXPECT_EQ(ui.SelectedClipNames(), QStringList{"AAA0003"});
  EXPECT_TRUE(ui.import->isEnabled());

  std::filesystem::remove(a.Flat() / "AAA0003.DV");
  QTest::mouseClick(ui.button(1006), Qt::LeftButton);
  EXPECT_TRUE(ui.SelectedClipNames().isEmpty());
  EXPECT_FALSE(ui.import->isEnabled());
}

TEST_F(MainWindowTest, FallingBackToAnotherDriveSelectsItsClipsOfTheSameName) {
  const auto a = Unit("A", {"CLP0001", "CLP0002"});
  const auto b = Unit("B", {"CLP0002", "OTH0001"});
  drives.drives = {a.Drive(), b.Drive()};
  auto window = Open();
  MainControls ui(*window);
  ui.SelectClips({"CLP0002", "OTH0001"});

  drives.Remove(b);
  QTest::mouseClick(ui.button(1006), Qt::LeftButton);
  EXPECT_EQ(window->Drive(), Q(a));
  EXPECT_EQ(ui.SelectedClipNames(), QStringList{"CLP0002"});
  EXPECT_TRUE(ui.import->isEnabled());
}

TEST_F(MainWindowTest, ChoosingAnotherDriveClearsTheSelectionTheSameDriveChangesNothing) {
  const auto a = Unit("A", {"SAM0001"});
  const auto b = Unit("B", {"SAM0001"});
  drives.drives = {a.Drive(), b.Drive()};
  auto window = Open();
  MainControls ui(*window);
  ui.SelectClips({"SAM0001"});

  emit ui.drive->activated(ui.drive->currentIndex());
  EXPECT_EQ(ui.SelectedClipNames(), QStringList{"SAM0001"});

  ui.drive->setCurrentIndex(0);
  emit ui.drive->activated(0);
  EXPECT_EQ(window->Drive(), Q(a));
  EXPECT_EQ(ui.ClipNames(), QStringList{"SAM0001"});
  EXPECT_TRUE(ui.SelectedClipNames().isEmpty()) << "the same name on another drive is another clip";
  EXPECT_FALSE(ui.import->isEnabled());
}

TEST_F(MainWindowTest, FormatBoxesRescanAtOnce) {
  UnitTree unit(dir, "U");
  PutFile(unit.Flat(), "HDV0001.M2T");
  PutDvClip(unit, "DVC0001");
  drives.Add(unit);
  auto window = Open();
  MainControls ui(*window);
  ASSERT_EQ(ui.ClipNames(), (QStringList{"HDV0001", "DVC0001"}));

  // A click on the box itself, left of its text.
  auto click = [](QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); };
  click(ui.hdv);
  EXPECT_EQ(ui.ClipNames(), QStringList{"DVC0001"});
  click(ui.dv);
  EXPECT_EQ(ui.list->count(), 0);
  click(ui.hdv);
  EXPECT_EQ(ui.ClipNames(), QStringList{"HDV0001"});
}

TEST_F(MainWindowTest, SelectAllAndClearAllDecideTheImportButton) {
  const auto empty = Unit("E", {});
  drives.Add(empty);
  auto window = Open();
  MainControls ui(*window);
  QTest::mouseClick(ui.button(1007), Qt::LeftButton);
  EXPECT_FALSE(ui.import->isEnabled()) << "nothing to import on an empty unit";

  const auto full = Unit("F", {"FUL0001", "FUL0002", "FUL0003"});
  drives.drives = {full.Drive()};
  QTest::mouseClick(ui.button(1006), Qt::LeftButton);
  QTest::mouseClick(ui.button(1007), Qt::LeftButton);
  EXPECT_EQ(ui.SelectedClipNames().size(), 3);
  EXPECT_TRUE(ui.import->isEnabled());

  QTest::mouseClick(ui.button(1009), Qt::LeftButton);
  EXPECT_TRUE(ui.SelectedClipNames().isEmpty());
  EXPECT_FALSE(ui.import->isEnabled());

  const QRect second = ui.list->visualItemRect(ui.list->item(1));
  QTest::mouseClick(ui.list->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(ui.SelectedClipNames(), QStringList{"FUL0002"});
  EXPECT_TRUE(ui.import->isEnabled());
}

TEST_F(MainWindowTest, CtrlASelectsEverythingCtrlF5RefreshesEscapeDoesNotClose) {
  const auto a = Unit("A", {"AAA0001", "AAA0002"});
  drives.Add(a);
  auto window = Open();
  MainControls ui(*window);
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

  ui.list->setFocus();
  QTest::keyClick(ui.list, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(ui.SelectedClipNames().size(), 2);
  EXPECT_TRUE(ui.import->isEnabled());

  QTest::mouseClick(ui.button(1009), Qt::LeftButton);
  auto* prefix = window->findChild<QLineEdit*>(QStringLiteral("1011"));
  prefix->setFocus();
  QTest::keyClick(prefix, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(ui.SelectedClipNames().size(), 2) << "Ctrl+A belongs to the window, not the edit";

  PutDvClip(a, "AAA0003");
  QTest::keyClick(window.get(), Qt::Key_F5, Qt::ControlModifier);
  EXPECT_EQ(ui.list->count(), 3);

  QTest::keyClick(ui.list, Qt::Key_Escape);
  QTest::keyClick(window.get(), Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, PrefixNumberStepsWrapsAndKeepsTheLastValidPosition) {
  drives.drives.clear();
  auto window = Open();
  auto* edit = window->findChild<QLineEdit*>(QStringLiteral("1011"));
  auto* spin = window->findChild<ui::UpDownControl*>(QStringLiteral("1010"));
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(edit->text(), "0");
  EXPECT_EQ(spin->Buddy(), edit);

  QTest::mouseClick(spin->findChild<QWidget*>(QStringLiteral("down")), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "99");
  QTest::mouseClick(spin->findChild<QWidget*>(QStringLiteral("up")), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "0");
  QTest::keyClick(edit, Qt::Key_Up);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(window->PrefixPosition(), 2);

  edit->selectAll();
  QTest::keyClicks(edit, "7x1-9");
  EXPECT_EQ(edit->text(), "71") << "digits only, two at most";
  EXPECT_EQ(window->PrefixPosition(), 71);

  edit->clear();
  EXPECT_EQ(window->PrefixPosition(), 71) << "an empty edit keeps the last valid number";
}

}  // namespace
}  // namespace quillon::testsupport
