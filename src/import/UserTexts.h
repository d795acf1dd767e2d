#pragma once
// English texts the import shows its user, for front ends without a translation system.

namespace quillon {

inline constexpr const char* kImportFailedText =
    "Failed to import the files. Remove the Read-only attribute of the destination drive, or increase its "
    "available space.";
inline constexpr const char* kOverwriteQuestionText = "This folder already contains a file named '%s'.";
inline constexpr const char* kOverwriteLineText = "Would you like replace the existing file?";

}  // namespace quillon
