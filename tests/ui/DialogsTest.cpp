// The progress window, the overwrite question and the version box on their own, and the
// main window's controls where its template places them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "WindowTestSupport.h"
#include "frontend/CopyMessage.h"
#include "ui/CAboutDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/CopyEvent.h"
#include "ui/DialogUnits.h"

namespace quillon::testsupport {
namespace {

using namespace frontend;

void Deliver(QObject* receiver, std::uint32_t code, std::uint32_t lParam = 0) {
  ui::PostCopyMessage(receiver, code, lParam);
  QCoreApplication::sendPostedEvents(receiver);
}

// A question about a name only, with no sizes or dates to show.
OverwriteQuestion About(std::u16string path) {
  OverwriteQuestion question;
  question.path = std::move(path);
  return question;
}

TEST(ProgressWindow, AddsEachReportAndStopsAtTheEndOfTheBar) {
  ui::CProgressDlg progress(nullptr, {});
  progress.SetTotal(20);
  progress.show();
  EXPECT_EQ(progress.windowTitle(), "Copying...");
  Deliver(&progress, COPY_PROGRESS, 10);
  Deliver(&progress, COPY_PROGRESS, 5);
  EXPECT_EQ(progress.Position(), 15);
  EXPECT_EQ(progress.Bar()->value(), 15);
  Deliver(&progress, COPY_PROGRESS, 30);
  EXPECT_EQ(progress.Bar()->value(), 20) << "beyond the total the bar stays full";
  Deliver(&progress, 77, 5);
  Deliver(&progress, COPY_FAILED);
  EXPECT_EQ(progress.Position(), 45);
  EXPECT_TRUE(progress.isVisible()) << "codes it does not handle change nothing";
}

TEST(ProgressWindow, DoneClosesAsFinishedWithoutStopping) {
  int cancels = 0;
  ui::CProgressDlg progress(nullptr, [&cancels] { ++cancels; });
  progress.show();
  Deliver(&progress, COPY_DONE);
  EXPECT_FALSE(progress.isVisible());
  EXPECT_EQ(progress.result(), QDialog::Accepted);
  EXPECT_EQ(cancels, 0);
}

TEST(ProgressWindow, EscapeStopsTheImportAsCancelDoes) {
  for (bool escape : {true, false}) {
    int cancels = 0;
    ui::CProgressDlg progress(nullptr, [&cancels] { ++cancels; });
    progress.show();
    if (escape) {
      QTest::keyClick(&progress, Qt::Key_Escape);
    } else {
      QTest::mouseClick(progress.findChild<QPushButton*>("2"), Qt::LeftButton);
    }
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(progress.result(), QDialog::Rejected);
    EXPECT_FALSE(progress.isVisible());
  }
}

TEST(ProgressWindow, HugeTotalsKeepTheBarInRange) {
  ui::CProgressDlg progress(nullptr, {});
  progress.SetTotal(0x1'0000'0005ull);
  EXPECT_GT(progress.Total(), 5) << "a total past 32 bits is not cut to its low bits";
  progress.SetTotal(0);
  EXPECT_EQ(progress.Bar()->minimum(), 0);
  EXPECT_GT(progress.Bar()->maximum(), 0) << "an empty import shows an empty bar, not a busy one";
}

TEST(OverwriteQuestion, NamesTheFileAndOffersFourButtons) {
  ui::COverwriteConfirmDialog question;
  question.SetQuestion(About(u"/home/u/Video/03_0001_2007-05-31_142314.M2T"));
  EXPECT_EQ(question.windowTitle(), "kv_dock");
  EXPECT_EQ(question.findChild<QLabel*>("1026")->text(),
            "This folder already contains a file named '03_0001_2007-05-31_142314.M2T'.");
  const std::pair<int, QString> buttons[] = {{kAnswerYes, "&Yes"}, {kAnswerYesToAll, "Yes to &all"},
                                             {kAnswerNo, "&No"}, {kAnswerCancel, "Cancel"}};
  for (const auto& [id, text] : buttons) {
    auto* button = question.findChild<QPushButton*>(QString::number(id));
    ASSERT_NE(button, nullptr) << id;
    EXPECT_EQ(button->text(), text);
  }
  // "N&o to all", hidden in the template, is shown: without it a user answers No file by file.
  auto* noToAll = question.findChild<QPushButton*>(QString::number(kAnswerNoToAll));
  EXPECT_EQ(noToAll->text(), "N&o to all");
  EXPECT_TRUE(noToAll->isEnabled());
  EXPECT_FALSE(noToAll->isHidden());
  EXPECT_GE(noToAll->width(), noToAll->sizeHint().width());
}

TEST(OverwriteQuestion, EachButtonAnswersItsIdAndEnterTheDefault) {
  for (int id : {kAnswerYes, kAnswerYesToAll, kAnswerNo, kAnswerNoToAll, kAnswerCancel}) {
    ui::COverwriteConfirmDialog question;
    question.SetQuestion(About(u"/d/x.DV"));
    question.show();
    QTest::mouseClick(question.findChild<QPushButton*>(QString::number(id)), Qt::LeftButton);
    EXPECT_EQ(question.AnswerCode(), id);
    EXPECT_FALSE(question.isVisible());
  }
  ui::COverwriteConfirmDialog question;
  question.SetQuestion(About(u"/d/x.DV"));
  question.show();
  QTest::keyClick(&question, Qt::Key_Return);
  EXPECT_EQ(question.AnswerCode(), kAnswerYes);
}

TEST(OverwriteQuestion, EscapeAndTheCloseBoxAnswerCancel) {
  ui::COverwriteConfirmDialog escaped;
  escaped.SetQuestion(About(u"x.DV"));
  escaped.show();
  QTest::keyClick(&escaped, Qt::Key_Escape);
  EXPECT_EQ(escaped.AnswerCode(), kAnswerCancel);

  ui::COverwriteConfirmDialog closed;
  closed.SetQuestion(About(u"x.DV"));
  EXPECT_EQ(closed.QuestionText(), "This folder already contains a file named 'x.DV'.");
  closed.show();
  closed.close();
  EXPECT_EQ(closed.AnswerCode(), kAnswerCancel);
}

TEST(VersionBox, ShowsTheProgramItsVersionAndTheCopyrightYear) {
  ui::CAboutDlg about;
  EXPECT_EQ(about.windowTitle(), "Version");
  EXPECT_EQ(about.findChild<QLabel*>("version")->text(), "Quillon version 1.1");
  EXPECT_EQ(about.findChild<QLabel*>("notice")->text(), "Copyright (C) 2026 Zelt Corporation");
  about.show();
  QTest::keyClick(&about, Qt::Key_Return);
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(WindowIcon, EveryWindowCarriesTheProgramsIcon) {
  FakeDrives drives;
  RecordedMessages messages;
  ui::CMainDlg window(drives.Options());
  ui::CProgressDlg progress(nullptr, {});
  ui::COverwriteConfirmDialog question;
  ui::CAboutDlg about;
  for (QWidget* w : std::initializer_list<QWidget*>{&window, &progress, &question, &about}) {
    EXPECT_FALSE(w->windowIcon().isNull()) << w->metaObject()->className();
  }
}

TEST(MainWindowLayout, ControlsSitWhereTheTemplatePutsThem) {
  FakeDrives drives;
  RecordedMessages messages;
  ui::CMainDlg window(drives.Options());
  const ui::DialogUnits du(window.font());
  EXPECT_EQ(window.windowTitle(), "Quillon");
  // At its smallest the window is the template with the status line's row under the list;
  // what the template puts below the list goes down by that row. It opens as high, and wider
  // when a row and its home mark need it.
  EXPECT_EQ(window.minimumWidth(), du.X(303));
  EXPECT_EQ(window.height(), window.minimumHeight());
  EXPECT_GE(window.width(), window.minimumWidth());
  const int row = window.minimumHeight() - du.Y(389);
  EXPECT_GE(row, du.Y(16));
  const QRect summary = window.findChild<QWidget*>("summary")->geometry();
  EXPECT_GE(summary.top(), du.Y(99 + 175));
  EXPECT_LE(summary.bottom(), du.Y(279) + row);

  struct Placed {
    int id;
    int x, y, w, h;
    const char* text;
  };
  const Placed controls[] = {
      {1000, 7, 99, 231, 175, nullptr},      {1002, 246, 7, 50, 33, "&Import"},
      {1, 246, 47, 50, 14, "E&xit"},         {1005, 246, 63, 50, 14, "Version..."},
      {1007, 246, 98, 50, 14, "Select &All"}, {1009, 246, 132, 50, 14, "&Clear All"},
      {1006, 246, 149, 50, 14, "&Refresh"},  {1003, 15, 295, 225, 14, nullptr},
      {1004, 242, 296, 46, 14, "&Browse..."},
  };
  for (const auto& c : controls) {
    QWidget* w = window.findChild<QWidget*>(QString::number(c.id), Qt::FindDirectChildrenOnly);
    ASSERT_NE(w, nullptr) << c.id;
    EXPECT_EQ(w->geometry(), du.Rect(c.x, c.y, c.w, c.h).translated(0, c.y > 274 ? row : 0)) << c.id;
    if (c.text) {
      EXPECT_EQ(w->property("text").toString(), QString::fromUtf8(c.text)) << c.id;
    }
  }
  // The window's own controls beside the template's: Select New between Select All and Clear
  // All, the second copy's buttons under Browse.
  EXPECT_EQ(window.findChild<QWidget*>("selectNew")->geometry(), du.Rect(246, 115, 50, 14));
  EXPECT_EQ(window.findChild<QWidget*>("secondCopyClear")->geometry(), du.Rect(197, 313, 41, 14).translated(0, row));
  EXPECT_EQ(window.findChild<QWidget*>("secondCopyBrowse")->geometry(), du.Rect(242, 313, 46, 14).translated(0, row));
  for (int id : {1008, 1023, 1024, 1011, 1010}) {
    EXPECT_NE(window.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly), nullptr) << id;
  }

  // The up-down control sits against the edit's right edge, inside the template's rectangle.
  const QRect edit = window.findChild<QWidget*>("1011")->geometry();
  const QRect spin = window.findChild<QWidget*>("1010")->geometry();
  EXPECT_EQ(edit.x(), du.X(101));
  EXPECT_EQ(spin.left(), edit.right() + 1);
  EXPECT_EQ(spin.right() + 1, du.X(101) + du.X(29));
  EXPECT_EQ(edit.top(), du.Y(361) + row);

  // Column captions stand above the list, which draws its rows in a fixed-pitch face.
  auto* list = window.findChild<QListWidget*>("1000");
  for (const char* name : {"clipHeader", "dateHeader"}) {
    auto* header = window.findChild<QLabel*>(name);
    ASSERT_NE(header, nullptr);
    EXPECT_LE(header->geometry().top(), list->geometry().top() - du.Y(4));
  }
  EXPECT_EQ(window.findChild<QLabel*>("clipHeader")->text(), "Clip");
  EXPECT_EQ(window.findChild<QLabel*>("dateHeader")->text(), "Rec date");
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(list->font().styleHint(), QFont::TypeWriter);

  // Made larger, the list takes the room; the buttons keep to the right edge and the
  // destination folder to the bottom.
  const QRect smallList = list->geometry();
  const QRect exitButton = window.findChild<QWidget*>("1")->geometry();
  const QRect browse = window.findChild<QWidget*>("1004")->geometry();
  window.show();
  window.resize(window.minimumSize() + QSize(120, 80));
  ASSERT_TRUE(WaitFor([&] { return list->geometry() != smallList; }));
  EXPECT_EQ(list->geometry(), smallList.adjusted(0, 0, 120, 80));
  EXPECT_EQ(window.findChild<QWidget*>("1")->geometry(), exitButton.translated(120, 0));
  EXPECT_EQ(window.findChild<QWidget*>("1004")->geometry(), browse.translated(120, 80));
}

}  // namespace
}  // namespace quillon::testsupport
