// Imports run through the main window: the progress window, the overwrite question answered
// each way, Cancel in either window, failed clips with their causes, imports refused or cut
// down before they start, and the window's input and refreshes held back meanwhile.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTime>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "WindowTestSupport.h"
#include "import/ImportContext.h"
#include "platform/FileSystem.h"
#include "support/FaultyFileSystem.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CopyEvent.h"
#include "ui/ImportSession.h"
#include "ui/CProgressDlg.h"
#include "ui/Settings.h"

namespace quillon::testsupport {
namespace {

namespace fs = std::filesystem;

const QString kFailedText =
    "Failed to import the files. Remove the Read-only attribute of the destination drive, or increase its "
    "available space.";

class ImportThroughWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearSettings();
    fs::create_directories(dest);
    StoreSetting(ui::kDestinationKey, QString::fromStdString(dest.string()));
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

  // Answers every overwrite question with the button of that id, counting the questions.
  void AnswerQuestionsWith(ui::CMainDlg& window, int buttonId) {
    QObject::connect(&window, &ui::CMainDlg::OverwriteQuestionShown, [this, buttonId](ui::COverwriteConfirmDialog* q) {
      questions.push_back(q->QuestionText());
      QTest::mouseClick(q->findChild<QPushButton*>(QString::number(buttonId)), Qt::LeftButton);
    });
  }

  // On the overwrite question: Cancel in the progress window, then, from the window's wait for
  // the worker, whileWaiting, check (after the events it caused) and the answer answerId.
  void CancelThenAnswer(ui::CMainDlg& window, const int& answerId, std::function<void()> whileWaiting = [] {},
                        std::function<void()> check = [] {}) {
    const auto onQuestion = [=, this, &window, &answerId](ui::COverwriteConfirmDialog* q) {
      QPointer<ui::COverwriteConfirmDialog> question(q);
      QTimer::singleShot(0, [=, this, &window, &answerId] {
        QTest::mouseClick(progress->findChild<QPushButton*>("2"), Qt::LeftButton);
        QTimer::singleShot(0, [=, this, &window, &answerId] {
          waitedWithQuestionOpen = window.ImportRunning() && progress && !progress->isVisible() && question;
          whileWaiting();
          QTimer::singleShot(0, [=, &answerId] {
            check();
            ASSERT_FALSE(question.isNull());
            QTest::mouseClick(question->findChild<QPushButton*>(QString::number(answerId)), Qt::LeftButton);
          });
        });
      });
    };
    QObject::connect(&window, &ui::CMainDlg::OverwriteQuestionShown, onQuestion);
  }

  // Names in the destination folder, hidden temporary files included.
  QStringList DestFiles() const {
    QStringList names;
    for (const auto& entry : fs::directory_iterator(dest)) {
      names.push_back(QString::fromStdString(entry.path().filename()));
    }
    names.sort();
    return names;
  }

  // Selects the clips and clicks Import; returns when the import has ended.
  void Import(ui::CMainDlg& window, const QStringList& clips) {
    MainControls ui(window);
    ui.SelectClips(clips);
    ASSERT_TRUE(ui.import->isEnabled());
    QTest::mouseClick(ui.import, Qt::LeftButton);
  }

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
  QStringList questions;
  bool waitedWithQuestionOpen = false;
};

TEST_F(ImportThroughWindowTest, SelectedClipsAreCopiedWithProgressAndTheProgressWindowCloses) {
  const auto first = PutDvClip(unit, "CLP0001", 3000 * 1024);
  PutDvClip(unit, "CLP0002");
  const auto third = PutDvClip(unit, "CLP0003", 5000);
  auto window = Open();
  std::int64_t shownPosition = 0;
  int shownTotal = -1;
  QObject::connect(window.get(), &ui::CMainDlg::ImportStarted, [&](ui::CProgressDlg* p) {
    shownTotal = p->Total();
    QObject::connect(p, &QDialog::finished, [&, p] { shownPosition = p->Position(); });
  });

  Import(*window, {"CLP0001", "CLP0003"});

  EXPECT_EQ(imports, 1);
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV"), ReadBytes(first));
  EXPECT_EQ(ReadBytes(dest / "CLP0003.DV"), ReadBytes(third));
  EXPECT_FALSE(fs::exists(dest / "CLP0002.DV"));
  EXPECT_EQ(shownTotal, 2) << "3000 KiB count as 2 MiB";
  EXPECT_EQ(shownPosition, 2) << "1 MiB after 1025 KiB, another after 2049 KiB";
  EXPECT_TRUE(progress.isNull()) << "the progress window is gone";
  EXPECT_FALSE(window->ImportRunning());
  EXPECT_FALSE(outcome.cancelled);
  EXPECT_EQ(outcome.written.size(), 2u);
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_EQ(TheImportContext().State(), Ask);
  EXPECT_EQ(window->SummaryLines().value(0), "2 files imported to " + destText);
}

TEST_F(ImportThroughWindowTest, ProgressWindowShowsTheClipTheFileTheAmountTheRateAndTheTimeLeft) {
  PutDvClip(unit, "CLP0001");
  WriteFile(dest / "CLP0001.DV", "older");
  auto window = Open();
  using namespace std::chrono_literals;
  std::chrono::steady_clock::time_point now;
  QObject::connect(window.get(), &ui::CMainDlg::ImportStarted,
                   [&](ui::CProgressDlg* p) { p->SetClock([&now] { return now; }); });
  constexpr std::uint64_t MiB = 1 << 20;
  struct Report {
    std::chrono::seconds at;
    ImportProgress progress;
    QStringList shown;  // clip, file, amount, rate and time left
  };
  const Report reports[] = {
      {0s, {0, 0, 300 * MiB, u"CLP0001", u""}, {"Clip: CLP0001", "File: ", "0.0 MiB of 300.0 MiB", ""}},
      {10s,
       {3, 50 * MiB, 300 * MiB, u"CLP0001", u"CLP0001.DV"},
       {"Clip: CLP0001", "File: CLP0001.DV", "50.0 MiB of 300.0 MiB", "5.0 MiB/s, 50 s left"}},
      {20s,
       {0, 150 * MiB, 300 * MiB, u"CLP0002", u"CLP0002_2.DV"},
       {"Clip: CLP0002", "File: CLP0002_2.DV", "150.0 MiB of 300.0 MiB", "10.0 MiB/s, 15 s left"}},
      {30s,
       {0, 160 * MiB, 300 * MiB, u"CLP0002", u"CLP0002_2.DV"},
       {"Clip: CLP0002", "File: CLP0002_2.DV", "160.0 MiB of 300.0 MiB", "1.0 MiB/s, 2 min 20 s left"}},
  };
  // While the worker waits for the question, the window's front end is told of progress.
  QObject::connect(window.get(), &ui::CMainDlg::OverwriteQuestionShown, [&](ui::COverwriteConfirmDialog* q) {
    for (const Report& report : reports) {
      now = std::chrono::steady_clock::time_point(report.at);
      EXPECT_TRUE(window->Session().ShowProgress(report.progress));
      QCoreApplication::sendPostedEvents(progress);
      QStringList shown;
      for (const char* name : {"clipDetail", "fileDetail", "amountDetail", "rateDetail"}) {
        shown.push_back(progress->findChild<QLabel*>(name)->text());
      }
      EXPECT_EQ(shown, report.shown) << report.at.count();
    }
    QTest::mouseClick(q->findChild<QPushButton*>(QString::number(kAnswerNo)), Qt::LeftButton);
  });

  Import(*window, {"CLP0001"});
  EXPECT_EQ(imports, 1);
  EXPECT_FALSE(window->Session().ShowProgress(reports[0].progress)) << "nobody shows progress after the import";
}

TEST_F(ImportThroughWindowTest, OverwriteQuestionYesReplacesTheFile) {
  const auto source = PutDvClip(unit, "CLP0001");
  WriteFile(dest / "CLP0001.DV", "older");
  constexpr std::int64_t kChanged = 1767622980;  // 2026-01-05 14:23 UTC
  SetMtime(dest / "CLP0001.DV", kChanged);
  auto window = Open();
  QString caption, line, existing, created;
  QObject::connect(window.get(), &ui::CMainDlg::OverwriteQuestionShown, [&](ui::COverwriteConfirmDialog* q) {
    caption = q->windowTitle();
    line = q->findChild<QLabel*>(QStringLiteral("replaceLine"))->text();
    existing = q->findChild<QLabel*>(QStringLiteral("existingDetail"))->text();
    created = q->findChild<QLabel*>(QStringLiteral("newDetail"))->text();
  });
  AnswerQuestionsWith(*window, kAnswerYes);

  Import(*window, {"CLP0001"});

  EXPECT_EQ(questions, QStringList{"This folder already contains a file named 'CLP0001.DV'."});
  EXPECT_EQ(caption, "kv_dock");
  EXPECT_EQ(line, "Would you like replace the existing file?");
  const QString nbsp(QChar::Nbsp);
  EXPECT_EQ(existing, "Existing file: 5" + nbsp + "bytes, last changed " +
                          QLocale().toString(QDateTime::fromSecsSinceEpoch(kChanged), QLocale::ShortFormat));
  EXPECT_EQ(created, "New file: 4.0" + nbsp + "KiB");
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV"), ReadBytes(source));
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ImportThroughWindowTest, OverwriteQuestionNoKeepsTheFileAndGoesOn) {
  PutDvClip(unit, "CLP0001");
  const auto second = PutDvClip(unit, "CLP0002");
  WriteFile(dest / "CLP0001.DV", "older");
  auto window = Open();
  AnswerQuestionsWith(*window, kAnswerNo);

  Import(*window, {"CLP0001", "CLP0002"});

  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), std::vector<unsigned char>({'o', 'l', 'd', 'e', 'r'}));
  EXPECT_EQ(ReadBytes(dest / "CLP0002.DV"), ReadBytes(second));
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ImportThroughWindowTest, YesToAllAsksOnceForThisImportAndAgainInTheNext) {
  const auto first = PutDvClip(unit, "CLP0001");
  const auto second = PutDvClip(unit, "CLP0002");
  WriteFile(dest / "CLP0001.DV", "older");
  WriteFile(dest / "CLP0002.DV", "older");
  auto window = Open();
  AnswerQuestionsWith(*window, kAnswerYesToAll);

  Import(*window, {"CLP0001", "CLP0002"});
  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV"), ReadBytes(first));
  EXPECT_EQ(ReadBytes(dest / "CLP0002.DV"), ReadBytes(second));

  Import(*window, {"CLP0001"});
  EXPECT_EQ(questions.size(), 2) << "the next import asks again";
}

TEST_F(ImportThroughWindowTest, CancelInTheQuestionStopsQuietlyAndTheProgressWindowClosesByItself) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002");
  WriteFile(dest / "CLP0001.DV", "older");
  auto window = Open();
  AnswerQuestionsWith(*window, kAnswerCancel);

  Import(*window, {"CLP0001", "CLP0002"});

  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(ReadFile(dest / "CLP0001.DV").size(), 5u);
  EXPECT_FALSE(fs::exists(dest / "CLP0002.DV"));
  EXPECT_EQ(imports, 1);
  EXPECT_TRUE(outcome.discarded.empty());
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_EQ(TheImportContext().State(), Ask);
}

TEST_F(ImportThroughWindowTest, CancelWhileTheQuestionIsOpenWinsOverItsAnswer) {
  PutDvClip(unit, "CLP0001", 64 * 1024);
  PutDvClip(unit, "CLP0002");
  PutDvClip(unit, "CLP0003");
  WriteFile(dest / "CLP0001.DV", "older");
  auto window = Open();
  int answer = 0;
  CancelThenAnswer(*window, answer);

  for (int id : {kAnswerYes, kAnswerYesToAll, kAnswerNo}) {
    SCOPED_TRACE(id);
    answer = id;
    waitedWithQuestionOpen = false;
    Import(*window, {"CLP0001", "CLP0002", "CLP0003"});

    EXPECT_TRUE(waitedWithQuestionOpen) << "the question stayed answerable after the Cancel";
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_TRUE(outcome.discarded.empty()) << "no output was begun";
    EXPECT_EQ(ReadFile(dest / "CLP0001.DV"), std::vector<unsigned char>({'o', 'l', 'd', 'e', 'r'}));
    EXPECT_EQ(DestFiles(), QStringList{"CLP0001.DV"}) << "no further clip started";
  }
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(ImportThroughWindowTest, WhileItWaitsForTheWorkerTheWindowTakesNoInputAndKeepsItsList) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002");
  WriteFile(dest / "CLP0001.DV", "older");
  auto window = Open();
  MainControls ui(*window);
  int refreshes = 0;
  QObject::connect(window.get(), &ui::CMainDlg::DrivesRefreshed, [&] { ++refreshes; });
  const int answer = kAnswerNo;
  QListWidgetItem* firstRow = nullptr;
  CancelThenAnswer(
      *window, answer,
      [&] {
        firstRow = ui.list->item(0);
        PutDvClip(unit, "CLP0003");
        QTest::mouseClick(ui.dv, Qt::LeftButton);
        QTest::mouseClick(ui.button(1009), Qt::LeftButton);  // Clear All
        QTest::mouseClick(ui.button(1006), Qt::LeftButton);  // Refresh
        ui.hdv->click();           // not through the mouse: the import's own guard
        window->FillClipList();
        ui::PostRefreshDrives(window.get());  // a mount or unmount
      },
      [&] {
        EXPECT_TRUE(ui.dv->isChecked());
        EXPECT_TRUE(ui.hdv->isChecked());
        EXPECT_EQ(ui.list->item(0), firstRow) << "the list was rebuilt";
        EXPECT_EQ(ui.SelectedClipNames(), (QStringList{"CLP0001", "CLP0002"}));
        EXPECT_EQ(refreshes, 0);
      });

  Import(*window, {"CLP0001", "CLP0002"});

  EXPECT_TRUE(waitedWithQuestionOpen);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(ui.ClipNames(), (QStringList{"CLP0001", "CLP0002", "CLP0003"})) << "the scan held back ran at the end";
  EXPECT_TRUE(WaitFor([&] { return refreshes == 1; })) << "the refresh held back ran at the end";
}

TEST_F(ImportThroughWindowTest, CancelDuringACopyDeletesOnlyTheFileBeingWritten) {
  const auto first = PutDvClip(unit, "CLP0001");
  PutSparseFile(unit.Flat(), "CLP0002.DV", 1024ull * 1024 * 1024);
  PutDvClip(unit, "CLP0003");
  auto window = Open();
  auto cancelOnceWriting = WhenShown::Of<ui::CProgressDlg>([&](ui::CProgressDlg* p) {
    auto* timer = new QTimer(p);
    QObject::connect(timer, &QTimer::timeout, [p, timer, this] {
      // The output is written under a hidden temporary name until it is complete.
      for (const auto& entry : fs::directory_iterator(dest)) {
        const std::string name = entry.path().filename();
        if (name.starts_with(".CLP0002.DV.") && name.ends_with(".quillon-part") && entry.file_size() > 0) {
          timer->stop();
          QTest::mouseClick(p->findChild<QPushButton*>("2"), Qt::LeftButton);
        }
      }
    });
    timer->start(2);
  });

  Import(*window, {"CLP0001", "CLP0002", "CLP0003"});

  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV"), ReadBytes(first)) << "a finished file stays";
  ASSERT_EQ(outcome.discarded.size(), 1u);
  EXPECT_EQ(fs::path(outcome.discarded[0]).filename(), "CLP0002.DV");
  EXPECT_EQ(DestFiles(), QStringList{"CLP0001.DV"}) << "no temporary file left, the next clip not started";
  EXPECT_EQ(window->SummaryLines().value(0), "Import cancelled: 1 file imported to " + destText);
  EXPECT_TRUE(messages.texts.isEmpty());
  EXPECT_EQ(fs::file_size(unit.Flat() / "CLP0002.DV"), 1024ull * 1024 * 1024) << "the unit is untouched";
}

TEST_F(ImportThroughWindowTest, EachFailedClipShowsItsOwnMessageAndTheImportGoesOn) {
  const auto first = PutDvClip(unit, "CLP0001");
  const auto second = PutDvClip(unit, "CLP0002");
  const auto third = PutDvClip(unit, "CLP0003");
  const auto fourth = PutDvClip(unit, "CLP0004");
  auto window = Open();
  fs::remove(second);
  fs::remove(fourth);

  Import(*window, {"CLP0001", "CLP0002", "CLP0003", "CLP0004"});

  EXPECT_EQ(messages.texts, (QStringList{kFailedText, kFailedText}));
  EXPECT_EQ(messages.details, (QStringList{"CLP0002: CLP0002.DV could not be opened (No such file or directory)",
                                           "CLP0004: CLP0004.DV could not be opened (No such file or directory)"}));
  EXPECT_EQ(messages.icons[0], QMessageBox::NoIcon);
  EXPECT_EQ(ReadBytes(dest / "CLP0001.DV"), ReadBytes(first));
  EXPECT_EQ(ReadBytes(dest / "CLP0003.DV"), ReadBytes(third));
  EXPECT_EQ(outcome.failed, (std::vector<std::u16string>{u"CLP0002", u"CLP0004"}));
  EXPECT_TRUE(window->SummaryLines().value(1).endsWith(QString::fromUtf8(" · 2 failed")));
}

TEST_F(ImportThroughWindowTest, StatusLineTellsWhatTheImportDidAndOpensItsFolder) {
  auto window = Open();
  auto* openFolder = window->findChild<QPushButton*>("openFolder");
  EXPECT_TRUE(window->SummaryLines().isEmpty());
  EXPECT_TRUE(openFolder->isHidden());
  struct Case {
    const char* what;
    std::size_t written, kept, failed;
    bool cancelled;
    std::uint64_t bytes;
    double seconds;
    QStringList lines;  // %1: the destination
  };
  // Sizes keep their number and unit together.
  const QString gib = QString("1.2%1GiB").arg(QChar(QChar::Nbsp)), dot = QString::fromUtf8(" · ");
  const Case cases[] = {
      {"success", 14, 0, 0, false, 1288490189, 41, {"14 files imported to %1", gib + " in 41 s"}},
      {"one file", 1, 0, 0, false, 4096, 0.3, {"1 file imported to %1", QString("4.0%1KiB in 0 s").arg(QChar(QChar::Nbsp))}},
      {"kept and failed", 14, 2, 1, false, 1288490189, 41,
       {"14 files imported to %1", gib + " in 41 s" + dot + "2 kept" + dot + "1 failed"}},
      {"cancelled", 3, 0, 0, true, 1288490189, 125, {"Import cancelled: 3 files imported to %1", gib + " in 2 min 5 s"}},
  };
  for (const Case& c : cases) {
    ImportOutcome outcome;
    outcome.written.resize(c.written);
    outcome.skipped.resize(c.kept);
    outcome.failed.resize(c.failed);
    outcome.cancelled = c.cancelled;
    outcome.bytesWritten = c.bytes;
    outcome.seconds = c.seconds;
    outcome.destination = dest.u16string();
    window->Session().Finished(outcome);
    EXPECT_EQ(window->SummaryLines(), (QStringList{c.lines[0].arg(destText), c.lines[1]})) << c.what;
    EXPECT_FALSE(openFolder->isHidden()) << c.what;
  }

  QStringList opened;
  ui::ScopedOpenFolderHook hook([&](const QString& folder) {
    opened.push_back(folder);
    return true;
  });
  QTest::mouseClick(openFolder, Qt::LeftButton);
  EXPECT_EQ(opened, QStringList{destText});
}

TEST_F(ImportThroughWindowTest, UnitRemovedDuringTheImportIsNoticedOnceTheImportEnds) {
  PutDvClip(unit, "CLP0001");
  PutDvClip(unit, "CLP0002");
  auto window = Open();
  MainControls ui(*window);
  int refreshes = 0;
  QObject::connect(window.get(), &ui::CMainDlg::DrivesRefreshed, [&] { ++refreshes; });
  QObject::connect(window.get(), &ui::CMainDlg::ImportStarted, [&](ui::CProgressDlg*) {
    // The unit goes away (reported twice) before the worker has read anything.
    fs::remove_all(unit.Root());
    drives.drives.clear();
    ui::PostRefreshDrives(window.get());
    ui::PostRefreshDrives(window.get());
  });

  Import(*window, {"CLP0001", "CLP0002"});
  EXPECT_EQ(messages.texts, (QStringList{kFailedText, kFailedText}));
  EXPECT_EQ(refreshes, 0) << "no refresh while the import ran";
  ASSERT_TRUE(WaitFor([&] { return refreshes > 0; }));
  QTest::qWait(100);
  EXPECT_EQ(refreshes, 1);
  EXPECT_TRUE(ui.DriveTexts().isEmpty());
  EXPECT_EQ(ui.list->count(), 0);
  EXPECT_FALSE(ui.import->isEnabled());
}

TEST_F(ImportThroughWindowTest, RefusedImportSaysWhyOnceAndOpensNoProgressWindow) {
  PutDvClip(unit, "CLP0001");
  const QString missing = QString::fromStdU16String(dir.U16("no such folder"));
  const QString inside = QString::fromStdU16String(unit.Drive());
  const QString file = QString::fromStdString(unit.Flat() / "CLP0001.DV");
  const std::pair<QString, QString> cases[] = {
      {missing, "The destination folder \"" + missing + "\" does not exist. Choose another destination folder."},
      {inside, "The destination folder \"" + inside +
                   "\" is inside the recording unit, which is never written. Choose a folder on another drive."},
      {file, "The destination \"" + file + "\" is not a folder. Choose another destination folder."}};
  auto window = Open();
  int started = 0;
  QObject::connect(window.get(), &ui::CMainDlg::ImportStarted, [&] { ++started; });

  for (const auto& [destination, text] : cases) {
    messages.texts.clear();
    window->SetDestination(destination);
    Import(*window, {"CLP0001"});
    EXPECT_EQ(messages.texts, QStringList{text});
    EXPECT_EQ(messages.icons.back(), QMessageBox::Warning);
  }
  EXPECT_EQ(started, 0);
  EXPECT_EQ(imports, 0);
}

TEST_F(ImportThroughWindowTest, OutputsTooLargeForTheDestinationAreNamedOnceAndTheRestIsImported) {
  PutDvClip(unit, "CLP0001", 4096);
  PutDvClip(unit, "CLP0002", 8192);
  FaultyFileSystem files;
  files.SetSpace({1ull << 40, 4096, 6000});
  const platform::ScopedFileSystem installed(files);
  auto window = Open();

  Import(*window, {"CLP0001", "CLP0002"});
  EXPECT_EQ(messages.details, QStringList{QString("CLP0002: CLP0002.DV (8.0%1KiB)").arg(QChar(QChar::Nbsp))});
  EXPECT_EQ(DestFiles(), QStringList{"CLP0001.DV"});

  MainControls(*window).list->clearSelection();
  Import(*window, {"CLP0002"});
  EXPECT_EQ(messages.texts.size(), 2);
  EXPECT_EQ(imports, 1) << "with nothing left the second import does not start";
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
  auto* prefix = window->findChild<QLineEdit*>(QStringLiteral("1011"));
  prefix->setText("7");

  Import(*window, {"001HDVF"});

  ASSERT_EQ(outcome.written.size(), 1u);
  EXPECT_EQ(fs::path(outcome.written[0]).filename().string().substr(0, 8), "07_0001_");
  EXPECT_TRUE(messages.texts.isEmpty());
}

}  // namespace
}  // namespace quillon::testsupport
