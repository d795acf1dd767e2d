#pragma once
// A list of the imported files with their XXH3-128 hashes, in the form xxhsum -H2 prints, so
// that "xxhsum -c FILE" checks the copies later.
#include <string>
#include <vector>

namespace quillon {

// One line per file: the hash, two spaces, the path.
std::string ManifestText(const std::vector<std::u16string>& paths, const std::vector<std::string>& hashes);

// Writes the manifest as an output of its own: under a temporary name, synced, then renamed.
// On failure answers false and the reason in error.
bool WriteManifest(const std::u16string& path, const std::string& text, std::string& error);

}  // namespace quillon
