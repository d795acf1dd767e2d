// The destination folder, the drive, the second copy and the MHL box kept between runs, the documents folder as the first
// destination, the warning for a destination that cannot hold large files, and Browse.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "WindowTestSupport.h"
#include "ui/Settings.h"

namespace quillon::testsupport {
namespace {

namespace fs = std::filesystem;

const QString kNotNtfsText =
    "The drive of the destination folder is not formatted in NTFS. Change the destination to the drive formatted in "
    "NTFS.";

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearSettings(); }

  static QString SettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Zelt Corporation/Quillon.conf");
  }

  TempDir dir;
  FakeDrives drives;
  RecordedMessages messages;
};

TEST_F(SettingsTest, FirstRunUsesTheDocumentsFolderAndPrefersNoDrive) {
  const QString documents = QDir::homePath() + QStringLiteral("/Documents");
  QDir(documents).removeRecursively();
  ui::CMainDlg window(drives.Options());
  EXPECT_EQ(window.Destination(), documents);
  EXPECT_TRUE(QFileInfo(documents).isDir()) << "the documents folder is made when missing";
  EXPECT_TRUE(window.Drive().isEmpty());
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(SettingsTest, ClosingSavesDestinationAndDriveAndTheNextStartUsesThem) {
  UnitTree unit(dir, "unit");
  PutDvClip(unit, "CLP0001");
  drives.Add(unit);
  const QString chosen = QString::fromStdU16String(dir.U16("videos"));
  QDir().mkpath(chosen);
  {
    ui::CMainDlg window(drives.Options());
    ui::ScopedBrowseHook browse([&](const QString&, const QString&) { return chosen; });
    QTest::mouseClick(MainControls(window).button(1004), Qt::LeftButton);
    EXPECT_TRUE(StoredSetting(ui::kDestinationKey).isNull()) << "nothing is written before the window closes";
    QTest::mouseClick(MainControls(window).button(1), Qt::LeftButton);  // Exit
    EXPECT_EQ(window.result(), QDialog::Accepted);
  }
  EXPECT_EQ(StoredSetting(ui::kDestinationKey).toString(), chosen);
  EXPECT_EQ(StoredSetting(ui::kDriveKey).toString(), QString::fromStdU16String(unit.Drive()));

  QFile file(SettingsFile());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.startsWith("[General]")) << "both values at the top level";

  ui::CMainDlg next(drives.Options());
  EXPECT_EQ(next.Destination(), chosen);
  EXPECT_EQ(next.Drive(), QString::fromStdU16String(unit.Drive()));
}

TEST_F(SettingsTest, CloseBoxSavesAsExitDoes) {
  const QString chosen = QString::fromStdU16String(dir.U16());
  StoreSetting(ui::kDestinationKey, chosen);
  StoreSetting(ui::kDriveKey, QStringLiteral("/media/gone"));
  {
    ui::CMainDlg window(drives.Options());
    window.show();
    window.close();
    EXPECT_EQ(window.result(), QDialog::Rejected);
  }
  EXPECT_EQ(StoredSetting(ui::kDestinationKey).toString(), chosen);
  EXPECT_EQ(StoredSetting(ui::kDriveKey).toString(), QString()) << "no unit present: the drive is saved empty";
}

TEST_F(SettingsTest, BrowseOpensAtTheDestinationAndCancelChangesNothing) {
  const QString start = QString::fromStdU16String(dir.U16());
  StoreSetting(ui::kDestinationKey, start);
  ui::CMainDlg window(drives.Options());
  QString title, from;
  ui::ScopedBrowseHook browse([&](const QString& t, const QString& s) {
    title = t;
    from = s;
    return QString();
  });
  QTest::mouseClick(MainControls(window).button(1004), Qt::LeftButton);
  EXPECT_EQ(title, "Source folder");
  EXPECT_EQ(from, start);
  EXPECT_EQ(window.Destination(), start);
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(SettingsTest, DestinationThatCannotBeQueriedIsWarnedAboutYetKept) {
  const QString missing = QString::fromStdU16String(dir.U16("unplugged/Videos"));
  StoreSetting(ui::kDestinationKey, missing);
  {
    ui::CMainDlg window(drives.Options());
    EXPECT_EQ(messages.texts, QStringList{kNotNtfsText});
    EXPECT_EQ(messages.icons[0], QMessageBox::Warning);
    EXPECT_EQ(window.Destination(), missing);
  }
  EXPECT_EQ(StoredSetting(ui::kDestinationKey).toString(), missing) << "saved again at exit";

  // Browsing to another such folder warns again and still takes it.
  messages.texts.clear();
  StoreSetting(ui::kDestinationKey, QString::fromStdU16String(dir.U16()));
  ui::CMainDlg window(drives.Options());
  EXPECT_TRUE(messages.texts.isEmpty());
  ui::ScopedBrowseHook browse([&](const QString&, const QString&) { return missing; });
  QTest::mouseClick(MainControls(window).button(1004), Qt::LeftButton);
  EXPECT_EQ(messages.texts, QStringList{kNotNtfsText});
  EXPECT_EQ(window.Destination(), missing);
}

TEST_F(SettingsTest, FatFamilyVolumesAreTheOnesWarnedAbout) {
  EXPECT_TRUE(ui::IsLargeFileVolume(QString::fromStdU16String(dir.U16())));
  EXPECT_FALSE(ui::IsLargeFileVolume(QString()));
  EXPECT_FALSE(ui::IsLargeFileVolume(QString::fromStdU16String(dir.U16("missing"))));
}

TEST_F(SettingsTest, GarbageInTheSettingsFileFallsBackToTheDefaults) {
  const QString documents = QDir::homePath() + QStringLiteral("/Documents");
  const QByteArray garbage[] = {
      "[General]\ndatapath=relative/videos\ndrive=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x10QThing)\n"
      "secondpath=relative/copies\nmhl=yes\n",
      "[General]\ndatapath=a, b, c\ndrive=1, 2\n",
      "[General]\ndatapath=\ndrive=\n",
      "\xff\xfe\x00garbage\n[General\n=datapath\n\x01\x02\x03",
      "[General]\ndatapath=@ByteArray(/tmp)\ndrive=@Point(1 2)\nsecondpath=@ByteArray(/tmp)\nmhl=@Point(1 2)\n",
  };
  for (const QByteArray& text : garbage) {
    QDir().mkpath(QFileInfo(SettingsFile()).path());
    QFile file(SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    ui::CMainDlg window(drives.Options());
    EXPECT_EQ(window.Destination(), documents) << text.toStdString();
    EXPECT_TRUE(window.Drive().isEmpty()) << text.toStdString();
    EXPECT_TRUE(window.SecondCopy().isEmpty()) << text.toStdString();
    EXPECT_FALSE(window.KeepMhl()) << text.toStdString();
  }
}

}  // namespace
}  // namespace quillon::testsupport
