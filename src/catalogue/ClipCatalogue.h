#pragma once
// The ordered list of clips of one unit drive, rebuilt by each scan.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DateFormat.h"
#include "unit/Clip.h"

namespace quillon {

class ClipCatalogue {
 public:
  ClipCatalogue() = default;
  virtual ~ClipCatalogue() = default;

  // Rebuilds the catalogue from the drive's tree with the HDV and DV switches; always true.
  bool Scan(const std::u16string& root, bool hdv, bool dv);
  void Clear();

  // One list row per clip, in catalogue order; rows is emptied first.
  void GetRowTexts(std::vector<std::u16string>& rows,
                   std::uint32_t dateLocale = platform::kUserDefaultLocale) const;

  // An index at or beyond Count() throws std::out_of_range.
  std::uint64_t GetClipSizeMiB(std::size_t index) const;
  const Clip& At(std::size_t index) const;
  ClipHandle Handle(std::size_t index) const;
  const std::u16string& ClipName(std::size_t index) const { return At(index).name; }

  std::size_t Count() const { return clips_.size(); }
  const std::u16string& Root() const { return root_; }

 private:
  void IndexPass();
  void FlatScan(bool hdv, bool dv);
  void NumberedFolders(bool hdv, bool dv);

  std::u16string root_;
  std::vector<ClipHandle> clips_;
};

}  // namespace quillon
