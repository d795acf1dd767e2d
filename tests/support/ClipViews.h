#pragma once
// Compact views of a catalogue and a clip's chunk list for assertions.
#include <string>
#include <vector>

#include "catalogue/ClipCatalogue.h"
#include "unit/Clip.h"

namespace quillon::testsupport {

inline std::vector<std::u16string> Names(const ClipCatalogue& catalogue) {
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < catalogue.Count(); ++i) names.push_back(catalogue.ClipName(i));
  return names;
}

inline std::vector<std::u16string> FileNames(const Clip& clip) {
  std::vector<std::u16string> names;
  for (const auto& c : clip.chunks) names.push_back(c.fileName);
  return names;
}

inline std::vector<bool> Continues(const Clip& clip) {
  std::vector<bool> flags;
  for (const auto& c : clip.chunks) flags.push_back(c.continues);
  return flags;
}

}  // namespace quillon::testsupport
