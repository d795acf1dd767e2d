#include "frontend/MainModel.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "frontend/TextIds.h"
#include "import/ImportContext.h"
#include "import/ImportRequest.h"
#include "platform/Volumes.h"

namespace quillon::frontend {

namespace {

char16_t Folded(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

}  // namespace

bool DriveLess(const std::u16string& a, const std::u16string& b) {
  const auto folded = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                   [](char16_t x, char16_t y) { return Folded(x) < Folded(y); });
  const auto foldedBack = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                       [](char16_t x, char16_t y) { return Folded(x) < Folded(y); });
  if (folded != foldedBack) return folded;
  return a < b;
}

// One look at the destination for the clips listed: its thread reads the history and the unit.
struct MainModel::HomeRun {
  unsigned generation = 0;
  std::optional<HomeLook> look;  // set by the thread before it tells its end
  std::jthread thread;
};

// One scan of a unit: its thread fills the catalogue and the rows, then tells that it is done.
struct MainModel::Scan {
  unsigned generation = 0;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;  // the catalogue and rows are in (under mutex)
  bool shown = false;     // the window thread's
  ClipCatalogue catalogue;
  std::vector<std::u16string> rows;
  std::thread thread;
};

MainModel::MainModel(MainView& view, SessionView& sessionView, std::function<void()> wake, MainModelOptions options)
    : view_(view), options_(std::move(options)), thread_(wake) {
  probe_ = std::make_unique<UnitDriveProbe>(UnitDriveProbe::kBound, IsUnitDrive, [refresh = options_.refreshLater] {
    if (refresh) refresh();
  });
  SessionOptions session = options_.session;
  session.idle = [this, after = session.idle] {
    ImportEnded();
    if (after) after();
  };
  session_ = std::make_unique<ImportSession>(sessionView, std::move(wake), std::move(session));
  if (options_.refreshDelay && options_.refreshLater) {
    driveWatch_ = std::make_unique<DriveWatch>(options_.refreshLater, *options_.refreshDelay, options_.watchVolumes,
                                               options_.volumeSource);
  }
}

MainModel::~MainModel() {
  driveWatch_.reset();
  session_.reset();
  readingTicks_ = {};
  // A scan held up by a unit that does not answer ends when the unit answers; the window is
  // gone by now, and the process waits for it.
  for (const std::shared_ptr<Scan>& scan : scans_) scan->thread.join();
  for (const std::shared_ptr<HomeRun>& run : homeLooks_) {
    run->thread.request_stop();
    run->thread.join();
  }
  probe_.reset();
}

void MainModel::Drain() {
  thread_.Drain();
  session_->Drain();
}

void MainModel::Restore(const std::u16string& drive, const std::u16string& destination,
                        const std::u16string& startFolder) {
  drive_ = drive;
  destination_ = destination;
  if (!startFolder.empty()) {
    drive_ = startFolder;
    AddOtherFolder(drive_);
  } else if (!drive_.empty() && IsUnitFolder(drive_)) {
    // A folder chosen with "Other folder..." in an earlier run comes back while it still holds a
    // unit's tree; a drive that is attached needs no such help.
    const std::vector<std::u16string> drives = ListUnitDrives();
    if (std::find(drives.begin(), drives.end(), drive_) == drives.end()) AddOtherFolder(drive_);
  }
}

std::vector<std::u16string> MainModel::ListUnitDrives() {
  if (options_.findUnitDrives) return options_.findUnitDrives();
  return probe_->Find(CandidateDrives(platform::ListVolumes()));
}

bool MainModel::IsUnitFolder(const std::u16string& folder) { return !probe_->Find({folder}).empty(); }

void MainModel::AddOtherFolder(const std::u16string& folder) {
  if (std::find(otherFolders_.begin(), otherFolders_.end(), folder) == otherFolders_.end())
    otherFolders_.push_back(folder);
}

std::u16string MainModel::SelectedDrive() const {
  return selected_ >= 0 && static_cast<std::size_t>(selected_) < drives_.size() ? drives_[selected_] : std::u16string();
}

void MainModel::FillDriveCombo(bool force) {
  if (ImportRunning()) {
    refreshPending_ = true;
    return;
  }
  std::vector<std::u16string> names = otherFolders_;
  for (std::u16string& drive : ListUnitDrives()) names.push_back(std::move(drive));
  std::sort(names.begin(), names.end(), DriveLess);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  drives_ = std::move(names);
  selected_ = -1;
  // The whole entry must match: a prefix would take /media/u/UNIT2 for /media/u/UNIT.
  const auto saved = std::find(drives_.begin(), drives_.end(), drive_);
  const bool keep = !drive_.empty() && saved != drives_.end();
  if (keep) {
    selected_ = static_cast<int>(saved - drives_.begin());
  } else if (!drives_.empty()) {
    selected_ = static_cast<int>(drives_.size()) - 1;
  }
  view_.ShowDrives(drives_, selected_);
  if (drives_.empty()) {
    drive_.clear();
    FillClipList();
  } else if (!keep) {
    drive_ = drives_[selected_];
    FillClipList();
  } else if (force) {
    FillClipList();
  }
  UpdateHint();
}

void MainModel::FillClipList() {
  if (ImportRunning()) {
    clipListPending_ = true;
    return;
  }
  // While a scan is under way the list is empty, and the selection wished before it stands.
  if (!scanning_) {
    keepSelected_.clear();
    for (std::size_t row : view_.SelectedRows()) {
      if (row < catalogue_.Count()) keepSelected_.insert(catalogue_.ClipName(row));
    }
  }
  catalogue_.Clear();
  ++homeGeneration_;
  home_.clear();
  ++scanGeneration_;  // a scan still under way is not shown
  readingTicks_ = {};
  const std::u16string drive = SelectedDrive();
  scanning_ = !drive.empty();
  if (!scanning_) {
    view_.ShowClips({}, {});
    UpdateImportButton();
    UpdateHint();
    return;
  }
  auto scan = std::make_shared<Scan>();
  scan->generation = scanGeneration_;
  scan->thread = std::thread([this, scan, drive, hdv = hdv_, dv = dv_] {
    ClipCatalogue catalogue;
    std::vector<std::u16string> rows;
    catalogue.Scan(drive, hdv, dv);
    catalogue.GetRowTexts(rows, TheImportContext().dateLocale);
    {
      std::lock_guard lock(scan->mutex);
      scan->catalogue = std::move(catalogue);
      scan->rows = std::move(rows);
      scan->finished = true;
    }
    scan->done.notify_all();
    thread_.Post([this, generation = scan->generation] { OnScanned(generation); });
  });
  scans_.push_back(scan);
  scanStarted_ = std::chrono::steady_clock::now();
  bool finished = false;
  {
    std::unique_lock lock(scan->mutex);
    finished = scan->done.wait_for(lock, options_.scanWait, [&scan] { return scan->finished; });
  }
  if (finished) {
    ShowScan(*scan);
    return;
  }
  view_.ShowClips({}, {});
  UpdateImportButton();
  ShowReading();
  readingTicks_ = std::jthread([this, tick = options_.readingTick](std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any stopped;
    std::unique_lock lock(mutex);
    while (!stopped.wait_for(lock, stop, tick, [] { return false; })) {
      if (stop.stop_requested()) return;
      thread_.Post([this] {
        if (scanning_) ShowReading();
      });
    }
  });
}

// Over the empty list while the unit is read: for how long, once it is a second or more.
void MainModel::ShowReading() {
  const auto waited =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - scanStarted_).count();
  view_.ShowHint(waited < 1 ? Text(IDS_READING_UNIT)
                            : Text(IDS_READING_UNIT_FOR, {Number(static_cast<std::uint64_t>(waited))}));
}

void MainModel::OnScanned(unsigned generation) {
  const auto it = std::find_if(scans_.begin(), scans_.end(),
                               [generation](const std::shared_ptr<Scan>& s) { return s->generation == generation; });
  if (it == scans_.end()) return;
  const std::shared_ptr<Scan> scan = *it;
  scans_.erase(it);
  scan->thread.join();  // telling this was the last thing it did
  if (generation == scanGeneration_ && !scan->shown) ShowScan(*scan);
}

void MainModel::ShowScan(Scan& scan) {
  scan.shown = true;
  readingTicks_ = {};
  scanning_ = false;
  catalogue_ = std::move(scan.catalogue);
  std::vector<bool> marks;
  for (std::size_t k = 0; k < scan.rows.size(); ++k) marks.push_back(keepSelected_.count(catalogue_.ClipName(k)) != 0);
  view_.ShowClips(scan.rows, marks);
  UpdateImportButton();
  UpdateHint();
  LookAtHome();
}

void MainModel::SetDestination(std::u16string folder) {
  if (folder == destination_) return;
  destination_ = std::move(folder);
  LookAtHome();
}

void MainModel::SetPrefix(int prefixPosition) {
  const int prefix = ((prefixPosition % 100) + 100) % 100;
  if (prefix == prefix_) return;
  prefix_ = prefix;
  LookAtHome();
}

// The marks go while the clips are looked at again in the destination, off the window thread: the
// look reads the unit. An earlier look still under way is left to end on its own, unseen.
void MainModel::LookAtHome() {
  ++homeGeneration_;
  home_.clear();
  ShowHome();
  if (destination_.empty() || catalogue_.Count() == 0 || ImportRunning()) return;
  auto run = std::make_shared<HomeRun>();
  run->generation = homeGeneration_;
  std::vector<Clip> clips;
  for (std::size_t i = 0; i < catalogue_.Count(); ++i) clips.push_back(*catalogue_.Handle(i));
  run->thread = std::jthread([this, run = run.get(), clips = std::move(clips), root = catalogue_.Root(),
                              destination = destination_, prefix = prefix_](std::stop_token stop) mutable {
    run->look = LookHome(std::move(clips), root, destination, prefix, false, stop);
    thread_.Post([this, generation = run->generation] { OnHomeLooked(generation); });
  });
  homeLooks_.push_back(std::move(run));
}

void MainModel::OnHomeLooked(unsigned generation) {
  const auto it = std::find_if(homeLooks_.begin(), homeLooks_.end(),
                               [generation](const std::shared_ptr<HomeRun>& r) { return r->generation == generation; });
  if (it == homeLooks_.end()) return;
  const std::shared_ptr<HomeRun> run = *it;
  homeLooks_.erase(it);
  run->thread.join();  // telling this was the last thing it did
  if (generation != homeGeneration_ || !run->look || run->look->clips.size() != catalogue_.Count()) return;
  home_ = std::move(run->look->clips);
  ShowHome();
}

void MainModel::ShowHome() {
  std::vector<Message> marks(catalogue_.Count());
  for (std::size_t i = 0; i < home_.size() && i < marks.size(); ++i) {
    switch (home_[i].state) {
      case HomeState::Home: marks[i] = Text(home_[i].adopted ? IDS_HOME_BEFORE_HISTORY : IDS_HOME_HOME); break;
      case HomeState::New: marks[i] = Text(IDS_HOME_NEW); break;
      case HomeState::Changed: marks[i] = Text(IDS_HOME_CHANGED); break;
    }
  }
  view_.ShowHomeMarks(marks);
}

void MainModel::OnSelectNew() {
  if (ImportRunning()) return;
  std::vector<bool> select(catalogue_.Count(), true);
  for (std::size_t i = 0; i < home_.size() && i < select.size(); ++i) select[i] = home_[i].state != HomeState::Home;
  view_.SelectRows(select);
  UpdateImportButton();
}

void MainModel::UpdateImportButton() { view_.EnableImport(!ImportRunning() && !view_.SelectedRows().empty()); }

void MainModel::UpdateHint() {
  if (scanning_) return;  // the list says that the unit is being read
  const std::u16string drive = SelectedDrive();
  Message hint;
  if (drive.empty()) {
    hint = Text(IDS_NO_UNIT_HINT, {Text(IDS_OTHER_FOLDER), Text(IDS_DRIVE_LABEL)});
  } else if (catalogue_.Count() == 0 && !IsUnitFolder(drive)) {
    hint = Text(IDS_NOT_A_UNIT_HINT, {Verbatim(drive), Text(IDS_OTHER_FOLDER), Text(IDS_DRIVE_LABEL)});
  }
  view_.ShowHint(hint);
}

void MainModel::OnDriveChosen(int index) {
  const bool other = index == static_cast<int>(drives_.size());
  if (ImportRunning() || other) {
    // The selector goes on showing the drive in use, also while the folder browser is open.
    view_.SelectDrive(selected_);
    if (other) OnOtherFolder();
    return;
  }
  if (index < 0 || index > static_cast<int>(drives_.size())) return;
  if (drives_[index] == drive_) return;
  OnClearAll();
  drive_ = drives_[index];
  selected_ = index;
  view_.ClearSummary();
  FillClipList();
}

void MainModel::OnOtherFolder() {
  if (ImportRunning()) return;
  const std::optional<std::u16string> chosen = view_.BrowseForUnitFolder(drive_.empty() ? options_.browseStart : drive_);
  if (!chosen || chosen->empty()) return;
  AddOtherFolder(*chosen);
  if (*chosen == drive_) return;
  OnClearAll();
  drive_ = *chosen;
  view_.ClearSummary();
  FillDriveCombo(true);
}

bool MainModel::SetFormats(bool hdv, bool dv) {
  // The formats chosen are those of the listed clips: no change while an import runs.
  if (ImportRunning()) return false;
  hdv_ = hdv;
  dv_ = dv;
  FillClipList();
  return true;
}

void MainModel::OnSelectAll() {
  if (ImportRunning()) return;
  view_.SelectAllRows(true);
  UpdateImportButton();
}

void MainModel::OnClearAll() {
  view_.SelectAllRows(false);
  view_.EnableImport(false);
}

void MainModel::OnSelectionChanged() { UpdateImportButton(); }

void MainModel::OnRefresh() {
  if (ImportRunning()) return;
  FillDriveCombo(false);
  FillClipList();
}

bool MainModel::OnImport(int prefixPosition) {
  if (ImportRunning()) return false;
  return StartImport(view_.SelectedRows(), prefixPosition);
}

bool MainModel::StartImport(std::vector<std::size_t> rows, int prefixPosition) {
  if (rows.empty()) return false;
  ImportRequest request = RequestFor(catalogue_, std::move(rows));
  request.destination = destination_;
  request.prefix = ((prefixPosition % 100) + 100) % 100;
  request.secondCopy = secondCopy_;
  request.mhl = keepMhl_;
  view_.ClearSummary();
  view_.EnableImport(false);
  return session_->Start(std::move(request));
}

bool MainModel::OnRescue() {
  if (ImportRunning()) return false;
  std::optional<ImportRequest> request = session_->RescueRequest();
  if (!request) return false;
  view_.ClearSummary();
  view_.EnableImport(false);
  return session_->Start(std::move(*request));
}

void MainModel::OnVolumeChange() {
  if (driveWatch_) driveWatch_->Notice();
}

void MainModel::ImportEnded() {
  UpdateImportButton();
  if (clipListPending_) {
    clipListPending_ = false;
    FillClipList();
  } else {
    LookAtHome();  // what the import placed is home now
  }
  if (refreshPending_) {
    refreshPending_ = false;
    if (options_.refreshLater) options_.refreshLater();
  }
}

}  // namespace quillon::frontend
