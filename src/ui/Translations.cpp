#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace quillon::ui {

bool InstallTranslations(QCoreApplication& app, const QLocale& locale) {
  // Qt's own texts (the buttons of message boxes and of the folder browser).
  auto* qtBase = new QTranslator(&app);
  if (qtBase->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qtBase);
  } else {
    delete qtBase;
  }
  // The program's texts in the user's language; in any other, English, the texts of the source.
  auto* own = new QTranslator(&app);
  if (own->load(locale, QStringLiteral("quillon"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
    QCoreApplication::installTranslator(own);
    return true;
  }
  delete own;
  return false;
}

}  // namespace quillon::ui
