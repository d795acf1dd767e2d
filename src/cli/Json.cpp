#include "cli/Json.h"

#include <cstdio>

#include "platform/Text.h"

namespace quillon::cli {

namespace {

void AppendEscape(std::string& out, unsigned code) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", code);
  out += buffer;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string JsonString(std::u16string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'"') {
      out += "\\\"";
    } else if (c == u'\\') {
      out += "\\\\";
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c == u'\t') {
      out += "\\t";
    } else if (c < 0x20) {
      AppendEscape(out, c);
    } else if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
      out += platform::ToUtf8(text.substr(i, 2));
      ++i;
    } else if (IsHigh(c) || IsLow(c)) {
      AppendEscape(out, c);
    } else {
      out += platform::ToUtf8(text.substr(i, 1));
    }
  }
  out += '"';
  return out;
}

std::string JsonStringArray(const std::vector<std::u16string>& items) {
  std::string out = "[";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += JsonString(items[i]);
  }
  return out + "]";
}

}  // namespace quillon::cli
