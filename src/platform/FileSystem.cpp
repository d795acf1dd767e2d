#include "platform/FileSystem.h"

#include <atomic>

#include "platform/Path.h"

namespace quillon::platform {

namespace {
std::atomic<FileSystem*> g_installed{nullptr};
thread_local int g_lastError = 0;
}  // namespace

int LastError() { return g_lastError; }
void SetLastError(int code) { g_lastError = code; }

std::int64_t File::ReadFully(void* buffer, std::size_t size) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const std::int64_t n = Read(bytes + done, size - done);
    if (n < 0) return done == 0 ? -1 : static_cast<std::int64_t>(done);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::unique_ptr<OutputFile> FileSystem::CreateOutput(const std::u16string& folder, const std::u16string& name) {
  const std::unique_ptr<Folder> opened = OpenFolder(folder);
  return opened ? opened->CreateOutput(name) : nullptr;
}

std::vector<std::u16string> FileSystem::RemoveStaleOutputs(const std::u16string& folder) {
  std::vector<std::u16string> paths;
  if (const std::unique_ptr<Folder> opened = OpenFolder(folder)) {
    for (const std::u16string& name : opened->RemoveStaleOutputs()) paths.push_back(folder + kSeparator + name);
  }
  return paths;
}

FileSystem& Files() {
  FileSystem* fs = g_installed.load(std::memory_order_acquire);
  return fs ? *fs : NativeFiles();
}

ScopedFileSystem::ScopedFileSystem(FileSystem& fs)
    : previous_(g_installed.exchange(&fs, std::memory_order_acq_rel)) {}

ScopedFileSystem::~ScopedFileSystem() { g_installed.store(previous_, std::memory_order_release); }

}  // namespace quillon::platform
