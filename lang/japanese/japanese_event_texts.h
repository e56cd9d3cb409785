#pragma once
// The service's event texts in Japanese, compiled into the service: the messages by number (the
// language library numbers its English texts the same way) and the text for a number the table
// does not hold.

#include <optional>
#include <string_view>

namespace lmx::lang {

// The Japanese text (UTF-8) of event message `index`; empty for a number outside the table.
std::optional<std::string_view> japaneseEventText(int index);
// The text for an event whose message is missing, with one placeholder for its 16-bit id.
std::string_view japaneseEventMissText();

}  // namespace lmx::lang
