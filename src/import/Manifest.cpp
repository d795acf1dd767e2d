#include "import/Manifest.h"

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace quillon {

ManifestText MakeManifest(const std::vector<PlacedOutput>& written) {
  ManifestText manifest;
  for (const PlacedOutput& output : written) {
    if (output.path.find_first_of(u"\r\n") != std::u16string::npos) {
      manifest.leftOut.push_back(output.path);
      continue;
    }
    manifest.text += output.hash + "  " + platform::ToUtf8(output.path) + "\n";
  }
  return manifest;
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
