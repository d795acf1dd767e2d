// The main window's drive and clip-list rules: which drive is chosen at start and after units
// come and go, which clips stay selected across rescans, what Import's button shows, and the
// marks that tell which clips are home in the destination.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include "WindowTestSupport.h"
#include "support/FaultyMount.h"
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

TEST_F(MainWindowTest, AUnitWhoseIndexDoesNotAnswerNeitherHoldsUpTheWindowNorItsExit) {
  if (auto why = FaultyMount::Unavailable()) GTEST_SKIP() << *why;
  UnitTree unit(dir, "U");
  unit.IndexWithChunks("ABC0001.IDX", IdxBuilder().Date(8, 3, 14, 10, 15, 30));
  FaultyMount mount(unit.Root(), "file VIDEO/QVT/ABC0001.IDX\nstall 0 1 release\n");
  drives.drives = {mount.U16()};
  ui::MainDlgOptions options = drives.Options();
  options.scanWait = std::chrono::milliseconds(200);
  const auto start = std::chrono::steady_clock::now();
  ui::CMainDlg window(options);
  window.show();
  QApplication::processEvents();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ASSERT_TRUE(mount.WaitUntilStalled(1));
  const auto* hint = window.findChild<QLabel*>(QStringLiteral("noUnitHint"));
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return hint->isVisible() && hint->text().startsWith("Reading the unit..."); }, 3000))
      << hint->text().toStdString();
  QTest::mouseClick(MainControls(window).button(1), Qt::LeftButton);  // Exit
  EXPECT_FALSE(window.isVisible()) << "Exit closes the window while the read hangs";
  mount.Release();  // the scan ends when the read returns
}

TEST_F(MainWindowTest, TheDriveSelectorShowsTheUnitsThenOtherFolderAndAChoiceListsItsClips) {
  const auto a = Unit("A", {"AAA0001"});
  const auto b = Unit("B", {"BBB0001", "BBB0002"});
  drives.drives = {b.Drive(), a.Drive()};
  StoreSetting(ui::kDriveKey, Q(a));
  auto window = Open();
  MainControls ui(*window);
  EXPECT_EQ(ui.DriveTexts(), (QStringList{Q(a), Q(b)}));
  ASSERT_EQ(ui.OtherFolderEntry(), ui.drive->count() - 1) << "the last entry";
  EXPECT_EQ(ui.drive->itemText(ui.OtherFolderEntry()), "Other folder...");
  EXPECT_EQ(ui.drive->currentText(), Q(a));
  EXPECT_EQ(ui.ClipNames(), QStringList{"AAA0001"});
  EXPECT_TRUE(window->findChild<QLabel*>("noUnitHint")->isHidden());

  ui.drive->setCurrentIndex(1);
  emit ui.drive->activated(1);
  EXPECT_EQ(window->Drive(), Q(b));
  EXPECT_EQ(ui.ClipNames(), (QStringList{"BBB0001", "BBB0002"}));

  // "Other folder..." opens the folder browser; the selector keeps the drive in use meanwhile.
  const auto copy = Unit("copy", {"CPY0001"});
  QString selectedWhileBrowsing;
  ui::ScopedBrowseHook browse([&](const QString&, const QString&) {
    selectedWhileBrowsing = ui.drive->currentText();
    return Q(copy);
  });
  emit ui.drive->activated(ui.OtherFolderEntry());
  EXPECT_EQ(selectedWhileBrowsing, Q(b));
  EXPECT_EQ(ui.drive->currentText(), Q(copy));
  EXPECT_EQ(ui.ClipNames(), QStringList{"CPY0001"});

  // Without any unit the hint shows over the empty list.
  drives.drives.clear();
  window.reset();
  StoreSetting(ui::kDriveKey, QString());
  window = Open();
  const auto* hint = window->findChild<QLabel*>("noUnitHint");
  EXPECT_FALSE(hint->isHidden());
  EXPECT_TRUE(hint->text().startsWith("No recording unit was found.")) << hint->text().toStdString();
}

TEST_F(MainWindowTest, RowsButtonsAndFormatBoxesDecideTheListAndTheImportButton) {
  UnitTree unit(dir, "U");
  PutFile(unit.Flat(), "HDV0001.M2T");
  PutDvClip(unit, "DVC0001");
  PutDvClip(unit, "DVC0002");
  drives.Add(unit);
  auto window = Open();
  MainControls ui(*window);
  ASSERT_EQ(ui.ClipNames(), (QStringList{"HDV0001", "DVC0001", "DVC0002"}));
  EXPECT_FALSE(ui.import->isEnabled());

  const QRect second = ui.list->visualItemRect(ui.list->item(1));
  QTest::mouseClick(ui.list->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(ui.SelectedClipNames(), QStringList{"DVC0001"});
  EXPECT_TRUE(ui.import->isEnabled());
  QTest::mouseClick(ui.button(1009), Qt::LeftButton);  // Clear All
  EXPECT_TRUE(ui.SelectedClipNames().isEmpty());
  EXPECT_FALSE(ui.import->isEnabled());
  QTest::mouseClick(ui.button(1007), Qt::LeftButton);  // Select All
  EXPECT_EQ(ui.SelectedClipNames().size(), 3);
  EXPECT_TRUE(ui.import->isEnabled());

  // A click on the box itself, left of its text, rescans at once.
  auto click = [](QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); };
  click(ui.hdv);
  EXPECT_EQ(ui.ClipNames(), (QStringList{"DVC0001", "DVC0002"}));
  EXPECT_EQ(ui.SelectedClipNames().size(), 2) << "selected by name across the rescan";
  click(ui.dv);
  EXPECT_EQ(ui.list->count(), 0);

  // A unit mounted is seen once the delay has passed.
  const auto b = Unit("B", {"BBB0001"});
  drives.Add(b);
  VolumeChange(*window);
  EXPECT_EQ(ui.DriveTexts().size(), 2);
}

TEST_F(MainWindowTest, MarksTellWhichClipsAreHomeAndSelectNewChoosesTheOthers) {
  const auto a = Unit("A", {"AAA0001", "AAA0002", "AAA0003"});
  drives.Add(a);
  auto window = Open();
  MainControls ui(*window);
  auto marksBecome = [&](const QStringList& marks) { return WaitFor([&] { return window->HomeMarks() == marks; }); };
  ui.SelectClips({"AAA0002"});
  QTest::mouseClick(ui.import, Qt::LeftButton);  // returns once the import has ended
  EXPECT_TRUE(marksBecome({"new", "home", "new"})) << window->HomeMarks().join(", ").toStdString();
  EXPECT_EQ(ui.ClipNames(), (QStringList{"AAA0001", "AAA0002", "AAA0003"})) << "the rows' texts stay as they were";

  QTest::mouseClick(window->findChild<QAbstractButton*>("selectNew"), Qt::LeftButton);
  EXPECT_EQ(ui.SelectedClipNames(), (QStringList{"AAA0001", "AAA0003"}));
  EXPECT_TRUE(ui.import->isEnabled());

  // Another destination chosen: the marks are those of that folder.
  const QString other = QString::fromStdU16String(dir.U16("other"));
  QDir().mkpath(other);
  ui::ScopedBrowseHook browse([&](const QString&, const QString&) { return other; });
  QTest::mouseClick(ui.button(1004), Qt::LeftButton);
  EXPECT_TRUE(marksBecome({"new", "new", "new"})) << window->HomeMarks().join(", ").toStdString();
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
