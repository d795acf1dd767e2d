// The interface in Japanese: every text of the windows comes translated, none is left over.
// In English, the line on a failed clip reads as the import describes the failure.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QTranslator>
#include <QXmlStreamReader>

#include "WindowTestSupport.h"
#include "ui/CAboutDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/ImportMessages.h"
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
    if (!label->objectName().isEmpty() && label->objectName() != "1003" && label->objectName() != "1026") {
      texts.insert(label->objectName(), label->text());
    }
  }
  for (auto* button : window.findChildren<QAbstractButton*>()) {
    if (!button->text().isEmpty()) texts.insert(button->objectName(), button->text());
  }
  for (auto* group : window.findChildren<QGroupBox*>()) texts.insert(group->objectName(), group->title());
  return texts;
}

// Removes the translators InstallTranslations put in when the test ends.
struct JapaneseForThisTest {
  JapaneseForThisTest() { installed = ui::InstallTranslations(*qApp, QLocale(QLocale::Japanese, QLocale::Japan)); }
  ~JapaneseForThisTest() {
    for (auto* translator : qApp->findChildren<QTranslator*>()) {
      QCoreApplication::removeTranslator(translator);
      delete translator;
    }
  }
  bool installed = false;
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
  question.SetQuestion(u"/v/CLP0001.DV");
  EXPECT_TRUE(question.QuestionText().contains("'CLP0001.DV'"));
  EXPECT_NE(question.QuestionText(), "This folder already contains a file named 'CLP0001.DV'.");
  ui::CAboutDlg about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("バージョン情報"));
}

TEST(FailureLines, InEnglishReadAsTheImportDescribesThem) {
  for (int kind = 0; kind <= static_cast<int>(FailureKind::Internal); ++kind) {
    for (const char* detail : {"Input/output error", ""}) {
      const ClipFailure failure{u"ABC0001", static_cast<FailureKind>(kind), u"ABC0001_0000-00-00_000002.M2T", detail};
      EXPECT_EQ(ui::ImportMessages::FailureLine(failure), QString::fromStdU16String(failure.Describe()));
    }
  }
}

TEST(Japanese, EnglishNeedsNoTranslation) {
  EXPECT_FALSE(ui::InstallTranslations(*qApp, QLocale(QLocale::English, QLocale::UnitedStates)));
  for (auto* translator : qApp->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
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
      EXPECT_FALSE(xml.readElementText().isEmpty()) << source.toStdString();
    }
  }
  EXPECT_FALSE(xml.hasError());
  EXPECT_GT(messages, 30);
}

}  // namespace
}  // namespace quillon::testsupport
