#pragma once
// The main window (template 102): unit drive, formats, the clip list with each clip's state in
// the destination, the destination folder, the second copy's folder, the ASC MHL history and the
// prefix number. Its rules are the front-end layer's (MainModel and ImportSession); this is
// their view in Win32: the controls, and the progress window, the overwrite question and the
// message boxes of an import. Drives are looked for again when volumes come and go.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/MainModel.h"
#include "frontend/WindowLayout.h"
#include "win32ui/COverwriteConfirmDialog.h"
#include "win32ui/CProgressDlg.h"
#include "win32ui/Dialog.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace quillon::win32ui {

// Posted to the main window: look for unit drives again.
inline constexpr UINT WM_REFRESH_DRIVES = WM_USER + 1;
// Posted to the main window: the import session has work for the window thread.
inline constexpr UINT WM_SESSION_WAKE = WM_USER + 2;

struct MainDlgOptions {
  // The unit drives of this machine; the drive letters holding a unit's tree when not given.
  std::function<std::vector<std::u16string>()> findUnitDrives;
  // Delay between a volume's arrival or removal and the drive refresh it causes; more changes
  // meanwhile bring one refresh.
  UINT refreshDelayMs = 1000;
  // Where the settings live below HKEY_CURRENT_USER; SettingsKeyPath() when empty.
  std::wstring settingsKey;
  // The folder browser; the system's own when not given.
  std::function<std::optional<std::wstring>(HWND owner, const std::wstring& title, const std::wstring& start)>
      browseForFolder;
  // A folder to open as the source at start (quillon FOLDER), whatever drive was saved.
  std::wstring startFolder;
  // How long the window waits for a unit's clip list before it shows that the unit is being read.
  std::chrono::milliseconds scanWait{200};
};

class CMainDlg : public Dialog, private frontend::MainView, private frontend::SessionView {
 public:
  explicit CMainDlg(MainDlgOptions options = {});
  ~CMainDlg() override;

  // The window's operations; the rules are the model's.
  void FillDriveCombo(bool force) { model_->FillDriveCombo(force); }
  void LoadSettings();
  void SaveSettings() {
    WriteStoredSettings({Destination(), Drive(), SecondCopy(), model_->KeepMhl()}, options_.settingsKey);
  }
  bool IsDestinationNtfs() const { return IsNtfsVolume(Destination()); }
  void OnBrowse();
  // The second copy's folder: its Browse chooses one, Clear leaves none.
  void OnBrowseSecondCopy();
  void OnClearSecondCopy();
  // Starts an import of the selected clips; the window takes no input until it has ended.
  void OnImport();
  void OnSelectAll() { model_->OnSelectAll(); }
  void OnSelectNew() { model_->OnSelectNew(); }
  void OnClearAll() {
    if (!ImportRunning()) model_->OnClearAll();
  }
  void OnRefresh() { model_->OnRefresh(); }
  void OnAbout();
  void OnOpenFolder();
  void OnRescue();
  void OnExit() {
    if (!ImportRunning()) End(IDOK);
  }

  std::wstring Drive() const { return Wide(model_->Drive()); }
  std::wstring Destination() const { return Wide(model_->Destination()); }
  std::wstring SecondCopy() const { return Wide(model_->SecondCopy()); }
  const ClipCatalogue& Catalogue() const { return model_->Catalogue(); }
  bool ImportRunning() const { return model_->ImportRunning(); }
  bool RefreshPending() const { return model_->RefreshPending(); }
  int PrefixPosition() const { return prefixPosition_; }
  std::vector<std::size_t> SelectedRows() const override;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroyed() override;

 private:
  bool OnCommand(WORD id, WORD code);
  void OnDeviceChange(WPARAM event, LPARAM data);
  void OnFormatClicked();
  void OnMhlClicked() { model_->SetKeepMhl(::IsDlgButtonChecked(Handle(), IDC_MHL) == BST_CHECKED); }
  void ShowSecondCopy();
  // A row's text in the list: the clip's row, then its mark after a tab.
  std::wstring ListLine(std::size_t row) const;
  void OnPrefixChanged();
  void WarnIfNotNtfs();
  std::optional<std::wstring> Browse(const std::wstring& title, const std::wstring& start);
  LRESULT ListMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  LRESULT ComboMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  // "Open Folder" as wide as its text needs, the status line ending before it.
  void FitOpenFolder();
  void FitSummary();
  // The template's layout is the smallest; beyond it the list grows, the buttons keep to the
  // right edge and the destination folder to the bottom.
  void RecordLayout();
  void FollowSize(int width, int height);

  // Accelerators, the Escape rule and the progress window's keys, for the dialogs' message loops.
  static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
  bool PreTranslateMessage(MSG& message);

  // frontend::MainView
  void ShowDrives(const std::vector<std::u16string>& drives, int selected) override;
  void SelectDrive(int index) override { ComboMessage(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  void ShowClips(const std::vector<std::u16string>& rows, const std::vector<bool>& selected) override;
  void SelectAllRows(bool selected) override { ListMessage(LB_SETSEL, selected, -1); }  // -1: every row at once
  void SelectRows(const std::vector<bool>& selected) override;
  void ShowHomeMarks(const std::vector<frontend::Message>& marks) override;
  void EnableImport(bool enabled) override { ::EnableWindow(Item(IDC_IMPORT), enabled); }
  void ShowHint(const frontend::Message& hint) override;
  void ClearSummary() override;
  std::optional<std::u16string> BrowseForUnitFolder(const std::u16string& start) override;

  // frontend::SessionView
  void ShowNotice(const frontend::Notice& notice) override;
  void ShowFailure(const frontend::Notice& notice, const ClipFailure&) override { ShowNotice(notice); }
  void OpenProgress(std::uint64_t barTotal) override;
  void ShowProgress(const frontend::ProgressFigures& figures) override;
  void CloseProgress() override { progress_.End(IDOK); }
  void AskOverwrite(const OverwriteQuestion& question) override;
  void WithdrawQuestion() override {
    if (question_) question_->End(IDCANCEL);
  }
  void Ended(const ImportOutcome& outcome, const std::optional<frontend::Summary>& summary) override;

  MainDlgOptions options_;
  std::atomic<HWND> window_{nullptr};  // for what other threads post to the window
  std::wstring summaryFolder_;         // the folder of the last import, for "Open Folder"
  HACCEL accelerators_ = nullptr;
  HFONT listFont_ = nullptr;
  std::vector<std::wstring> rows_;   // the list's rows as the model gave them
  std::vector<std::wstring> marks_;  // and the mark beside each, empty while not known
  int prefixPosition_ = 0;
  HHOOK messageFilter_ = nullptr;
  struct Anchored {
    int id;
    unsigned follow;                // frontend::Follow
    frontend::LayoutRect smallest;  // in client coordinates, at the smallest size
  };
  std::vector<Anchored> anchored_;
  SIZE smallestClient_{};
  SIZE smallestWindow_{};
  CProgressDlg progress_;
  COverwriteConfirmDialog* question_ = nullptr;  // while the overwrite question is open
  // Last, so that it goes first: it stops and waits for an import while the window is whole.
  std::unique_ptr<frontend::MainModel> model_;
};

}  // namespace quillon::win32ui
