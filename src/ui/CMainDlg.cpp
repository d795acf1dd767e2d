#include "ui/CMainDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <set>

#include "catalogue/UnitDrives.h"
#include "ui/CAboutDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/CopyEvent.h"
#include "ui/DialogUnits.h"
#include "ui/ImportMessages.h"
#include "ui/PathLabel.h"
#include "ui/Settings.h"
#include "ui/UpDownControl.h"
#include "ui/UserPrompts.h"

namespace quillon::ui {

namespace {

// Events the window posts to itself from the worker thread.
QEvent::Type OverwriteQuestionEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type WorkerEndedEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// The drive selector keeps its entries sorted as a sorted combo box does: ignoring case first.
bool DriveLess(const QString& a, const QString& b) {
  const int folded = a.compare(b, Qt::CaseInsensitive);
  return folded != 0 ? folded < 0 : a < b;
}

bool IsCtrlA(const QKeyEvent* key) {
  return key->key() == Qt::Key_A && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

// While it lives, the user's input to the window and its controls is dropped: keys, shortcuts,
// the mouse. Other windows (the progress window, the overwrite question, message boxes) take
// input as usual; disabling the window instead would disable the message boxes it owns.
class InputBlock : public QObject {
 public:
  explicit InputBlock(QWidget* window) : window_(window) { QCoreApplication::instance()->installEventFilter(this); }
  ~InputBlock() override { QCoreApplication::instance()->removeEventFilter(this); }
  InputBlock(const InputBlock&) = delete;
  InputBlock& operator=(const InputBlock&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    AcceptPostedEvents();  // it sees the worker's posted events before their receivers do
    if (!event->isInputEvent() && event->type() != QEvent::Shortcut) return false;
    // A shortcut is delivered to its QShortcut object, whose parent is the window.
    for (QObject* object = watched; object; object = object->parent()) {
      if (auto* widget = qobject_cast<QWidget*>(object)) return widget->window() == window_;
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

CMainDlg::CMainDlg(MainDlgOptions options, QWidget* parent) : QDialog(parent), options_(std::move(options)) {
  BuildControls();
  setWindowTitle(tr("Quillon"));
  setWindowIcon(QIcon(QStringLiteral(":/quillon/quillon.png")));

  LoadSettings();
  destinationText_->SetPath(QDir::toNativeSeparators(destination_));
  WarnIfNotNtfs();
  FillDriveCombo(true);

  refreshTimer_ = new QTimer(this);
  refreshTimer_->setSingleShot(true);
  refreshTimer_->setInterval(options_.refreshDelayMs);
  connect(refreshTimer_, &QTimer::timeout, this, [this] { PostRefreshDrives(this); });
  StartVolumeWatch();
}

CMainDlg::~CMainDlg() {
  {
    std::lock_guard lock(questionMutex_);
    closing_ = true;
  }
  questionAnswered_.notify_all();
  if (!settingsSaved_) SaveSettings();
}

void CMainDlg::BuildControls() {
  setFont(TemplateFont());
  const DialogUnits du(font());
  setFixedSize(du.Size(303, 357));

  // Group boxes first, so that the controls they frame lie above them.
  auto* source = new QGroupBox(tr("Source"), this);
  du.Place(source, "sourceGroup", 7, 7, 230, 51);
  auto* destinationGroup = new QGroupBox(tr("Destination folder"), this);
  du.Place(destinationGroup, "destinationGroup", 7, 279, 289, 70);

  auto label = [&](const QString& text, const char* name, int x, int y, int w, int h, bool wrap = false) {
    auto* l = new QLabel(text, this);
    du.Place(l, name, x, y, w, h);
    l->setWordWrap(wrap);
    if (!wrap) l->resize(l->width(), std::max(l->height(), l->sizeHint().height()));
    return l;
  };
  label(tr("Drive"), "driveLabel", 15, 19, 33, 8);
  label(tr("Format"), "formatLabel", 15, 39, 36, 8);
  label(tr("Select the folders containing video files you want to import."), "selectLabel", 7, 63, 230, 18, true);
  label(tr("Clip"), "clipHeader", 17, 83, 44, 12);
  label(tr("Rec date"), "dateHeader", 78, 83, 58, 12);
  label(tr("Input the number to differentiate the files recorded on the same time."), "prefixHint", 16, 311, 270, 18,
        true);
  label(tr("Prefix number"), "prefixLabel", 17, 333, 76, 8);

  driveCombo_ = new QComboBox(this);
  // A drive here is a mount point, far longer than a drive letter: the selector reaches to
  // the frame of its group.
  du.Place(driveCombo_, 1008, 58, 17, 171, 12);
  driveCombo_->resize(driveCombo_->width(), driveCombo_->sizeHint().height());
  driveCombo_->setMaxVisibleItems(std::max(1, du.Y(112) / std::max(1, driveCombo_->fontMetrics().height() + 4)));
  connect(driveCombo_, &QComboBox::activated, this, &CMainDlg::OnDriveActivated);

  hdvCheck_ = new QCheckBox(tr("HDV"), this);
  du.Place(hdvCheck_, 1023, 60, 41, 39, 8);
  dvCheck_ = new QCheckBox(tr("DV"), this);
  du.Place(dvCheck_, 1024, 106, 41, 45, 8);
  for (QCheckBox* box : {hdvCheck_, dvCheck_}) {
    box->setChecked(true);
    box->resize(box->width(), std::max(box->height(), box->sizeHint().height()));
    connect(box, &QCheckBox::clicked, this, [this, box] { OnFormatClicked(box); });
  }

  clipList_ = new QListWidget(this);
  du.Place(clipList_, 1000, 7, 99, 231, 175);
  clipList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  clipList_->setSortingEnabled(false);
  clipList_->setFocusPolicy(Qt::StrongFocus);
  QFont listFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  listFont.setFixedPitch(true);
  listFont.setStyleHint(QFont::TypeWriter);
  listFont.setPixelSize(12);
  clipList_->setFont(listFont);
  connect(clipList_, &QListWidget::itemSelectionChanged, this, &CMainDlg::UpdateImportButton);

  importButton_ = new QPushButton(tr("&Import"), this);
  du.Place(importButton_, 1002, 246, 7, 50, 33);
  importButton_->setDefault(true);
  importButton_->setEnabled(false);
  connect(importButton_, &QPushButton::clicked, this, &CMainDlg::OnImport);

  struct ButtonSpec {
    int id;
    QString text;
    int x, y, w, h;
    void (CMainDlg::*handler)();
  };
  const ButtonSpec buttons[] = {
      {1, tr("E&xit"), 246, 47, 50, 14, nullptr},
      {1005, tr("Version..."), 246, 63, 50, 14, &CMainDlg::OnAbout},
      {1007, tr("Select &All"), 246, 98, 50, 14, &CMainDlg::OnSelectAll},
      {1009, tr("&Clear All"), 246, 115, 50, 14, &CMainDlg::OnClearAll},
      {1006, tr("&Refresh"), 246, 132, 50, 14, &CMainDlg::OnRefresh},
      {1004, tr("&Browse..."), 242, 296, 46, 14, &CMainDlg::OnBrowse},
  };
  for (const auto& spec : buttons) {
    auto* button = new QPushButton(spec.text, this);
    du.Place(button, spec.id, spec.x, spec.y, spec.w, spec.h);
    if (spec.handler) {
      connect(button, &QPushButton::clicked, this, spec.handler);
    } else {
      connect(button, &QPushButton::clicked, this, &QDialog::accept);
    }
  }

  destinationText_ = new PathLabel(this);
  du.Place(destinationText_, 1003, 15, 295, 225, 14);

  prefixEdit_ = new QLineEdit(this);
  du.Place(prefixEdit_, 1011, 101, 329, 29, 14);
  prefixEdit_->setMaxLength(2);
  prefixEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), prefixEdit_));
  prefixSpin_ = new UpDownControl(this);
  prefixSpin_->setObjectName(QStringLiteral("1010"));
  prefixSpin_->SetBuddy(prefixEdit_);
  prefixSpin_->SetRange(0, 99);
  prefixSpin_->SetPosition(0);

  // Window-wide keys: Ctrl+A selects every clip, Ctrl+F5 refreshes, wherever the focus is.
  auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
  connect(selectAll, &QShortcut::activated, this, &CMainDlg::OnSelectAll);
  auto* refresh = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F5), this);
  connect(refresh, &QShortcut::activated, this, &CMainDlg::OnRefresh);
  for (QWidget* w : {static_cast<QWidget*>(prefixEdit_), static_cast<QWidget*>(clipList_),
                     static_cast<QWidget*>(driveCombo_)}) {
    w->installEventFilter(this);
  }
}

void CMainDlg::StartVolumeWatch() {
  if (options_.mountTable.empty()) return;
  watch_ = std::make_unique<platform::MountTableWatch>(options_.mountTable.c_str());
  if (!watch_->Valid()) {
    watch_.reset();
    return;
  }
  watch_->Acknowledge();
  watchNotifier_ = new QSocketNotifier(watch_->Descriptor(), QSocketNotifier::Exception, this);
  connect(watchNotifier_, &QSocketNotifier::activated, this, [this] {
    watch_->Acknowledge();
    OnVolumeChange();
  });
}

void CMainDlg::OnVolumeChange() {
  // Several changes in a row (a unit with more than one volume) give one refresh.
  refreshTimer_->start();
}

std::vector<std::u16string> CMainDlg::ListUnitDrives() const {
  if (options_.findUnitDrives) return options_.findUnitDrives();
  std::vector<std::u16string> drives;
  FindUnitDrives(drives);
  return drives;
}

void CMainDlg::FillDriveCombo(bool force) {
  if (ImportRunning()) {
    refreshPending_ = true;
    return;
  }
  std::lock_guard lock(importLock_);
  driveCombo_->clear();
  const std::vector<std::u16string> drives = ListUnitDrives();
  if (drives.empty()) {
    drive_.clear();
    FillClipList();
  } else {
    QStringList names;
    for (const auto& d : drives) names.push_back(QString::fromStdU16String(d));
    std::sort(names.begin(), names.end(), DriveLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    driveCombo_->addItems(names);
    for (int i = 0; i < names.size(); ++i) driveCombo_->setItemData(i, names[i], Qt::ToolTipRole);
    // The whole mount point must match: a prefix would take /media/u/UNIT2 for /media/u/UNIT.
    const int saved = drive_.isEmpty() ? -1 : names.indexOf(drive_);
    if (saved >= 0) {
      driveCombo_->setCurrentIndex(saved);
      if (force) FillClipList();
    } else {
      driveCombo_->setCurrentIndex(driveCombo_->count() - 1);
      drive_ = driveCombo_->currentText();
      FillClipList();
    }
  }
  emit DrivesRefreshed();
}

void CMainDlg::FillClipList() {
  if (ImportRunning()) {
    clipListPending_ = true;
    return;
  }
  const bool hdv = hdvCheck_->isChecked();
  const bool dv = dvCheck_->isChecked();
  std::lock_guard lock(catalogueLock_);
  const QString drive = driveCombo_->currentIndex() >= 0 ? driveCombo_->currentText() : QString();

  std::set<std::u16string> selected;
  for (int row = 0; row < clipList_->count(); ++row) {
    if (clipList_->item(row)->isSelected() && static_cast<std::size_t>(row) < catalogue_.Count()) {
      selected.insert(catalogue_.ClipName(static_cast<std::size_t>(row)));
    }
  }

  const QSignalBlocker blocker(clipList_);
  catalogue_.Clear();
  clipList_->clear();
  if (!drive.isEmpty()) {
    catalogue_.Scan(drive.toStdU16String(), hdv, dv);
    std::vector<std::u16string> rows;
    catalogue_.GetRowTexts(rows, TheImportContext().dateLocale);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      auto* item = new QListWidgetItem(QString::fromStdU16String(rows[k]), clipList_);
      if (selected.count(catalogue_.ClipName(k)) != 0) item->setSelected(true);
    }
  }
  UpdateImportButton();
}

void CMainDlg::UpdateImportButton() { importButton_->setEnabled(!clipList_->selectedItems().isEmpty()); }

std::vector<std::size_t> CMainDlg::SelectedRows() const {
  std::vector<std::size_t> rows;
  for (int row = 0; row < clipList_->count(); ++row) {
    if (clipList_->item(row)->isSelected()) rows.push_back(static_cast<std::size_t>(row));
  }
  return rows;
}

int CMainDlg::PrefixPosition() const { return prefixSpin_->Position(); }

void CMainDlg::OnSelectAll() {
  if (ImportRunning()) return;
  clipList_->selectAll();
  UpdateImportButton();
}

void CMainDlg::OnClearAll() {
  clipList_->clearSelection();
  importButton_->setEnabled(false);
}

void CMainDlg::OnRefresh() {
  if (ImportRunning()) return;
  FillDriveCombo(false);
  FillClipList();
}

void CMainDlg::OnFormatClicked(QCheckBox* box) {
  // The formats chosen are those of the listed clips: no change while an import runs.
  if (ImportRunning()) {
    const QSignalBlocker blocker(box);
    box->setChecked(!box->isChecked());
    return;
  }
  FillClipList();
}

void CMainDlg::OnDriveActivated(int index) {
  if (ImportRunning()) {
    driveCombo_->setCurrentIndex(driveCombo_->findText(drive_));
    return;
  }
  if (index < 0) return;
  const QString text = driveCombo_->itemText(index);
  if (text == drive_) return;
  OnClearAll();
  drive_ = text;
  FillClipList();
}

void CMainDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CMainDlg::LoadSettings() {
  const StoredSettings stored = ReadStoredSettings();
  destination_ = stored.destination;
  drive_ = stored.drive;
}

void CMainDlg::SaveSettings() {
  WriteStoredSettings({destination_, drive_});
  settingsSaved_ = true;
}

bool CMainDlg::IsDestinationNtfs() const { return IsLargeFileVolume(destination_); }

// A warning only: the destination stays as it is.
void CMainDlg::WarnIfNotNtfs() {
  if (!IsDestinationNtfs()) {
    ShowMessage(this,
                tr("The drive of the destination folder is not formatted in NTFS. Change the destination to the drive "
                   "formatted in NTFS."),
                QMessageBox::Warning);
  }
}

void CMainDlg::SetDestination(const QString& folder) {
  destination_ = QDir::cleanPath(folder);
  destinationText_->SetPath(QDir::toNativeSeparators(destination_));
}

void CMainDlg::OnBrowse() {
  if (ImportRunning()) return;
  const QString chosen = BrowseForFolder(this, tr("Source folder"), destination_);
  if (chosen.isEmpty()) return;
  SetDestination(chosen);
  WarnIfNotNtfs();
}

void CMainDlg::OnImport() {
  if (ImportRunning()) return;
  const std::vector<std::size_t> rows = SelectedRows();
  if (rows.empty()) return;
  importing_ = true;
  std::optional<ImportOutcome> outcome;
  {
    // Message boxes and the progress window run event loops: no click may reach the window,
    // and refreshes and scans wait, until the import has ended.
    const InputBlock block(this);
    outcome = RunImport(rows);
  }
  importing_ = false;
  if (clipListPending_) {
    clipListPending_ = false;
    FillClipList();
  }
  if (refreshPending_) {
    refreshPending_ = false;
    PostRefreshDrives(this);
  }
  if (outcome) emit ImportEnded(*outcome);
}

std::optional<ImportOutcome> CMainDlg::RunImport(const std::vector<std::size_t>& rows) {
  auto job = std::make_unique<ImportJob>(*this);
  const ImportPlan plan = job->Prepare(catalogue_, prefixSpin_->Position(), rows, destination_.toStdU16String());
  if (plan.refusal) {
    ShowMessage(this, ImportMessages::Refused(*plan.refusal));
    return std::nullopt;
  }
  if (!plan.tooLarge.empty()) {
    std::set<std::u16string> leftOut;
    for (const ClipFailure& output : plan.tooLarge) leftOut.insert(output.clip);
    const bool othersLeft = leftOut.size() < rows.size();
    ShowMessage(this, ImportMessages::TooLarge(plan.tooLarge, othersLeft));
    if (!othersLeft) return std::nullopt;
  }

  auto progress = std::make_unique<CProgressDlg>(this, [raw = job.get()] { raw->Cancel(); });
  {
    std::lock_guard lock(importLock_);
    job_ = std::move(job);
  }
  progress->SetTotal(plan.totalMiB);
  {
    std::lock_guard lock(progressMutex_);
    progressForWorker_ = progress.get();
  }
  workerStarted_ = false;
  failureMessages_ = 0;
  PostCopyMessage(this, COPY_START);
  emit ImportStarted(progress.get());
  const bool cancelled = progress->exec() == QDialog::Rejected;
  if (cancelled) WaitForWorker();
  ImportOutcome outcome = job_->Conclude();
  {
    std::lock_guard lock(progressMutex_);
    progressForWorker_ = nullptr;
  }
  progress.reset();
  job_.reset();

  if (!outcome.renamed.empty()) ShowMessage(this, ImportMessages::Renamed(outcome.renamed));
  if (!outcome.notRemoved.empty()) ShowMessage(this, ImportMessages::NotRemoved(outcome.notRemoved));
  return outcome;
}

void CMainDlg::WaitForWorker() {
  // The worker may be waiting for an answer to the overwrite question, so the window thread
  // goes on handling events while it waits. WorkerEnded wakes the wait; one left over from an
  // earlier import may wake it too early, so the job tells when its worker is done.
  if (!workerStarted_) return;
  while (!job_->WorkerFinished()) {
    QEventLoop loop;
    workerWait_ = &loop;
    loop.exec();
    workerWait_ = nullptr;
  }
}

bool CMainDlg::event(QEvent* event) {
  AcceptPostedEvents();
  const QEvent::Type type = event->type();
  if (type == CopyMessageEvent::EventType()) {
    OnCopyMessage(static_cast<CopyMessageEvent*>(event)->Code());
    return true;
  }
  if (type == RefreshDrivesEvent::EventType()) {
    FillDriveCombo(false);
    return true;
  }
  if (type == OverwriteQuestionEventType()) {
    ShowOverwriteQuestion();
    return true;
  }
  if (type == WorkerEndedEventType()) {
    if (workerWait_) workerWait_->quit();
    return true;
  }
  return QDialog::event(event);
}

void CMainDlg::OnCopyMessage(std::uint32_t code) {
  if (code == COPY_START) {
    if (job_ && !workerStarted_) {
      workerStarted_ = true;
      job_->StartWorker();
    }
  } else if (code == COPY_FAILED) {
    // The n-th COPY_FAILED of an import tells of the n-th failure its job recorded.
    const std::size_t n = failureMessages_++;
    const std::vector<ClipFailure> failures = job_ ? job_->Failures() : std::vector<ClipFailure>();
    ShowMessage(this, ImportMessages::CopyFailed(n < failures.size() ? &failures[n] : nullptr));
  }
}

void CMainDlg::ClipFailed(const ClipFailure&) { PostCopyMessage(this, COPY_FAILED); }

bool CMainDlg::ShowProgress(const ImportProgress& progress) {
  std::lock_guard lock(progressMutex_);
  if (!progressForWorker_ || !progressForWorker_->WindowOpen()) return false;
  if (progress.mib > 0) PostCopyMessage(progressForWorker_, COPY_PROGRESS, progress.mib);
  return true;
}

void CMainDlg::CopyEnded() {
  {
    std::lock_guard lock(progressMutex_);
    if (progressForWorker_ && progressForWorker_->WindowOpen()) PostCopyMessage(progressForWorker_, COPY_DONE);
  }
  PostFromAnyThread(this, new QEvent(WorkerEndedEventType()));
}

void CMainDlg::Finished(const ImportOutcome&) {}

int CMainDlg::AskOverwrite(const OverwriteQuestion& asked) {
  const std::u16string& path = asked.path;
  if (QThread::currentThread() == thread()) {
    COverwriteConfirmDialog question;
    return question.AskOverwrite(path);
  }
  std::unique_lock lock(questionMutex_);
  if (closing_) return kAnswerCancel;
  question_ = PendingQuestion{path, std::nullopt};
  PostFromAnyThread(this, new QEvent(OverwriteQuestionEventType()));
  questionAnswered_.wait(lock, [this] { return closing_ || question_->answer.has_value(); });
  const int answer = question_->answer.value_or(kAnswerCancel);
  question_.reset();
  return answer;
}

void CMainDlg::ShowOverwriteQuestion() {
  std::u16string path;
  {
    std::lock_guard lock(questionMutex_);
    if (!question_) return;
    path = question_->path;
  }
  // No owner: the progress window stays usable, so the import can be cancelled meanwhile.
  auto* question = new COverwriteConfirmDialog(nullptr);
  question->setAttribute(Qt::WA_DeleteOnClose);
  question->setWindowModality(Qt::WindowModal);
  question->SetQuestion(path);
  connect(question, &QDialog::finished, this, [this, question] { AnswerQuestion(question->AnswerCode()); });
  question->show();
  question->raise();
  question->activateWindow();
  emit OverwriteQuestionShown(question);
}

void CMainDlg::AnswerQuestion(int answer) {
  {
    std::lock_guard lock(questionMutex_);
    if (!question_) return;
    question_->answer = answer;
  }
  questionAnswered_.notify_all();
}

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  // Escape never closes the main window.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
  // Let the window's Ctrl+A reach its shortcut even where a control would take it itself.
  if (event->type() == QEvent::ShortcutOverride && IsCtrlA(static_cast<QKeyEvent*>(event))) {
    event->ignore();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event) {
  // The window manager's menu cannot be extended here; the window's own context menu carries
  // the version item instead.
  QMenu menu(this);
  menu.addAction(tr("Version(&A)..."), this, &CMainDlg::OnAbout);
  menu.exec(event->globalPos());
}

void CMainDlg::done(int result) {
  if (ImportRunning()) return;
  SaveSettings();
  QDialog::done(result);
}

}  // namespace quillon::ui
