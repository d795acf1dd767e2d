#include "import/History.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "import/CopyEngine.h"
#include "platform/ContentHash.h"
#include "platform/Text.h"

namespace quillon {

namespace {

using Digest = std::array<std::uint8_t, 16>;

constexpr std::string_view kMagic = "quillon-history ";
constexpr std::string_view kImported = "imported";
constexpr std::string_view kAdopted = "adopted";
constexpr std::uint64_t kMaxSize = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
// A record's fields before its chunks (kind, output, size, hash, imported, clip), then four a chunk.
constexpr std::size_t kRecordFields = 6;
constexpr std::size_t kChunkFields = 4;
using platform::HexOf;

// The line's checksum: its bytes before the last tab, hashed.
std::string Checksum(platform::ContentHash& hash, std::string_view body) {
  hash.Reset();
  hash.Update(body.data(), body.size());
  return hash.Hex();
}

// Control characters (tab and line ends among them), the escape itself, and "\" so that no
// Windows reader takes it for a separator.
bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%' || c == '\\'; }

void AppendPercent(std::string& out, unsigned char byte) {
  out += '%';
  out += "0123456789ABCDEF"[byte >> 4];
  out += "0123456789ABCDEF"[byte & 0x0F];
}

// A name as the bytes the system knows it by (platform::ToUtf8), with "%XX" for each byte that
// needs an escape or is not UTF-8 (held in memory as U+DC80..U+DCFF).
void AppendEscaped(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    if (c < 0x80) {
      if (NeedsEscape(static_cast<unsigned char>(c))) {
        AppendPercent(out, static_cast<unsigned char>(c));
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (!pair && c >= 0xDC80 && c <= 0xDCFF) {
      AppendPercent(out, static_cast<unsigned char>(c & 0xFF));
      ++i;
      continue;
    }
    const std::size_t n = pair ? 2 : 1;
    out += platform::ToUtf8(text.substr(i, n));
    i += n;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The name a field holds; nothing when an escape is cut short or a control character stands
// unescaped.
std::optional<std::u16string> Unescaped(std::string_view field) {
  // Most fields hold no escape and no control character: taken as they are.
  if (std::none_of(field.begin(), field.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u == '%' || u < 0x20 || u == 0x7F;
      })) {
    return platform::FromUtf8(field);
  }
  std::string bytes;
  bytes.reserve(field.size());
  for (std::size_t i = 0; i < field.size();) {
    const auto c = static_cast<unsigned char>(field[i]);
    if (c == '%') {
      if (field.size() - i < 3) return std::nullopt;
      const int high = HexValue(field[i + 1]);
      const int low = HexValue(field[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      bytes += static_cast<char>(high * 16 + low);
      i += 3;
      continue;
    }
    if (c < 0x20 || c == 0x7F) return std::nullopt;
    bytes += static_cast<char>(c);
    ++i;
  }
  return platform::FromUtf8(bytes);
}

std::optional<std::u16string> PathOf(std::string_view field) {
  auto path = Unescaped(field);
  if (!path || !IsHistoryPath(*path)) return std::nullopt;
  return path;
}

// Decimal digits without a leading zero, never above max.
std::optional<std::uint64_t> Decimal(std::string_view word, std::uint64_t max) {
  if (word.empty() || (word.size() > 1 && word[0] == '0')) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<std::uint64_t> Size(std::string_view word) { return Decimal(word, kMaxSize); }

// Seconds since 1970, within kMinHistoryTime..kMaxHistoryTime; "-0" is not a time.
std::optional<std::int64_t> Time(std::string_view word) {
  if (word.starts_with('-')) {
    const auto magnitude = Decimal(word.substr(1), static_cast<std::uint64_t>(-kMinHistoryTime));
    if (!magnitude || *magnitude == 0) return std::nullopt;
    return -static_cast<std::int64_t>(*magnitude);
  }
  const auto value = Decimal(word, static_cast<std::uint64_t>(kMaxHistoryTime));
  if (!value) return std::nullopt;
  return static_cast<std::int64_t>(*value);
}

// 32 lowercase hexadecimal digits.
std::optional<Digest> DigestOf(std::string_view word) {
  if (word.size() != 32) return std::nullopt;
  Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) {
    const char high = word[2 * i];
    const char low = word[2 * i + 1];
    if ((high >= 'A' && high <= 'F') || (low >= 'A' && low <= 'F')) return std::nullopt;
    const int h = HexValue(high);
    const int l = HexValue(low);
    if (h < 0 || l < 0) return std::nullopt;
    digest[i] = static_cast<std::uint8_t>(h * 16 + l);
  }
  return digest;
}

std::vector<std::string_view> Fields(std::string_view body) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = body.find('\t');
    fields.push_back(body.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    body.remove_prefix(tab + 1);
  }
}

std::optional<HistoryRecord> RecordOf(const std::vector<std::string_view>& f) {
  if (f.size() < kRecordFields || (f.size() - kRecordFields) % kChunkFields != 0) return std::nullopt;
  HistoryRecord r;
  r.adopted = f[0] == kAdopted;
  auto output = PathOf(f[1]);
  const auto size = Size(f[2]);
  const auto hash = DigestOf(f[3]);
  const auto imported = Time(f[4]);
  auto clip = Unescaped(f[5]);
  if (!output || !size || !hash || !imported || !clip) return std::nullopt;
  r.output = std::move(*output);
  r.size = *size;
  r.hash = *hash;
  r.imported = *imported;
  r.clip = std::move(*clip);
  for (std::size_t i = kRecordFields; i < f.size(); i += kChunkFields) {
    HistoryChunk c;
    auto path = PathOf(f[i]);
    const auto chunkSize = Size(f[i + 1]);
    const auto lastWrite = Time(f[i + 2]);
    if (!path || !chunkSize || !lastWrite) return std::nullopt;
    if (f[i + 3] != "-") {
      c.head = DigestOf(f[i + 3]);
      if (!c.head) return std::nullopt;
    }
    c.path = std::move(*path);
    c.size = *chunkSize;
    c.lastWrite = *lastWrite;
    r.chunks.push_back(std::move(c));
  }
  return r;
}

std::string RecordLine(const HistoryRecord& r, platform::ContentHash& hash) {
  std::string body(r.adopted ? kAdopted : kImported);
  body += '\t';
  AppendEscaped(body, r.output);
  body += '\t' + std::to_string(r.size) + '\t' + HexOf(r.hash) + '\t' + std::to_string(r.imported) + '\t';
  AppendEscaped(body, r.clip);
  for (const HistoryChunk& c : r.chunks) {
    body += '\t';
    AppendEscaped(body, c.path);
    body += '\t' + std::to_string(c.size) + '\t' + std::to_string(c.lastWrite) + '\t' + (c.head ? HexOf(*c.head) : "-");
  }
  return body + '\t' + Checksum(hash, body) + '\n';
}

// The text up to the next line end, taken off text; a CR before the LF is dropped, so that a
// file saved with Windows line ends still reads.
std::string_view NextLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

std::optional<std::string> HeaderError(std::string_view line) {
  const std::string notHistory = "not a Quillon history: its first line is not \"quillon-history " +
                                 std::to_string(kHistoryVersion) + "\"";
  if (!line.starts_with(kMagic)) return notHistory;
  line.remove_prefix(kMagic.size());
  std::size_t digits = 0;
  std::uint64_t version = 0;
  while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') {
    // A number too long to read is still newer than this version's.
    version = std::min<std::uint64_t>(version * 10 + static_cast<std::uint64_t>(line[digits] - '0'), 1u << 30);
    ++digits;
  }
  if (digits > 0 && version > static_cast<std::uint64_t>(kHistoryVersion)) {
    return "written by a newer version of Quillon (history format " + std::string(line.substr(0, std::min<std::size_t>(digits, 12))) +
           (digits > 12 ? "..." : "") + "; this version reads format " + std::to_string(kHistoryVersion) + ")";
  }
  if (line != std::to_string(kHistoryVersion)) return notHistory;
  return std::nullopt;
}

// Keeps, of the records of one output, only the last, where it stands.
void KeepLastOfEachOutput(std::vector<HistoryRecord>& records) {
  std::unordered_set<std::u16string> seen;
  std::vector<HistoryRecord> kept;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    if (seen.insert(it->output).second) kept.push_back(std::move(*it));
  }
  std::reverse(kept.begin(), kept.end());
  records = std::move(kept);
}

std::string LastErrorText() { return platform::ErrorText(platform::LastError()); }

}  // namespace

bool IsHistoryPath(std::u16string_view path) {
  if (path.empty()) return false;
  for (char16_t c : path) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  const bool letter = (path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z');
  if (path.size() >= 2 && letter && path[1] == u':') return false;
  // A separator at the start or the end, or two together, leave an empty name.
  for (std::size_t begin = 0;;) {
    const std::size_t end = path.find_first_of(u"/\\", begin);
    const std::u16string_view name = path.substr(begin, end == std::u16string_view::npos ? end : end - begin);
    if (name.empty() || name == u"." || name == u"..") return false;
    if (end == std::u16string_view::npos) return true;
    begin = end + 1;
  }
}

HistoryRead ParseHistory(std::string_view text) {
  HistoryRead read;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // the byte order mark some editors add
  read.error = HeaderError(NextLine(text));
  if (read.error) return read;
  platform::ContentHash hash;
  while (!text.empty()) {
    const std::string_view line = NextLine(text);
    if (line.empty()) continue;
    const std::size_t tab = line.rfind('\t');
    if (line.size() > kMaxHistoryLine || tab == std::string_view::npos ||
        line.substr(tab + 1) != Checksum(hash, line.substr(0, tab))) {
      ++read.damaged;
      continue;
    }
    const std::vector<std::string_view> fields = Fields(line.substr(0, tab));
    if (fields[0] != kImported && fields[0] != kAdopted) {
      read.otherLines.emplace_back(line);
      continue;
    }
    if (auto record = RecordOf(fields)) {
      read.records.push_back(std::move(*record));
    } else {
      ++read.damaged;
    }
  }
  KeepLastOfEachOutput(read.records);
  return read;
}

std::string HistoryText(const std::vector<HistoryRecord>& records, const std::vector<std::string>& otherLines) {
  std::string text = std::string(kMagic) + std::to_string(kHistoryVersion) + '\n';
  for (const std::string& line : otherLines) text += line + '\n';
  platform::ContentHash hash;
  for (const HistoryRecord& r : records) text += RecordLine(r, hash);
  return text;
}

HistoryRead LoadHistory(platform::Folder& folder) {
  HistoryRead read;
  const auto status = folder.LinkStatus(kHistoryName);
  if (!status) return read;  // none yet
  if (status->isDirectory || status->isLink) {
    read.error = "the history's name is taken by a folder or a link";
    return read;
  }
  const auto file = platform::Files().OpenRead(PathIn(folder, kHistoryName));
  if (!file) {
    read.error = "the history cannot be opened: " + LastErrorText();
    return read;
  }
  // Read to the end, whatever size the status gave: one byte past the limit tells a file too large.
  std::string text;
  constexpr std::size_t kBlock = 1u << 16;
  for (;;) {
    const std::size_t had = text.size();
    text.resize(had + kBlock);
    const std::int64_t n = file->Read(text.data() + had, kBlock);
    if (n < 0) {
      read.error = "the history cannot be read: " + LastErrorText();
      return read;
    }
    text.resize(had + static_cast<std::size_t>(n));
    if (n == 0) break;
    if (text.size() > kMaxHistorySize) {
      read.error = "the history is larger than " + std::to_string(kMaxHistorySize >> 20) + " MiB";
      return read;
    }
  }
  return ParseHistory(text);
}

bool AddToHistory(platform::Folder& folder, const std::vector<HistoryRecord>& records, std::string& error) {
  // A record that would not read back the same would be lost as a damaged line: refused now.
  for (const HistoryRecord& r : records) {
    const HistoryRead back = ParseHistory(HistoryText({r}));
    if (back.records.size() != 1 || back.records[0] != r) {
      error = "the history cannot hold the record of \"" + platform::ToUtf8(r.output) +
              "\": a path outside its folder, a number out of range or a name that does not read back the same";
      return false;
    }
  }
  HistoryRead old = LoadHistory(folder);
  if (old.error) {
    error = *old.error;
    return false;
  }
  std::vector<HistoryRecord> all = std::move(old.records);
  all.insert(all.end(), records.begin(), records.end());
  KeepLastOfEachOutput(all);
  const std::string text = HistoryText(all, old.otherLines);

  const auto out = folder.CreateOutput(kHistoryName);
  const bool written = out && out->Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size()) &&
                       out->Sync() && (out->Commit() || out->InPlace());
  // Taken before the output goes: removing its temporary file may change the system's error.
  if (!written) error = LastErrorText();
  return written;
}

bool SameUnitTime(std::int64_t recorded, std::int64_t seen) {
  // How far apart any two 64-bit times are fits 64 unsigned bits.
  const std::uint64_t apart = recorded > seen ? static_cast<std::uint64_t>(recorded) - static_cast<std::uint64_t>(seen)
                                              : static_cast<std::uint64_t>(seen) - static_cast<std::uint64_t>(recorded);
  return apart <= 24 * 3600 && apart % 1800 == 0;
}

}  // namespace quillon
