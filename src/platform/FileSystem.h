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
  bool isLink = false;  // only from LinkStatus: the entry is a symbolic link
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

// What a folder's volume can take.
struct VolumeSpace {
  std::uint64_t freeBytes = 0;  // available to this user
  std::uint64_t blockSize = 0;  // a file takes whole blocks
  // The largest file the volume can hold, when it has a limit below what any import needs.
  std::optional<std::uint64_t> maxFileSize;
};

// The system's error code of the last failed file operation on this thread (errno on POSIX),
// and its text for the user.
int LastError();
void SetLastError(int code);
std::string ErrorText(int code);

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

// A file being written under a temporary name of its own in the folder of its final name.
// The final name sees it only through Commit, complete and on the disk: until then the final
// name holds whatever it held before. Destroyed without Commit, it removes its temporary file.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // As File::Write.
  virtual std::int64_t Write(const void* buffer, std::size_t size) = 0;
  // The file's last-write time, in seconds since 1970-01-01 UTC.
  virtual bool SetLastWrite(std::int64_t seconds) = 0;
  // Waits until the written bytes are on the disk; false on a write-back error.
  virtual bool Sync() = 0;
  // How many bytes from the first are known to be on the disk: some while the writing goes on,
  // all of them once Sync has answered true.
  virtual std::uint64_t OnDisk() const = 0;
  // Reads the file again, from the disk rather than from memory where the system allows, from
  // where the last ReadBack ended (the first byte at first) but never past OnDisk(). Answers as
  // File::Read; 0 when nothing more is on the disk yet.
  virtual std::int64_t ReadBack(void* buffer, std::size_t size) = 0;
  // Puts the file under its final name, replacing what was there (a symbolic link is replaced,
  // never followed), and makes the folder's change durable. False when the file is not in
  // place; InPlace() tells a rename that happened but whose folder could not be synced.
  virtual bool Commit() = 0;
  virtual bool InPlace() const = 0;
  // Removes the temporary file; false when it is still there.
  virtual bool Discard() = 0;
  // The temporary file as a scratch space that is filled in any order (and then discarded):
  // reads and writes at a position, apart from Write's sequence, OnDisk and ReadBack. They
  // answer as File::Read and File::Write; a read of what was never written answers zeros, or 0
  // past the end.
  virtual std::int64_t ReadAt(std::uint64_t position, void* buffer, std::size_t size) = 0;
  virtual std::int64_t WriteAt(std::uint64_t position, const void* buffer, std::size_t size) = 0;
  virtual const std::u16string& TempPath() const = 0;
};

// Temporary files of outputs are hidden and carry this ending, so that they are plainly ours.
inline constexpr char16_t kOutputTempSuffix[] = u".quillon-part";

// A folder held open. Outputs are made in it, and its entries looked at, by name within it: when
// the folder is renamed or moved meanwhile, or another folder takes its old path, everything
// still goes into the folder that was opened.
class Folder {
 public:
  virtual ~Folder() = default;
  // The path it was opened at.
  virtual const std::u16string& Path() const = 0;
  // Where the folder is now; nothing when the system cannot tell or the folder was deleted.
  virtual std::optional<std::u16string> CurrentPath() const = 0;
  virtual FileId Id() const = 0;
  // Begins an output that will be named name in the folder; null when it cannot be created (the
  // folder is read-only, or name is a folder there).
  virtual std::unique_ptr<OutputFile> CreateOutput(const std::u16string& name) = 0;
  // The entry under name itself (a link is not followed), or what it leads to.
  virtual std::optional<FileStatus> LinkStatus(const std::u16string& name) = 0;
  virtual std::optional<FileStatus> Status(const std::u16string& name) = 0;
  // Removes the temporary files of outputs whose writer is gone (a process that was killed);
  // those still being written are left alone. Returns the names removed.
  virtual std::vector<std::u16string> RemoveStaleOutputs() = 0;
  // The folder under name in this one, held open in its turn, made first when create is set and
  // it is missing; null when it cannot be opened or made, or when name is a link (never
  // followed) or no folder.
  virtual std::unique_ptr<Folder> SubFolder(const std::u16string& name, bool create) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading; null when it cannot be opened.
  virtual std::unique_ptr<File> OpenRead(const std::u16string& path) = 0;
  // The same, for reads that go to the disk itself where the system allows it (O_DIRECT,
  // FILE_FLAG_NO_BUFFERING), without read-ahead: one bad sector then fails only the read that
  // covers it. Such reads want a buffer aligned to 4096 bytes and a position and size in whole
  // sectors (but for the file's end); a read that cannot be made so goes through the cache.
  virtual std::unique_ptr<File> OpenReadDirect(const std::u16string& path) { return OpenRead(path); }
  // Opens a folder to work in; null when it is missing or no folder.
  virtual std::unique_ptr<Folder> OpenFolder(const std::u16string& path) = 0;
  virtual bool Remove(const std::u16string& path) = 0;
  // The status of what path leads to (links followed), or of the entry itself (LinkStatus).
  virtual std::optional<FileStatus> Status(const std::u16string& path) = 0;
  virtual std::optional<FileStatus> LinkStatus(const std::u16string& path) = 0;
  // Entries of folderPath whose names match the wildcard pattern, in the file system's order;
  // "." and ".." included when they match, as a directory search returns them.
  virtual std::vector<DirEntry> Find(const std::u16string& folderPath, std::u16string_view pattern) = 0;
  // The folder and each folder above it up to the root, as the file system links them (its
  // "..", not the path's text): symbolic links and bind mounts cannot hide an ancestor.
  // Empty when the folder cannot be opened.
  virtual std::vector<FileId> Ancestry(const std::u16string& folder) = 0;
  // Whether this user may create files in the folder (false for a read-only volume).
  virtual bool CanWriteIn(const std::u16string& folder) = 0;
  virtual std::optional<VolumeSpace> Space(const std::u16string& folder) = 0;

  // An output named name in folder (OpenFolder, then Folder::CreateOutput).
  std::unique_ptr<OutputFile> CreateOutput(const std::u16string& folder, const std::u16string& name);
  // Folder::RemoveStaleOutputs on folder, as paths.
  std::vector<std::u16string> RemoveStaleOutputs(const std::u16string& folder);
};

// The real file system of this machine.
FileSystem& NativeFiles();

// The file system the domain code uses: NativeFiles() unless a test installed another.
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
