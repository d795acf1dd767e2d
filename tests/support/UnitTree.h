#pragma once
// Builders that write a recording unit's folder tree into a temporary folder: IDX index bytes
// (well formed, or bent in the ways a hostile or damaged unit bends them), chunk files, the
// numbered HDVF/DVF folders, empty, hidden and special files, and file times.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/TempDir.h"

namespace quillon::testsupport {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The bytes of an IDX index file. By default: magic "INDXV200", flag 0x80, check byte 0x1A and
// an entry count that matches the entries added. Each knob bends one field.
class IdxBuilder {
 public:
  // A date entry: the six bytes as the unit stores them (year within the century).
  IdxBuilder& Date(std::uint8_t year, std::uint8_t month, std::uint8_t day, std::uint8_t hour,
                   std::uint8_t minute, std::uint8_t second);
  // A file entry with four raw characters (any bytes, NUL included).
  IdxBuilder& File(std::string_view four);
  // An entry of 16 raw bytes (shorter text is padded with NUL): unknown tags and the like.
  IdxBuilder& RawEntry(std::string_view bytes);

  IdxBuilder& Magic(std::string_view eight);
  IdxBuilder& Flag(std::uint8_t value);
  IdxBuilder& CheckByte(std::uint8_t value);
  // The count field as four decimal digits (0x30 + digit), whatever the entries hold.
  IdxBuilder& Count(unsigned count);
  // The four count bytes as given.
  IdxBuilder& CountBytes(std::array<std::uint8_t, 4> bytes);
  // Bytes appended after the last entry.
  IdxBuilder& Trailing(std::string_view junk);
  // The file ends after this many bytes.
  IdxBuilder& TruncateAt(std::size_t size);

  Bytes Build() const;
  // Names of the chunk files the date and file entries stand for, in entry order, for an
  // index of the given clip name (UTF-8, file-entry bytes taken as Latin-1 characters).
  std::vector<std::string> ChunkNames(std::string_view clipName) const;

 private:
  struct Entry {
    std::array<std::uint8_t, 16> bytes{};
  };
  std::vector<Entry> entries_;
  std::string magic_ = "INDXV200";
  std::uint8_t flag_ = 0x80;
  std::uint8_t check_ = 0x1A;
  bool countSet_ = false;
  std::array<std::uint8_t, 4> count_{};
  std::string trailing_;
  std::size_t truncateAt_ = SIZE_MAX;
};

// Chunk-file names as the unit writes them beside an index.
std::string IdxDateChunkName(std::string_view clipName, int year, int month, int day, int hour, int minute,
                             int second);
std::string IdxFileChunkName(std::string_view clipName, std::string_view four);

// Placeholder chunk contents: transport-stream-like packets (sync byte 0x47, PID 0x0810).
Bytes ChunkBytes(std::size_t packets = 2);

// Files and folders at any place ---------------------------------------------------------

// Writes the file (creating its folders) and returns its path.
fs::path PutFile(const fs::path& folder, std::string_view name, const Bytes& bytes);
fs::path PutFile(const fs::path& folder, std::string_view name);  // ChunkBytes()
fs::path PutEmptyFile(const fs::path& folder, std::string_view name);
// A file hidden the way the platform hides it: its name begins with ".".
fs::path PutHiddenFile(const fs::path& folder, std::string_view name);
// A sparse file of the given size (no bytes written).
fs::path PutSparseFile(const fs::path& folder, std::string_view name, std::uint64_t size);
fs::path PutFolder(const fs::path& folder, std::string_view name);
fs::path PutFifo(const fs::path& folder, std::string_view name);

// Sets the file's last-modified time (seconds since 1970 UTC).
void SetMtime(const fs::path& path, std::int64_t seconds);

// A path as the domain code's UTF-16 text.
std::u16string U16(const fs::path& path);

// A recording unit's tree ------------------------------------------------------------------

// A unit at a folder below a temporary folder. Nothing is created until asked for, so a test
// builds exactly the layout it tells about.
class UnitTree {
 public:
  explicit UnitTree(const TempDir& dir, std::string_view relative = "unit");
  // A unit at any folder (created).
  explicit UnitTree(fs::path root);

  const fs::path& Root() const { return root_; }
  // The drive name the scan and the drive detection take.
  std::u16string Drive() const { return U16(root_); }

  // VIDEO/QVT, created.
  fs::path Flat() const;
  std::u16string FlatU16() const { return U16(Flat()); }
  fs::path FlatFile(std::string_view name) const { return PutFile(Flat(), name); }
  fs::path FlatFile(std::string_view name, const Bytes& bytes) const { return PutFile(Flat(), name, bytes); }
  // Writes the index file into the flat folder.
  fs::path Index(std::string_view fileName, const IdxBuilder& idx) const;
  // Writes the index and one chunk file for each of its date and file entries.
  fs::path IndexWithChunks(std::string_view fileName, const IdxBuilder& idx) const;

  // HDVF/<number>HDVF and DVF/<number>DVF, created (with their parents).
  fs::path HdvFolder(std::string_view number) const;
  fs::path DvFolder(std::string_view number) const;
  // HDVF and DVF alone, created.
  fs::path HdvParent() const;
  fs::path DvParent() const;

 private:
  fs::path root_;
};

}  // namespace quillon::testsupport
