// quillon_window_shot DRIVE DEST OUT.png [LOCALE]: draws the windows into PNGs, for the
// documentation's pictures. DRIVE is a folder holding a unit's tree; DEST an empty folder the
// clips are imported into, for real. The main window (OUT.png) shows each clip's state in DEST
// after an earlier import of two clips, one of them changed there since. Beside it: the main window after
// that import with its status line (OUT.png.summary.png) and without a unit
// (OUT.png.no-unit.png), the progress window (OUT.png.progress.png), the overwrite question, the
// version box, the import's message boxes with sample contents (OUT.png.message-failed.png...),
// and a rescue: the status line offering it after a clip the unit could not read
// (OUT.png.rescue-offer.png), its progress window (OUT.png.rescue-progress.png) and the notice
// it ends with (OUT.png.message-rescued.png).
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QPixmap>
#include <QThread>
#include <clocale>
#include <cstdio>
#include <fstream>

#include "frontend/Texts.h"
#include "support/FaultyFileSystem.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/CopyEvent.h"
#include "ui/Settings.h"
#include "ui/Texts.h"
#include "ui/Translations.h"
#include "ui/UserPrompts.h"

namespace {

using namespace quillon;

// Shows the window, lets it draw, and saves it; false when the file cannot be written.
bool Shoot(QWidget& window, const QString& path) {
  window.show();
  QApplication::processEvents();
  return window.grab().save(path);
}

// Lets the window look at the destination until every clip has its mark (ten seconds at most).
void WaitForMarks(const ui::CMainDlg& window) {
  QElapsedTimer clock;
  clock.start();
  while (window.HomeMarks().contains(QString()) && clock.elapsed() < 10000) {
    QApplication::processEvents();
    QThread::msleep(5);
  }
}

void ShootMessage(QWidget* parent, const frontend::Notice& notice, const QString& path) {
  const QMessageBox::Icon icon = notice.icon == frontend::Notice::Icon::None ? QMessageBox::NoIcon
                                 : notice.icon == frontend::Notice::Icon::Information ? QMessageBox::Information
                                                                                       : QMessageBox::Warning;
  auto box = ui::NewMessageBox(parent, ui::Tr(notice.text), icon, ui::Tr(notice.detail));
  Shoot(*box, path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: quillon_window_shot DRIVE DEST OUT.png [LOCALE]\n");
    return 2;
  }
  QApplication app(argc, argv);
  // The list's dates in the user's short form, as the program shows them.
  std::setlocale(LC_ALL, "");
  // Dates follow the language of the texts.
  const QLocale locale(argc > 4 ? QString::fromLocal8Bit(argv[4]) : QStringLiteral("en_US"));
  QLocale::setDefault(locale);
  ui::InstallTranslations(app, locale);
  const std::u16string drive = QString::fromLocal8Bit(argv[1]).toStdU16String();
  const QString dest = QString::fromLocal8Bit(argv[2]);
  const QString out = QString::fromLocal8Bit(argv[3]);
  ui::WriteStoredSettings({dest, QString::fromStdU16String(drive), {}, false});
  ui::MainDlgOptions options;
  options.findUnitDrives = [drive] { return std::vector<std::u16string>{drive}; };
  options.watchVolumes = false;
  options.scanWait = std::chrono::seconds(30);
  ui::ScopedMessageHook quiet([](const QString&, QMessageBox::Icon) {});
  // An earlier import of the second and the fourth clip; the fourth's output changed since.
  {
    ui::CMainDlg earlier(options);
    auto* list = earlier.findChild<QListWidget*>(QStringLiteral("1000"));
    if (!list || list->count() < 4) {
      std::fprintf(stderr, "quillon_window_shot: %s holds fewer than four clips\n", argv[1]);
      return 1;
    }
    list->item(1)->setSelected(true);
    list->item(3)->setSelected(true);
    ImportOutcome done;
    QObject::connect(&earlier, &ui::CMainDlg::ImportEnded, [&done](const ImportOutcome& o) { done = o; });
    earlier.OnImport();
    const std::u16string changed = list->item(3)->text().section(QLatin1Char(' '), 0, 0).toStdU16String();
    for (const PlacedOutput& output : done.written) {
      if (output.clip == changed) std::ofstream(QString::fromStdU16String(output.path).toStdString(), std::ios::app) << '!';
    }
  }
  ui::CMainDlg window(options);
  // Two new clips chosen, as a user about to import them would have it.
  auto* list = window.findChild<QListWidget*>(QStringLiteral("1000"));
  list->item(0)->setSelected(true);
  list->item(2)->setSelected(true);
  WaitForMarks(window);
  if (!Shoot(window, out)) return 1;

  // The import itself, and the status line it leaves under the list.
  window.OnImport();
  WaitForMarks(window);
  Shoot(window, out + QStringLiteral(".summary.png"));

  // No unit, and no folder from an earlier run to fall back on.
  ui::WriteStoredSettings({dest, QString(), {}, false});
  ui::MainDlgOptions noUnit;
  noUnit.findUnitDrives = [] { return std::vector<std::u16string>(); };
  noUnit.watchVolumes = false;
  noUnit.scanWait = std::chrono::seconds(30);
  ui::CMainDlg empty(noUnit);
  Shoot(empty, out + QStringLiteral(".no-unit.png"));

  // The progress window eight seconds into a copy at 5 MiB/s, with the lines it would show.
  constexpr std::uint64_t kMiB = 1 << 20;
  ui::CProgressDlg progress(&window, {});
  progress.SetTotal(340);
  ui::PostCopyMessage(&progress, frontend::COPY_PROGRESS, 140);
  QApplication::sendPostedEvents(&progress);
  progress.show();
  const ProgressEvent at{140 * kMiB, 340 * kMiB, u"HDV0001", u"HDV0001_2008-03-14_101530.M2T", 1, 3, std::nullopt};
  progress.ShowLines(frontend::ProgressLinesOf(at, frontend::TransferRate::Estimate{5.0 * kMiB, 40.0}));
  Shoot(progress, out + QStringLiteral(".progress.png"));

  const std::u16string folder = dest.toStdU16String();
  const std::u16string m2t = u"03_0001_2007-05-31_142314.M2T";
  ui::COverwriteConfirmDialog question;
  question.SetQuestion({folder + u"/" + m2t, 1288490189, 1767622980, 1298403328});
  Shoot(question, out + QStringLiteral(".question.png"));
  ui::CAboutDlg about(&window);
  Shoot(about, out + QStringLiteral(".about.png"));

  const std::pair<const char*, frontend::Notice> notices[] = {
      {"failed", frontend::CopyFailedNotice({u"001HDVF", FailureKind::ChunkRead, u"0001.M2T", "Input/output error"})},
      {"inside-unit", frontend::RefusedNotice({RefusalKind::InsideUnit, u"/media/user/HDV-UNIT/copies", 0, 0, {}})},
      {"not-writable", frontend::RefusedNotice({RefusalKind::NotWritable, folder, 0, 0, "Read-only file system"})},
      {"no-space", frontend::RefusedNotice({RefusalKind::NotEnoughSpace, folder, 5ull << 30, 1ull << 30, {}})},
      {"too-large", frontend::TooLargeNotice({{u"001HDVF", FailureKind::TooLarge, m2t, {}, 4509715660},
                                               {u"002HDVF", FailureKind::TooLarge, u"03_0002_2007-05-31_150102.M2T", {},
                                                7301444403}},
                                              true)},
  };
  for (const auto& [name, notice] : notices) {
    ShootMessage(&window, notice, out + QStringLiteral(".message-") + QString::fromLatin1(name) + QStringLiteral(".png"));
  }

  // A clip whose second frame the unit cannot read: the import fails it and offers a rescue,
  // which keeps the rest and tells where the damage lies.
  {
    testsupport::FaultyFileSystem faulty;
    faulty.FailArea(u"DVC0001", 122880, 4096);
    platform::ScopedFileSystem use(faulty);
    for (int row = 0; row < list->count(); ++row) list->item(row)->setSelected(list->item(row)->text().startsWith("DVC0001"));
    window.OnImport();
    WaitForMarks(window);
    Shoot(window, out + QStringLiteral(".rescue-offer.png"));
    ImportOutcome rescued;
    QObject::connect(&window, &ui::CMainDlg::ImportEnded, [&rescued](const ImportOutcome& o) { rescued = o; });
    if (auto* offer = window.findChild<QPushButton*>(QStringLiteral("rescue"))) offer->click();
    for (const frontend::Notice& notice : frontend::NoticesAfter(rescued)) {
      ShootMessage(&window, notice, out + QStringLiteral(".message-rescued.png"));
      break;
    }
  }
  ui::CProgressDlg rescuing(&window, {});
  rescuing.SetTotal(340);
  ui::PostCopyMessage(&rescuing, frontend::COPY_PROGRESS, 212);
  QApplication::sendPostedEvents(&rescuing);
  rescuing.show();
  ProgressEvent scraping{212 * kMiB, 340 * kMiB, u"HDV0001", u"HDV0001_2008-03-14_101530-rescued.M2T", 1, 1,
                         RescueFigures{RescuePhase::Scraping, 212 * kMiB - 36864, 36864, std::chrono::milliseconds(4200)}};
  rescuing.ShowLines(frontend::ProgressLinesOf(scraping, std::nullopt));
  Shoot(rescuing, out + QStringLiteral(".rescue-progress.png"));
  return 0;
}
