#pragma once
// The program's texts in the user's language: Japanese or English, by the system locale.
#include <QLocale>

class QCoreApplication;

namespace quillon::ui {

// Installs the program's and Qt's own translations for locale into app. Returns true when the
// program's texts were installed: the locale's language, or English with its plural forms.
bool InstallTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

}  // namespace quillon::ui
