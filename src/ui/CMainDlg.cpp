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
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <algorithm>

#include "catalogue/RowText.h"
#include "frontend/TextIds.h"
#include "frontend/WindowLayout.h"
#include "ui/CAboutDlg.h"
#include "ui/COverwriteConfirmDialog.h"
#include "ui/CProgressDlg.h"
#include "ui/CopyEvent.h"
#include "ui/DialogUnits.h"
#include "ui/FolderLabel.h"
#include "ui/Settings.h"
#include "ui/Texts.h"
#include "ui/UpDownControl.h"
#include "ui/UserPrompts.h"
#include "platform/DateFormat.h"

namespace quillon::ui {

using namespace frontend;

namespace {

// Marks the drive selector's "Other folder..." entry, which is no drive.
constexpr int kOtherFolderRole = Qt::UserRole;

// The template's size: the window's smallest, with the status line's row added.
constexpr int kTemplateWidth = 303;
constexpr int kTemplateHeight = 389;
// Controls the template places below this line (in dialog units) go down by the status row.
constexpr int kBelowList = 276;

bool IsCtrlA(const QKeyEvent* key) {
  return key->key() == Qt::Key_A && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

QMessageBox::Icon IconOf(frontend::Notice::Icon icon) {
  switch (icon) {
    case frontend::Notice::Icon::None: return QMessageBox::NoIcon;
    case frontend::Notice::Icon::Information: return QMessageBox::Information;
    case frontend::Notice::Icon::Warning: break;
  }
  return QMessageBox::Warning;
}

}  // namespace

// The clip list's rows keep their texts; each clip's state in the destination stands after them,
// in a column of its own that starts past the longest row. A list too narrow for the marks
// scrolls to them.
class HomeMarkDelegate : public QStyledItemDelegate {
 public:
  static constexpr int kTextRole = Qt::UserRole + 1;  // the mark shown
  static constexpr int kIdRole = Qt::UserRole + 2;    // its text id, which gives its look

  using QStyledItemDelegate::QStyledItemDelegate;

  // Where a row's text starts, from the item's left edge, as the style draws it.
  static int Margin(const QWidget* view) { return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1; }
  // Where the marks start: three spaces past the widest of the rows.
  static int Column(const QWidget* view, const QStringList& rows) {
    const QFontMetrics metrics = view->fontMetrics();
    int widest = 0;
    for (const QString& row : rows) widest = std::max(widest, metrics.horizontalAdvance(row));
    return Margin(view) + widest + metrics.horizontalAdvance(QStringLiteral("   "));
  }
  // Changed clips stand out: their outputs differ from what was imported.
  static QFont FontOf(QFont font, int id) {
    font.setBold(id == IDS_HOME_CHANGED);
    return font;
  }

  void SetColumn(int column) { column_ = column; }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString mark = index.data(kTextRole).toString();
    if (!mark.isEmpty()) {
      const QFontMetrics metrics(FontOf(option.font, index.data(kIdRole).toInt()));
      size.setWidth(std::max(size.width(), column_ + metrics.horizontalAdvance(mark) + Margin(option.widget)));
    }
    return size;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    const QString mark = index.data(kTextRole).toString();
    if (mark.isEmpty()) return;
    const int id = index.data(kIdRole).toInt();
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active)  ? QPalette::Active
                                                                                : QPalette::Inactive;
    // Clips already home are greyed: the rows that still need an import read first.
    const QPalette::ColorRole role = (option.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                     : (id == IDS_HOME_HOME || id == IDS_HOME_BEFORE_HISTORY) ? QPalette::PlaceholderText
                                                                                              : QPalette::Text;
    painter->save();
    painter->setFont(FontOf(option.font, id));
    painter->setPen(option.palette.color(group, role));
    painter->drawText(option.rect.adjusted(column_, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, mark);
    painter->restore();
  }

 private:
  int column_ = 0;
};

CMainDlg::CMainDlg(MainDlgOptions options, QWidget* parent) : QDialog(parent), options_(std::move(options)) {
  frontend::MainModelOptions modelOptions;
  modelOptions.findUnitDrives = options_.findUnitDrives;
  modelOptions.refreshLater = [this] { PostEventOf(this, RefreshDrivesEventType()); };
  modelOptions.browseStart = QDir::homePath().toStdU16String();
  modelOptions.watchVolumes = options_.watchVolumes;
  modelOptions.volumeSource = options_.volumeSource;
  modelOptions.refreshDelay = std::chrono::milliseconds(options_.refreshDelayMs);
  if (options_.clock) modelOptions.session.clock = options_.clock;
  modelOptions.scanWait = options_.scanWait;
  modelOptions.session.idle = [this] {
    if (importWait_) importWait_->quit();
  };
  model_ = std::make_unique<frontend::MainModel>(static_cast<frontend::MainView&>(*this),
                                                 static_cast<frontend::SessionView&>(*this),
                                                 [this] { PostEventOf(this, SessionWakeEventType()); },
                                                 std::move(modelOptions));
  BuildControls();
  setWindowTitle(tr("Quillon"));
  setWindowIcon(ApplicationIcon());

  LoadSettings();
  destinationText_->Set(QString(FolderLabel::kFolderMark), QDir::toNativeSeparators(Destination()));
  WarnIfNotNtfs();
  FillDriveCombo(true);
}

CMainDlg::~CMainDlg() {
  if (!settingsSaved_) SaveSettings();
  model_.reset();  // stops and waits for an import while the window is whole
}

void CMainDlg::BuildControls() {
  setFont(TemplateFont());
  const DialogUnits du(font());

  // Group boxes first, so that the controls they frame lie above them.
  auto* source = new QGroupBox(tr("Source"), this);
  du.Place(source, "sourceGroup", 7, 7, 230, 51);
  auto* destinationGroup = new QGroupBox(tr("Destination folder"), this);
  du.Place(destinationGroup, "destinationGroup", 7, 279, 289, 102);

  auto label = [&](const QString& text, const char* name, int x, int y, int w, int h, bool wrap = false) {
    auto* l = new QLabel(text, this);
    du.Place(l, name, x, y, w, h);
    l->setWordWrap(wrap);
    if (!wrap) l->resize(l->width(), std::max(l->height(), l->sizeHint().height()));
    return l;
  };
  // "Select the folders containing..." and "Input the number to differentiate the files recorded
  // on the same time." are the program's own wording from its first release, kept on purpose.
  label(tr("Drive"), "driveLabel", 15, 19, 33, 8);
  label(tr("Format"), "formatLabel", 15, 39, 36, 8);
  QLabel* selectLabel =
      label(tr("Select the folders containing video files you want to import."), "selectLabel", 7, 63, 230, 18, true);
  label(tr("Clip"), "clipHeader", 17, 83, 44, 12);
  label(tr("Rec date"), "dateHeader", 78, 83, 58, 12);
  QLabel* prefixHint = label(tr("Input the number to differentiate the files recorded on the same time."),
                             "prefixHint", 16, 343, 270, 18, true);
  QLabel* prefixLabel = label(tr("Prefix number"), "prefixLabel", 17, 365, 76, 8);

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
  marks_ = new HomeMarkDelegate(clipList_);
  clipList_->setItemDelegate(marks_);
  connect(clipList_, &QListWidget::itemSelectionChanged, this, [this] { model_->OnSelectionChanged(); });

  // Over the empty list while no unit is found, or the folder chosen holds none: what to do.
  noUnitHint_ = new QLabel(this);
  noUnitHint_->setObjectName(QStringLiteral("noUnitHint"));
  noUnitHint_->setGeometry(clipList_->geometry().adjusted(du.X(12), du.Y(12), -du.X(12), -du.Y(12)));
  noUnitHint_->setWordWrap(true);
  noUnitHint_->setAlignment(Qt::AlignCenter);
  noUnitHint_->setTextFormat(Qt::PlainText);
  noUnitHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  noUnitHint_->setForegroundRole(QPalette::PlaceholderText);
  noUnitHint_->hide();

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
      {1009, tr("&Clear All"), 246, 132, 50, 14, &CMainDlg::OnClearAll},
      {1006, tr("&Refresh"), 246, 149, 50, 14, &CMainDlg::OnRefresh},
      {1004, tr("&Browse..."), 242, 296, 46, 14, &CMainDlg::OnBrowse},
  };
  std::vector<QPushButton*> rightColumn{importButton_};
  QPushButton* browse = nullptr;
  for (const auto& spec : buttons) {
    auto* button = new QPushButton(spec.text, this);
    du.Place(button, spec.id, spec.x, spec.y, spec.w, spec.h);
    if (spec.handler) {
      connect(button, &QPushButton::clicked, this, spec.handler);
    } else {
      connect(button, &QPushButton::clicked, this, &QDialog::accept);
    }
    if (spec.id == 1004) {
      browse = button;
    } else {
      rightColumn.push_back(button);
    }
  }
  // The clips that are not home in the destination, between Select All and Clear All.
  auto* selectNew = new QPushButton(tr("Select &New"), this);
  du.Place(selectNew, "selectNew", 246, 115, 50, 14);
  connect(selectNew, &QPushButton::clicked, this, &CMainDlg::OnSelectNew);
  rightColumn.push_back(selectNew);

  destinationText_ = new FolderLabel(this);
  destinationText_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  du.Place(destinationText_, 1003, 15, 295, 225, 14);

  // Under the destination: the second copy's folder, "None" until one is chosen, and Clear, which
  // leaves none again; its label as wide as its text in either language.
  QLabel* secondCopyLabel = label(tr("Second copy:"), "secondCopyLabel", 15, 315, 60, 8);
  secondCopyLabel->resize(secondCopyLabel->sizeHint().width(), secondCopyLabel->height());
  secondCopyText_ = new FolderLabel(this);
  secondCopyText_->setObjectName(QStringLiteral("secondCopy"));
  secondCopyText_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  const int secondCopyLeft = secondCopyLabel->x() + secondCopyLabel->width() + du.X(4);
  secondCopyText_->setGeometry(secondCopyLeft, du.Y(312), du.X(194) - secondCopyLeft, du.Y(14));
  secondCopyClear_ = new QPushButton(tr("Cl&ear"), this);
  du.Place(secondCopyClear_, "secondCopyClear", 197, 313, 41, 14);
  connect(secondCopyClear_, &QPushButton::clicked, this, [this] {
    if (!ImportRunning()) SetSecondCopy({});
  });
  auto* secondCopyBrowse = new QPushButton(tr("Bro&wse..."), this);
  du.Place(secondCopyBrowse, "secondCopyBrowse", 242, 313, 46, 14);
  connect(secondCopyBrowse, &QPushButton::clicked, this, &CMainDlg::OnBrowseSecondCopy);

  // The ASC MHL history, and for which folders it is: ASC MHL reports every file it did not
  // record, so a folder that holds other files too fails its checks.
  mhlCheck_ = new QCheckBox(tr("Keep an ASC MHL history"), this);
  du.Place(mhlCheck_, "mhl", 15, 331, 150, 10);
  mhlCheck_->resize(mhlCheck_->sizeHint().width(), std::max(mhlCheck_->height(), mhlCheck_->sizeHint().height()));
  const QString mhlWhy = tr("ASC MHL reports every file in the folder that it did not record: keep other files out of "
                            "a folder with this history.");
  mhlCheck_->setToolTip(mhlWhy);
  connect(mhlCheck_, &QCheckBox::toggled, this, [this](bool keep) { model_->SetKeepMhl(keep); });
  QLabel* mhlNote = label(tr("(for folders that hold the imports alone)"), "mhlNote", 15, 331, 270, 10);
  const int mhlNoteLeft = mhlCheck_->x() + mhlCheck_->width() + du.X(4);
  mhlNote->setGeometry(mhlNoteLeft, mhlCheck_->y(), du.X(288) - mhlNoteLeft, mhlCheck_->height());
  mhlNote->setForegroundRole(QPalette::PlaceholderText);
  mhlNote->setToolTip(mhlWhy);

  prefixEdit_ = new QLineEdit(this);
  du.Place(prefixEdit_, 1011, 101, 361, 29, 14);
  prefixEdit_->setMaxLength(2);
  prefixEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), prefixEdit_));
  prefixSpin_ = new UpDownControl(this);
  prefixSpin_->setObjectName(QStringLiteral("1010"));
  prefixSpin_->SetBuddy(prefixEdit_);
  prefixSpin_->SetRange(0, 99);
  prefixSpin_->SetPosition(0);
  // The marks name the outputs as an import with this prefix would.
  connect(prefixEdit_, &QLineEdit::textChanged, this, [this] { model_->SetPrefix(PrefixPosition()); });

  // The status line after an import, in a row of its own between the list and the
  // destination folder: two lines of text, and the button that opens the folder.
  summary_ = new FolderLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));
  QLabel probe(QStringLiteral("%1\n%1").arg(Tr(IDS_SUMMARY_MANY)));
  probe.setFont(font());
  const int summaryHeight = std::max(du.Y(16), probe.sizeHint().height());
  const int row = std::max(du.Y(20), summaryHeight + du.Y(3));
  openFolder_ = new QPushButton(tr("&Open Folder"), this);
  du.Place(openFolder_, "openFolder", 246, kBelowList, 50, 14);
  openFolder_->setAutoDefault(false);
  // As wide as its text needs in either language, its right edge in line with the buttons
  // above; the status line takes the rest of the row.
  const int buttonWidth = std::max(openFolder_->width(), openFolder_->sizeHint().width());
  openFolder_->setGeometry(du.X(246 + 50) - buttonWidth, openFolder_->y(), buttonWidth, openFolder_->height());
  summary_->setGeometry(du.X(7), du.Y(kBelowList), openFolder_->x() - du.X(4) - du.X(7), summaryHeight);
  openFolder_->hide();
  connect(openFolder_, &QPushButton::clicked, this, &CMainDlg::OnOpenFolder);
  summaryGap_ = du.X(4);
  rescue_ = new QPushButton(this);
  rescue_->setObjectName(QStringLiteral("rescue"));
  rescue_->setAutoDefault(false);
  rescue_->hide();
  connect(rescue_, &QPushButton::clicked, this, &CMainDlg::OnRescue);

  QWidget* below[] = {destinationGroup, destinationText_, browse,    secondCopyLabel, secondCopyText_,
                      secondCopyClear_, secondCopyBrowse, mhlCheck_, mhlNote,         prefixHint,
                      prefixLabel,      prefixEdit_,      prefixSpin_};
  for (QWidget* w : below) w->move(w->x(), w->y() + row);

  // The template's layout is the smallest the window gets; beyond it the list grows, the
  // buttons keep to the right edge and the destination folder to the bottom.
  const QSize smallest(du.X(kTemplateWidth), du.Y(kTemplateHeight) + row);
  setMinimumSize(smallest);
  resize(smallest);
  Anchor(source, kWiden);
  Anchor(driveCombo_, kWiden);
  Anchor(selectLabel, kWiden);
  Anchor(clipList_, kWiden | kHeighten);
  Anchor(noUnitHint_, kWiden | kHeighten);
  for (QPushButton* button : rightColumn) Anchor(button, kMoveRight);
  Anchor(summary_, kMoveDown | kWiden);
  Anchor(openFolder_, kMoveDown | kMoveRight);
  Anchor(destinationGroup, kMoveDown | kWiden);
  Anchor(destinationText_, kMoveDown | kWiden);
  Anchor(browse, kMoveDown | kMoveRight);
  Anchor(secondCopyLabel, kMoveDown);
  Anchor(secondCopyText_, kMoveDown | kWiden);
  Anchor(secondCopyClear_, kMoveDown | kMoveRight);
  Anchor(secondCopyBrowse, kMoveDown | kMoveRight);
  Anchor(mhlCheck_, kMoveDown);
  Anchor(mhlNote, kMoveDown | kWiden);
  Anchor(prefixHint, kMoveDown | kWiden);
  for (QWidget* w : {static_cast<QWidget*>(prefixLabel), static_cast<QWidget*>(prefixEdit_),
                     static_cast<QWidget*>(prefixSpin_)}) {
    Anchor(w, kMoveDown);
  }

  // The window opens wide enough for a clip's row and the widest mark beside it, in this
  // language; narrower, the list scrolls to the marks.
  int widestMark = 0;
  for (int id : {IDS_HOME_HOME, IDS_HOME_NEW, IDS_HOME_CHANGED, IDS_HOME_BEFORE_HISTORY}) {
    widestMark = std::max(widestMark, QFontMetrics(HomeMarkDelegate::FontOf(listFont, id)).horizontalAdvance(Tr(id)));
  }
  constexpr std::int64_t kSampleTime = 1205597999;  // a day whose date is written at full length
  const QString sampleRow = Q(RowTextAt(u"CLP0001", 1, 10, kSampleTime, platform::UserDateLocale()));
  const int listWidth = HomeMarkDelegate::Column(clipList_, {sampleRow}) + widestMark +
                        HomeMarkDelegate::Margin(clipList_) + 2 * clipList_->frameWidth() +
                        clipList_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, clipList_);
  resize(smallest.width() + std::max(0, listWidth - clipList_->width()), smallest.height());

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

void CMainDlg::Anchor(QWidget* widget, unsigned follow) {
  const QRect r = widget->geometry();
  anchored_.push_back({widget, {r.x(), r.y(), r.width(), r.height()}, follow});
}

void CMainDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  for (const Anchored& a : anchored_) {
    const auto r = frontend::Followed(a.smallest, a.follow, width() - minimumWidth(), height() - minimumHeight());
    if (a.widget) a.widget->setGeometry(r.x, r.y, r.width, r.height);
  }
  FitSummary();
}

void CMainDlg::FitSummary() {
  // The offer to rescue, when shown, stands as wide as its text just before "Open Folder".
  if (!rescue_) return;  // not made yet
  int end = openFolder_->x();
  if (!rescue_->isHidden()) {
    const int width = rescue_->sizeHint().width();
    rescue_->setGeometry(end - summaryGap_ - width, openFolder_->y(), width, openFolder_->height());
    end = rescue_->x();
  }
  summary_->resize(std::max(0, end - summaryGap_ - summary_->x()), summary_->height());
}

void CMainDlg::ShowDrives(const std::vector<std::u16string>& drives, int selected) {
  driveCombo_->clear();
  for (const std::u16string& drive : drives) {
    driveCombo_->addItem(Q(drive));
    driveCombo_->setItemData(driveCombo_->count() - 1, Q(drive), Qt::ToolTipRole);
  }
  // Last, apart from the sorted drives: any folder as a source.
  driveCombo_->addItem(Tr(IDS_OTHER_FOLDER));
  driveCombo_->setItemData(driveCombo_->count() - 1, true, kOtherFolderRole);
  driveCombo_->setCurrentIndex(selected);
  emit DrivesRefreshed();
}

void CMainDlg::SelectDrive(int index) { driveCombo_->setCurrentIndex(index); }

void CMainDlg::ShowClips(const std::vector<std::u16string>& rows, const std::vector<bool>& selected) {
  const QSignalBlocker blocker(clipList_);
  clipList_->clear();
  QStringList texts;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    auto* item = new QListWidgetItem(Q(rows[k]), clipList_);
    if (k < selected.size() && selected[k]) item->setSelected(true);
    texts.push_back(item->text());
  }
  marks_->SetColumn(HomeMarkDelegate::Column(clipList_, texts));
}

void CMainDlg::ShowHomeMarks(const std::vector<frontend::Message>& marks) {
  for (int row = 0; row < clipList_->count(); ++row) {
    const auto k = static_cast<std::size_t>(row);
    const frontend::Message mark = k < marks.size() ? marks[k] : frontend::Message{};
    QListWidgetItem* item = clipList_->item(row);
    item->setData(HomeMarkDelegate::kTextRole, Tr(mark));
    item->setData(HomeMarkDelegate::kIdRole, mark.id);
  }
  clipList_->doItemsLayout();  // the rows' widths, and so the list's scroll range, follow the marks
}

QStringList CMainDlg::HomeMarks() const {
  QStringList marks;
  for (int row = 0; row < clipList_->count(); ++row) {
    marks.push_back(clipList_->item(row)->data(HomeMarkDelegate::kTextRole).toString());
  }
  return marks;
}

std::vector<std::size_t> CMainDlg::SelectedRows() const {
  std::vector<std::size_t> rows;
  for (int row = 0; row < clipList_->count(); ++row) {
    if (clipList_->item(row)->isSelected()) rows.push_back(static_cast<std::size_t>(row));
  }
  return rows;
}

void CMainDlg::SelectAllRows(bool selected) {
  if (selected) {
    clipList_->selectAll();
  } else {
    clipList_->clearSelection();
  }
}

void CMainDlg::SelectRows(const std::vector<bool>& selected) {
  QItemSelection selection;
  for (int row = 0; row < clipList_->count(); ++row) {
    if (static_cast<std::size_t>(row) < selected.size() && selected[static_cast<std::size_t>(row)]) {
      const QModelIndex index = clipList_->model()->index(row, 0);
      selection.select(index, index);
    }
  }
  clipList_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CMainDlg::EnableImport(bool enabled) { importButton_->setEnabled(enabled); }

void CMainDlg::ShowHint(const frontend::Message& hint) {
  noUnitHint_->setText(Tr(hint));
  noUnitHint_->setVisible(!hint.Empty());
}

void CMainDlg::ClearSummary() {
  summary_->Clear();
  summaryFolder_.clear();
  openFolder_->hide();
  rescue_->hide();
  FitSummary();
}

std::optional<std::u16string> CMainDlg::BrowseForUnitFolder(const std::u16string& start) {
  const QString chosen = BrowseForFolder(this, Tr(IDS_CHOOSE_UNIT_FOLDER), Q(start));
  if (chosen.isEmpty()) return std::nullopt;
  return QDir::cleanPath(QDir(chosen).absolutePath()).toStdU16String();
}

int CMainDlg::PrefixPosition() const { return prefixSpin_->Position(); }

QStringList CMainDlg::SummaryLines() const { return summary_->Lines(); }

void CMainDlg::OnFormatClicked(QCheckBox* box) {
  // The formats chosen are those of the listed clips: no change while an import runs.
  if (!model_->SetFormats(hdvCheck_->isChecked(), dvCheck_->isChecked())) {
    const QSignalBlocker blocker(box);
    box->setChecked(!box->isChecked());
  }
}

void CMainDlg::OnDriveActivated(int index) { model_->OnDriveChosen(index); }

void CMainDlg::OnAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CMainDlg::LoadSettings() {
  const StoredSettings stored = ReadStoredSettings();
  const QString start = options_.startFolder.isEmpty() ? QString() : QDir::cleanPath(options_.startFolder);
  model_->Restore(stored.drive.toStdU16String(), stored.destination.toStdU16String(), start.toStdU16String());
  model_->SetPrefix(PrefixPosition());
  SetSecondCopy(stored.secondCopy);
  mhlCheck_->setChecked(stored.keepMhl);
}

void CMainDlg::SaveSettings() {
  WriteStoredSettings({Destination(), Drive(), SecondCopy(), KeepMhl()});
  settingsSaved_ = true;
}

bool CMainDlg::IsDestinationNtfs() const { return IsLargeFileVolume(Destination()); }

// A warning only: the destination stays as it is. Its text names NTFS, as the program's
// message always has, for any volume that cannot hold files of 4 GiB; kept on purpose.
void CMainDlg::WarnIfNotNtfs() {
  if (!IsDestinationNtfs()) {
    ShowMessage(this,
                tr("The drive of the destination folder is not formatted in NTFS. Change the destination to the drive "
                   "formatted in NTFS."),
                QMessageBox::Warning);
  }
}

void CMainDlg::SetDestination(const QString& folder) {
  model_->SetDestination(QDir::cleanPath(folder).toStdU16String());
  destinationText_->Set(QString(FolderLabel::kFolderMark), QDir::toNativeSeparators(Destination()));
}

void CMainDlg::OnBrowse() {
  if (ImportRunning()) return;
  // "Source folder" titles the choice of the destination: the program's own wording from its
  // first release, kept as it is on purpose.
  const QString chosen = BrowseForFolder(this, tr("Source folder"), Destination());
  if (chosen.isEmpty()) return;
  SetDestination(chosen);
  WarnIfNotNtfs();
}

void CMainDlg::SetSecondCopy(const QString& folder) {
  model_->SetSecondCopy(folder.isEmpty() ? std::u16string() : QDir::cleanPath(folder).toStdU16String());
  const bool none = SecondCopy().isEmpty();
  if (none) {
    secondCopyText_->Set(tr("None"), {});
  } else {
    secondCopyText_->Set(QString(FolderLabel::kFolderMark), QDir::toNativeSeparators(SecondCopy()));
  }
  secondCopyText_->setForegroundRole(none ? QPalette::PlaceholderText : QPalette::WindowText);
  secondCopyClear_->setEnabled(!none);
}

void CMainDlg::OnBrowseSecondCopy() {
  if (ImportRunning()) return;
  const QString chosen =
      BrowseForFolder(this, tr("Second copy folder"), SecondCopy().isEmpty() ? Destination() : SecondCopy());
  if (!chosen.isEmpty()) SetSecondCopy(chosen);
}

void CMainDlg::OnImport() {
  // What the window offers while an import runs waits for its end, or is refused.
  if (model_->OnImport(PrefixPosition())) WaitForImport();
}

void CMainDlg::WaitForImport() {
  QEventLoop wait;
  importWait_ = &wait;
  if (ImportRunning()) wait.exec();
  importWait_ = nullptr;
}

void CMainDlg::ShowNotice(const frontend::Notice& notice) {
  QWidget* parent = progress_ && progress_->isVisible() ? static_cast<QWidget*>(progress_) : this;
  ShowMessage(parent, Tr(notice.text), IconOf(notice.icon), Tr(notice.detail));
}

void CMainDlg::ShowFailure(const frontend::Notice& notice, const ClipFailure&) { ShowNotice(notice); }

void CMainDlg::OpenProgress(std::uint64_t barTotal) {
  progress_ = new CProgressDlg(this, [this] { model_->Session().Cancel(); });
  progress_->setAttribute(Qt::WA_DeleteOnClose);
  progress_->SetTotal(barTotal);
  progress_->open();
  emit ImportStarted(progress_);
}

void CMainDlg::ShowProgress(const frontend::ProgressFigures& figures) {
  if (!progress_) return;
  if (figures.barAdded > 0) {
    CopyMessageEvent moved(frontend::COPY_PROGRESS, static_cast<std::uint32_t>(figures.barAdded));
    QCoreApplication::sendEvent(progress_, &moved);
  }
  progress_->ShowLines(figures.lines);
}

void CMainDlg::CloseProgress() {
  if (progress_ && progress_->isVisible()) progress_->accept();
  progress_ = nullptr;
}

void CMainDlg::AskOverwrite(const OverwriteQuestion& asked) {
  // No owner: the progress window stays usable, so the import can be cancelled meanwhile.
  auto* question = new COverwriteConfirmDialog(nullptr);
  question->setAttribute(Qt::WA_DeleteOnClose);
  question->setWindowModality(Qt::WindowModal);
  question->SetQuestion(asked);
  connect(question, &QDialog::finished, this,
          [this, question] { model_->Session().Answer(frontend::AnswerOf(question->AnswerCode())); });
  question_ = question;
  question->show();
  question->raise();
  question->activateWindow();
  emit OverwriteQuestionShown(question);
}

void CMainDlg::WithdrawQuestion() {
  if (!question_) return;
  question_->disconnect(this);
  question_->close();
  question_ = nullptr;
}

void CMainDlg::Ended(const ImportOutcome& outcome, const std::optional<frontend::Summary>& summary) {
  if (summary) ShowSummary(*summary);
  emit ImportEnded(outcome);
}

void CMainDlg::ShowSummary(const frontend::Summary& summary) {
  // The folder is the head's last argument: the line shortens it alone.
  Message head = summary.head;
  summaryFolder_ = Q(head.args.back().verbatim);
  head.args.back() = Verbatim(std::u16string(1, FolderLabel::kFolderMark.unicode()));
  summary_->Set(Tr(head), summaryFolder_, Tr(summary.figures));
  openFolder_->show();
  rescue_->setText(Tr(summary.rescueOffer));
  rescue_->setVisible(!summary.rescueOffer.Empty());
  FitSummary();
}

void CMainDlg::OnRescue() {
  if (model_->OnRescue()) WaitForImport();
}

void CMainDlg::OnOpenFolder() {
  if (summaryFolder_.isEmpty() || OpenFolder(summaryFolder_)) return;
  ShowMessage(this,
              tr("The folder \"%1\" could not be opened: no file manager was found.")
                  .arg(QDir::toNativeSeparators(summaryFolder_)),
              QMessageBox::Warning);
}

bool CMainDlg::event(QEvent* event) {
  AcceptPostedEvents();
  if (event->type() == SessionWakeEventType()) {
    model_->Drain();
    return true;
  }
  if (event->type() == RefreshDrivesEventType()) {
    FillDriveCombo(false);
    return true;
  }
  return QDialog::event(event);
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
  // the version item instead, under the program's own text "Version(&A)...".
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
