// File names on the unit are any bytes: the conversion to UTF-16 and back must give the very
// same bytes, or a file listed by the scan could not be opened again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzFile.h"
#include "platform/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = quillon::platform::FromUtf8(bytes);
  quillon::fuzz::Require(text.size() <= size);
  quillon::fuzz::Require(quillon::platform::ToUtf8(text) == bytes);
  return 0;
}
