#include "win32ui/CMainDlg.h"

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>

#include "frontend/CopyMessage.h"
#include "frontend/TextIds.h"
#include "frontend/WindowLayout.h"
#include "win32ui/CAboutDlg.h"
#include "win32ui/FolderBrowser.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

using namespace frontend;

namespace {

// The main window whose dialog loop the message filter serves (one per thread).
thread_local CMainDlg* filteredWindow = nullptr;

}  // namespace

CMainDlg::CMainDlg(MainDlgOptions options)
    : Dialog(IDD_MAIN), options_(std::move(options)), progress_([this] { model_->Session().Cancel(); }) {
  if (options_.settingsKey.empty()) options_.settingsKey = SettingsKeyPath();
  // What other threads ask of the window comes as a posted message.
  const auto post = [this](UINT message) {
    return [this, message] {
      if (const HWND window = window_.load()) ::PostMessageW(window, message, 0, 0);
    };
  };
  MainModelOptions model;
  model.findUnitDrives = options_.findUnitDrives;
  model.refreshLater = post(WM_REFRESH_DRIVES);
  // The window hears of volumes itself (WM_DEVICECHANGE); the model waits for them to settle.
  model.refreshDelay = std::chrono::milliseconds(options_.refreshDelayMs);
  model.scanWait = options_.scanWait;
  model.browseStart = FromWide(GetDefaultDestination());
  model.session.idle = [this] {  // the import is over: the window takes input again
    ::EnableWindow(Handle(), TRUE);
    if (::IsWindowVisible(Handle())) ::SetForegroundWindow(Handle());
    // Disabled, the window lost the keyboard focus; the list, where the user chooses, takes it.
    ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_CLIP_LIST)), TRUE);
  };
  model_ = std::make_unique<MainModel>(static_cast<MainView&>(*this), static_cast<SessionView&>(*this),
                                       post(WM_SESSION_WAKE), std::move(model));
}

CMainDlg::~CMainDlg() {
  // The window goes first (its settings saved), then the model, which stops and waits for an
  // import while the rest is whole.
  if (Handle()) ::DestroyWindow(Handle());
  model_.reset();
}

BOOL CMainDlg::OnInitDialog() {
  const HWND window = Handle();
  window_ = window;
  ::SendDlgItemMessageW(window, IDC_HDV, BM_SETCHECK, model_->Hdv() ? BST_CHECKED : BST_UNCHECKED, 0);
  ::SendDlgItemMessageW(window, IDC_DV, BM_SETCHECK, model_->Dv() ? BST_CHECKED : BST_UNCHECKED, 0);
  ::SendDlgItemMessageW(window, IDC_PREFIX, EM_LIMITTEXT, 2, 0);

  if (HMENU menu = ::GetSystemMenu(window, FALSE)) {
    const std::wstring about = LoadText(IDS_ABOUTBOX);
    if (!about.empty()) {
      ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
  }
  // Icons of the system's sizes, shared: they last as long as the program.
  for (const auto& [which, size] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int pixels = ::GetSystemMetrics(size);
    const HANDLE icon =
        ::LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, pixels, pixels, LR_SHARED);
    ::SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
  }
  ::SetWindowTextW(window, LoadText(IDS_TITLE).c_str());
  // The up-down control takes the edit before it as its buddy and shows its position there.
  ::SendDlgItemMessageW(window, IDC_PREFIX_SPIN, UDM_SETRANGE32, 0, 99);
  SetItemText(IDC_PREFIX, std::to_wstring(prefixPosition_));

  accelerators_ = ::LoadAcceleratorsW(ResourceModule(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
  filteredWindow = this;
  messageFilter_ = ::SetWindowsHookExW(WH_MSGFILTER, &CMainDlg::MessageFilter, nullptr, ::GetCurrentThreadId());

  // The list's font before its first rows: the marks' column is set in its characters.
  listFont_ = ::CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, L"MS Gothic");
  if (listFont_) ::SendDlgItemMessageW(window, IDC_CLIP_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_), TRUE);

  LoadSettings();
  SetItemText(IDC_DESTINATION, Destination());
  ShowSecondCopy();
  ::CheckDlgButton(window, IDC_MHL, model_->KeepMhl() ? BST_CHECKED : BST_UNCHECKED);
  model_->SetPrefix(prefixPosition_);
  WarnIfNotNtfs();
  FillDriveCombo(true);

  FitOpenFolder();
  RecordLayout();
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

void CMainDlg::FitOpenFolder() {
  // The Japanese text needs more room than the template gives.
  const RECT button = WidenToText(IDC_OPEN_FOLDER);
  for (int id : {IDC_SUMMARY_HEAD, IDC_SUMMARY_FIGURES}) EndBefore(id, button.left);
}

void CMainDlg::RecordLayout() {
  const struct {
    unsigned follow;
    std::initializer_list<int> ids;
  } kAnchors[] = {
      {kWiden, {IDC_SOURCE_GROUP, IDC_DRIVE, IDC_SELECT_LABEL}},
      {kWiden | kHeighten, {IDC_CLIP_LIST, IDC_NO_UNIT_HINT}},
      {kMoveRight, {IDC_IMPORT, IDOK, IDC_VERSION, IDC_SELECT_ALL, IDC_SELECT_NEW, IDC_CLEAR_ALL, IDC_REFRESH}},
      {kMoveDown | kWiden,
       {IDC_SUMMARY_HEAD, IDC_SUMMARY_FIGURES, IDC_DESTINATION_GROUP, IDC_DESTINATION, IDC_SECOND_COPY, IDC_MHL_NOTE,
        IDC_PREFIX_HINT}},
      {kMoveDown | kMoveRight, {IDC_OPEN_FOLDER, IDC_BROWSE, IDC_SECOND_CLEAR, IDC_SECOND_BROWSE}},
      {kMoveDown, {IDC_PREFIX_LABEL, IDC_PREFIX, IDC_PREFIX_SPIN, IDC_SECOND_COPY_LABEL, IDC_MHL}},
  };
  anchored_.clear();
  for (const auto& [follow, ids] : kAnchors) {
    for (const int id : ids) {
      RECT rect = ItemRect(id);
      // A drop-down list's height is that of its open list, not of the closed box.
      RECT dropped{};
      if (id == IDC_DRIVE && ComboMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped))) {
        rect.bottom = rect.top + (dropped.bottom - dropped.top);
      }
      anchored_.push_back({id, follow, {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}});
    }
  }
  RECT client{}, window{};
  ::GetClientRect(Handle(), &client);
  ::GetWindowRect(Handle(), &window);
  smallestClient_ = {client.right, client.bottom};
  smallestWindow_ = {window.right - window.left, window.bottom - window.top};
}

void CMainDlg::FollowSize(int width, int height) {
  if (anchored_.empty()) return;
  HDWP moves = ::BeginDeferWindowPos(static_cast<int>(anchored_.size()));
  for (const Anchored& a : anchored_) {
    if (!moves) break;
    const LayoutRect r = Followed(a.smallest, a.follow, width - smallestClient_.cx, height - smallestClient_.cy);
    moves = ::DeferWindowPos(moves, Item(a.id), nullptr, r.x, r.y, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (moves) ::EndDeferWindowPos(moves);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CMainDlg::OnPrefixChanged() {
  // The number typed or stepped to; an edit without a number (emptied) leaves the last one.
  const std::wstring text = ItemText(IDC_PREFIX);
  if (text.empty() || text.size() > 2 || !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) return;
  prefixPosition_ = std::stoi(text);
  model_->SetPrefix(prefixPosition_);  // the marks name the outputs as this prefix would
}

LRESULT CMainDlg::ListMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageW(Handle(), IDC_CLIP_LIST, message, wParam, lParam);
}

LRESULT CMainDlg::ComboMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendDlgItemMessageW(Handle(), IDC_DRIVE, message, wParam, lParam);
}

// The drives in the model's order (the selector does not sort), then "Other folder..." last.
void CMainDlg::ShowDrives(const std::vector<std::u16string>& drives, int selected) {
  ComboMessage(CB_RESETCONTENT);
  for (const std::u16string& drive : drives) {
    ComboMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(drive).c_str()));
  }
  ComboMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(IDS_OTHER_FOLDER).c_str()));
  SelectDrive(selected);
}

void CMainDlg::ShowClips(const std::vector<std::u16string>& rows, const std::vector<bool>& selected) {
  rows_.clear();
  for (const std::u16string& row : rows) rows_.push_back(Wide(row));
  marks_.assign(rows_.size(), {});
  // The marks stand in a column of their own, three characters past the longest row: the list's
  // font has a fixed pitch, and its tab stops count quarters of a character.
  std::size_t longest = 0;
  for (const std::wstring& row : rows_) longest = std::max(longest, row.size());
  int tabStop = static_cast<int>(4 * (longest + 3));
  ListMessage(LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStop));
  ListMessage(WM_SETREDRAW, FALSE);
  ListMessage(LB_RESETCONTENT);
  for (std::size_t k = 0; k < rows_.size(); ++k) {
    const LRESULT row = ListMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rows_[k].c_str()));
    if (row >= 0 && k < selected.size() && selected[k]) ListMessage(LB_SETSEL, TRUE, row);
  }
  ListMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(Item(IDC_CLIP_LIST), nullptr, TRUE);
}

std::wstring CMainDlg::ListLine(std::size_t row) const {
  if (marks_[row].empty()) return rows_[row];
  return rows_[row] + L'\t' + marks_[row];
}

void CMainDlg::ShowHomeMarks(const std::vector<Message>& marks) {
  std::vector<std::wstring> texts(rows_.size());
  for (std::size_t k = 0; k < texts.size() && k < marks.size(); ++k) texts[k] = Tr(marks[k]);
  if (texts == marks_) return;
  marks_ = std::move(texts);
  // Each row is put again with its mark; its selection, the caret, the anchor and the first row
  // shown stay as they were.
  const LRESULT top = ListMessage(LB_GETTOPINDEX), caret = ListMessage(LB_GETCARETINDEX),
                anchor = ListMessage(LB_GETANCHORINDEX);
  ListMessage(WM_SETREDRAW, FALSE);
  for (std::size_t k = 0; k < rows_.size(); ++k) {
    const bool selected = ListMessage(LB_GETSEL, k) > 0;
    ListMessage(LB_DELETESTRING, k);
    ListMessage(LB_INSERTSTRING, k, reinterpret_cast<LPARAM>(ListLine(k).c_str()));
    if (selected) ListMessage(LB_SETSEL, TRUE, static_cast<LPARAM>(k));
  }
  if (anchor >= 0) ListMessage(LB_SETANCHORINDEX, static_cast<WPARAM>(anchor));
  if (caret >= 0) ListMessage(LB_SETCARETINDEX, static_cast<WPARAM>(caret), FALSE);
  if (top >= 0) ListMessage(LB_SETTOPINDEX, static_cast<WPARAM>(top));
  ListMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(Item(IDC_CLIP_LIST), nullptr, TRUE);
}

void CMainDlg::SelectRows(const std::vector<bool>& selected) {
  ListMessage(LB_SETSEL, FALSE, -1);
  for (std::size_t k = 0; k < selected.size(); ++k) {
    if (selected[k]) ListMessage(LB_SETSEL, TRUE, static_cast<LPARAM>(k));
  }
}

std::vector<std::size_t> CMainDlg::SelectedRows() const {
  const LRESULT count = ListMessage(LB_GETSELCOUNT);
  if (count <= 0) return {};
  std::vector<int> rows(static_cast<std::size_t>(count));
  const LRESULT got = ListMessage(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rows.data()));
  rows.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return std::vector<std::size_t>(rows.begin(), rows.end());
}

void CMainDlg::ShowHint(const Message& hint) {
  SetItemText(IDC_NO_UNIT_HINT, Tr(hint));
  ::ShowWindow(Item(IDC_NO_UNIT_HINT), hint.Empty() ? SW_HIDE : SW_SHOWNA);
}

void CMainDlg::ClearSummary() {
  SetItemText(IDC_SUMMARY_HEAD, {});
  SetItemText(IDC_SUMMARY_FIGURES, {});
  summaryFolder_.clear();
  ::ShowWindow(Item(IDC_OPEN_FOLDER), SW_HIDE);
  ::ShowWindow(Item(IDC_RESCUE), SW_HIDE);
  FitSummary();
}

std::optional<std::u16string> CMainDlg::BrowseForUnitFolder(const std::u16string& start) {
  const std::optional<std::wstring> chosen = Browse(LoadText(IDS_CHOOSE_UNIT_FOLDER), Wide(start));
  if (!chosen) return std::nullopt;
  return FromWide(DriveEntryOf(*chosen));
}

void CMainDlg::OnFormatClicked() {
  const bool hdv = ::IsDlgButtonChecked(Handle(), IDC_HDV) == BST_CHECKED;
  const bool dv = ::IsDlgButtonChecked(Handle(), IDC_DV) == BST_CHECKED;
  // The formats chosen are those of the listed clips: no change while an import runs.
  if (model_->SetFormats(hdv, dv)) return;
  ::CheckDlgButton(Handle(), IDC_HDV, model_->Hdv() ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(Handle(), IDC_DV, model_->Dv() ? BST_CHECKED : BST_UNCHECKED);
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
  const std::wstring start = options_.startFolder.empty() ? std::wstring() : DriveEntryOf(options_.startFolder);
  model_->Restore(FromWide(stored.drive), FromWide(stored.destination), FromWide(start));
  model_->SetSecondCopy(FromWide(stored.secondCopy));
  model_->SetKeepMhl(stored.keepMhl);
}

// A warning only: the destination stays as it is.
void CMainDlg::WarnIfNotNtfs() {
  if (!IsDestinationNtfs()) ShowMessage(Handle(), LoadText(IDS_NOT_NTFS), MB_OK | MB_ICONEXCLAMATION);
}

void CMainDlg::OnBrowse() {
  if (ImportRunning()) return;
  // "Source folder" titles the choice of the destination: the program's own wording, kept.
  const std::optional<std::wstring> chosen = Browse(LoadText(IDS_BROWSE_TITLE), Destination());
  if (!chosen || chosen->empty()) return;
  model_->SetDestination(FromWide(*chosen));
  SetItemText(IDC_DESTINATION, *chosen);
  WarnIfNotNtfs();
}

void CMainDlg::OnBrowseSecondCopy() {
  if (ImportRunning()) return;
  const std::wstring start = SecondCopy().empty() ? Destination() : SecondCopy();
  const std::optional<std::wstring> chosen = Browse(LoadText(IDS_SECOND_COPY_TITLE), start);
  if (!chosen || chosen->empty()) return;
  model_->SetSecondCopy(FromWide(*chosen));
  ShowSecondCopy();
}

void CMainDlg::OnClearSecondCopy() {
  if (ImportRunning()) return;
  model_->SetSecondCopy({});
  ShowSecondCopy();
}

// The folder, or "None"; Clear only while there is one to clear (the keys move on to Browse).
void CMainDlg::ShowSecondCopy() {
  const std::wstring folder = SecondCopy();
  SetItemText(IDC_SECOND_COPY, folder.empty() ? LoadText(IDS_NO_SECOND_COPY) : folder);
  const HWND clear = Item(IDC_SECOND_CLEAR);
  if (folder.empty() && ::GetFocus() == clear) {
    ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_SECOND_BROWSE)), TRUE);
  }
  ::EnableWindow(clear, !folder.empty());
}

void CMainDlg::OnImport() {
  // Until the import has ended, its progress window, the question and the message boxes take
  // the input, the main window none.
  if (model_->OnImport(PrefixPosition())) ::EnableWindow(Handle(), FALSE);
}

void CMainDlg::ShowNotice(const Notice& notice) {
  std::wstring text = Tr(notice.text);
  if (!notice.detail.Empty()) text += L"\n\n" + Tr(notice.detail);
  UINT icon = MB_ICONWARNING;
  if (notice.icon != Notice::Icon::Warning) {
    icon = notice.icon == Notice::Icon::Information ? MB_ICONINFORMATION : 0;
  }
  // Owned by the main window, which takes no input meanwhile: the box stays, whenever the
  // progress window closes.
  ShowMessage(Handle(), text, MB_OK | icon);
}

void CMainDlg::OpenProgress(std::uint64_t barTotal) {
  progress_.SetTotal(barTotal);
  if (progress_.Create(Handle())) {
    ::ShowWindow(progress_.Handle(), SW_SHOW);
  } else {
    model_->Session().Cancel();  // nothing may run unseen, without a Cancel to press
  }
}

void CMainDlg::ShowProgress(const ProgressFigures& figures) {
  const HWND window = progress_.Handle();
  if (!window) return;
  if (figures.barAdded > 0) {
    ::SendMessageW(window, CopyMessage(), COPY_PROGRESS, static_cast<LPARAM>(figures.barAdded));
  }
  progress_.ShowLines(figures.lines);
}

void CMainDlg::AskOverwrite(const OverwriteQuestion& asked) {
  COverwriteConfirmDialog question;
  question_ = &question;
  const int code = question.AskOverwrite(asked);
  question_ = nullptr;
  model_->Session().Answer(AnswerOf(code));  // nothing once withdrawn
}

void CMainDlg::Ended(const ImportOutcome&, const std::optional<Summary>& summary) {
  if (!summary) return;
  SetItemText(IDC_SUMMARY_HEAD, Tr(summary->head));
  SetItemText(IDC_SUMMARY_FIGURES, Tr(summary->figures));
  summaryFolder_ = Wide(summary->head.args.back().verbatim);  // the head's last argument
  ::ShowWindow(Item(IDC_OPEN_FOLDER), SW_SHOW);
  SetItemText(IDC_RESCUE, Tr(summary->rescueOffer));
  ::ShowWindow(Item(IDC_RESCUE), summary->rescueOffer.Empty() ? SW_HIDE : SW_SHOW);
  FitSummary();
}

void CMainDlg::FitSummary() {
  // The summary's lines end before the buttons of its row; the offer to rescue, when shown,
  // stands as wide as its text just before "Open Folder".
  RECT client{};
  ::GetClientRect(Handle(), &client);
  FollowSize(client.right, client.bottom);
  if (!(::GetWindowLongW(Item(IDC_RESCUE), GWL_STYLE) & WS_VISIBLE)) return;
  RECT gap{4, 0, 0, 0};
  ::MapDialogRect(Handle(), &gap);
  const RECT folder = ItemRect(IDC_OPEN_FOLDER);
  RECT rescue = WidenToText(IDC_RESCUE);
  const LONG width = rescue.right - rescue.left;
  rescue.right = folder.left - gap.left;
  rescue.left = rescue.right - width;
  ::SetWindowPos(Item(IDC_RESCUE), nullptr, rescue.left, folder.top, width, folder.bottom - folder.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  for (int id : {IDC_SUMMARY_HEAD, IDC_SUMMARY_FIGURES}) EndBefore(id, rescue.left);
}

void CMainDlg::OnRescue() {
  if (model_->OnRescue()) ::EnableWindow(Handle(), FALSE);
}

void CMainDlg::OnOpenFolder() {
  if (summaryFolder_.empty()) return;
  const auto opened = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(Handle(), L"open", summaryFolder_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (opened <= 32) {
    ShowMessage(Handle(), Tr(Text(IDS_OPEN_FOLDER_FAILED, {Verbatim(FromWide(summaryFolder_))})),
                MB_OK | MB_ICONEXCLAMATION);
  }
}

void CMainDlg::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header && header->dbch_devicetype == DBT_DEVTYP_VOLUME) model_->OnVolumeChange();
}

bool CMainDlg::OnCommand(WORD id, WORD code) {
  // Buttons and accelerators by their ids; Escape (IDCANCEL) leaves the main window as it is.
  static constexpr std::pair<WORD, void (CMainDlg::*)()> kCommands[] = {
      {IDOK, &CMainDlg::OnExit},
      {IDCANCEL, nullptr},
      {IDC_IMPORT, &CMainDlg::OnImport},
      {IDC_BROWSE, &CMainDlg::OnBrowse},
      {IDC_SELECT_ALL, &CMainDlg::OnSelectAll},
      {IDC_SELECT_NEW, &CMainDlg::OnSelectNew},
      {IDC_SECOND_BROWSE, &CMainDlg::OnBrowseSecondCopy},
      {IDC_SECOND_CLEAR, &CMainDlg::OnClearSecondCopy},
      {IDC_MHL, &CMainDlg::OnMhlClicked},
      {ID_EDIT_SELECT_ALL, &CMainDlg::OnSelectAll},
      {IDC_CLEAR_ALL, &CMainDlg::OnClearAll},
      {IDC_REFRESH, &CMainDlg::OnRefresh},
      {IDC_HDV, &CMainDlg::OnFormatClicked},
      {IDC_DV, &CMainDlg::OnFormatClicked},
      {IDC_VERSION, &CMainDlg::OnAbout},
      {IDC_OPEN_FOLDER, &CMainDlg::OnOpenFolder},
      {IDC_RESCUE, &CMainDlg::OnRescue},
  };
  for (const auto& [command, run] : kCommands) {
    if (command != id) continue;
    if (run) (this->*run)();
    return true;
  }
  // The other controls by what they tell.
  if (id == IDC_CLIP_LIST && code == LBN_SELCHANGE) model_->OnSelectionChanged();
  if (id == IDC_DRIVE && code == CBN_SELCHANGE) model_->OnDriveChosen(static_cast<int>(ComboMessage(CB_GETCURSEL)));
  if (id == IDC_PREFIX && code == EN_CHANGE) OnPrefixChanged();
  return id == IDC_CLIP_LIST || id == IDC_DRIVE || id == IDC_PREFIX;
}

bool CMainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (message) {
    case WM_SESSION_WAKE:
      model_->Drain();
      return true;
    case WM_REFRESH_DRIVES:
      FillDriveCombo(false);
      return true;
    case WM_DEVICECHANGE:
      OnDeviceChange(wParam, lParam);
      return false;  // the default processing answers
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return true;
      }
      return false;
    case WM_CLOSE:  // the close box, Alt+F4
      if (!ImportRunning()) End(IDCANCEL);
      return true;
    case WM_DESTROY:
      SaveSettings();
      return false;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) FitSummary();
      return false;
    case WM_GETMINMAXINFO:
      if (smallestWindow_.cx <= 0) return false;
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {smallestWindow_.cx, smallestWindow_.cy};
      return true;
    case WM_CTLCOLORSTATIC:
      // The hint lies over the empty list and takes its colours, its text greyed.
      if (reinterpret_cast<HWND>(lParam) != Item(IDC_NO_UNIT_HINT)) return false;
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_GRAYTEXT));
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
      result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
      return true;
    default:
      return false;
  }
}

// The dialogs' message loops offer each message here before their own keyboard handling.
LRESULT CALLBACK CMainDlg::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && filteredWindow && lParam) {
    if (filteredWindow->PreTranslateMessage(*reinterpret_cast<MSG*>(lParam))) return TRUE;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CMainDlg::PreTranslateMessage(MSG& message) {
  // The progress window is modeless: its keys (Escape, Tab) get its own dialog handling, which
  // offers the message here again.
  static thread_local bool offering = false;
  const HWND progress = progress_.Handle();
  if (progress && !offering && (message.hwnd == progress || ::IsChild(progress, message.hwnd))) {
    offering = true;
    const bool handled = ::IsDialogMessageW(progress, &message);
    offering = false;
    return handled;
  }
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
