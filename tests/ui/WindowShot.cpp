// quillon_window_shot DRIVE OUT.png [LOCALE]: draws the main window into a PNG, for the
// documentation's picture of the window. DRIVE is a folder holding a unit's tree, or "-" for
// the units mounted on this machine. The other windows go beside it (OUT.png.progress.png...).
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/CMainDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CAboutDlg.h"
#include "ui/Translations.h"
#include "ui/UserPrompts.h"

#include <QListWidget>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quillon_window_shot DRIVE OUT.png [LOCALE]\n");
    return 2;
  }
  QApplication app(argc, argv);
  if (argc > 3) quillon::ui::InstallTranslations(app, QLocale(QString::fromLocal8Bit(argv[3])));
  const std::u16string drive = QString::fromLocal8Bit(argv[1]).toStdU16String();
  quillon::ui::MainDlgOptions options;
  if (drive != u"-") options.findUnitDrives = [drive] { return std::vector<std::u16string>{drive}; };
  quillon::ui::ScopedMessageHook quiet([](const QString&, QMessageBox::Icon) {});
  quillon::ui::CMainDlg window(options);
  // Two clips chosen, as a user about to import them would have it.
  if (auto* list = window.findChild<QListWidget*>(QStringLiteral("1000")); list && list->count() > 2) {
    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
  }
  window.show();
  QApplication::processEvents();
  const QString out = QString::fromLocal8Bit(argv[2]);
  if (!window.grab().save(out)) return 1;
  // The other windows beside it, for a look at their layout.
  quillon::ui::CProgressDlg progress(&window, {});
  progress.SetTotal(100);
  progress.show();
  QApplication::processEvents();
  progress.grab().save(out + QStringLiteral(".progress.png"));
  quillon::ui::COverwriteConfirmDialog question;
  question.SetQuestion(u"/home/user/Videos/03_0001_2007-05-31_142314.M2T");
  question.show();
  QApplication::processEvents();
  question.grab().save(out + QStringLiteral(".question.png"));
  quillon::ui::CAboutDlg about(&window);
  about.show();
  QApplication::processEvents();
  about.grab().save(out + QStringLiteral(".about.png"));
  return 0;
}
