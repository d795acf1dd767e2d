#include <windows.h>
#include <dbt.h>

#include <future>
#include <system_error>
#include <thread>

#include "platform/Text.h"
#include "platform/Volumes.h"
#include "platform/win32/ErrorMode.h"
#include "platform/win32/VolumeNames.h"
#include "platform/win32/Wide.h"

namespace quillon::platform {

namespace win32 {

std::vector<std::u16string> DriveNames(std::u16string_view strings) {
  std::vector<std::u16string> names;
  while (!strings.empty() && strings.front() != u'\0') {
    const auto end = strings.find(u'\0');
    std::u16string_view root = strings.substr(0, end);
    if (root.size() > 1 && root.back() == u'\\') root.remove_suffix(1);
    names.emplace_back(root);
    if (end == std::u16string_view::npos) break;
    strings.remove_prefix(end + 1);
  }
  return names;
}

bool IsFatFamily(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper == "FAT" || upper == "FAT12" || upper == "FAT16" || upper == "FAT32";
}

std::u16string DriveRoot(std::u16string_view drive) {
  std::u16string root(drive);
  if (root.empty() || root.back() != u'\\') root += u'\\';
  return root;
}

}  // namespace win32

namespace {

using win32::Wide;

// The file-system name of the volume whose root is given ("E:\").
std::optional<std::string> FileSystemName(const std::u16string& root) {
  win32::NoCriticalErrorBoxes quiet;
  wchar_t name[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(Wide(root), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1))
    return std::nullopt;
  return ToUtf8(win32::FromWide(name));
}

}  // namespace

std::vector<Volume> ListVolumes() {
  std::u16string strings;
  // The list can grow between the two calls (a drive arrives): ask again until it fits.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD needed = ::GetLogicalDriveStringsW(0, nullptr);
    if (needed == 0) return {};
    strings.assign(needed + 1, u'\0');
    const DWORD got = ::GetLogicalDriveStringsW(needed, reinterpret_cast<wchar_t*>(strings.data()));
    if (got == 0) return {};
    if (got < needed) {
      strings.resize(got + 1);
      break;
    }
    strings.clear();
  }
  std::vector<Volume> volumes;
  for (std::u16string& name : win32::DriveNames(strings)) {
    Volume volume;
    const std::u16string root = win32::DriveRoot(name);
    volume.root = std::move(name);
    // The drive's type comes from the system's own tables, without a look at the medium. A
    // network drive whose server is gone hangs every look, and a letter without a volume has
    // nothing to look at: neither is asked anything. The others are not asked for their file
    // system either: a failing disk can hang that question, and the list is made on the window
    // thread, while drive detection looks at each drive on a thread of its own, with a bound.
    const UINT type = ::GetDriveTypeW(Wide(root));
    volume.local = type != DRIVE_REMOTE && type != DRIVE_NO_ROOT_DIR && type != DRIVE_UNKNOWN;
    volumes.push_back(std::move(volume));
  }
  return volumes;
}

std::optional<std::string> VolumeType(const std::u16string& path) {
  if (path.empty()) return std::nullopt;
  win32::NoCriticalErrorBoxes quiet;
  // A drive name alone ("E:") stands for its root, not for the working folder on that drive.
  const std::u16string asked = path.size() == 2 && path[1] == u':' ? win32::DriveRoot(path) : path;
  wchar_t root[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(Wide(asked), root, MAX_PATH + 1)) return std::nullopt;
  return FileSystemName(win32::FromWide(root));
}

bool CanHoldLargeFiles(const std::u16string& path) {
  const auto type = VolumeType(path);
  return type && !win32::IsFatFamily(*type);
}

// A hidden top-level window on a thread of its own: WM_DEVICECHANGE for volumes is broadcast
// to top-level windows only (a message-only window would never see it).
struct VolumeChangeWatch::Impl {
  std::function<void()> changed;
  std::thread thread;
  DWORD threadId = 0;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
      if (auto* impl = reinterpret_cast<Impl*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) impl->changed();
      return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  // Runs on the watch's thread: makes the window, tells whether it exists, then takes messages
  // until WM_QUIT.
  void Run(std::promise<bool>& ready) {
    static constexpr wchar_t kClassName[] = L"QuillonVolumeChangeWatch";
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      ready.set_value(false);
      return;
    }
    HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, this);
    if (!window) {
      ready.set_value(false);
      return;
    }
    threadId = ::GetCurrentThreadId();
    ready.set_value(true);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::DestroyWindow(window);
  }
};

VolumeChangeWatch::VolumeChangeWatch(std::function<void()> changed, const std::string& source)
    : impl_(std::make_unique<Impl>()) {
  // Windows has one set of volumes; another source cannot be watched.
  if (!source.empty()) {
    impl_.reset();
    return;
  }
  impl_->changed = std::move(changed);
  std::promise<bool> ready;
  std::future<bool> made = ready.get_future();
  try {
    impl_->thread = std::thread([impl = impl_.get(), ready = std::move(ready)]() mutable { impl->Run(ready); });
  } catch (const std::system_error&) {  // no thread to spare: nothing is watched
    impl_.reset();
    return;
  }
  if (!made.get()) {
    impl_->thread.join();
    impl_.reset();
  }
}

VolumeChangeWatch::~VolumeChangeWatch() {
  if (!impl_) return;
  ::PostThreadMessageW(impl_->threadId, WM_QUIT, 0, 0);
  impl_->thread.join();
}

bool VolumeChangeWatch::Watching() const { return impl_ != nullptr; }

}  // namespace quillon::platform
