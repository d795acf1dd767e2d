#include "import/Manifest.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon {

std::string ManifestText(const std::vector<std::u16string>& paths, const std::vector<std::string>& hashes) {
  std::string text;
  for (std::size_t i = 0; i < paths.size() && i < hashes.size(); ++i) {
    text += hashes[i] + "  " + platform::ToUtf8(paths[i]) + "\n";
  }
  return text;
}

bool WriteManifest(const std::u16string& path, const std::string& text, std::string& error) {
  const auto fail = [&error] {
    error = platform::ErrorText(platform::LastError());
    return false;
  };
  std::u16string folder(platform::ParentPart(path));
  if (folder.empty()) folder = std::u16string(1, platform::kSeparator);
  auto out = platform::Files().CreateOutput(folder, std::u16string(platform::LastComponent(path)));
  if (!out) return fail();
  if (out->Write(text.data(), text.size()) != static_cast<std::int64_t>(text.size())) return fail();
  if (!out->Sync() || !out->Commit()) return fail();
  return true;
}

}  // namespace quillon
