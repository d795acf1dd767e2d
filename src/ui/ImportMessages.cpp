#include "ui/ImportMessages.h"

#include <QDir>
#include <QStringList>

#include "platform/Path.h"
#include "ui/UserPrompts.h"

namespace quillon::ui {

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

// "4.2 GiB" never broken between its number and its unit.
QString Size(const std::string& text) { return Q(text).replace(QLatin1Char(' '), QChar::Nbsp); }
QString Size(std::uint64_t bytes) { return Size(ByteSizeText(bytes)); }

QString FileName(const std::u16string& path) { return Q(std::u16string(platform::LastComponent(path))); }

}  // namespace

QString ImportMessages::SizeText(std::uint64_t bytes) { return Size(bytes); }

QString ImportMessages::Duration(double seconds) {
  const auto whole = static_cast<long long>(std::max(0.0, seconds) + 0.5);
  if (whole < 60) return tr("%1 s", "seconds").arg(whole);
  if (whole < 3600) return tr("%1 min %2 s", "minutes and seconds").arg(whole / 60).arg(whole % 60);
  return tr("%1 h %2 min", "hours and minutes").arg(whole / 3600).arg(whole % 3600 / 60);
}

ImportSummary ImportMessages::Summary(const ImportOutcome& outcome) {
  const int files = static_cast<int>(outcome.written.size());
  ImportSummary summary;
  // %n is filled in here, %1 (the folder) by whoever shows the line.
  summary.head = outcome.cancelled ? tr("Import cancelled: %n file(s) imported to %1", "", files)
                                   : tr("%n file(s) imported to %1", "", files);
  summary.folder = QDir::toNativeSeparators(Q(outcome.destination));
  QStringList figures{tr("%1 in %2", "bytes written in the import's time")
                          .arg(Size(outcome.bytesWritten), Duration(outcome.seconds))};
  if (!outcome.skipped.empty()) figures.push_back(tr("%1 kept", "existing files").arg(outcome.skipped.size()));
  if (!outcome.renamed.empty()) figures.push_back(tr("%1 renamed", "outputs").arg(outcome.renamed.size()));
  if (!outcome.failed.empty()) figures.push_back(tr("%1 failed", "clips").arg(outcome.failed.size()));
  summary.figures = figures.join(QStringLiteral(" \u00b7 "));
  return summary;
}

void ShowMessage(QWidget* parent, const UserMessage& message) {
  ShowMessage(parent, message.text, message.icon, message.detail);
}

QString ImportMessages::FailureLine(const ClipFailure& failure) {
  const QString clip = Q(failure.clip);
  const QString file = Q(failure.file);
  // Kinds whose cause is the system's error text, put in parentheses after the line.
  QString line;
  switch (failure.kind) {
    case FailureKind::ChunkOpen: line = tr("%1: %2 could not be opened").arg(clip, file); break;
    case FailureKind::ChunkRead: line = tr("%1: %2 could not be read").arg(clip, file); break;
    case FailureKind::OutputCreate: line = tr("%1: %2 could not be created").arg(clip, file); break;
    case FailureKind::OutputWrite: line = tr("%1: %2 could not be written").arg(clip, file); break;
    case FailureKind::OutputSync: line = tr("%1: %2 could not be saved to the disk").arg(clip, file); break;
    case FailureKind::OutputReadBack: line = tr("%1: %2 could not be read back to check it").arg(clip, file); break;
    case FailureKind::OutputPlace: line = tr("%1: %2 could not be put in place").arg(clip, file); break;
    case FailureKind::FolderSync:
      line = tr("%1: %2 is in place, but the destination folder could not be saved to the disk").arg(clip, file);
      break;
    case FailureKind::Internal: line = tr("%1: an unexpected error stopped the copy").arg(clip); break;
    // The others tell their whole cause themselves.
    case FailureKind::ChunkEnded:
      return tr("%1: %2 ended before all its bytes were read; the unit may have been disconnected").arg(clip, file);
    case FailureKind::OutputMismatch:
      return tr("%1: %2 read back differs from the bytes copied from the unit").arg(clip, file);
    case FailureKind::SameAsUnitFile:
      return tr("%1: %2 in the destination folder is a file of the unit; it was left as it is").arg(clip, file);
    case FailureKind::ExistsAfterFailure:
      return tr("%1: %2 already exists and was kept, because an earlier output file could not be created")
          .arg(clip, file);
    case FailureKind::TooLarge:
      return tr("%1: %2 would be %3, more than the destination's file system can hold in one file")
          .arg(clip, file, Q(failure.detail));
  }
  if (failure.detail.empty()) return line;
  return tr("%1 (%2)", "a failure and the system's error text").arg(line, Q(failure.detail));
}

UserMessage ImportMessages::CopyFailed(const ClipFailure* cause) {
  return {tr("Failed to import the files. Remove the Read-only attribute of the destination drive, or increase "
             "its available space."),
          cause ? FailureLine(*cause) : QString(), QMessageBox::NoIcon};
}

UserMessage ImportMessages::Refused(const Refusal& refusal) {
  const QString folder = QDir::toNativeSeparators(Q(refusal.destination));
  switch (refusal.kind) {
    case RefusalKind::NoDestination:
      return {tr("The destination folder \"%1\" does not exist. Choose another destination folder.").arg(folder)};
    case RefusalKind::NotAFolder:
      return {tr("The destination \"%1\" is not a folder. Choose another destination folder.").arg(folder)};
    case RefusalKind::NotWritable:
      return {tr("Files cannot be created in the destination folder \"%1\". Choose another destination folder.")
                  .arg(folder),
              Q(refusal.detail)};
    case RefusalKind::InsideUnit:
      return {tr("The destination folder \"%1\" is inside the recording unit, which is never written. Choose a "
                 "folder on another drive.")
                  .arg(folder)};
    case RefusalKind::NotEnoughSpace:
      return {tr("The import needs %1, but the destination folder \"%2\" has only %3 free. Nothing was copied.")
                  .arg(Size(refusal.neededBytes), folder, Size(refusal.availableBytes))};
  }
  return {};
}

UserMessage ImportMessages::TooLarge(const std::vector<ClipFailure>& tooLarge, bool othersLeft) {
  QStringList lines;
  for (const ClipFailure& output : tooLarge) {
    lines.push_back(
        tr("%1: %2 (%3)", "clip: output file (its size)").arg(Q(output.clip), Q(output.file), Size(output.detail)));
  }
  const QString text =
      othersLeft ? tr("The destination's file system cannot hold files as large as the output files below, so their "
                      "clips will not be imported. The other clips will be imported.")
                 : tr("The destination's file system cannot hold files as large as the output files below, so their "
                      "clips will not be imported. Nothing is left to import.");
  return {text, lines.join(QLatin1Char('\n'))};
}

UserMessage ImportMessages::Renamed(const std::vector<RenamedOutput>& renamed) {
  QStringList lines;
  for (const RenamedOutput& output : renamed) {
    lines.push_back(tr("%1 was saved as %2").arg(FileName(output.from), FileName(output.to)));
  }
  return {tr("Other recordings of this import had the same file names, so these files were saved under numbered "
             "names:"),
          lines.join(QLatin1Char('\n')), QMessageBox::Information};
}

UserMessage ImportMessages::NotRemoved(const std::vector<UnremovedOutput>& left) {
  QStringList lines;
  for (const UnremovedOutput& output : left) {
    const QString path = QDir::toNativeSeparators(Q(output.path));
    lines.push_back(output.error.empty()
                        ? path
                        : tr("%1 (%2)", "a failure and the system's error text").arg(path, Q(output.error)));
  }
  return {tr("These incomplete files could not be deleted. They are hidden, and the next import into this folder "
             "removes them:"),
          lines.join(QLatin1Char('\n'))};
}

}  // namespace quillon::ui
