#include "import/AscMhl.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <map>
#include <set>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/ContentHash.h"
#include "platform/HostName.h"
#include "platform/Path.h"
#include "platform/Sha512.h"
#include "platform/Text.h"
#include "version/Version.h"

namespace quillon {

namespace {

constexpr char16_t kHistoryFolder[] = u"ascmhl";
constexpr char16_t kChainName[] = u"ascmhl_chain.xml";
constexpr std::string_view kManifestEnding = ".mhl";
// Bounds on what is read back, far above any history of imports: a manifest line takes some
// 250 bytes a file, a chain's some 200 a generation.
constexpr std::size_t kMaxChainBytes = 8u << 20;
constexpr std::size_t kMaxManifestBytes = 64u << 20;
constexpr std::uint32_t kMaxGeneration = 999'999;
constexpr std::size_t kMaxDepth = 64;
constexpr std::size_t kMaxAttributes = 64;
// The folder's name in a manifest's file name is cut to this many bytes, so that the whole name
// stays within the 255 that file systems allow.
constexpr std::size_t kMaxFolderNameBytes = 200;
constexpr std::size_t kC4Length = 90;
constexpr char kBase58[] = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
// The hash formats a manifest may hold, as the ASC tool knows them.
constexpr std::string_view kHashFormats[] = {"c4", "md5", "sha1", "xxh128", "xxh3", "xxh64"};

// --- Characters --------------------------------------------------------------------------

bool IsXmlChar(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsAllSpace(std::string_view text) { return std::all_of(text.begin(), text.end(), IsSpace); }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The character that begins at pos, which moves past it; nothing for bytes that are no UTF-8
// (overlong forms and surrogates included).
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t extra = 0;
  char32_t c = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, c = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, c = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - pos <= extra) return std::nullopt;
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
  pos += extra + 1;
  return c;
}

bool IsXmlText(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const auto c = NextUtf8(text, pos);
    if (!c || !IsXmlChar(*c)) return false;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A name from a hostile file, as an error text shows it: cut short, and never in half a character.
std::string Shown(std::string_view text) {
  constexpr std::size_t kMax = 60;
  if (text.size() <= kMax) return "\"" + std::string(text) + "\"";
  std::size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(text.substr(0, cut)) + "...\"";
}

// --- Reading XML -------------------------------------------------------------------------

// A pull reader of the XML that ASC MHL files are made of: elements, attributes, text, CDATA,
// comments and processing instructions. A document type is refused, so no entity is known but
// XML's five and character references. The whole text is checked first for UTF-8 made of XML
// characters; names, references, tags and their nesting as they come, nesting to kMaxDepth.
class XmlReader {
 public:
  enum class Token { Start, End, Text, Finished, Failed };

  explicit XmlReader(std::string_view text) : text_(text) {
    if (text_.starts_with("\xEF\xBB\xBF")) pos_ = start_ = 3;
    if (!IsXmlText(text_.substr(pos_))) Fail("it is not UTF-8 text made of XML characters");
  }

  Token Next() {
    if (failed_) return Token::Failed;
    if (pendingEnd_) {  // the end of an empty-element tag
      pendingEnd_ = false;
      open_.pop_back();
      return Token::End;
    }
    while (pos_ < text_.size()) {
      if (text_[pos_] != '<') {
        if (!ReadCharacters()) return Token::Failed;
        if (!open_.empty()) return Token::Text;
        if (!IsAllSpace(chars_)) return Fail("text outside the root element");
        continue;
      }
      const std::string_view rest = text_.substr(pos_);
      if (rest.starts_with("<!--")) {
        if (!SkipPast("-->", 4)) return Fail("a comment without its end");
      } else if (rest.starts_with("<![CDATA[")) {
        if (open_.empty()) return Fail("CDATA outside the root element");
        const std::size_t end = text_.find("]]>", pos_ + 9);
        if (end == std::string_view::npos) return Fail("CDATA without its end");
        chars_.clear();
        AppendLines(text_.substr(pos_ + 9, end - pos_ - 9));
        pos_ = end + 3;
        return Token::Text;
      } else if (rest.starts_with("<!")) {
        return Fail("a document type or declaration, which this reader does not take");
      } else if (rest.starts_with("<?")) {
        if (!ReadInstruction()) return Token::Failed;
      } else if (rest.starts_with("</")) {
        return ReadEndTag();
      } else {
        return ReadStartTag();
      }
    }
    if (!rootSeen_ || !open_.empty()) return Fail("the text ends early");
    return Token::Finished;
  }

  // The local name (the prefix left out) of a Start or End.
  std::string_view Name() const { return name_; }
  // A Start's attribute of that whole name; null when it has none.
  const std::string* Attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes_) {
      if (key == name) return &value;
    }
    return nullptr;
  }
  // A Text's characters, references resolved.
  const std::string& Text() const { return chars_; }
  // What was wrong, and on which line.
  const std::string& Error() const { return error_; }

 private:
  Token Fail(const std::string& what) {
    if (!failed_) {
      const std::size_t upTo = std::min(pos_, text_.size());
      const auto line = 1 + std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(upTo), '\n');
      error_ = what + " (line " + std::to_string(line) + ")";
    }
    failed_ = true;
    return Token::Failed;
  }
  bool Failing(const std::string& what) {
    Fail(what);
    return false;
  }

  bool SkipPast(std::string_view end, std::size_t from) {
    const std::size_t at = text_.find(end, pos_ + from);
    if (at == std::string_view::npos) return false;
    pos_ = at + end.size();
    return true;
  }

  bool SkipSpace() {
    const std::size_t before = pos_;
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    return pos_ > before;
  }

  static bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
  }
  static bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
  }

  // A name, or empty when none begins at pos_.
  std::string ReadName() {
    const std::size_t begin = pos_;
    if (pos_ >= text_.size() || !IsNameStart(static_cast<unsigned char>(text_[pos_]))) return {};
    while (pos_ < text_.size() && IsNameChar(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    return std::string(text_.substr(begin, pos_ - begin));
  }

  static std::string_view LocalName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
  }

  // Line ends made "\n", as XML reads them.
  void AppendLines(std::string_view raw) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '\r') {
        chars_ += raw[i];
        continue;
      }
      chars_ += '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    }
  }

  // Resolves the references of raw into out; an attribute's white space becomes spaces.
  bool Decode(std::string_view raw, std::string& out, bool attribute) {
    for (std::size_t i = 0; i < raw.size();) {
      const char c = raw[i];
      if (c == '&') {
        const std::size_t semicolon = raw.find(';', i + 1);
        if (semicolon == std::string_view::npos || semicolon - i > 12) return Failing("a broken reference");
        const std::string_view ref = raw.substr(i + 1, semicolon - i - 1);
        if (!AppendReference(ref, out)) return false;
        i = semicolon + 1;
      } else if (c == '<') {
        return Failing("a '<' inside an attribute");
      } else if (c == '\r') {
        out += attribute ? ' ' : '\n';
        i += i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
      } else {
        out += attribute && (c == '\t' || c == '\n') ? ' ' : c;
        ++i;
      }
    }
    return true;
  }

  bool AppendReference(std::string_view ref, std::string& out) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [name, c] : kNamed) {
      if (ref == name) {
        out += c;
        return true;
      }
    }
    if (!ref.starts_with('#')) return Failing("an entity that XML does not define");
    const bool hex = ref.size() > 1 && ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty()) return Failing("a broken character reference");
    std::uint64_t value = 0;  // at most ten digits: no overflow
    for (const char d : digits) {
      int digit = -1;
      if (d >= '0' && d <= '9') digit = d - '0';
      else if (hex && d >= 'a' && d <= 'f') digit = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') digit = d - 'A' + 10;
      if (digit < 0) return Failing("a broken character reference");
      value = value * (hex ? 16 : 10) + static_cast<unsigned>(digit);
    }
    if (value > 0x10FFFF || !IsXmlChar(static_cast<char32_t>(value))) {
      return Failing("a reference to a character that XML does not allow");
    }
    AppendUtf8(out, static_cast<char32_t>(value));
    return true;
  }

  bool ReadCharacters() {
    const std::size_t end = std::min(text_.find('<', pos_), text_.size());
    chars_.clear();
    if (!Decode(text_.substr(pos_, end - pos_), chars_, false)) return false;
    pos_ = end;
    return true;
  }

  // "<?...?>": the XML declaration, which must come first and say UTF-8 if it names an
  // encoding, or an instruction to some other reader, passed over.
  bool ReadInstruction() {
    const std::size_t begin = pos_;
    if (!SkipPast("?>", 2)) return Failing("a processing instruction without its end");
    const std::string_view body = text_.substr(begin + 2, pos_ - begin - 4);
    std::string target(body.substr(0, std::min(body.find_first_of(" \t\r\n"), body.size())));
    for (char& c : target) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (target != "xml") return true;
    if (begin != start_) return Failing("an XML declaration that does not come first");
    const std::size_t key = body.find("encoding");
    if (key == std::string_view::npos) return true;
    std::string_view value = Trimmed(body.substr(key + 8));
    if (!value.starts_with('=')) return Failing("a broken XML declaration");
    value = Trimmed(value.substr(1));
    if (value.size() < 2 || (value[0] != '"' && value[0] != '\'')) return Failing("a broken XML declaration");
    const std::size_t close = value.find(value[0], 1);
    if (close == std::string_view::npos) return Failing("a broken XML declaration");
    std::string encoding(value.substr(1, close - 1));
    for (char& c : encoding) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (encoding != "UTF-8") return Failing("an encoding other than UTF-8");
    return true;
  }

  Token ReadEndTag() {
    pos_ += 2;
    const std::string name = ReadName();
    SkipSpace();
    if (name.empty() || pos_ >= text_.size() || text_[pos_] != '>') return Fail("a broken end tag");
    ++pos_;
    if (open_.empty() || open_.back() != name) return Fail("an end tag that closes no open element");
    open_.pop_back();
    name_ = LocalName(name);
    return Token::End;
  }

  Token ReadStartTag() {
    if (rootSeen_ && open_.empty()) return Fail("a second root element");
    ++pos_;
    std::string name = ReadName();
    if (name.empty()) return Fail("a broken tag");
    attributes_.clear();
    for (;;) {
      const bool spaced = SkipSpace();
      if (pos_ >= text_.size()) return Fail("a tag without its end");
      if (text_[pos_] == '>') {
        ++pos_;
        break;
      }
      if (text_.substr(pos_).starts_with("/>")) {
        pos_ += 2;
        pendingEnd_ = true;
        break;
      }
      if (!spaced) return Fail("a broken tag");
      std::string key = ReadName();
      SkipSpace();
      if (key.empty() || pos_ >= text_.size() || text_[pos_] != '=') return Fail("a broken attribute");
      ++pos_;
      SkipSpace();
      if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) return Fail("a broken attribute");
      const std::size_t close = text_.find(text_[pos_], pos_ + 1);
      if (close == std::string_view::npos) return Fail("an attribute without its end");
      std::string value;
      if (!Decode(text_.substr(pos_ + 1, close - pos_ - 1), value, true)) return Token::Failed;
      pos_ = close + 1;
      if (Attribute(key)) return Fail("an attribute given twice");
      if (attributes_.size() >= kMaxAttributes) return Fail("too many attributes");
      attributes_.emplace_back(std::move(key), std::move(value));
    }
    if (open_.size() >= kMaxDepth) return Fail("elements nested too deep");
    open_.push_back(std::move(name));
    rootSeen_ = true;
    name_ = LocalName(open_.back());
    return Token::Start;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;          // past a byte order mark
  std::vector<std::string> open_;  // whole names of the open elements
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::string name_;
  std::string chars_;
  std::string error_;
  bool pendingEnd_ = false;
  bool rootSeen_ = false;
  bool failed_ = false;
};

using Token = XmlReader::Token;

// A generation number as the chain's "sequencenr" or a manifest's name gives it.
std::optional<std::uint32_t> GenerationNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 7) return std::nullopt;
  std::uint32_t value = 0;
  for (const char d : digits) {
    if (d < '0' || d > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(d - '0');
  }
  if (value > kMaxGeneration) return std::nullopt;
  return value;
}

// A manifest's file name as the chain may give it: one plain name in ascmhl.
bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\\t\n\r") == std::string_view::npos;
}

bool IsC4IdText(std::string_view text) {
  return text.size() == kC4Length && text.starts_with("c4") &&
         text.find_first_not_of(kBase58, 2) == std::string_view::npos;
}

bool IsHex128(std::string_view text) {
  return text.size() == 32 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The generation number of a manifest's file name, as the ASC tool finds manifests: NNNN (four
// digits or more), then nothing or "_" and more, then ".mhl"; "._" files (macOS's) are not.
std::optional<std::uint32_t> ManifestNumber(std::string_view name) {
  if (name.starts_with("._") || !name.ends_with(kManifestEnding)) return std::nullopt;
  const std::string_view stem = name.substr(0, name.size() - kManifestEnding.size());
  const std::size_t digits = std::min(stem.find_first_not_of("0123456789"), stem.size());
  if (digits < 4 || (digits < stem.size() && (stem[digits] != '_' || digits + 1 == stem.size()))) return std::nullopt;
  if (stem.find_first_of("\n\r") != std::string_view::npos) return std::nullopt;
  return GenerationNumber(stem.substr(0, digits));
}

}  // namespace

std::optional<std::vector<MhlChainEntry>> ReadMhlChain(std::string_view text, std::string& error) {
  XmlReader xml(text);
  std::vector<MhlChainEntry> entries;
  const auto refuse = [&error](const std::string& why) {
    error = "not an ASC MHL chain: " + why;
    return std::optional<std::vector<MhlChainEntry>>();
  };
  std::size_t depth = 0;
  std::string value;           // the text of a <path> or <c4>
  std::string_view field;      // which of the two is open
  bool haveName = false, haveC4 = false;
  for (;;) {
    switch (xml.Next()) {
      case Token::Start: {
        ++depth;
        const std::string name(xml.Name());
        if (depth == 1 && name != "ascmhldirectory") return refuse("its root element is <" + name + ">");
        if (depth == 2) {
          if (name != "hashlist") return refuse("<" + name + "> among the generations");
          if (entries.size() >= kMaxGeneration) return refuse("more generations than a history holds");
          entries.emplace_back();
          haveName = haveC4 = false;
          if (const std::string* number = xml.Attribute("sequencenr")) {
            const auto sequence = GenerationNumber(Trimmed(*number));
            if (!sequence) return refuse("a sequence number " + Shown(*number));
            entries.back().sequence = *sequence;
          }
        } else if (depth == 3) {
          if (name == "path" && !haveName) {
            field = "path";
          } else if (name == "c4" && !haveC4) {
            field = "c4";
          } else {
            return refuse("<" + name + "> in a generation");
          }
          value.clear();
        } else if (depth > 3) {
          return refuse("<" + name + "> inside <" + std::string(field) + ">");
        }
        break;
      }
      case Token::Text:
        if (depth == 3) value += xml.Text();
        else if (!IsAllSpace(xml.Text())) return refuse("text between its elements");
        break;
      case Token::End: {
        MhlChainEntry* entry = entries.empty() ? nullptr : &entries.back();
        if (depth == 3 && field == "path") {
          entry->name = value;
          haveName = true;
        } else if (depth == 3) {
          entry->c4 = std::string(Trimmed(value));
          haveC4 = true;
        } else if (depth == 2) {
          if (!haveName || !haveC4) return refuse("a generation without its path or its c4 id");
          if (!IsPlainFileName(entry->name)) return refuse("a manifest named " + Shown(entry->name));
          if (!IsC4IdText(entry->c4)) return refuse("a c4 id " + Shown(entry->c4));
        }
        --depth;
        break;
      }
      case Token::Finished:
        return entries;
      case Token::Failed:
        return refuse(xml.Error());
    }
  }
}

std::optional<MhlManifest> ReadMhlManifest(std::string_view text, std::string& error) {
  XmlReader xml(text);
  MhlManifest manifest;
  const auto refuse = [&error](const std::string& why) {
    error = "not an ASC MHL manifest: " + why;
    return std::optional<MhlManifest>();
  };
  std::vector<std::string> open;  // local names of the open elements
  // The element whose text is taken, at the depth it is open: a hash's path or xxh128, or an
  // ignore pattern. It holds no element.
  std::string_view leaf;
  std::size_t leafDepth = 0;
  std::string value;
  MhlRecordedHash hash;
  bool havePath = false;
  const auto within = [&open](std::initializer_list<std::string_view> names) {
    return open.size() == names.size() && std::equal(names.begin(), names.end(), open.begin());
  };
  for (;;) {
    switch (xml.Next()) {
      case Token::Start: {
        const std::string name(xml.Name());
        if (open.empty() && name != "hashlist") return refuse("its root element is <" + name + ">");
        if (!leaf.empty()) return refuse("<" + name + "> inside <" + std::string(leaf) + ">");
        if (within({"hashlist", "hashes"}) && name == "hash") {
          hash = {};
          havePath = false;
        } else if (within({"hashlist", "hashes", "hash"})) {
          if (name == "path") {
            if (havePath) return refuse("a hash with two paths");
            leaf = "path";
          } else if (std::find(std::begin(kHashFormats), std::end(kHashFormats), name) != std::end(kHashFormats)) {
            const std::string* action = xml.Attribute("action");
            if (action && Trimmed(*action) == "original") hash.original = true;
            if (name == "xxh128" && !hash.xxh128) leaf = "xxh128";
          }
        } else if (within({"hashlist", "processinfo", "ignore"}) && name == "pattern") {
          leaf = "pattern";
        }
        open.push_back(name);
        if (!leaf.empty() && leafDepth == 0) {
          leafDepth = open.size();
          value.clear();
        }
        break;
      }
      case Token::Text:
        if (!leaf.empty()) value += xml.Text();
        break;
      case Token::End:
        if (!leaf.empty() && open.size() == leafDepth) {
          if (leaf == "path") {
            hash.path = value;
            havePath = true;
          } else if (leaf == "xxh128") {
            std::string hex(Trimmed(value));
            for (char& c : hex) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
            if (!IsHex128(hex)) return refuse("an xxh128 hash " + Shown(value));
            hash.xxh128 = std::move(hex);
          } else {
            manifest.ignore.push_back(value);
          }
          leaf = {};
          leafDepth = 0;
        } else if (within({"hashlist", "hashes", "hash"})) {
          if (!havePath || hash.path.empty()) return refuse("a hash without its path");
          manifest.hashes.push_back(std::move(hash));
        }
        open.pop_back();
        break;
      case Token::Finished:
        return manifest;
      case Token::Failed:
        return refuse(xml.Error());
    }
  }
}

std::string C4Id(const std::array<std::uint8_t, 64>& digest) {
  // Long division of the big-endian number by 58, one digit at a time from the least
  // significant; 58^88 exceeds 2^512, so 88 digits hold any digest.
  std::array<std::uint8_t, 64> number = digest;
  std::string digits;
  std::size_t first = 0;
  while (first < number.size()) {
    if (number[first] == 0) {
      ++first;
      continue;
    }
    unsigned remainder = 0;
    for (std::size_t i = first; i < number.size(); ++i) {
      const unsigned value = remainder * 256 + number[i];
      number[i] = static_cast<std::uint8_t>(value / 58);
      remainder = value % 58;
    }
    digits += kBase58[remainder];
  }
  digits.resize(kC4Length - 2, kBase58[0]);
  std::reverse(digits.begin(), digits.end());
  return "c4" + digits;
}

const std::vector<std::string>& MhlIgnorePatterns() {
  // What the ASC tool leaves out by default; Quillon's history of imports; and the temporary
  // files of outputs being written: ".NAME.xxxxxxxx.quillon-part", eight of [0-9a-z] (see
  // TempNameFor in the file systems).
  static const std::vector<std::string> kPatterns = [] {
    std::string tag;
    for (int i = 0; i < 8; ++i) tag += "[0-9a-z]";
    return std::vector<std::string>{".DS_Store", "ascmhl", "ascmhl/", ".quillon-history",
                                    ".*." + tag + platform::ToUtf8(platform::kOutputTempSuffix)};
  }();
  return kPatterns;
}

namespace {

// --- Writing -----------------------------------------------------------------------------

// UTF-8 text as XML text or an attribute's value. The caller has made sure it is made of XML
// characters; white space other than the space is kept as references, which no reader changes.
std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

// The UTF-8 of UTF-16 text, when every character of it can stand in XML: no lone surrogate (a
// Linux name that was no UTF-8), and no control character but white space.
std::optional<std::string> XmlUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (!IsXmlChar(c)) return std::nullopt;
    AppendUtf8(out, c);
  }
  return out;
}

// A path a manifest can list: relative, "/" between names, none of them empty, "." or "..".
bool IsRelativePath(std::u16string_view path) {
  if (path.empty()) return false;
  for (std::size_t begin = 0; begin <= path.size();) {
    const std::size_t end = std::min(path.find(u'/', begin), path.size());
    const std::u16string_view part = path.substr(begin, end - begin);
    if (part.empty() || part == u"." || part == u"..") return false;
    begin = end + 1;
  }
  return true;
}

struct UtcFields {
  std::int64_t year;
  unsigned month, day, hour, minute, second;
};

// The UTC calendar fields of t, for the years 1 to 9999 that the dates of XML take plainly.
std::optional<UtcFields> UtcFieldsOf(std::int64_t t) {
  constexpr std::int64_t kEarliest = -62'135'596'800;  // 0001-01-01T00:00:00Z
  constexpr std::int64_t kLatest = 253'402'300'799;    // 9999-12-31T23:59:59Z
  if (t < kEarliest || t > kLatest) return std::nullopt;
  std::int64_t days = t / 86400;
  std::int64_t seconds = t % 86400;
  if (seconds < 0) seconds += 86400, --days;
  // Days to the proleptic Gregorian calendar, in eras of 400 years from 0000-03-01.
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t dayOfEra = days - era * 146'097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  UtcFields f{};
  f.day = static_cast<unsigned>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  f.month = static_cast<unsigned>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  f.year = yearOfEra + era * 400 + (f.month <= 2 ? 1 : 0);
  f.hour = static_cast<unsigned>(seconds / 3600);
  f.minute = static_cast<unsigned>(seconds / 60 % 60);
  f.second = static_cast<unsigned>(seconds % 60);
  return f;
}

std::string Padded(std::int64_t value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

// "2024-05-31T14:23:14+00:00", as the ASC tool writes its dates.
std::string DateTimeText(const UtcFields& f) {
  return Padded(f.year, 4) + "-" + Padded(f.month, 2) + "-" + Padded(f.day, 2) + "T" + Padded(f.hour, 2) + ":" +
         Padded(f.minute, 2) + ":" + Padded(f.second, 2) + "+00:00";
}


// The folder's name as a manifest's name carries it: characters that no file name may hold made
// "_", cut to kMaxFolderNameBytes.
std::string FolderNamePart(std::u16string_view path) {
  const auto isSeparator = [](char16_t c) { return c == u'/' || c == platform::kSeparator; };
  while (!path.empty() && isSeparator(path.back())) path.remove_suffix(1);
  std::size_t begin = path.size();
  while (begin > 0 && !isSeparator(path[begin - 1])) --begin;
  std::u16string name(path.substr(begin));
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
    if (pair) {
      ++i;
    } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF ||
               std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos) {
      name[i] = u'_';
    }
  }
  std::string utf8 = platform::ToUtf8(name);
  if (utf8.size() > kMaxFolderNameBytes) {
    std::size_t cut = kMaxFolderNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    utf8.resize(cut);
  }
  return utf8;
}

// One file of the new generation, its texts ready for the manifest.
struct NewHash {
  std::string path;  // UTF-8
  const MhlFile* file;
};

// What the earlier generations recorded of a path.
struct Recorded {
  bool original = false;
  std::optional<std::string> xxh128;  // the first one
};

struct History {
  std::vector<MhlChainEntry> chain;
  std::uint32_t lastNumber = 0;
  std::map<std::string, Recorded> recorded;
  std::vector<std::string> latestIgnore;  // the last manifest's patterns
};

// The action of a new hash of a path, as the ASC tool records it: "original" the first time,
// then "verified" or "failed" against the first xxh128 hash; none against a path that only
// another format records as original, which this copy cannot check.
std::optional<std::string_view> ActionFor(const History& history, const std::string& path, const std::string& hex) {
  const auto known = history.recorded.find(path);
  if (known == history.recorded.end() || !known->second.original) return "original";
  if (!known->second.xxh128) return std::nullopt;
  return *known->second.xxh128 == hex ? "verified" : "failed";
}

std::string ManifestText(const History& history, const std::vector<NewHash>& hashes, const UtcFields& now,
                         const std::vector<std::string>& ignore) {
  const std::string hostName = XmlUtf8(platform::HostName()).value_or(std::string());
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<hashlist version=\"2.0\" xmlns=\"urn:ASC:MHL:v2.0\">\n"
      "  <creatorinfo>\n"
      "    <creationdate>" + DateTimeText(now) + "</creationdate>\n"
      "    <hostname>" + Escaped(hostName) + "</hostname>\n"
      "    <tool version=\"" + Escaped(kVersion) + "\">Quillon</tool>\n"
      "  </creatorinfo>\n"
      "  <processinfo>\n"
      "    <process>transfer</process>\n"
      "    <ignore>\n";
  for (const std::string& pattern : ignore) text += "      <pattern>" + Escaped(pattern) + "</pattern>\n";
  text +=
      "    </ignore>\n"
      "  </processinfo>\n"
      "  <hashes>\n";
  for (const NewHash& hash : hashes) {
    const std::string hex = platform::HexOf(hash.file->xxh128);
    text += "    <hash>\n      <path size=\"" + std::to_string(hash.file->size) + "\"";
    if (const auto written = UtcFieldsOf(hash.file->lastWrite)) {
      text += " lastmodificationdate=\"" + DateTimeText(*written) + "\"";
    }
    text += ">" + Escaped(hash.path) + "</path>\n      <xxh128";
    if (const auto action = ActionFor(history, hash.path, hex)) text += " action=\"" + std::string(*action) + "\"";
    text += ">" + hex + "</xxh128>\n    </hash>\n";
  }
  text +=
      "  </hashes>\n"
      "</hashlist>\n";
  return text;
}

std::optional<std::string> C4IdOf(std::string_view bytes) {
  platform::Sha512 sha;
  sha.Update(bytes.data(), bytes.size());
  const auto digest = sha.Digest();
  if (!digest) return std::nullopt;
  return C4Id(*digest);
}

std::string SystemError() { return platform::ErrorText(platform::LastError()); }

// --- The history on the disk -------------------------------------------------------------

// The bytes of the file under name in the history's folder, at most limit of them. A link, or
// anything but a file, is refused.
bool ReadHistoryFile(platform::Folder& history, const std::u16string& historyPath, const std::u16string& name,
                     std::size_t limit, std::string& bytes, std::string& error) {
  const std::string shown = "ascmhl/" + platform::ToUtf8(name);
  const auto status = history.LinkStatus(name);
  if (!status) return error = "cannot read " + shown + ": " + SystemError(), false;
  if (status->isLink || status->isDirectory) return error = "cannot read " + shown + ": it is no plain file", false;
  if (status->size > limit) return error = shown + " is too large for an ASC MHL file", false;
  auto file = platform::Files().OpenRead(platform::JoinPath(historyPath, {name}));
  if (!file) return error = "cannot read " + shown + ": " + SystemError(), false;
  bytes.clear();
  std::vector<char> block(64 * 1024);
  for (;;) {
    const std::int64_t n = file->Read(block.data(), block.size());
    if (n < 0) return error = "cannot read " + shown + ": " + SystemError(), false;
    if (n == 0) break;
    bytes.append(block.data(), static_cast<std::size_t>(n));
    // It may have grown since its status was taken.
    if (bytes.size() > limit) return error = shown + " is too large for an ASC MHL file", false;
  }
  file->Close();
  return true;
}

// Reads what the earlier generations left: the chain, checked against the manifests it lists,
// and what every manifest recorded.
bool LoadHistory(platform::Folder& folder, History& history, std::string& error) {
  const std::u16string path = folder.CurrentPath().value_or(folder.Path());
  // A listing holds "." at least: an empty one is a folder that could not be listed.
  const std::vector<platform::DirEntry> entries = platform::Files().Find(path, u"*");
  if (entries.empty()) return error = "cannot list the folder ascmhl: " + SystemError(), false;
  bool haveChain = false;
  std::set<std::string> files;
  std::vector<std::pair<std::uint32_t, std::u16string>> manifests;
  for (const platform::DirEntry& entry : entries) {
    if (entry.name == kChainName) haveChain = true;
    if (entry.isDirectory) continue;
    std::string name = platform::ToUtf8(entry.name);
    if (const auto number = ManifestNumber(name)) manifests.emplace_back(*number, entry.name);
    files.insert(std::move(name));
  }
  std::sort(manifests.begin(), manifests.end());

  std::string bytes;
  if (haveChain) {
    if (!ReadHistoryFile(folder, path, kChainName, kMaxChainBytes, bytes, error)) return false;
    std::string why;
    auto chain = ReadMhlChain(bytes, why);
    if (!chain) return error = "cannot read ascmhl/ascmhl_chain.xml: " + why, false;
    history.chain = std::move(*chain);
  }
  // Each manifest the chain lists must be there with the C4 id the chain holds of it, as the ASC
  // tool wants before it adds a generation.
  std::multimap<std::string, std::string> listed;  // manifest name -> C4 id
  for (const MhlChainEntry& entry : history.chain) {
    if (!files.contains(entry.name)) {
      return error = "the ASC MHL chain lists ascmhl/" + entry.name + ", which is missing", false;
    }
    listed.emplace(entry.name, entry.c4);
    if (entry.sequence) history.lastNumber = std::max(history.lastNumber, *entry.sequence);
  }
  const auto matchesChain = [&](const std::string& name, std::string_view bytes) {
    const auto [first, last] = listed.equal_range(name);
    if (first == last) return true;
    const auto id = C4IdOf(bytes);
    if (!id) return error = "cannot compute the C4 id of ascmhl/" + name, false;
    for (auto it = first; it != last; ++it) {
      if (it->second != *id) {
        return error = "ascmhl/" + name + " was altered: it no longer has the C4 id that the chain holds", false;
      }
    }
    return true;
  };
  // Files the chain lists under other names than manifests have: checked, not read further.
  for (const auto& [name, c4] : listed) {
    if (ManifestNumber(name)) continue;
    if (!ReadHistoryFile(folder, path, platform::FromUtf8(name), kMaxManifestBytes, bytes, error)) return false;
    if (!matchesChain(name, bytes)) return false;
  }
  for (const auto& [number, name] : manifests) {
    history.lastNumber = std::max(history.lastNumber, number);
    if (!ReadHistoryFile(folder, path, name, kMaxManifestBytes, bytes, error)) return false;
    const std::string shown = "ascmhl/" + platform::ToUtf8(name);
    if (!matchesChain(platform::ToUtf8(name), bytes)) return false;
    std::string why;
    auto manifest = ReadMhlManifest(bytes, why);
    if (!manifest) return error = "cannot read " + shown + ": " + why, false;
    for (MhlRecordedHash& hash : manifest->hashes) {
      Recorded& recorded = history.recorded[hash.path];
      recorded.original = recorded.original || hash.original;
      if (!recorded.xxh128) recorded.xxh128 = std::move(hash.xxh128);
    }
    history.latestIgnore = std::move(manifest->ignore);
  }
  return true;
}

// Writes text under name in folder as an output, which out keeps: on failure it is gone with
// out, unless its rename took place.
bool WriteHistoryFile(platform::Folder& folder, const std::u16string& name, const std::string& text,
                      std::unique_ptr<platform::OutputFile>& out, std::string& error) {
  out = folder.CreateOutput(name);
  if (out && out->Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size()) && out->Sync() &&
      out->Commit()) {
    return true;
  }
  error = "cannot write ascmhl/" + platform::ToUtf8(name) + ": " + SystemError();
  return false;
}

}  // namespace

std::string MhlChainText(const std::vector<MhlChainEntry>& chain) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<ascmhldirectory xmlns=\"urn:ASC:MHL:DIRECTORY:v2.0\">\n";
  for (const MhlChainEntry& entry : chain) {
    text += "  <hashlist";
    if (entry.sequence) text += " sequencenr=\"" + std::to_string(*entry.sequence) + "\"";
    text += ">\n    <path>" + Escaped(entry.name) + "</path>\n    <c4>" + entry.c4 + "</c4>\n  </hashlist>\n";
  }
  text += "</ascmhldirectory>\n";
  return text;
}

bool AddMhlGeneration(platform::Folder& folder, const std::vector<MhlFile>& files, std::int64_t now,
                      std::string& error) {
  if (files.empty()) return true;
  // Every name is checked before anything is written. A path given twice is listed once, with
  // what it was given last.
  std::vector<NewHash> hashes;
  std::map<std::string, std::size_t> seen;
  for (const MhlFile& file : files) {
    const auto path = XmlUtf8(file.path);
    if (!path || !IsRelativePath(file.path)) {
      error = "cannot list " + platform::ToUtf8(file.path) + " in an ASC MHL manifest: no such name can stand there";
      return false;
    }
    const auto [at, added] = seen.emplace(*path, hashes.size());
    if (added) hashes.push_back({*path, &file});
    else hashes[at->second].file = &file;
  }
  const auto clock = UtcFieldsOf(now);
  if (!clock) return error = "the clock's time cannot be written in an ASC MHL manifest", false;

  auto historyFolder = folder.SubFolder(kHistoryFolder, true);
  if (!historyFolder) return error = "cannot open or make the folder ascmhl: " + SystemError(), false;
  History history;
  if (!LoadHistory(*historyFolder, history, error)) return false;
  if (history.lastNumber >= kMaxGeneration) return error = "the ASC MHL history holds no more generations", false;
  const std::uint32_t number = history.lastNumber + 1;

  // The ASC tool's own order: the patterns of the last generation (or its defaults), then ours.
  std::vector<std::string> ignore = history.latestIgnore;
  if (ignore.empty()) ignore = {".DS_Store", "ascmhl", "ascmhl/"};
  for (const std::string& pattern : MhlIgnorePatterns()) {
    if (std::find(ignore.begin(), ignore.end(), pattern) == ignore.end()) ignore.push_back(pattern);
  }

  const std::string manifest = ManifestText(history, hashes, *clock, ignore);
  const auto c4 = C4IdOf(manifest);
  if (!c4) return error = "cannot compute the C4 id of the new ASC MHL manifest", false;
  const std::string name = Padded(number, 4) + "_" + FolderNamePart(folder.Path()) + "_" + Padded(clock->year, 4) +
                           "-" + Padded(clock->month, 2) + "-" + Padded(clock->day, 2) + "_" +
                           Padded(clock->hour, 2) + Padded(clock->minute, 2) + Padded(clock->second, 2) + "Z" +
                           std::string(kManifestEnding);
  const std::u16string manifestName = platform::FromUtf8(name);
  std::unique_ptr<platform::OutputFile> manifestOut, chainOut;
  // A manifest in place but left out of the chain would be a generation without its seal: it
  // goes again when the chain cannot follow.
  const auto withdraw = [&] {
    if (manifestOut && manifestOut->InPlace()) {
      const std::u16string historyPath = historyFolder->CurrentPath().value_or(historyFolder->Path());
      platform::Files().Remove(platform::JoinPath(historyPath, {manifestName}));
    }
    return false;
  };
  if (!WriteHistoryFile(*historyFolder, manifestName, manifest, manifestOut, error)) return withdraw();

  history.chain.push_back({number, name, *c4});
  if (WriteHistoryFile(*historyFolder, kChainName, MhlChainText(history.chain), chainOut, error)) return true;
  // A chain renamed into place whose folder could not be synced lists the manifest: both stay.
  if (chainOut && chainOut->InPlace()) return false;
  return withdraw();
}

}  // namespace quillon
