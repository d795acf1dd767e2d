// The readers of an ASC MHL history over hostile text: the chain's, whose every accepted chain
// reads back the same from the text written of it, and the manifests', built on the same XML
// reader, over the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzFile.h"
#include "import/AscMhl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using quillon::fuzz::Require;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto chain = quillon::ReadMhlChain(text, error);
  Require(chain.has_value() == error.empty());
  if (chain) {
    std::string again;
    const auto read = quillon::ReadMhlChain(quillon::MhlChainText(*chain), again);
    Require(read && *read == *chain);
  }
  error.clear();
  const auto manifest = quillon::ReadMhlManifest(text, error);
  Require(manifest.has_value() == error.empty());
  if (manifest) {
    for (const quillon::MhlRecordedHash& hash : manifest->hashes) Require(!hash.path.empty());
  }
  return 0;
}
