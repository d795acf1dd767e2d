#include "win32ui/CMainDlg.h"

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>
#include <set>

#include "catalogue/UnitDrives.h"
#include "import/ImportContext.h"
#include "platform/Volumes.h"
#include "win32ui/CAboutDlg.h"
#include "win32ui/FolderBrowser.h"
#include "win32ui/ImportSession.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
// Marks the drive selector's "Other folder..." entry, which is no drive.
constexpr LRESULT kOtherFolderEntry = 1;

// How a control follows the window beyond its smallest size.
enum Follow : unsigned { kMoveRight = 1, kMoveDown = 2, kWiden = 4, kHeighten = 8 };

// The main window whose dialog loop the message filter serves (one per thread).
thread_local CMainDlg* filteredWindow = nullptr;

}  // namespace

CMainDlg::CMainDlg(MainDlgOptions options)
    : Dialog(IDD_MAIN),
      options_(std::move(options)),
      probe_(std::make_unique<UnitDriveProbe>(UnitDriveProbe::kBound, IsUnitDrive, [this] {
        if (const HWND window = window_.load()) ::PostMessageW(window, WM_REFRESH_DRIVES, 0, 0);
      })) {
  if (options_.settingsKey.empty()) options_.settingsKey = SettingsKeyPath();
  icon_ = static_cast<HICON>(::LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                          ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(::LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
}

CMainDlg::~CMainDlg() {
  // The session first: it waits for a worker while the window's members are still whole.
  session_.reset();
  probe_.reset();
  if (Handle()) ::DestroyWindow(Handle());
  if (icon_) ::DestroyIcon(icon_);
  if (smallIcon_) ::DestroyIcon(smallIcon_);
}

BOOL CMainDlg::OnInitDialog() {
  const HWND window = Handle();
  window_ = window;
  session_ = std::make_unique<ImportSession>(window, importLock_);

  ::SendDlgItemMessageW(window, IDC_HDV, BM_SETCHECK, BST_CHECKED, 0);
  ::SendDlgItemMessageW(window, IDC_DV, BM_SETCHECK, BST_CHECKED, 0);
  ::SendDlgItemMessageW(window, IDC_PREFIX, EM_LIMITTEXT, 2, 0);

  if (HMENU menu = ::GetSystemMenu(window, FALSE)) {
    const std::wstring about = LoadText(IDS_ABOUTBOX);
    if (!about.empty()) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
  }
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_ : icon_));
  ::SetWindowTextW(window, LoadText(IDS_TITLE).c_str());
  CreatePrefixSpin();

  accelerators_ = ::LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
  filteredWindow = this;
  messageFilter_ = ::SetWindowsHookExW(WH_MSGFILTER, &CMainDlg::MessageFilter, nullptr, ::GetCurrentThreadId());
  hintBrush_ = ::GetSysColorBrush(COLOR_WINDOW);

  LoadSettings();
  if (!options_.startFolder.empty()) {
    drive_ = DriveEntryOf(options_.startFolder);
    AddOtherFolder(drive_);
  } else if (!drive_.empty() && IsUnitFolder(drive_)) {
    // A folder chosen with "Other folder..." in an earlier run comes back while it still holds
    // a unit's tree; a drive that is attached needs no such help.
    const std::vector<std::u16string> drives = ListUnitDrives();
    if (std::find(drives.begin(), drives.end(), FromWide(drive_)) == drives.end()) AddOtherFolder(drive_);
  }
  SetItemText(IDC_DESTINATION, destination_);
  WarnIfNotNtfs();
  FillDriveCombo(true);

  RecordLayout();
  listFont_ = ::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, L"MS Gothic");
  if (listFont_) ::SendDlgItemMessageW(window, IDC_CLIP_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), TRUE);
  return TRUE;
}

void CMainDlg::OnDestroyed() {
  window_ = nullptr;
  if (messageFilter_) ::UnhookWindowsHookEx(messageFilter_);
  messageFilter_ = nullptr;
  if (filteredWindow == this) filteredWindow = nullptr;
  if (listFont_) ::DeleteObject(listFont_);
  listFont_ = nullptr;
}

void CMainDlg::RecordLayout() {
  static constexpr struct {
    int id;
    unsigned follow;
  } kAnchors[] = {
      {IDC_SOURCE_GROUP, kWiden},
      {IDC_DRIVE, kWiden},
      {IDC_SELECT_LABEL, kWiden},
      {IDC_CLIP_LIST, kWiden | kHeighten},
      {IDC_NO_UNIT_HINT, kWiden | kHeighten},
      {IDC_IMPORT, kMoveRight},
      {IDOK, kMoveRight},
      {IDC_VERSION, kMoveRight},
      {IDC_SELECT_ALL, kMoveRight},
      {IDC_CLEAR_ALL, kMoveRight},
      {IDC_REFRESH, kMoveRight},
      {IDC_SUMMARY_HEAD, kMoveDown | kWiden},
      {IDC_SUMMARY_FIGURES, kMoveDown | kWiden},
      {IDC_OPEN_FOLDER, kMoveDown | kMoveRight},
      {IDC_DESTINATION_GROUP, kMoveDown | kWiden},
      {IDC_DESTINATION, kMoveDown | kWiden},
      {IDC_BROWSE, kMoveDown | kMoveRight},
      {IDC_PREFIX_HINT, kMoveDown | kWiden},
      {IDC_PREFIX_LABEL, kMoveDown},
      {IDC_PREFIX, kMoveDown},
      {IDC_PREFIX_SPIN, kMoveDown},
  };
  anchored_.clear();
  for (const auto& anchor : kAnchors) {
    const HWND control = Item(anchor.id);
    if (!control) continue;
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&rect), 2);
    // A drop-down list's height is that of its open list, not of the closed box.
    if (anchor.id == IDC_DRIVE) {
      RECT dropped{};
      if (ComboMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)))
        rect.bottom = rect.top + (dropped.bottom - dropped.top);
    }
    anchored_.push_back({anchor.id, anchor.follow, rect});
  }
  RECT client{}, window{};
  ::GetClientRect(Handle(), &client);
  ::GetWindowRect(Handle(), &window);
  smallestClient_ = {client.right, client.bottom};
  smallestWindow_ = {window.right - window.left, window.bottom - window.top};
}

void CMainDlg::FollowSize(int width, int height) {
  if (anchored_.empty()) return;
  const int dx = std::max(0, width - static_cast<int>(smallestClient_.cx));
  const int dy = std::max(0, height - static_cast<int>(smallestClient_.cy));
  HDWP moves = ::BeginDeferWindowPos(static_cast<int>(anchored_.size()));
  for (const Anchored& a : anchored_) {
    if (!moves) break;
    const int x = a.smallest.left + ((a.follow & kMoveRight) ? dx : 0);
    const int y = a.smallest.top + ((a.follow & kMoveDown) ? dy : 0);
    const int w = a.smallest.right - a.smallest.left + ((a.follow & kWiden) ? dx : 0);
    const int h = a.smallest.bottom - a.smallest.top + ((a.follow & kHeighten) ? dy : 0);
    moves = ::DeferWindowPos(moves, Item(a.id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (moves) ::EndDeferWindowPos(moves);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CMainDlg::CreatePrefixSpin() {
  const HWND window = Handle();
  const HWND edit = Item(IDC_PREFIX);
  RECT rect{};
  ::GetWindowRect(edit, &rect);
  ::MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rect), 2);
  ::SetWindowPos(edit, HWND_BOTTOM, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_SHOWWINDOW);
  // Made last, it follows the edit among the siblings and takes it as its buddy.
  prefixSpin_ = ::CreateWindowExW(
      0, UPDOWN_CLASSW, nullptr,
      WS_CHILD | WS_VISIBLE | UDS_WRAP | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS,
      rect.left + 10, rect.top, rect.right - rect.left - 10, rect.bottom - rect.top, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREFIX_SPIN)), ResourceModule(), nullptr);
  if (!prefixSpin_) return;
  ::SendMessageW(prefixSpin_, UDM_SETRANGE32, 0, 99);
  BOOL failed = FALSE;
  const LRESULT position = ::SendMessageW(prefixSpin_, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed));
  if (!failed) SetItemText(IDC_PREFIX, std::to_wstring(position));
}

int CMainDlg::PrefixPosition() const { return prefixPosition_; }

void CMainDlg::OnPrefixChanged() {
  // The number typed or stepped to; an edit without a number (emptied) leaves the last one.
  const std::wstring text = ItemText(IDC_PREFIX);
  if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) return;
  prefixPosition_ = std::stoi(text);
}

LRESULT CMainDlg::ListMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageW(Handle(), IDC_CLIP_LIST, message, wParam, lParam);
}

LRESULT CMainDlg::ComboMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageW(Handle(), IDC_DRIVE, message, wParam, lParam);
}

bool CMainDlg::ImportRunning() const { return importing_ || (session_ && session_->Running()); }

std::vector<std::u16string> CMainDlg::ListUnitDrives() {
  if (options_.findUnitDrives) return options_.findUnitDrives();
  return probe_->Find(CandidateDrives(platform::ListVolumes()));
}

bool CMainDlg::IsUnitFolder(const std::wstring& folder) { return !probe_->Find({FromWide(folder)}).empty(); }

void CMainDlg::AddOtherFolder(const std::wstring& folder) {
  if (std::find(otherFolders_.begin(), otherFolders_.end(), folder) == otherFolders_.end())
    otherFolders_.push_back(folder);
}

std::wstring CMainDlg::SelectedDriveEntry() const {
  const LRESULT index = ComboMessage(CB_GETCURSEL);
  if (index == CB_ERR || ComboMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)) == kOtherFolderEntry) return {};
  const LRESULT length = ComboMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ComboMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

int CMainDlg::FindDriveEntry(const std::wstring& drive) const {
  if (drive.empty()) return -1;
  // The whole entry must match: a prefix would take C:\Units\AB for C:\Units\A.
  const LRESULT index = ComboMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(drive.c_str()));
  if (index == CB_ERR || ComboMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)) == kOtherFolderEntry) return -1;
  return static_cast<int>(index);
}

void CMainDlg::FillDriveCombo(bool force) {
  if (ImportRunning()) {
    refreshPending_ = true;
    return;
  }
  std::lock_guard lock(importLock_);
  ComboMessage(CB_RESETCONTENT);
  std::vector<std::wstring> names = otherFolders_;
  for (const std::u16string& drive : ListUnitDrives()) names.push_back(Wide(drive));
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  // The selector sorts the drives itself; "Other folder..." goes last, apart from them.
  for (const std::wstring& name : names) ComboMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  const std::wstring other = LoadText(IDS_OTHER_FOLDER);
  const LRESULT otherIndex = ComboMessage(CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(other.c_str()));
  if (otherIndex >= 0) ComboMessage(CB_SETITEMDATA, static_cast<WPARAM>(otherIndex), kOtherFolderEntry);

  if (names.empty()) {
    drive_.clear();
    FillClipList();
  } else if (const int saved = FindDriveEntry(drive_); saved >= 0) {
    ComboMessage(CB_SETCURSEL, static_cast<WPARAM>(saved));
    if (force) FillClipList();
  } else {
    // The last drive in the selector's own order, just before "Other folder...".
    ComboMessage(CB_SETCURSEL, static_cast<WPARAM>(ComboMessage(CB_GETCOUNT) - 2));
    drive_ = SelectedDriveEntry();
    FillClipList();
  }
  UpdateNoUnitHint();
}

void CMainDlg::FillClipList() {
  if (ImportRunning()) return;  // the worker reads the catalogue: it is not rebuilt now
  const HWND window = Handle();
  const bool hdv = ::IsDlgButtonChecked(window, IDC_HDV) == BST_CHECKED;
  const bool dv = ::IsDlgButtonChecked(window, IDC_DV) == BST_CHECKED;
  std::lock_guard lock(catalogueLock_);
  const std::wstring drive = SelectedDriveEntry();

  std::set<std::u16string> selected;
  for (std::size_t row : SelectedRows()) {
    if (row < catalogue_.Count()) selected.insert(catalogue_.ClipName(row));
  }

  catalogue_.Clear();
  ListMessage(WM_SETREDRAW, FALSE);
  ListMessage(LB_RESETCONTENT);
  if (!drive.empty()) {
    catalogue_.Scan(FromWide(drive), hdv, dv);
    std::vector<std::u16string> rows;
    catalogue_.GetRowTexts(rows, TheImportContext().dateLocale);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      const std::wstring text = Wide(rows[k]);
      const LRESULT row = ListMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      if (row >= 0 && selected.count(catalogue_.ClipName(k)) != 0) ListMessage(LB_SETSEL, TRUE, row);
    }
  }
  ListMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(Item(IDC_CLIP_LIST), nullptr, TRUE);
  UpdateImportButton();
  UpdateNoUnitHint();
}

std::vector<std::size_t> CMainDlg::SelectedRows() const {
  const LRESULT count = ListMessage(LB_GETSELCOUNT);
  if (count <= 0) return {};
  std::vector<int> rows(static_cast<std::size_t>(count));
  const LRESULT got = ListMessage(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rows.data()));
  rows.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return std::vector<std::size_t>(rows.begin(), rows.end());
}

void CMainDlg::UpdateImportButton() { ::EnableWindow(Item(IDC_IMPORT), ListMessage(LB_GETSELCOUNT) > 0); }

void CMainDlg::UpdateNoUnitHint() {
  const std::wstring drive = SelectedDriveEntry();
  std::wstring hint;
  if (drive.empty()) {
    hint = FormatText(LoadText(IDS_NO_UNIT_HINT), {LoadText(IDS_OTHER_FOLDER), LoadText(IDS_DRIVE_LABEL)});
  } else if (ListMessage(LB_GETCOUNT) == 0 && !IsUnitFolder(drive)) {
    hint = FormatText(LoadText(IDS_NOT_A_UNIT_HINT), {drive, LoadText(IDS_OTHER_FOLDER), LoadText(IDS_DRIVE_LABEL)});
  }
  SetItemText(IDC_NO_UNIT_HINT, hint);
  ::ShowWindow(Item(IDC_NO_UNIT_HINT), hint.empty() ? SW_HIDE : SW_SHOWNA);
}

void CMainDlg::OnSelectAll() {
  if (ImportRunning()) return;
  const LRESULT count = ListMessage(LB_GETCOUNT);
  if (count > 0) ListMessage(LB_SELITEMRANGEEX, 0, count - 1);
  UpdateImportButton();
}

void CMainDlg::OnClearAll() {
  // Every row at once: a range from the last row down to the first would select a single row.
  ListMessage(LB_SETSEL, FALSE, -1);
  ::EnableWindow(Item(IDC_IMPORT), FALSE);
}

void CMainDlg::OnRefresh() {
  if (ImportRunning()) return;
  FillDriveCombo(false);
  FillClipList();
}

void CMainDlg::OnDriveChange() {
  const LRESULT index = ComboMessage(CB_GETCURSEL);
  if (index == CB_ERR) return;
  if (ComboMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)) == kOtherFolderEntry) {
    // The selector goes on showing the drive in use, also while the browser is open.
    ComboMessage(CB_SETCURSEL, static_cast<WPARAM>(FindDriveEntry(drive_)));
    OnOtherFolder();
    return;
  }
  const std::wstring text = SelectedDriveEntry();
  if (text == drive_) return;
  OnClearAll();
  drive_ = text;
  FillClipList();
}

void CMainDlg::OnOtherFolder() {
  if (ImportRunning()) return;
  const std::optional<std::wstring> chosen =
      Browse(LoadText(IDS_CHOOSE_UNIT_FOLDER), drive_.empty() ? GetDefaultDestination() : drive_);
  if (!chosen || chosen->empty()) return;
  const std::wstring folder = DriveEntryOf(*chosen);
  AddOtherFolder(folder);
  if (folder == drive_) return;
  OnClearAll();
  drive_ = folder;
  FillDriveCombo(false);
  FillClipList();
}

std::optional<std::wstring> CMainDlg::Browse(const std::wstring& title, const std::wstring& start) {
  if (options_.browseForFolder) return options_.browseForFolder(Handle(), title, start);
  return BrowseForFolder(Handle(), title, start);
}

void CMainDlg::OnAbout() {
  CAboutDlg about;
  about.DoModal(Handle());
}

void CMainDlg::LoadSettings() {
  const StoredSettings stored = ReadStoredSettings(options_.settingsKey);
  destination_ = stored.destination;
  drive_ = stored.drive;
}

void CMainDlg::SaveSettings() { WriteStoredSettings({destination_, drive_}, options_.settingsKey); }

bool CMainDlg::IsDestinationNtfs() const { return IsNtfsVolume(destination_); }

// A warning only: the destination stays as it is.
void CMainDlg::WarnIfNotNtfs() {
  if (!IsDestinationNtfs()) ShowMessage(Handle(), LoadText(IDS_NOT_NTFS), MB_OK | MB_ICONEXCLAMATION);
}

void CMainDlg::OnBrowse() {
  if (ImportRunning()) return;
  // "Source folder" titles the choice of the destination: the program's own wording, kept.
  const std::optional<std::wstring> chosen = Browse(LoadText(IDS_BROWSE_TITLE), destination_);
  if (!chosen || chosen->empty()) return;
  destination_ = *chosen;
  SetItemText(IDC_DESTINATION, destination_);
  WarnIfNotNtfs();
}

void CMainDlg::OnImport() {
  if (ImportRunning() || !session_) return;
  const std::vector<std::size_t> rows = SelectedRows();
  if (rows.empty()) return;
  importing_ = true;
  ShowSummary({}, {});
  const std::optional<ImportOutcome> outcome = session_->Run(catalogue_, PrefixPosition(), rows, destination_);
  importing_ = false;
  if (refreshPending_) {
    refreshPending_ = false;
    ::PostMessageW(Handle(), WM_REFRESH_DRIVES, 0, 0);
  }
  if (outcome) ShowSummary(Summarise(*outcome), Wide(outcome->destination));
}

void CMainDlg::ShowSummary(const SummaryText& summary, const std::wstring& folder) {
  SetItemText(IDC_SUMMARY_HEAD, summary.head);
  SetItemText(IDC_SUMMARY_FIGURES, summary.figures);
  summaryFolder_ = folder;
  ::ShowWindow(Item(IDC_OPEN_FOLDER), folder.empty() ? SW_HIDE : SW_SHOW);
}

void CMainDlg::OnOpenFolder() {
  if (summaryFolder_.empty()) return;
  const auto opened = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(Handle(), L"open", summaryFolder_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened <= 32) {
    ShowMessage(Handle(), FormatText(LoadText(IDS_OPEN_FOLDER_FAILED), {summaryFolder_}), MB_OK | MB_ICONEXCLAMATION);
  }
}

void CMainDlg::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME) return;
  // The volume needs a moment to become readable. A timer, not a wait: the window stays
  // responsive, and changes in quick succession bring one refresh.
  ::SetTimer(Handle(), kRefreshTimer, options_.refreshDelayMs, nullptr);
}

bool CMainDlg::OnCommand(WORD id, WORD code) {
  switch (id) {
    case IDOK:
      if (!ImportRunning()) End(IDOK);
      return true;
    case IDCANCEL:  // Escape: the main window stays
      return true;
    case IDC_BROWSE:
      if (code == BN_CLICKED) OnBrowse();
      return true;
    case IDC_CLIP_LIST:
      if (code == LBN_SELCHANGE) UpdateImportButton();
      return true;
    case IDC_IMPORT:
      if (code == BN_CLICKED) OnImport();
      return true;
    case ID_EDIT_SELECT_ALL:
    case IDC_SELECT_ALL:
      OnSelectAll();
      return true;
    case IDC_CLEAR_ALL:
      if (code == BN_CLICKED && !ImportRunning()) OnClearAll();
      return true;
    case IDC_DRIVE:
      if (code == CBN_SELCHANGE && !ImportRunning()) OnDriveChange();
      return true;
    case IDC_HDV:
    case IDC_DV:
      if (code == BN_CLICKED) FillClipList();
      return true;
    case IDC_VERSION:
      if (code == BN_CLICKED) OnAbout();
      return true;
    case IDC_REFRESH:
      OnRefresh();
      return true;
    case IDC_OPEN_FOLDER:
      if (code == BN_CLICKED) OnOpenFolder();
      return true;
    case IDC_PREFIX:
      if (code == EN_CHANGE) OnPrefixChanged();
      return true;
    default:
      return false;
  }
}

bool CMainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (session_ && message == CopyMessage()) {
    result = session_->OnCopyMessage(wParam, lParam);
    return true;
  }
  switch (message) {
    case WM_REFRESH_DRIVES:
      FillDriveCombo(false);
      result = 0;
      return true;
    case WM_TIMER:
      if (wParam != kRefreshTimer) return false;
      ::KillTimer(Handle(), kRefreshTimer);
      ::PostMessageW(Handle(), WM_REFRESH_DRIVES, 0, 0);
      result = 0;
      return true;
    case WM_DEVICECHANGE:
      OnDeviceChange(wParam, lParam);
      return false;  // the default processing answers
    case WM_COMMAND:
      result = 0;
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        result = 0;
        return true;
      }
      return false;
    case WM_CLOSE:  // the close box, Alt+F4
      if (!ImportRunning()) End(IDCANCEL);
      result = 0;
      return true;
    case WM_DESTROY:
      ::KillTimer(Handle(), kRefreshTimer);
      SaveSettings();
      return false;
    case WM_PAINT:
      if (!::IsIconic(Handle())) return false;
      PaintMinimised();
      result = 0;
      return true;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) FollowSize(LOWORD(lParam), HIWORD(lParam));
      return false;
    case WM_GETMINMAXINFO:
      if (smallestWindow_.cx <= 0) return false;
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {smallestWindow_.cx, smallestWindow_.cy};
      result = 0;
      return true;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(icon_);
      return true;
    case WM_CTLCOLORSTATIC:
      // The hint lies over the empty list and takes its colours, its text greyed.
      if (reinterpret_cast<HWND>(lParam) != Item(IDC_NO_UNIT_HINT)) return false;
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_GRAYTEXT));
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
      result = reinterpret_cast<INT_PTR>(hintBrush_);
      return true;
    default:
      return false;
  }
}

void CMainDlg::PaintMinimised() {
  PAINTSTRUCT paint{};
  const HDC dc = ::BeginPaint(Handle(), &paint);
  ::SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, icon_);
  ::EndPaint(Handle(), &paint);
}

// The dialog's message loop offers each message here before its own keyboard handling.
LRESULT CALLBACK CMainDlg::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && filteredWindow && lParam) {
    if (filteredWindow->PreTranslateMessage(*reinterpret_cast<MSG*>(lParam))) return TRUE;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CMainDlg::PreTranslateMessage(MSG& message) {
  const HWND window = Handle();
  if (!window || message.message != WM_KEYDOWN) return false;
  if (message.hwnd != window && !::IsChild(window, message.hwnd)) return false;
  if (message.wParam == VK_ESCAPE) {
    // Escape goes to the control alone (a dropped-down list closes), never to the dialog.
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
    return true;
  }
  return accelerators_ && ::TranslateAcceleratorW(window, accelerators_, &message);
}

}  // namespace quillon::win32ui
