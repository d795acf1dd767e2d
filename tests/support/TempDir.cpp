#include "support/TempDir.h"

#include <algorithm>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon::testsupport {

TempDir::TempDir() {
#ifdef _WIN32
  // No mkdtemp: a random name, created only when it is new.
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const auto candidate = std::filesystem::temp_directory_path() / ("quillon-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("no temporary folder could be made");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "quillon-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders made read-only by a test must be writable again before they can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::u16string TempDir::U16(std::string_view relative) const {
#ifdef _WIN32
  const std::wstring& native = path_.native();
  std::u16string p(native.begin(), native.end());
#else
  std::u16string p = platform::FromUtf8(path_.native());
#endif
  if (!relative.empty()) {
    p += platform::kSeparator;
    p += platform::NativeSeparators(platform::FromUtf8(relative));
  }
  return p;
}

void WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFile(const std::filesystem::path& path, std::string_view text) {
  WriteFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::vector<unsigned char> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> EntryNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().filename() != ".quillon-history") names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quillon::testsupport
