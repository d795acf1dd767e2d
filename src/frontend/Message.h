#pragma once
// A text for the user: an id of the text table and what goes into its %1, %2... Each front end
// looks the ids up in its own language (the Windows string table, the Qt translations, or the
// English table here) and puts the text together the same way.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::frontend {

struct Message {
  int id = 0;                 // a text of the table; 0: the verbatim text
  std::u16string verbatim;    // with arguments, a pattern of its own ("%s\n%s": lines joined)
  std::vector<Message> args;  // what goes into %1, %2... (or each %s) in order
  bool Empty() const { return id == 0 && verbatim.empty(); }
};

Message Text(int id, std::vector<Message> args = {});
Message Verbatim(std::u16string text);
Message Number(std::uint64_t value);

// text with "%1".."%9" replaced by the arguments of that number, each "%s" by the next argument
// in turn, and "%%" by "%". What an argument holds is never read as a placeholder.
std::u16string FormatText(std::u16string_view text, const std::vector<std::u16string>& args);

// The text of an id in a front end's language.
using TextLookup = std::function<std::u16string(int id)>;
std::u16string Render(const Message& message, const TextLookup& lookup);

// The English table: the text of an id as UTF-8, "" when it has none; and a message in English.
const char* EnglishText(int id);
std::u16string English(const Message& message);

}  // namespace quillon::frontend
