#pragma once
// The message boxes of an import: why it cannot start, which outputs are too large for the
// destination, why a clip failed, and what it left behind. Their texts are translated with
// the main window's.
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <utility>
#include <vector>

#include "import/ImportReport.h"

class QWidget;

namespace quillon::ui {

struct UserMessage {
  UserMessage(QString text = {}, QString detail = {}, QMessageBox::Icon icon = QMessageBox::Warning)
      : text(std::move(text)), detail(std::move(detail)), icon(icon) {}
  QString text;
  QString detail;  // the box's second paragraph; may be empty
  QMessageBox::Icon icon;
};

// Shows the message through ShowMessage.
void ShowMessage(QWidget* parent, const UserMessage& message);

// The status line under the clip list after an import: what was imported where, then the
// figures. The head holds %1 where the folder goes, so that the line can shorten the folder
// alone when it is too long.
struct ImportSummary {
  QString head;
  QString folder;
  QString figures;
  QString Head() const { return head.arg(folder); }
};

class ImportMessages {
  Q_DECLARE_TR_FUNCTIONS(quillon::ui::CMainDlg)

 public:
  // "512 bytes", "4.0 KiB", "1.2 GiB", never broken between number and unit.
  static QString SizeText(std::uint64_t bytes);
  // "41 s", "2 min 5 s", "1 h 3 min".
  static QString Duration(double seconds);
  // "14 files imported to /home/u/Videos" and "1.2 GiB in 41 s · 2 kept · 1 failed".
  static ImportSummary Summary(const ImportOutcome& outcome);

  // One line on a failed clip; in English it reads as ClipFailure::Describe().
  static QString FailureLine(const ClipFailure& failure);
  // A clip failed while copying: the import's failure text, its cause below when known.
  static UserMessage CopyFailed(const ClipFailure* cause);
  // The import cannot start: nothing is copied.
  static UserMessage Refused(const Refusal& refusal);
  // Outputs too large for the destination's file system; othersLeft tells whether the other
  // clips are imported.
  static UserMessage TooLarge(const std::vector<ClipFailure>& tooLarge, bool othersLeft);
  // Outputs that took a numbered name, so as not to replace an earlier one of the import.
  static UserMessage Renamed(const std::vector<RenamedOutput>& renamed);
  // Incomplete outputs whose hidden temporary files could not be deleted.
  static UserMessage NotRemoved(const std::vector<UnremovedOutput>& left);
};

}  // namespace quillon::ui
