#include "cli/Json.h"

#include <cstdio>

#include "platform/LocalTime.h"
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

std::string JsonLocalTime(std::int64_t seconds) {
  const auto fields = platform::LocalFields(seconds);
  // ISO 8601 writes a year in four digits.
  if (!fields || fields->tm_year + 1900 < 0 || fields->tm_year + 1900 > 9999) return "null";
  const long offset = static_cast<long>(platform::UtcOffset(*fields, seconds));
  const long minutes = (offset < 0 ? -offset : offset) / 60;
  char text[64];
  std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld\"", fields->tm_year + 1900,
                fields->tm_mon + 1, fields->tm_mday, fields->tm_hour, fields->tm_min, fields->tm_sec,
                offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return text;
}

std::string JsonNumberOrNull(const std::optional<std::uint64_t>& value) {
  return value ? std::to_string(*value) : "null";
}

}  // namespace quillon::cli
