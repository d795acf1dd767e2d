// The file system of a Windows machine.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Wildcard.h"
#include "platform/win32/ErrorMode.h"
#include "platform/win32/VolumeNames.h"
#include "platform/win32/Wide.h"

namespace quillon::platform {

namespace {

using win32::FromWide;

// Files of a FAT-family volume end 1 byte short of 4 GiB.
constexpr std::uint64_t kFatMaxFileSize = 0xFFFF'FFFFull;
// Room kept for the random part and the suffix of a temporary name within the 255-unit limit.
constexpr std::size_t kTempNameStemUnits = 200;
constexpr int kMaxTempAttempts = 64;
constexpr int kMaxAncestors = 4096;
// An output's bytes are flushed to the disk each time this many more have been written.
constexpr std::uint64_t kHandOverBytes = 8u << 20;
// Paths from this length on take the \\?\ form. MAX_PATH is 260 with the nul, and a folder's
// path must leave room for an 8.3 name below it (248); a little margin covers "\*".
constexpr std::size_t kLongPath = 240;
// 100-nanosecond ticks from 1601-01-01 (FILETIME's start) to 1970-01-01.
constexpr std::int64_t kUnixEpochTicks = 116'444'736'000'000'000;
constexpr std::int64_t kTicksPerSecond = 10'000'000;
// "An operation is not supported on a directory."; older SDK headers lack the name.
constexpr DWORD kErrorDirectoryNotSupported = 336;
// Unbuffered reads need sector-aligned offsets, sizes and memory; 4096 serves 512 and 4096-byte
// sectors alike.
constexpr std::size_t kSectorAlign = 4096;
constexpr std::size_t kReadBackBlock = 1u << 20;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Notes the system's last error as the thread's last error; answers what a failed call answers.
bool Failed() {
  SetLastError(static_cast<int>(::GetLastError()));
  return false;
}

bool Fail(DWORD code) {
  SetLastError(static_cast<int>(code));
  return false;
}

// Windows hides a file by its attribute alone: a leading dot is an ordinary name here.
bool IsHidden(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_HIDDEN) != 0; }

// A reparse point that stands for another name: a symbolic link or a junction.
bool IsLinkTag(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(tag);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// folder, the separator and name; a folder that ends in a separator (a drive's root) gets none.
std::u16string Child(const std::u16string& folder, std::u16string_view name) {
  std::u16string path = folder;
  if (path.empty() || !IsSeparator(static_cast<wchar_t>(path.back()))) path += kSeparator;
  path += name;
  return path;
}

// The absolute path in the \\?\ form, in which the system takes every character as it is and
// lifts the MAX_PATH limit. GetFullPathNameW first resolves "." and ".." by text, which the
// \\?\ form would not.
std::optional<std::wstring> ExtendedPath(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\")) return path;
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return Failed(), std::nullopt;
  std::wstring full(size, L'\0');
  const DWORD n = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return Fail(ERROR_INVALID_NAME), std::nullopt;  // or the working folder changed
  full.resize(n);
  if (full.starts_with(L"\\\\.\\")) return Fail(ERROR_INVALID_NAME), std::nullopt;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The path as the system takes it: separators made backslashes, a bare drive "E:" made its root,
// a long path in the \\?\ form. A path holding a nul names nothing (the system would cut it
// short), and device names (\\.\) are never files of ours.
std::optional<std::wstring> SystemPath(std::u16string_view path) {
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return Fail(ERROR_INVALID_NAME), std::nullopt;
  std::wstring text(path.begin(), path.end());
  if (text.starts_with(L"\\\\?\\")) return text;
  std::replace(text.begin(), text.end(), L'/', L'\\');
  if (text.starts_with(L"\\\\.\\")) return Fail(ERROR_INVALID_NAME), std::nullopt;
  if (text.size() == 2 && text[1] == L':') text += L'\\';
  if (text.size() < kLongPath) return text;
  return ExtendedPath(text);
}

// A name that the system keeps as it is, in the folder it is given for: no separators, no
// stream colon, no wildcard or control characters, no trailing dot or space (which Windows
// drops), and no device name such as CON or LPT1.
bool IsPlainName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u".." || name.back() == u'.' || name.back() == u' ') return false;
  for (const char16_t c : name) {
    if (c < 0x20 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos) return false;
  }
  std::u16string base(name.substr(0, name.find(u'.')));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  for (char16_t& c : base) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return false;
  if (base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT"))) {
    const char16_t n = base[3];
    if ((n >= u'0' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3') return false;
  }
  return true;
}

std::int64_t SecondsOf(const FILETIME& time) {
  const auto ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  const std::int64_t since1970 = ticks - kUnixEpochTicks;
  // Rounded down, so that a time before 1970 keeps its whole second.
  return since1970 / kTicksPerSecond - (since1970 % kTicksPerSecond < 0 ? 1 : 0);
}

std::optional<FILETIME> FileTimeOf(std::int64_t seconds) {
  constexpr std::int64_t kEarliest = -kUnixEpochTicks / kTicksPerSecond;
  constexpr std::int64_t kLatest = (INT64_MAX - kUnixEpochTicks) / kTicksPerSecond;
  if (seconds < kEarliest || seconds > kLatest) return std::nullopt;
  const auto ticks = static_cast<std::uint64_t>(seconds * kTicksPerSecond + kUnixEpochTicks);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

FileId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// A handle closed by its destructor.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  bool Reset() {
    const bool closed = !Valid() || ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// Opens what path leads to for its attributes alone, which no other opener's sharing can block;
// a folder too, and with entryItself a link as itself.
Handle OpenForStatus(const std::wstring& path, bool entryItself) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (entryItself ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  return Handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

std::optional<FileId> IdOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return Failed(), std::nullopt;
  return IdOf(info);
}

// The path of the open file or folder with every link resolved: "\\?\C:\..." or "\\?\UNC\...".
std::optional<std::wstring> FinalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return Failed(), std::nullopt;
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.assign(n, L'\0');
  }
  return Fail(ERROR_INSUFFICIENT_BUFFER), std::nullopt;
}

// How much of a \\?\ path is its root, the separator after it included: "\\?\C:\" or
// "\\?\UNC\server\share\".
std::size_t RootLength(const std::wstring& path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) {
    const std::size_t server = path.find(L'\\', 8);
    const std::size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() + 1 : share + 1;
  }
  const std::size_t first = path.find(L'\\', 4);
  return first == std::wstring::npos ? path.size() + 1 : first + 1;
}

// The folder of the volume that holds path ("C:\", or a mount folder), for the calls that take a
// volume's root.
std::optional<std::wstring> VolumeRoot(const std::wstring& path) {
  std::wstring root(path.size() + MAX_PATH, L'\0');
  if (!::GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return Failed(), std::nullopt;
  root.resize(std::wcslen(root.c_str()));
  return root;
}

// ReadFile and WriteFile take a DWORD count: larger requests go in parts.
constexpr std::size_t kMaxTransfer = 1u << 30;

std::int64_t ReadSome(HANDLE file, void* buffer, std::size_t size) {
  DWORD n = 0;
  if (::ReadFile(file, buffer, static_cast<DWORD>(std::min(size, kMaxTransfer)), &n, nullptr)) return n;
  if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
  return Failed(), -1;
}

std::int64_t WriteAll(HANDLE file, const void* buffer, std::size_t size, std::optional<std::uint64_t> position = {}) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    if (position) {
      at.Offset = static_cast<DWORD>(*position + done);
      at.OffsetHigh = static_cast<DWORD>((*position + done) >> 32);
    }
    DWORD n = 0;
    const BOOL ok = ::WriteFile(file, bytes + done, static_cast<DWORD>(std::min(size - done, kMaxTransfer)), &n,
                                position ? &at : nullptr);
    if (!ok || n == 0) {
      if (ok) Fail(ERROR_DISK_FULL);
      else Failed();
      return done == 0 && !ok ? -1 : static_cast<std::int64_t>(done);
    }
    done += n;
  }
  return static_cast<std::int64_t>(done);
}

// Reads at an offset, leaving nothing to the file pointer.
std::int64_t ReadFileAt(HANDLE file, void* buffer, std::size_t size, std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD n = 0;
  if (::ReadFile(file, buffer, static_cast<DWORD>(std::min(size, kMaxTransfer)), &n, &at)) return n;
  if (::GetLastError() == ERROR_HANDLE_EOF) return 0;
  return Failed(), -1;
}

class Win32File final : public File {
 public:
  // reopen: for a file read without the cache, the path to open it with the cache when a read
  // is not aligned as the disk wants it.
  explicit Win32File(Handle file, std::wstring reopen = {}) : file_(std::move(file)), reopen_(std::move(reopen)) {}
  ~Win32File() override { Close(); }

  std::int64_t Read(void* buffer, std::size_t size) override {
    const std::int64_t n = ReadSome(file_.Get(), buffer, size);
    if (n >= 0 || reopen_.empty() || ::GetLastError() != ERROR_INVALID_PARAMETER) return n;
    const auto at = Tell();
    Handle cached(::CreateFileW(reopen_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr));
    reopen_.clear();
    if (!at || !cached.Valid()) return Failed(), -1;
    file_ = std::move(cached);
    if (!Seek(*at)) return -1;
    return ReadSome(file_.Get(), buffer, size);
  }
  std::int64_t Write(const void* buffer, std::size_t size) override { return WriteAll(file_.Get(), buffer, size); }

  bool Seek(std::uint64_t position) override {
    if (position > static_cast<std::uint64_t>(INT64_MAX)) return Fail(ERROR_NEGATIVE_SEEK);
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return ::SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN) || Failed();
  }

  std::optional<std::uint64_t> Tell() override {
    LARGE_INTEGER zero{}, at{};
    if (!::SetFilePointerEx(file_.Get(), zero, &at, FILE_CURRENT)) return Failed(), std::nullopt;
    return static_cast<std::uint64_t>(at.QuadPart);
  }

  std::optional<std::uint64_t> Size() override {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.Get(), &size)) return Failed(), std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  bool Close() override { return file_.Reset() || Failed(); }

 private:
  Handle file_;
  std::wstring reopen_;
};

bool SetAttributes(HANDLE file, DWORD attributes) {
  FILE_BASIC_INFO info{};  // times left at 0: unchanged
  info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) || Failed();
}

// Renames the open file, replacing whatever the target name holds (a link itself, never what it
// leads to). target is an NT path, "\??\C:\...": the call takes no Win32 path.
bool RenameOpenFile(HANDLE file, const std::wstring& target) {
  const std::size_t nameBytes = target.size() * sizeof(wchar_t);
  std::vector<std::uint64_t> storage((sizeof(FILE_RENAME_INFO) + nameBytes) / sizeof(std::uint64_t) + 1);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(info->FileName, target.data(), nameBytes);
  return ::SetFileInformationByHandle(file, FileRenameInfo, info,
                                      static_cast<DWORD>(storage.size() * sizeof(std::uint64_t))) ||
         Failed();
}

// Marks the open file for deletion at its close; by handle, so no other file can be hit.
bool DeleteOpenFile(HANDLE file) {
  FILE_DISPOSITION_INFO info{};
  info.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info) || Failed();
}

// A temporary file next to its final name. It is held open without FILE_SHARE_DELETE while it
// lives, so nobody else can delete or rename it: that tells a later import that its writer is
// still at work. Renaming and deleting go through that same handle.
class Win32Output final : public OutputFile {
 public:
  Win32Output(Handle file, std::wstring sysTemp, std::wstring finalTarget, std::wstring sysFinal,
              std::u16string tempPath)
      : file_(std::move(file)),
        sysTemp_(std::move(sysTemp)),
        finalTarget_(std::move(finalTarget)),
        sysFinal_(std::move(sysFinal)),
        tempPath_(std::move(tempPath)) {}
  ~Win32Output() override {
    if (!inPlace_) Discard();
  }

  std::int64_t Write(const void* buffer, std::size_t size) override {
    const std::int64_t n = WriteAll(file_.Get(), buffer, size);
    if (n > 0) HandOver(static_cast<std::uint64_t>(n));
    return n;
  }

  bool SetLastWrite(std::int64_t seconds) override {
    const auto time = FileTimeOf(seconds);
    if (!time) return Fail(ERROR_INVALID_PARAMETER);
    return ::SetFileTime(file_.Get(), nullptr, nullptr, &*time) || Failed();
  }

  bool Sync() override {
    if (!::FlushFileBuffers(file_.Get())) return Failed();
    onDisk_ = written_;
    return true;
  }

  std::uint64_t OnDisk() const override { return onDisk_; }

  std::int64_t ReadBack(void* buffer, std::size_t size) override {
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, onDisk_ - readBack_));
    if (size == 0) return 0;
    if (!reader_.Valid() && !OpenReader()) return -1;
    std::int64_t n = unbuffered_ ? ReadUnbuffered(buffer, size) : ReadFileAt(reader_.Get(), buffer, size, readBack_);
    if (n < 0 && unbuffered_ && ::GetLastError() == ERROR_INVALID_PARAMETER) {
      // The device wants a larger alignment than ours: read through the cache instead.
      reader_.Reset();
      unbuffered_ = false;
      if (!OpenReader()) return -1;
      n = ReadFileAt(reader_.Get(), buffer, size, readBack_);
    }
    if (n > 0) readBack_ += static_cast<std::uint64_t>(n);
    return n;
  }

  bool Commit() override {
    if (inPlace_) return true;
    if (discarded_) return Fail(ERROR_FILE_NOT_FOUND);
    // The final name must not come out hidden: the attribute goes first, and comes back when
    // the file stays a temporary one.
    if (!SetAttributes(file_.Get(), FILE_ATTRIBUTE_ARCHIVE)) return false;
    reader_.Reset();
    if (RenameOpenFile(file_.Get(), finalTarget_)) {
      inPlace_ = true;
      // NTFS commits its log, which holds the rename, with a flush of the file.
      const bool durable = ::FlushFileBuffers(file_.Get()) || Failed();
      const bool closed = file_.Reset() || Failed();
      return durable && closed;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION) {
      SetAttributes(file_.Get(), FILE_ATTRIBUTE_HIDDEN);
      return Fail(error);
    }
    // A file system that cannot rename an open file (some network shares): close it and move it
    // by name. Like the rename above, the move replaces a link at the final name, not its target.
    if (!::FlushFileBuffers(file_.Get()) || !file_.Reset()) return Failed();
    if (!::MoveFileExW(sysTemp_.c_str(), sysFinal_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD moveError = ::GetLastError();
      ::SetFileAttributesW(sysTemp_.c_str(), FILE_ATTRIBUTE_HIDDEN);
      return Fail(moveError);
    }
    inPlace_ = true;
    return true;
  }

  bool InPlace() const override { return inPlace_; }

  bool Discard() override {
    if (inPlace_ || discarded_) return !inPlace_;
    reader_.Reset();
    if (file_.Valid() && DeleteOpenFile(file_.Get())) {
      file_.Reset();
      discarded_ = true;
      return true;
    }
    file_.Reset();
    if (!::DeleteFileW(sysTemp_.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND) return Failed();
    discarded_ = true;
    return true;
  }

  const std::u16string& TempPath() const override { return tempPath_; }

  std::int64_t ReadAt(std::uint64_t position, void* buffer, std::size_t size) override {
    return ReadFileAt(file_.Get(), buffer, size, position);
  }

  std::int64_t WriteAt(std::uint64_t position, const void* buffer, std::size_t size) override {
    return WriteAll(file_.Get(), buffer, size, position);
  }

 private:
  // Each few MiB are flushed as soon as they are written: Sync then has little left to do, and
  // what is on the disk can be read back while the copy goes on. A flush error here is left for
  // Sync to report.
  void HandOver(std::uint64_t bytes) {
    written_ += bytes;
    if (written_ - onDisk_ >= kHandOverBytes && ::FlushFileBuffers(file_.Get())) onDisk_ = written_;
  }

  // A second handle that reads past the system's cache, so the bytes come from the disk. Where
  // the file system refuses unbuffered reads, a plain handle after FlushFileBuffers reads the
  // same bytes, from memory.
  bool OpenReader() {
    const DWORD flags = unbuffered_ ? FILE_FLAG_NO_BUFFERING : FILE_FLAG_SEQUENTIAL_SCAN;
    reader_ = Handle(::CreateFileW(sysTemp_.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!reader_.Valid() && unbuffered_) {
      unbuffered_ = false;
      return OpenReader();
    }
    if (reader_.Valid() && unbuffered_ && aligned_.empty()) aligned_.resize(kReadBackBlock + kSectorAlign);
    return reader_.Valid() || Failed();
  }

  // Reads whole sectors into an aligned block and hands out the part asked for.
  std::int64_t ReadUnbuffered(void* buffer, std::size_t size) {
    auto* block = aligned_.data();
    block += (kSectorAlign - reinterpret_cast<std::uintptr_t>(block) % kSectorAlign) % kSectorAlign;
    const std::uint64_t start = readBack_ - readBack_ % kSectorAlign;
    const auto skip = static_cast<std::size_t>(readBack_ - start);
    std::size_t span = std::min(skip + size, kReadBackBlock);
    span = (span + kSectorAlign - 1) / kSectorAlign * kSectorAlign;
    const std::int64_t n = ReadFileAt(reader_.Get(), block, span, start);
    if (n <= static_cast<std::int64_t>(skip)) return n < 0 ? -1 : 0;
    const std::size_t got = std::min(size, static_cast<std::size_t>(n) - skip);
    std::memcpy(buffer, block + skip, got);
    return static_cast<std::int64_t>(got);
  }

  Handle file_;
  Handle reader_;
  std::wstring sysTemp_;
  std::wstring finalTarget_;  // NT path of the final name
  std::wstring sysFinal_;
  std::u16string tempPath_;
  std::vector<unsigned char> aligned_;
  std::uint64_t written_ = 0;
  std::uint64_t onDisk_ = 0;  // known to be there
  std::uint64_t readBack_ = 0;
  bool unbuffered_ = true;
  bool inPlace_ = false;
  bool discarded_ = false;
};

bool IsOutputTempName(std::u16string_view name) {
  const std::u16string_view suffix = kOutputTempSuffix;
  return name.size() > suffix.size() + 1 && name.front() == u'.' && name.ends_with(suffix);
}

// ".NAME.xxxxxxxx.quillon-part": hidden, recognisably ours, and unique among writers.
std::u16string TempNameFor(std::u16string_view name) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char16_t kDigits[] = u"0123456789abcdefghijklmnopqrstuvwxyz";
  std::size_t stem = std::min(name.size(), kTempNameStemUnits);
  if (stem < name.size() && name[stem - 1] >= 0xD800 && name[stem - 1] <= 0xDBFF) --stem;  // not half a pair
  std::u16string tag;
  for (int i = 0; i < 8; ++i) tag += kDigits[random() % (std::size(kDigits) - 1)];
  return u"." + std::u16string(name.substr(0, stem)) + u"." + tag + kOutputTempSuffix;
}

template <typename Visit>
void ForEachEntry(const std::u16string& folder, Visit visit) {
  const auto sys = SystemPath(Child(folder, u"*"));
  if (!sys) return;
  win32::NoCriticalErrorBoxes quiet;
  WIN32_FIND_DATAW data{};
  const HANDLE search = ::FindFirstFileW(sys->c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    Failed();
    return;
  }
  do visit(data);
  while (::FindNextFileW(search, &data));
  ::FindClose(search);
}

std::optional<FileStatus> StatusOf(const std::u16string& path, bool entryItself) {
  const auto sys = SystemPath(path);
  if (!sys) return std::nullopt;
  win32::NoCriticalErrorBoxes quiet;
  const Handle file = OpenForStatus(*sys, entryItself);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info)) return Failed(), std::nullopt;
  FileStatus s;
  s.isDirectory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  s.isHidden = IsHidden(info.dwFileAttributes);
  if (entryItself && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    s.isLink = ::GetFileInformationByHandleEx(file.Get(), FileAttributeTagInfo, &tag, sizeof tag) &&
               IsLinkTag(tag.FileAttributes, tag.ReparseTag);
  }
  s.size = s.isDirectory ? 0 : (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  s.lastWrite = SecondsOf(info.ftLastWriteTime);
  s.id = IdOf(info);
  return s;
}

// A folder held open by a handle that pins it in place; names in it are reached through its path.
class Win32Folder final : public Folder {
 public:
  Win32Folder(Handle dir, std::u16string path, FileId id) : dir_(std::move(dir)), path_(std::move(path)), id_(id) {}

  const std::u16string& Path() const override { return path_; }

  std::optional<std::u16string> CurrentPath() const override {
    auto path = FinalPath(dir_.Get());
    if (!path) return std::nullopt;
    if (path->starts_with(L"\\\\?\\UNC\\")) return u"\\\\" + FromWide(std::wstring_view(*path).substr(8));
    if (path->starts_with(L"\\\\?\\")) return FromWide(std::wstring_view(*path).substr(4));
    return FromWide(*path);
  }

  FileId Id() const override { return id_; }

  std::unique_ptr<OutputFile> CreateOutput(const std::u16string& name) override {
    if (!IsPlainName(name)) return Fail(ERROR_INVALID_NAME), nullptr;
    const std::u16string& folder = path_;
    const std::u16string finalPath = Child(folder, name);
    const auto sysFinal = SystemPath(finalPath);
    const auto finalTarget = sysFinal ? ExtendedPath(*sysFinal) : std::nullopt;
    if (!finalTarget) return nullptr;
    // A folder under the final name (a link to one included) cannot be replaced by a file.
    const DWORD existing = ::GetFileAttributesW(sysFinal->c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY)) {
      return Fail(kErrorDirectoryNotSupported), nullptr;
    }
    std::wstring ntFinal = L"\\??\\" + finalTarget->substr(4);
    for (int attempt = 0; attempt < kMaxTempAttempts; ++attempt) {
      std::u16string tempPath = Child(folder, TempNameFor(name));
      const auto sysTemp = SystemPath(tempPath);
      if (!sysTemp) return nullptr;
      // CREATE_NEW: a new file of our own, never an existing one and, with the reparse flag,
      // never one that a link at this name leads to.
      Handle file(::CreateFileW(sysTemp->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      if (!file.Valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        return Fail(error), nullptr;
      }
      return std::make_unique<Win32Output>(std::move(file), *sysTemp, std::move(ntFinal), *sysFinal,
                                           std::move(tempPath));
    }
    return Fail(ERROR_FILE_EXISTS), nullptr;
  }

  std::optional<FileStatus> LinkStatus(const std::u16string& name) override {
    if (!IsPlainName(name)) return Fail(ERROR_INVALID_NAME), std::nullopt;
    return StatusOf(Child(path_, name), true);
  }
  std::optional<FileStatus> Status(const std::u16string& name) override {
    if (!IsPlainName(name)) return Fail(ERROR_INVALID_NAME), std::nullopt;
    return StatusOf(Child(path_, name), false);
  }

  std::vector<std::u16string> RemoveStaleOutputs() override {
    std::vector<std::u16string> removed;
    std::vector<std::u16string> names;
    ForEachEntry(path_, [&](const WIN32_FIND_DATAW& data) {
      std::u16string name = FromWide(data.cFileName);
      const DWORD notFiles = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
      if (IsOutputTempName(name) && IsHidden(data.dwFileAttributes) && !(data.dwFileAttributes & notFiles)) {
        names.push_back(std::move(name));
      }
    });
    for (std::u16string& name : names) {
      const auto sys = SystemPath(Child(path_, name));
      if (!sys) continue;
      // A writer that still runs holds the file without sharing its deletion: this open fails
      // with a sharing violation.
      Handle file(::CreateFileW(sys->c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      if (!file.Valid()) continue;
      BY_HANDLE_FILE_INFORMATION info{};
      if (!::GetFileInformationByHandle(file.Get(), &info) || !IsHidden(info.dwFileAttributes) ||
          (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        continue;
      }
      if (DeleteOpenFile(file.Get()) && file.Reset()) removed.push_back(std::move(name));
    }
    return removed;
  }

  std::unique_ptr<Folder> SubFolder(const std::u16string& name, bool create) override {
    if (!IsPlainName(name)) return Fail(ERROR_INVALID_NAME), nullptr;
    std::u16string path = Child(path_, name);
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    win32::NoCriticalErrorBoxes quiet;
    if (create && !::CreateDirectoryW(sys->c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      return Failed(), nullptr;
    }
    // Held as OpenFolder holds a folder; a link or junction under the name is opened as itself,
    // and refused.
    Handle dir(::CreateFileW(sys->c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!dir.Valid()) return Failed(), nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(dir.Get(), &info)) return Failed(), nullptr;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return Fail(ERROR_DIRECTORY), nullptr;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      FILE_ATTRIBUTE_TAG_INFO tag{};
      if (!::GetFileInformationByHandleEx(dir.Get(), FileAttributeTagInfo, &tag, sizeof tag)) return Failed(), nullptr;
      if (IsLinkTag(tag.FileAttributes, tag.ReparseTag)) return Fail(ERROR_CANT_ACCESS_FILE), nullptr;
    }
    return std::make_unique<Win32Folder>(std::move(dir), std::move(path), IdOf(info));
  }

 private:
  Handle dir_;
  std::u16string path_;
  FileId id_;
};

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> OpenRead(const std::u16string& path) override { return Open(path, false); }
  std::unique_ptr<File> OpenReadDirect(const std::u16string& path) override { return Open(path, true); }

  std::unique_ptr<File> Open(const std::u16string& path, bool direct) {
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    win32::NoCriticalErrorBoxes quiet;
    const DWORD how = direct ? FILE_FLAG_NO_BUFFERING : FILE_FLAG_SEQUENTIAL_SCAN;
    Handle file(::CreateFileW(sys->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | how, nullptr));
    if (!file.Valid()) return Failed(), nullptr;
    // A device under a file's name (CON, a pipe) is no file to read.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) return Fail(ERROR_NOT_SUPPORTED), nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info)) return Failed(), nullptr;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(ERROR_DIRECTORY), nullptr;
    return std::make_unique<Win32File>(std::move(file), direct ? *sys : std::wstring());
  }

  std::unique_ptr<Folder> OpenFolder(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    if (!sys) return nullptr;
    win32::NoCriticalErrorBoxes quiet;
    // Held without sharing its deletion: the folder can be neither renamed nor removed while
    // it is open, so its path leads to it for as long as it is in use.
    Handle dir(::CreateFileW(sys->c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!dir.Valid()) return Failed(), nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(dir.Get(), &info)) return Failed(), nullptr;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return Fail(ERROR_DIRECTORY), nullptr;
    return std::make_unique<Win32Folder>(std::move(dir), path, IdOf(info));
  }

  bool Remove(const std::u16string& path) override {
    const auto sys = SystemPath(path);
    return sys && (::DeleteFileW(sys->c_str()) || Failed());
  }

  std::optional<FileStatus> Status(const std::u16string& path) override { return StatusOf(path, false); }
  std::optional<FileStatus> LinkStatus(const std::u16string& path) override { return StatusOf(path, true); }

  std::vector<DirEntry> Find(const std::u16string& folderPath, std::u16string_view pattern) override {
    std::vector<DirEntry> out;
    // Every name is listed and matched here, by the same rules as everywhere: the system's own
    // matching would also match 8.3 short names.
    ForEachEntry(folderPath, [&](const WIN32_FIND_DATAW& data) {
      std::u16string name = FromWide(data.cFileName);
      if (!WildcardMatch(pattern, name)) return;
      DirEntry e;
      e.path = Child(folderPath, name);
      e.isHidden = IsHidden(data.dwFileAttributes);
      if (IsLinkTag(data.dwFileAttributes, data.dwReserved0)) {
        const auto target = StatusOf(e.path, false);
        if (!target) return;  // a link that leads nowhere
        e.isDirectory = target->isDirectory;
        e.size = target->size;
      } else {
        e.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.size = e.isDirectory ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      }
      e.name = std::move(name);
      out.push_back(std::move(e));
    });
    return out;
  }

  std::vector<FileId> Ancestry(const std::u16string& folder) override {
    std::vector<FileId> ids;
    const auto sys = SystemPath(folder);
    auto path = sys ? ExtendedPath(*sys) : std::nullopt;
    if (!path) return ids;
    for (int depth = 0; depth < kMaxAncestors; ++depth) {
      const Handle current = OpenForStatus(*path, false);
      if (!current.Valid()) {
        if (ids.empty()) Failed();
        break;
      }
      const auto id = IdOfHandle(current.Get());
      if (!id || (!ids.empty() && ids.back() == *id)) break;
      ids.push_back(*id);
      // The folder's path with its links and junctions resolved, walked up by text: none is left
      // in it to lead elsewhere. Where the system cannot tell it (Wine past MAX_PATH), the text
      // stands in until an ancestor's can be told.
      if (auto real = FinalPath(current.Get())) path = std::move(real);
      const std::size_t rootLength = RootLength(*path);
      while (path->size() > rootLength && path->back() == L'\\') path->pop_back();
      if (path->size() <= rootLength) break;  // the root
      path->resize(std::max(path->rfind(L'\\'), rootLength - 1));
      if (path->size() == rootLength - 1) *path += L'\\';
    }
    return ids;
  }

  bool CanWriteIn(const std::u16string& folder) override {
    const auto sys = SystemPath(folder);
    if (!sys) return false;
    win32::NoCriticalErrorBoxes quiet;
    const DWORD attributes = ::GetFileAttributesW(sys->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Failed();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Fail(ERROR_DIRECTORY);
    // Opening the folder with the right to add files checks the user's rights on it without
    // creating anything there.
    Handle dir(::CreateFileW(sys->c_str(), FILE_ADD_FILE, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!dir.Valid()) return Failed();
    DWORD flags = 0;
    if (const auto root = VolumeRoot(*sys);
        root && ::GetVolumeInformationW(root->c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
        (flags & FILE_READ_ONLY_VOLUME)) {
      return Fail(ERROR_WRITE_PROTECT);
    }
    return true;
  }

  std::optional<VolumeSpace> Space(const std::u16string& folder) override {
    const auto sys = SystemPath(folder);
    if (!sys) return std::nullopt;
    win32::NoCriticalErrorBoxes quiet;
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(sys->c_str(), &available, nullptr, nullptr)) return Failed(), std::nullopt;
    VolumeSpace space;
    space.freeBytes = available.QuadPart;
    const auto root = VolumeRoot(*sys);
    if (!root) return space;
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (::GetDiskFreeSpaceW(root->c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
      space.blockSize = static_cast<std::uint64_t>(sectorsPerCluster) * bytesPerSector;
    }
    wchar_t type[MAX_PATH + 1] = {};
    if (::GetVolumeInformationW(root->c_str(), nullptr, 0, nullptr, nullptr, nullptr, type, MAX_PATH + 1) &&
        win32::IsFatFamily(ToUtf8(FromWide(type)))) {
      space.maxFileSize = kFatMaxFileSize;
    }
    return space;
  }

};

}  // namespace

std::string ErrorText(int code) {
  if (code == 0) return "unknown error";
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (n == 0 || !text) return "error " + std::to_string(static_cast<DWORD>(code));
  std::wstring_view message(text, n);
  // Without the line end and the closing full stop, as it reads inside a sentence of ours.
  while (!message.empty() && (message.back() == L' ' || message.back() == L'\r' || message.back() == L'\n')) {
    message.remove_suffix(1);
  }
  if (!message.empty() && message.back() == L'.') message.remove_suffix(1);
  std::string utf8 = ToUtf8(FromWide(message));
  ::LocalFree(text);
  return utf8;
}

FileSystem& NativeFiles() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace quillon::platform
