#pragma once
// The main window (template 102): unit drive, formats, the clip list, the destination folder and
// the prefix number; Import runs the selected clips through an ImportSession, and the line under
// the list then tells what the import did. Drives are looked for again when volumes come and go.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "catalogue/UnitDrives.h"
#include "win32ui/Dialog.h"

namespace quillon::win32ui {

class ImportSession;
struct SummaryText;

// Posted to the main window to look for unit drives again.
inline constexpr UINT WM_REFRESH_DRIVES = WM_USER + 1;

struct MainDlgOptions {
  // The unit drives of this machine; the drive letters holding a unit's tree when not given.
  std::function<std::vector<std::u16string>()> findUnitDrives;
  // Delay between a volume's arrival or removal and the drive refresh it causes.
  UINT refreshDelayMs = 1000;
  // Where the settings live below HKEY_CURRENT_USER; SettingsKeyPath() when empty.
  std::wstring settingsKey;
  // The folder browser; the system's own when not given.
  std::function<std::optional<std::wstring>(HWND owner, const std::wstring& title, const std::wstring& start)>
      browseForFolder;
  // A folder to open as the source at start (quillon FOLDER), whatever drive was saved.
  std::wstring startFolder;
};

class CMainDlg : public Dialog {
 public:
  explicit CMainDlg(MainDlgOptions options = {});
  ~CMainDlg() override;

  void FillDriveCombo(bool force);
  void FillClipList();
  void LoadSettings();
  void SaveSettings();
  bool IsDestinationNtfs() const;
  void OnBrowse();
  void OnImport();
  void OnSelectAll();
  void OnClearAll();
  void OnRefresh();
  void OnAbout();
  void OnOtherFolder();
  void OnOpenFolder();

  const std::wstring& Drive() const { return drive_; }
  const std::wstring& Destination() const { return destination_; }
  const ClipCatalogue& Catalogue() const { return catalogue_; }
  // True from Import's click until the import has ended: refreshes wait for its end then.
  bool ImportRunning() const;
  bool RefreshPending() const { return refreshPending_; }
  int PrefixPosition() const;
  std::vector<std::size_t> SelectedRows() const;

 protected:
  BOOL OnInitDialog() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroyed() override;

 private:
  bool OnCommand(WORD id, WORD code);
  void OnDeviceChange(WPARAM event, LPARAM data);
  void OnDriveChange();
  void CreatePrefixSpin();
  void OnPrefixChanged();
  void UpdateImportButton();
  void UpdateNoUnitHint();
  void WarnIfNotNtfs();
  void ShowSummary(const SummaryText& summary, const std::wstring& folder);
  void AddOtherFolder(const std::wstring& folder);
  // The selected entry of the drive selector, empty when none or "Other folder...".
  std::wstring SelectedDriveEntry() const;
  int FindDriveEntry(const std::wstring& drive) const;
  std::vector<std::u16string> ListUnitDrives();
  bool IsUnitFolder(const std::wstring& folder);
  std::optional<std::wstring> Browse(const std::wstring& title, const std::wstring& start);
  LRESULT ListMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  LRESULT ComboMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  void PaintMinimised();
  // The template's layout is the smallest; beyond it the list grows, the buttons keep to the
  // right edge and the destination folder to the bottom.
  void RecordLayout();
  void FollowSize(int width, int height);

  // Accelerators and the Escape rule for the dialog's own message loop.
  static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
  bool PreTranslateMessage(MSG& message);

  MainDlgOptions options_;
  // Looks at drives off the window thread, so that a drive that does not answer cannot freeze
  // the window; a unit found too late brings a refresh.
  std::unique_ptr<UnitDriveProbe> probe_;
  std::atomic<HWND> window_{nullptr};  // for the probe's late answer, from its own thread
  std::mutex importLock_;              // window thread only; taken before catalogueLock_
  std::mutex catalogueLock_;           // window thread only
  std::wstring drive_;
  std::vector<std::wstring> otherFolders_;  // folders chosen as sources, kept for this run
  ClipCatalogue catalogue_;
  std::wstring destination_;
  std::wstring summaryFolder_;  // the folder of the last import, for "Open Folder"
  bool importing_ = false;
  bool refreshPending_ = false;
  HACCEL accelerators_ = nullptr;
  HFONT listFont_ = nullptr;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HWND prefixSpin_ = nullptr;
  int prefixPosition_ = 0;
  HHOOK messageFilter_ = nullptr;
  HBRUSH hintBrush_ = nullptr;
  struct Anchored {
    int id;
    unsigned follow;
    RECT smallest;  // in client coordinates, at the smallest size
  };
  std::vector<Anchored> anchored_;
  SIZE smallestClient_{};
  SIZE smallestWindow_{};
  std::unique_ptr<ImportSession> session_;
};

}  // namespace quillon::win32ui
