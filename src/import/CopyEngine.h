#pragma once
// Copies one clip's chunks, byte for byte, into one or more output files.
#include <cstdint>
#include <functional>
#include <string>

#include "import/ImportContext.h"
#include "unit/Clip.h"

namespace quillon {

class ClipCatalogue;

// Asks whether an existing output file may be replaced; answers an OverwriteAnswer.
// Called on the worker thread, blocks until answered.
class OverwriteAsker {
 public:
  virtual ~OverwriteAsker() = default;
  virtual int AskOverwrite(const std::u16string& path) = 0;
};

// Told the KiB just copied or skipped; answers true when the copy must stop.
using ProgressCallback = std::function<bool(std::uint32_t kib)>;

struct CopyEnvironment {
  ImportContext& context;
  NamingState& naming;
  OverwriteAsker& asker;
};

inline constexpr std::size_t kCopyBlockSize = 1024;

// True when the list was worked through or the copy stopped on request; false on a failure.
bool CopyChunks(Clip& clip, CopyEnvironment& env, const ProgressCallback& progress);

// CopyChunks on the catalogue's clip at index (std::out_of_range beyond the end).
bool CopyClip(const ClipCatalogue& catalogue, std::size_t index, CopyEnvironment& env,
              const ProgressCallback& progress);

}  // namespace quillon
