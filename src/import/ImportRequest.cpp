#include "import/ImportRequest.h"

#include <algorithm>

#include "catalogue/ClipCatalogue.h"

namespace quillon {

ImportRequest RequestFor(const ClipCatalogue& catalogue, std::vector<std::size_t> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  ImportRequest request;
  for (std::size_t row : rows) request.clips.push_back(catalogue.At(row));
  request.unitRoot = catalogue.Root();
  for (std::size_t i = 0; i < catalogue.Count(); ++i) {
    for (const Chunk& chunk : catalogue.At(i).chunks) request.unitFiles.push_back(chunk.path);
  }
  return request;
}

}  // namespace quillon
