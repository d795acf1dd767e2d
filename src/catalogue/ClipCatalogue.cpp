#include "catalogue/ClipCatalogue.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <unordered_map>

#include "catalogue/RowText.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "unit/KindTable.h"

namespace quillon {

namespace {

constexpr std::size_t kClipNameLength = 7;

bool IsDotName(const std::u16string& name) { return !name.empty() && name.front() == u'.'; }

}  // namespace

bool ClipCatalogue::Scan(const std::u16string& root, bool hdv, bool dv) {
  root_ = root;
  clips_.clear();
  if (hdv) IndexPass();
  FlatScan(hdv, dv);
  if (clips_.empty()) NumberedFolders(hdv, dv);
  std::sort(clips_.begin(), clips_.end(), [](const ClipHandle& a, const ClipHandle& b) { return ClipLess(*a, *b); });
  return true;
}

void ClipCatalogue::Clear() {
  clips_.clear();
  root_.clear();
}

void ClipCatalogue::IndexPass() {
  const std::u16string flat = platform::JoinPath(root_, {u"VIDEO", u"QVT"});
  for (const auto& entry : platform::Files().Find(flat, u"*.IDX")) {
    if (entry.isDirectory || IsDotName(entry.name)) continue;
    ClipHandle clip = Clip::FromIndex(entry.name, entry.path);
    if (!clip->chunks.empty() && (clip->kindBits & kBitM2T) != 0) clips_.push_back(std::move(clip));
  }
}

void ClipCatalogue::FlatScan(bool hdv, bool dv) {
  const std::u16string flat = platform::JoinPath(root_, {u"VIDEO", u"QVT"});
  // Files grouped by their first seven characters; equal keys keep their order of arrival.
  std::multimap<std::u16string, std::u16string> byName;
  for (std::size_t k = 0; k < kKindTable.size(); ++k) {
    if (!(k == kKindM2T ? hdv : dv)) continue;
    const std::u16string pattern = u"???????*." + std::u16string(kKindTable[k]);
    for (auto& entry : platform::Files().Find(flat, pattern)) {
      if (entry.isDirectory || entry.size == 0 || IsDotName(entry.name)) continue;
      byName.emplace(entry.name.substr(0, kClipNameLength), std::move(entry.path));
    }
  }
  // Each file joins the first clip of its name in catalogue order, or a new name clip.
  std::unordered_map<std::u16string, Clip*> firstByName;
  for (const auto& c : clips_) firstByName.emplace(c->name, c.get());
  for (const auto& [key, path] : byName) {
    auto [it, added] = firstByName.emplace(key, nullptr);
    if (added) {
      clips_.push_back(Clip::Named(flat, key));
      it->second = clips_.back().get();
    }
    it->second->AddFile(path);
  }
}

void ClipCatalogue::NumberedFolders(bool hdv, bool dv) {
  const auto pass = [this](const std::u16string& parent, std::u16string_view pattern) {
    for (const auto& entry : platform::Files().Find(platform::JoinPath(root_, {parent}), pattern)) {
      if (!entry.isDirectory || entry.name == u"." || entry.name == u"..") continue;
      ClipHandle clip = Clip::FromFolder(entry.name, entry.path);
      if (!clip->chunks.empty()) clips_.push_back(std::move(clip));
    }
  };
  if (hdv) pass(u"HDVF", u"???HDVF");
  if (dv) pass(u"DVF", u"???DVF");
}

void ClipCatalogue::GetRowTexts(std::vector<std::u16string>& rows, std::uint32_t dateLocale) const {
  rows.clear();
  rows.reserve(clips_.size());
  for (const auto& c : clips_) rows.push_back(RowText(*c, dateLocale));
}

std::uint64_t ClipCatalogue::GetClipSizeMiB(std::size_t index) const { return Handle(index)->SizeMiB(); }

const Clip& ClipCatalogue::At(std::size_t index) const { return *Handle(index); }

ClipHandle ClipCatalogue::Handle(std::size_t index) const {
  if (index >= clips_.size()) throw std::out_of_range("clip index out of range");
  return clips_[index];
}

}  // namespace quillon
