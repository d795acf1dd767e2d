#include "import/ImportReport.h"

#include <cstdio>

#include "platform/Text.h"

namespace quillon {

namespace {

std::u16string U(std::string_view ascii) { return platform::FromUtf8(ascii); }

std::u16string InParentheses(const std::string& detail) {
  return detail.empty() ? std::u16string() : u" (" + platform::FromUtf8(detail) + u")";
}

}  // namespace

ScaledSize ScaleBytes(std::uint64_t bytes) {
  if (bytes < 1024) return {std::to_string(bytes), 0};
  constexpr int kLargest = 4;  // TiB
  double value = static_cast<double>(bytes) / 1024;
  int unit = 1;
  while (value >= 1024 && unit < kLargest) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
  return {text, unit};
}

std::string ByteSizeText(std::uint64_t bytes) {
  static constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  const ScaledSize size = ScaleBytes(bytes);
  return size.number + " " + (bytes == 1 ? "byte" : kUnits[size.unit]);
}

std::u16string ClipFailure::Describe() const {
  std::u16string what;
  switch (kind) {
    case FailureKind::ChunkOpen: what = file + U(" could not be opened") + InParentheses(detail); break;
    case FailureKind::ChunkRead: what = file + U(" could not be read") + InParentheses(detail); break;
    case FailureKind::ChunkEnded:
      what = file + U(" ended before all its bytes were read; the unit may have been disconnected");
      break;
    case FailureKind::OutputCreate: what = file + U(" could not be created") + InParentheses(detail); break;
    case FailureKind::OutputWrite: what = file + U(" could not be written") + InParentheses(detail); break;
    case FailureKind::OutputSync: what = file + U(" could not be saved to the disk") + InParentheses(detail); break;
    case FailureKind::OutputReadBack: what = file + U(" could not be read back to check it") + InParentheses(detail); break;
    case FailureKind::OutputMismatch: what = file + U(" read back differs from the bytes copied from the unit"); break;
    case FailureKind::OutputPlace: what = file + U(" could not be put in place") + InParentheses(detail); break;
    case FailureKind::FolderSync:
      what = file + U(" is in place, but the destination folder could not be saved to the disk") + InParentheses(detail);
      break;
    case FailureKind::SameAsUnitFile:
      what = file + U(" in the destination folder is a file of the unit; it was left as it is");
      break;
    case FailureKind::ExistsAfterFailure:
      what = file + U(" already exists and was kept, because an earlier output file could not be created");
      break;
    case FailureKind::TooLarge:
      what = file + U(" would be ") + U(detail) + U(", more than the destination's file system can hold in one file");
      break;
    case FailureKind::Internal: what = U("an unexpected error stopped the copy") + InParentheses(detail); break;
  }
  return clip + u": " + what;
}

std::u16string Refusal::Describe() const {
  switch (kind) {
    case RefusalKind::NoDestination: return U("The destination folder ") + destination + U(" does not exist.");
    case RefusalKind::NotAFolder: return U("The destination ") + destination + U(" is not a folder.");
    case RefusalKind::NotWritable:
      return U("Files cannot be created in the destination folder ") + destination + InParentheses(detail) + u".";
    case RefusalKind::InsideUnit:
      return U("The destination folder ") + destination +
             U(" is inside the recording unit, which is never written. Choose a folder on another drive.");
    case RefusalKind::NotEnoughSpace:
      return U("The import needs ") + U(ByteSizeText(neededBytes)) + U(", but the destination folder ") + destination +
             U(" has ") + U(ByteSizeText(availableBytes)) + U(" free. Nothing was copied.");
  }
  return {};
}

}  // namespace quillon
