#include "catalogue/RowText.h"

#include "platform/DateFormat.h"
#include "platform/LocalTime.h"
#include "platform/Text.h"

namespace quillon {

namespace {

constexpr std::u16string_view kInvalidDateTime = u"Invalid DateTime";

std::u16string PadCut(std::u16string text, std::size_t width) {
  text.append(width, u' ');
  text.resize(width);
  return text;
}

std::u16string_view FormatTag(std::uint32_t kindBits) {
  if ((kindBits & 1u) == 0) return u"DV  -  ";
  if ((kindBits & 6u) != 0) return u"*** -  ";
  return u"HDV -  ";
}

// A date-time the list can show: a proleptic calendar date from 1 January 100 to
// 31 December 9999 with a valid time of day, as the date type of the original system allows.
bool Representable(const std::tm& f) {
  const int year = f.tm_year + 1900;
  return year >= 100 && year <= 9999 && f.tm_mon >= 0 && f.tm_mon <= 11 && f.tm_mday >= 1 && f.tm_mday <= 31 &&
         f.tm_hour >= 0 && f.tm_hour <= 23 && f.tm_min >= 0 && f.tm_min <= 59 && f.tm_sec >= 0 && f.tm_sec <= 59;
}

}  // namespace

std::u16string RowTextAt(const std::u16string& name, std::uint32_t kindBits, std::size_t chunkCount,
                         std::int64_t instant, std::uint32_t dateLocale) {
  std::u16string date(kInvalidDateTime), time(kInvalidDateTime);
  if (const auto fields = platform::LocalFields(instant); fields && Representable(*fields)) {
    date = platform::ShortDate(fields->tm_year + 1900, fields->tm_mon + 1, fields->tm_mday, dateLocale);
    if (date.empty()) date = kInvalidDateTime;
    time = platform::FormatFields(*fields, "%H:%M:%S");
    if (time.empty()) time = kInvalidDateTime;
  }
  std::u16string row = PadCut(name, 8);
  row += u" - ";
  row += FormatTag(kindBits);
  row += PadCut(date, 12);
  row += u"- ";
  row += time;
  row += u"  -  ";
  row += platform::Widen(std::to_string(chunkCount)) + u"file";
  if (chunkCount > 1) row += u's';
  return row;
}

std::u16string RowText(const Clip& clip, std::uint32_t dateLocale) {
  const std::int64_t instant = clip.chunks.empty() ? 0 : clip.ClipTime(clip.chunks.size() - 1);
  return RowTextAt(clip.name, clip.kindBits, clip.chunks.size(), instant, dateLocale);
}

}  // namespace quillon
