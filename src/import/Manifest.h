#pragma once
// A list of the imported files with their XXH3-128 hashes, in the form xxhsum -H2 prints, so
// that "xxhsum -c FILE" checks the copies later.
#include <string>
#include <vector>

#include "import/ImportReport.h"

namespace quillon {

struct ManifestText {
  std::string text;  // one line per file: the hash, two spaces, the path (UTF-8, or its raw bytes)
  // Files left out: xxhsum reads a name with a line break as two lines, and cannot check it.
  std::vector<std::u16string> leftOut;
};

ManifestText MakeManifest(const std::vector<PlacedOutput>& written);

// Writes the manifest as an output of its own: under a temporary name, synced, then renamed.
// On failure answers false and the reason in error.
bool WriteManifest(const std::u16string& path, const std::string& text, std::string& error);

}  // namespace quillon
