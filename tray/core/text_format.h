#pragma once
// printf-style formatting of texts whose format comes from a string table. Only the
// conversions the tray's texts use are understood (%d with an optional width, %s, %%); a
// conversion whose argument is missing or of the other kind is written as it stands, so a
// text from a language library can never read arguments that are not there.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace lmx::tray {

using TextArgument = std::variant<std::int64_t, std::string_view>;

std::string formatText(std::string_view format, std::initializer_list<TextArgument> arguments);

}  // namespace lmx::tray
