#pragma once
// printf-style formatting of texts whose format comes from a string table. Only the
// conversions the tray's texts use are understood: %d and %X (a number; the flag 0 pads with
// zeros, a width pads on the left), %s (a text), %f (a real number, with an optional precision:
// "%3.1f"), and %%. A conversion whose argument is missing or of another kind is written as it
// stands, so a text from a language library can never read arguments that are not there.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace lmx::tray {

using TextArgument = std::variant<std::int64_t, std::string_view, double>;

std::string formatText(std::string_view format, std::initializer_list<TextArgument> arguments);

}  // namespace lmx::tray
