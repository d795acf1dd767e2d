#pragma once
// The main window: unit drive, formats, the clip list, the destination folder and the prefix
// number; Import runs the selected clips through an ImportSession, and the line under the list
// then tells what the import did.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "catalogue/UnitDrives.h"
#include "import/ImportReport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillon::ui {

class CProgressDlg;
class COverwriteConfirmDialog;
class ImportSession;
class PathLabel;
class SummaryLine;
class UpDownControl;
class VolumeWatch;

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
};

class CMainDlg : public QDialog {
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
  // "Other folder...": any folder chosen with the folder browser joins the drives and is selected.
  void OnOtherFolder();
  void OnOpenFolder();
  // A mount or unmount was seen: the drives are re-detected once the delay has passed.
  void OnVolumeChange();

  const QString& Drive() const { return drive_; }
  const QString& Destination() const { return destination_; }
  void SetDestination(const QString& folder);
  const ClipCatalogue& Catalogue() const { return catalogue_; }
  // The window's side of the import: the worker's ImportFrontEnd.
  ImportSession& Session() const { return *session_; }
  // True while an import is prepared, runs or is waited for: the window takes no input then,
  // and drive refreshes and clip-list scans wait for its end.
  bool ImportRunning() const { return importing_; }
  bool RefreshPending() const { return refreshPending_; }
  int PrefixPosition() const;
  std::vector<std::size_t> SelectedRows() const;
  // The status line's two lines in full; empty until an import has ended.
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

 public:
  void done(int result) override;

 private:
  // How a control follows the window beyond its smallest size.
  enum Follow : unsigned { kStay = 0, kMoveRight = 1, kMoveDown = 2, kWiden = 4, kHeighten = 8 };
  struct Anchored {
    QPointer<QWidget> widget;
    QRect smallest;  // its place at the window's smallest size
    unsigned follow;
  };

  void BuildControls();
  void Anchor(QWidget* widget, unsigned follow);
  void UpdateImportButton();
  void UpdateNoUnitHint();
  void OnDriveActivated(int index);
  void OnFormatClicked(QCheckBox* box);
  void ShowSummary(const ImportOutcome& outcome);
  void AddOtherFolder(const QString& folder);
  QString SelectedDriveEntry() const;
  std::vector<std::u16string> ListUnitDrives() const;
  bool IsUnitFolder(const QString& folder) const;

  MainDlgOptions options_;
  // Looks at drives off the window thread, so that a drive that does not answer cannot freeze
  // the window; a unit found too late brings a refresh.
  std::unique_ptr<UnitDriveProbe> probe_;
  std::mutex importLock_;     // window thread only; taken before catalogueLock_
  std::mutex catalogueLock_;  // window thread only
  QString drive_;
  QStringList otherFolders_;  // folders chosen as sources, kept in the drive list for this run
  ClipCatalogue catalogue_;
  QString destination_;
  QString summaryFolder_;  // the folder of the last import, for "Open folder"
  bool importing_ = false;        // from Import's click until the import has ended
  bool refreshPending_ = false;   // a drive refresh held back until the import ends
  bool clipListPending_ = false;  // likewise, a new scan of the clip list
  bool settingsSaved_ = false;

  VolumeWatch* volumeWatch_ = nullptr;
  std::vector<Anchored> anchored_;

  QListWidget* clipList_ = nullptr;
  QLabel* noUnitHint_ = nullptr;
  SummaryLine* summary_ = nullptr;
  QPushButton* openFolder_ = nullptr;
  PathLabel* destinationText_ = nullptr;
  QComboBox* driveCombo_ = nullptr;
  QLineEdit* prefixEdit_ = nullptr;
  UpDownControl* prefixSpin_ = nullptr;
  QCheckBox* hdvCheck_ = nullptr;
  QCheckBox* dvCheck_ = nullptr;
  QPushButton* importButton_ = nullptr;

  // Last, so that it goes first: it stops and joins a worker while the window is still whole.
  std::unique_ptr<ImportSession> session_;
};

}  // namespace quillon::ui
