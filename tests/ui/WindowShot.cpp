// quillon_window_shot DRIVE OUT.png [LOCALE]: draws the main window into a PNG, for the
// documentation's picture of the window. DRIVE is a folder holding a unit's tree, or "-" for
// the units mounted on this machine. The other windows go beside it (OUT.png.progress.png...),
// and the import's message boxes with sample contents (OUT.png.message-failed.png...).
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/CMainDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CAboutDlg.h"
#include "ui/ImportMessages.h"
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

  using quillon::ui::ImportMessages;
  const std::u16string folder = u"/home/user/Videos";
  const std::u16string m2t = u"03_0001_2007-05-31_142314.M2T";
  const quillon::ClipFailure readFailure{u"001HDVF", quillon::FailureKind::ChunkRead, u"0001.M2T",
                                         "Input/output error"};
  const std::pair<const char*, quillon::ui::UserMessage> messages[] = {
      {"failed", ImportMessages::CopyFailed(&readFailure)},
      {"inside-unit",
       ImportMessages::Refused({quillon::RefusalKind::InsideUnit, u"/media/user/HDV-UNIT/copies", 0, 0, {}})},
      {"not-writable",
       ImportMessages::Refused({quillon::RefusalKind::NotWritable, folder, 0, 0, "Read-only file system"})},
      {"no-space", ImportMessages::Refused({quillon::RefusalKind::NotEnoughSpace, folder, 5ull << 30, 1ull << 30, {}})},
      {"too-large", ImportMessages::TooLarge({{u"001HDVF", quillon::FailureKind::TooLarge, m2t, "4.2 GiB"},
                                              {u"002HDVF", quillon::FailureKind::TooLarge,
                                               u"03_0002_2007-05-31_150102.M2T", "6.8 GiB"}},
                                             true)},
      {"renamed", ImportMessages::Renamed({{folder + u"/" + m2t, folder + u"/03_0001_2007-05-31_142314_2.M2T"}})},
      {"not-removed",
       ImportMessages::NotRemoved({{folder + u"/.03_0001_2007-05-31_142314.M2T.5f3a9c1e.quillon-part",
                                    "Read-only file system"}})},
  };
  for (const auto& [name, message] : messages) {
    auto box = quillon::ui::NewMessageBox(&window, message.text, message.icon, message.detail);
    box->show();
    QApplication::processEvents();
    box->grab().save(out + QStringLiteral(".message-") + QString::fromLatin1(name) + QStringLiteral(".png"));
  }
  return 0;
}
