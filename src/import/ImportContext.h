#pragma once
// The process-wide record: what lives as long as the process, not as long as one import.
#include <atomic>
#include <cstdint>

namespace quillon {

class ImportContext {
 public:
  ImportContext();

  // The locale of the clip list's dates: the user's own, or English (United States) for users
  // of Arabic and Hebrew.
  std::uint32_t dateLocale;
  // The last stamp given to an output name without recording time. It only grows while the
  // process runs, so that no two such names of one run share a stamp.
  std::atomic<std::int64_t> lastNoTime{0};
};

ImportContext& TheImportContext();

}  // namespace quillon
