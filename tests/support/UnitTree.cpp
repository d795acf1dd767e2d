#include "support/UnitTree.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#endif

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "platform/Text.h"

namespace quillon::testsupport {

namespace {

// A name given in UTF-8 as a path part (Windows reads a narrow string in its own code page).
fs::path Part(std::string_view name) {
#ifdef _WIN32
  return fs::path(std::u8string(name.begin(), name.end()));
#else
  return fs::path(std::string(name));
#endif
}

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kClipNameLength = 7;

std::string ClipPrefix(std::string_view clipName) {
  return std::string(clipName.substr(0, std::min(clipName.size(), kClipNameLength)));
}

}  // namespace

IdxBuilder& IdxBuilder::Date(std::uint8_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                             std::uint8_t minute, std::uint8_t second) {
  Entry e;
  e.bytes[0] = 'D';
  e.bytes[1] = 'T';
  e.bytes[2] = year;
  e.bytes[3] = month;
  e.bytes[4] = day;
  e.bytes[5] = hour;
  e.bytes[6] = minute;
  e.bytes[7] = second;
  entries_.push_back(e);
  return *this;
}

IdxBuilder& IdxBuilder::File(std::string_view four) {
  if (four.size() != 4) throw std::invalid_argument("a file entry holds four characters");
  Entry e;
  std::copy_n("FILE", 4, e.bytes.begin());
  std::copy(four.begin(), four.end(), e.bytes.begin() + 4);
  entries_.push_back(e);
  return *this;
}

IdxBuilder& IdxBuilder::RawEntry(std::string_view bytes) {
  Entry e;
  std::copy_n(bytes.begin(), std::min(bytes.size(), kEntrySize), e.bytes.begin());
  entries_.push_back(e);
  return *this;
}

IdxBuilder& IdxBuilder::Magic(std::string_view eight) {
  magic_ = std::string(eight);
  magic_.resize(8, '\0');
  return *this;
}

IdxBuilder& IdxBuilder::Flag(std::uint8_t value) {
  flag_ = value;
  return *this;
}

IdxBuilder& IdxBuilder::CheckByte(std::uint8_t value) {
  check_ = value;
  return *this;
}

IdxBuilder& IdxBuilder::Count(unsigned count) {
  if (count > 9999) throw std::invalid_argument("four decimal digits");
  return CountBytes({static_cast<std::uint8_t>(0x30 + count / 1000), static_cast<std::uint8_t>(0x30 + count / 100 % 10),
                     static_cast<std::uint8_t>(0x30 + count / 10 % 10), static_cast<std::uint8_t>(0x30 + count % 10)});
}

IdxBuilder& IdxBuilder::CountBytes(std::array<std::uint8_t, 4> bytes) {
  count_ = bytes;
  countSet_ = true;
  return *this;
}

IdxBuilder& IdxBuilder::Trailing(std::string_view junk) {
  trailing_ = std::string(junk);
  return *this;
}

IdxBuilder& IdxBuilder::TruncateAt(std::size_t size) {
  truncateAt_ = size;
  return *this;
}

Bytes IdxBuilder::Build() const {
  Bytes out(kHeaderSize, 0);
  std::copy(magic_.begin(), magic_.end(), out.begin());
  out[8] = flag_;
  out[11] = check_;
  std::array<std::uint8_t, 4> count = count_;
  if (!countSet_) {
    const std::size_t n = std::min<std::size_t>(entries_.size(), 9999);
    count = {static_cast<std::uint8_t>(0x30 + n / 1000), static_cast<std::uint8_t>(0x30 + n / 100 % 10),
             static_cast<std::uint8_t>(0x30 + n / 10 % 10), static_cast<std::uint8_t>(0x30 + n % 10)};
  }
  std::copy(count.begin(), count.end(), out.begin() + 12);
  for (const auto& e : entries_) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  out.insert(out.end(), trailing_.begin(), trailing_.end());
  if (out.size() > truncateAt_) out.resize(truncateAt_);
  return out;
}

std::vector<std::string> IdxBuilder::ChunkNames(std::string_view clipName) const {
  std::vector<std::string> names;
  for (const auto& e : entries_) {
    const auto* b = e.bytes.data();
    if (b[0] == 'D' && b[1] == 'T') {
      names.push_back(IdxDateChunkName(clipName, b[2], b[3], b[4], b[5], b[6], b[7]));
    } else if (std::equal(b, b + 4, "FILE")) {
      names.push_back(IdxFileChunkName(clipName, std::string_view(reinterpret_cast<const char*>(b + 4), 4)));
    }
  }
  return names;
}

std::string IdxDateChunkName(std::string_view clipName, int year, int month, int day, int hour, int minute,
                             int second) {
  char tail[64];
  std::snprintf(tail, sizeof tail, "_20%02d-%02d-%02d_%02d%02d%02d.M2T", year % 100, month % 100, day % 100,
                hour % 100, minute % 100, second % 100);
  return ClipPrefix(clipName) + tail;
}

std::string IdxFileChunkName(std::string_view clipName, std::string_view four) {
  std::u16string chars;
  for (const char c : four) chars += static_cast<char16_t>(static_cast<unsigned char>(c));
  return ClipPrefix(clipName) + "_0000-00-00_00" + platform::ToUtf8(chars) + ".M2T";
}

Bytes ChunkBytes(std::size_t packets) {
  Bytes out(packets * 188, 0xFF);
  for (std::size_t i = 0; i < packets; ++i) {
    out[i * 188] = 0x47;
    out[i * 188 + 1] = 0x08;
    out[i * 188 + 2] = 0x10;
    out[i * 188 + 3] = static_cast<std::uint8_t>(0x10 | (i & 0x0F));
  }
  return out;
}

fs::path PutFile(const fs::path& folder, std::string_view name, const Bytes& bytes) {
  const fs::path path = folder / Part(name);
  WriteFile(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
  return path;
}

fs::path PutFile(const fs::path& folder, std::string_view name) { return PutFile(folder, name, ChunkBytes()); }

fs::path PutEmptyFile(const fs::path& folder, std::string_view name) { return PutFile(folder, name, Bytes{}); }

fs::path PutHiddenFile(const fs::path& folder, std::string_view name) {
  std::string hidden = ".";
  hidden += name;
  const fs::path path = PutFile(folder, hidden);
#ifdef _WIN32
  // Windows hides by the attribute, not by the name.
  if (!::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN))
    throw std::runtime_error("SetFileAttributesW failed: " + path.string());
#endif
  return path;
}

fs::path PutSparseFile(const fs::path& folder, std::string_view name, std::uint64_t size) {
  const fs::path path = PutEmptyFile(folder, name);
  fs::resize_file(path, size);
  return path;
}

fs::path PutFolder(const fs::path& folder, std::string_view name) {
  const fs::path path = folder / Part(name);
  fs::create_directories(path);
  return path;
}

fs::path PutFifo(const fs::path& folder, std::string_view name) {
  fs::create_directories(folder);
  const fs::path path = folder / Part(name);
#ifdef _WIN32
  throw std::runtime_error("Windows has no FIFO in a folder: " + path.string());
#else
  if (::mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed: " + path.string());
  return path;
#endif
}

void SetMtime(const fs::path& path, std::int64_t seconds) {
#ifdef _WIN32
  // FILETIME counts 100 ns from 1601-01-01.
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool set = file != INVALID_HANDLE_VALUE && ::SetFileTime(file, nullptr, &time, &time);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  if (!set) throw std::runtime_error("SetFileTime failed: " + path.string());
#else
  const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("utimensat failed: " + path.string());
#endif
}

#ifdef _WIN32
std::u16string U16(const fs::path& path) {
  const std::wstring& native = path.native();
  std::u16string text(native.begin(), native.end());
  std::replace(text.begin(), text.end(), u'/', u'\\');
  return text;
}
#else
std::u16string U16(const fs::path& path) { return platform::FromUtf8(path.native()); }
#endif

UnitTree::UnitTree(const TempDir& dir, std::string_view relative) : UnitTree(dir.Path() / relative) {}

UnitTree::UnitTree(fs::path root) : root_(std::move(root)) { fs::create_directories(root_); }

fs::path UnitTree::Flat() const {
  const fs::path flat = root_ / "VIDEO" / "QVT";
  fs::create_directories(flat);
  return flat;
}

fs::path UnitTree::Index(std::string_view fileName, const IdxBuilder& idx) const {
  return PutFile(Flat(), fileName, idx.Build());
}

fs::path UnitTree::IndexWithChunks(std::string_view fileName, const IdxBuilder& idx) const {
  const fs::path path = Index(fileName, idx);
  for (const auto& name : idx.ChunkNames(fileName)) FlatFile(name);
  return path;
}

fs::path UnitTree::HdvParent() const { return PutFolder(root_, "HDVF"); }
fs::path UnitTree::DvParent() const { return PutFolder(root_, "DVF"); }

fs::path UnitTree::HdvFolder(std::string_view number) const {
  return PutFolder(HdvParent(), std::string(number) + "HDVF");
}

fs::path UnitTree::DvFolder(std::string_view number) const {
  return PutFolder(DvParent(), std::string(number) + "DVF");
}

}  // namespace quillon::testsupport
