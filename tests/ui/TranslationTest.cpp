// The interface in Japanese: every text of the windows comes translated, none is left over, and
// none is cut. English is the source, and the fallback for other languages.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QMap>
#include <QTranslator>
#include <QXmlStreamReader>

#include "WindowTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "frontend/TextIds.h"
#include "frontend/Texts.h"
#include "ui/FolderLabel.h"
#include "ui/Texts.h"
#include "ui/Translations.h"

namespace quillon::testsupport {
namespace {

// Texts that read the same in every language: format names and the program's own names.
const QStringList kSameInEveryLanguage = {"HDV", "DV", "Quillon", "kv_dock"};

// Every text a person reads in the window, by control name, with the caption under "".
QMap<QString, QString> VisibleTexts(QWidget& window) {
  QMap<QString, QString> texts;
  texts.insert(QString(), window.windowTitle());
  for (auto* label : window.findChildren<QLabel*>()) {
    if (!label->objectName().isEmpty() && !label->text().isEmpty() && label->objectName() != "1003" &&
        label->objectName() != "1026") {
      texts.insert(label->objectName(), label->text());
    }
  }
  for (auto* button : window.findChildren<QAbstractButton*>()) {
    if (!button->text().isEmpty()) texts.insert(button->objectName(), button->text());
  }
  for (auto* group : window.findChildren<QGroupBox*>()) texts.insert(group->objectName(), group->title());
  return texts;
}

// The program's and Qt's texts in Japanese while it lives.
struct JapaneseForThisTest : TranslationsForThisTest {
  JapaneseForThisTest() : TranslationsForThisTest(QLocale(QLocale::Japanese, QLocale::Japan)) {}
};

template <class Window, class... Args>
void ExpectEveryTextTranslated(Args&&... args) {
  QMap<QString, QString> english;
  {
    Window window(args...);
    english = VisibleTexts(window);
  }
  JapaneseForThisTest japanese;
  ASSERT_TRUE(japanese.installed);
  Window window(args...);
  const QMap<QString, QString> translated = VisibleTexts(window);
  ASSERT_EQ(translated.keys(), english.keys());
  for (auto it = english.cbegin(); it != english.cend(); ++it) {
    if (kSameInEveryLanguage.contains(it.value())) continue;
    EXPECT_NE(translated.value(it.key()), it.value()) << "left in English: " << it.key().toStdString();
    EXPECT_FALSE(translated.value(it.key()).isEmpty()) << it.key().toStdString();
  }
}

TEST(Japanese, MainWindowIsTranslatedThroughout) {
  ClearSettings();  // no second copy: its line says so, in words
  FakeDrives drives;
  RecordedMessages messages;
  ExpectEveryTextTranslated<ui::CMainDlg>(drives.Options());
  JapaneseForThisTest japanese;
  ui::CMainDlg window(drives.Options());
  EXPECT_EQ(MainControls(window).import->text(), QStringLiteral("取り込み(&I)"));
}

TEST(Japanese, ImportWindowsAreTranslatedThroughout) {
  ExpectEveryTextTranslated<ui::CProgressDlg>(nullptr, std::function<void()>());
  ExpectEveryTextTranslated<ui::COverwriteConfirmDialog>(nullptr);
  JapaneseForThisTest japanese;
  ui::COverwriteConfirmDialog question;
  question.SetQuestion({u"/v/CLP0001.DV", 5, 0, 4096});
  EXPECT_TRUE(question.QuestionText().contains("'CLP0001.DV'"));
  EXPECT_NE(question.QuestionText(), "This folder already contains a file named 'CLP0001.DV'.");
  for (const char* detail : {"existingDetail", "newDetail"}) {
    EXPECT_FALSE(question.findChild<QLabel*>(detail)->text().startsWith("Existing")) << detail;
    EXPECT_FALSE(question.findChild<QLabel*>(detail)->text().startsWith("New")) << detail;
  }
  ui::CAboutDlg about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報"));
}

TEST(Japanese, TheSummaryLineKeepsItsFolderAtTheWindowsWidth) {
  // A cancelled import with a long folder: the line is too narrow for it, in Japanese most.
  ImportOutcome outcome;
  outcome.copied = outcome.cancelled = true;
  outcome.destination = u"/home/user/Videos/a folder with a long name for the imports of this year";
  JapaneseForThisTest japanese;
  FakeDrives drives;
  RecordedMessages messages;
  ui::CMainDlg window(drives.Options());
  auto* line = window.findChild<ui::FolderLabel*>("summary");
  window.ShowSummary(frontend::SummaryOf(outcome));
  const QString shown = line->text().section(QLatin1Char('\n'), 0, 0);
  EXPECT_TRUE(shown.contains(QStringLiteral("/ho"))) << "the folder keeps its beginning: " << shown.toStdString();
  EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
  EXPECT_TRUE(line->text().section(QLatin1Char('\n'), 1).startsWith(ui::Tr(frontend::Text(IDS_SUMMARY_CANCELLED))));
  EXPECT_TRUE(line->toolTip().contains(QString::fromStdU16String(outcome.destination)));
  EXPECT_FALSE(ui::Tr(frontend::SizeText(0)).contains(QStringLiteral("bytes")));
}

TEST(Japanese, QtsOwnDialogsSpeakJapaneseToo) {
  JapaneseForThisTest japanese;
  QMessageBox box(QMessageBox::NoIcon, "Quillon", "text", QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"))
      << "qtbase_ja.qm missing from " << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString()
      << " (qt6-translations-l10n)";
}

TEST(Japanese, OverwriteQuestionIsNeverCutInEitherLanguage) {
  const std::u16string path = u"/home/user/Videos/03_0001_2007-05-31_142314_longer_name.M2T";
  for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Japanese)}) {
    SCOPED_TRACE(locale.name().toStdString());
    TranslationsForThisTest language(locale);
    ui::COverwriteConfirmDialog question;
    question.SetQuestion({path, 1ull << 30, 1767622980, 4ull << 30});
    int buttonsTop = question.height();
    for (auto* button : question.findChildren<QPushButton*>()) {
      if (!button->isHidden()) buttonsTop = std::min(buttonsTop, button->y());
    }
    for (auto* label : question.findChildren<QLabel*>()) {
      const QSize needed = label->sizeHint();
      EXPECT_TRUE(label->wordWrap() || label->width() >= needed.width()) << label->objectName().toStdString();
      EXPECT_GE(label->height(), label->wordWrap() ? label->heightForWidth(label->width()) : needed.height())
          << label->objectName().toStdString();
      EXPECT_LE(label->geometry().right(), question.width()) << label->objectName().toStdString();
      EXPECT_LT(label->geometry().bottom(), buttonsTop) << label->objectName().toStdString();
    }
    EXPECT_EQ(question.findChild<QLabel*>("1026")->text(), question.QuestionText()) << "the whole name fits";
  }
}

TEST(Japanese, EnglishIsTheSourceAndTheFallback) {
  FakeDrives drives;
  RecordedMessages messages;
  for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German)}) {
    SCOPED_TRACE(locale.name().toStdString());
    TranslationsForThisTest language(locale);
    EXPECT_FALSE(language.installed) << "no file of its own: the source texts";
    ui::CMainDlg window(drives.Options());
    EXPECT_EQ(MainControls(window).import->text(), "&Import");
    const frontend::Message line = frontend::FailureLine({u"A", FailureKind::ChunkRead, u"f", "why", 0});
    EXPECT_EQ(ui::Tr(line), QString::fromStdU16String(frontend::English(line)));
  }
}

TEST(Japanese, TranslationFileLeavesNothingUnfinished) {
  QFile file(QStringLiteral(QUILLON_SOURCE_DIR "/src/ui/translations/quillon_ja.ts"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  int messages = 0;
  QString source;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == QLatin1String("source")) {
      source = xml.readElementText();
    } else if (xml.name() == QLatin1String("translation")) {
      ++messages;
      const QString type = xml.attributes().value(QLatin1String("type")).toString();
      EXPECT_TRUE(type.isEmpty()) << source.toStdString() << " is " << type.toStdString();
      // A text that counts holds its forms in numerusform elements.
      EXPECT_FALSE(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().isEmpty())
          << source.toStdString();
    }
  }
  EXPECT_FALSE(xml.hasError());
  EXPECT_GT(messages, 30);
}

}  // namespace
}  // namespace quillon::testsupport
