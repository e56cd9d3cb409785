#pragma once
// printf-style formatting of message texts whose format string is data (the message table or
// the language library). The conversions of the format are checked against the arguments
// before anything is formatted, so a text with a wrong or extra placeholder is refused instead
// of reading arguments that are not there.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace dwsvc {

using MessageArgument = std::variant<std::int64_t, std::string_view>;

// Supports %d %i %u %x %X %o %c %s and %% with flags, width and precision (no '*'), and the
// length modifiers h l ll. Empty when the conversions do not match the arguments in number,
// order and kind.
std::optional<std::string> formatMessage(std::string_view format, std::initializer_list<MessageArgument> arguments);

// The kinds of the format's conversions in order: 'i' for integers, 's' for strings; empty
// when the format holds a conversion that is not supported.
std::optional<std::string> conversionKinds(std::string_view format);

}  // namespace dwsvc
