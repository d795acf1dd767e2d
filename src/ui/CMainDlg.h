#pragma once
// The main window: unit drive, formats, the clip list, the destination folder and the prefix
// number; Import runs the selected clips through an ImportJob with a progress window.
#include <QDialog>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "import/ImportJob.h"
#include "platform/MountTable.h"

class QCheckBox;
class QComboBox;
class QEventLoop;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSocketNotifier;
class QTimer;

namespace quillon::ui {

class CProgressDlg;
class COverwriteConfirmDialog;
class PathLabel;
class UpDownControl;

struct MainDlgOptions {
  // The unit drives of this machine; FindUnitDrives over the mount table when not given.
  std::function<std::vector<std::u16string>()> findUnitDrives;
  // The table watched for mounts and unmounts; empty for no watch.
  std::string mountTable = platform::kMountTablePath;
  // Delay between a mount or unmount and the drive refresh it causes.
  int refreshDelayMs = 1000;
};

class CMainDlg : public QDialog, public ImportFrontEnd {
  Q_OBJECT
 public:
  explicit CMainDlg(MainDlgOptions options = {}, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // Both wait while an import runs: the refresh or the scan asked for then runs at its end.
  void FillDriveCombo(bool force);
  void FillClipList();
  void LoadSettings();
  void SaveSettings();
  // True when the destination can take files of 4 GiB: not on a FAT-family volume and on one
  // that can be queried.
  bool IsDestinationNtfs() const;
  void WarnIfNotNtfs();
  void OnBrowse();
  void OnImport();
  void OnSelectAll();
  void OnClearAll();
  void OnRefresh();
  void OnAbout();
  // A mount or unmount was seen: the drives are re-detected once the delay has passed.
  void OnVolumeChange();

  const QString& Drive() const { return drive_; }
  const QString& Destination() const { return destination_; }
  void SetDestination(const QString& folder);
  const ClipCatalogue& Catalogue() const { return catalogue_; }
  // True while an import is prepared, runs or is waited for: the window takes no input then,
  // and drive refreshes and clip-list scans wait for its end.
  bool ImportRunning() const { return importing_; }
  bool RefreshPending() const { return refreshPending_; }
  int PrefixPosition() const;
  std::vector<std::size_t> SelectedRows() const;

  // ImportFrontEnd, called on the worker thread.
  bool ShowProgress(const ImportProgress& progress) override;
  void ClipFailed(const ClipFailure& failure) override;
  void CopyEnded() override;
  void Finished(const ImportOutcome& summary) override;
  int AskOverwrite(const OverwriteQuestion& question) override;

 signals:
  void ImportStarted(quillon::ui::CProgressDlg* progress);
  void ImportEnded(const quillon::ImportOutcome& outcome);
  void OverwriteQuestionShown(quillon::ui::COverwriteConfirmDialog* question);
  void DrivesRefreshed();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  void done(int result) override;

 private:
  struct PendingQuestion {
    std::u16string path;
    std::optional<int> answer;
  };

  void BuildControls();
  void StartVolumeWatch();
  void UpdateImportButton();
  void OnDriveActivated(int index);
  void OnFormatClicked(QCheckBox* box);
  std::optional<ImportOutcome> RunImport(const std::vector<std::size_t>& rows);
  void OnCopyMessage(std::uint32_t code);
  void ShowOverwriteQuestion();
  void AnswerQuestion(int answer);
  void WaitForWorker();
  std::vector<std::u16string> ListUnitDrives() const;

  MainDlgOptions options_;
  std::mutex importLock_;     // window thread only; taken before catalogueLock_
  std::mutex catalogueLock_;  // window thread only
  QString drive_;
  ClipCatalogue catalogue_;
  QString destination_;
  bool importing_ = false;            // from Import's click until the import has ended
  bool refreshPending_ = false;       // a drive refresh held back until the import ends
  bool clipListPending_ = false;      // likewise, a new scan of the clip list
  bool workerStarted_ = false;
  std::size_t failureMessages_ = 0;  // COPY_FAILED messages of this import so far
  bool settingsSaved_ = false;
  QEventLoop* workerWait_ = nullptr;

  // The progress window as the worker sees it.
  std::mutex progressMutex_;
  CProgressDlg* progressForWorker_ = nullptr;

  // The overwrite question asked by the worker and answered on the window thread.
  std::mutex questionMutex_;
  std::condition_variable questionAnswered_;
  std::optional<PendingQuestion> question_;
  bool closing_ = false;

  std::unique_ptr<platform::MountTableWatch> watch_;
  QSocketNotifier* watchNotifier_ = nullptr;
  QTimer* refreshTimer_ = nullptr;

  QListWidget* clipList_ = nullptr;
  PathLabel* destinationText_ = nullptr;
  QComboBox* driveCombo_ = nullptr;
  QLineEdit* prefixEdit_ = nullptr;
  UpDownControl* prefixSpin_ = nullptr;
  QCheckBox* hdvCheck_ = nullptr;
  QCheckBox* dvCheck_ = nullptr;
  QPushButton* importButton_ = nullptr;

  // Last, so that it goes first: its destructor stops and joins the worker while the locks,
  // the condition variable and the question the worker uses are still there.
  std::unique_ptr<ImportJob> job_;
};

}  // namespace quillon::ui
