// quillon: the desktop program.
#include <QApplication>
#include <clocale>

#include "app/SingleInstance.h"
#include "import/ImportContext.h"
#include "ui/CMainDlg.h"
#include "ui/Settings.h"
#include "ui/Translations.h"

int main(int argc, char** argv) {
  // The date locale is fixed before anything else runs.
  quillon::TheImportContext();

  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(quillon::ui::kOrganisationName));
  QCoreApplication::setApplicationName(QString::fromLatin1(quillon::ui::kApplicationName));
  QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

  quillon::app::SingleInstance instance;
  if (!instance.Acquire()) {
    instance.ActivateRunning();
    return 0;
  }

  std::setlocale(LC_ALL, "");
  quillon::ui::InstallTranslations(app);

  quillon::ui::CMainDlg window;
  QObject::connect(&instance, &quillon::app::SingleInstance::ActivationRequested, &window, [&window] {
    window.show();
    window.raise();
    window.activateWindow();
  });
  window.exec();
  return 0;
}
