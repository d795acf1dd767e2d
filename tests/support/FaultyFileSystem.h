#pragma once
// A file service over the real one that fails on demand: the Nth open, read, write, create,
// seek or close, reads or writes that stop after some bytes, a disk that fills up.
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon::testsupport {

enum class FileOp { OpenRead, Read, Seek, Create, Write, Close, Remove };

class FaultyFileSystem final : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& inner = platform::PosixFiles());

  // The nth call (1-based, counted over every file whose path contains pathPart) of op fails.
  void FailNth(FileOp op, int nth, std::u16string pathPart = {});
  // Every call of op on paths containing pathPart fails.
  void FailAlways(FileOp op, std::u16string pathPart);
  // Reads of files whose path contains pathPart fail once this many bytes were read from one open file.
  void FailReadsAfter(std::u16string pathPart, std::uint64_t bytes);
  // Writes come short once this many bytes were written in all: a full disk.
  void SetCapacity(std::uint64_t bytes);

  int Calls(FileOp op) const;
  std::uint64_t BytesWritten() const;
  // Paths opened for writing, in order.
  std::vector<std::u16string> Created() const;

  std::unique_ptr<platform::File> OpenRead(const std::u16string& path) override;
  std::unique_ptr<platform::File> CreateWrite(const std::u16string& path,
                                              const std::vector<platform::FileId>& mustNotBe) override;
  bool Remove(const std::u16string& path) override;
  std::optional<platform::FileStatus> Status(const std::u16string& path) override;
  std::vector<platform::DirEntry> Find(const std::u16string& folderPath, std::u16string_view pattern) override;

  // Used by the files it opens.
  bool ShouldFail(FileOp op, const std::u16string& path);
  std::uint64_t ReadLimit(const std::u16string& path) const;
  std::size_t AllowWrite(std::size_t wanted);

 private:
  struct Rule {
    FileOp op;
    int nth;  // 0: every call
    std::u16string pathPart;
    int seen = 0;
  };
  platform::FileSystem& inner_;
  mutable std::mutex mutex_;
  std::vector<Rule> rules_;
  std::vector<std::pair<std::u16string, std::uint64_t>> readLimits_;
  std::uint64_t capacity_ = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t written_ = 0;
  int calls_[7] = {};
  std::vector<std::u16string> created_;
};

}  // namespace quillon::testsupport
