#pragma once
// A temporary folder, removed with everything in it when the object goes.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The folder (or a path below it) as the domain code's UTF-16 text.
  std::u16string U16(std::string_view relative = {}) const;

 private:
  std::filesystem::path path_;
};

// Writes bytes to a file, creating its folders.
void WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);
void WriteFile(const std::filesystem::path& path, std::string_view text);
std::vector<unsigned char> ReadFile(const std::filesystem::path& path);

// The names of the entries of folder, sorted, without the import history that every import
// keeps there: what the import placed, and anything it left.
std::vector<std::string> EntryNames(const std::filesystem::path& folder);

}  // namespace quillon::testsupport
