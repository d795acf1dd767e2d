#pragma once
// The main window's rules, whatever toolkit draws it: the unit drives and the folders chosen as
// sources, which one is selected and the fallback when it goes; the clip list, rescanned so
// that the clips selected before stay selected by name; the hints over an empty list; Import;
// and the refreshes and rescans held back while an import runs, made up for at its end. The
// drive and the destination are kept here for the settings.
#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "catalogue/UnitDrives.h"
#include "frontend/DriveWatch.h"
#include "frontend/ImportSession.h"
#include "frontend/Message.h"
#include "frontend/WindowThread.h"
#include "import/Home.h"

namespace quillon::frontend {

class MainView {
 public:
  virtual ~MainView() = default;
  // The drive selector: the drives and folders in order, then "Other folder..." last; selected
  // is the index of the entry to select, or -1 for none.
  virtual void ShowDrives(const std::vector<std::u16string>& drives, int selected) = 0;
  virtual void SelectDrive(int index) = 0;
  // The clip list: one row text per clip, and which rows are selected.
  virtual void ShowClips(const std::vector<std::u16string>& rows, const std::vector<bool>& selected) = 0;
  virtual std::vector<std::size_t> SelectedRows() const = 0;
  virtual void SelectAllRows(bool selected) = 0;
  // Selects exactly the rows marked.
  virtual void SelectRows(const std::vector<bool>& selected) = 0;
  // Beside each row of the list, its clip's state in the destination ("home", "new",
  // "changed"); empty texts while it is not known (no destination, or still being looked at).
  virtual void ShowHomeMarks(const std::vector<Message>& marks) = 0;
  virtual void EnableImport(bool enabled) = 0;
  // The hint over the empty list; an empty message hides it.
  virtual void ShowHint(const Message& hint) = 0;
  // The status line of the last import goes.
  virtual void ClearSummary() = 0;
  // The folder browser for "Other folder...": the folder chosen, as a drive entry; nothing when
  // cancelled.
  virtual std::optional<std::u16string> BrowseForUnitFolder(const std::u16string& start) = 0;
};

struct MainModelOptions {
  // The unit drives of this machine; looked for among its volumes when not given.
  std::function<std::vector<std::u16string>()> findUnitDrives;
  // From any thread: the window should look for drives again soon (FillDriveCombo(false) on the
  // window thread, as after a volume arrives).
  std::function<void()> refreshLater;
  // Whether the system's volumes are followed (and what is watched, as
  // platform::VolumeChangeWatch takes it), and how long after a change the drives are looked
  // for again; nothing when no refreshDelay is given.
  bool watchVolumes = false;
  std::string volumeSource;
  std::optional<std::chrono::milliseconds> refreshDelay;
  // Where "Other folder..." starts when no drive is chosen.
  std::u16string browseStart;
  // The unit is read off the window thread. The window waits this long for the clip list, so
  // that a healthy unit's list comes at once; after that the list says that the unit is being
  // read, and how long it has waited, every readingTick.
  std::chrono::milliseconds scanWait{200};
  std::chrono::milliseconds readingTick{1000};
  SessionOptions session;
};

class MainModel {
 public:
  // view and sessionView are the window's; wake as ImportSession takes it.
  MainModel(MainView& view, SessionView& sessionView, std::function<void()> wake, MainModelOptions options = {});
  ~MainModel();

  // The settings read at start: the drive and destination saved, and a folder to open as the
  // source whatever drive was saved (empty: none).
  void Restore(const std::u16string& drive, const std::u16string& destination, const std::u16string& startFolder);

  // Both wait while an import runs: the refresh or the scan asked for then runs at its end.
  // A scan that has not ended when another is asked for is left to end on its own; its clips
  // are not shown.
  void FillDriveCombo(bool force);
  void FillClipList();
  // Runs what the scans and the import told since the last call (the wake given).
  void Drain();
  // A scan of the unit is under way.
  bool Scanning() const { return scanning_; }
  // Scans whose end has not been told yet, the one under way and any left by a rescan.
  std::size_t ScansUnderWay() const { return scans_.size(); }
  // The user chose entry index of the drive selector ("Other folder..." is the last).
  void OnDriveChosen(int index);
  void OnOtherFolder();
  // The format boxes; false when they cannot change now (an import runs), and stay as they were.
  bool SetFormats(bool hdv, bool dv);
  void OnSelectAll();
  void OnClearAll();
  // "Select New": the clips that are not home in the destination (those not known yet too).
  void OnSelectNew();
  void OnSelectionChanged();
  void OnRefresh();
  // Imports the selected clips into the destination; false when nothing was started.
  bool OnImport(int prefixPosition);
  // Imports again, in rescue mode, the clips of the last import whose unit data could not all be
  // read (Summary::rescueOffer), into its folder; false when nothing was started.
  bool OnRescue();
  // A volume came or went: the drives are looked for again once the delay has passed.
  void OnVolumeChange();

  const std::u16string& Drive() const { return drive_; }
  const std::u16string& Destination() const { return destination_; }
  // The list's home marks follow the destination and the prefix.
  void SetDestination(std::u16string folder);
  void SetPrefix(int prefixPosition);
  // The second copy's folder (empty: none) and the ASC MHL history, for the imports to come.
  const std::u16string& SecondCopy() const { return secondCopy_; }
  void SetSecondCopy(std::u16string folder) { secondCopy_ = std::move(folder); }
  bool KeepMhl() const { return keepMhl_; }
  void SetKeepMhl(bool keep) { keepMhl_ = keep; }
  // The clips' states in the destination, by row, once looked at; empty before.
  const std::vector<ClipHome>& HomeStates() const { return home_; }
  // Looks whose end has not been told yet.
  std::size_t HomeLooksUnderWay() const { return homeLooks_.size(); }
  bool Hdv() const { return hdv_; }
  bool Dv() const { return dv_; }
  const ClipCatalogue& Catalogue() const { return catalogue_; }
  ImportSession& Session() { return *session_; }
  bool ImportRunning() const { return session_->Running(); }
  bool RefreshPending() const { return refreshPending_; }
  // The entries of the drive selector before "Other folder...".
  const std::vector<std::u16string>& Drives() const { return drives_; }

 private:
  std::vector<std::u16string> ListUnitDrives();
  bool IsUnitFolder(const std::u16string& folder);
  void AddOtherFolder(const std::u16string& folder);
  std::u16string SelectedDrive() const;
  bool StartImport(std::vector<std::size_t> rows, int prefixPosition);
  void UpdateImportButton();
  void UpdateHint();
  void ImportEnded();
  struct Scan;
  void OnScanned(unsigned generation);
  void ShowScan(Scan& scan);
  void ShowReading();
  struct HomeRun;
  void LookAtHome();
  void OnHomeLooked(unsigned generation);
  void ShowHome();

  MainView& view_;
  MainModelOptions options_;
  // Looks at drives off the window thread, so that a drive that does not answer cannot freeze
  // the window; a unit found too late brings a refresh.
  std::unique_ptr<UnitDriveProbe> probe_;
  std::u16string drive_;
  std::u16string destination_;
  std::u16string secondCopy_;
  bool keepMhl_ = false;
  int prefix_ = 0;
  std::vector<ClipHome> home_;  // by row of the list shown; empty while not known
  std::list<std::shared_ptr<HomeRun>> homeLooks_;  // each on a thread of its own, until it has told its end
  unsigned homeGeneration_ = 0;
  std::vector<std::u16string> otherFolders_;  // folders chosen as sources, kept for this run
  std::vector<std::u16string> drives_;
  int selected_ = -1;
  bool hdv_ = true;
  bool dv_ = true;
  ClipCatalogue catalogue_;
  WindowThread thread_;
  std::list<std::shared_ptr<Scan>> scans_;  // each on a thread of its own, until it has told its end
  unsigned scanGeneration_ = 0;
  bool scanning_ = false;
  std::chrono::steady_clock::time_point scanStarted_;
  std::set<std::u16string> keepSelected_;  // the clips to select again once the scan is in
  std::jthread readingTicks_;
  bool refreshPending_ = false;
  bool clipListPending_ = false;
  std::unique_ptr<DriveWatch> driveWatch_;
  // Last, so that it goes first: it stops and waits for an import while the rest is whole.
  std::unique_ptr<ImportSession> session_;
};

// The order of the drive selector: ignoring case first, as a sorted list box sorts.
bool DriveLess(const std::u16string& a, const std::u16string& b);

}  // namespace quillon::frontend
