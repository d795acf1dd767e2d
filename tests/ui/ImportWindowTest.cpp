// What the window shows of an import, one kind of the session's events each: the progress
// window opening, moving and closing; the overwrite question and its buttons, withdrawn on
// Cancel; a message box for a refusal and for a failed clip; the status line and its folder.
// The import's rules themselves are the front-end layer's, tested there.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"
#include "frontend/CopyMessage.h"
#include "support/FaultyFileSystem.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/Settings.h"

namespace quillon::testsupport {
namespace {

namespace fs = std::filesystem;
using namespace frontend;

class ImportThroughWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    fs::create_directories(dest);
    StoreSetting(ui::kDestinationKey, destText);
    unit.Flat();
    drives.Add(unit);
  }

  std::unique_ptr<ui::CMainDlg> Open() {
    auto window = std::make_unique<ui::CMainDlg>(drives.Options());
    QObject::connect(window.get(), &ui::CMainDlg::ImportStarted, [this](ui::CProgressDlg* p) { progress = p; });
    QObject::connect(window.get(), &ui::CMainDlg::ImportEnded, [this](const ImportOutcome& o) {
      outcome = o;
      ++imports;
    });
    return window;
  }

  // Selects the clips and clicks Import; returns when the import has ended.
  void Import(ui::CMainDlg& window, const QStringList& clips) {
    MainControls ui(window);
    ui.SelectClips(clips);
    ASSERT_TRUE(ui.import->isEnabled());
    QTest::mouseClick(ui.import, Qt::LeftButton);
  }

  static QString Label(QWidget* window, const char* name) { return window->findChild<QLabel*>(name)->text(); }

  TranslationsForThisTest english{QLocale(QLocale::English, QLocale::UnitedStates)};
  TempDir dir;
  fs::path dest = dir.Path() / "dest";
  QString destText = QString::fromStdString(dest.string());
  UnitTree unit{dir, "unit"};
  FakeDrives drives;
  RecordedMessages messages;
  QPointer<ui::CProgressDlg> progress;
  ImportOutcome outcome;
  int imports = 0;
};

TEST_F(ImportThroughWindowTest, TheSecondCopyAndTheMhlHistoryReachTheImportAndAreRemembered) {
  const auto clip = PutDvClip(unit, "CLP0001");
  const fs::path second = dir.Path() / "second";
  fs::create_directories(second);
  const QString secondText = QString::fromStdString(second.string());
  {
    auto window = Open();
    ui::ScopedBrowseHook browse([&](const QString&, const QString&) { return secondText; });
    QTest::mouseClick(window->findChild<QAbstractButton*>("secondCopyBrowse"), Qt::LeftButton);
    window->findChild<QCheckBox*>("mhl")->click();
    Import(*window, {"CLP0001"});
  }
  EXPECT_EQ(imports, 1);
  for (const fs::path& folder : {dest, second}) {
    EXPECT_EQ(ReadBytes(folder / "CLP0001.DV"), ReadBytes(clip)) << folder;
    EXPECT_TRUE(fs::is_directory(folder / "ascmhl")) << folder;
  }
  EXPECT_EQ(StoredSetting(ui::kSecondCopyKey).toString(), secondText);
  EXPECT_EQ(StoredSetting(ui::kMhlKey).toString(), "true");

  auto next = Open();
  EXPECT_EQ(next->SecondCopy(), secondText);
  EXPECT_TRUE(next->KeepMhl());
  EXPECT_TRUE(next->findChild<QCheckBox*>("mhl")->isChecked());
  QTest::mouseClick(next->findChild<QAbstractButton*>("secondCopyClear"), Qt::LeftButton);
  EXPECT_TRUE(next->SecondCopy().isEmpty()) << "Clear leaves no second copy";
}

TEST_F(ImportThroughWindowTest, TheProgressWindowOpensMovesWithTheCopyAndClosesAndTheStatusLineTells) {
  const auto first = PutDvClip(unit, "CLP0001", 3000 * 1024);
  PutDvClip(unit, "CLP0002");
  auto window = Open();
  int total = -1;
  std::int64_t position = 0;
  QStringList lines;
  QObject::connect(window.get(), &ui::CMainDlg::ImportStarted, [&](ui::CProgressDlg* p) {
    total = p->Total();
    QObject::connect(p, &QDialog::finished, [&, p] {
      position = p->Position();
      for (const char* name : {"clipDetail", "fileDetail", "amountDetail"}) lines.push_back(Label(p, name));
    });
  });

  Import(*window, {"CLP0001"});
  EXPECT_EQ(imports, 1);
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV"), ReadBytes(first));
  EXPECT_EQ(total, 2) << "3000 KiB count as 2 MiB";
  EXPECT_EQ(position, 2);
  const QString nbsp(QChar::Nbsp);
  EXPECT_EQ(lines, (QStringList{"Clip 1 of 1: CLP0001", "File: CLP0001.DV", "2.9" + nbsp + "MiB of 2.9" + nbsp + "MiB"}));
  EXPECT_TRUE(WaitFor([this] { return progress.isNull(); })) << "the progress window is gone";
  EXPECT_TRUE(messages.texts.isEmpty());

  // The status line, and its button that opens the folder.
  EXPECT_EQ(window->SummaryLines().value(0), "1 file imported to " + destText);
  EXPECT_TRUE(window->SummaryLines().value(1).startsWith("2.9" + nbsp + "MiB in "));
  QStringList opened;
  ui::ScopedOpenFolderHook hook([&](const QString& folder) {
    opened.push_back(folder);
    return true;
  });
  auto* openFolder = window->findChild<QPushButton*>("openFolder");
  ASSERT_FALSE(openFolder->isHidden());
  QTest::mouseClick(openFolder, Qt::LeftButton);
  EXPECT_EQ(opened, QStringList{destText});

  // Another unit chosen: the summary of the last import goes with its unit.
  UnitTree other(dir, "other");
  PutDvClip(other, "OTH0001");
  drives.Add(other);
  window->OnRefresh();
  MainControls ui(*window);
  const int otherRow = static_cast<int>(ui.DriveTexts().indexOf(QString::fromStdU16String(other.Drive())));
  ui.drive->setCurrentIndex(otherRow);
  emit ui.drive->activated(otherRow);
  EXPECT_TRUE(window->SummaryLines().isEmpty());
  EXPECT_TRUE(openFolder->isHidden());
}

TEST_F(ImportThroughWindowTest, TheQuestionShowsBothFilesAndItsButtonsAnswerNoToAllIncluded) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002");
  WriteFile(dest / "CLP0001.DV", "older");
  WriteFile(dest / "CLP0002.DV", "older");
  constexpr std::int64_t kChanged = 1767622980;  // 2026-01-05 14:23 UTC
  SetMtime(dest / "CLP0001.DV", kChanged);
  auto window = Open();
  QStringList shown;
  int questions = 0;
  QObject::connect(window.get(), &ui::CMainDlg::OverwriteQuestionShown, [&](ui::COverwriteConfirmDialog* q) {
    ++questions;
    shown = {q->windowTitle(), q->QuestionText(), Label(q, "replaceLine"), Label(q, "existingDetail"),
             Label(q, "newDetail")};
    QTest::mouseClick(q->findChild<QPushButton*>(QString::number(kAnswerNoToAll)), Qt::LeftButton);
  });

  Import(*window, {"CLP0001", "CLP0002"});
  const QString nbsp(QChar::Nbsp);
  EXPECT_EQ(shown, (QStringList{"kv_dock", "This folder already contains a file named 'CLP0001.DV'.",
                                "Would you like replace the existing file?",
                                "Existing file: 5" + nbsp + "bytes, last changed " +
                                    QLocale().toString(QDateTime::fromSecsSinceEpoch(kChanged), QLocale::ShortFormat),
                                "New file: 4.0" + nbsp + "KiB"}));
  EXPECT_EQ(questions, 1) << "No to all: nobody is asked again";
  EXPECT_EQ(outcome.kept.size(), 2u);
  EXPECT_EQ(ReadBytes(dest / "CLP0002.DV").size(), 5u);
}

TEST_F(ImportThroughWindowTest, CancelInTheProgressWindowWithdrawsAnOpenQuestion) {
  PutDvClip(unit, "CLP0001");
  WriteFile(dest / "CLP0001.DV", "older");
  auto window = Open();
  QPointer<ui::COverwriteConfirmDialog> question;
  QObject::connect(window.get(), &ui::CMainDlg::OverwriteQuestionShown, [&](ui::COverwriteConfirmDialog* q) {
    question = q;
    QTimer::singleShot(0, [this] { QTest::mouseClick(progress->findChild<QPushButton*>("2"), Qt::LeftButton); });
  });

  Import(*window, {"CLP0001"});
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_TRUE(question.isNull() || !question->isVisible()) << "the question went with the Cancel";
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV").size(), 5u);
  EXPECT_EQ(window->SummaryLines().value(1).left(16), "Import cancelled");
  EXPECT_FALSE(window->ImportRunning());
}

TEST_F(ImportThroughWindowTest, ARefusalAndAFailedClipEachShowTheirMessageBox) {
  PutDvClip(unit, "CLP0001");
  const auto second = PutDvClip(unit, "CLP0002");
  auto window = Open();
  const QString missing = QString::fromStdU16String(dir.U16("no such folder"));
  window->SetDestination(missing);
  Import(*window, {"CLP0001"});
  EXPECT_EQ(messages.texts,
            QStringList{"The destination folder \"" + missing + "\" does not exist. Choose another destination folder."});
  EXPECT_EQ(messages.icons.back(), QMessageBox::Warning);
  EXPECT_TRUE(progress.isNull()) << "no progress window for an import that cannot start";

  messages.texts.clear();
  window->SetDestination(destText);
  fs::remove(second);
  Import(*window, {"CLP0001", "CLP0002"});
  EXPECT_EQ(messages.texts, QStringList{"Failed to import the files. Remove the Read-only attribute of the "
                                        "destination drive, or increase its available space."});
  EXPECT_EQ(messages.details.back(), "CLP0002: CLP0002.DV could not be opened (No such file or directory)");
  EXPECT_EQ(messages.icons.back(), QMessageBox::NoIcon);
  EXPECT_TRUE(fs::exists(dest / "CLP0001.DV"));
}

TEST_F(ImportThroughWindowTest, AClipTheUnitCouldNotReadIsOfferedForRescueAndTheOfferRescuesIt) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002", 8192);
  FaultyFileSystem faulty;
  faulty.FailArea(u"CLP0002", 4096, 512);
  platform::ScopedFileSystem use(faulty);
  auto window = Open();
  const auto* rescue = window->findChild<QPushButton*>(QStringLiteral("rescue"));
  ASSERT_NE(rescue, nullptr);
  EXPECT_TRUE(rescue->isHidden());
  Import(*window, {"CLP0001", "CLP0002"});
  ASSERT_EQ(outcome.DamagedClips(), std::vector<std::u16string>{u"CLP0002"});
  EXPECT_FALSE(rescue->isHidden());
  EXPECT_EQ(rescue->text(), "Rescue 1 damaged clip");

  messages.texts.clear();
  QTest::mouseClick(const_cast<QPushButton*>(rescue), Qt::LeftButton);
  EXPECT_EQ(imports, 2);
  ASSERT_EQ(outcome.rescued.size(), 1u);
  EXPECT_EQ(outcome.rescued[0].missingBytes, 512u);
  EXPECT_TRUE(fs::exists(dest / "CLP0002-rescued.DV"));
  EXPECT_TRUE(fs::exists(dest / "CLP0002-rescued.DV.map"));
  ASSERT_FALSE(messages.texts.isEmpty());
  EXPECT_TRUE(messages.texts.back().startsWith("Some bytes of these recordings could not be read")) << messages.texts.back().toStdString();
  EXPECT_FALSE(rescue->isHidden()) << "bytes are still missing: the offer stands";
}

TEST_F(ImportThroughWindowTest, EnterImportsUnlessAnotherButtonHasTheFocus) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002");
  auto window = Open();
  MainControls ui(*window);
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  ui.SelectClips({"CLP0001"});

  ui.button(1007)->setFocus();
  QTest::keyClick(ui.button(1007), Qt::Key_Return);
  EXPECT_EQ(imports, 0);
  EXPECT_EQ(ui.SelectedClipNames().size(), 2) << "Enter pressed Select All";

  ui.list->setFocus();
  QTest::keyClick(ui.list, Qt::Key_Return);
  EXPECT_EQ(imports, 1);
  EXPECT_TRUE(fs::exists(dest / "CLP0002.DV"));
}

TEST_F(ImportThroughWindowTest, PrefixNumberNamesTheOutputOfFolderClips) {
  UnitTree folders(dir, "folders");
  PutFile(folders.HdvFolder("001"), "0001.M2T");
  folders.DvParent();
  drives.drives = {folders.Drive()};
  auto window = Open();
  window->findChild<QLineEdit*>(QStringLiteral("1011"))->setText("7");

  Import(*window, {"001HDVF"});
  ASSERT_EQ(outcome.written.size(), 1u);
  EXPECT_EQ(fs::path(outcome.written[0].path).filename().string().substr(0, 8), "07_0001_");
}

}  // namespace
}  // namespace quillon::testsupport
