#pragma once
// A file service that hands every call to another one (the real one by default): the base of
// test doubles that change one or two calls.
#include "platform/FileSystem.h"

namespace quillon::testsupport {

class ForwardingFileSystem : public platform::FileSystem {
 public:
  explicit ForwardingFileSystem(platform::FileSystem& inner = platform::NativeFiles()) : inner_(inner) {}

  std::unique_ptr<platform::File> OpenRead(const std::u16string& path) override { return inner_.OpenRead(path); }
  std::unique_ptr<platform::Folder> OpenFolder(const std::u16string& path) override { return inner_.OpenFolder(path); }
  bool Remove(const std::u16string& path) override { return inner_.Remove(path); }
  std::optional<platform::FileStatus> Status(const std::u16string& path) override { return inner_.Status(path); }
  std::optional<platform::FileStatus> LinkStatus(const std::u16string& path) override { return inner_.LinkStatus(path); }
  std::vector<platform::DirEntry> Find(const std::u16string& folder, std::u16string_view pattern) override {
    return inner_.Find(folder, pattern);
  }
  std::vector<platform::FileId> Ancestry(const std::u16string& folder) override { return inner_.Ancestry(folder); }
  bool CanWriteIn(const std::u16string& folder) override { return inner_.CanWriteIn(folder); }
  std::optional<platform::VolumeSpace> Space(const std::u16string& folder) override { return inner_.Space(folder); }

 protected:
  platform::FileSystem& inner_;
};

}  // namespace quillon::testsupport
