#include "WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QSettings>
#include <QThread>
#include <QTranslator>
#include <algorithm>
#include <fstream>

#include "ui/Settings.h"
#include "ui/Translations.h"

namespace quillon::testsupport {

namespace {

QSettings TestSettings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(ui::kOrganisationName),
                   QString::fromLatin1(ui::kApplicationName));
}

}  // namespace

ui::MainDlgOptions FakeDrives::Options() {
  ui::MainDlgOptions options;
  options.findUnitDrives = [this] { return drives; };
  options.watchVolumes = false;
  options.refreshDelayMs = 0;
  options.scanWait = std::chrono::seconds(30);  // a test unit's list is there when a call returns
  return options;
}

void FakeDrives::Remove(const UnitTree& unit) {
  drives.erase(std::remove(drives.begin(), drives.end(), unit.Drive()), drives.end());
}

std::filesystem::path PutDvClip(const UnitTree& unit, std::string_view name, std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + name.size());
  return unit.FlatFile(std::string(name) + ".DV", bytes);
}

void ClearSettings() {
  QSettings settings = TestSettings();
  settings.clear();
  settings.sync();
}

void StoreSetting(const char* key, const QVariant& value) {
  QSettings settings = TestSettings();
  settings.setValue(QString::fromLatin1(key), value);
  settings.sync();
}

QVariant StoredSetting(const char* key) { return TestSettings().value(QString::fromLatin1(key)); }

RecordedMessages::RecordedMessages()
    : hook_(ui::MessageHook([this](const QString& text, QMessageBox::Icon icon, const QString& detail) {
        texts.push_back(text);
        details.push_back(detail);
        icons.push_back(icon);
      })) {}

MainControls::MainControls(ui::CMainDlg& w)
    : drive(w.findChild<QComboBox*>(QStringLiteral("1008"))),
      list(w.findChild<QListWidget*>(QStringLiteral("1000"))),
      hdv(w.findChild<QCheckBox*>(QStringLiteral("1023"))),
      dv(w.findChild<QCheckBox*>(QStringLiteral("1024"))),
      import(w.findChild<QAbstractButton*>(QStringLiteral("1002"))),
      window(w) {}

QAbstractButton* MainControls::button(int id) const {
  return window.findChild<QAbstractButton*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

QWidget* MainControls::control(int id) const {
  return window.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

QStringList MainControls::DriveTexts() const {
  QStringList out;
  for (int i = 0; i < drive->count(); ++i) {
    if (i != OtherFolderEntry()) out.push_back(drive->itemText(i));
  }
  return out;
}

int MainControls::OtherFolderEntry() const { return drive->findData(true, Qt::UserRole); }

QStringList MainControls::ClipNames() const {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().section(QLatin1Char(' '), 0, 0));
  return out;
}

QStringList MainControls::SelectedClipNames() const {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->isSelected()) out.push_back(list->item(i)->text().section(QLatin1Char(' '), 0, 0));
  }
  return out;
}

void MainControls::SelectClips(const QStringList& names) {
  for (int i = 0; i < list->count(); ++i) {
    if (names.contains(list->item(i)->text().section(QLatin1Char(' '), 0, 0))) list->item(i)->setSelected(true);
  }
}

TranslationsForThisTest::TranslationsForThisTest(const QLocale& locale)
    : installed(ui::InstallTranslations(*qApp, locale)) {}

TranslationsForThisTest::~TranslationsForThisTest() {
  for (auto* translator : qApp->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
}

WhenShown::WhenShown(std::function<bool(QWidget*)> tryOne) {
  timer_.setInterval(5);
  QObject::connect(&timer_, &QTimer::timeout, [this, tryOne] {
    if (done_) return;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->isVisible() && tryOne(w)) {
        done_ = true;
        timer_.stop();
        return;
      }
    }
  });
  timer_.start();
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace quillon::testsupport
