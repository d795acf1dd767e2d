#include "frontend/Message.h"

#include "platform/Text.h"

namespace quillon::frontend {

Message Text(int id, std::vector<Message> args) { return Message{id, {}, std::move(args)}; }

Message Verbatim(std::u16string text) { return Message{0, std::move(text), {}}; }

Message Number(std::uint64_t value) { return Verbatim(platform::Widen(std::to_string(value))); }

std::u16string FormatText(std::u16string_view text, const std::vector<std::u16string>& args) {
  std::u16string out;
  std::size_t next = 0;  // the argument the next "%s" takes
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const char16_t after = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (c != u'%' || after == u'\0') {
      out += c;
    } else if (after == u'%') {
      out += u'%';
      ++i;
    } else if (after == u's') {
      if (next < args.size()) out += args[next];
      ++next;
      ++i;
    } else if (after >= u'1' && after <= u'9') {
      const std::size_t n = static_cast<std::size_t>(after - u'1');
      if (n < args.size()) out += args[n];
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::u16string Render(const Message& message, const TextLookup& lookup) {
  if (message.id == 0 && message.args.empty()) return message.verbatim;
  std::vector<std::u16string> args;
  args.reserve(message.args.size());
  for (const Message& arg : message.args) args.push_back(Render(arg, lookup));
  return FormatText(message.id == 0 ? message.verbatim : lookup(message.id), args);
}

std::u16string English(const Message& message) {
  return Render(message, [](int id) { return platform::FromUtf8(EnglishText(id)); });
}

}  // namespace quillon::frontend
