// quillon: the desktop program.
#include <QApplication>
#include <QDir>
#include <clocale>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "import/ImportContext.h"
#include "ui/CMainDlg.h"
#include "ui/Settings.h"
#include "ui/Translations.h"
#include "ui/UserPrompts.h"

int main(int argc, char** argv) {
  // The date locale is fixed before anything else runs.
  quillon::TheImportContext();

  // --help and --version need no display, and answer also while another copy runs.
  if (const auto status = quillon::app::AnswerHelpOrVersion(argc, argv)) return *status;

  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(quillon::ui::kOrganisationName));
  QCoreApplication::setApplicationName(QString::fromLatin1(quillon::ui::kApplicationName));
  QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));
  QApplication::setWindowIcon(quillon::ui::ApplicationIcon());

  // Qt has taken its own options (-platform and the like); FOLDER is what is left.
  const quillon::app::CommandLine line =
      quillon::app::ParseCommandLine(QCoreApplication::arguments(), QDir::currentPath());
  if (line.action == quillon::app::CommandLine::Action::Error) {
    std::fprintf(stderr, "quillon: %s (see --help)\n", line.error.toLocal8Bit().constData());
    return 2;
  }

  quillon::app::SingleInstance instance;
  if (!instance.Acquire()) {
    instance.ActivateRunning();
    return 0;
  }

  std::setlocale(LC_ALL, "");
  quillon::ui::InstallTranslations(app);

  quillon::ui::MainDlgOptions options;
  options.startFolder = line.folder;
  quillon::ui::CMainDlg window(options);
  QObject::connect(&instance, &quillon::app::SingleInstance::ActivationRequested, &window, [&window] {
    window.show();
    window.raise();
    window.activateWindow();
  });
  window.exec();
  return 0;
}
