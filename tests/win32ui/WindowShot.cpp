// quillon_window_shot.exe DRIVE DEST OUT.bmp: draws quillon.exe's windows into bitmaps, for the
// documentation's pictures (scripts/windows-screenshots.sh). DRIVE is a drive holding a unit's
// tree (E:); DEST an empty folder the clips are imported into, for real. The main window on
// DRIVE with its first and third clips selected, every clip marked new (OUT.bmp), the same window
// after that import, with its status line under the list and those two clips marked home
// (OUT.bmp.summary.bmp), and the progress window with the
// lines it shows during a copy (OUT.bmp.progress.bmp). Each window is copied from the screen as
// it is drawn there, frame and caption included. Any message box the windows open is closed and
// makes the run fail: the pictures are of an import that went through.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "MainWindowTestSupport.h"
#include "frontend/CopyMessage.h"
#include "frontend/TextIds.h"
#include "frontend/Texts.h"
#include "import/ImportContext.h"
#include "win32ui/CProgressDlg.h"
#include "win32ui/Settings.h"
#include "win32ui/resource.h"

namespace {

using namespace quillon;
using namespace quillon::testsupport::win32main;

// Shows the window in front, lets it draw, and writes what the screen shows of it as a 24-bit
// bottom-up .bmp; false when it cannot be copied or written.
bool Shoot(HWND window, const std::wstring& path) {
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
  Pump(300);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // With no window manager, Wine draws the caption as inactive once X has moved its focus; the
  // window being the active one, its caption is drawn so again.
  if (::GetActiveWindow() == window) ::SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
  RECT rect{};
  ::GetWindowRect(window, &rect);
  const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // positive: the bottom row first, as .bmp files have it
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  header.biSizeImage = stride * static_cast<DWORD>(height);

  const HDC screen = ::GetWindowDC(window);
  const HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  const HBITMAP bitmap =
      ::CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (memory && bitmap) {
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    copied = ::BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
    ::GdiFlush();
    ::SelectObject(memory, old);
  }
  bool written = false;
  if (copied) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(static_cast<const char*>(bits), header.biSizeImage);
    written = out.good();
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(window, screen);
  if (!written) std::fwprintf(stderr, L"quillon_window_shot: %ls could not be made\n", path.c_str());
  return written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: quillon_window_shot DRIVE DEST OUT.bmp\n");
    return 2;
  }
  // As quillon.exe starts: the import record, the copy message, the common controls, and the
  // list's dates in the user's short form.
  TheImportContext();
  win32ui::CopyMessage();
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  std::setlocale(LC_ALL, "");
  const std::wstring drive = argv[1], dest = argv[2], out = argv[3];
  // An earlier output under an import's name would bring the overwrite question, which waits.
  std::error_code error;
  if (!std::filesystem::is_empty(std::filesystem::path(dest), error) || error) {
    std::fwprintf(stderr, L"quillon_window_shot: %ls is not an empty folder\n", dest.c_str());
    return 1;
  }

  // The destination and the drive as an earlier run left them, under a key of this run's own.
  const ScopedSettingsKey key;
  if (!win32ui::WriteStoredSettings({dest, drive, {}, false}, key.Path())) {
    std::fprintf(stderr, "quillon_window_shot: the settings could not be written\n");
    return 1;
  }
  FakeDrives drives;
  drives.drives = {win32ui::FromWide(drive)};
  const RecordedMessages messages;
  int status = 0;
  {
    MainWindow window(drives, key);
    // Two clips chosen, as a user about to import them would have it.
    const std::vector<std::wstring> clips = window.ClipNames();
    if (clips.size() < 3) {
      std::fwprintf(stderr, L"quillon_window_shot: %ls holds fewer than three clips\n", drive.c_str());
      return 1;
    }
    window.SelectClips({clips[0], clips[2]});
    if (window.SelectedClipNames().size() != 2 || !window.ImportEnabled()) {
      std::fprintf(stderr, "quillon_window_shot: the clips could not be selected\n");
      return 1;
    }
    // The marks come from a look at the destination off the window thread.
    const auto marked = [&window](UINT first) {
      return WaitFor([&] {
        const std::vector<std::wstring> marks = window.Marks();
        return !marks.empty() && marks[0] == win32ui::LoadText(first) &&
               std::none_of(marks.begin(), marks.end(), [](const std::wstring& m) { return m.empty(); });
      });
    };
    if (!marked(IDS_HOME_NEW)) {
      std::fprintf(stderr, "quillon_window_shot: the clips were not marked new\n");
      status = 1;
    }
    if (!Shoot(window.hwnd(), out)) status = 1;

    // The import itself, to its end (the window takes input again), and the status line it
    // leaves under the list.
    window.Click(IDC_IMPORT);
    if (!WaitFor([&window] { return !window.dlg().ImportRunning() && ::IsWindowEnabled(window.hwnd()); }, 120000)) {
      std::fprintf(stderr, "quillon_window_shot: the import did not end\n");
      return 1;
    }
    // The status line names the folder the destination shows.
    if (!window.Shown(IDC_OPEN_FOLDER) || window.Text(IDC_SUMMARY_HEAD).find(dest) == std::wstring::npos) {
      std::fwprintf(stderr, L"quillon_window_shot: the status line does not name %ls: \"%ls\"\n", dest.c_str(),
                    window.Text(IDC_SUMMARY_HEAD).c_str());
      status = 1;
    }
    if (!marked(IDS_HOME_HOME)) {
      std::fprintf(stderr, "quillon_window_shot: the imported clips were not marked home\n");
      status = 1;
    }
    if (!Shoot(window.hwnd(), out + L".summary.bmp")) status = 1;

    // The progress window eight seconds into a copy at 5 MiB/s, with the lines it would show.
    constexpr std::uint64_t kMiB = 1 << 20;
    win32ui::CProgressDlg progress({});
    progress.SetTotal(340);
    if (!progress.Create(window.hwnd())) {
      std::fprintf(stderr, "quillon_window_shot: the progress window could not be made\n");
      return 1;
    }
    ::SendMessageW(progress.Handle(), win32ui::CopyMessage(), frontend::COPY_PROGRESS, 140);
    const ProgressEvent at{140 * kMiB, 340 * kMiB, u"HDV0001", u"HDV0001_2008-03-14_101530.M2T", 1, 3, std::nullopt};
    progress.ShowLines(frontend::ProgressLinesOf(at, frontend::TransferRate::Estimate{5.0 * kMiB, 40.0}));
    if (!Shoot(progress.Handle(), out + L".progress.bmp")) status = 1;
  }
  for (const std::wstring& text : messages.texts) {
    std::fwprintf(stderr, L"quillon_window_shot: a message box said: %ls\n", text.c_str());
    status = 1;
  }
  return status;
}
