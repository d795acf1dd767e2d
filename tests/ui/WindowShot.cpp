// quillon_window_shot DRIVE OUT.png [LOCALE]: draws the main window into a PNG, for the
// documentation's picture of the window. DRIVE is a folder holding a unit's tree, or "-" for
// the units mounted on this machine. The other windows go beside it: the main window after an
// import with its status line (OUT.png.summary.png) and without a unit (OUT.png.no-unit.png),
// the progress window with its details (OUT.png.progress.png), the overwrite question, the
// version box, and the import's message boxes, all with sample contents
// (OUT.png.message-failed.png...).
#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <chrono>
#include <cstdio>

#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/CopyEvent.h"
#include "ui/ImportMessages.h"
#include "ui/ImportSession.h"
#include "ui/Settings.h"
#include "ui/Translations.h"
#include "ui/UserPrompts.h"

namespace {

// Shows the window, lets it draw, and saves it; false when the file cannot be written.
bool Shoot(QWidget& window, const QString& path) {
  window.show();
  QApplication::processEvents();
  return window.grab().save(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quillon_window_shot DRIVE OUT.png [LOCALE]\n");
    return 2;
  }
  QApplication app(argc, argv);
  // Dates follow the language of the texts; English brings its plural forms.
  const QLocale locale(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("en_US"));
  QLocale::setDefault(locale);
  quillon::ui::InstallTranslations(app, locale);
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
  const QString out = QString::fromLocal8Bit(argv[2]);
  if (!Shoot(window, out)) return 1;

  // After an import: the status line under the list, and the button that opens the folder.
  quillon::ImportOutcome outcome;
  outcome.written.resize(7);
  outcome.skipped.resize(1);
  outcome.failed.resize(1);
  outcome.bytesWritten = 1288490189;
  outcome.seconds = 41;
  outcome.destination = u"/home/user/Videos";
  window.Session().Finished(outcome);
  Shoot(window, out + QStringLiteral(".summary.png"));

  // No unit, and no folder from an earlier run to fall back on.
  quillon::ui::WriteStoredSettings({window.Destination(), QString()});
  quillon::ui::MainDlgOptions noUnit;
  noUnit.findUnitDrives = [] { return std::vector<std::u16string>(); };
  noUnit.watchVolumes = false;
  quillon::ui::CMainDlg empty(noUnit);
  Shoot(empty, out + QStringLiteral(".no-unit.png"));

  // The progress window eight seconds into a copy at 5 MiB/s.
  quillon::ui::CProgressDlg progress(&window, {});
  std::chrono::steady_clock::time_point now;
  progress.SetClock([&now] { return now; });
  progress.SetTotal(340);
  progress.show();
  constexpr std::uint64_t kMiB = 1 << 20;
  for (const auto& [at, done] : {std::pair{0, 100 * kMiB}, std::pair{8, 140 * kMiB}}) {
    now = std::chrono::steady_clock::time_point(std::chrono::seconds(at));
    quillon::ui::PostFromAnyThread(&progress, new quillon::ui::ProgressDetailsEvent(
                                                  {0, done, 340 * kMiB, u"HDV0001", u"HDV0001_2008-03-14_101530.M2T"}));
    QApplication::sendPostedEvents(&progress);
  }
  quillon::ui::PostCopyMessage(&progress, quillon::COPY_PROGRESS, 140);
  QApplication::sendPostedEvents(&progress);
  Shoot(progress, out + QStringLiteral(".progress.png"));

  quillon::ui::COverwriteConfirmDialog question;
  question.SetQuestion({u"/home/user/Videos/03_0001_2007-05-31_142314.M2T", 1288490189, 1767622980, 1298403328});
  Shoot(question, out + QStringLiteral(".question.png"));
  quillon::ui::CAboutDlg about(&window);
  Shoot(about, out + QStringLiteral(".about.png"));

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
