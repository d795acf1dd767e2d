#include "ui/Settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>
#include <optional>

#include "platform/Volumes.h"

namespace quillon::ui {

namespace {

QSettings OpenSettings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganisationName),
                   QString::fromLatin1(kApplicationName));
}

// Text values only: a list, a number or a byte array stored by hand is not a path.
std::optional<QString> TextValue(const QSettings& settings, const char* key) {
  const QVariant value = settings.value(QString::fromLatin1(key));
  if (!value.isValid() || value.typeId() != QMetaType::QString) return std::nullopt;
  QString text = value.toString();
  if (text.contains(QChar(u'\0')) || text.contains(QChar(u'\n')) || text.contains(QChar(u'\r'))) return std::nullopt;
  return text;
}

}  // namespace

QString GetDefaultDestination() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) return {};
  QDir().mkpath(documents);
  return QDir::cleanPath(documents);
}

StoredSettings ReadStoredSettings() {
  const QSettings settings = OpenSettings();
  StoredSettings out;
  const auto destination = TextValue(settings, kDestinationKey);
  // An empty or relative destination would put the output files wherever the process happens
  // to run (or at the file-system root), so it counts as absent.
  if (destination && QDir::isAbsolutePath(*destination)) {
    out.destination = QDir::cleanPath(*destination);
  } else {
    out.destination = GetDefaultDestination();
  }
  out.drive = TextValue(settings, kDriveKey).value_or(QString());
  // A relative second copy would land wherever the process runs: none rather than that.
  if (const auto second = TextValue(settings, kSecondCopyKey); second && QDir::isAbsolutePath(*second)) {
    out.secondCopy = QDir::cleanPath(*second);
  }
  const QVariant mhl = settings.value(QString::fromLatin1(kMhlKey));
  out.keepMhl = (mhl.typeId() == QMetaType::Bool || mhl.typeId() == QMetaType::QString) &&
                mhl.toString() == QLatin1String("true");
  return out;
}

void WriteStoredSettings(const StoredSettings& values) {
  QSettings settings = OpenSettings();
  settings.setValue(QString::fromLatin1(kDestinationKey), values.destination);
  settings.setValue(QString::fromLatin1(kDriveKey), values.drive);
  settings.setValue(QString::fromLatin1(kSecondCopyKey), values.secondCopy);
  settings.setValue(QString::fromLatin1(kMhlKey), values.keepMhl);
  settings.sync();
}

bool IsLargeFileVolume(const QString& path) { return platform::CanHoldLargeFiles(path.toStdU16String()); }

}  // namespace quillon::ui
