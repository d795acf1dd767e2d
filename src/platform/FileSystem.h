#pragma once
// File services used by the domain code. The POSIX implementation is the default; tests
// install doubles that fail on demand (see ScopedFileSystem).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillon::platform {

// Identity of a file on its volume: two paths that name the same file share it.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileId&, const FileId&) = default;
};

struct FileStatus {
  bool isDirectory = false;
  bool isHidden = false;
  std::uint64_t size = 0;
  std::optional<std::int64_t> lastWrite;  // seconds since 1970-01-01 UTC
  FileId id;
};

struct DirEntry {
  std::u16string name;  // the entry's own name
  std::u16string path;  // the pattern's folder, the separator and the name
  bool isDirectory = false;
  bool isHidden = false;
  std::uint64_t size = 0;
};

// An open file. Closed by its destructor.
class File {
 public:
  virtual ~File() = default;
  // Bytes read (0 at the end), or -1 on error. Reads may be short.
  virtual std::int64_t Read(void* buffer, std::size_t size) = 0;
  // Bytes written, or -1 on error. A short count means the rest was not written.
  virtual std::int64_t Write(const void* buffer, std::size_t size) = 0;
  // Absolute position from the file's beginning.
  virtual bool Seek(std::uint64_t position) = 0;
  virtual std::optional<std::uint64_t> Tell() = 0;
  virtual std::optional<std::uint64_t> Size() = 0;
  // Flushes and closes; false when the data may not have reached the file.
  virtual bool Close() = 0;

  // Reads until size bytes, the end or an error; returns the count read, -1 on an error
  // before any byte.
  std::int64_t ReadFully(void* buffer, std::size_t size);
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading; null when it cannot be opened.
  virtual std::unique_ptr<File> OpenRead(const std::u16string& path) = 0;
  // Creates the file, or empties an existing one, for writing. Refuses (null, nothing changed)
  // when the path names one of the files in mustNotBe, or cannot be created.
  virtual std::unique_ptr<File> CreateWrite(const std::u16string& path,
                                            const std::vector<FileId>& mustNotBe) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
  virtual std::optional<FileStatus> Status(const std::u16string& path) = 0;
  // Entries of folderPath whose names match the wildcard pattern, in the file system's order;
  // "." and ".." included when they match, as a directory search returns them.
  virtual std::vector<DirEntry> Find(const std::u16string& folderPath, std::u16string_view pattern) = 0;
};

// The real file system of this machine.
FileSystem& PosixFiles();

// The file system the domain code uses: PosixFiles() unless a test installed another.
FileSystem& Files();

// Installs fs as Files() for its lifetime. Install before any worker thread starts.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& fs);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

}  // namespace quillon::platform
