#pragma once
// The main window: unit drive, formats, the clip list with each clip's state in the destination,
// the destination folder, the second copy's folder, the ASC MHL history and the prefix number. Its rules are the front-end layer's (MainModel and ImportSession); this is their view
// in Qt: the controls, and the progress window, the overwrite question and the message boxes of
// an import.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/MainModel.h"
#include "frontend/WindowLayout.h"

class QCheckBox;
class QComboBox;
class QEventLoop;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillon::ui {

class CProgressDlg;
class COverwriteConfirmDialog;
class FolderLabel;
class HomeMarkDelegate;
class UpDownControl;

struct MainDlgOptions {
  // The unit drives of this machine; FindUnitDrives over the mount table when not given.
  std::function<std::vector<std::u16string>()> findUnitDrives;
  // Whether mounts and unmounts are followed, and what is watched for them (as
  // platform::VolumeChangeWatch takes it; empty for the system's own volumes).
  bool watchVolumes = true;
  std::string volumeSource;
  // Delay between a mount or unmount and the drive refresh it causes.
  int refreshDelayMs = 1000;
  // A folder to open as the source at start (quillon FOLDER), whatever drive was saved.
  QString startFolder;
  // The clock the progress window's rate is taken by.
  frontend::SessionOptions::Clock clock;
  // How long the window waits for a unit's clip list before it shows that the unit is being read.
  std::chrono::milliseconds scanWait{200};
};

class CMainDlg : public QDialog, private frontend::MainView, private frontend::SessionView {
  Q_OBJECT
 public:
  explicit CMainDlg(MainDlgOptions options = {}, QWidget* parent = nullptr);
  ~CMainDlg() override;

  // The Part's operations, each the model's rule.
  void FillDriveCombo(bool force) { model_->FillDriveCombo(force); }
  void FillClipList() { model_->FillClipList(); }
  void LoadSettings();
  void SaveSettings();
  // True when the destination can take files of 4 GiB: not on a FAT-family volume and on one
  // that can be queried.
  bool IsDestinationNtfs() const;
  void WarnIfNotNtfs();
  void OnBrowse();
  // Imports the selected clips; returns once the import has ended. The window takes no input
  // meanwhile.
  void OnImport();
  // Imports the damaged clips of the last import again, rescuing what the unit still gives.
  void OnRescue();
  void WaitForImport();
  void OnSelectAll() { model_->OnSelectAll(); }
  void OnSelectNew() { model_->OnSelectNew(); }
  void OnClearAll() { model_->OnClearAll(); }
  void OnRefresh() { model_->OnRefresh(); }
  void OnAbout();
  // "Other folder...": any folder chosen with the folder browser joins the drives and is selected.
  void OnOtherFolder() { model_->OnOtherFolder(); }
  void OnOpenFolder();
  // A mount or unmount was seen: the drives are re-detected once the delay has passed.
  void OnVolumeChange() { model_->OnVolumeChange(); }

  QString Drive() const { return QString::fromStdU16String(model_->Drive()); }
  QString Destination() const { return QString::fromStdU16String(model_->Destination()); }
  void SetDestination(const QString& folder);
  // The second copy's folder: Browse chooses it, Clear leaves none (empty).
  QString SecondCopy() const { return QString::fromStdU16String(model_->SecondCopy()); }
  void SetSecondCopy(const QString& folder);
  void OnBrowseSecondCopy();
  bool KeepMhl() const { return model_->KeepMhl(); }
  // The marks beside the rows of the clip list, as shown; empty texts while not known.
  QStringList HomeMarks() const;
  const ClipCatalogue& Catalogue() const { return model_->Catalogue(); }
  bool ImportRunning() const { return model_->ImportRunning(); }
  bool RefreshPending() const { return model_->RefreshPending(); }
  int PrefixPosition() const;
  std::vector<std::size_t> SelectedRows() const override;
  // The status line under the list, and its two lines in full (empty until an import has ended).
  void ShowSummary(const frontend::Summary& summary);
  QStringList SummaryLines() const;

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
  void resizeEvent(QResizeEvent* event) override;
  // The summary's lines end before the buttons of their row.
  void FitSummary();

 public:
  void done(int result) override;

 private:
  struct Anchored {
    QPointer<QWidget> widget;
    frontend::LayoutRect smallest;  // its place at the window's smallest size
    unsigned follow;                // frontend::Follow
  };

  void BuildControls();
  void Anchor(QWidget* widget, unsigned follow);
  void OnDriveActivated(int index);
  void OnFormatClicked(QCheckBox* box);

  // frontend::MainView
  void ShowDrives(const std::vector<std::u16string>& drives, int selected) override;
  void SelectDrive(int index) override;
  void ShowClips(const std::vector<std::u16string>& rows, const std::vector<bool>& selected) override;
  void SelectAllRows(bool selected) override;
  void SelectRows(const std::vector<bool>& selected) override;
  void ShowHomeMarks(const std::vector<frontend::Message>& marks) override;
  void EnableImport(bool enabled) override;
  void ShowHint(const frontend::Message& hint) override;
  void ClearSummary() override;
  std::optional<std::u16string> BrowseForUnitFolder(const std::u16string& start) override;

  // frontend::SessionView
  void ShowNotice(const frontend::Notice& notice) override;
  void ShowFailure(const frontend::Notice& notice, const ClipFailure& failure) override;
  void OpenProgress(std::uint64_t barTotal) override;
  void ShowProgress(const frontend::ProgressFigures& figures) override;
  void CloseProgress() override;
  void AskOverwrite(const OverwriteQuestion& question) override;
  void WithdrawQuestion() override;
  void Ended(const ImportOutcome& outcome, const std::optional<frontend::Summary>& summary) override;

  MainDlgOptions options_;
  QString summaryFolder_;  // the folder of the last import, for "Open Folder"
  bool settingsSaved_ = false;
  QEventLoop* importWait_ = nullptr;  // OnImport's wait for the import's end

  std::vector<Anchored> anchored_;

  QListWidget* clipList_ = nullptr;
  HomeMarkDelegate* marks_ = nullptr;  // draws the home marks after the rows' texts
  QLabel* noUnitHint_ = nullptr;
  FolderLabel* summary_ = nullptr;
  QPushButton* openFolder_ = nullptr;
  QPushButton* rescue_ = nullptr;  // the summary's offer to rescue damaged clips
  int summaryGap_ = 0;             // between the summary's lines and the buttons of its row
  FolderLabel* destinationText_ = nullptr;
  FolderLabel* secondCopyText_ = nullptr;
  QPushButton* secondCopyClear_ = nullptr;
  QCheckBox* mhlCheck_ = nullptr;
  QComboBox* driveCombo_ = nullptr;
  QLineEdit* prefixEdit_ = nullptr;
  UpDownControl* prefixSpin_ = nullptr;
  QCheckBox* hdvCheck_ = nullptr;
  QCheckBox* dvCheck_ = nullptr;
  QPushButton* importButton_ = nullptr;
  QPointer<CProgressDlg> progress_;
  QPointer<COverwriteConfirmDialog> question_;

  // Last, so that it goes first: it stops and waits for an import while the window is whole.
  std::unique_ptr<frontend::MainModel> model_;
};

}  // namespace quillon::ui
