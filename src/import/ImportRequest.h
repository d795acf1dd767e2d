#pragma once
// What one import is asked to do. Made once, before the import starts, and never changed: the
// clips are copies, so that a new scan of the catalogue cannot reach the copy.
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "import/ImportState.h"
#include "unit/Clip.h"

namespace quillon {

class ClipCatalogue;

struct ImportRequest {
  std::vector<Clip> clips;     // in the order they are copied
  std::u16string unitRoot;     // the unit they come from: never written, no destination inside it
  // Every chunk file of the unit: no output's name may lead to one of them.
  std::vector<std::u16string> unitFiles;
  std::u16string destination;
  int prefix = 0;  // 0-99, at the start of names of clips from numbered folders
  OverwritePolicy overwrite = OverwritePolicy::Ask;
  bool verify = true;  // read every output back from the disk and compare it before it takes its name
  // Only look: nothing is removed from the destination, and the names take no stamp from the
  // process's running count.
  bool lookOnly = false;
  // A rescue: a read error never fails a clip. What can be read is copied, what cannot is
  // narrowed down and retried this many more times, and written as zeros into an output named
  // so, beside its map; a later rescue reads only what is still missing.
  bool rescue = false;
  int retries = 1;
  // A second folder that takes every output too, from the same read of the unit, checked and
  // with a history of its own; empty for none. Not with a rescue, which writes the destination
  // alone.
  std::u16string secondCopy;
  // Each folder's ASC MHL history gains a generation for the files this import placed there.
  bool mhl = false;
  // A call to the unit that has not returned for this long is told (UnitSilentEvent).
  std::chrono::milliseconds unitSilentAfter{10000};
};

// A request for the catalogue's rows (in ascending order, each once), with the unit's root and
// files; the rest as given.
ImportRequest RequestFor(const ClipCatalogue& catalogue, std::vector<std::size_t> rows);

}  // namespace quillon
