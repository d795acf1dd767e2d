#include "import/RescueMap.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace quillon {

namespace {

constexpr char kBlockStatuses[] = "?*/-+";
constexpr char kPhases[] = "?*/-FG+";

bool IsStatus(char c, const char* statuses) { return c != '\0' && std::string_view(statuses).find(c) != std::string_view::npos; }

// ddrescue's own widths: at least eight hex digits, upper case.
std::string Hex(std::uint64_t value) {
  std::string digits;
  do {
    digits.insert(digits.begin(), "0123456789ABCDEF"[value % 16]);
    value /= 16;
  } while (value != 0);
  if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
  return "0x" + digits;
}

// A heading field on one line: control characters become spaces, and a field too long is cut
// where a UTF-8 character begins.
std::string OneLine(std::string_view text) {
  constexpr std::size_t kMaxField = kMaxMapLineLength - 64;
  std::string line(text.substr(0, kMaxField));
  if (text.size() > kMaxField) {
    while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) line.pop_back();
    if (!line.empty() && (static_cast<unsigned char>(line.back()) & 0x80) != 0) line.pop_back();
  }
  for (char& c : line) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return line;
}

// What the rescue was doing, as ddrescue says it on the screen and in its heading.
std::string PhaseText(const RescueProgress& p) {
  const std::string pass = std::to_string(p.pass) + (p.pass % 2 != 0 ? " (forwards)" : " (backwards)");
  switch (p.phase) {
    case RescuePhase::Copying: return "Copying non-tried blocks... Pass " + pass;
    case RescuePhase::Trimming: return "Trimming failed blocks... (forwards)";
    case RescuePhase::Scraping: return "Scraping failed blocks... (forwards)";
    case RescuePhase::Retrying: return "Retrying bad sectors... Retry " + pass;
    case RescuePhase::Filling: return "Filling specified blocks...";
    case RescuePhase::Generating: return "Generating approximate mapfile...";
    case RescuePhase::Finished: break;
  }
  return "Finished";
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The words of a line before its comment ('#' at the line's beginning or after white space).
// Four words mean four or more.
struct Words {
  std::array<std::string_view, 4> word;
  std::size_t count = 0;
};

Words Split(std::string_view line) {
  Words w;
  std::size_t i = 0;
  while (i < line.size() && w.count < w.word.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == '#') break;
    const std::size_t begin = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    w.word[w.count++] = line.substr(begin, i - begin);
  }
  return w;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A position or size as a C++ integer constant: 0x hexadecimal, 0 octal, else decimal; never
// above kMaxMapPosition.
std::optional<std::uint64_t> Number(std::string_view word) {
  unsigned base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  } else if (word.size() > 1 && word[0] == '0') {
    base = 8;
    word.remove_prefix(1);
  }
  if (word.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : word) {
    const int digit = DigitValue(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
    if (value > (kMaxMapPosition - static_cast<unsigned>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<unsigned>(digit);
  }
  return value;
}

// The pass: a positive decimal number that fits an int.
std::optional<int> Pass(std::string_view word) {
  if (word.empty() || word[0] == '0') return std::nullopt;
  int value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value > (std::numeric_limits<int>::max() - (c - '0')) / 10) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// A word of the text for an error message: printable ASCII, and not much of it.
std::string Quoted(std::string_view word) {
  std::string out = "'";
  for (char c : word.substr(0, 24)) out += c >= 0x20 && c < 0x7F ? c : '?';
  return out + (word.size() > 24 ? "...'" : "'");
}

RescueMapParse Refused(std::size_t line, const std::string& why) {
  return {std::nullopt, line == 0 ? why : "line " + std::to_string(line) + ": " + why};
}

}  // namespace

RescueMap::RescueMap(std::uint64_t size) {
  if (size > 0) Append(size, AreaStatus::NonTried);
}

std::size_t RescueMap::Index(AreaStatus status) {
  switch (status) {
    case AreaStatus::NonTried: return 0;
    case AreaStatus::NonTrimmed: return 1;
    case AreaStatus::NonScraped: return 2;
    case AreaStatus::BadSector: return 3;
    case AreaStatus::Finished: return 4;
  }
  return 0;
}

void RescueMap::Append(std::uint64_t size, AreaStatus status) {
  if (!blocks_.empty() && std::prev(blocks_.end())->second.status == status) {
    std::prev(blocks_.end())->second.end += size;
  } else {
    blocks_.emplace_hint(blocks_.end(), size_, Block{size_ + size, status});
  }
  size_ += size;
  bytes_[Index(status)] += size;
}

RescueMap::Blocks::const_iterator RescueMap::Holding(std::uint64_t pos) const {
  return std::prev(blocks_.upper_bound(pos));
}

void RescueMap::SplitAt(std::uint64_t pos) {
  if (pos == 0 || pos >= size_) return;
  const auto it = std::prev(blocks_.upper_bound(pos));
  if (it->first == pos) return;
  blocks_.emplace_hint(std::next(it), pos, it->second);
  it->second.end = pos;
}

void RescueMap::MergeAround(Blocks::iterator it) {
  const auto next = std::next(it);
  if (next != blocks_.end() && next->second.status == it->second.status) {
    it->second.end = next->second.end;
    blocks_.erase(next);
  }
  if (it != blocks_.begin()) {
    const auto prev = std::prev(it);
    if (prev->second.status == it->second.status) {
      prev->second.end = it->second.end;
      blocks_.erase(it);
    }
  }
}

void RescueMap::Mark(std::uint64_t pos, std::uint64_t size, AreaStatus status) {
  if (pos >= size_ || size == 0) return;
  const std::uint64_t end = size > size_ - pos ? size_ : pos + size;
  SplitAt(pos);
  SplitAt(end);
  const auto first = blocks_.find(pos);
  const auto last = blocks_.lower_bound(end);
  for (auto it = first; it != last; ++it) bytes_[Index(it->second.status)] -= it->second.end - it->first;
  const auto marked = blocks_.emplace_hint(blocks_.erase(first, last), pos, Block{end, status});
  bytes_[Index(status)] += end - pos;
  MergeAround(marked);
}

RescueArea RescueMap::AreaAt(std::uint64_t pos) const { return AreaOf(Holding(pos)); }

std::optional<RescueArea> RescueMap::NextArea(std::uint64_t pos, AreaStatus status) const {
  if (pos >= size_) return std::nullopt;
  for (auto it = Holding(pos); it != blocks_.end(); ++it) {
    if (it->second.status == status) return AreaOf(it);
  }
  return std::nullopt;
}

std::optional<RescueArea> RescueMap::PreviousArea(std::uint64_t end, AreaStatus status) const {
  if (end == 0 || size_ == 0) return std::nullopt;
  for (auto it = Holding(std::min(end, size_) - 1);; --it) {
    if (it->second.status == status) return AreaOf(it);
    if (it == blocks_.begin()) return std::nullopt;
  }
}

std::vector<RescueArea> RescueMap::Areas() const {
  std::vector<RescueArea> areas;
  for (auto it = blocks_.begin(); it != blocks_.end(); ++it) areas.push_back(AreaOf(it));
  return areas;
}

std::vector<RescueArea> RescueMap::Areas(AreaStatus status) const {
  std::vector<RescueArea> areas;
  for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
    if (it->second.status == status) areas.push_back(AreaOf(it));
  }
  return areas;
}

bool operator==(const RescueMap& a, const RescueMap& b) {
  if (a.size_ != b.size_ || a.progress_ != b.progress_ || a.blocks_.size() != b.blocks_.size()) return false;
  for (auto i = a.blocks_.begin(), j = b.blocks_.begin(); i != a.blocks_.end(); ++i, ++j) {
    if (i->first != j->first || i->second.end != j->second.end || i->second.status != j->second.status) return false;
  }
  return true;
}

std::string RescueMap::Text(const MapHeader& header) const {
  std::string text = "# Mapfile. Created by " + OneLine(header.program);
  if (!header.version.empty()) text += " version " + OneLine(header.version);
  text += '\n';
  if (!header.commandLine.empty()) text += "# Command line: " + OneLine(header.commandLine) + '\n';
  if (!header.startTime.empty()) text += "# Start time:   " + OneLine(header.startTime) + '\n';
  if (!header.currentTime.empty()) text += "# Current time: " + OneLine(header.currentTime) + '\n';
  text += "# " + PhaseText(progress_) + '\n';
  text += "# current_pos  current_status  current_pass\n";
  text += Hex(progress_.pos) + "     " + static_cast<char>(progress_.phase) + "               " +
          std::to_string(progress_.pass) + '\n';
  text += "#      pos        size  status\n";
  for (const auto& [pos, block] : blocks_) {
    text += Hex(pos) + "  " + Hex(block.end - pos) + "  " + static_cast<char>(block.status) + '\n';
  }
  return text;
}

RescueMapParse RescueMap::Parse(std::string_view text) {
  if (text.size() > kMaxMapTextSize) return Refused(0, "the map is larger than " + std::to_string(kMaxMapTextSize) + " bytes");
  RescueMap map;
  bool statusRead = false;
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (++number > kMaxMapLines) return Refused(0, "the map has more than " + std::to_string(kMaxMapLines) + " lines");
    if (line.size() > kMaxMapLineLength) {
      return Refused(number, "longer than " + std::to_string(kMaxMapLineLength) + " characters");
    }
    const Words w = Split(line);
    if (w.count == 0) continue;

    if (!statusRead) {
      // current_pos current_status [current_pass]: maps of older ddrescue versions have no pass.
      if (w.count < 2 || w.count > 3) return Refused(number, "the status line wants a position, a status and a pass");
      const auto pos = Number(w.word[0]);
      if (!pos) return Refused(number, "not a position: " + Quoted(w.word[0]));
      if (w.word[1].size() != 1 || !IsStatus(w.word[1][0], kPhases)) {
        return Refused(number, "not a status of the rescue: " + Quoted(w.word[1]));
      }
      const auto pass = w.count == 3 ? Pass(w.word[2]) : std::optional<int>(1);
      if (!pass) return Refused(number, "not a pass (a positive decimal number): " + Quoted(w.word[2]));
      map.progress_ = {*pos, static_cast<RescuePhase>(w.word[1][0]), *pass};
      statusRead = true;
      continue;
    }

    if (w.count != 3) return Refused(number, "a block line wants a position, a size and a status");
    const auto pos = Number(w.word[0]);
    if (!pos) return Refused(number, "not a position: " + Quoted(w.word[0]));
    const auto size = Number(w.word[1]);
    if (!size) return Refused(number, "not a size: " + Quoted(w.word[1]));
    if (w.word[2].size() != 1 || !IsStatus(w.word[2][0], kBlockStatuses)) {
      return Refused(number, "not a status of a block: " + Quoted(w.word[2]));
    }
    if (*pos != map.size_) {
      return Refused(number, "the block begins at " + Hex(*pos) + ", not where the blocks before it end (" +
                                 Hex(map.size_) + ")");
    }
    if (*size == 0) return Refused(number, "the block is empty");
    if (*size > kMaxMapPosition - *pos) return Refused(number, "the block ends beyond the largest position");
    map.Append(*size, static_cast<AreaStatus>(w.word[2][0]));
  }
  if (!statusRead) return Refused(0, "the map has no status line");
  return {std::move(map), {}};
}

}  // namespace quillon
