#include "unit/IdxReader.h"

#include <cstring>

#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace quillon {

namespace {

constexpr std::size_t kClipNameLength = 7;
constexpr char kMagic[8] = {'I', 'N', 'D', 'X', 'V', '2', '0', '0'};
constexpr std::size_t kFlagOffset = 8;
constexpr std::size_t kCheckOffset = 11;
constexpr std::size_t kCountOffset = 12;
constexpr std::uint8_t kCheckValue = 0x1A;

std::u16string TwoDigits(unsigned value) {
  value %= 100;
  return {static_cast<char16_t>(u'0' + value / 10), static_cast<char16_t>(u'0' + value % 10)};
}

std::u16string DatePath(const std::u16string& base, const std::uint8_t* e) {
  // base_20YY-MM-DD_hhmmss.M2T
  std::u16string p = base + u"_20" + TwoDigits(e[2]) + u'-' + TwoDigits(e[3]) + u'-' + TwoDigits(e[4]) + u'_' +
                     TwoDigits(e[5]) + TwoDigits(e[6]) + TwoDigits(e[7]) + u".M2T";
  return p;
}

std::u16string FileEntryPath(const std::u16string& base, const std::uint8_t* e) {
  // base_0000-00-00_00cccc.M2T, each byte taken as the character of the same code
  std::u16string p = base + u"_0000-00-00_00";
  for (int k = 4; k < 8; ++k) p += static_cast<char16_t>(e[k]);
  return p + u".M2T";
}

// Four decimal digits in the low nibbles of bytes 12-15; a nibble above 9 counts at face value.
std::size_t EntryCount(const std::uint8_t* header) {
  const std::uint8_t* c = header + kCountOffset;
  return 1000u * (c[0] & 0x0F) + 100u * (c[1] & 0x0F) + 10u * (c[2] & 0x0F) + (c[3] & 0x0F);
}

}  // namespace

std::u16string IdxChunkBase(const std::u16string& idxPath) {
  const auto slash = idxPath.rfind(platform::kSeparator);
  if (slash == std::u16string::npos || slash == 0) return idxPath.substr(0, kClipNameLength);
  const std::u16string name = idxPath.substr(slash + 1);
  return idxPath.substr(0, slash + 1) + name.substr(0, kClipNameLength);
}

IdxResult ParseIdx(std::span<const std::uint8_t> bytes, const std::u16string& base) {
  IdxResult result;
  if (bytes.size() < kIdxHeaderSize) return result;
  if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return result;
  if ((bytes[kFlagOffset] & 0x80) == 0) return result;
  if ((bytes[kCheckOffset] & 0x7F) != kCheckValue) return result;
  const std::size_t count = EntryCount(bytes.data());
  // An index that claims more entries than it holds is rejected as a whole.
  if ((bytes.size() - kIdxHeaderSize) / kIdxEntrySize < count) return result;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = bytes.data() + kIdxHeaderSize + i * kIdxEntrySize;
    if (e[0] == 'D' && e[1] == 'T') {
      result.chunkPaths.push_back(DatePath(base, e));
    } else if (std::memcmp(e, "FILE", 4) == 0) {
      result.chunkPaths.push_back(FileEntryPath(base, e));
    }
  }
  result.accepted = !result.chunkPaths.empty();
  return result;
}

IdxResult ReadIdx(const std::u16string& idxPath) {
  auto file = platform::Files().OpenRead(idxPath);
  if (!file) return {};
  std::vector<std::uint8_t> bytes(kIdxHeaderSize);
  if (file->ReadFully(bytes.data(), kIdxHeaderSize) != static_cast<std::int64_t>(kIdxHeaderSize)) return {};
  // Reads no more entries than the header counts; the parser checks the rest.
  const std::size_t count = EntryCount(bytes.data());
  bytes.resize(kIdxHeaderSize + count * kIdxEntrySize);
  const std::int64_t n = file->ReadFully(bytes.data() + kIdxHeaderSize, count * kIdxEntrySize);
  bytes.resize(kIdxHeaderSize + static_cast<std::size_t>(n < 0 ? 0 : n));
  return ParseIdx(bytes, IdxChunkBase(idxPath));
}

}  // namespace quillon
