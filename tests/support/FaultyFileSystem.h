#pragma once
// A file service over the real one that fails on demand: the Nth open, read, write, create,
// seek, sync, rename into place or removal, reads or writes that stop after some bytes, a disk
// that fills up, an output that reads back altered, a volume with little room or a file-size
// limit. It also notes every call, so a test can aim a fault at one step of a run it watched
// first. Calls on outputs are noted under the output's final path.
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/ForwardingFileSystem.h"

namespace quillon::testsupport {

enum class FileOp { OpenRead, Read, Seek, Create, Write, Close, Remove, Sync, ReadBack, Commit, Count };

class FaultyFileSystem final : public ForwardingFileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& inner = platform::NativeFiles());

  // The nth call (1-based, counted over every file whose path contains pathPart) of op fails,
  // with EIO as the system's error.
  void FailNth(FileOp op, int nth, std::u16string pathPart = {});
  // Every call of op on paths containing pathPart fails.
  void FailAlways(FileOp op, std::u16string pathPart);
  // Reads of files whose path contains pathPart fail once this many bytes were read from one open file.
  void FailReadsAfter(std::u16string pathPart, std::uint64_t bytes);
  // Reads of files whose path contains pathPart that touch [offset, offset + length) fail, as a
  // disk's bad area does: always, or the first (times) reads that touch it.
  void FailArea(std::u16string pathPart, std::uint64_t offset, std::uint64_t length, int times = 0);
  // Writes come short once this many bytes were written in all: a full disk.
  void SetCapacity(std::uint64_t bytes);
  // The nth read or write (counted as for FailNth) moves at most `bytes` bytes and reports the
  // short count: not an error, the caller must carry on with the rest.
  void ShortenNth(FileOp op, int nth, std::size_t bytes, std::u16string pathPart = {});
  // The nth read-back of an output (counted as for FailNth) answers one byte altered.
  void CorruptNth(FileOp op, int nth, std::u16string pathPart = {});
  // Runs action just before the nth call of op (counted as for FailNth) goes through.
  void OnNth(FileOp op, int nth, std::function<void()> action, std::u16string pathPart = {});
  // What Space answers from now on, whatever the real volume says.
  void SetSpace(platform::VolumeSpace space);

  // One call as it went: for reads and writes the bytes asked for and the answer; for the
  // others 1 when it succeeded, else 0 (or -1).
  struct Call {
    FileOp op;
    std::u16string path;
    std::size_t requested = 0;
    std::int64_t result = 0;
  };
  std::vector<Call> Log() const;
  void Note(Call call);

  int Calls(FileOp op) const;
  std::uint64_t BytesWritten() const;
  // Final paths of the outputs created, in order.
  std::vector<std::u16string> Created() const;

  std::unique_ptr<platform::File> OpenRead(const std::u16string& path) override;
  std::unique_ptr<platform::Folder> OpenFolder(const std::u16string& path) override;
  // An output made in a folder of this file service, through the faults.
  std::unique_ptr<platform::OutputFile> CreateIn(platform::Folder& folder, const std::u16string& name);
  bool Remove(const std::u16string& path) override;
  std::optional<platform::VolumeSpace> Space(const std::u16string& folder) override;

  // Used by the files it opens: whether the call fails, after running the actions due.
  bool ShouldFail(FileOp op, const std::u16string& path);
  // How many of `wanted` bytes the call may move (a shortened call moves fewer).
  std::size_t Shortened(FileOp op, const std::u16string& path, std::size_t wanted);
  bool ShouldCorrupt(FileOp op, const std::u16string& path);
  std::uint64_t ReadLimit(const std::u16string& path) const;
  // Whether a read of size bytes at position of the file meets a failing area.
  bool AreaFails(const std::u16string& path, std::uint64_t position, std::size_t size);
  std::size_t AllowWrite(std::size_t wanted);

 private:
  struct Rule {
    FileOp op;
    int nth;  // 0: every call
    std::u16string pathPart;
    int seen = 0;
  };
  struct ShortRule {
    Rule rule;
    std::size_t bytes;
  };
  struct Hook {
    Rule rule;
    std::function<void()> action;
  };
  static bool Due(Rule& rule, FileOp op, const std::u16string& path);
  mutable std::mutex mutex_;
  std::vector<Rule> rules_;
  std::vector<Rule> corruptRules_;
  std::vector<ShortRule> shortRules_;
  std::vector<Hook> hooks_;
  std::vector<Call> log_;
  std::vector<std::pair<std::u16string, std::uint64_t>> readLimits_;
  struct Area {
    std::u16string pathPart;
    std::uint64_t offset, length;
    int timesLeft;  // -1: always
  };
  std::vector<Area> areas_;
  std::uint64_t capacity_ = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t written_ = 0;
  int calls_[static_cast<int>(FileOp::Count)] = {};
  std::vector<std::u16string> created_;
  std::optional<platform::VolumeSpace> space_;
};

}  // namespace quillon::testsupport
