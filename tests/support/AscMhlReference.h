#pragma once
// The ASC's own ASC MHL tool, where the build found it (QUILLON_ASCMHL_REF names its runner):
// tests verify our histories with it, and skip with the reason when it cannot run here.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/Process.h"

namespace quillon::testsupport {

#ifdef QUILLON_ASCMHL_REF
inline const std::filesystem::path kAscMhlReference = QUILLON_ASCMHL_REF;

// Why the reference tool cannot run here, or nothing.
inline std::optional<std::string> AscMhlReferenceMissing() {
  if (!std::filesystem::exists(kAscMhlReference)) return "the ASC MHL reference tool is not at " + kAscMhlReference.string();
  static const int probe = RunProcess({kAscMhlReference.string(), "ascmhl-debug", "--version"}).exitCode;
  if (probe != 0) return "the ASC MHL reference tool does not run here (exit " + std::to_string(probe) + ")";
  return std::nullopt;
}

inline ProcessResult AscMhlReference(std::vector<std::string> args) {
  args.insert(args.begin(), kAscMhlReference.string());
  return RunProcess(args);
}
#endif

}  // namespace quillon::testsupport
